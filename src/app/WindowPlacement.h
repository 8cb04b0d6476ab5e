#pragma once

#include <QList>
#include <QRect>
#include <QSize>

namespace stratex {

// Where a window opens whose place was stored as bounds (the frame's top-left corner and the client size),
// among screens (their available areas, the primary one first): on the screen that shows the most of it,
// or on the first when none shows any of it; shrunk to that screen's size but not below minimum, and moved
// so that it lies on that screen as far as its size allows. Bounds that lie wholly on a screen stay as they
// are. Without screens, bounds with at least the minimum size.
QRect PlaceOnScreens(const QRect& bounds, const QSize& minimum, const QList<QRect>& screens);

}  // namespace stratex

#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <optional>

namespace stratex {

// Where a window opens whose place was stored as bounds (the frame's top-left corner and the client size),
// among screens (their available areas, the primary one first): on the screen that shows the most of it,
// or on the first when none shows any of it; shrunk to that screen's size but not below minimum, and moved
// so that it lies on that screen as far as its size allows. Bounds that lie wholly on a screen stay as they
// are. Without screens, bounds with at least the minimum size.
QRect PlaceOnScreens(const QRect& bounds, const QSize& minimum, const QList<QRect>& screens);

// Where a second window of frame size `size` opens beside the main window's frame `main` on a screen's
// available area: to its right where there is room, else to its left, its top at the main window's (moved up
// as far as needed to stay on the screen); nothing where neither side has room.
std::optional<QPoint> PlaceBeside(const QRect& main, const QSize& size, const QRect& available);

}  // namespace stratex

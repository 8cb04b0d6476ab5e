#include "app/WindowPlacement.h"

#include <algorithm>

namespace stratex {

QRect PlaceOnScreens(const QRect& bounds, const QSize& minimum, const QList<QRect>& screens) {
    QRect place(bounds.topLeft(), bounds.size().expandedTo(minimum));
    if (screens.isEmpty()) return place;
    const QRect* home = &screens.first();
    qint64 bestArea = 0;
    for (const QRect& screen : screens) {
        const QRect shown = screen.intersected(place);
        const qint64 area = static_cast<qint64>(shown.width()) * shown.height();
        if (area > bestArea) {
            bestArea = area;
            home = &screen;
        }
    }
    place.setSize(place.size().boundedTo(home->size()).expandedTo(minimum));
    // Right and bottom first, then left and top: a window larger than its screen keeps its top-left
    // corner, with the title bar, on the screen.
    place.moveRight(std::min(place.right(), home->right()));
    place.moveBottom(std::min(place.bottom(), home->bottom()));
    place.moveLeft(std::max(place.left(), home->left()));
    place.moveTop(std::max(place.top(), home->top()));
    return place;
}

std::optional<QPoint> PlaceBeside(const QRect& main, const QSize& size, const QRect& available) {
    if (size.height() > available.height()) return std::nullopt;
    const int top = std::max(available.top(), std::min(main.top(), available.bottom() + 1 - size.height()));
    if (main.right() + 1 + size.width() <= available.right() + 1) return QPoint(main.right() + 1, top);
    if (main.left() - size.width() >= available.left()) return QPoint(main.left() - size.width(), top);
    return std::nullopt;
}

}  // namespace stratex

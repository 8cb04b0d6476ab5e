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

}  // namespace stratex

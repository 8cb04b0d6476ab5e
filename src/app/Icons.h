#pragma once

#include <QIcon>
#include <QPixmap>

#include "grammar/ObjectKind.h"

namespace stratex {

// The pictures of the tool-bar buttons.
enum class ToolPicture { OpenMap, Process, SaveMap, OpenConfig, SaveConfig, SaveDictionary, Advise, ApplyAdvice };

// Icon `index` of the kind's icon list (POI 101 icons of 16 x 16, polylines 17 of 30 x 15, polygons 9 of
// 50 x 20), painted with a transparent background. A null pixmap for an index outside the list (-1: no icon).
QPixmap TypeIcon(ObjectKind kind, int index);

// The icon of a type that the catalogue gives none: a dashed frame with a question mark, of the kind's icon
// size, so that every row of a list shows an icon and its code at the same place.
QPixmap UnknownTypeIcon(ObjectKind kind);

// The picture of a tool-bar button (16 x 16).
QIcon ToolIcon(ToolPicture picture);

// The application's own icon, in several sizes.
QIcon AppIcon();

}  // namespace stratex

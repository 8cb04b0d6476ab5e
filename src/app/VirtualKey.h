#pragma once

#include <Qt>

class QKeyEvent;

namespace stratex {

// The Windows virtual-key code of a key, as the typing shortcut of the POI list reads it: letters give
// 'A'..'Z' (65..90), digits '0'..'9' (48..57), keypad digits 96..105, F1.. 112.., and the control,
// navigation and editing keys (space, Enter, arrows, Delete...) codes below 48. 0 for a key without one.
int VirtualKeyOf(int qtKey, Qt::KeyboardModifiers modifiers);

// The same for a key event; on Windows the event's own virtual-key code.
int VirtualKeyOf(const QKeyEvent& event);

}  // namespace stratex

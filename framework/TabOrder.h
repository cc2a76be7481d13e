// Keyboard focus order among the windowed controls of a form, as a dialog moves it
// with Tab and Shift+Tab.
#pragma once

#include <vector>

namespace fw {

class TControl;
class TWinControl;

// The controls under `root` that Tab can reach: visible, enabled and TabStop,
// inside parents that are visible and enabled; each parent's children in TabOrder
// (ties and unset orders after, in the order the children were added), depth first.
std::vector<TWinControl*> TabStops(TWinControl& root);

// The stop after `current` (before it when `forward` is false), wrapping round; the
// first (last) stop when `current` is none of them. Null when there is no stop.
TWinControl* NextTabStop(TWinControl& root, TWinControl* current, bool forward);

// Every control under `root` the keyboard can reach, in the order Tab visits them:
// the tab stops as above, each parent's windowless controls that take the keyboard
// (AccessibleFocusable) after its windowed children, in reading order.
std::vector<TControl*> KeyboardStops(TWinControl& root);

// The keyboard stop after `current` (before it when `forward` is false), wrapping
// round; the first (last) one when `current` is none of them. Null when there is none.
TControl* NextKeyboardStop(TWinControl& root, TControl* current, bool forward);

}  // namespace fw

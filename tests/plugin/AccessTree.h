// Reads a window's accessible objects as a screen reader does, into text: one line
// per element, indented by depth.
#pragma once

#include <windows.h>

#include <string>

namespace tessel::testing {

// The tree under the client object of `window`, read through AccessibleObjectFromWindow
// on the calling thread (COM must be initialised there). Each line:
//   role "name" [= "value"] [states] @x,y wxh
// with the place relative to the window's client area. Empty when there is no object.
std::string ReadAccessibleTree(HWND window);

}  // namespace tessel::testing

// The DPI a window is shown at, asked of the system.
#pragma once

#include <windows.h>

namespace fw {

// The DPI of the monitor `window` is on, from GetDpiForWindow where the system has
// it (looked up at run time, since older systems lack it); when that is missing or
// answers 0 (unknown), the screen device's LOGPIXELSY; 96 when neither answers.
// A null window asks only the device.
int WindowDpi(HWND window);

}  // namespace fw

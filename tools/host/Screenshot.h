// Saves what a window's client area shows as a PNG file.
#pragma once

#include <windows.h>

#include <string>

namespace tessel::host {

// The top-level window of this process with the caption `caption`, or null.
HWND FindProcessWindow(const char* caption);

// Repaints `window` and its children, then writes its client area to `path`.
// On failure returns false with a one-line reason in `error`.
bool SaveClientPng(HWND window, const std::string& path, std::string* error);

}  // namespace tessel::host

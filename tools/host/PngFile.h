// Writes a laid-out picture to a PNG file: the pixels into a DIB section, the labels
// drawn over them with GDI, then encoded by the Windows imaging component.
#pragma once

#include <string>

#include "tools/host/WaterfallPicture.h"

namespace tessel::host {

// Writes `picture` to `path` (UTF-8), replacing any file there.
// On failure returns false with a one-line reason in `error`.
bool WritePicturePng(const Picture& picture, const std::string& path, std::string* error);

}  // namespace tessel::host

// Renders a control into a picture, as it appears on a parent of a given colour.
#pragma once

#include <memory>
#include <string>

#include "framework/Bitmap.h"
#include "framework/Control.h"

namespace fw {

// A 24-bit picture of `control` at its size after painting, drawn over a
// background of `parent_color`. A control that changes its own size while it
// paints is painted again at the new size, as its parent would.
std::unique_ptr<TBitmap> RenderControl(TControl& control, TColor parent_color);

// Writes a 24-bit BMP file at `path` (UTF-8); false when it cannot be written.
bool SaveBitmapFile(TBitmap& bitmap, const std::string& path);

}  // namespace fw

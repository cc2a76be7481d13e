// The gallery's registry of cases. A case is one picture file: a function that
// builds a control and renders it as it appears on the settings window's
// background. Add one with GALLERY_CASE in a .cpp of this folder.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Color.h"
#include "framework/Control.h"

namespace gallery {

// The colour of the parent every case is drawn on.
inline constexpr fw::TColor kParentColor = fw::RGBColor(60, 60, 60);

using Renderer = std::function<std::unique_ptr<fw::TBitmap>()>;

struct Case {
  std::string FileName;
  Renderer Render;
};

// Adds a case; returns true so that a static can hold the result.
bool RegisterCase(std::string file_name, Renderer render);
// Every registered case, sorted by file name.
std::vector<Case> Cases();

// `control` after painting, on a parent of kParentColor.
std::unique_ptr<fw::TBitmap> Render(fw::TControl& control);

}  // namespace gallery

#define GALLERY_CONCAT_INNER(a, b) a##b
#define GALLERY_CONCAT(a, b) GALLERY_CONCAT_INNER(a, b)
// Registers `render` (a callable returning std::unique_ptr<fw::TBitmap>) as `file`.
#define GALLERY_CASE(file, render) \
  static const bool GALLERY_CONCAT(gallery_case_, __LINE__) = ::gallery::RegisterCase(file, render)

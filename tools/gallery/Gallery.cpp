#include "tools/gallery/Gallery.h"

#include <algorithm>

#include "framework/Render.h"

namespace gallery {
namespace {

std::vector<Case>& Registry() {
  static std::vector<Case> cases;
  return cases;
}

}  // namespace

bool RegisterCase(std::string file_name, Renderer render) {
  Registry().push_back({std::move(file_name), std::move(render)});
  return true;
}

std::vector<Case> Cases() {
  std::vector<Case> sorted = Registry();
  std::sort(sorted.begin(), sorted.end(),
            [](const Case& a, const Case& b) { return a.FileName < b.FileName; });
  return sorted;
}

std::unique_ptr<fw::TBitmap> Render(fw::TControl& control) {
  return fw::RenderControl(control, kParentColor);
}

}  // namespace gallery

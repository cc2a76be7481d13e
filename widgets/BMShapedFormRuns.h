// The shaped form's outline as runs of pixels: which pixels of a picture are
// visible and which are holes. No window is needed; the widget turns the runs
// into a window region.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "framework/Geometry.h"

namespace widgets::shape {

// Pixels inclusive from X1 to X2 in row Y. X2 = X1 - 1 marks an empty run: it
// covers nothing but still makes a region exist.
struct PixelRun {
  int X1 = 0;
  int X2 = 0;
  int Y = 0;
  bool Empty() const { return X2 < X1; }
  friend bool operator==(const PixelRun&, const PixelRun&) = default;
};

// Only the low 24 bits of a pixel are its colour; the top byte is ignored.
inline constexpr uint32_t kColorMask = 0x00FFFFFF;

// The runs of visible pixels of a `width` x `height` picture whose 32-bit pixels
// are stored row by row from the top. A pixel is a hole when its colour equals
// that of the bottom-left pixel. Rows are scanned from the top, each from the
// left. When a row's last pixel is a hole and no run is open as it is reached
// (the pixel before it is a hole too, or it is the only one), the row also gets
// an empty run at its last column, so that a picture of holes only still has a
// (empty) shape. A picture with no pixels (or fewer than width x height given)
// yields no runs.
std::vector<PixelRun> ExtractRuns(std::span<const uint32_t> pixels, int width, int height);

// The rectangle a run covers (right and bottom outside it); empty for an empty run.
std::vector<fw::TRect> RunRects(const std::vector<PixelRun>& runs);

}  // namespace widgets::shape

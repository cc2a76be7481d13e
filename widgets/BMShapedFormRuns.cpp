#include "widgets/BMShapedFormRuns.h"

namespace widgets::shape {

std::vector<PixelRun> ExtractRuns(std::span<const uint32_t> pixels, int width, int height) {
  std::vector<PixelRun> runs;
  if (width <= 0 || height <= 0) return runs;
  const size_t w = static_cast<size_t>(width);
  const size_t count = w * static_cast<size_t>(height);
  if (count / w != static_cast<size_t>(height) || pixels.size() < count) return runs;

  const uint32_t key = pixels[(static_cast<size_t>(height) - 1) * w] & kColorMask;
  for (int y = 0; y < height; ++y) {
    const uint32_t* row = pixels.data() + static_cast<size_t>(y) * w;
    int start = -1;  // first pixel of the open run, or -1
    for (int x = 0; x < width; ++x) {
      bool clear = (row[x] & kColorMask) == key;
      if (!clear && start < 0) {
        start = x;
      } else if (clear && start >= 0) {
        runs.push_back({start, x - 1, y});
        start = -1;
      } else if (clear && x == width - 1) {
        // The last pixel is a hole and no run reached it: an empty run there.
        runs.push_back({width - 1, width - 2, y});
      }
    }
    if (start >= 0) runs.push_back({start, width - 1, y});
  }
  return runs;
}

std::vector<fw::TRect> RunRects(const std::vector<PixelRun>& runs) {
  std::vector<fw::TRect> rects;
  rects.reserve(runs.size());
  for (const PixelRun& run : runs) rects.push_back({run.X1, run.Y, run.X2 + 1, run.Y + 1});
  return rects;
}

}  // namespace widgets::shape

// Builds the region of a 640 x 480 disc and of a 640 x 480 noise picture in two
// ways and compares them: the widget's pairwise merging, and the plain way of one
// union per run of visible pixels. Prints both times and their ratio, and fails
// when the two regions differ.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "framework/HandleNames.h"
#include "framework/Region.h"
#include "widgets/BMShapedFormRuns.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr uint32_t kKey = 0x00FF00FF;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<uint32_t> Disc() {
  std::vector<uint32_t> pixels(kWidth * kHeight, kKey);
  const int cx = kWidth / 2, cy = kHeight / 2, r = 220;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      int dx = x - cx, dy = y - cy;
      if (dx * dx + dy * dy < r * r) pixels[y * kWidth + x] = 0x00203080 + x;
    }
  }
  return pixels;
}

// Each pixel one of five colours, one of them the key: about 49,000 runs.
std::vector<uint32_t> Noise() {
  const uint32_t colours[5] = {kKey, 0x00102030, 0x00405060, 0x00708090, 0x00A0B0C0};
  std::vector<uint32_t> pixels(kWidth * kHeight);
  uint32_t state = 12345;
  for (uint32_t& p : pixels) {
    state = state * 1664525u + 1013904223u;
    p = colours[(state >> 16) % 5] | 0xFF000000u;  // the top byte must not matter
  }
  pixels[(kHeight - 1) * kWidth] = kKey;
  return pixels;
}

// One union per run, each into the region built so far.
fw::ScopedRegion OneUnionPerRun(const std::vector<fw::TRect>& rects) {
  fw::ScopedRegion region;
  for (const fw::TRect& r : rects) {
    fw::ScopedRegion piece(::CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom));
    if (!region) {
      region = std::move(piece);
    } else {
      ::CombineRgn(region.get(), region.get(), piece.get(), RGN_OR);
    }
  }
  return region;
}

// Times both ways on one picture; false when their regions differ.
bool Compare(const char* name, const std::vector<uint32_t>& pixels) {
  // The widget's way, run extraction included; the best of five runs.
  double fast = 1e9;
  fw::ScopedRegion merged;
  size_t runs = 0;
  for (int i = 0; i < 5; ++i) {
    double start = Now();
    std::vector<widgets::shape::PixelRun> found =
        widgets::shape::ExtractRuns(pixels, kWidth, kHeight);
    fw::ScopedRegion region = fw::UnionOfRects(widgets::shape::RunRects(found));
    double took = Now() - start;
    if (took < fast) fast = took;
    runs = found.size();
    merged = std::move(region);
  }
  double start = Now();
  std::vector<fw::TRect> rects =
      widgets::shape::RunRects(widgets::shape::ExtractRuns(pixels, kWidth, kHeight));
  fw::ScopedRegion plain = OneUnionPerRun(rects);
  double slow = Now() - start;

  bool equal = merged && plain && ::EqualRgn(merged.get(), plain.get());
  std::printf(
      "%-6s %6zu runs %6d rects  merged pairwise %9.2f ms  one union per run %9.2f ms"
      "  ratio %7.1f x  regions %s\n",
      name, runs, fw::RegionRectCount(merged.get()), fast * 1e3, slow * 1e3, slow / fast,
      equal ? "equal" : "DIFFER");
  return equal;
}

}  // namespace

int main() {
  std::printf("Region of a %d x %d picture, best of 5 (pairwise) against one run (plain)\n", kWidth,
              kHeight);
  bool ok = Compare("disc", Disc());
  ok = Compare("noise", Noise()) && ok;
  return ok ? 0 : 1;
}

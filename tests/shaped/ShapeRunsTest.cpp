// The pure parts: runs of visible pixels, and where an image draws its picture.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "framework/ImageLayout.h"
#include "widgets/BMShapedFormRuns.h"

using widgets::shape::ExtractRuns;
using widgets::shape::PixelRun;

namespace {

constexpr uint32_t K = 0x00FF00FF;  // the key colour when it fills the bottom-left pixel
constexpr uint32_t A = 0x00123456;
constexpr uint32_t B = 0x00654321;

std::string Show(const std::vector<PixelRun>& runs) {
  std::ostringstream s;
  for (const PixelRun& r : runs) s << "(" << r.X1 << "," << r.X2 << "," << r.Y << ")";
  return s.str();
}

}  // namespace

TEST(ShapeRuns, Table) {
  struct Row {
    const char* what;
    int width;
    int height;
    std::vector<uint32_t> pixels;
    std::vector<PixelRun> want;
  };
  const Row rows[] = {
      {"top row ends in two holes: empty run at its last column",
       3,
       2,
       {A, K, K,  //
        K, A, A},
       {{0, 0, 0}, {2, 1, 0}, {1, 2, 1}}},
      {"a run reaches the last pixel, a hole: no empty run",
       3,
       2,
       {K, A, K,  //
        K, A, A},
       {{1, 1, 0}, {1, 2, 1}}},
      {"all holes: one empty run per row", 2, 2, {K, K, K, K}, {{1, 0, 0}, {1, 0, 1}}},
      {"only the top byte differs: still a hole",
       2,
       2,
       {K | 0xFF000000u, A, K, K},
       {{1, 1, 0}, {1, 0, 1}}},
      {"a row ending in a run; colours differ but none is the key",
       4,
       2,
       {K, A, B, A,  //
        K, K, K, B},
       {{1, 3, 0}, {3, 3, 1}}},
      {"runs split by holes", 5, 1, {K, A, K, A, A}, {{1, 1, 0}, {3, 4, 0}}},
      {"one pixel: itself the key", 1, 1, {A}, {{0, -1, 0}}},
      {"the key comes from the bottom row, not the top",
       2,
       2,
       {A, A,  //
        A, K},
       {{1, 0, 0}, {1, 1, 1}}},
      {"zero width", 0, 3, {}, {}},
      {"zero height", 3, 0, {}, {}},
      {"fewer pixels than the size says", 2, 2, {K, K, K}, {}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(Show(ExtractRuns(r.pixels, r.width, r.height)), Show(r.want)) << r.what;
  }
}

TEST(ImageLayout, DestRect) {
  struct Row {
    int pw, ph, cw, ch;
    fw::ImagePlacement how;
    fw::TRect want;
  };
  const fw::ImagePlacement plain{}, stretch{true, false, false}, center{false, false, true},
      prop{false, true, false}, prop_stretch{true, true, false}, all{true, true, true},
      prop_center{false, true, true};
  const Row rows[] = {
      {40, 20, 100, 100, plain, {0, 0, 40, 20}},
      {40, 20, 100, 100, stretch, {0, 0, 100, 100}},
      {40, 20, 100, 100, center, {30, 40, 70, 60}},
      {40, 20, 100, 100, prop, {0, 0, 40, 20}},           // fits: not enlarged
      {40, 20, 100, 100, prop_stretch, {0, 0, 100, 50}},  // wide: full width
      {40, 20, 100, 100, all, {0, 25, 100, 75}},
      {300, 100, 100, 100, prop, {0, 0, 100, 33}},  // too big: shrunk, rounded down
      {300, 100, 100, 100, prop_center, {0, 33, 100, 66}},
      {300, 100, 100, 100, plain, {0, 0, 300, 100}},  // too big, no scaling: overhangs
      {300, 100, 100, 100, center, {-100, 0, 200, 100}},
      {0, 0, 100, 100, prop_stretch, {0, 0, 100, 100}},  // no picture
  };
  for (const Row& r : rows) {
    EXPECT_EQ(fw::ImageDestRect(r.pw, r.ph, r.cw, r.ch, r.how), r.want)
        << r.pw << "x" << r.ph << " in " << r.cw << "x" << r.ch << " stretch " << r.how.Stretch
        << " proportional " << r.how.Proportional << " center " << r.how.Center;
  }
}

#include <gtest/gtest.h>

#include "framework/FocusCue.h"
#include "widgets/ZupButtLayout.h"

namespace {

using widgets::CaptionPoint;
using widgets::CaptionPosition;
using widgets::size;

TEST(ZupButtLayout, WidthsBySize) {
  EXPECT_EQ(widgets::ZupButtWidth(size::Small), 39);
  EXPECT_EQ(widgets::ZupButtWidth(size::Medium), 59);
  EXPECT_EQ(widgets::ZupButtWidth(size::Big), 118);
  EXPECT_EQ(widgets::ZupButtWidth(size::Grey), 135);
}

TEST(ZupButtLayout, CaptionIsCentredRoundedDownThenNudgedBySize) {
  struct Row {
    size s;
    int width, length, char_width;
    CaptionPoint want;
  };
  const Row rows[] = {
      {size::Small, 39, 3, 7, {9, 6}},    // (39 - 21) / 2
      {size::Small, 39, 3, 6, {10, 6}},   // 10.5 rounds down
      {size::Medium, 59, 3, 7, {23, 6}},  // 19 + 4
      {size::Big, 118, 10, 7, {31, 6}},   // 24 + 7
      {size::Grey, 135, 10, 7, {39, 1}},  // 32 + 7, raised to the top
      {size::Grey, 135, 9, 7, {43, 1}},   // 36 + 7
      {size::Small, 39, 0, 7, {19, 6}},   // no caption: the middle
      {size::Small, 39, 13, 3, {0, 6}},   // exactly as wide as the button
      {size::Grey, 135, 0, 0, {74, 1}},   // no width measured
  };
  for (const Row& r : rows) {
    EXPECT_EQ(CaptionPosition(r.s, r.width, r.length, r.char_width), r.want)
        << static_cast<int>(r.s) << " w" << r.width << " n" << r.length << " cw" << r.char_width;
  }
}

TEST(ZupButtLayout, CaptionWiderThanTheButtonStartsAtItsLeftEdge) {
  EXPECT_EQ(CaptionPosition(size::Small, 39, 6, 7), (CaptionPoint{0, 6}));
  EXPECT_EQ(CaptionPosition(size::Grey, 135, 255, 7), (CaptionPoint{7, 1}));
  EXPECT_EQ(CaptionPosition(size::Big, 118, 40, 7), (CaptionPoint{7, 6}));
}

TEST(ZupButtLayout, SizeCaptionAndFocusFrameFollowTheDisplayScale) {
  struct Row {
    int dpi;
    size s;
    fw::TPoint size_at;
    CaptionPoint caption;  // for 3 characters 7 pixels wide at the scale
    fw::TRect cue;
  };
  const Row rows[] = {
      {96, size::Grey, {135, 22}, {64, 1}, {1, 1, 134, 16}},
      {96, size::Small, {39, 22}, {9, 6}, {3, 3, 36, 19}},
      {120, size::Grey, {169, 28}, {83, 1}, {1, 1, 168, 20}},
      {144, size::Grey, {203, 33}, {102, 2}, {2, 2, 201, 24}},
      {144, size::Medium, {89, 33}, {40, 9}, {5, 5, 84, 28}},
      {192, size::Grey, {270, 44}, {138, 2}, {2, 2, 268, 32}},
      {192, size::Big, {236, 44}, {121, 12}, {6, 6, 230, 38}},
  };
  for (const Row& r : rows) {
    const fw::DpiScale scale(r.dpi);
    const fw::TPoint at = widgets::ZupButtSize(r.s, scale);
    EXPECT_EQ(at, r.size_at) << r.dpi << " dpi, size " << static_cast<int>(r.s);
    EXPECT_EQ(CaptionPosition(r.s, at.X, 3, 7, scale), r.caption) << r.dpi;
    const fw::TRect cue = widgets::FocusCueRect(r.s, scale);
    EXPECT_EQ(cue, r.cue) << r.dpi << " dpi, size " << static_cast<int>(r.s);
    // The frame stays on the key's picture, which fills the button's width.
    EXPECT_GT(cue.Left, 0);
    EXPECT_LT(cue.Right, at.X);
    EXPECT_LT(cue.Bottom, at.Y);
  }
}

TEST(ZupButtFont, TenthsOfAPointToPixelsAreCutTowardZero) {
  struct Row {
    int width_tenths, height_tenths;
    float res_x, res_y;
    widgets::FontPoint want;
  };
  const Row rows[] = {
      {80, 80, 96, 96, {106, 106}},    // 106.67
      {80, 80, 120, 120, {133, 133}},  // 133.33
      {80, 80, 72, 72, {80, 80}},
      {90, 90, 96, 96, {120, 120}},  // a whole multiple of 72 stays whole
      {0, 80, 96, 96, {0, 106}},
      {-80, -80, 96, 96, {-106, -106}},  // toward zero, not down
      {80, 80, 95.9056f, 96, {106, 106}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(widgets::FontPointFromTenths(r.width_tenths, r.height_tenths, r.res_x, r.res_y),
              r.want)
        << r.width_tenths << "/" << r.height_tenths << " at " << r.res_x;
  }
}

TEST(ZupButtFont, HeightAndWidthFromThePoint) {
  EXPECT_EQ(widgets::FontHeightFromPoint(106), -11);  // 8 points at 96 per inch
  EXPECT_EQ(widgets::FontHeightFromPoint(133), -13);
  EXPECT_EQ(widgets::FontHeightFromPoint(80), -8);    // 8.5 is cut to 8
  EXPECT_EQ(widgets::FontHeightFromPoint(105), -11);  // 11.0
  EXPECT_EQ(widgets::FontHeightFromPoint(104), -10);  // 10.9
  EXPECT_EQ(widgets::FontHeightFromPoint(-106), -11);
  EXPECT_EQ(widgets::FontHeightFromPoint(0), 0);

  EXPECT_EQ(widgets::FontWidthFromAverage(6, 106, 106), 6);
  EXPECT_EQ(widgets::FontWidthFromAverage(5, 133, 106), 6);  // 6.27
  EXPECT_EQ(widgets::FontWidthFromAverage(7, 100, 106), 7);  // 6.60
  EXPECT_EQ(widgets::FontWidthFromAverage(3, 53, 106), 2);   // 1.5 + 0.5 = 2
  EXPECT_EQ(widgets::FontWidthFromAverage(6, -106, 106), 6);
  EXPECT_EQ(widgets::FontWidthFromAverage(6, 106, 0), 0);  // no height: system's width
}

TEST(ZupButtFont, ResolutionFromTheDisplaySize) {
  EXPECT_FLOAT_EQ(widgets::ResolutionFromSize(1280, 339), 25.4f * 1280 / 339);
  EXPECT_EQ(widgets::ResolutionFromSize(1280, 0), 0.0f);
}

}  // namespace

// The dotted frame: every other pixel of the outline, corners included once.
TEST(FocusCue, DotsRunRoundTheOutlineInTheCheckerPattern) {
  using fw::TPoint;
  EXPECT_EQ(fw::FocusCueDots({0, 0, 5, 3}),
            (std::vector<TPoint>{{0, 0}, {2, 0}, {4, 0}, {0, 2}, {2, 2}, {4, 2}}));
  EXPECT_EQ(fw::FocusCueDots({1, 1, 3, 5}), (std::vector<TPoint>{{1, 1}, {2, 4}, {2, 2}, {1, 3}}));
  EXPECT_TRUE(fw::FocusCueDots({3, 3, 3, 9}).empty());
}

// A dot never lands where the picture is not drawn, nor takes the colour left out.
TEST(FocusCue, ADotInvertsThePixelUnlessThatWouldShowOutsideThePicture) {
  struct Row {
    uint32_t pixel, transparent;
    std::optional<uint32_t> dot;
  };
  const Row rows[] = {
      {0x787878, 0xFFFFFF, 0x878787},      // grey key, white left out
      {0xFFFFFF, 0xFFFFFF, std::nullopt},  // the grey key's rows below the picture
      {0x000000, 0xFFFFFF, std::nullopt},  // black would turn into the left-out white
      {0x000000, 0x000000, std::nullopt},  // the rounded keys' surround
      {0xFFFFFF, 0x000000, std::nullopt},  // a white caption pixel would become a hole
      {0xE84810, 0x000000, 0x17B7EF},      // blue key
      {0x12345678, 0xFF000000, 0xCBA987},  // the byte above the colour is not part of it
  };
  for (const Row& r : rows)
    EXPECT_EQ(fw::FocusCueColour(r.pixel, r.transparent), r.dot) << std::hex << r.pixel;
}

// The push button's colour, placement and glyph-byte arithmetic, without a window.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "widgets/FreeButtonGlyph.h"
#include "widgets/FreeButtonLayout.h"

namespace {

using fw::RGBColor;
using fw::TColor;
using fw::TPoint;
using namespace widgets;

TEST(FreeButtonColors, ShadesLookupsPresetsAndCutting) {
  struct Shade {
    TColor in;
    int amount;
    bool lighten;
    TColor want;
  };
  for (Shade r : {Shade{RGBColor(71, 83, 129), 40, true, RGBColor(111, 123, 169)},
                  {RGBColor(64, 64, 64), 100, false, RGBColor(0, 0, 0)},
                  {RGBColor(250, 10, 128), 20, true, RGBColor(255, 30, 148)},
                  {TColor(0xFF00000F), 0, true, RGBColor(15, 0, 0)},  // high byte dropped
                  {RGBColor(1, 2, 3), INT_MAX, true, fw::clWhite},
                  {RGBColor(254, 2, 3), INT_MAX, false, fw::clBlack}})
    EXPECT_EQ(GetNewColor(r.in, r.amount, r.lighten), r.want) << r.in.Value();

  // Index n answers blue n, with garbage in the high byte.
  auto lookup = [](int index) -> std::uint32_t { return 0xAB000000u | (index << 16); };
  EXPECT_EQ(GetColor(TColor(0xFF00000F), lookup), RGBColor(0, 0, 15));
  EXPECT_EQ(GetColor(TColor(0xFF000018), lookup), RGBColor(0, 0, 24));
  EXPECT_EQ(GetColor(TColor(0xFF000019), lookup), TColor(0xFF000019));
  EXPECT_EQ(GetColor(fw::clNone, lookup), fw::clNone);

  const std::uint32_t presets[] = {3097935, 4290439, 37064,    3956766, 6330416, 9358427,
                                   5195055, 7299138, 10322014, 6302750, 9982000, 13401691,
                                   5189445, 7291488, 10313353, 3939936, 6303896, 9329612};
  for (int i = 0; i < 18; ++i) EXPECT_EQ(GetCustomColor(TCustomColor(i))->Value(), presets[i]);
  EXPECT_FALSE(GetCustomColor(ccNone));
  EXPECT_EQ(freebutton::BaseColor(fw::clRed, TCustomColor(40)), fw::clRed);

  EXPECT_EQ(RoundNumber(3.7), 3);
  EXPECT_EQ(RoundNumber(-3.7), -3);
  EXPECT_EQ(RoundNumber(std::nan("")), 0);
  EXPECT_EQ(RoundNumber(-1e300), INT64_MIN);
}

TEST(FreeButtonLayout, CaptionAndGlyphPlacesOnAFace) {
  struct Row {
    int place, w, h, item_w, item_h;
    TPoint text, glyph;
  };
  // The new button's face is 79 x 27.
  for (Row r : {Row{tpMiddleLeft, 79, 27, 30, 16, {4, 5}, {4, 5}},
                {tpBottomLeft, 79, 27, 30, 16, {4, 3}, {4, 3}},
                {tpTopCenter, 79, 27, 30, 16, {22, 4}, {24, 4}},
                {tpMiddleBottom, 79, 27, 30, 13, {22, 6}, {24, 6}},
                {tpMiddleRight, 79, 27, 30, 15, {41, 6}, {41, 6}},
                // Wider than the face: negative, cut toward zero (not down).
                {tpMiddleCenter, 79, 27, 100, 40, {-12, -6}, {-10, -6}},
                {tpMiddleCenter, 55, 23, 0, 0, {25, 11}, {27, 11}}}) {
    EXPECT_EQ(GetTextPosition(TTextPosition(r.place), r.w, r.h, r.item_w, r.item_h), r.text)
        << r.place;
    EXPECT_EQ(GetGlyphPosition(TGlyphPosition(r.place), r.w, r.h, r.item_w, r.item_h), r.glyph)
        << r.place;
  }
  auto lamp = freebutton::LampTriangle(79, 27, 8);
  EXPECT_EQ(lamp[1], (TPoint{71, 11}));
  EXPECT_EQ(lamp[2], (TPoint{63, 19}));
}

TEST(FreeButtonPlaces, MarginsLampAndFaceFollowTheDisplayScale) {
  const fw::DpiScale twice(192), half_again(144);
  // The new button's face at 200 %: 158 x 54, a caption 60 x 32.
  EXPECT_EQ(GetTextPosition(tpMiddleLeft, 158, 54, 60, 32, twice), (TPoint{8, 11}));
  EXPECT_EQ(GetTextPosition(tpTopCenter, 158, 54, 60, 32, twice), (TPoint{45, 8}));
  EXPECT_EQ(GetGlyphPosition(TGlyphPosition(tpTopCenter), 158, 54, 60, 32, twice), (TPoint{49, 8}));
  EXPECT_EQ(GetTextPosition(tpMiddleRight, 158, 54, 60, 32, twice), (TPoint{82, 11}));
  EXPECT_EQ(GetTextPosition(tpBottomLeft, 158, 54, 60, 32, twice), (TPoint{8, 6}));
  const auto lamp = freebutton::LampTriangle(158, 54, 8, twice);
  EXPECT_EQ(lamp[0], (TPoint{142, 38}));
  EXPECT_EQ(lamp[1], (TPoint{142, 22}));
  EXPECT_EQ(lamp[2], (TPoint{126, 38}));
  EXPECT_EQ(freebutton::FaceOrigin(false, half_again), (TPoint{3, 3}));
  EXPECT_EQ(freebutton::FaceOrigin(true, half_again), (TPoint{5, 5}));
  EXPECT_EQ(freebutton::FaceOrigin(true, twice), (TPoint{6, 6}));
  EXPECT_EQ(freebutton::FaceOrigin(true, fw::DpiScale()), (TPoint{3, 3}));
}

TEST(FreeButtonGlyphBytes, OnlyWholeUncompressedPicturesAreRead) {
  const std::string good = freebutton::BmpHeader(5, 3) + std::string(16 * 3, '\0');
  auto with = [&](size_t at, std::string patch) {
    return std::string(good).replace(at, patch.size(), patch);
  };
  auto l = freebutton::ReadBmpLayout(with(22, std::string("\xfd\xff\xff\xff", 4)));  // -3 rows
  ASSERT_TRUE(l);
  EXPECT_EQ((std::tuple{l->Width, l->Height, l->Stride, l->BitsOffset, l->BottomUp}),
            (std::tuple{5, 3, size_t{16}, size_t{54}, false}));
  for (const std::string& bad :
       {good.substr(0, good.size() - 1),                  // a row cut short
        with(0, "MB"),                                    // not a BMP
        with(10, std::string("\xff\xff\0\0", 4)),         // pixels beyond the end
        with(28, std::string("\x08\0", 2)),               // 8 bits per pixel
        with(18, std::string("\x01\x10\0\0", 4)),         // 4097 wide
        with(14, std::string("\xff\xff\xff\xff", 4))}) {  // header larger than the data
    EXPECT_FALSE(freebutton::ReadBmpLayout(bad));
  }
}

}  // namespace

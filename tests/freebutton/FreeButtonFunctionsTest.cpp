// The push button's colour and placement arithmetic, without a window.
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

TEST(FreeButtonColors, NewColorShiftsEachChannelAndClamps) {
  struct Row {
    TColor in;
    int amount;
    bool lighten;
    TColor want;
  };
  for (Row r : {Row{RGBColor(71, 83, 129), 40, true, RGBColor(111, 123, 169)},
                {RGBColor(64, 64, 64), 100, false, RGBColor(0, 0, 0)},
                {RGBColor(250, 10, 128), 20, true, RGBColor(255, 30, 148)},
                {RGBColor(64, 64, 64), 50, false, RGBColor(14, 14, 14)},
                {TColor(0xFF00000F), 0, true, RGBColor(15, 0, 0)},  // high byte dropped
                {RGBColor(1, 2, 3), INT_MAX, true, fw::clWhite},
                {RGBColor(254, 2, 3), INT_MAX, false, fw::clBlack}}) {
    EXPECT_EQ(GetNewColor(r.in, r.amount, r.lighten), r.want) << r.in.Value();
  }
}

TEST(FreeButtonColors, OnlySystemIndicesUpToTwentyFourAreLookedUp) {
  // A lookup that answers index n with blue n and garbage in the high byte.
  auto lookup = [](int index) -> std::uint32_t { return 0xAB000000u | (index << 16); };
  EXPECT_EQ(GetColor(TColor(0xFF00000F), lookup), RGBColor(0, 0, 15));
  EXPECT_EQ(GetColor(TColor(0xFF000000), lookup), RGBColor(0, 0, 0));
  EXPECT_EQ(GetColor(TColor(0xFF000018), lookup), RGBColor(0, 0, 24));
  EXPECT_EQ(GetColor(TColor(0xFF000019), lookup), TColor(0xFF000019));
  EXPECT_EQ(GetColor(fw::clNone, lookup), fw::clNone);
  EXPECT_EQ(GetColor(RGBColor(1, 2, 3), lookup), RGBColor(1, 2, 3));
}

TEST(FreeButtonColors, PresetsAndTheFaceShades) {
  const std::uint32_t want[] = {3097935, 4290439, 37064,    3956766, 6330416, 9358427,
                                5195055, 7299138, 10322014, 6302750, 9982000, 13401691,
                                5189445, 7291488, 10313353, 3939936, 6303896, 9329612};
  for (int i = 0; i < 18; ++i) EXPECT_EQ(GetCustomColor(TCustomColor(i))->Value(), want[i]) << i;
  EXPECT_FALSE(GetCustomColor(ccNone));
  EXPECT_FALSE(GetCustomColor(TCustomColor(19)));
  EXPECT_EQ(freebutton::BaseColor(fw::clRed, TCustomColor(40)), fw::clRed);
  EXPECT_EQ(freebutton::BaseColor(fw::clRed, ccRose), RGBColor(204, 91, 142));

  const TColor b = RGBColor(71, 83, 129);
  EXPECT_EQ(freebutton::FaceColorsFor(b, false),
            (freebutton::FaceColors{RGBColor(111, 123, 169), RGBColor(31, 43, 89), b,
                                    RGBColor(101, 113, 159), RGBColor(41, 53, 99)}));
  EXPECT_EQ(
      freebutton::FaceColorsFor(b, true),
      (freebutton::FaceColors{RGBColor(126, 138, 184), RGBColor(76, 88, 134), RGBColor(86, 98, 144),
                              RGBColor(66, 78, 124), RGBColor(116, 128, 174)}));
}

TEST(FreeButtonColors, RoundNumberCutsTowardZero) {
  EXPECT_EQ(RoundNumber(3.7), 3);
  EXPECT_EQ(RoundNumber(-3.7), -3);
  EXPECT_EQ(RoundNumber(-12.5), -12);
  EXPECT_EQ(RoundNumber(std::nan("")), 0);
  EXPECT_EQ(RoundNumber(1e300), INT64_MAX);
  EXPECT_EQ(RoundNumber(-1e300), INT64_MIN);
}

TEST(FreeButtonLayout, CaptionAndGlyphPlacesOnAFace) {
  struct Row {
    int place, w, h, item_w, item_h;
    TPoint text, glyph;
  };
  // The new button's face is 79 x 27.
  for (Row r : {Row{tpTopLeft, 79, 27, 30, 16, {4, 4}, {4, 4}},
                {tpMiddleLeft, 79, 27, 30, 16, {4, 5}, {4, 5}},
                {tpBottomLeft, 79, 27, 30, 16, {4, 3}, {4, 3}},
                {tpTopCenter, 79, 27, 30, 16, {22, 4}, {24, 4}},
                {tpMiddleCenter, 79, 27, 16, 16, {29, 5}, {31, 5}},
                {tpMiddleBottom, 79, 27, 30, 13, {22, 6}, {24, 6}},
                {tpTopRight, 79, 27, 30, 16, {41, 4}, {41, 4}},
                {tpMiddleRight, 79, 27, 30, 15, {41, 6}, {41, 6}},
                {tpBottomRight, 79, 27, 30, 16, {41, 3}, {41, 3}},
                // Wider than the face: negative, cut toward zero (not down).
                {tpMiddleCenter, 79, 27, 100, 40, {-12, -6}, {-10, -6}},
                {tpMiddleCenter, 79, 27, 101, 16, {-13, 5}, {-11, 5}},
                // An empty glyph or caption measures 0 x 0.
                {tpMiddleCenter, 55, 23, 0, 0, {25, 11}, {27, 11}}}) {
    EXPECT_EQ(GetTextPosition(TTextPosition(r.place), r.w, r.h, r.item_w, r.item_h), r.text)
        << r.place << " " << r.item_w;
    EXPECT_EQ(GetGlyphPosition(TGlyphPosition(r.place), r.w, r.h, r.item_w, r.item_h), r.glyph)
        << r.place << " " << r.item_w;
  }
  auto lamp = freebutton::LampTriangle(79, 27, 8);
  EXPECT_EQ(lamp[0], (TPoint{71, 19}));
  EXPECT_EQ(lamp[1], (TPoint{71, 11}));
  EXPECT_EQ(lamp[2], (TPoint{63, 19}));
}

TEST(FreeButtonGlyphBytes, OnlyWholeUncompressedPicturesAreRead) {
  using widgets::freebutton::BmpHeader;
  using widgets::freebutton::ReadBmpLayout;
  const std::string good = BmpHeader(5, 3) + std::string(16 * 3, '\0');
  auto l = ReadBmpLayout(good);
  ASSERT_TRUE(l);
  EXPECT_EQ(l->Width, 5);
  EXPECT_EQ(l->Height, 3);
  EXPECT_EQ(l->Stride, 16u);
  EXPECT_EQ(l->BitsOffset, 54u);
  EXPECT_TRUE(l->BottomUp);

  auto with = [&](size_t at, std::string patch) {
    return std::string(good).replace(at, patch.size(), patch);
  };
  for (const std::string& bad :
       {good.substr(0, good.size() - 1),                  // a row cut short
        good.substr(0, 40),                               // no whole header
        with(0, "MB"),                                    // not a BMP
        with(10, std::string("\xff\xff\0\0", 4)),         // pixels beyond the end
        with(28, std::string("\x08\0", 2)),               // 8 bits per pixel
        with(30, std::string("\x01", 1)),                 // compressed
        with(18, std::string("\x01\x10\0\0", 4)),         // 4097 wide
        with(22, std::string("\0\0\0\0", 4)),             // no rows
        with(14, std::string("\xff\xff\xff\xff", 4))}) {  // header larger than the data
    EXPECT_FALSE(ReadBmpLayout(bad));
  }
  auto top_down = ReadBmpLayout(with(22, std::string("\xfd\xff\xff\xff", 4)));  // -3
  ASSERT_TRUE(top_down);
  EXPECT_FALSE(top_down->BottomUp);
  EXPECT_EQ(top_down->Height, 3);
}

}  // namespace

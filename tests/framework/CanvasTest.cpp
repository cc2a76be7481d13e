#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Canvas.h"
#include "framework/Module.h"
#include "framework/Render.h"

namespace {

using fw::clBlack;
using fw::clWhite;
using fw::RGBColor;
using fw::TBitmap;
using fw::TColor;

const TColor kRed = RGBColor(255, 0, 0);
const TColor kGreen = RGBColor(0, 255, 0);

TEST(Canvas, LinesLeaveOutTheirEndPoint) {
  TBitmap b(10, 10);
  fw::TCanvas& c = b.Canvas();
  c.Pen().SetColor(clBlack);
  c.MoveTo(1, 1);
  c.LineTo(6, 1);
  c.LineTo(6, 4);
  for (int x = 1; x <= 5; ++x) EXPECT_EQ(b.Pixel(x, 1), clBlack) << x;
  for (int y = 1; y <= 3; ++y) EXPECT_EQ(b.Pixel(6, y), clBlack) << y;
  EXPECT_EQ(b.Pixel(6, 4), clWhite);
  EXPECT_EQ(b.Pixel(0, 1), clWhite);
  EXPECT_EQ(c.PenPos(), (fw::TPoint{6, 4}));
}

TEST(Canvas, RectangleIsOutlinedAndFilledInsideItsRightAndBottomEdges) {
  TBitmap b(10, 10);
  fw::TCanvas& c = b.Canvas();
  c.Pen().SetColor(clBlack);
  c.Brush().SetColor(kRed);
  c.Rectangle(2, 2, 6, 5);
  EXPECT_EQ(b.Pixel(2, 2), clBlack);
  EXPECT_EQ(b.Pixel(5, 4), clBlack);
  EXPECT_EQ(b.Pixel(3, 3), kRed);
  EXPECT_EQ(b.Pixel(6, 3), clWhite);
  EXPECT_EQ(b.Pixel(3, 5), clWhite);

  // A clear pen fills the inside only; a clear brush leaves the inside alone.
  c.Pen().SetStyle(fw::TPenStyle::psClear);
  c.Brush().SetColor(kGreen);
  c.Rectangle(0, 6, 4, 9);
  EXPECT_EQ(b.Pixel(0, 6), kGreen);
  EXPECT_EQ(b.Pixel(2, 7), kGreen);
  EXPECT_EQ(b.Pixel(3, 8), clWhite);
  c.Pen().SetStyle(fw::TPenStyle::psSolid);
  c.Brush().SetStyle(fw::TBrushStyle::bsClear);
  c.Rectangle(2, 2, 6, 5);
  EXPECT_EQ(b.Pixel(3, 3), kRed);
}

TEST(Canvas, ShapesAreOutlinedWithThePenAndFilledWithTheBrush) {
  TBitmap b(20, 10);
  fw::TCanvas& c = b.Canvas();
  c.Pen().SetColor(clBlack);
  c.Brush().SetColor(kRed);
  c.Polygon({{1, 1}, {8, 1}, {8, 8}, {1, 8}});
  EXPECT_EQ(b.Pixel(1, 1), clBlack);
  EXPECT_EQ(b.Pixel(4, 4), kRed);
  c.Brush().SetColor(kGreen);
  c.RoundRect(10, 0, 20, 10, 4, 4);
  EXPECT_EQ(b.Pixel(15, 0), clBlack);
  EXPECT_EQ(b.Pixel(15, 5), kGreen);
  EXPECT_EQ(b.Pixel(10, 0), clWhite);  // the rounded corner
  c.Pen().SetColor(kRed);
  c.Polyline({{0, 9}, {5, 9}});
  EXPECT_EQ(b.Pixel(4, 9), kRed);
  EXPECT_EQ(b.Pixel(5, 9), clWhite);  // the last point is left out
}

TEST(Canvas, TextHasTheBrushBehindItUnlessTheBrushIsClear) {
  TBitmap b(40, 20);
  fw::TCanvas& c = b.Canvas();
  c.Font().SetColor(kGreen);
  c.Brush().SetColor(kRed);
  c.TextOut(0, 0, " ");
  EXPECT_EQ(b.Pixel(1, 1), kRed);
  EXPECT_GT(c.PenPos().X, 0);  // the pen moves on past the text
  c.Brush().SetStyle(fw::TBrushStyle::bsClear);
  c.TextOut(20, 0, " ");
  EXPECT_EQ(b.Pixel(21, 1), clWhite);
}

TEST(Canvas, SystemColoursAreLookedUpWhenDrawn) {
  TBitmap b(4, 4);
  b.Canvas().SetPixel(1, 1, fw::clBtnFace);
  EXPECT_EQ(b.Pixel(1, 1).Value(), ::GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
  EXPECT_EQ(fw::ColorToRGB(fw::clBtnShadow), ::GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
  EXPECT_EQ(fw::ColorToRGB(TColor(0x12345678)), 0x345678u);
}

TEST(Bitmap, NewPixelsAreWhiteAndResizingKeepsTheOverlap) {
  TBitmap b(3, 2);
  EXPECT_EQ(b.Pixel(2, 1), clWhite);
  b.Canvas().SetPixel(1, 1, kRed);
  b.SetSize(5, 4);
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(b.Height(), 4);
  EXPECT_EQ(b.Pixel(1, 1), kRed);
  EXPECT_EQ(b.Pixel(4, 3), clWhite);
  b.SetSize(0, 4);
  EXPECT_TRUE(b.Empty());
}

TEST(Bitmap, AutomaticTransparentColourIsTheBottomLeftPixelWhenDrawn) {
  // 3 x 2 source: top row (red, K, K), bottom row (K, red, red).
  TBitmap src(3, 2);
  TColor key = RGBColor(10, 20, 30);
  for (int x = 0; x < 3; ++x) {
    src.Canvas().SetPixel(x, 0, x == 0 ? kRed : key);
    src.Canvas().SetPixel(x, 1, x == 0 ? key : kRed);
  }
  src.SetTransparent(true);
  EXPECT_EQ(src.TransparentColor(), key);

  TBitmap dst(3, 2);
  dst.Canvas().Brush().SetColor(kGreen);
  dst.Canvas().FillRect({0, 0, 3, 2});
  dst.Canvas().Draw(0, 0, src);
  EXPECT_EQ(dst.Pixel(0, 0), kRed);
  EXPECT_EQ(dst.Pixel(1, 0), kGreen);
  EXPECT_EQ(dst.Pixel(0, 1), kGreen);
  EXPECT_EQ(dst.Pixel(2, 1), kRed);

  // The key follows the bottom-left pixel as it is at the moment of drawing.
  src.Canvas().SetPixel(0, 1, kRed);
  dst.Canvas().FillRect({0, 0, 3, 2});
  dst.Canvas().Draw(0, 0, src);
  EXPECT_EQ(dst.Pixel(0, 0), kGreen);
  EXPECT_EQ(dst.Pixel(1, 0), key);
  EXPECT_EQ(dst.Pixel(2, 1), kGreen);

  src.SetTransparentColor(kRed);  // fixed from now on
  EXPECT_EQ(src.TransparentMode(), fw::TTransparentMode::tmFixed);
  EXPECT_EQ(src.TransparentColor(), kRed);
}

TEST(Bitmap, StretchDrawScalesAndKeepsTheTransparentColourOut) {
  TBitmap src(2, 1);
  src.Canvas().SetPixel(0, 0, kRed);
  src.Canvas().SetPixel(1, 0, clBlack);
  TBitmap dst(4, 2);
  dst.Canvas().Brush().SetColor(kGreen);
  dst.Canvas().FillRect({0, 0, 4, 2});
  dst.Canvas().StretchDraw({0, 0, 4, 2}, src);
  EXPECT_EQ(dst.Pixel(1, 1), kRed);
  EXPECT_EQ(dst.Pixel(3, 1), clBlack);
  src.SetTransparent(true);
  src.SetTransparentColor(clBlack);
  dst.Canvas().FillRect({0, 0, 4, 2});
  dst.Canvas().StretchDraw({0, 0, 4, 2}, src);
  EXPECT_EQ(dst.Pixel(1, 1), kRed);
  EXPECT_EQ(dst.Pixel(3, 1), kGreen);
}

TEST(Bitmap, OpaqueDrawAndCopyRectUseTheCopyMode) {
  TBitmap src(2, 1);
  src.Canvas().SetPixel(0, 0, RGBColor(0xF0, 0x0F, 0xFF));
  src.Canvas().SetPixel(1, 0, clBlack);
  TBitmap dst(4, 1);
  dst.Canvas().Brush().SetColor(RGBColor(0x3C, 0xFF, 0x00));
  dst.Canvas().FillRect({0, 0, 4, 1});
  dst.Canvas().SetCopyMode(SRCAND);
  dst.Canvas().Draw(0, 0, src);
  EXPECT_EQ(dst.Pixel(0, 0), RGBColor(0x30, 0x0F, 0x00));
  EXPECT_EQ(dst.Pixel(1, 0), clBlack);
  dst.Canvas().SetCopyMode(SRCPAINT);
  dst.Canvas().CopyRect({2, 0, 3, 1}, src.Canvas(), {0, 0, 1, 1});
  EXPECT_EQ(dst.Pixel(2, 0), RGBColor(0xFC, 0xFF, 0xFF));
  EXPECT_EQ(dst.Pixel(3, 0), RGBColor(0x3C, 0xFF, 0x00));
}

TEST(Bitmap, MissingResourceLeavesAnEmptyPicture) {
  TBitmap b(4, 4);
  EXPECT_FALSE(b.LoadFromResourceName(fw::ModuleHandle(), L"NO_SUCH_PICTURE"));
  EXPECT_TRUE(b.Empty());
  TBitmap dst(2, 2);
  dst.Canvas().Draw(0, 0, b);  // drawing nothing is harmless
  EXPECT_EQ(dst.Pixel(0, 0), clWhite);
}

TEST(Bitmap, SavedFileIsA24BitBottomUpBmpOfTheSameSize) {
  TBitmap b(5, 3);
  b.Canvas().SetPixel(0, 0, RGBColor(1, 2, 3));
  b.Canvas().SetPixel(4, 2, RGBColor(4, 5, 6));
  char dir[MAX_PATH];
  ::GetTempPathA(MAX_PATH, dir);
  std::string path = std::string(dir) + "fw_save_test.bmp";
  ASSERT_TRUE(fw::SaveBitmapFile(b, path));
  std::ifstream in(path, std::ios::binary);
  std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
  in.close();
  std::remove(path.c_str());
  ASSERT_EQ(bytes.size(), 54u + 16u * 3u);  // rows of 15 bytes padded to 16
  auto u32 = [&](size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24;
  };
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(u32(18), 5u);
  EXPECT_EQ(u32(22), 3u);
  EXPECT_EQ(bytes[28], 24);
  // The last stored row is the top one: pixel (0, 0) as blue, green, red.
  EXPECT_EQ(bytes[54 + 32], 3);
  EXPECT_EQ(bytes[54 + 33], 2);
  EXPECT_EQ(bytes[54 + 34], 1);
  EXPECT_EQ(bytes[54 + 12], 6);  // pixel (4, 2) in the first stored row
  EXPECT_FALSE(fw::SaveBitmapFile(b, std::string(dir) + "no\\such\\folder\\x.bmp"));
}

}  // namespace

namespace {

// A 2 x 2 picture of four colours.
void FourColours(TBitmap& b) {
  b.SetSize(2, 2);
  b.Canvas().SetPixel(0, 0, kRed);
  b.Canvas().SetPixel(1, 0, kGreen);
  b.Canvas().SetPixel(0, 1, clBlack);
  b.Canvas().SetPixel(1, 1, clWhite);
}

TEST(ScalePicture, WholeFactorsRepeatPixelsOthersBlendMasksNeverDo) {
  const TColor four[] = {kRed, kGreen, clBlack, clWhite};
  auto is_one_of_four = [&](TColor c) {
    return std::find(std::begin(four), std::end(four), c) != std::end(four);
  };

  TBitmap same;
  FourColours(same);
  fw::ScalePicture(same, fw::DpiScale(96));
  EXPECT_EQ(same.Width(), 2);
  EXPECT_EQ(same.Pixel(1, 0), kGreen);

  // Twice the design DPI: each pixel becomes a 2 x 2 square of its own colour.
  TBitmap doubled;
  FourColours(doubled);
  fw::ScalePicture(doubled, fw::DpiScale(192));
  ASSERT_EQ(doubled.Width(), 4);
  ASSERT_EQ(doubled.Height(), 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x)
      EXPECT_EQ(doubled.Pixel(x, y), four[(y / 2) * 2 + x / 2]) << x << "," << y;
  }

  // 144 DPI: 3 x 3, with colours blended between the stored pixels.
  TBitmap smooth;
  FourColours(smooth);
  fw::ScalePicture(smooth, fw::DpiScale(144));
  ASSERT_EQ(smooth.Width(), 3);
  ASSERT_EQ(smooth.Height(), 3);
  int blended = 0;
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) blended += is_one_of_four(smooth.Pixel(x, y)) ? 0 : 1;
  }
  EXPECT_GT(blended, 0) << "between whole factors the picture is smoothed";

  // A mask keeps to its own colours at any scale.
  TBitmap mask;
  FourColours(mask);
  fw::ScalePicture(mask, fw::DpiScale(144), fw::TScaleFilter::kNearest);
  ASSERT_EQ(mask.Width(), 3);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) EXPECT_TRUE(is_one_of_four(mask.Pixel(x, y))) << x << "," << y;
  }
}

}  // namespace

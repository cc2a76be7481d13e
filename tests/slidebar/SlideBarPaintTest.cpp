// What the slider draws, pixel for pixel, and the pictures it draws with.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "framework/Module.h"
#include "tests/slidebar/SliderHost.h"

using namespace slidebar_test;

namespace {

constexpr fw::TColor kDark = fw::RGBColor(44, 44, 44);

struct Thumb {
  fw::TBitmap picture, mask;
  explicit Thumb(TThumbStyle style) {
    const auto info = slidebar::ThumbFor(style);
    picture.LoadFromResourceName(fw::ModuleHandle(),
                                 std::wstring(info->thumb.begin(), info->thumb.end()));
    mask.LoadFromResourceName(fw::ModuleHandle(),
                              std::wstring(info->mask.begin(), info->mask.end()));
  }
  bool Opaque(int x, int y) { return mask.Pixel(x, y) == fw::clBlack; }
};

// The colour a lowered trench without ticks gives (x, y), thumb aside.
fw::TColor TrenchPixel(const slidebar::Trench& t, int x, int y, fw::TColor fill) {
  if ((y == t.yt && x >= t.xl && x < t.xr) || (x == t.xl && y >= t.yt && y < t.yb)) return kDark;
  if ((y == t.yb && x >= t.xl && x <= t.xr) || (x == t.xr && y >= t.yt && y <= t.yb))
    return fw::clWhite;
  if (x > t.xl && x < t.xr && y > t.yt && y < t.yb) return fill;
  return kParentColor;
}

// Checks every pixel of a tick-less slider's picture: the thumb's opaque pixels where the
// thumb is expected, the trench and the parent's colour everywhere else.
void ExpectTickless(fw::TBitmap& pic, const slidebar::Trench& t, TThumbStyle style, int left,
                    int top, const char* what) {
  Thumb thumb(style);
  int wrong = 0;
  for (int y = 0; y < pic.Height(); ++y) {
    for (int x = 0; x < pic.Width(); ++x) {
      const int tx = x - left, ty = y - top;
      const bool on_thumb = tx >= 0 && ty >= 0 && tx < thumb.picture.Width() &&
                            ty < thumb.picture.Height() && thumb.Opaque(tx, ty);
      const fw::TColor want =
          on_thumb ? thumb.picture.Pixel(tx, ty) : TrenchPixel(t, x, y, fw::clSilver);
      if (pic.Pixel(x, y) != want && ++wrong <= 5) {
        ADD_FAILURE() << what << ": pixel (" << x << ", " << y << ") is " << std::hex
                      << pic.Pixel(x, y).Value() << ", expected " << want.Value();
      }
    }
  }
  EXPECT_EQ(wrong, 0) << what;
}

}  // namespace

TEST(SlideBarPictures, EveryThumbIsBlackOutsideItsMask) {
  const fw::TColor allowed[] = {fw::clBlack, fw::clGray, fw::clSilver, fw::clWhite};
  for (int s = 0; s < slidebar::kThumbStyleCount; ++s) {
    const auto info = *slidebar::ThumbFor(static_cast<TThumbStyle>(s));
    Thumb t(static_cast<TThumbStyle>(s));
    ASSERT_EQ(t.picture.Width(), info.width) << info.thumb;
    ASSERT_EQ(t.picture.Height(), info.height) << info.thumb;
    ASSERT_EQ(t.mask.Width(), info.width) << info.mask;
    ASSERT_EQ(t.mask.Height(), info.mask_height) << info.mask;
    int opaque = 0;
    for (int y = 0; y < info.height; ++y) {
      for (int x = 0; x < info.width; ++x) {
        const fw::TColor m = t.mask.Pixel(x, y), p = t.picture.Pixel(x, y);
        ASSERT_TRUE(m == fw::clBlack || m == fw::clWhite) << info.mask << " " << x << "," << y;
        ASSERT_NE(std::find(std::begin(allowed), std::end(allowed), p), std::end(allowed))
            << info.thumb << " " << x << "," << y;
        if (m == fw::clWhite) {
          EXPECT_EQ(p, fw::clBlack) << info.thumb << " " << x << "," << y;
        }
        opaque += m == fw::clBlack;
      }
    }
    EXPECT_GT(opaque, info.width * info.height / 3) << info.thumb;
  }
  // The settings window's diamond: 12 across, black outline, lit from above, silver inside.
  Thumb d(tsDiamond2);
  EXPECT_TRUE(d.Opaque(0, 5) && d.Opaque(11, 6) && d.Opaque(5, 0) && !d.Opaque(4, 0));
  EXPECT_EQ(d.picture.Pixel(0, 5), fw::clBlack);
  EXPECT_EQ(d.picture.Pixel(3, 3), fw::clWhite);
  EXPECT_EQ(d.picture.Pixel(8, 8), fw::clGray);
  EXPECT_EQ(d.picture.Pixel(5, 5), fw::clSilver);
}

TEST(SlideBarPictures, HandCursorIsMonochrome32With6_16HotSpot) {
  TSlideBar s(nullptr);
  ICONINFO info{};
  ASSERT_TRUE(::GetIconInfo(s.HandCursorHandle(), &info));
  fw::ScopedBitmap mask(info.hbmMask), color(info.hbmColor);
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 6u);
  EXPECT_EQ(info.yHotspot, 16u);
  EXPECT_FALSE(color);  // monochrome: AND and XOR halves in one mask
  BITMAP bm{};
  ASSERT_TRUE(::GetObjectW(mask.get(), sizeof(bm), &bm));
  EXPECT_EQ(bm.bmWidth, 32);
  EXPECT_EQ(bm.bmHeight, 64);
}

TEST(SlideBarPaint, NewSliderTrenchTicksAndThumb) {
  TSlideBar s(nullptr);
  auto pic = fw::RenderControl(s, kParentColor);
  ASSERT_EQ((std::pair{pic->Width(), pic->Height()}), (std::pair{15, 100}));
  EXPECT_EQ(s.ThumbRect(), (fw::TRect{2, 94, 12, 99}));
  // Trench corners xL 5, xR 8, yT 2, yB 97, above the thumb's rows 94 to 98.
  for (int y = 2; y <= 93; ++y) {
    EXPECT_EQ(pic->Pixel(5, y), kDark) << y;
    EXPECT_EQ(pic->Pixel(8, y), fw::clWhite) << y;
    if (y > 2) {
      EXPECT_EQ(pic->Pixel(7, y), fw::clSilver) << y;
    }
  }
  EXPECT_EQ(pic->Pixel(7, 2), kDark);
  // Ticks: 100 on row 2, 50 on row 49, none for the odd 51 on row 48.
  for (int x : {0, 2, 10, 13}) {
    EXPECT_EQ(pic->Pixel(x, 2), fw::clGray) << x;
    EXPECT_EQ(pic->Pixel(x, 49), fw::clGray) << x;
    EXPECT_EQ(pic->Pixel(x, 48), kParentColor) << x;
  }
  for (int x : {3, 4, 9, 14}) EXPECT_EQ(pic->Pixel(x, 49), kParentColor) << x;
  // The bar thumb at (2, 94), over everything under it.
  Thumb bar(tsBar3);
  for (int y = 0; y < 5; ++y) {
    for (int x = 0; x < 10; ++x) EXPECT_EQ(pic->Pixel(2 + x, 94 + y), bar.picture.Pixel(x, y));
  }

  s.SetPosition(100);  // up at the top, the bottom edge shows
  pic = fw::RenderControl(s, kParentColor);
  for (int x = 5; x <= 8; ++x) EXPECT_EQ(pic->Pixel(x, 97), fw::clWhite) << x;
  EXPECT_EQ(pic->Pixel(5, 98), kParentColor);
}

TEST(SlideBarPaint, GainSliderAtEveryPosition) {
  const slidebar::Trench trench{2, 7, 6, 87};
  for (auto [max, pos, top] :
       {std::tuple{3, 0, 81}, {3, 1, 54}, {3, 2, 27}, {3, 3, 0}, {4, 2, 41}, {4, 3, 20}}) {
    TSlideBar s(nullptr);
    MakeGain(s, max);
    s.SetPosition(pos);
    auto pic = fw::RenderControl(s, kParentColor);
    ASSERT_EQ(pic->Width(), 11);
    ASSERT_EQ(pic->Height(), 93);
    // The 12-pixel thumb overhangs the 11-pixel control by one column.
    EXPECT_EQ(s.ThumbRect(), (fw::TRect{0, top, 12, top + 12})) << max << "/" << pos;
    const std::string what = "max " + std::to_string(max) + " position " + std::to_string(pos);
    ExpectTickless(*pic, trench, tsDiamond2, 0, top, what.c_str());
  }
}

// The thumb's place and the pictures under it follow each write, not a later paint:
// a slider that is not shown has them already, and painting changes nothing.
TEST(SlideBarPaint, WritesPlaceTheThumbAndPaintingOnlyShowsIt) {
  TSlideBar s(nullptr);
  MakeGain(s, 3);
  s.SetPosition(2);
  EXPECT_EQ(s.ThumbRect(), (fw::TRect{0, 27, 12, 39}));
  s.SetMax(4);  // scale 20.25: position 2 now at 41
  EXPECT_EQ(s.ThumbRect(), (fw::TRect{0, 41, 12, 53}));
  s.SetColor(kParentColor);
  auto first = fw::RenderControl(s, kParentColor);
  auto second = fw::RenderControl(s, kParentColor);
  EXPECT_TRUE(SamePixels(*first, *second));
  EXPECT_EQ(s.ThumbRect(), (fw::TRect{0, 41, 12, 53}));
}

// A slider read from a layout gets its properties while loading and draws its
// trench only once loaded: it must then look, and hold its thumb, as one whose
// properties were written one by one.
TEST(SlideBarPaint, ASliderLoadedFromALayoutLooksAsOneWrittenPropertyByProperty) {
  TSlideBar written(nullptr);
  MakeGain(written, 4);
  written.SetPosition(3);
  TSlideBar loaded(nullptr);
  loaded.SetLoading(true);
  MakeGain(loaded, 4);
  loaded.SetPosition(3);
  loaded.Loaded();
  EXPECT_EQ(loaded.ThumbRect(), written.ThumbRect());
  auto want = fw::RenderControl(written, kParentColor);
  auto got = fw::RenderControl(loaded, kParentColor);
  EXPECT_TRUE(SamePixels(*want, *got));
}

TEST(SlideBarPaint, RaisedStyleAndHorizontalTicks) {
  TSlideBar s(nullptr);
  s.SetStyle(bsRaised);
  auto pic = fw::RenderControl(s, kParentColor);
  EXPECT_EQ(pic->Pixel(5, 50), fw::clWhite);  // left edge lit, right edge dark
  EXPECT_EQ(pic->Pixel(8, 50), kDark);

  s.SetStyle(bsLowered);
  s.SetOrientation(orHorizontal);  // 100 x 15, trench rows 5 to 8; 100 on column 96
  pic = fw::RenderControl(s, kParentColor);
  EXPECT_EQ(pic->Pixel(50, 5), kDark);
  EXPECT_EQ(pic->Pixel(50, 8), fw::clWhite);
  for (int y : {0, 2, 10, 13}) EXPECT_EQ(pic->Pixel(96, y), fw::clGray) << y;
  for (int y : {3, 14}) EXPECT_EQ(pic->Pixel(96, y), kParentColor) << y;
}

// A slider made in code tells where its thumb is before anything paints it, as the
// writers above do: a caller that lays something out beside the thumb, or a screen
// reader that asks for its place, must not get an empty rectangle.
TEST(SlideBarPaint, ANewSliderHasItsThumbPlaceBeforeAnyPaint) {
  TSlideBar s(nullptr);
  EXPECT_EQ(s.ThumbRect(), (fw::TRect{2, 94, 12, 99}));
  EXPECT_EQ(s.ThumbRect(), s.ThumbPlace());
  // Writes that do not repaint leave it where the constructor put it.
  s.SetHandCursor(true);
  s.SetStepLine(2);
  EXPECT_EQ(s.ThumbRect(), (fw::TRect{2, 94, 12, 99}));
}

// The settings window's layout gives Position before ThumbStyle: while it is read
// the default bar thumb, which the layout replaces, is not decoded.
TEST(SlideBarPaint, ReadingALayoutDoesNotDecodeTheDefaultThumb) {
  TSlideBar s(nullptr);
  s.SetLoading(true);
  s.SetBounds(0, 0, 11, 93);
  s.SetMax(3);
  s.SetMin(0);
  s.SetPosition(3);
  s.SetThickness(4);
  s.SetThumbStyle(tsDiamond2);
  // The one holder of the default thumb now is this test, unless the slider took it.
  const auto bar3 = fw::SharedResourcePicture(fw::ModuleHandle(), L"Bar3", s.Scale());
  EXPECT_EQ(bar3.use_count(), 1) << "the slider holds the default thumb";
  s.Loaded();
  EXPECT_EQ(s.ThumbRect(), (fw::TRect{0, 0, 12, 12}));
}

// The slider's gallery pictures: their sizes and where trench and thumb lie in them.
#include <gtest/gtest.h>

#include <map>

#include "tools/gallery/Gallery.h"
#include "widgets/SlideBar.h"

namespace {

constexpr fw::TColor kDark = fw::RGBColor(44, 44, 44);

std::map<std::string, std::unique_ptr<fw::TBitmap>> SliderPictures() {
  std::map<std::string, std::unique_ptr<fw::TBitmap>> out;
  for (const auto& c : gallery::Cases()) {
    if (c.FileName.rfind("slidebar-", 0) == 0) out[c.FileName] = c.Render();
  }
  return out;
}

// The first row of column x drawn in black: the top of a thumb's outline.
int FirstBlackRow(fw::TBitmap& pic, int x) {
  for (int y = 0; y < pic.Height(); ++y) {
    if (pic.Pixel(x, y) == fw::clBlack) return y;
  }
  return -1;
}

}  // namespace

TEST(SlideBarGallery, CasesHaveTheControlsSizeAndTheirNumbers) {
  auto pics = SliderPictures();
  ASSERT_EQ(pics.size(), 10u + 18u);
  for (auto& [name, pic] : pics) ASSERT_TRUE(pic && !pic->Empty()) << name;

  // A new slider: trench corners xL 5, xR 8, yT 2, yB 97, thumb at (2, 94).
  fw::TBitmap& fresh = *pics["slidebar-new.bmp"];
  EXPECT_EQ(fresh.Width(), 15);
  EXPECT_EQ(fresh.Height(), 100);
  EXPECT_EQ(fresh.Pixel(5, 2), kDark);
  EXPECT_EQ(fresh.Pixel(8, 2), fw::clWhite);
  EXPECT_EQ(fresh.Pixel(5, 93), kDark);
  EXPECT_EQ(fresh.Pixel(8, 93), fw::clWhite);
  EXPECT_EQ(fresh.Pixel(4, 50), fw::RGBColor(60, 60, 60));
  EXPECT_EQ(FirstBlackRow(fresh, 6), 94);
  EXPECT_EQ(fresh.Pixel(2, 96), fw::clBlack);  // the thumb's left outline
  EXPECT_NE(fresh.Pixel(1, 96), fw::clBlack);

  // The gain slider's thumb top at positions 0 to 3, and the IF slider's at 2 of 4.
  const std::pair<const char*, int> tops[] = {{"slidebar-gain-0.bmp", 81},
                                              {"slidebar-gain-1.bmp", 54},
                                              {"slidebar-gain-2.bmp", 27},
                                              {"slidebar-gain-3.bmp", 0},
                                              {"slidebar-if-2.bmp", 41}};
  for (auto [name, top] : tops) {
    fw::TBitmap& pic = *pics[name];
    EXPECT_EQ(pic.Width(), 11) << name;
    EXPECT_EQ(pic.Height(), 93) << name;
    EXPECT_EQ(FirstBlackRow(pic, 5), top) << name;
    EXPECT_EQ(pic.Pixel(5, top + 1), fw::clWhite) << name;
    EXPECT_EQ(pic.Pixel(0, top + 5), fw::clBlack) << name;  // left tip of the diamond
    // Trench corners xL 2, xR 7, yT 6, yB 87 where the thumb leaves them bare.
    if (top > 6) {
      EXPECT_EQ(pic.Pixel(2, 6), kDark) << name;
    }
    if (top + 12 < 87) {
      EXPECT_EQ(pic.Pixel(7, 87), fw::clWhite) << name;
    }
    EXPECT_EQ(pic.Pixel(4, top > 40 ? 20 : 70), fw::clSilver) << name;
  }

  // The flashing trench takes the ramp colour of the previous position.
  EXPECT_EQ(pics["slidebar-flash-0.bmp"]->Pixel(6, 30), fw::RGBColor(0, 255, 255));
  EXPECT_EQ(pics["slidebar-flash-1.bmp"]->Pixel(6, 30), fw::RGBColor(0, 255, 0));
  EXPECT_EQ(pics["slidebar-flash-2.bmp"]->Pixel(6, 30), fw::RGBColor(255, 255, 0));

  // Tall thumbs ride horizontal sliders, the others vertical ones.
  EXPECT_EQ(pics["slidebar-thumb-tsStdDown.bmp"]->Width(), 120);
  EXPECT_EQ(pics["slidebar-thumb-stStdLeftRight.bmp"]->Height(), 120);
}

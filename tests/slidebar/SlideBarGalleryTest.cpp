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
  ASSERT_EQ(pics.size(), 10u + 18u);  // every thumb style has a case
  for (auto& [name, pic] : pics) ASSERT_TRUE(pic && !pic->Empty()) << name;

  // A new slider: trench corners xL 5, xR 8, yT 2 (yB 97 lies under the thumb), thumb
  // outline from (2, 94).
  fw::TBitmap& fresh = *pics["slidebar-new.bmp"];
  EXPECT_EQ((std::pair{fresh.Width(), fresh.Height()}), (std::pair{15, 100}));
  EXPECT_EQ(fresh.Pixel(5, 2), kDark);
  EXPECT_EQ(fresh.Pixel(8, 2), fw::clWhite);
  EXPECT_EQ(FirstBlackRow(fresh, 6), 94);
  EXPECT_EQ(fresh.Pixel(2, 96), fw::clBlack);
  EXPECT_NE(fresh.Pixel(1, 96), fw::clBlack);

  // The gain slider's thumb top at positions 0 to 3, and the IF slider's at 2 of 4.
  for (auto [name, top] : {std::pair{"slidebar-gain-0.bmp", 81},
                           {"slidebar-gain-1.bmp", 54},
                           {"slidebar-gain-2.bmp", 27},
                           {"slidebar-gain-3.bmp", 0},
                           {"slidebar-if-2.bmp", 41}}) {
    fw::TBitmap& pic = *pics[name];
    EXPECT_EQ((std::pair{pic.Width(), pic.Height()}), (std::pair{11, 93})) << name;
    EXPECT_EQ(FirstBlackRow(pic, 5), top) << name;
    EXPECT_EQ(pic.Pixel(0, top + 5), fw::clBlack) << name;  // the diamond's left tip
  }
  EXPECT_EQ(pics["slidebar-flash-2.bmp"]->Pixel(6, 30), fw::RGBColor(255, 255, 0));
}

// The push button's gallery pictures: their sizes and the state each shows.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "tools/gallery/Gallery.h"

namespace {

using fw::RGBColor;

TEST(FreeButtonGallery, CasesHaveTheButtonsSizeAndState) {
  std::map<std::string, std::unique_ptr<fw::TBitmap>> pics;
  for (const auto& c : gallery::Cases()) {
    if (c.FileName.rfind("freebutton-", 0) == 0) pics[c.FileName] = c.Render();
  }
  ASSERT_EQ(pics.size(), 5u + 18u + 2u * 9u);  // every preset, glyph and caption place
  for (auto& [name, pic] : pics) ASSERT_TRUE(pic && !pic->Empty()) << name;
  for (auto [name, w, h] : {std::tuple{"freebutton-hide-up.bmp", 59, 27},
                            {"freebutton-hide-down.bmp", 59, 27},
                            {"freebutton-new.bmp", 83, 31},
                            {"freebutton-lamp-lit.bmp", 83, 31},
                            {"freebutton-ccRose.bmp", 120, 31}}) {
    ASSERT_TRUE(pics.count(name)) << name;
    EXPECT_EQ((std::pair{pics[name]->Width(), pics[name]->Height()}), (std::pair{w, h})) << name;
  }
  const fw::TColor back = RGBColor(64, 64, 64);
  EXPECT_EQ(pics["freebutton-hide-up.bmp"]->Pixel(57, 10), RGBColor(0, 0, 0));
  EXPECT_EQ(pics["freebutton-hide-down.bmp"]->Pixel(58, 10), back);
  EXPECT_EQ(pics["freebutton-hide-down.bmp"]->Pixel(30, 3), RGBColor(126, 138, 184));
  // The lamp's fill: a new button's lamp off, the clicked one's lit and up again.
  EXPECT_EQ(pics["freebutton-new.bmp"]->Pixel(71, 19), RGBColor(48, 48, 48));
  EXPECT_EQ(pics["freebutton-lamp-lit.bmp"]->Pixel(71, 19), RGBColor(88, 88, 88));
}

}  // namespace

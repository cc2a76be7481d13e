// The label's gallery pictures: every case is there, at the control's size.
#include <gtest/gtest.h>

#include <map>

#include "tools/gallery/Gallery.h"
#include "widgets/DRLabel.h"

TEST(DRLabelGallery, CasesHaveTheControlsSize) {
  std::map<std::string, std::unique_ptr<fw::TBitmap>> pics;
  for (const auto& c : gallery::Cases()) {
    if (c.FileName.rfind("drlabel-", 0) == 0) pics[c.FileName] = c.Render();
  }
  const std::pair<const char*, std::pair<int, int>> sizes[] = {
      {"drlabel-new.bmp", {60, 20}},           {"drlabel-deep2.bmp", {40, 20}},
      {"drlabel-disabled.bmp", {60, 20}},      {"drlabel-model.bmp", {346, 17}},
      {"drlabel-border-boNone.bmp", {60, 20}}, {"drlabel-border-boLowered.bmp", {60, 20}},
  };
  for (const auto& [name, size] : sizes) {
    ASSERT_TRUE(pics[name]) << name;
    EXPECT_EQ((std::pair{pics[name]->Width(), pics[name]->Height()}), size) << name;
  }
  EXPECT_EQ(pics.size(), 11u);  // with the flat, hidden, auto-sized and two more border cases

  // The raised frame of the new label, its unframed last column, and the hidden text.
  fw::TBitmap& fresh = *pics["drlabel-new.bmp"];
  EXPECT_EQ(fresh.Pixel(0, 0), fw::TColor(fw::ColorToRGB(fw::clBtnHighlight)));
  EXPECT_EQ(fresh.Pixel(58, 0), fw::TColor(fw::ColorToRGB(fw::clBtnShadow)));
  EXPECT_EQ(fresh.Pixel(59, 0), gallery::kParentColor);
  fw::TBitmap& hidden = *pics["drlabel-hidden.bmp"];
  EXPECT_EQ(hidden.Pixel(10, 10), gallery::kParentColor);
}

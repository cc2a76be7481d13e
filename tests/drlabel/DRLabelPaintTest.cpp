// The label's window-free rules that the drawn pictures do not show.
#include <gtest/gtest.h>

#include <string>

#include "widgets/DRLabelPaint.h"

using namespace widgets;
using namespace widgets::drlabel;
using fw::TRect;

TEST(DRLabelRules, FrameOfTinyLabelsStaysInside) {
  EXPECT_EQ(FrameRects(2, 2), (FramePixels{{}, {TRect{0, 0, 1, 1}, {0, 0, 1, 1}}}));
  EXPECT_EQ(FrameRects(1, 5), (FramePixels{{TRect{}, {0, 0, 1, 3}}, {}}));
  EXPECT_EQ(FrameRects(0, 0), FramePixels{});
}

TEST(DRLabelRules, TextFormatAndCaption) {
  EXPECT_EQ(TextFormat(HAlign::Left, true), 0x50u);
  EXPECT_EQ(TextFormat(HAlign::Center, true), 0x51u);
  EXPECT_EQ(TextFormat(HAlign::Right, false), 0x852u);
  EXPECT_EQ(DrawnCaption(std::string(300, 'x')).size(), 255u);
  EXPECT_EQ(DrawnCaption("Gain"), "Gain");
}

TEST(DRLabelRules, ChangingTheBlinkModeSavesOrRestoresTheColour) {
  const fw::TColor own = fw::clYellow, hidden = fw::clBlack, first = fw::clWindowText;
  struct Row {
    TDRBlink from, to;
    fw::TColor font, saved;
    BlinkColors want;
  };
  const Row rows[] = {
      {blNone, blBlink, own, first, {own, own}},
      {blNone, blHiLo, own, first, {own, own}},  // not the new label's colour
      {blBlink, blNone, hidden, own, {own, own}},
      {blHiLo, blNone, fw::clNavy, own, {own, own}},
      {blHiLo, blBlink, fw::clBlue, own, {own, own}},
      {blBlink, blHiLo, hidden, own, {own, own}},
      {blBlink, blBlink, hidden, own, {hidden, own}},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ChangeBlinkMode(r.from, r.to, r.font, r.saved), r.want) << +r.from << "->" << +r.to;
  }
}

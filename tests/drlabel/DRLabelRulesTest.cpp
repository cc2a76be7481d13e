// The label's rules that need no window: frame pixels, text format, drawn caption.
#include <gtest/gtest.h>

#include <string>

#include "widgets/DRLabelPaint.h"

using namespace widgets;
using fw::TRect;

TEST(DRLabelRules, TinyFramesTextFormatAndCaption) {
  EXPECT_EQ(drlabel::FrameRects(1, 5), (drlabel::FramePixels{{TRect{}, {0, 0, 1, 3}}, {}}));
  EXPECT_EQ(drlabel::TextFormat(drlabel::HAlign::Center, true), 0x51u);
  EXPECT_EQ(drlabel::TextFormat(drlabel::HAlign::Right, false), 0x852u);
  EXPECT_EQ(drlabel::DrawnCaption(std::string(300, 'x')).size(), 255u);
}

// The label's rules that need no window: frame pixels, text format, drawn caption.
#include <gtest/gtest.h>

#include <string>

#include "framework/TextFormat.h"
#include "widgets/DRLabelPaint.h"

using namespace widgets;
using fw::TRect;

TEST(DRLabelRules, TinyFramesTextFormatAndCaption) {
  EXPECT_EQ(drlabel::FrameRects(1, 5), (drlabel::FramePixels{{TRect{}, {0, 0, 1, 3}}, {}}));
  EXPECT_EQ(fw::LabelTextFormat(fw::TAlignment::taCenter, true, true), 0x51u);
  EXPECT_EQ(fw::LabelTextFormat(fw::TAlignment::taRightJustify, true, false), 0x852u);
  EXPECT_EQ(drlabel::DrawnCaption(std::string(300, 'x')).size(), 255u);
}

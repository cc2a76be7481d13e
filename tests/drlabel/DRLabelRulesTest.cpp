// The label's rules that need no window: frame pixels, text format, drawn caption.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "framework/TextFormat.h"
#include "framework/Utf8Cut.h"
#include "widgets/DRLabelPaint.h"

using namespace widgets;
using fw::TRect;

TEST(DRLabelRules, TinyFramesTextFormatAndCaption) {
  EXPECT_EQ(drlabel::FrameRects(1, 5), (drlabel::FramePixels{{TRect{}, {0, 0, 1, 3}}, {}}));
  EXPECT_EQ(fw::LabelTextFormat(fw::TAlignment::taCenter, true, true), 0x51u);
  EXPECT_EQ(fw::LabelTextFormat(fw::TAlignment::taRightJustify, true, false), 0x852u);
  EXPECT_EQ(drlabel::DrawnCaption(std::string(300, 'x')).size(), 255u);
}

// Cuts fall between whole characters; a character is every byte that does not continue
// one, so damaged text is still cut and counted.
TEST(DRLabelRules, CaptionsAreCutAndCountedByWholeCharacters) {
  struct Row {
    std::string_view text;
    std::size_t count;
    std::string_view first_two;
  };
  const Row rows[] = {
      {"", 0, ""},
      {"abc", 3, "ab"},
      {"Z\xC3\xA4h", 3, "Z\xC3\xA4"},  // two-byte character kept whole
      {"\xE5\x8F\x97\xE4\xBF\xA1!", 3, "\xE5\x8F\x97\xE4\xBF\xA1"},  // three-byte
      {"\xF0\x9F\x93\xBB\x61\x62", 3, "\xF0\x9F\x93\xBB\x61"},       // four-byte
      {"\x80\x41\x42", 2, "\x80\x41\x42"},  // a stray continuation stays with none
      {"\xC3", 1, "\xC3"},                  // cut short at the end
  };
  for (const Row& r : rows) {
    EXPECT_EQ(fw::Utf8CharacterCount(r.text), r.count) << r.text;
    EXPECT_EQ(fw::FirstCharacters(r.text, 2), r.first_two) << r.text;
  }
  std::string umlauts;
  for (int i = 0; i < 300; ++i) umlauts += "\xC3\xA4";
  EXPECT_EQ(drlabel::DrawnCaption(umlauts).size(), 510u) << "255 characters of two bytes";
}

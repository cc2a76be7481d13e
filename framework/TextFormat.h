// The text-drawing flags of a label's caption, as a function of its properties. It
// needs no window, so the rule is also tested natively.
#pragma once

#include <cstdint>

namespace fw {

enum class TAlignment : std::uint8_t { taLeftJustify, taRightJustify, taCenter };

// The platform's text-drawing flags that labels use (DT_LEFT and the rest).
inline constexpr unsigned kDtLeft = 0x0;
inline constexpr unsigned kDtCenter = 0x1;
inline constexpr unsigned kDtRight = 0x2;
inline constexpr unsigned kDtWordBreak = 0x10;
inline constexpr unsigned kDtExpandTabs = 0x40;
inline constexpr unsigned kDtNoPrefix = 0x800;

// A caption's format: aligned as asked, tabs expanded, from the top, broken into
// words at the right edge when `word_wrap`; "&" marks an underlined character unless
// accelerator characters are off.
constexpr unsigned LabelTextFormat(TAlignment align, bool word_wrap, bool show_accel_char) {
  unsigned flags = kDtExpandTabs;
  switch (align) {
    case TAlignment::taLeftJustify:
      flags |= kDtLeft;
      break;
    case TAlignment::taRightJustify:
      flags |= kDtRight;
      break;
    case TAlignment::taCenter:
      flags |= kDtCenter;
      break;
  }
  if (word_wrap) flags |= kDtWordBreak;
  if (!show_accel_char) flags |= kDtNoPrefix;
  return flags;
}

}  // namespace fw

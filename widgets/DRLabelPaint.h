// The three-dimensional label's rules as plain functions: which pixels its frame
// takes in which colour, the text format, what a paint draws in which colour, and
// how the font colour moves while the label blinks. No window is needed; the
// widget feeds these its state and draws what they return.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "framework/Color.h"
#include "framework/Geometry.h"
#include "framework/Utf8Cut.h"

namespace widgets {

// Stored as one byte each, so that a value outside the list can be held and refused.
enum TDRBorder : std::uint8_t { boNone = 0, boSingle = 1, boRaised = 2, boLowered = 3 };
enum TDRBlink : std::uint8_t { blNone = 0, blBlink = 1, blHiLo = 2 };

namespace drlabel {

// The longest part of a caption that is drawn.
inline constexpr std::size_t kMaxCaptionLength = 255;

constexpr bool IsBorder(TDRBorder b) {
  return b <= boLowered;
}
constexpr bool IsBlink(TDRBlink b) {
  return b <= blHiLo;
}
// The shadow lies one or two pixels right and down; nothing else is drawable.
constexpr bool IsDeep(int deep) {
  return deep == 1 || deep == 2;
}

struct FrameColors {
  fw::TColor TopLeft;
  fw::TColor BottomRight;
  friend constexpr bool operator==(const FrameColors&, const FrameColors&) = default;
};

// The frame's two colours for a border style; none for boNone or an unknown style.
constexpr std::optional<FrameColors> FrameColorsFor(TDRBorder b) {
  switch (b) {
    case boSingle:
      return FrameColors{fw::clWindowFrame, fw::clWindowFrame};
    case boRaised:
      return FrameColors{fw::clBtnHighlight, fw::clBtnShadow};
    case boLowered:
      return FrameColors{fw::clBtnShadow, fw::clBtnHighlight};
    default:
      return std::nullopt;
  }
}

// The pixels of the one-pixel frame of a w x h label, as rectangles to fill.
struct FramePixels {
  // The top row, then the left column.
  std::array<fw::TRect, 2> TopLeft;
  // The right column, then the bottom row. Drawn after TopLeft, so the corner at
  // the bottom left belongs to the bottom row.
  std::array<fw::TRect, 2> BottomRight;
  friend constexpr bool operator==(const FramePixels&, const FramePixels&) = default;
};

namespace detail {
constexpr int Clamp(int v, int lo, int hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}
// `r` cut to the w x h client area; an empty rectangle where nothing is left.
constexpr fw::TRect Clip(fw::TRect r, int w, int h) {
  r = {Clamp(r.Left, 0, w), Clamp(r.Top, 0, h), Clamp(r.Right, 0, w), Clamp(r.Bottom, 0, h)};
  return r.Empty() ? fw::TRect{} : r;
}
}  // namespace detail

// The frame's edges are columns 0 and w - 2 and rows 0 and h - 2: the last column
// and row stay unframed, so a frame drawn one pixel further in than the client
// rectangle keeps a label's right and bottom neighbours apart from it. The top
// row runs to x = w - 3 and the left column to y = h - 3; the right column and
// the bottom row take the corners they share with them.
constexpr FramePixels FrameRects(int w, int h) {
  using detail::Clip;
  return {{Clip({0, 0, w - 2, 1}, w, h), Clip({0, 0, 1, h - 2}, w, h)},
          {Clip({w - 2, 0, w - 1, h - 1}, w, h), Clip({0, h - 2, w - 1, h - 1}, w, h)}};
}

// The part of a caption that is drawn: its first 255 characters, cut between whole
// characters.
constexpr std::string_view DrawnCaption(std::string_view caption) {
  return fw::FirstCharacters(caption, kMaxCaptionLength);
}

// What a paint depends on.
struct LabelLook {
  int Width = 0;
  int Height = 0;
  bool Transparent = false;
  bool Enabled = true;
  bool Ctl3D = true;
  int Deep = 1;
  TDRBorder Border = boNone;
  fw::TColor Color;
  fw::TColor FontColor;
  fw::TColor ShadowColor;
};

// What a paint draws, in drawing order: background, frame, shadow, text.
struct PaintPlan {
  // The fill of the whole client area; none for a transparent label.
  std::optional<fw::TColor> Background;
  std::optional<FrameColors> Frame;
  FramePixels FrameAt;
  // Where the shadow copy of the text is drawn, in ShadowColor; none: no shadow.
  std::optional<fw::TRect> Shadow;
  fw::TColor ShadowColor;
  // Where the text itself is drawn, in TextColor; none: no text.
  std::optional<fw::TRect> Text;
  fw::TColor TextColor;
};

// A font colour equal to the background colour draws neither shadow nor text:
// that is how a blinking label hides its text. The colours are compared as
// stored, system colours unresolved. A disabled label keeps its shadow and draws
// its text in clGrayText.
constexpr PaintPlan PlanPaint(const LabelLook& s) {
  PaintPlan p;
  if (!s.Transparent) p.Background = s.Color;
  p.Frame = FrameColorsFor(s.Border);
  if (p.Frame) p.FrameAt = FrameRects(s.Width, s.Height);
  const bool visible = s.FontColor != s.Color;
  p.ShadowColor = s.ShadowColor;
  if (s.Ctl3D && visible) {
    p.Shadow = fw::TRect{s.Deep, s.Deep, s.Width + s.Deep, s.Height + s.Deep};
  }
  p.TextColor = s.Enabled ? s.FontColor : fw::clGrayText;
  if (visible) p.Text = fw::TRect{0, 0, s.Width, s.Height};
  return p;
}

// The font colour after one blink tick. blBlink alternates between the saved
// colour and the background colour (hidden); blHiLo between HiColor and LoColor,
// starting with HiColor from any other colour. blNone keeps the colour.
constexpr fw::TColor NextBlinkColor(TDRBlink mode, fw::TColor font, fw::TColor background,
                                    fw::TColor hi, fw::TColor lo, fw::TColor saved) {
  switch (mode) {
    case blHiLo:
      return font == hi ? lo : hi;
    case blBlink:
      return font == background ? saved : background;
    default:
      return font;
  }
}

struct BlinkColors {
  fw::TColor Font;
  fw::TColor Saved;
  friend constexpr bool operator==(const BlinkColors&, const BlinkColors&) = default;
};

// The font colour and the saved colour after the blink mode changes from `from`
// to `to`. Starting to blink saves the font colour, and so does passing from
// alternating colours to blinking, which then blinks in the colour the label has
// now; every other change puts the saved colour back first, so that a label
// returns to blNone in the colour it had before it blinked, whatever phase it was in.
constexpr BlinkColors ChangeBlinkMode(TDRBlink from, TDRBlink to, fw::TColor font,
                                      fw::TColor saved) {
  if (from == to) return {font, saved};
  if (from == blNone || (from == blHiLo && to == blBlink)) return {font, font};
  return {saved, saved};
}

}  // namespace drlabel
}  // namespace widgets

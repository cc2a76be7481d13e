// The drawn push button's colour arithmetic: shades derived from one base colour,
// system colour lookup, the preset face colours and the pens and brushes of the
// face and the lamp, as plain functions of their inputs.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

#include "framework/Color.h"

namespace widgets {

// Preset face colours; ccNone uses the button's DrawColor. Stored as one byte.
enum TCustomColor : std::uint8_t {
  ccLeather = 0,
  ccOldGold,
  ccBuffedGold,
  ccBottleGreen,
  ccEmerald,
  ccGlass,
  ccNight,
  ccGirder,
  ccBrushedSteel,
  ccTwilight,
  ccSapphire,
  ccSky,
  ccRoyalPurple,
  ccShadows,
  ccPastels,
  ccRoyal,
  ccRuby,
  ccRose,
  ccNone,
};

namespace freebutton {

inline constexpr std::array<fw::TColor, 18> kPresetColors = {
    fw::RGBColor(79, 69, 47), fw::RGBColor(135, 119, 65), fw::RGBColor(200, 144, 0),
    fw::RGBColor(30, 96, 60), fw::RGBColor(48, 152, 96),  fw::RGBColor(91, 204, 142),
    fw::RGBColor(47, 69, 79), fw::RGBColor(66, 96, 111),  fw::RGBColor(94, 128, 157),
    fw::RGBColor(30, 44, 96), fw::RGBColor(48, 80, 152),  fw::RGBColor(91, 126, 204),
    fw::RGBColor(69, 47, 79), fw::RGBColor(96, 66, 111),  fw::RGBColor(137, 94, 157),
    fw::RGBColor(96, 30, 60), fw::RGBColor(152, 48, 96),  fw::RGBColor(204, 91, 142),
};

// The platform's RGB for a system colour index.
using SystemColorLookup = std::uint32_t (*)(int index);

}  // namespace freebutton

// `c` lightened (or darkened) by `amount` in each of red, green and blue, each
// clamped to 0..255. The high byte is dropped: the result is always plain RGB.
constexpr fw::TColor GetNewColor(fw::TColor c, int amount, bool lighten) {
  auto shade = [&](int channel) {
    // 64-bit so that any amount, however large, clamps instead of overflowing.
    std::int64_t v = lighten ? std::int64_t{channel} + amount : std::int64_t{channel} - amount;
    return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
  };
  return fw::RGBColor(shade(c.R()), shade(c.G()), shade(c.B()));
}

// The RGB of a system colour 0..24 through `lookup`; any other value unchanged,
// including system-looking values beyond index 24 and clNone.
constexpr fw::TColor GetColor(fw::TColor c, freebutton::SystemColorLookup lookup) {
  if (c.Value() >= 0xFF000000u && c.Value() <= 0xFF000018u && lookup)
    return fw::TColor(lookup(static_cast<int>(c.Value() - 0xFF000000u)) & 0xFFFFFFu);
  return c;
}

// The preset face colour, or nothing for ccNone and values beyond it.
constexpr std::optional<fw::TColor> GetCustomColor(TCustomColor cc) {
  if (cc >= freebutton::kPresetColors.size()) return std::nullopt;
  return freebutton::kPresetColors[cc];
}

// The integer part of x, cut toward zero (3.7 gives 3, -3.7 gives -3); NaN gives
// 0 and values beyond the 64-bit range stop at its ends.
inline std::int64_t RoundNumber(double x) {
  if (std::isnan(x)) return 0;
  constexpr double kLimit = 9223372036854775807.0;  // rounds to 2^63
  if (x >= kLimit) return std::numeric_limits<std::int64_t>::max();
  if (x <= -kLimit) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(std::trunc(x));
}

namespace freebutton {

// The face's base colour: the preset's, else the (resolved) draw colour.
constexpr fw::TColor BaseColor(fw::TColor resolved_draw_color, TCustomColor cc) {
  std::optional<fw::TColor> preset = GetCustomColor(cc);
  return preset ? *preset : resolved_draw_color;
}

// The lamp's colour: a shade lighter than the face, or the chosen light colour.
constexpr fw::TColor LampColor(fw::TColor base, bool auto_light_color, fw::TColor light_color) {
  return auto_light_color ? GetNewColor(base, 20, true) : light_color;
}

// Pens and brush of the face: an outer and an inner rounded outline over one
// fill, then a bevel whose top-left and bottom-right lines swap light and dark
// when pressed.
struct FaceColors {
  fw::TColor OuterPen;
  fw::TColor InnerPen;
  fw::TColor Fill;
  fw::TColor TopLeftPen;
  fw::TColor BottomRightPen;
  friend constexpr bool operator==(const FaceColors&, const FaceColors&) = default;
};

constexpr FaceColors FaceColorsFor(fw::TColor base, bool pressed) {
  if (pressed) {
    return {GetNewColor(base, 55, true), GetNewColor(base, 5, true), GetNewColor(base, 15, true),
            GetNewColor(base, 5, false), GetNewColor(base, 45, true)};
  }
  return {GetNewColor(base, 40, true), GetNewColor(base, 40, false), base,
          GetNewColor(base, 30, true), GetNewColor(base, 30, false)};
}

struct LampColors {
  fw::TColor Pen;
  fw::TColor Fill;
  friend constexpr bool operator==(const LampColors&, const LampColors&) = default;
};

// The lamp's outline and fill for the button's state; a lit lamp is brighter.
constexpr LampColors LampColorsFor(fw::TColor lamp, bool pressed, bool lit) {
  if (pressed) {
    return {GetNewColor(lamp, 60, false),
            lit ? GetNewColor(lamp, 20, true) : GetNewColor(lamp, 20, false)};
  }
  return {GetNewColor(lamp, 80, false), lit ? lamp : GetNewColor(lamp, 40, false)};
}

}  // namespace freebutton
}  // namespace widgets

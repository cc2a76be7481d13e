// The bitmap button's sizes, caption placement and caption-font arithmetic, as
// plain functions of their inputs.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "framework/DpiScale.h"
#include "framework/Geometry.h"

namespace widgets {

// The button's picture size.
enum class size : uint8_t { Small, Medium, Big, Grey };

inline constexpr int kZupButtHeight = 22;
// The longest caption drawn; the rest is left out.
inline constexpr int kMaxCaptionLength = 255;

constexpr int ZupButtWidth(size s) {
  switch (s) {
    case size::Small:
      return 39;
    case size::Medium:
      return 59;
    case size::Big:
      return 118;
    case size::Grey:
      return 135;
  }
  return 39;
}

struct CaptionPoint {
  int X = 0;
  int Y = 0;
  friend constexpr bool operator==(CaptionPoint, CaptionPoint) = default;
};

// Top-left of the caption's first character cell on a button `width` wide, for
// `length` characters of `char_width` pixels each: centred (rounded down) at y 6,
// then nudged right by 4 (Medium) or 7 (Big, Grey), Grey also raised to y 1; the
// offsets are stored lengths, scaled by `scale` (width and character width are
// given at the scale already). A caption wider than the button starts at the left
// edge (before the nudge), so its beginning stays readable.
constexpr CaptionPoint CaptionPosition(size s, int width, int length, int char_width,
                                       fw::DpiScale scale = {}) {
  int text = length * char_width;
  CaptionPoint p{text <= width ? (width - text) / 2 : 0, scale.Apply(6)};
  switch (s) {
    case size::Small:
      break;
    case size::Medium:
      p.X += scale.Apply(4);
      break;
    case size::Big:
      p.X += scale.Apply(7);
      break;
    case size::Grey:
      p.Y = scale.Apply(1);
      p.X += scale.Apply(7);
      break;
  }
  return p;
}

// The button's size at `scale`: its picture's, scaled.
constexpr fw::TPoint ZupButtSize(size s, fw::DpiScale scale = {}) {
  return {scale.Apply(ZupButtWidth(s)), scale.Apply(kZupButtHeight)};
}

// Where the keyboard's dotted frame runs on a button of size `s` at `scale`: on the
// key's own picture, which the button paints. A Grey key's picture covers the top 17
// of the 22 rows edge to edge; the rounded keys lie one pixel inside a black
// surround, with corners of radius 4. Each edge is scaled as a stored length, so the
// frame keeps its place on the scaled picture.
constexpr fw::TRect FocusCueRect(size s, fw::DpiScale scale = {}) {
  const int w = scale.Apply(ZupButtWidth(s));
  if (s == size::Grey) return {scale.Apply(1), scale.Apply(1), w - scale.Apply(1), scale.Apply(16)};
  const int inset = scale.Apply(3);
  return {inset, inset, w - inset, scale.Apply(kZupButtHeight) - inset};
}

// Stores a value as a 32-bit float: the x87 unit keeps more precision in its
// registers than the arithmetic below is defined with.
inline float AsFloat(float v) {
  volatile float stored = v;
  return stored;
}

struct FontPoint {
  int X = 0;
  int Y = 0;
  friend constexpr bool operator==(FontPoint, FontPoint) = default;
};

// Tenths of a point to device pixels at a resolution in pixels per inch, each
// product in single precision and cut toward zero.
inline FontPoint FontPointFromTenths(int width_tenths, int height_tenths, float res_x,
                                     float res_y) {
  const float per_point = AsFloat(1.0f / 72.0f);
  float x = AsFloat(AsFloat(static_cast<float>(width_tenths) * res_x) * per_point);
  float y = AsFloat(AsFloat(static_cast<float>(height_tenths) * res_y) * per_point);
  return {static_cast<int>(std::trunc(x)), static_cast<int>(std::trunc(y))};
}

// The font's character height (negative) for a point's vertical size in tenths.
inline int FontHeightFromPoint(int point_y) {
  float h = AsFloat(AsFloat(static_cast<float>(std::abs(point_y)) * 0.1f) + 0.5f);
  return -static_cast<int>(std::trunc(h));
}

// The font's character width from the first font's average character width,
// scaled by the point's aspect. A zero height leaves the width to the system (0).
inline int FontWidthFromAverage(int average_width, int point_x, int point_y) {
  if (point_y == 0) return 0;
  float w =
      AsFloat(AsFloat(static_cast<float>(average_width) * static_cast<float>(std::abs(point_x))) /
              static_cast<float>(std::abs(point_y)));
  return static_cast<int>(std::trunc(AsFloat(w + 0.5f)));
}

// The resolution from the display's size when logical pixels are not used: 25.4
// times pixels over millimetres; 0 when the size is unknown.
inline float ResolutionFromSize(int pixels, int millimetres) {
  if (millimetres <= 0) return 0.0f;
  return AsFloat(AsFloat(25.4f * static_cast<float>(pixels)) / static_cast<float>(millimetres));
}

}  // namespace widgets

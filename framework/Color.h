// Colours as the controls store them: red in the low byte, then green, then blue.
// A value whose high byte is 0xFF names a system colour by the index in its low
// byte and is resolved to RGB only when drawn (ColorToRGB).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace fw {

class TColor {
 public:
  constexpr TColor() = default;
  constexpr explicit TColor(uint32_t value) : value_(value) {}

  constexpr uint32_t Value() const { return value_; }
  constexpr uint8_t R() const { return value_ & 0xFF; }
  constexpr uint8_t G() const { return (value_ >> 8) & 0xFF; }
  constexpr uint8_t B() const { return (value_ >> 16) & 0xFF; }
  // True for the values 0xFF0000nn that name system colour nn.
  constexpr bool IsSystem() const { return (value_ >> 24) == 0xFF; }
  constexpr int SystemIndex() const { return static_cast<int>(value_ & 0xFF); }

  friend constexpr bool operator==(TColor a, TColor b) = default;

 private:
  uint32_t value_ = 0;
};

constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
  return TColor(static_cast<uint32_t>(r) | (static_cast<uint32_t>(g) << 8) |
                (static_cast<uint32_t>(b) << 16));
}
constexpr TColor SystemColor(int index) {
  return TColor(0xFF000000u | (index & 0xFF));
}

inline constexpr TColor clBlack = RGBColor(0, 0, 0);
inline constexpr TColor clMaroon = RGBColor(128, 0, 0);
inline constexpr TColor clGreen = RGBColor(0, 128, 0);
inline constexpr TColor clOlive = RGBColor(128, 128, 0);
inline constexpr TColor clNavy = RGBColor(0, 0, 128);
inline constexpr TColor clPurple = RGBColor(128, 0, 128);
inline constexpr TColor clTeal = RGBColor(0, 128, 128);
inline constexpr TColor clGray = RGBColor(128, 128, 128);
inline constexpr TColor clSilver = RGBColor(192, 192, 192);
inline constexpr TColor clRed = RGBColor(255, 0, 0);
inline constexpr TColor clLime = RGBColor(0, 255, 0);
inline constexpr TColor clYellow = RGBColor(255, 255, 0);
inline constexpr TColor clBlue = RGBColor(0, 0, 255);
inline constexpr TColor clFuchsia = RGBColor(255, 0, 255);
inline constexpr TColor clAqua = RGBColor(0, 255, 255);
inline constexpr TColor clWhite = RGBColor(255, 255, 255);
inline constexpr TColor clCream = RGBColor(255, 251, 240);

inline constexpr TColor clScrollBar = SystemColor(0);
inline constexpr TColor clBackground = SystemColor(1);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowFrame = SystemColor(6);
inline constexpr TColor clWindowText = SystemColor(8);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clBtnShadow = SystemColor(16);
inline constexpr TColor clGrayText = SystemColor(17);
inline constexpr TColor clBtnText = SystemColor(18);
inline constexpr TColor clBtnHighlight = SystemColor(20);

// Marks "no colour"; never drawn.
inline constexpr TColor clNone = TColor(0x1FFFFFFF);

// The identifier of a named colour ("clYellow"), if the value has one.
std::optional<std::string_view> ColorToIdent(TColor c);
// The colour an identifier names, if it is one of the named colours.
std::optional<TColor> IdentToColor(std::string_view ident);

// The RGB value to draw with: system colours are looked up now, others pass as
// they are with the high byte cleared.
uint32_t ColorToRGB(TColor c);

}  // namespace fw

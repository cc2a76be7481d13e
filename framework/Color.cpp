// The named colours: a table that needs no window.
#include "framework/Color.h"

#include <array>
#include <utility>

namespace fw {
namespace {

constexpr std::array<std::pair<std::string_view, TColor>, 29> kNamed = {{
    {"clBlack", clBlack},
    {"clMaroon", clMaroon},
    {"clGreen", clGreen},
    {"clOlive", clOlive},
    {"clNavy", clNavy},
    {"clPurple", clPurple},
    {"clTeal", clTeal},
    {"clGray", clGray},
    {"clSilver", clSilver},
    {"clRed", clRed},
    {"clLime", clLime},
    {"clYellow", clYellow},
    {"clBlue", clBlue},
    {"clFuchsia", clFuchsia},
    {"clAqua", clAqua},
    {"clWhite", clWhite},
    {"clCream", clCream},
    {"clScrollBar", clScrollBar},
    {"clBackground", clBackground},
    {"clWindow", clWindow},
    {"clWindowFrame", clWindowFrame},
    {"clWindowText", clWindowText},
    {"clBtnFace", clBtnFace},
    {"clBtnShadow", clBtnShadow},
    {"clGrayText", clGrayText},
    {"clBtnText", clBtnText},
    {"clBtnHighlight", clBtnHighlight},
    {"clNone", clNone},
    {"clLtGray", clSilver},
}};

}  // namespace

std::optional<std::string_view> ColorToIdent(TColor c) {
  for (const auto& [name, value] : kNamed) {
    if (value == c) return name;
  }
  return std::nullopt;
}

std::optional<TColor> IdentToColor(std::string_view ident) {
  for (const auto& [name, value] : kNamed) {
    if (name == ident) return value;
  }
  return std::nullopt;
}

}  // namespace fw

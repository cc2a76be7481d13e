// The text form of a stored layout: nested objects, each with a name, a class and
// its property values in stored order.
//
//   object F: TF
//     Caption = 'Settings'
//     Font.Height = -11
//     object Panel1: TPanel
//       Visible = False
//       OnClick = PanelClick
//     end
//   end
//
// Values are integers, quoted strings ('' for a quote), True/False and identifiers
// (enumeration values, named colours, handler names). A line starting with // is a
// comment. Needs no window.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "framework/Properties.h"

namespace fw {

struct LayoutObject {
  std::string Name;
  std::string Class;
  std::vector<StoredProperty> Properties;
  std::vector<LayoutObject> Children;
};

// Objects may nest this deep; deeper text is refused rather than recursed into.
inline constexpr int kMaxLayoutDepth = 32;

// Parses one top-level object. Malformed text throws Exception naming the line.
LayoutObject ParseLayout(std::string_view text);

}  // namespace fw

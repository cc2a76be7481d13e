// The dotted frame that shows the keyboard focus on a drawn control, as plain
// functions: which pixels it takes and the colour it gives each of them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "framework/Geometry.h"

namespace fw {

// Every other pixel of the outline of `r` (right and bottom edges outside it), in
// the checker pattern of the system's dotted focus frame: pixels whose x + y is even.
inline std::vector<TPoint> FocusCueDots(const TRect& r) {
  std::vector<TPoint> dots;
  if (r.Empty()) return dots;
  auto add = [&dots](int x, int y) {
    if (((x + y) & 1) == 0) dots.push_back({x, y});
  };
  for (int x = r.Left; x < r.Right; ++x) add(x, r.Top);
  if (r.Height() > 1)
    for (int x = r.Left; x < r.Right; ++x) add(x, r.Bottom - 1);
  for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
    add(r.Left, y);
    if (r.Width() > 1) add(r.Right - 1, y);
  }
  return dots;
}

// The colour a cue dot gives a pixel of colour `pixel` (red in the low byte) of a
// picture that is drawn with its `transparent` colour left out: the inverse, as the
// system's frame gives; none where the pixel is not drawn or its inverse would not
// be, so that the dot never lands outside what the picture paints.
inline std::optional<uint32_t> FocusCueColour(uint32_t pixel, uint32_t transparent) {
  pixel &= 0xFFFFFF;
  transparent &= 0xFFFFFF;
  const uint32_t inverse = pixel ^ 0xFFFFFF;
  if (pixel == transparent || inverse == transparent) return std::nullopt;
  return inverse;
}

}  // namespace fw

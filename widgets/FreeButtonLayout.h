// Where the drawn push button puts its caption, glyph, lamp and drop shadow, as
// plain functions of sizes.
#pragma once

#include <array>
#include <cstdint>

#include "framework/DpiScale.h"
#include "framework/Geometry.h"
#include "widgets/FreeButtonColors.h"

namespace widgets {

// Stored as one byte each. The bottom-centre places are the Middle-Bottom ones.
enum TTextPosition : std::uint8_t {
  tpTopLeft = 0,
  tpMiddleLeft,
  tpBottomLeft,
  tpTopCenter,
  tpMiddleCenter,
  tpMiddleBottom,
  tpTopRight,
  tpMiddleRight,
  tpBottomRight,
};

enum TGlyphPosition : std::uint8_t {
  gpTopLeft = 0,
  gpMiddleLeft,
  gpBottomLeft,
  gpTopCenter,
  gpMiddleCenter,
  gpMiddleBottom,
  gpTopRight,
  gpMiddleRight,
  gpBottomRight,
};

namespace freebutton {

inline constexpr int kPlaceCount = 9;
inline constexpr int kNewWidth = 83;
inline constexpr int kNewHeight = 31;
// The face image is this much smaller than the button: room for the drop shadow
// and for the one-pixel shift of a pressed face.
inline constexpr int kFaceInset = 4;

enum class Column : std::uint8_t { Left, Center, Right };
enum class Row : std::uint8_t { Top, Middle, Bottom };

// The nine places share one order: by column, top to bottom in each.
constexpr Column ColumnOf(int place) {
  return place < 3 ? Column::Left : place < 6 ? Column::Center : Column::Right;
}
constexpr Row RowOf(int place) {
  return static_cast<Row>(place % 3);
}

// Top-left of an item `item_w` x `item_h` on a face `w` x `h`. Left and top are 4
// in; right and bottom keep 8 clear for the bevel and the lamp; centred and
// middle values are computed exactly and then cut toward zero. The centre is
// taken on a face `center_narrowing` narrower (a caption's is 4: it sits 2 pixels
// left of a centred glyph of its width). The margins and the narrowing are stored
// lengths, scaled by `scale`; the sizes are given at the scale already.
inline fw::TPoint PlaceItem(int place, int w, int h, int item_w, int item_h, int center_narrowing,
                            fw::DpiScale scale = {}) {
  const int inset = scale.Apply(4);
  const int clear = scale.Apply(8);
  const int narrowing = scale.Apply(center_narrowing);
  fw::TPoint p;
  switch (ColumnOf(place)) {
    case Column::Left:
      p.X = inset;
      break;
    case Column::Center:
      p.X = static_cast<int>(RoundNumber((w - narrowing) / 2.0 - item_w / 2.0));
      break;
    case Column::Right:
      p.X = w - item_w - clear;
      break;
  }
  switch (RowOf(place)) {
    case Row::Top:
      p.Y = inset;
      break;
    case Row::Middle:
      p.Y = static_cast<int>(RoundNumber(h / 2.0 - item_h / 2.0));
      break;
    case Row::Bottom:
      p.Y = h - item_h - clear;
      break;
  }
  return p;
}

}  // namespace freebutton

// Where a caption `tw` x `th` starts on a face `w` x `h`.
inline fw::TPoint GetTextPosition(TTextPosition pos, int w, int h, int tw, int th,
                                  fw::DpiScale scale = {}) {
  return freebutton::PlaceItem(pos, w, h, tw, th, 4, scale);
}

// Where a glyph `gw` x `gh` (0 x 0 when empty) goes on a face `w` x `h`.
inline fw::TPoint GetGlyphPosition(TGlyphPosition pos, int w, int h, int gw, int gh,
                                   fw::DpiScale scale = {}) {
  return freebutton::PlaceItem(pos, w, h, gw, gh, 0, scale);
}

namespace freebutton {

// The lamp: a right triangle of legs `size` whose right angle sits 8 pixels in
// from the bottom-right corner of a face `face_w` x `face_h`; the legs and the 8
// are stored lengths, scaled by `scale`.
constexpr std::array<fw::TPoint, 3> LampTriangle(int face_w, int face_h, int stored_size,
                                                 fw::DpiScale scale = {}) {
  const int x = face_w - scale.Apply(8);
  const int y = face_h - scale.Apply(8);
  const int size = scale.Apply(stored_size);
  return {{{x, y}, {x, y - size}, {x - size, y}}};
}

// Where the face image goes on the button: 2 pixels in, 3 while pressed, scaled.
constexpr fw::TPoint FaceOrigin(bool pressed, fw::DpiScale scale = {}) {
  const int at = scale.Apply(pressed ? 3 : 2);
  return {at, at};
}

}  // namespace freebutton
}  // namespace widgets

// The slider's arithmetic: thumb table, thumb placement, pointer mapping, trench and tick
// layout, step rules and the trench's colour ramp. No window is needed; the widget feeds
// these functions its state and draws what they return.
#pragma once

#include <cstdint>
#include <optional>
#include <cstddef>
#include <string_view>
#include <vector>

#include "framework/DpiScale.h"

namespace widgets {

// Stored as one byte each.
enum TOrientation : std::uint8_t { orVertical = 0, orHorizontal = 1 };
enum TBarStyle : std::uint8_t { bsLowered = 0, bsRaised = 1 };
// A byte, so that an out-of-range value can be held (and rejected) like any other.
enum TThumbStyle : std::uint8_t {
  tsBar1 = 0,
  tsBar2,
  tsBar3,
  tsBar4,
  tsCircle1,
  tsSquare1,
  tsDiamond1,
  tsDiamond2,
  tsDiamond3,
  tsDiamond4,
  tsStdDown,
  tsStdUp,
  tsStdVBar,
  tsStdUpDown,
  tsStdLeft,
  tsStdRight,
  tsStdHBar,
  stStdLeftRight,
};

namespace slidebar {

inline constexpr int kThumbStyleCount = 18;

// One thumb picture: its resource names and its size in pixels.
struct ThumbInfo {
  std::string_view thumb;
  std::string_view mask;
  int width;
  int height;
  int mask_height;  // equal to height except for one picture, whose mask has an extra row
};

// The picture of a style, or nothing for a value outside the 18 styles.
std::optional<ThumbInfo> ThumbFor(TThumbStyle style);

// The style that replaces `style` when a slider is turned to `orientation` (most keep theirs).
TThumbStyle ThumbForOrientation(TThumbStyle style, TOrientation orientation);

// The orientation a control of this size takes: vertical only when taller than wide.
TOrientation OrientationForSize(int width, int height);

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect&) const = default;
  // Left and top edges inside, right and bottom outside.
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// What the layout depends on: the control, its thumb, its range and its position.
struct Layout {
  TOrientation orientation = orVertical;
  int width = 15, height = 100;            // the control's client size
  int thumb_width = 10, thumb_height = 5;  // the thumb picture's size
  int min = 0, max = 100, position = 1;

  int HalfThumbWidth() const { return thumb_width / 2; }
  int HalfThumbHeight() const { return thumb_height / 2; }
  bool IsVert() const { return orientation == orVertical; }
};

// Rounds to nearest, ties to even, limited to the int range.
int RoundHalfEven(long double v);

// Where the thumb is drawn. While dragging it is centred on `last_mouse` (the pointer's
// coordinate along the axis) instead of the position, and always kept inside the control.
// An empty range (max == min) puts the thumb at the min end.
Rect ThumbRect(const Layout& l, bool dragging = false, int last_mouse = 0);

// The position value for a pointer at (x, y), limited to [min, max] (min first, so an
// inverted range yields max).
int NewPosition(const Layout& l, int x, int y);

// The trench's corner coordinates.
struct Trench {
  int xl, xr, yt, yb;
  bool operator==(const Trench&) const = default;
};
// `thickness` is a stored length, scaled by `scale` (at least 1 pixel); the layout's
// sizes are given at the scale already.
Trench TrenchFor(const Layout& l, int thickness, fw::DpiScale scale = {});

// Tick marks: one line across the axis per coordinate in `at` (rows when vertical, columns
// when horizontal), each drawn as two short runs on either side of the trench, ends inclusive.
struct Ticks {
  std::vector<int> at;  // ascending, no repeats
  int first_from, first_to;
  int second_from, second_to;
};
// The ticks for every value in [min, max] that is a multiple of `frequency`. A frequency of 0
// gives no ticks. Work is bounded by the control's size, not by the range's width.
// The runs' distances from the trench are stored lengths, scaled by `display`.
Ticks TicksFor(const Layout& l, const Trench& t, int frequency, fw::DpiScale display = {});

// 0x00BBGGRR, as the framework's colour type holds it.
using Rgb = std::uint32_t;
constexpr Rgb MakeRgb(int r, int g, int b) {
  return static_cast<Rgb>(r) | (static_cast<Rgb>(g) << 8) | (static_cast<Rgb>(b) << 16);
}

// The trench colour for a position: an index into the ramp grows with the position.
int ColourIndex(int min, int max, int position);
// The ramp from blue through cyan, green, yellow, red and magenta back to blue; an index
// outside 0..1536 takes the colour of the nearest end.
Rgb RampColour(int index);

// The edge colours of the trench for a bar style.
Rgb TopLeftColour(TBarStyle style);
Rgb BottomRightColour(TBarStyle style);

// Whether a step writer takes `v`: at least 1, at most max - min, and not the current value.
bool AcceptsStep(int v, int current, int min, int max);
// The page step that a change of range sets: a tenth of the range, at least 1.
int PageStepForRange(int min, int max);

// The target of MoveUp(n) / MoveDown(n) from `position`, limited to [min, max]; nullopt when
// n is 0 (nothing happens).
std::optional<int> MoveUpTarget(int position, int n, int min, int max);
std::optional<int> MoveDownTarget(int position, int n, int min, int max);

// The position a left-button release sets when the press was beside the thumb: one unit
// towards the pointer (Max is up and right), limited to [min, max].
int ClickTarget(const Layout& l, const Rect& thumb, int x, int y);

// What a key does.
enum class KeyAction { kNone, kPageUp, kPageDown, kToMax, kToMin, kLineUp, kLineDown };
KeyAction KeyActionFor(int virtual_key);

// The index of the label naming `position` among `count` labels, or nothing when there is none.
std::optional<std::size_t> LabelIndex(std::size_t count, int min, int position);

}  // namespace slidebar
}  // namespace widgets

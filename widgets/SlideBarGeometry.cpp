#include "widgets/SlideBarGeometry.h"

#include <algorithm>
#include <array>
#include <cfenv>
#include <climits>
#include <cmath>

namespace widgets::slidebar {
namespace {

using i64 = std::int64_t;

struct ThumbRow {
  ThumbInfo info;
  TThumbStyle pair;  // the style it becomes when turned; itself when it has no pair
};

constexpr std::array<ThumbRow, kThumbStyleCount> kThumbs = {{
    {{"Bar1", "Bar1Mask", 5, 10, 10}, tsBar3},
    {{"Bar2", "Bar2Mask", 6, 12, 12}, tsBar4},
    {{"Bar3", "Bar3Mask", 10, 5, 5}, tsBar1},
    {{"Bar4", "Bar4Mask", 12, 6, 6}, tsBar2},
    {{"Circle1", "Circle1Mask", 8, 8, 8}, tsCircle1},
    {{"Square1", "Square1Mask", 8, 8, 8}, tsSquare1},
    {{"Diamond1", "Diamond1Mask", 8, 8, 8}, tsDiamond1},
    {{"Diamond2", "Diamond2Mask", 12, 12, 12}, tsDiamond2},
    {{"Diamond3", "Diamond3Mask", 9, 9, 9}, tsDiamond3},
    {{"Diamond4", "Diamond4Mask", 11, 11, 11}, tsDiamond4},
    {{"StdDown", "StdDownMask", 13, 26, 27}, tsStdRight},
    {{"StdUp", "StdUpMask", 13, 26, 26}, tsStdUp},
    {{"StdVBar", "StdVBarMask", 13, 26, 26}, tsStdHBar},
    {{"StdUpDown", "StdUpDownMask", 13, 26, 26}, tsStdUpDown},
    {{"StdLeft", "StdLeftMask", 26, 12, 12}, tsStdLeft},
    {{"StdRight", "StdRightMask", 26, 12, 12}, tsStdDown},
    {{"StdHBar", "StdHBarMask", 26, 13, 13}, tsStdVBar},
    {{"StdLeftRight", "StdLeftRightMask", 26, 12, 12}, stStdLeftRight},
}};

// A long double limited to the int range, so that converting it is always defined.
long double ClampToInt(long double v) {
  if (std::isnan(v)) return 0;
  return std::clamp(v, static_cast<long double>(INT_MIN), static_cast<long double>(INT_MAX));
}

int ClampInt(i64 v) {
  return static_cast<int>(std::clamp<i64>(v, INT_MIN, INT_MAX));
}

// Pixels per unit of range, stored as a 32-bit float; 0 for an empty range.
float Scale(int travel, int min, int max) {
  const i64 span = i64{max} - min;
  if (span == 0) return 0.0f;
  // The store through memory drops the x87 register's extra precision.
  volatile float scale = static_cast<float>(static_cast<long double>(travel) / span);
  return scale;
}

i64 FloorDiv(i64 a, i64 b) {
  i64 q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

}  // namespace

std::optional<ThumbInfo> ThumbFor(TThumbStyle style) {
  if (style >= kThumbStyleCount) return std::nullopt;
  return kThumbs[style].info;
}

TThumbStyle ThumbForOrientation(TThumbStyle style, TOrientation orientation) {
  if (style >= kThumbStyleCount) return style;
  // Only the styles drawn across the axis are swapped, each towards its own orientation.
  static constexpr TThumbStyle kToHorizontal[] = {tsBar4, tsBar3, tsStdHBar, tsStdRight};
  static constexpr TThumbStyle kToVertical[] = {tsBar2, tsBar1, tsStdVBar, tsStdDown};
  const auto& from = orientation == orHorizontal ? kToHorizontal : kToVertical;
  return std::find(std::begin(from), std::end(from), style) != std::end(from) ? kThumbs[style].pair
                                                                              : style;
}

TOrientation OrientationForSize(int width, int height) {
  return height > width ? orVertical : orHorizontal;
}

int RoundHalfEven(long double v) {
  v = ClampToInt(v);
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const long double r = std::nearbyint(v);
  std::fesetround(saved);
  return static_cast<int>(r);
}

Rect ThumbRect(const Layout& l, bool dragging, int last_mouse) {
  const int tw = l.thumb_width, th = l.thumb_height;
  Rect r;
  if (l.IsVert()) {
    const float scale = Scale(l.height - th, l.min, l.max);
    i64 top;
    if (dragging) {
      top = i64{last_mouse} - l.HalfThumbHeight();
    } else {
      const long double along = static_cast<long double>(i64{l.position} - l.min) * scale;
      top = i64{l.height} - RoundHalfEven(along) - th;
    }
    // Below-zero last: a control shorter than its thumb shows the thumb at the top.
    top = std::max<i64>(0, std::min<i64>(l.height - th, top));
    r.top = static_cast<int>(top);
    r.left = (l.width - tw) / 2;
  } else {
    const float scale = Scale(l.width - tw, l.min, l.max);
    i64 left;
    if (dragging) {
      left = i64{last_mouse} - l.HalfThumbWidth();
    } else {
      left = RoundHalfEven(static_cast<long double>(i64{l.position} - l.min) * scale);
    }
    left = std::max<i64>(0, std::min<i64>(l.width - tw, left));
    r.left = static_cast<int>(left);
    r.top = (l.height - th) / 2;
  }
  r.right = r.left + tw;
  r.bottom = r.top + th;
  return r;
}

int NewPosition(const Layout& l, int x, int y) {
  const long double span = static_cast<long double>(i64{l.max} - l.min);
  long double travel, along;
  if (l.IsVert()) {
    travel = static_cast<long double>(l.height) - l.HalfThumbHeight();
    along = travel - y;
  } else {
    travel = static_cast<long double>(l.width) - l.HalfThumbWidth();
    along = x;
  }
  // A control no larger than half its thumb has no travel: every point means min.
  const long double value = travel == 0 ? l.min : along / travel * span + l.min;
  return std::min(std::max(RoundHalfEven(value), l.min), l.max);
}

Trench TrenchFor(const Layout& l, int stored_thickness, fw::DpiScale scale) {
  const int thickness = scale.ApplyAtLeastOne(stored_thickness);
  Trench t;
  if (l.IsVert()) {
    t.xl = (l.width / 2) - (thickness / 2) - 1;
    t.xr = t.xl + thickness + 1;
    t.yt = l.HalfThumbHeight();
    t.yb = l.height - l.thumb_height + l.HalfThumbHeight();
  } else {
    t.xl = l.HalfThumbWidth();
    t.xr = l.width - l.thumb_width + l.HalfThumbWidth();
    t.yt = (l.height / 2) - (thickness / 2) - 1;
    t.yb = t.yt + thickness + 1;
  }
  return t;
}

Ticks TicksFor(const Layout& l, const Trench& tr, int frequency, fw::DpiScale display) {
  Ticks out{};
  // Each run lies a few stored pixels off the trench, scaled with the window.
  const int far = display.Apply(6), near = display.Apply(3);
  const int after_near = display.Apply(2), after_far = display.Apply(5);
  if (l.IsVert()) {
    out.first_from = tr.xl - far, out.first_to = tr.xl - near;
    out.second_from = tr.xr + after_near, out.second_to = tr.xr + after_far;
  } else {
    out.first_from = tr.yt - far, out.first_to = tr.yt - near;
    out.second_from = tr.yb + after_near, out.second_to = tr.yb + after_far;
  }
  if (frequency == 0 || l.max < l.min) return out;

  const int travel = l.IsVert() ? l.height - l.thumb_height : l.width - l.thumb_width;
  const float scale = (i64{l.max} - l.min >= 1) ? Scale(travel, l.min, l.max) : 0.0f;
  const i64 step = std::abs(i64{frequency});
  auto line_at = [&](i64 t) -> int {
    return l.IsVert() ? ClampInt(i64{tr.yb} - t - 1) : ClampInt(i64{tr.xl} + t);
  };
  auto offset = [&](i64 i) -> i64 {
    return static_cast<i64>(std::trunc(ClampToInt(static_cast<long double>(i - l.min) * scale)));
  };

  if (l.max % step == 0) out.at.push_back(l.IsVert() ? tr.yt : tr.xr - 1);
  // Walk the multiples of the frequency below max. Offsets move away from 0 as i grows
  // (downwards too, when the control is smaller than its thumb), so once a line is drawn,
  // jump close to the first value whose offset can differ instead of visiting every value:
  // the work follows the pixels, not the width of the range.
  const long double magnitude = std::fabs(static_cast<long double>(scale));
  for (i64 i = FloorDiv(i64{l.min} + step - 1, step) * step; i < l.max;) {
    const i64 t = offset(i);
    out.at.push_back(line_at(t));
    if (magnitude == 0) break;  // every value shares offset 0
    i64 next = i + step;
    const long double reach = static_cast<long double>(t < 0 ? -t : t) + 1;
    const long double gap = std::floor(reach / magnitude) - 2;
    if (gap > 0 && gap < static_cast<long double>(INT64_MAX / 4)) {
      const i64 candidate = FloorDiv(l.min + static_cast<i64>(gap) + step - 1, step) * step;
      next = std::max(next, candidate);
    }
    i = next;
  }
  std::sort(out.at.begin(), out.at.end());
  out.at.erase(std::unique(out.at.begin(), out.at.end()), out.at.end());
  return out;
}

int ColourIndex(int min, int max, int position) {
  const i64 span = i64{max} - min + 1;
  if (span == 0) return 256;  // no range to spread the ramp over: the start colour
  const long double v = 768.0L / static_cast<long double>(span) * position;
  return static_cast<int>(std::trunc(std::clamp(v, -1.0e9L, 1.0e9L))) + 256;
}

Rgb RampColour(int index) {
  index = std::clamp(index, 0, 1536);
  const int band = std::min(index / 256, 5);
  const int off = index - band * 256;
  switch (band) {
    case 0:
      return MakeRgb(0, off, 255);
    case 1:
      return MakeRgb(0, 255, 255 - off);
    case 2:
      return MakeRgb(off, 255, 0);
    case 3:
      return MakeRgb(255, std::min(255, 256 - off), 0);
    case 4:
      return MakeRgb(255, 0, off);
    default:
      return MakeRgb(std::min(255, 256 - off), 0, 255);
  }
}

Rgb TopLeftColour(TBarStyle style) {
  return style == bsRaised ? MakeRgb(255, 255, 255) : MakeRgb(44, 44, 44);
}

Rgb BottomRightColour(TBarStyle style) {
  return style == bsRaised ? MakeRgb(44, 44, 44) : MakeRgb(255, 255, 255);
}

bool AcceptsStep(int v, int current, int min, int max) {
  return v != current && v >= 1 && i64{v} <= i64{max} - min;
}

int PageStepForRange(int min, int max) {
  return static_cast<int>(std::max<i64>(1, (i64{max} - min) / 10));
}

namespace {

std::optional<int> MoveBy(int position, i64 n, int min, int max) {
  if (n == 0) return std::nullopt;
  if (n > 0) {
    const i64 to = i64{position} + n;
    return to < max ? static_cast<int>(to) : max;
  }
  const i64 to = i64{position} + n;
  return to > min ? static_cast<int>(to) : min;
}

}  // namespace

std::optional<int> MoveUpTarget(int position, int n, int min, int max) {
  return MoveBy(position, n, min, max);
}

std::optional<int> MoveDownTarget(int position, int n, int min, int max) {
  return MoveBy(position, -i64{n}, min, max);
}

int ClickTarget(const Layout& l, const Rect& thumb, int x, int y) {
  i64 p = l.position;
  if (l.IsVert()) {
    const int c = thumb.top + l.HalfThumbHeight();
    if (y < c) ++p;
    if (y > c) --p;
  } else {
    const int c = thumb.left + l.HalfThumbWidth();
    if (x < c) --p;
    if (x > c) ++p;
  }
  return static_cast<int>(std::min<i64>(std::max<i64>(p, l.min), l.max));
}

KeyAction KeyActionFor(int virtual_key) {
  switch (virtual_key) {
    case 33:
      return KeyAction::kPageUp;
    case 34:
      return KeyAction::kPageDown;
    case 35:
      return KeyAction::kToMax;
    case 36:
      return KeyAction::kToMin;
    case 37:
    case 40:
      return KeyAction::kLineDown;
    case 38:
    case 39:
      return KeyAction::kLineUp;
    default:
      return KeyAction::kNone;
  }
}

std::optional<std::size_t> LabelIndex(std::size_t count, int min, int position) {
  if (position < min) return std::nullopt;
  const auto index = static_cast<std::uint64_t>(i64{position} - min);
  if (index >= count) return std::nullopt;
  return static_cast<std::size_t>(index);
}

}  // namespace widgets::slidebar

// Lays out a waterfall picture: the rows as coloured pixels, a frequency axis, a
// time axis and a colour scale in dB. Text is listed with its place; the caller
// draws it, so that this needs no window system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessel::host {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// The levels the colour scale runs between.
struct DbScale {
  double floor_db = -100;
  double top_db = 0;
};

// The colour of a level: black at the floor, through blue, purple, red, orange and
// yellow to white at the top; brighter for every higher level, clamped at both ends.
Rgb ColourOf(double db, const DbScale& scale);

// Drawn where a row has no data (frequencies beyond the band of the rate then).
inline constexpr Rgb kNoDataColour{56, 56, 56};

// A scale for the levels (NaN ignored): the top is the strongest level rounded up
// to 10 dB, the floor 10 dB under the median level rounded down to 10 dB, and the
// two are kept 20 to 120 dB apart. Without levels: -100 to 0 dB.
DbScale ChooseScale(const std::vector<std::vector<float>>& levels);

// A round step (1, 2 or 5 times a power of ten) that divides `range` into at most
// `max_steps` parts.
double NiceStep(double range, int max_steps);

// A number in the shortest form with at most three decimals: "0", "+10", "-2.5".
std::string SignedLabel(double value);

// Text to draw: its anchor point and which side of the text sits on it.
struct Label {
  enum class Align { kLeft, kCentre, kRight };
  int x = 0;
  int y = 0;  // the text's vertical centre
  std::string text;
  Align align = Align::kLeft;
};

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // rows top down, left to right
  std::vector<Label> labels;
  // Where the rows are drawn, and how tall each one is.
  int plot_left = 0;
  int plot_top = 0;
  int plot_width = 0;
  int plot_height = 0;
  int row_height = 1;

  Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

struct WaterfallAxes {
  double span_hz = 0;  // the columns span plus and minus half of it
  double row_seconds = 0;
  std::string title;
};

// Lays out the picture of `levels` (rows of equal length) with `scale`.
Picture ComposeWaterfall(const std::vector<std::vector<float>>& levels, const DbScale& scale,
                         const WaterfallAxes& axes);

}  // namespace tessel::host

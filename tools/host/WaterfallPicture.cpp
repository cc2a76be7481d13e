#include "tools/host/WaterfallPicture.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

#include "tools/host/Waterfall.h"

namespace tessel::host {
namespace {

constexpr int kMarginLeft = 64;    // time labels
constexpr int kMarginTop = 30;     // title
constexpr int kMarginBottom = 48;  // frequency labels and the axis title
constexpr int kBarGap = 18;
constexpr int kBarWidth = 16;
constexpr int kMarginRight = 64;  // dB labels
constexpr int kMinPlotHeight = 240;
constexpr int kTickLength = 5;
constexpr Rgb kBackground{24, 24, 24};
constexpr Rgb kAxisColour{190, 190, 190};

// The colour scale's stops, evenly spaced. Each is brighter than the one before,
// and brightness is linear in the channels, so every blend between them is too.
constexpr std::array<Rgb, 7> kStops{{{0, 0, 0},
                                     {0, 0, 140},
                                     {120, 0, 160},
                                     {220, 40, 40},
                                     {255, 150, 0},
                                     {255, 240, 60},
                                     {255, 255, 255}}};

// The number in the shortest form with at most three decimals.
std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string s = text;
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

class Canvas {
 public:
  explicit Canvas(Picture& picture) : p_(picture) {}
  void Set(int x, int y, Rgb colour) {
    if (x >= 0 && y >= 0 && x < p_.width && y < p_.height)
      p_.pixels[static_cast<std::size_t>(y) * p_.width + x] = colour;
  }
  void Fill(int left, int top, int width, int height, Rgb colour) {
    for (int y = top; y < top + height; ++y)
      for (int x = left; x < left + width; ++x) Set(x, y, colour);
  }
  // A one-pixel frame just outside the given area.
  void Frame(int left, int top, int width, int height, Rgb colour) {
    Fill(left - 1, top - 1, width + 2, 1, colour);
    Fill(left - 1, top + height, width + 2, 1, colour);
    Fill(left - 1, top, 1, height, colour);
    Fill(left + width, top, 1, height, colour);
  }

 private:
  Picture& p_;
};

}  // namespace

Rgb ColourOf(double db, const DbScale& scale) {
  double range = scale.top_db - scale.floor_db;
  double t = range > 0 ? (db - scale.floor_db) / range : (db >= scale.top_db ? 1.0 : 0.0);
  if (!(t > 0)) t = 0;  // NaN too
  if (t > 1) t = 1;
  double at = t * (kStops.size() - 1);
  std::size_t i = std::min(static_cast<std::size_t>(at), kStops.size() - 2);
  double f = at - static_cast<double>(i);
  auto blend = [f](uint8_t a, uint8_t b) {
    return static_cast<uint8_t>(std::lround(a + (b - a) * f));
  };
  const Rgb& a = kStops[i];
  const Rgb& b = kStops[i + 1];
  return {blend(a.r, b.r), blend(a.g, b.g), blend(a.b, b.b)};
}

DbScale ChooseScale(const std::vector<std::vector<float>>& levels) {
  std::vector<float> finite;
  for (const auto& row : levels)
    for (float v : row)
      if (std::isfinite(v)) finite.push_back(v);
  if (finite.empty()) return {};
  float strongest = *std::max_element(finite.begin(), finite.end());
  auto middle = finite.begin() + static_cast<std::ptrdiff_t>(finite.size() / 2);
  std::nth_element(finite.begin(), middle, finite.end());
  DbScale scale;
  scale.top_db = std::ceil(strongest / 10.0) * 10;
  scale.floor_db = std::floor((*middle - 10) / 10.0) * 10;
  scale.floor_db = std::min(scale.floor_db, scale.top_db - 20);
  scale.floor_db = std::max(scale.floor_db, scale.top_db - 120);
  return scale;
}

double NiceStep(double range, int max_steps) {
  if (!(range > 0) || max_steps < 1) return 1;
  double raw = range / max_steps;
  double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (double m : {1.0, 2.0, 5.0}) {
    if (m * power >= raw * (1 - 1e-9)) return m * power;
  }
  return 10 * power;
}

std::string SignedLabel(double value) {
  std::string s = Number(value);
  return s == "0" || s[0] == '-' ? s : "+" + s;
}

Picture ComposeWaterfall(const std::vector<std::vector<float>>& levels, const DbScale& scale,
                         const WaterfallAxes& axes) {
  Picture p;
  int rows = static_cast<int>(levels.size());
  p.plot_width = levels.empty() ? WaterfallBuilder::kColumns : static_cast<int>(levels[0].size());
  // A short run still makes a picture tall enough to read: rows are repeated.
  p.row_height = rows > 0 ? std::max(1, kMinPlotHeight / rows) : 1;
  p.plot_height = rows > 0 ? rows * p.row_height : kMinPlotHeight;
  p.plot_left = kMarginLeft;
  p.plot_top = kMarginTop;
  p.width = kMarginLeft + p.plot_width + kBarGap + kBarWidth + kMarginRight;
  p.height = kMarginTop + p.plot_height + kMarginBottom;
  p.pixels.assign(static_cast<std::size_t>(p.width) * p.height, kBackground);
  Canvas canvas(p);
  const int plot_bottom = p.plot_top + p.plot_height;

  if (rows == 0) canvas.Fill(p.plot_left, p.plot_top, p.plot_width, p.plot_height, kNoDataColour);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < p.plot_width; ++c) {
      float v = c < static_cast<int>(levels[r].size()) ? levels[r][c] : NAN;
      Rgb colour = std::isnan(v) ? kNoDataColour : ColourOf(v, scale);
      canvas.Fill(p.plot_left + c, p.plot_top + r * p.row_height, 1, p.row_height, colour);
    }
  }
  canvas.Frame(p.plot_left, p.plot_top, p.plot_width, p.plot_height, kAxisColour);
  p.labels.push_back({p.plot_left, kMarginTop / 2, axes.title, Label::Align::kLeft});

  // Frequency axis, in kHz from the tuning frequency.
  if (axes.span_hz > 0) {
    double step = NiceStep(axes.span_hz, 10);
    double half = axes.span_hz / 2;
    for (double k = std::ceil(-half / step); k * step <= half; ++k) {
      int column = ColumnOf(k * step, axes.span_hz, p.plot_width);
      if (column < 0) continue;
      int x = p.plot_left + column;
      canvas.Fill(x, plot_bottom + 1, 1, kTickLength, kAxisColour);
      p.labels.push_back(
          {x, plot_bottom + 14, SignedLabel(k * step / 1000), Label::Align::kCentre});
    }
  }
  p.labels.push_back({p.plot_left + p.plot_width / 2, plot_bottom + 35,
                      "kHz from the tuning frequency", Label::Align::kCentre});

  // Time axis, in seconds from the start of the stream, downwards.
  if (rows > 0 && axes.row_seconds > 0) {
    double total = rows * axes.row_seconds;
    double step = NiceStep(total, std::max(1, p.plot_height / 40));
    for (double k = 0; k * step <= total * (1 + 1e-9); ++k) {
      int y =
          p.plot_top + static_cast<int>(std::lround(k * step / axes.row_seconds * p.row_height));
      canvas.Fill(p.plot_left - 1 - kTickLength, y, kTickLength, 1, kAxisColour);
      p.labels.push_back({p.plot_left - 9, y, Number(k * step) + " s", Label::Align::kRight});
    }
  }

  // Colour scale, the top level at the top.
  int bar_left = p.plot_left + p.plot_width + kBarGap;
  double range = scale.top_db - scale.floor_db;
  for (int y = 0; y < p.plot_height; ++y) {
    double db = scale.top_db - (y + 0.5) / p.plot_height * range;
    canvas.Fill(bar_left, p.plot_top + y, kBarWidth, 1, ColourOf(db, scale));
  }
  canvas.Frame(bar_left, p.plot_top, kBarWidth, p.plot_height, kAxisColour);
  if (range > 0) {
    double step = NiceStep(range, std::max(1, p.plot_height / 30));
    for (double db = std::ceil(scale.floor_db / step) * step; db <= scale.top_db; db += step) {
      int y = p.plot_top +
              static_cast<int>(std::lround((scale.top_db - db) / range * (p.plot_height - 1)));
      canvas.Fill(bar_left + kBarWidth + 1, y, kTickLength - 1, 1, kAxisColour);
      p.labels.push_back({bar_left + kBarWidth + 8, y, Number(db) + " dB", Label::Align::kLeft});
    }
  }
  return p;
}

}  // namespace tessel::host

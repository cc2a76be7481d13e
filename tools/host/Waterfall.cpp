#include "tools/host/Waterfall.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tools/host/Fft.h"

namespace tessel::host {
namespace {

constexpr int kN = WaterfallBuilder::kColumns;

// The power of a full-scale tone in its bin: amplitude 32768 times the Hann
// window's sum (n / 2), squared. Levels are given relative to it.
constexpr double kFullScalePower = (32768.0 * kN / 2) * (32768.0 * kN / 2);

}  // namespace

int ColumnOf(double hz, double span_hz, int width) {
  if (!(span_hz > 0) || width <= 0) return -1;
  double x = std::floor(hz * width / span_hz + width / 2 + 0.5);
  if (!(x >= 0 && x < width)) return -1;
  return static_cast<int>(x);
}

double ColumnHz(int column, double span_hz, int width) {
  return (column - width / 2) * span_hz / width;
}

WaterfallBuilder::WaterfallBuilder(double row_seconds, std::size_t max_rows)
    : row_seconds_(row_seconds), max_rows_(max_rows < 2 ? 2 : max_rows) {}

void WaterfallBuilder::AddBlock(const int16_t* iq, std::size_t pairs, double rate) {
  if (!(rate > 0) || iq == nullptr) return;
  if (rate != rate_) {
    if (rate_ > 0) seconds_ += static_cast<double>(pending_.size() / 2) / rate_;
    pending_.clear();
    rate_ = rate;
    if (rate > span_hz_) WidenSpan(rate);
  }
  for (std::size_t i = 0; i < pairs; ++i) {
    pending_.push_back(iq[2 * i]);
    pending_.push_back(iq[2 * i + 1]);
    if (pending_.size() == 2 * static_cast<std::size_t>(kN)) AddFrame(rate);
  }
}

// Adds the finished transform to every row whose interval it overlaps: at a low
// rate one transform lasts several rows, at a high rate a row averages several.
void WaterfallBuilder::AddFrame(double rate) {
  std::vector<double> power = PowerSpectrum(pending_.data(), kN);
  pending_.clear();
  double start = seconds_;
  seconds_ += kN / rate;
  auto last_row = [&] {
    double end = std::ceil(seconds_ / row_seconds_) - 1;
    return static_cast<std::size_t>(end < 0 ? 0 : end);
  };
  while (last_row() >= max_rows_) MergeRows();
  std::size_t first = static_cast<std::size_t>(std::floor(start / row_seconds_));
  std::size_t last = last_row();
  if (first > last) first = last;
  if (rows_.size() <= last) rows_.resize(last + 1);
  // Each column takes the strongest of the bins whose centres it covers, so that a
  // tone keeps its level when a narrower rate puts several bins into one column.
  // The most negative bin is also the most positive one and is left out.
  std::vector<double> column_power(kN, -1.0);
  for (int bin = -kN / 2 + 1; bin < kN / 2; ++bin) {
    int c = ColumnOf(bin * rate / kN, span_hz_, kN);
    if (c < 0) continue;
    double p = power[static_cast<std::size_t>((bin + kN) % kN)];
    column_power[c] = std::max(column_power[c], p);
  }
  for (int c = 0; c < kN; ++c) {
    if (column_power[c] < 0) continue;  // beyond the band of this rate
    for (std::size_t r = first; r <= last; ++r) {
      rows_[r].sum[c] += column_power[c];
      ++rows_[r].count[c];
    }
  }
}

// Stretches the frequency axis to `span_hz`: each new, wider column takes the
// strongest of the old columns it covers.
void WaterfallBuilder::WidenSpan(double span_hz) {
  double old_span = span_hz_;
  span_hz_ = span_hz;
  for (Row& row : rows_) {
    Row wide;
    for (int from = 0; from < kN; ++from) {
      if (row.count[from] == 0) continue;
      int c = ColumnOf(ColumnHz(from, old_span, kN), span_hz, kN);
      if (c < 0) continue;
      double mean = row.sum[from] / row.count[from];
      if (wide.count[c] == 0 || mean > wide.sum[c] / wide.count[c]) {
        wide.sum[c] = row.sum[from];
        wide.count[c] = row.count[from];
      }
    }
    row = std::move(wide);
  }
}

void WaterfallBuilder::MergeRows() {
  std::size_t merged = (rows_.size() + 1) / 2;
  for (std::size_t r = 0; r < merged; ++r) {
    Row row = std::move(rows_[2 * r]);
    if (2 * r + 1 < rows_.size()) {
      const Row& next = rows_[2 * r + 1];
      for (int c = 0; c < kN; ++c) {
        row.sum[c] += next.sum[c];
        row.count[c] += next.count[c];
      }
    }
    rows_[r] = std::move(row);
  }
  rows_.resize(merged);
  row_seconds_ *= 2;
}

std::vector<std::vector<float>> WaterfallBuilder::LevelsDb() const {
  std::vector<std::vector<float>> levels;
  levels.reserve(rows_.size());
  for (const Row& row : rows_) {
    std::vector<float> level(kN, std::numeric_limits<float>::quiet_NaN());
    for (int c = 0; c < kN; ++c) {
      if (row.count[c] == 0) continue;
      // A bin of zero power is given the level of one least step of signal.
      double mean = row.sum[c] / row.count[c];
      level[c] = static_cast<float>(10 * std::log10(std::max(mean, 1.0) / kFullScalePower));
    }
    levels.push_back(std::move(level));
  }
  return levels;
}

}  // namespace tessel::host

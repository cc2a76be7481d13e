// Turns a stream of I/Q blocks into waterfall rows: the spectrum's level in dB
// across the frequencies around the tuning frequency, one row per fixed stretch of
// stream time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessel::host {

// The column that shows `hz` (offset from the tuning frequency) when `width`
// columns span `span_hz` centred on the tuning frequency; -1 when outside. Column
// width / 2 is the tuning frequency itself, and each column is span / width wide.
int ColumnOf(double hz, double span_hz, int width);

// The frequency at the centre of `column`, as an offset from the tuning frequency.
double ColumnHz(int column, double span_hz, int width);

class WaterfallBuilder {
 public:
  // Pairs per transform, and columns per row: at the widest rate one column is one bin.
  static constexpr int kColumns = 1024;

  // Rows start `row_seconds` of stream time apart; when a row beyond `max_rows`
  // would be needed, neighbouring rows are merged and the interval doubles, so a
  // long run makes a picture of bounded height.
  explicit WaterfallBuilder(double row_seconds = 0.02, std::size_t max_rows = 1000);

  // Adds `pairs` interleaved I/Q pairs received at `rate` Hz (ignored when the rate
  // is not positive). After a rate change the unfinished transform is dropped, as
  // it would mix two rates; its time still counts.
  void AddBlock(const int16_t* iq, std::size_t pairs, double rate);

  // Mean level of each row and column in dB relative to a full-scale tone; NaN
  // where the row has no data at that frequency (beyond the band of the rate then).
  std::vector<std::vector<float>> LevelsDb() const;

  // The widest rate seen: the columns span plus and minus half of it.
  double SpanHz() const { return span_hz_; }
  double RowSeconds() const { return row_seconds_; }
  std::size_t RowCount() const { return rows_.size(); }
  // Stream time taken in so far, in seconds.
  double Seconds() const { return seconds_; }

 private:
  struct Row {
    std::vector<double> sum = std::vector<double>(kColumns, 0.0);
    std::vector<uint32_t> count = std::vector<uint32_t>(kColumns, 0);
  };

  void AddFrame(double rate);
  void WidenSpan(double span_hz);
  void MergeRows();

  double row_seconds_;
  std::size_t max_rows_;
  double span_hz_ = 0;
  double rate_ = 0;
  double seconds_ = 0;
  std::vector<int16_t> pending_;  // the unfinished transform's pairs, interleaved
  std::vector<Row> rows_;
};

}  // namespace tessel::host

// The waterfall: rows from I/Q blocks, their colours and layout, and the PNG file.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cmath>
#include <vector>

#include "tests/host/PngRead.h"
#include "tools/host/PngFile.h"
#include "tools/host/Waterfall.h"
#include "tools/host/WaterfallPicture.h"

namespace tessel::host {
namespace {

constexpr int kW = WaterfallBuilder::kColumns;

// Feeds `seconds` of a tone at `hz` (amplitude `amplitude`) at `rate`, in blocks of
// 1024 pairs as the plug-in delivers them, continuing the phase in `phase`.
void FeedTone(WaterfallBuilder& b, double hz, double rate, double seconds, double* phase,
              double amplitude = 8000) {
  std::vector<int16_t> block(2048);
  for (int n = static_cast<int>(seconds * rate / 1024); n > 0; --n) {
    for (int i = 0; i < 1024; ++i) {
      block[2 * i] = static_cast<int16_t>(std::lround(amplitude * std::cos(*phase)));
      block[2 * i + 1] = static_cast<int16_t>(std::lround(amplitude * std::sin(*phase)));
      *phase += 2 * 3.14159265358979 * hz / rate;
    }
    b.AddBlock(block.data(), 1024, rate);
  }
}

int BrightestColumn(const std::vector<float>& row) {
  int best = -1;
  for (int c = 0; c < static_cast<int>(row.size()); ++c)
    if (!std::isnan(row[c]) && (best < 0 || row[c] > row[best])) best = c;
  return best;
}

double Luma(Rgb c) {
  return 0.2126 * c.r + 0.7152 * c.g + 0.0722 * c.b;
}

TEST(Waterfall, ColumnOfAFrequency) {
  const struct {
    double hz, span;
    int column;
  } rows[] = {{0, 158730, 512},     {10000, 158730, 577}, {-10000, 158730, 447},
              {-79365, 158730, 0},  {79365, 158730, -1},  {79210, 158730, 1023},
              {-80000, 158730, -1}, {1000, 0, -1},        {NAN, 158730, -1}};
  for (const auto& r : rows) EXPECT_EQ(ColumnOf(r.hz, r.span, kW), r.column) << r.hz;
  for (int c = 0; c < kW; ++c) ASSERT_EQ(ColumnOf(ColumnHz(c, 8138, kW), 8138, kW), c);
}

TEST(Waterfall, ToneLevelAndRowsOfFixedTime) {
  WaterfallBuilder b;
  double phase = 0;
  // On a bin centre, half of full scale: -6 dB.
  FeedTone(b, 64 * 158730.0 / 1024, 158730, 1.0, &phase, 16384);
  auto levels = b.LevelsDb();
  EXPECT_NEAR(static_cast<double>(levels.size()), 1.0 / 0.02, 1.0);
  for (const auto& row : levels) {
    ASSERT_EQ(BrightestColumn(row), 512 + 64);
    EXPECT_NEAR(row[512 + 64], -6.02, 0.1);
    EXPECT_LT(row[512 - 64], -60) << "nothing at the mirror frequency";
  }
}

TEST(Waterfall, AMovingToneMovesInThePicture) {
  WaterfallBuilder b;
  double phase = 0;
  FeedTone(b, 5000, 158730, 0.5, &phase);
  std::size_t before = b.RowCount();
  FeedTone(b, -20000, 158730, 0.5, &phase);
  auto levels = b.LevelsDb();
  for (std::size_t r = 0; r < levels.size(); ++r) {
    int expected = r + 1 < before ? ColumnOf(5000, 158730, kW) : ColumnOf(-20000, 158730, kW);
    if (r + 1 == before) continue;  // the row in which it moves holds both
    EXPECT_NEAR(BrightestColumn(levels[r]), expected, 1) << "row " << r;
  }
}

TEST(Waterfall, RateChangesKeepFrequenciesInPlace) {
  WaterfallBuilder b;
  double phase = 0;
  FeedTone(b, 5000, 37793, 0.4, &phase);
  FeedTone(b, 5000, 196078, 0.4, &phase);  // wider: the earlier rows are re-spread
  FeedTone(b, 5000, 16276, 0.4, &phase);
  EXPECT_EQ(b.SpanHz(), 196078);
  auto levels = b.LevelsDb();
  int tone = ColumnOf(5000, 196078, kW);
  int narrow_edge = ColumnOf(37793 / 2.0, 196078, kW);
  ASSERT_GT(levels.size(), 55u);
  for (std::size_t r : {2u, 30u, 55u}) {
    EXPECT_NEAR(BrightestColumn(levels[r]), tone, 1) << "row " << r;
  }
  EXPECT_TRUE(std::isnan(levels[2][narrow_edge + 2])) << "beyond the band of 37793 Hz";
  EXPECT_FALSE(std::isnan(levels[2][narrow_edge - 2]));
  EXPECT_FALSE(std::isnan(levels[30][kW - 1])) << "196078 Hz fills the width";
  EXPECT_TRUE(std::isnan(levels[55][ColumnOf(9000, 196078, kW)])) << "beyond 16276 / 2";
}

TEST(Waterfall, LongRunsMergeRowsAndSlowRatesFillEveryRow) {
  WaterfallBuilder b(0.02, 8);
  double phase = 0;
  FeedTone(b, -3000, 158730, 1.0, &phase);
  EXPECT_LE(b.RowCount(), 8u);
  EXPECT_DOUBLE_EQ(b.RowSeconds(), 0.16);
  for (const auto& row : b.LevelsDb())
    EXPECT_NEAR(BrightestColumn(row), ColumnOf(-3000, 158730, kW), 1);

  WaterfallBuilder slow;  // one transform lasts about six rows
  FeedTone(slow, 1000, 8138, 1.0, &phase);
  auto levels = slow.LevelsDb();
  ASSERT_GT(levels.size(), 40u);
  for (const auto& row : levels) EXPECT_NEAR(BrightestColumn(row), ColumnOf(1000, 8138, kW), 1);
}

TEST(WaterfallPicture, ColourScaleRisesInBrightness) {
  DbScale scale{-100, -20};
  EXPECT_EQ(ColourOf(-100, scale), (Rgb{0, 0, 0}));
  EXPECT_EQ(ColourOf(-20, scale), (Rgb{255, 255, 255}));
  EXPECT_EQ(ColourOf(-150, scale), ColourOf(-100, scale));
  EXPECT_EQ(ColourOf(0, scale), ColourOf(-20, scale));
  EXPECT_EQ(ColourOf(NAN, scale), ColourOf(-100, scale));
  // Rounding each channel may cost a fraction of a step, never more.
  for (double db = -100; db < -20; db += 0.25) {
    ASSERT_LE(Luma(ColourOf(db, scale)), Luma(ColourOf(db + 0.25, scale)) + 1.0) << db;
    ASSERT_LT(Luma(ColourOf(db, scale)), Luma(ColourOf(db + 2, scale))) << db;
  }
}

TEST(WaterfallPicture, ScaleStepsAndLabels) {
  std::vector<std::vector<float>> noise_and_tone(1, std::vector<float>(100, -83));
  noise_and_tone[0][7] = -17;
  noise_and_tone[0][8] = NAN;
  const struct {
    std::vector<std::vector<float>> levels;
    double floor, top;
  } scales[] = {{noise_and_tone, -100, -10},
                {{{-50, -50}}, -70, -50},
                {{{-150, -150, -150, 0}}, -120, 0},
                {{}, -100, 0}};
  for (const auto& s : scales) {
    DbScale got = ChooseScale(s.levels);
    EXPECT_EQ(got.floor_db, s.floor);
    EXPECT_EQ(got.top_db, s.top);
  }
  const struct {
    double range;
    int steps;
    double step;
  } steps[] = {{158730, 10, 20000}, {8138, 10, 1000}, {100, 10, 10}, {3, 6, 0.5}, {0, 5, 1}};
  for (const auto& s : steps) EXPECT_DOUBLE_EQ(NiceStep(s.range, s.steps), s.step) << s.range;
  EXPECT_EQ(SignedLabel(10), "+10");
  EXPECT_EQ(SignedLabel(-2.5), "-2.5");
  EXPECT_EQ(SignedLabel(-0.0001), "0");
}

TEST(WaterfallPicture, PlotShowsEachRowWithAxesAndNoDataInGrey) {
  WaterfallBuilder b;
  double phase = 0;
  FeedTone(b, 20000, 158730, 0.2, &phase);
  FeedTone(b, 20000, 55555, 0.2, &phase);
  auto levels = b.LevelsDb();
  Picture p = ComposeWaterfall(levels, ChooseScale(levels), {158730, 0.02, "title"});
  ASSERT_EQ(p.plot_height, static_cast<int>(levels.size()) * p.row_height);
  EXPECT_GE(p.plot_height, 240);
  int tone = ColumnOf(20000, 158730, kW);
  for (int y = 0; y < p.plot_height / 2 - p.row_height; ++y) {
    int best = 0;
    for (int x = 1; x < kW; ++x)
      if (Luma(p.At(p.plot_left + x, p.plot_top + y)) >
          Luma(p.At(p.plot_left + best, p.plot_top + y)))
        best = x;
    ASSERT_NEAR(best, tone, 1) << "pixel row " << y;
  }
  // After the change to 55555 Hz the tone at 20 kHz is still inside, the edges are not.
  EXPECT_EQ(p.At(p.plot_left + 5, p.plot_top + p.plot_height - 1), kNoDataColour);
  bool zero_labelled = false;
  for (const Label& l : p.labels)
    zero_labelled |=
        l.text == "0" && l.x == p.plot_left + kW / 2 && l.y > p.plot_top + p.plot_height;
  EXPECT_TRUE(zero_labelled);
}

TEST(PngFile, WritesThePixelsAndTheLabelsAndReportsAFileItCannotMake) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Picture p;
  p.width = 101;  // rows padded in the DIB
  p.height = 40;
  p.pixels.assign(101 * 40, Rgb{10, 20, 30});
  for (int x = 0; x < 101; ++x) p.pixels[5 * 101 + x] = Rgb{250, 0, 5};
  p.labels.push_back({50, 25, "-20 dB", Label::Align::kCentre});
  std::string error;
  ASSERT_TRUE(WritePicturePng(p, "waterfall-test.png", &error)) << error;
  const auto read = ReadPng(L"waterfall-test.png");
  ASSERT_TRUE(read);
  ASSERT_EQ(read->width, 101u);
  ASSERT_EQ(read->height, 40u);
  auto at = [&](int x, int y) {
    const uint32_t c = read->At(x, y);
    return Rgb{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
               static_cast<uint8_t>(c)};
  };
  EXPECT_EQ(at(100, 5), (Rgb{250, 0, 5}));
  EXPECT_EQ(at(0, 39), (Rgb{10, 20, 30}));
  int text_pixels = 0;
  for (int y = 15; y < 35; ++y)
    for (int x = 20; x < 80; ++x) text_pixels += at(x, y) != Rgb{10, 20, 30};
  EXPECT_GT(text_pixels, 20) << "the label is drawn";
  DeleteFileW(L"waterfall-test.png");

  error.clear();
  EXPECT_FALSE(WritePicturePng(p, "no-such-folder\\x.png", &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(GetFileAttributesW(L"no-such-folder\\x.png"), INVALID_FILE_ATTRIBUTES);
  CoUninitialize();
}

}  // namespace
}  // namespace tessel::host

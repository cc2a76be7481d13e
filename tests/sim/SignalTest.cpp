// The synthetic signal and the block pacing, tested directly.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "sim/BlockPacer.h"
#include "sim/SignalGenerator.h"
#include "testing/SimHarness.h"

namespace calder::sim {
namespace {

constexpr int kPairs = 1024;

std::vector<int16_t> Block(SignalGenerator& generator) {
  std::vector<int16_t> block(2 * kPairs);
  generator.Fill(block.data(), kPairs);
  return block;
}

double Rms(const std::vector<int16_t>& block) {
  double sum = 0;
  for (int16_t v : block) sum += double(v) * v;
  return std::sqrt(sum / block.size());
}

TEST(SignalGenerator, CarrierSitsAtItsSignedOffset) {
  struct Row {
    int rate;
    double offset;
  } rows[] = {{158730, 10000}, {111111, -20000}, {37793, 5000}, {196078, -60000}};
  for (const Row& row : rows) {
    SignalGenerator generator;
    generator.SetRate(row.rate);
    generator.SetCarrierOffset(row.offset);
    const std::vector<int16_t> block = Block(generator);
    const std::vector<double> spectrum = testing::Spectrum(block.data(), kPairs);
    const size_t expected = testing::BinOf(row.offset, row.rate, kPairs);
    const size_t mirror = (kPairs - expected) % kPairs;
    size_t peak = 0;
    for (size_t k = 1; k < spectrum.size(); ++k) {
      if (spectrum[k] > spectrum[peak]) peak = k;
    }
    EXPECT_EQ(peak, expected) << row.rate << " Hz, offset " << row.offset;
    // I first: the mirror image of the carrier is deep in the noise.
    EXPECT_GT(spectrum[peak], 100 * spectrum[mirror]) << row.rate << " Hz, offset " << row.offset;
  }
}

TEST(SignalGenerator, PhaseRunsOnAcrossBlocks) {
  // Two blocks of 1024 pairs must read as one 2048-pair tone: the pair after a
  // block boundary continues the rotation of the pairs before it.
  SignalGenerator generator;
  generator.SetRate(55555);
  generator.SetCarrierOffset(3333.3);
  const auto pair = [](const std::vector<int16_t>& block, size_t k) {
    return std::complex<double>(block[2 * k], block[2 * k + 1]);
  };
  const std::vector<int16_t> first = Block(generator);
  const std::vector<int16_t> second = Block(generator);
  const double step = 2 * std::numbers::pi * 3333.3 / 55555;
  const double phase_before = std::arg(pair(first, kPairs - 1));
  const double phase_after = std::arg(pair(second, 0));
  const double jump = std::remainder(phase_after - phase_before - step, 2 * std::numbers::pi);
  EXPECT_LT(std::fabs(jump), 0.05);
  // And within the second block it keeps turning at the same step.
  const double inner = std::remainder(std::arg(pair(second, 1)) - std::arg(pair(second, 0)) - step,
                                      2 * std::numbers::pi);
  EXPECT_LT(std::fabs(inner), 0.05);
}

TEST(SignalGenerator, GainsScaleTheOutputAndAreClampedToTheirStages) {
  // Values the plug-in may send before snapping to slider steps.
  EXPECT_DOUBLE_EQ(SignalGenerator::GainFactor(0, 100), SignalGenerator::GainFactor(0, 24));
  EXPECT_DOUBLE_EQ(SignalGenerator::GainFactor(-15, 30), SignalGenerator::GainFactor(-15, 24));
  EXPECT_DOUBLE_EQ(SignalGenerator::GainFactor(-99, -5), SignalGenerator::GainFactor(-30, 0));

  SignalGenerator loud;
  SignalGenerator quiet;
  quiet.SetGains(-20, 24);
  const double ratio = Rms(Block(loud)) / Rms(Block(quiet));
  EXPECT_NEAR(ratio, 10.0, 0.5);
}

TEST(SignalGenerator, FullGainStaysInsideInt16WithoutWrapping) {
  SignalGenerator generator;
  generator.SetGains(0, 500);
  const std::vector<int16_t> block = Block(generator);
  // A wrap-around would turn a large positive value into a large negative one
  // between neighbours; the carrier's envelope stays near its amplitude.
  for (size_t k = 0; k < block.size() / 2; ++k) {
    const double magnitude = std::hypot(block[2 * k], block[2 * k + 1]);
    EXPECT_NEAR(magnitude, SignalGenerator::kFullGainAmplitude, 400) << "pair " << k;
  }
}

TEST(SignalGenerator, CarrierOutsideThePassbandIsFilteredAway) {
  SignalGenerator generator;
  generator.SetRate(16276);  // passes about +-7.3 kHz: the default +10 kHz is outside
  EXPECT_EQ(generator.CarrierAmplitude(), 0.0);
  EXPECT_LT(Rms(Block(generator)), 5 * generator.NoiseSigma());
  generator.SetCarrierOffset(-7000);
  EXPECT_GT(generator.CarrierAmplitude(), 0.0);
}

TEST(SignalGenerator, NoiseHasTheStatedSpread) {
  SignalGenerator generator;
  generator.SetCarrierOffset(1e9);  // out of band: noise only
  const double measured = Rms(Block(generator));
  EXPECT_NEAR(measured, generator.NoiseSigma(), 0.15 * generator.NoiseSigma());
  // Successive blocks are not the same noise.
  EXPECT_NE(Block(generator), Block(generator));
}

TEST(BlockPacer, CountsWholeBlocksFromElapsedTime) {
  constexpr int64_t kTicks = 10'000'000;  // a 10 MHz counter
  struct Row {
    int rate;
    int64_t elapsed_ticks;
    int64_t blocks;
  } rows[] = {
      {8138, 0, 0},          {8138, kTicks, 7},         {8138, 2 * kTicks, 15},
      {196078, kTicks, 191}, {196078, kTicks / 100, 1}, {158730, kTicks / 2, 77},
      {55555, -kTicks, 0},  // a counter that went backwards gives nothing
  };
  for (const Row& row : rows) {
    BlockPacer pacer;
    pacer.Start(5000, kTicks, row.rate, 1024);
    EXPECT_EQ(pacer.BlocksDue(5000 + row.elapsed_ticks), row.blocks)
        << row.rate << " Hz after " << row.elapsed_ticks;
  }
}

TEST(BlockPacer, HandsOutEachBlockOnceAndCapsABacklog) {
  constexpr int64_t kTicks = 1000;
  BlockPacer pacer;
  pacer.Start(0, kTicks, 196078, 1024);  // 191.5 blocks a second
  EXPECT_EQ(pacer.MaxBurst(), 47);
  int taken = 0;
  for (int64_t t = 10; t <= 1000; t += 10) taken += pacer.TakeDue(t);
  EXPECT_EQ(taken, 191);
  EXPECT_EQ(pacer.TakeDue(1000), 0);
  EXPECT_EQ(pacer.dropped(), 0);

  // A thread that stalls for five seconds gets one capped burst, then real time again.
  EXPECT_EQ(pacer.TakeDue(6000), pacer.MaxBurst());
  EXPECT_EQ(pacer.dropped(), pacer.BlocksDue(6000) - 191 - pacer.MaxBurst());
  EXPECT_EQ(pacer.TakeDue(6100), pacer.BlocksDue(6100) - pacer.BlocksDue(6000));

  BlockPacer slow;
  slow.Start(0, kTicks, 8138, 1024);
  EXPECT_EQ(slow.MaxBurst(), 4);  // never fewer than a few
}

TEST(BlockPacer, LongStreamsDoNotOverflow) {
  // Sixty days on a 10 MHz counter: elapsed * rate alone would overflow 64 bits.
  constexpr int64_t kTicks = 10'000'000;
  const int64_t sixty_days = 60LL * 24 * 3600 * kTicks;
  BlockPacer pacer;
  pacer.Start(0, kTicks, 196078, 1024);
  EXPECT_EQ(pacer.BlocksDue(sixty_days), 60LL * 24 * 3600 * 196078 / 1024);
}

}  // namespace
}  // namespace calder::sim

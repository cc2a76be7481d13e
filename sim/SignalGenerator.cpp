#include "sim/SignalGenerator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace calder::sim {

namespace {

constexpr int kNoiseTableSize = 1 << 14;  // power of two: indexes wrap with a mask

// Rounds to the nearest int16, holding at the rails instead of wrapping.
int16_t Saturate(double value) {
  return static_cast<int16_t>(std::lrint(std::clamp(value, -32768.0, 32767.0)));
}

}  // namespace

SignalGenerator::SignalGenerator(uint32_t seed)
    : random_state_(seed != 0 ? seed : 1u), noise_table_(kNoiseTableSize) {
  // Box-Muller once at start-up; blocks then read the table at random places,
  // which costs far less per sample than drawing fresh Gaussian values.
  for (int i = 0; i < kNoiseTableSize; i += 2) {
    const double u1 = (NextRandom() + 1.0) / 4294967297.0;  // (0, 1): log stays finite
    const double u2 = NextRandom() / 4294967296.0;
    const double radius = std::sqrt(-2.0 * std::log(u1));
    noise_table_[i] = static_cast<float>(radius * std::cos(2.0 * std::numbers::pi * u2));
    noise_table_[i + 1] = static_cast<float>(radius * std::sin(2.0 * std::numbers::pi * u2));
  }
}

void SignalGenerator::SetRate(int rate_hz) {
  if (rate_hz > 0) rate_hz_ = rate_hz;
}

void SignalGenerator::SetCarrierOffset(double offset_hz) {
  if (std::isfinite(offset_hz)) offset_hz_ = offset_hz;
}

void SignalGenerator::SetGains(int hf_gain_db, int if_gain_db) {
  hf_gain_db_ = hf_gain_db;
  if_gain_db_ = if_gain_db;
}

double SignalGenerator::GainFactor(int hf_gain_db, int if_gain_db) {
  const int hf = std::clamp(hf_gain_db, kMinHfGainDb, kMaxHfGainDb);
  const int ifg = std::clamp(if_gain_db, kMinIfGainDb, kMaxIfGainDb);
  return std::pow(10.0, (hf + ifg - kMaxHfGainDb - kMaxIfGainDb) / 20.0);
}

double SignalGenerator::CarrierAmplitude() const {
  if (std::fabs(offset_hz_) > 0.5 * kPassbandFraction * rate_hz_) return 0.0;
  return kFullGainAmplitude * GainFactor(hf_gain_db_, if_gain_db_);
}

double SignalGenerator::NoiseSigma() const {
  return kFullGainAmplitude * kNoiseToCarrier * GainFactor(hf_gain_db_, if_gain_db_) + kFloorNoise;
}

uint32_t SignalGenerator::NextRandom() {
  // xorshift32: fast, and good enough to decorrelate noise table positions.
  uint32_t x = random_state_;
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  random_state_ = x;
  return x;
}

void SignalGenerator::Fill(int16_t* out, int pairs) {
  if (pairs <= 0) return;
  const double amplitude = CarrierAmplitude();
  const double sigma = NoiseSigma();
  const double step_cycles = offset_hz_ / rate_hz_;

  // The carrier is a phasor turned by a fixed step per pair. The start of each
  // block is recomputed from the exact phase, so rounding never accumulates
  // across blocks; within one block the drift of 1024 products is negligible.
  const double start = 2.0 * std::numbers::pi * phase_cycles_;
  const double step = 2.0 * std::numbers::pi * step_cycles;
  double re = amplitude * std::cos(start);
  double im = amplitude * std::sin(start);
  const double step_re = std::cos(step);
  const double step_im = std::sin(step);

  // An odd stride visits every table entry before repeating, so one block never
  // reuses a noise value.
  const uint32_t mask = kNoiseTableSize - 1;
  uint32_t index = NextRandom() & mask;
  const uint32_t stride = (NextRandom() & mask) | 1u;

  for (int k = 0; k < pairs; ++k) {
    const double noise_i = sigma * noise_table_[index];
    index = (index + stride) & mask;
    const double noise_q = sigma * noise_table_[index];
    index = (index + stride) & mask;
    out[2 * k] = Saturate(re + noise_i);
    out[2 * k + 1] = Saturate(im + noise_q);
    const double next_re = re * step_re - im * step_im;
    im = re * step_im + im * step_re;
    re = next_re;
  }

  phase_cycles_ += pairs * step_cycles;
  phase_cycles_ -= std::floor(phase_cycles_);
}

}  // namespace calder::sim

// Synthetic receiver output: a complex carrier plus Gaussian noise, written as
// interleaved 16-bit I/Q pairs (I first). Pure computation, no Windows.
#pragma once

#include <cstdint>
#include <vector>

namespace calder::sim {

class SignalGenerator {
 public:
  // Gain range whose effect the generator models; values outside are clamped.
  static constexpr int kMinHfGainDb = -30;
  static constexpr int kMaxHfGainDb = 0;
  static constexpr int kMinIfGainDb = 0;
  static constexpr int kMaxIfGainDb = 24;
  // Carrier amplitude at the highest total gain: -6 dB below full scale.
  static constexpr double kFullGainAmplitude = 16384.0;
  // Noise that scales with the gains, relative to the carrier (about -52 dB).
  static constexpr double kNoiseToCarrier = 1.0 / 400.0;
  // Converter noise that no gain setting removes, in int16 steps (RMS).
  static constexpr double kFloorNoise = 0.5;
  // Part of the output band the receiver's filter passes; a carrier beyond it is gone.
  static constexpr double kPassbandFraction = 0.9;

  explicit SignalGenerator(uint32_t seed = 0x2545F491u);

  void SetRate(int rate_hz);
  void SetCarrierOffset(double offset_hz);
  void SetGains(int hf_gain_db, int if_gain_db);

  // Writes `pairs` I/Q pairs to `out` (2 * pairs values); the carrier's phase
  // carries on from the previous call.
  void Fill(int16_t* out, int pairs);

  // Carrier amplitude in int16 steps at the present gains, 0 when outside the passband.
  double CarrierAmplitude() const;
  // RMS of the noise on each of I and Q, in int16 steps.
  double NoiseSigma() const;
  // Linear gain of the HF and IF stages together, 1.0 at the highest setting.
  static double GainFactor(int hf_gain_db, int if_gain_db);

 private:
  uint32_t NextRandom();

  int rate_hz_ = 158730;
  double offset_hz_ = 10000.0;
  int hf_gain_db_ = 0;
  int if_gain_db_ = 24;
  // Carrier phase in cycles, kept in [0, 1) so that it never loses precision.
  double phase_cycles_ = 0.0;
  uint32_t random_state_;
  std::vector<float> noise_table_;  // unit-variance Gaussian values
};

}  // namespace calder::sim

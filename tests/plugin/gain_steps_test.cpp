// Slider positions and gains map onto each other, and the settings keys carry their
// defaults.
#include <gtest/gtest.h>

#include <cmath>

#include "plugin/Settings.h"
#include "receiver/GainSteps.h"
#include "receiver/SampleBuffer.h"

namespace tessel {
namespace {

TEST(GainSteps, EachPositionRoundTripsAndOffGridGainsTruncateTowardZero) {
  const struct {
    GainSlider slider;
    int position;
    int gain;
  } steps[] = {
      {GainSlider::kSliderHFGain, 0, -30}, {GainSlider::kSliderHFGain, 1, -20},
      {GainSlider::kSliderHFGain, 2, -10}, {GainSlider::kSliderHFGain, 3, 0},
      {GainSlider::kSliderIFGain, 0, 0},   {GainSlider::kSliderIFGain, 1, 6},
      {GainSlider::kSliderIFGain, 2, 12},  {GainSlider::kSliderIFGain, 3, 18},
      {GainSlider::kSliderIFGain, 4, 24},
  };
  for (const auto& s : steps) {
    EXPECT_EQ(GainOfPosition(s.slider, s.position), s.gain) << s.position;
    EXPECT_EQ(PositionOfGain(s.slider, s.gain), s.position) << s.gain;
  }
  const struct {
    GainSlider slider;
    int gain;
    int position;
  } off_grid[] = {
      {GainSlider::kSliderHFGain, -15, 2}, {GainSlider::kSliderHFGain, -5, 3},
      {GainSlider::kSliderHFGain, -31, 0}, {GainSlider::kSliderHFGain, 40, 7},
      {GainSlider::kSliderIFGain, 20, 3},  {GainSlider::kSliderIFGain, 30, 5},
      {GainSlider::kSliderIFGain, -7, -1}, {GainSlider::kSliderIFGain, 100, 16},
  };
  for (const auto& s : off_grid) EXPECT_EQ(PositionOfGain(s.slider, s.gain), s.position) << s.gain;
}

TEST(SettingFields, DefaultsFillEveryFieldAndEachKeyReadsBackWhatItWrites) {
  ReceiverSettings state;
  ApplySettingDefaults(state);
  EXPECT_EQ(state.SampleRate, 158730);
  EXPECT_TRUE(state.PreampOn);
  EXPECT_EQ(state.HfGain, -10);
  EXPECT_EQ(state.IfGain, 24);
  for (const SettingField& field : kSettingFields) {
    EXPECT_EQ(field.Get(state), field.Default) << field.Key;
    ReceiverSettings other;
    field.Set(other, field.Get(state));
    EXPECT_EQ(field.Get(other), field.Default) << field.Key;
  }
  // Only 1 switches the preamplifier on.
  kSettingFields[1].Set(state, 2);
  EXPECT_FALSE(state.PreampOn);
}

TEST(OffsetToFloat, SaturatesOutsideTheFloatRange) {
  const struct {
    double in;
    float out;
  } rows[] = {
      {0.0125, 0.0125f},
      {-2.5, -2.5f},
      {1e300, 3.4028234663852886e38f},
      {-1e39, -3.4028234663852886e38f},
      {HUGE_VAL, 3.4028234663852886e38f},
  };
  for (const auto& row : rows) EXPECT_EQ(OffsetToFloat(row.in), row.out) << row.in;
  EXPECT_TRUE(std::isnan(OffsetToFloat(std::nan(""))));
}

}  // namespace
}  // namespace tessel

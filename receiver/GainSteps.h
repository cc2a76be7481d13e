// The gain sliders' steps: slider position to gain in dB and back. Needs no window.
#pragma once

#include <cstdint>

namespace tessel {

enum class GainSlider { kSliderHFGain, kSliderIFGain };

// The gain a slider position stands for: HF -30, -20, -10, 0 dB at positions 0 to 3;
// IF 0, 6, 12, 18, 24 dB at positions 0 to 4.
constexpr int32_t GainOfPosition(GainSlider slider, int position) {
  return slider == GainSlider::kSliderHFGain ? 2 * (5 * position - 15) : 6 * position;
}

// The position asked for a stored gain, by integer division toward zero (HF -15 dB
// asks for 2, -5 dB for 3). The result may lie outside the slider's range; the
// slider then keeps its position.
constexpr int PositionOfGain(GainSlider slider, int32_t gain) {
  return slider == GainSlider::kSliderHFGain ? 3 + gain / 10 : gain / 6;
}

}  // namespace tessel

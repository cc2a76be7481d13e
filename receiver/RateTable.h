// The seven output rates, their rate buttons and the IF filter index of each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "contract/CalderContract.h"

namespace tessel {

// The seven rate buttons, in the order of the rate table.
enum class RateButton : std::size_t {
  kRate8138,
  kRate16276,
  kRate37793,
  kRate55555,
  kRate111111,
  kRate158730,
  kRate196078,
};
inline constexpr std::size_t kRateButtonCount = 7;

static_assert(sizeof(calder::kFilterRates) / sizeof(calder::kFilterRates[0]) == kRateButtonCount);

// The button's rate in Hz.
constexpr int32_t RateOf(RateButton button) {
  return calder::kFilterRates[static_cast<std::size_t>(button)].rate;
}

// The IFfilter index the button writes.
constexpr int32_t FilterIndexOf(RateButton button) {
  return calder::kFilterRates[static_cast<std::size_t>(button)].index;
}

// The button that matches a rate; Rate111111 for any rate that is none of the seven.
constexpr RateButton ButtonForRate(int32_t rate) {
  for (std::size_t i = 0; i < kRateButtonCount; ++i) {
    if (calder::kFilterRates[i].rate == rate) return static_cast<RateButton>(i);
  }
  return RateButton::kRate111111;
}

}  // namespace tessel

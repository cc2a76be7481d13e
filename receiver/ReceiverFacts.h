// Facts about the receiver that the window and the plug-in both need.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

// The receiver's clock in Hz, written to the component before anything else.
inline constexpr int32_t kReceiverClock = 66667120;

// True when the model text names a Calder ("Calder" at its start, in any letter case):
// only that model has the preamplifier and its input selector.
constexpr bool IsCalderModel(std::string_view text) {
  constexpr std::string_view kPrefix = "calder";
  if (text.size() < kPrefix.size()) return false;
  for (std::size_t i = 0; i < kPrefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kPrefix[i]) return false;
  }
  return true;
}

}  // namespace tessel

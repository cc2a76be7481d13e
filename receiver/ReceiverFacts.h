// Facts about the receiver that the window and the plug-in both need.
#pragma once

#include <string.h>  // _strnicmp

#include <cstdint>
#include <string_view>

namespace tessel {

// The receiver's clock in Hz, written to the component before anything else.
inline constexpr int32_t kReceiverClock = 66667120;

// True when the model text names a Calder ("Calder" at its start, in any letter case):
// only that model has the preamplifier and its input selector.
inline bool IsCalderModel(std::string_view text) {
  constexpr std::string_view kPrefix = "calder";
  return text.size() >= kPrefix.size() &&
         _strnicmp(text.data(), kPrefix.data(), kPrefix.size()) == 0;
}

}  // namespace tessel

// How a value from the settings file reads as a number.
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel {

// Skips leading white space, takes one optional '+' or '-', then decimal digits up
// to the first non-digit; no digits give 0. A value beyond the 32-bit range
// saturates at INT32_MIN or INT32_MAX.
int32_t ReadIniNumber(std::string_view text);

}  // namespace tessel

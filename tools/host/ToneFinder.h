// Finds the strongest tone in a block of complex I/Q samples.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessel::host {

// The frequency in Hz of the strongest bin of a windowed DFT over the last
// power-of-two number of pairs in `iq` (interleaved I, Q). Negative frequencies lie
// below the tuning frequency. Zero with fewer than 16 pairs.
double StrongestFrequency(const int16_t* iq, std::size_t pairs, double sample_rate);

}  // namespace tessel::host

// A radix-2 fast Fourier transform and the spectrum of a block of I/Q pairs.
#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessel::host {

// Transforms `x` in place (forward, unscaled); `x.size()` must be a power of two.
void Fft(std::vector<std::complex<double>>& x);

// Power of each bin of a Hann-windowed transform of `n` pairs of interleaved I, Q
// (`n` a power of two), in FFT order: bin 0 is the tuning frequency, bins from n/2
// lie below it.
std::vector<double> PowerSpectrum(const int16_t* iq, std::size_t n);

}  // namespace tessel::host

#include "tools/host/ToneFinder.h"

#include <cmath>
#include <complex>
#include <utility>
#include <vector>

namespace tessel::host {
namespace {

constexpr double kPi = 3.14159265358979323846;

// In-place radix-2 FFT; `x.size()` is a power of two.
void Fft(std::vector<std::complex<double>>& x) {
  std::size_t n = x.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; j & bit; bit >>= 1) j ^= bit;
    j ^= bit;
    if (i < j) std::swap(x[i], x[j]);
  }
  for (std::size_t len = 2; len <= n; len <<= 1) {
    std::complex<double> step = std::polar(1.0, -2 * kPi / static_cast<double>(len));
    for (std::size_t start = 0; start < n; start += len) {
      std::complex<double> w = 1;
      for (std::size_t k = 0; k < len / 2; ++k) {
        std::complex<double> a = x[start + k];
        std::complex<double> b = x[start + k + len / 2] * w;
        x[start + k] = a + b;
        x[start + k + len / 2] = a - b;
        w *= step;
      }
    }
  }
}

}  // namespace

double StrongestFrequency(const int16_t* iq, std::size_t pairs, double sample_rate) {
  if (pairs < 16) return 0;
  std::size_t n = 1;
  while (n * 2 <= pairs) n *= 2;
  const int16_t* first = iq + 2 * (pairs - n);
  std::vector<std::complex<double>> x(n);
  for (std::size_t i = 0; i < n; ++i) {
    // A Hann window keeps a strong tone's leakage from hiding the true peak.
    double w = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(i) / static_cast<double>(n));
    x[i] = {w * first[2 * i], w * first[2 * i + 1]};
  }
  Fft(x);
  std::size_t best = 0;
  double best_power = -1;
  for (std::size_t k = 0; k < n; ++k) {
    double p = std::norm(x[k]);
    if (p > best_power) {
      best_power = p;
      best = k;
    }
  }
  double bin =
      best < n / 2 ? static_cast<double>(best) : static_cast<double>(best) - static_cast<double>(n);
  return bin * sample_rate / static_cast<double>(n);
}

}  // namespace tessel::host

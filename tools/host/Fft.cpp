#include "tools/host/Fft.h"

#include <cmath>
#include <utility>

namespace tessel::host {
namespace {

constexpr double kPi = 3.14159265358979323846;

}  // namespace

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

std::vector<double> PowerSpectrum(const int16_t* iq, std::size_t n) {
  std::vector<std::complex<double>> x(n);
  for (std::size_t i = 0; i < n; ++i) {
    // A Hann window keeps a strong tone's leakage from hiding what lies beside it.
    double w = 0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(i) / static_cast<double>(n));
    x[i] = {w * iq[2 * i], w * iq[2 * i + 1]};
  }
  Fft(x);
  std::vector<double> power(n);
  for (std::size_t k = 0; k < n; ++k) power[k] = std::norm(x[k]);
  return power;
}

}  // namespace tessel::host

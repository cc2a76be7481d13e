#include "tools/host/ToneFinder.h"

#include <vector>

#include "tools/host/Fft.h"

namespace tessel::host {

double StrongestFrequency(const int16_t* iq, std::size_t pairs, double sample_rate) {
  if (pairs < 16) return 0;
  std::size_t n = 1;
  while (n * 2 <= pairs) n *= 2;
  std::vector<double> power = PowerSpectrum(iq + 2 * (pairs - n), n);
  std::size_t best = 0;
  for (std::size_t k = 1; k < n; ++k) {
    if (power[k] > power[best]) best = k;
  }
  double bin =
      best < n / 2 ? static_cast<double>(best) : static_cast<double>(best) - static_cast<double>(n);
  return bin * sample_rate / static_cast<double>(n);
}

}  // namespace tessel::host

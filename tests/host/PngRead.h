// PNG files read back through the imaging component, for the host tool's tests.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessel::host {

// A picture as 24-bit pixels, rows top down, blue first.
struct PngPixels {
  UINT width = 0;
  UINT height = 0;
  std::vector<BYTE> bgr;
  // The pixel at (x, y) as 0xRRGGBB.
  uint32_t At(int x, int y) const {
    const BYTE* p = &bgr[3 * (static_cast<size_t>(y) * width + x)];
    return p[0] | p[1] << 8 | p[2] << 16;
  }
};

// The PNG at `path`, or nothing when the imaging component cannot read it. COM must
// be initialised on the calling thread.
std::optional<PngPixels> ReadPng(const std::wstring& path);

}  // namespace tessel::host

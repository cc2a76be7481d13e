// Pictures made from functions and character maps, the regions they should give,
// and what a window's region is.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/HandleNames.h"

namespace shaped_test {

// A picture whose pixel (x, y) is colour(x, y), written straight into its bits.
template <class ColourAt>
std::unique_ptr<fw::TBitmap> PictureFromFunction(int width, int height, ColourAt colour) {
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  fw::ScopedBitmap dib(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      fw::TColor c = colour(x, y);  // a DIB pixel holds blue in its low byte
      static_cast<uint32_t*>(bits)[y * width + x] = c.B() | c.G() << 8 | c.R() << 16;
    }
  }
  auto picture = std::make_unique<fw::TBitmap>();
  picture->SetHandle(dib.release());  // the picture owns it now
  return picture;
}

// '.' is the key colour (every map has it in the bottom-left corner); any other
// character a visible colour of its own.
inline fw::TColor MapColor(char c) {
  return c == '.' ? fw::clFuchsia : fw::RGBColor(static_cast<uint8_t>(c * 3), 90, 40);
}

inline std::unique_ptr<fw::TBitmap> PictureFromMap(const std::vector<std::string>& rows) {
  return PictureFromFunction(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()),
                             [&](int x, int y) { return MapColor(rows[y][x]); });
}

// The map's visible pixels, each a `scale` x `scale` square, moved by (dx, dy);
// made one pixel at a time, without the code under test.
inline fw::ScopedRegion MapRegion(const std::vector<std::string>& rows, POINT d, int scale = 1) {
  fw::ScopedRegion region(::CreateRectRgn(0, 0, 0, 0));
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) {
      if (rows[y][x] == '.') continue;
      int l = d.x + static_cast<int>(x) * scale, t = d.y + static_cast<int>(y) * scale;
      fw::ScopedRegion pixel(::CreateRectRgn(l, t, l + scale, t + scale));
      ::CombineRgn(region.get(), region.get(), pixel.get(), RGN_OR);
    }
  }
  return region;
}

// Where `window`'s client area starts, from its top-left corner.
inline POINT ClientOffset(HWND window) {
  POINT client{0, 0};
  ::ClientToScreen(window, &client);
  RECT outer{};
  ::GetWindowRect(window, &outer);
  return {client.x - outer.left, client.y - outer.top};
}

// What GetWindowRgn says of `window` (ERROR: it has none), with a copy in `copy`.
inline int RegionKind(HWND window, fw::ScopedRegion* copy = nullptr) {
  fw::ScopedRegion region(::CreateRectRgn(0, 0, 0, 0));
  int kind = ::GetWindowRgn(window, region.get());
  if (copy) *copy = std::move(region);
  return kind;
}

inline void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

}  // namespace shaped_test

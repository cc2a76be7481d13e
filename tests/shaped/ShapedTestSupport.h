// Pictures drawn from character maps, the regions they should give, and what a
// window's region is.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Handles.h"

namespace shaped_test {

// '.' is the key colour (it fills the bottom-left corner of every map used);
// any other character a visible colour of its own.
inline fw::TColor MapColor(char c) {
  if (c == '.') return fw::clFuchsia;
  return fw::RGBColor(static_cast<uint8_t>(c * 3), 90, static_cast<uint8_t>(255 - c));
}

inline std::unique_ptr<fw::TBitmap> PictureFromMap(const std::vector<std::string>& rows) {
  auto bitmap = std::make_unique<fw::TBitmap>(static_cast<int>(rows[0].size()),
                                              static_cast<int>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) {
      bitmap->Canvas().SetPixel(static_cast<int>(x), static_cast<int>(y), MapColor(rows[y][x]));
    }
  }
  ::GdiFlush();
  return bitmap;
}

// A `width` x `height` picture whose pixel (x, y) is colour(x, y), written straight
// into its bits (drawing pixel by pixel is slow here).
template <class ColourAt>
std::unique_ptr<fw::TBitmap> PictureFromFunction(int width, int height, ColourAt colour) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  fw::ScopedBitmap dib(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  auto* pixels = static_cast<uint32_t*>(bits);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      fw::TColor c = colour(x, y);  // red low, blue high; a DIB pixel is the other way
      pixels[y * width + x] = uint32_t{c.B()} | uint32_t{c.G()} << 8 | uint32_t{c.R()} << 16;
    }
  }
  auto picture = std::make_unique<fw::TBitmap>();
  picture->SetHandle(dib.release());  // the picture owns it now
  return picture;
}

// The visible pixels of a map, one square each, moved by (dx, dy); built without
// the code under test. Each pixel scaled to `scale` x `scale`.
inline fw::ScopedRegion MapRegion(const std::vector<std::string>& rows, int dx, int dy,
                                  int scale = 1) {
  fw::ScopedRegion region(::CreateRectRgn(0, 0, 0, 0));
  for (size_t y = 0; y < rows.size(); ++y) {
    for (size_t x = 0; x < rows[y].size(); ++x) {
      if (rows[y][x] == '.') continue;
      int l = dx + static_cast<int>(x) * scale, t = dy + static_cast<int>(y) * scale;
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

// A copy of `window`'s region, and what GetWindowRgn said (ERROR: none).
struct WindowRegion {
  fw::ScopedRegion region;
  int kind = ERROR;
};

inline WindowRegion RegionOf(HWND window) {
  WindowRegion out;
  out.region = fw::ScopedRegion(::CreateRectRgn(0, 0, 0, 0));
  out.kind = ::GetWindowRgn(window, out.region.get());
  return out;
}

inline RECT WindowRect(HWND window) {
  RECT r{};
  ::GetWindowRect(window, &r);
  return r;
}

inline void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

}  // namespace shaped_test

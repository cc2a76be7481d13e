// BMP files written byte by byte from their fields, so that tests can make sound
// pictures of every kind and damage any field. Needs no window.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace bmp_test {

// The fields of a file. Sizes and offsets left at -1 are made to fit.
struct Bmp {
  uint32_t header_size = 40;  // 12 writes the core header (16-bit sides, 3-byte colours)
  int32_t width = 1;
  int32_t height = 1;
  uint16_t bits = 24;
  uint32_t compression = 0;
  std::vector<uint32_t> palette;  // 0x00RRGGBB
  int64_t colors_used = -1;       // -1: the palette's length
  std::vector<uint32_t> masks;    // after a 40-byte header, or inside a larger one
  std::vector<uint8_t> pixels;    // as stored: rows, or a compressed stream
  int64_t pixel_offset = -1;      // -1: right after the palette; the pixels never overwrite it
  int64_t stated_size = -1;       // -1: the pixels' length
};

inline void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

inline void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  Put16(b, at, v);
  Put16(b, at + 2, v >> 16);
}

inline std::vector<uint8_t> Bytes(const Bmp& f) {
  const bool core = f.header_size == 12;
  const size_t masks_after = f.header_size == 40 ? 4 * f.masks.size() : 0;
  const size_t entry = core ? 3 : 4;
  const size_t palette_at = 14 + f.header_size + masks_after;
  const size_t palette_end = palette_at + entry * f.palette.size();
  const size_t offset = f.pixel_offset >= 0 ? static_cast<size_t>(f.pixel_offset) : palette_end;
  std::vector<uint8_t> b(palette_end);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 10, static_cast<uint32_t>(offset));
  Put32(b, 14, f.header_size);
  if (core) {
    Put16(b, 18, static_cast<uint32_t>(f.width));
    Put16(b, 20, static_cast<uint32_t>(f.height));
    Put16(b, 22, 1);
    Put16(b, 24, f.bits);
  } else {
    Put32(b, 18, static_cast<uint32_t>(f.width));
    Put32(b, 22, static_cast<uint32_t>(f.height));
    Put16(b, 26, 1);
    Put16(b, 28, f.bits);
    Put32(b, 30, f.compression);
    Put32(b, 34, static_cast<uint32_t>(f.stated_size >= 0 ? f.stated_size : f.pixels.size()));
    Put32(b, 46, static_cast<uint32_t>(f.colors_used >= 0 ? f.colors_used : f.palette.size()));
    for (size_t i = 0; i < f.masks.size(); ++i) Put32(b, 54 + 4 * i, f.masks[i]);
  }
  for (size_t i = 0; i < f.palette.size(); ++i) {
    const size_t at = palette_at + entry * i;
    b[at] = static_cast<uint8_t>(f.palette[i]);  // blue, green, red
    b[at + 1] = static_cast<uint8_t>(f.palette[i] >> 8);
    b[at + 2] = static_cast<uint8_t>(f.palette[i] >> 16);
  }
  // An offset into the headers still leaves them whole: the pixels follow them.
  b.resize(std::max(offset, palette_end));
  b.insert(b.end(), f.pixels.begin(), f.pixels.end());
  Put32(b, 2, static_cast<uint32_t>(b.size()));
  return b;
}

// Rows of pixel values, the top row first, packed as a file stores them: 1, 4 and
// 8 bits leftmost pixel in the high bits, 16 and 32 bits little-endian, 24 bits
// 0xRRGGBB as blue, green, red; each row padded to 4 bytes; bottom row first
// unless `top_down`.
inline std::vector<uint8_t> PackRows(const std::vector<std::vector<uint32_t>>& rows, uint16_t bits,
                                     bool top_down = false) {
  std::vector<uint8_t> out;
  for (size_t r = 0; r < rows.size(); ++r) {
    const std::vector<uint32_t>& row = rows[top_down ? r : rows.size() - 1 - r];
    std::vector<uint8_t> packed((row.size() * bits + 31) / 32 * 4);
    for (size_t x = 0; x < row.size(); ++x) {
      const uint32_t v = row[x];
      if (bits < 8) {
        const size_t bit = x * bits;
        packed[bit / 8] |= static_cast<uint8_t>(v << (8 - bits - bit % 8));
      } else {
        for (size_t k = 0; k < bits / 8u; ++k)
          packed[x * bits / 8 + k] = static_cast<uint8_t>(v >> (8 * k));
      }
    }
    out.insert(out.end(), packed.begin(), packed.end());
  }
  return out;
}

}  // namespace bmp_test

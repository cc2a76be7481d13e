// The check a BMP file's bytes pass before any system code reads them: either the
// facts needed to make the bitmap from those bytes, or the reason they are refused.
// No window is needed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace fw {

// Limits of a picture we make: each side, and the number of pixels, so that the
// bitmap made from a small compressed file stays within a 32-bit process's means.
constexpr int32_t kMaxBmpSide = 32767;
constexpr uint64_t kMaxBmpPixels = uint64_t{1} << 25;
// Larger files are refused before they are read: the largest picture allowed, at
// 32 bits a pixel, with room for headers and a palette.
constexpr uint64_t kMaxBmpFileBytes = kMaxBmpPixels * 4 + (uint64_t{1} << 20);

// The pixel formats of the file's compression field that the check accepts.
enum class BmpCompression : uint32_t { Rgb = 0, Rle8 = 1, Rle4 = 2, BitFields = 3 };

// What an accepted file holds, in the terms of a 40-byte info header.
struct BmpFacts {
  int32_t Width = 0;
  int32_t Height = 0;  // rows; the picture's first stored row is its top when TopDown
  bool TopDown = false;
  uint16_t BitCount = 0;
  BmpCompression Compression = BmpCompression::Rgb;
  uint32_t HeaderSize = 0;
  // Red, green and blue masks with BitFields, else zero.
  std::array<uint32_t, 3> Masks{};
  // For 1, 4 and 8 bits: one colour for every index the pixels can hold, each
  // 0x00RRGGBB (an info header's RGBQUAD read as a little-endian number); entries
  // the file does not give are black. Empty for more bits.
  std::vector<uint32_t> Palette;
  // The pixel data: its place in the file and its length (the rows, or the
  // compressed stream up to and including its end mark, else its stated size).
  size_t PixelOffset = 0;
  size_t PixelSize = 0;
};

struct BmpCheck {
  bool Accepted = false;
  std::string Reason;  // why the bytes were refused; empty when accepted
  BmpFacts Facts;      // valid when accepted
};

// Checks a whole BMP file: headers complete and of a known size; width, height and
// area within the limits above (a negative height is a top-down picture); bit count
// and compression that go together; palette, bit fields and pixel rows inside the
// file; a compressed stream inside the file, with no code cut off.
BmpCheck CheckBmp(std::span<const uint8_t> file);

// Decodes the compressed pixel data of a file that CheckBmp accepted (`facts` are
// its facts) into `rows`: uncompressed rows of the same bit count, bottom row first,
// BmpStride bytes each. Pixels the stream places outside the picture are dropped,
// pixels it skips keep their value. False when the facts are not those of a
// compressed file inside `file`, or `rows` is too small.
bool DecodeBmpRle(std::span<const uint8_t> file, const BmpFacts& facts, std::span<uint8_t> rows);

// Bytes per stored row of `width` pixels of `bit_count` bits (rows end on 4 bytes).
uint64_t BmpStride(int32_t width, uint16_t bit_count);

}  // namespace fw

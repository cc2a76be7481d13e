// The push button's glyph as a stored layout holds it: the bytes of an
// uncompressed BMP file. Reading checks every size against the bytes at hand, so
// that damaged or hostile data is refused instead of read past its end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace widgets::freebutton {

// Larger glyphs are refused: no button face is anywhere near this size.
inline constexpr int kMaxGlyphSide = 4096;
inline constexpr std::size_t kBmpHeaderSize = 14 + 40;

struct BmpLayout {
  int Width = 0;
  int Height = 0;
  bool BottomUp = true;
  int BitCount = 24;
  std::size_t BitsOffset = 0;
  std::size_t Stride = 0;  // bytes per row, a multiple of 4
};

namespace detail {
inline std::uint32_t ReadU32(std::string_view b, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}
inline std::uint16_t ReadU16(std::string_view b, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) |
                                    static_cast<unsigned char>(b[at + 1]) << 8);
}
inline void PutU32(std::string& s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
inline void PutU16(std::string& s, std::uint16_t v) {
  s.push_back(static_cast<char>(v & 0xFF));
  s.push_back(static_cast<char>(v >> 8));
}
}  // namespace detail

// Bytes per row of a `width`-pixel row at `bit_count` bits per pixel.
constexpr std::size_t BmpStride(int width, int bit_count) {
  return ((static_cast<std::size_t>(width) * bit_count + 31) / 32) * 4;
}

// Where the pixels of a 24- or 32-bit uncompressed BMP file image lie, or nothing
// when the bytes are no such image, are cut short or hold a picture larger than
// kMaxGlyphSide on a side.
inline std::optional<BmpLayout> ReadBmpLayout(std::string_view b) {
  if (b.size() < kBmpHeaderSize || b[0] != 'B' || b[1] != 'M') return std::nullopt;
  const std::uint32_t info_size = detail::ReadU32(b, 14);
  if (info_size < 40 || info_size > b.size() - 14) return std::nullopt;
  const auto width = static_cast<std::int32_t>(detail::ReadU32(b, 18));
  const auto height = static_cast<std::int32_t>(detail::ReadU32(b, 22));
  const int bit_count = detail::ReadU16(b, 28);
  const std::uint32_t compression = detail::ReadU32(b, 30);
  if (detail::ReadU16(b, 26) != 1 || (bit_count != 24 && bit_count != 32) || compression != 0)
    return std::nullopt;
  if (width <= 0 || width > kMaxGlyphSide || height == 0 || height < -kMaxGlyphSide ||
      height > kMaxGlyphSide)
    return std::nullopt;
  BmpLayout l;
  l.Width = width;
  l.Height = height < 0 ? -height : height;
  l.BottomUp = height > 0;
  l.BitCount = bit_count;
  l.BitsOffset = detail::ReadU32(b, 10);
  l.Stride = BmpStride(width, bit_count);
  if (l.BitsOffset < 14 + info_size || l.BitsOffset > b.size()) return std::nullopt;
  if (l.Stride * static_cast<std::size_t>(l.Height) > b.size() - l.BitsOffset) return std::nullopt;
  return l;
}

// The file and info headers of a bottom-up 24-bit BMP of `width` x `height`;
// the rows follow them, bottom row first.
inline std::string BmpHeader(int width, int height) {
  const auto image = static_cast<std::uint32_t>(BmpStride(width, 24) * height);
  std::string s;
  s.reserve(kBmpHeaderSize);
  s += "BM";
  detail::PutU32(s, static_cast<std::uint32_t>(kBmpHeaderSize) + image);
  detail::PutU32(s, 0);
  detail::PutU32(s, static_cast<std::uint32_t>(kBmpHeaderSize));
  detail::PutU32(s, 40);
  detail::PutU32(s, static_cast<std::uint32_t>(width));
  detail::PutU32(s, static_cast<std::uint32_t>(height));
  detail::PutU16(s, 1);
  detail::PutU16(s, 24);
  detail::PutU32(s, 0);  // uncompressed
  detail::PutU32(s, image);
  for (int i = 0; i < 4; ++i) detail::PutU32(s, 0);  // resolution and palette: none
  return s;
}

}  // namespace widgets::freebutton

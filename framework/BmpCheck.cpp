#include "framework/BmpCheck.h"

#include <algorithm>

namespace fw {
namespace {

// The file header: "BM", the file size, two reserved words, the pixel data offset.
constexpr size_t kFileHeaderSize = 14;
// Where the info header's fields lie in the file.
constexpr size_t kInfoAt = kFileHeaderSize;
constexpr size_t kMasksAt = kInfoAt + 40;  // after a 40-byte header, or inside a larger one
constexpr uint32_t kCoreHeaderSize = 12;

uint16_t U16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | b[at + 1] << 8);
}

uint32_t U32(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
         static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

BmpCheck Refuse(std::string reason) {
  BmpCheck check;
  check.Reason = std::move(reason);
  return check;
}

std::string Num(uint64_t n) {
  return std::to_string(n);
}
std::string Num(int64_t n) {
  return std::to_string(n);
}

bool KnownHeaderSize(uint32_t size) {
  for (uint32_t known : {12u, 40u, 52u, 56u, 108u, 124u})
    if (size == known) return true;
  return false;
}

// Whether the pair goes together; the core header has no compression field, so
// it stores only uncompressed 1, 4, 8 and 24 bits.
bool BitsFitCompression(uint32_t header_size, uint16_t bits, uint32_t compression) {
  switch (compression) {
    case static_cast<uint32_t>(BmpCompression::Rgb):
      if (header_size == kCoreHeaderSize) return bits == 1 || bits == 4 || bits == 8 || bits == 24;
      return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    case static_cast<uint32_t>(BmpCompression::Rle8):
      return bits == 8;
    case static_cast<uint32_t>(BmpCompression::Rle4):
      return bits == 4;
    case static_cast<uint32_t>(BmpCompression::BitFields):
      return bits == 16 || bits == 32;
  }
  return false;
}

// Three masks that a pixel decoder can use: each one unbroken run of set bits,
// inside the pixel, none sharing a bit with another.
bool SoundMasks(const std::array<uint32_t, 3>& masks, uint16_t bits) {
  const uint32_t pixel = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
  uint32_t seen = 0;
  for (uint32_t mask : masks) {
    if (mask == 0 || (mask & ~pixel) != 0 || (mask & seen) != 0) return false;
    const uint32_t lowest = mask & (~mask + 1);
    if (((mask + lowest) & mask) != 0) return false;  // a gap between set bits
    seen |= mask;
  }
  return true;
}

// Uncompressed rows that a compressed stream is decoded into: bottom row first,
// `stride` bytes a row, 8 or 4 bits a pixel (the left one in the high half).
struct RleTarget {
  uint8_t* Rows = nullptr;  // none: the stream is only walked
  uint64_t Stride = 0;
  bool Four = false;
  int64_t Width = 0;
  int64_t Height = 0;

  // Sets pixel (x, y) to palette index `index`; a place outside the picture is
  // dropped.
  void Put(int64_t x, int64_t y, uint8_t index) const {
    if (!Rows || x >= Width || y >= Height) return;
    uint8_t* row = Rows + static_cast<uint64_t>(y) * Stride;
    if (!Four) {
      row[x] = index;
    } else {
      uint8_t& pair = row[x / 2];
      pair = x % 2 == 0 ? static_cast<uint8_t>((pair & 0x0F) | index << 4)
                        : static_cast<uint8_t>((pair & 0xF0) | (index & 0x0F));
    }
  }
};

// Walks a compressed stream as a decoder reads it: runs, ends of line, deltas
// and literal runs, up to its end mark or its end, and writes the pixels into
// `target`. Pixels placed outside the picture are dropped: a widespread encoder
// pads each row to 4 bytes with a run that spills past the row's end. A code cut
// off by the end of the stream refuses it; the reason is returned, else an empty
// text and in *used the bytes read (with the end mark).
std::string WalkRle(std::span<const uint8_t> s, const RleTarget& target, size_t* used) {
  size_t i = 0;
  int64_t x = 0, y = 0;  // y counts rows from the bottom, as the stream stores them
  auto cut_at = [&] {
    return "its compressed data stops inside a code at byte " + Num(uint64_t{i});
  };
  // Whether a code placing `n` pixels from (x, y) puts any inside the picture.
  auto inside = [&](int64_t n) { return y < target.Height && x < target.Width && n > 0; };
  while (i < s.size()) {
    if (s.size() - i < 2) return cut_at();
    const uint8_t count = s[i];
    const uint8_t code = s[i + 1];
    if (count > 0) {  // `count` pixels of one value (with 4 bits, two alternating)
      if (inside(count)) {
        const int64_t n = std::min<int64_t>(count, target.Width - x);
        for (int64_t k = 0; k < n; ++k) {
          const uint8_t index = !target.Four ? code : k % 2 == 0 ? code >> 4 : code & 0x0F;
          target.Put(x + k, y, index);
        }
      }
      x += count;
      i += 2;
      continue;
    }
    switch (code) {
      case 0:  // end of line
        x = 0;
        ++y;
        i += 2;
        break;
      case 1:  // end of the picture
        *used = i + 2;
        return "";
      case 2:  // move right and up by the next two bytes
        if (s.size() - i < 4) return cut_at();
        x += s[i + 2];
        y += s[i + 3];
        i += 4;
        break;
      default: {  // `code` literal pixels, padded to a whole 16-bit word
        const size_t bytes = target.Four ? (code + 1u) / 2 : code;
        const size_t padded = (bytes + 1) & ~size_t{1};
        if (s.size() - i - 2 < padded) return cut_at();
        if (inside(code)) {
          const uint8_t* literal = s.data() + i + 2;
          const int64_t n = std::min<int64_t>(code, target.Width - x);
          for (int64_t k = 0; k < n; ++k) {
            const uint8_t index = !target.Four ? literal[k]
                                  : k % 2 == 0 ? literal[k / 2] >> 4
                                               : literal[k / 2] & 0x0F;
            target.Put(x + k, y, index);
          }
        }
        x += code;
        i += 2 + padded;
        break;
      }
    }
  }
  *used = s.size();
  return "";
}

}  // namespace

uint64_t BmpStride(int32_t width, uint16_t bit_count) {
  return (static_cast<uint64_t>(width) * bit_count + 31) / 32 * 4;
}

bool DecodeBmpRle(std::span<const uint8_t> file, const BmpFacts& facts, std::span<uint8_t> rows) {
  const bool four = facts.Compression == BmpCompression::Rle4;
  if (!four && facts.Compression != BmpCompression::Rle8) return false;
  const uint64_t stride = BmpStride(facts.Width, facts.BitCount);
  if (facts.BitCount != (four ? 4 : 8) || rows.size() < stride * uint64_t(facts.Height) ||
      facts.PixelOffset > file.size() || facts.PixelSize > file.size() - facts.PixelOffset) {
    return false;
  }
  const RleTarget target{rows.data(), stride, four, facts.Width, facts.Height};
  size_t used = 0;
  return WalkRle(file.subspan(facts.PixelOffset, facts.PixelSize), target, &used).empty();
}

BmpCheck CheckBmp(std::span<const uint8_t> file) {
  const uint64_t size = file.size();
  auto ends_inside_headers = [&] {
    return Refuse("the file ends inside its headers, after " + Num(size) + " bytes");
  };
  if (size < 2 || file[0] != 'B' || file[1] != 'M') return Refuse("it does not start with \"BM\"");
  if (size < kInfoAt + 4) return ends_inside_headers();
  const uint32_t pixel_offset = U32(file, 10);
  const uint32_t header_size = U32(file, kInfoAt);
  if (!KnownHeaderSize(header_size)) {
    return Refuse("its info header size " + Num(uint64_t{header_size}) +
                  " is none of 12, 40, 52, 56, 108 and 124");
  }
  if (size < kInfoAt + header_size) return ends_inside_headers();

  const bool core = header_size == kCoreHeaderSize;
  int64_t width, height;
  uint16_t bits;
  uint32_t compression = 0, colors_used = 0, stated_size = 0;
  if (core) {
    width = U16(file, kInfoAt + 4);
    height = U16(file, kInfoAt + 6);
    bits = U16(file, kInfoAt + 10);
  } else {
    width = static_cast<int32_t>(U32(file, kInfoAt + 4));
    height = static_cast<int32_t>(U32(file, kInfoAt + 8));
    bits = U16(file, kInfoAt + 14);
    compression = U32(file, kInfoAt + 16);
    stated_size = U32(file, kInfoAt + 20);
    colors_used = U32(file, kInfoAt + 32);
  }

  if (width < 1 || width > kMaxBmpSide) {
    return Refuse("its width " + Num(width) + " is not between 1 and " + Num(int64_t{kMaxBmpSide}));
  }
  if (height == 0 || height < -kMaxBmpSide || height > kMaxBmpSide) {
    return Refuse("its height " + Num(height) + " is not between 1 and " +
                  Num(int64_t{kMaxBmpSide}) + " (or -1 and -" + Num(int64_t{kMaxBmpSide}) +
                  " top-down)");
  }
  const bool top_down = height < 0;
  const int64_t rows = top_down ? -height : height;
  if (static_cast<uint64_t>(width * rows) > kMaxBmpPixels) {
    return Refuse("its " + Num(width) + " x " + Num(rows) + " pixels are more than " +
                  Num(kMaxBmpPixels));
  }

  if (compression > static_cast<uint32_t>(BmpCompression::BitFields)) {
    return Refuse("its compression " + Num(uint64_t{compression}) + " is not one this reads");
  }
  if (!BitsFitCompression(header_size, bits, compression)) {
    return Refuse("its bit count " + Num(uint64_t{bits}) + " does not go with compression " +
                  Num(uint64_t{compression}) + (core ? " in a 12-byte header" : ""));
  }
  const auto kind = static_cast<BmpCompression>(compression);
  const bool rle = kind == BmpCompression::Rle8 || kind == BmpCompression::Rle4;
  if (rle && top_down)
    return Refuse("its height is negative (top-down), which compression forbids");

  BmpFacts facts;
  facts.Width = static_cast<int32_t>(width);
  facts.Height = static_cast<int32_t>(rows);
  facts.TopDown = top_down;
  facts.BitCount = bits;
  facts.Compression = kind;
  facts.HeaderSize = header_size;

  // What follows the info header: the masks (a 40-byte header only), the palette.
  uint64_t end_of_info = kInfoAt + header_size;
  if (kind == BmpCompression::BitFields) {
    if (header_size == 40) {
      if (size < end_of_info + 12) {
        return Refuse("its bit fields lie past the end of the file (" + Num(size) + " bytes)");
      }
      end_of_info += 12;
    }
    for (size_t c = 0; c < 3; ++c) facts.Masks[c] = U32(file, kMasksAt + 4 * c);
    if (!SoundMasks(facts.Masks, bits)) {
      return Refuse("its bit fields are not three separate unbroken runs of bits in a pixel");
    }
  }
  if (bits <= 8) {
    const uint32_t indexes = 1u << bits;
    // A count of 0 means all; a larger count than the pixels can index gives
    // colours no pixel uses.
    const uint32_t stored = core || colors_used == 0 ? indexes : std::min(colors_used, indexes);
    const uint32_t entry = core ? 3 : 4;  // blue, green, red (and a spare byte)
    if (size < end_of_info + uint64_t{stored} * entry) {
      return Refuse("its palette of " + Num(uint64_t{stored}) +
                    " colours runs past the end of the file (" + Num(size) + " bytes)");
    }
    facts.Palette.assign(indexes, 0);
    for (uint32_t n = 0; n < stored; ++n) {
      const size_t at = static_cast<size_t>(end_of_info + uint64_t{n} * entry);
      facts.Palette[n] = static_cast<uint32_t>(file[at] | file[at + 1] << 8 | file[at + 2] << 16);
    }
    end_of_info += uint64_t{stored} * entry;
  }

  if (pixel_offset < end_of_info) {
    return Refuse("its pixel data offset " + Num(uint64_t{pixel_offset}) +
                  " points into its headers, which end at " + Num(end_of_info));
  }
  if (pixel_offset > size) {
    return Refuse("its pixel data offset " + Num(uint64_t{pixel_offset}) +
                  " lies past the end of the file (" + Num(size) + " bytes)");
  }
  const uint64_t available = size - pixel_offset;
  facts.PixelOffset = pixel_offset;

  if (!rle) {
    const uint64_t needed = BmpStride(facts.Width, bits) * static_cast<uint64_t>(rows);
    if (needed > available) {
      return Refuse("its " + Num(rows) + " rows need " + Num(needed) + " bytes from offset " +
                    Num(uint64_t{pixel_offset}) + ", but the file has " + Num(available));
    }
    facts.PixelSize = static_cast<size_t>(needed);
  } else {
    if (stated_size == 0) return Refuse("its compressed data has no stated size");
    if (stated_size > available) {
      return Refuse("its compressed data of " + Num(uint64_t{stated_size}) + " bytes at offset " +
                    Num(uint64_t{pixel_offset}) + " runs past the end of the file (" + Num(size) +
                    " bytes)");
    }
    const RleTarget walk_only{nullptr, 0, bits == 4, width, rows};
    std::string problem =
        WalkRle(file.subspan(pixel_offset, stated_size), walk_only, &facts.PixelSize);
    if (!problem.empty()) return Refuse(problem);
  }

  BmpCheck check;
  check.Accepted = true;
  check.Facts = std::move(facts);
  return check;
}

}  // namespace fw

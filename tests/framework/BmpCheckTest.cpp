// The check of BMP bytes: every kind of damage refused with its reason, the sound
// odd kinds accepted with the facts that make their bitmap.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "framework/BmpCheck.h"
#include "tests/framework/BmpBytes.h"

using bmp_test::Bmp;
using bmp_test::Bytes;
using bmp_test::PackRows;
using bmp_test::Put16;
using bmp_test::Put32;
using Stream = std::vector<uint8_t>;

namespace {

// A sound 3 x 2 picture of 8 bits with a palette of four colours.
Bmp Base8() {
  Bmp f;
  f.bits = 8;
  f.width = 3;
  f.height = 2;
  f.palette = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  f.pixels = PackRows({{0, 1, 2}, {3, 2, 1}}, 8);
  return f;
}

// A 4 x 2 compressed picture of 8 (or 4) bits holding `stream`.
Bmp Rle(const Stream& stream, uint16_t bits = 8) {
  Bmp f;
  f.bits = bits;
  f.compression = bits == 8 ? 1 : 2;
  f.width = 4;
  f.height = 2;
  f.palette = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  f.pixels = stream;
  return f;
}

// Sets the field at `at` of a sound file's bytes.
std::vector<uint8_t> With(Bmp f, size_t at, uint32_t value, int width = 4) {
  std::vector<uint8_t> b = Bytes(f);
  if (width == 4) {
    Put32(b, at, value);
  } else {
    Put16(b, at, value);
  }
  return b;
}

std::vector<uint8_t> Cut(std::vector<uint8_t> b, size_t size) {
  b.resize(size);
  return b;
}

Bmp Fields16(std::vector<uint32_t> masks) {
  Bmp f;
  f.bits = 16;
  f.compression = 3;
  f.width = 2;
  f.height = 1;
  f.masks = std::move(masks);
  f.pixels = PackRows({{0xF800, 0x001F}}, 16);
  return f;
}

}  // namespace

TEST(BmpCheck, RefusesEachKindOfDamageWithItsReason) {
  struct Row {
    const char* what;
    std::vector<uint8_t> bytes;
    const char* reason;
  };
  Bmp huge = Base8(), core16, rle_top_down = Rle({0, 1});
  huge.width = huge.height = 32767;
  core16.header_size = 12;
  core16.bits = 16;
  core16.pixels = {0, 0, 0, 0};
  rle_top_down.height = -2;
  const Row rows[] = {
      {"empty file", {}, "does not start with \"BM\""},
      {"text", {'h', 'e', 'l', 'l', 'o'}, "does not start with \"BM\""},
      {"cut in the file header", Cut(Bytes(Base8()), 12), "ends inside its headers"},
      {"cut in the info header", Cut(Bytes(Base8()), 40), "ends inside its headers"},
      {"unknown header size", With(Base8(), 14, 64), "info header size 64"},
      {"zero width", With(Base8(), 18, 0), "width 0 is not"},
      {"negative width", With(Base8(), 18, static_cast<uint32_t>(-3)), "width -3"},
      {"width too large", With(Base8(), 18, 40000), "width 40000"},
      {"zero height", With(Base8(), 22, 0), "height 0 is not"},
      {"lowest height", With(Base8(), 22, 0x80000000u), "height -2147483648"},
      {"area too large", Bytes(huge), "32767 x 32767 pixels are more than 33554432"},
      {"bits against compression", With(Base8(), 30, 2),
       "bit count 8 does not go with compression 2"},
      {"16 bits in a core header", Bytes(core16), "in a 12-byte header"},
      {"unknown compression", With(Base8(), 30, 4), "compression 4 is not one"},
      {"compressed and top-down", Bytes(rle_top_down), "top-down"},
      {"bit fields past the end", Cut(Bytes(Fields16({0xF800, 0x07E0, 0x001F})), 60),
       "bit fields lie past the end"},
      {"overlapping bit fields", Bytes(Fields16({0xF800, 0x0FE0, 0x001F})), "bit fields are not"},
      {"empty bit field", Bytes(Fields16({0xF800, 0, 0x001F})), "bit fields are not"},
      {"broken bit field", Bytes(Fields16({0xF000, 0x0F0F, 0})), "bit fields are not"},
      {"bit field beyond the pixel", Bytes(Fields16({0xF0000, 0x07E0, 0x001F})),
       "bit fields are not"},
      {"palette past the end", Cut(With(Base8(), 46, 0), 14 + 40 + 4 * 200),
       "palette of 256 colours runs past"},
      {"pixel offset into the headers", With(Base8(), 10, 54),
       "offset 54 points into its headers, which end at 70"},
      {"pixel offset past the end", With(Base8(), 10, 5000), "offset 5000 lies past the end"},
      {"rows cut short", Cut(Bytes(Base8()), 70 + 4 + 3),
       "its 2 rows need 8 bytes from offset 70, but the file has 7"},
      {"compressed without a stated size", With(Rle({0, 1}), 34, 0), "no stated size"},
      {"compressed size past the end", With(Rle({0, 1}), 34, 3),
       "compressed data of 3 bytes at offset 70 runs past"},
      {"literal cut off", Bytes(Rle({0, 4, 1, 2})), "stops inside a code at byte 0"},
      {"4-bit literal cut off", Bytes(Rle({1, 1, 0, 5, 0x12, 0x30}, 4)),
       "stops inside a code at byte 2"},
      {"delta cut off", Bytes(Rle({0, 2, 1})), "stops inside a code"},
      {"a lone last byte", Bytes(Rle({4, 1, 7})), "stops inside a code at byte 2"},
  };
  for (const Row& r : rows) {
    const fw::BmpCheck check = fw::CheckBmp(r.bytes);
    EXPECT_FALSE(check.Accepted) << r.what;
    EXPECT_NE(check.Reason.find(r.reason), std::string::npos) << r.what << ": " << check.Reason;
  }
}

TEST(BmpCheck, AcceptsOddButSoundKindsWithTheFactsToMakeThem) {
  struct Row {
    const char* what;
    Bmp file;
    int32_t height;
    bool top_down;
    size_t palette;  // colours given to the system
    size_t pixel_size;
    size_t after = 0;  // bytes after the pixels
  };
  auto with = [](Bmp f, auto change) {
    change(f);
    return f;
  };
  const Bmp top_down = with(Base8(), [](Bmp& f) {
    f.height = -2;
    f.pixels = PackRows({{0, 1, 2}, {3, 2, 1}}, 8, true);
  });
  const Bmp core = with(Base8(), [](Bmp& f) {
    f.header_size = 12;
    f.bits = 1;
    f.palette = {0x000000, 0xFFFFFF};
    f.pixels = PackRows({{0, 1, 0}, {1, 0, 1}}, 1);
  });
  const Bmp short_palette = with(Base8(), [](Bmp& f) {
    f.bits = 4;
    f.palette = {0x112233, 0x445566, 0x778899};
    f.pixels = PackRows({{0, 1, 2}, {2, 1, 0}}, 4);
  });
  const Bmp long_palette = with(Base8(), [](Bmp& f) {
    f.bits = 1;
    f.palette.resize(5, 0x010203);
    f.pixels = PackRows({{0, 1, 0}, {1, 0, 1}}, 1);
  });
  const Bmp v5_fields = with(Base8(), [](Bmp& f) {
    f.header_size = 124;
    f.bits = 32;
    f.compression = 3;
    f.palette.clear();
    f.masks = {0x000000FF, 0x0000FF00, 0x00FF0000};
    f.pixels = PackRows({{1, 2, 3}, {4, 5, 6}}, 32);
  });
  const Bmp trailing = with(Base8(), [](Bmp& f) { f.pixels.resize(f.pixels.size() + 9, 0xEE); });
  const Row rows[] = {
      {"bottom-up 8 bits", Base8(), 2, false, 256, 8},
      {"top-down 8 bits", top_down, 2, true, 256, 8},
      {"core header, 1 bit", core, 2, false, 2, 8},
      {"4 bits with 3 colours", short_palette, 2, false, 16, 8},
      {"1 bit with 5 colours stored", long_palette, 2, false, 2, 8},
      {"32-bit fields in a 124-byte header", v5_fields, 2, false, 0, 24},
      {"16-bit fields after a 40-byte header", Fields16({0xF800, 0x07E0, 0x001F}), 1, false, 0, 4},
      {"bytes after the rows", trailing, 2, false, 256, 8, 9},
  };
  for (const Row& r : rows) {
    const std::vector<uint8_t> bytes = Bytes(r.file);
    const fw::BmpCheck check = fw::CheckBmp(bytes);
    ASSERT_TRUE(check.Accepted) << r.what << ": " << check.Reason;
    const fw::BmpFacts& f = check.Facts;
    EXPECT_EQ(f.Width, r.file.width) << r.what;
    EXPECT_EQ(f.Height, r.height) << r.what;
    EXPECT_EQ(f.TopDown, r.top_down) << r.what;
    EXPECT_EQ(f.Palette.size(), r.palette) << r.what;
    EXPECT_EQ(f.PixelSize, r.pixel_size) << r.what;
    EXPECT_EQ(f.PixelOffset + r.pixel_size + r.after, bytes.size()) << r.what;
  }

  // Colours as given, in each header's own layout; missing ones black, extra ones unused.
  const std::vector<uint8_t> core_bytes = Bytes(core);
  EXPECT_EQ(fw::CheckBmp(core_bytes).Facts.Palette, (std::vector<uint32_t>{0x000000, 0xFFFFFF}));
  const std::vector<uint8_t> short_bytes = Bytes(short_palette);
  const std::vector<uint32_t> padded = fw::CheckBmp(short_bytes).Facts.Palette;
  EXPECT_EQ(std::vector<uint32_t>(padded.begin(), padded.begin() + 4),
            (std::vector<uint32_t>{0x112233, 0x445566, 0x778899, 0}));
  const std::vector<uint8_t> v5_bytes = Bytes(v5_fields);
  EXPECT_EQ(fw::CheckBmp(v5_bytes).Facts.Masks,
            (std::array<uint32_t, 3>{0x000000FF, 0x0000FF00, 0x00FF0000}));
}

TEST(BmpCheck, CompressedStreamsAreMeasuredAndDecodedInsideThePicture) {
  // The 4 x 2 picture's palette indexes, top row first; 9 marks a pixel the stream
  // leaves alone.
  using Grid = std::vector<std::vector<uint32_t>>;
  struct Row {
    const char* what;
    Bmp file;
    size_t used;  // bytes of the stream that are read
    Grid pixels;
  };
  const Row rows[] = {
      {"runs, a literal and the end mark, then padding",
       Rle({4, 1, 0, 0, 0, 3, 2, 3, 1, 0, 1, 2, 0, 1, 0, 0}),
       14,
       {{2, 3, 1, 2}, {1, 1, 1, 1}}},
      {"no end mark", Rle({4, 1, 0, 0, 1, 2}), 6, {{2, 9, 9, 9}, {1, 1, 1, 1}}},
      {"4 bits: alternating runs and an odd literal",
       Rle({4, 0x12, 0, 0, 0, 3, 0x31, 0x20, 1, 0x30, 0, 1}, 4),
       12,
       {{3, 1, 2, 3}, {1, 2, 1, 2}}},
      {"a delta", Rle({0, 2, 1, 1, 2, 3, 0, 1}), 8, {{9, 3, 3, 9}, {9, 9, 9, 9}}},
      {"a delta far outside that writes nothing",
       Rle({0, 2, 200, 200, 0, 1}),
       6,
       {{9, 9, 9, 9}, {9, 9, 9, 9}}},
      // Rows padded to 4 bytes by a run past the row's end, as a widespread encoder writes.
      {"runs past the row's end are cut",
       Rle({6, 1, 0, 0, 3, 2, 5, 3, 0, 1}),
       10,
       {{2, 2, 2, 3}, {1, 1, 1, 1}}},
      {"a literal past the row's end is cut",
       Rle({2, 1, 0, 3, 2, 3, 1, 0, 0, 1}),
       10,
       {{9, 9, 9, 9}, {1, 1, 2, 3}}},
      {"4 bits: a run past the row's end is cut",
       Rle({5, 0x12, 0, 1}, 4),
       4,
       {{9, 9, 9, 9}, {1, 2, 1, 2}}},
      {"rows above the top are dropped",
       Rle({0, 0, 0, 0, 4, 1, 0, 2, 0, 9, 4, 2, 0, 1}),
       14,
       {{9, 9, 9, 9}, {9, 9, 9, 9}}},
  };
  for (const Row& r : rows) {
    const std::vector<uint8_t> bytes = Bytes(r.file);
    const fw::BmpCheck check = fw::CheckBmp(bytes);
    ASSERT_TRUE(check.Accepted) << r.what << ": " << check.Reason;
    EXPECT_EQ(check.Facts.PixelSize, r.used) << r.what;
    EXPECT_EQ(check.Facts.PixelOffset, 14u + 40 + 16) << r.what;

    // A stride of 4 bytes at either depth; 9 in every pixel the stream does not set.
    const bool four = r.file.bits == 4;
    std::vector<uint8_t> decoded(2 * 4, four ? 0x99 : 9);
    ASSERT_TRUE(fw::DecodeBmpRle(bytes, check.Facts, decoded)) << r.what;
    std::vector<uint8_t> expected = PackRows(r.pixels, r.file.bits);
    if (four) {  // the bytes past a 4-bit row's last pixel are padding the stream never sets
      for (size_t row : {0u, 4u}) {
        expected[row + 2] = expected[row + 3] = 0x99;
      }
    }
    EXPECT_EQ(decoded, expected) << r.what;
  }

  // A buffer too small for the rows, or facts of an uncompressed file, decode nothing.
  const std::vector<uint8_t> bytes = Bytes(Rle({4, 1, 0, 1}));
  const fw::BmpFacts facts = fw::CheckBmp(bytes).Facts;
  std::vector<uint8_t> small(7);
  EXPECT_FALSE(fw::DecodeBmpRle(bytes, facts, small));
  const std::vector<uint8_t> plain = Bytes(Base8());
  std::vector<uint8_t> enough(64);
  EXPECT_FALSE(fw::DecodeBmpRle(plain, fw::CheckBmp(plain).Facts, enough));
}

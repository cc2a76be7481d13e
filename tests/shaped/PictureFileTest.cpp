// BMP files read by the picture: every odd but sound kind loads with its pixels,
// damaged files are refused before any system code reads them, and paths are UTF-8.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "framework/Exception.h"
#include "framework/Picture.h"
#include "tests/framework/BmpBytes.h"

using bmp_test::Bmp;
using bmp_test::PackRows;

namespace {

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// A picture of `bits` bits and `width` x rows.size() pixels; `rows` top first.
Bmp Picture(uint16_t bits, const std::vector<std::vector<uint32_t>>& rows,
            std::vector<uint32_t> palette = {}) {
  Bmp f;
  f.bits = bits;
  f.width = static_cast<int32_t>(rows[0].size());
  f.height = static_cast<int32_t>(rows.size());
  f.palette = std::move(palette);
  f.pixels = PackRows(rows, bits);
  return f;
}

Bmp With(Bmp f, auto change) {
  change(f);
  return f;
}

// Whether each channel of `got` is within `slack` of `want`.
bool Near(fw::TColor got, fw::TColor want, int slack) {
  return std::abs(got.R() - want.R()) <= slack && std::abs(got.G() - want.G()) <= slack &&
         std::abs(got.B() - want.B()) <= slack;
}

}  // namespace

TEST(PictureFile, OddButSoundKindsLoadWithTheirSizeAndPixels) {
  const fw::TColor a = fw::RGBColor(0x10, 0x20, 0x30), b = fw::RGBColor(0xF0, 0xE0, 0xD0),
                   c = fw::RGBColor(0x80, 0x00, 0x40), d = fw::RGBColor(0x00, 0x90, 0x00);
  const std::vector<uint32_t> palette = {0x102030, 0xF0E0D0, 0x800040, 0x009000};
  struct Probe {
    int x, y;
    fw::TColor colour;
  };
  struct Row {
    const char* what;
    Bmp file;
    std::vector<Probe> probes;
    int slack = 0;  // 5-bit channels widened to 8 bits may differ in their low bits
  };
  const std::vector<uint32_t> one_bit_rows0 = {1, 0, 0, 0, 0, 0, 0, 0, 1};
  const std::vector<uint32_t> one_bit_rows1 = {0, 1, 1, 1, 1, 1, 1, 1, 0};
  const Row rows[] = {
      {"24 bits, top-down",
       With(Picture(24, {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0xFFFF00}}),
            [](Bmp& f) {
              f.height = -2;
              f.pixels = PackRows({{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0xFFFF00}},
                                  24, true);
            }),
       {{0, 0, fw::clRed}, {2, 0, fw::clBlue}, {2, 1, fw::clYellow}}},
      {"1 bit, a row longer than a byte",
       Picture(1, {one_bit_rows0, one_bit_rows1}, {0x102030, 0xF0E0D0}),
       {{0, 0, b}, {1, 0, a}, {8, 0, b}, {8, 1, a}, {7, 1, b}}},
      {"1 bit, 12-byte header",
       With(Picture(1, {one_bit_rows0, one_bit_rows1}, {0x102030, 0xF0E0D0}),
            [](Bmp& f) { f.header_size = 12; }),
       {{0, 0, b}, {1, 0, a}, {8, 1, a}}},
      {"4 bits, three colours",
       Picture(4, {{2, 0, 1}}, {0x102030, 0xF0E0D0, 0x800040}),
       {{0, 0, c}, {1, 0, a}, {2, 0, b}}},
      {"8 bits", Picture(8, {{3, 2, 1}, {0, 1, 2}}, palette), {{0, 0, d}, {2, 0, b}, {0, 1, a}}},
      {"16 bits, 5-5-5",
       Picture(16, {{0x7C00, 0x03E0, 0x001F}}),
       {{0, 0, fw::clRed}, {1, 0, fw::clLime}, {2, 0, fw::clBlue}},
       7},
      {"16 bits, 5-6-5 bit fields",
       With(Picture(16, {{0xF800, 0x07E0, 0x001F}}),
            [](Bmp& f) {
              f.compression = 3;
              f.masks = {0xF800, 0x07E0, 0x001F};
            }),
       {{0, 0, fw::clRed}, {1, 0, fw::clLime}, {2, 0, fw::clBlue}},
       7},
      {"32 bits", Picture(32, {{0x102030, 0xF0E0D0}}), {{0, 0, a}, {1, 0, b}}},
      {"32 bits, 108-byte header",
       With(Picture(32, {{0x102030}, {0xF0E0D0}}), [](Bmp& f) { f.header_size = 108; }),
       {{0, 0, a}, {0, 1, b}}},
      {"32 bits, bit fields red low in a 124-byte header",
       With(Picture(32, {{0x302010, 0xD0E0F0}}),
            [](Bmp& f) {
              f.header_size = 124;
              f.compression = 3;
              f.masks = {0x0000FF, 0x00FF00, 0xFF0000};
            }),
       {{0, 0, a}, {1, 0, b}}},
      {"32 bits, bit fields with alpha in a 56-byte header",
       With(Picture(32, {{0x80102030}}),
            [](Bmp& f) {
              f.header_size = 56;
              f.compression = 3;
              f.masks = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000};
            }),
       {{0, 0, a}}},
      // Bottom row: a run past the row's end (cut); top row: a literal of three and
      // one pixel left alone, which shows colour 0.
      {"8 bits compressed",
       With(Picture(8, {{0, 0, 0, 0}, {0, 0, 0, 0}}, palette),
            [](Bmp& f) {
              f.compression = 1;
              f.pixels = {6, 1, 0, 0, 0, 3, 2, 3, 1, 0, 0, 1};
            }),
       {{0, 1, b}, {3, 1, b}, {0, 0, c}, {1, 0, d}, {2, 0, b}, {3, 0, a}}},
      {"4 bits compressed",
       With(Picture(4, {{0, 0, 0, 0}, {0, 0, 0, 0}}, palette),
            [](Bmp& f) {
              f.compression = 2;
              f.pixels = {4, 0x12, 0, 0, 0, 3, 0x31, 0x20, 1, 0x30, 0, 1};
            }),
       {{0, 1, b}, {1, 1, c}, {3, 1, c}, {0, 0, d}, {1, 0, b}, {3, 0, d}}},
  };
  const std::string path = "picture-file-kind.bmp";
  for (const Row& r : rows) {
    WriteBytes(path, bmp_test::Bytes(r.file));
    fw::TPicture picture;
    try {
      picture.LoadFromFile(path);
    } catch (const fw::Exception& e) {
      ADD_FAILURE() << r.what << ": " << e.Message();
      continue;
    }
    EXPECT_EQ(picture.Width(), r.file.width) << r.what;
    EXPECT_EQ(picture.Height(), std::abs(r.file.height)) << r.what;
    for (const Probe& p : r.probes) {
      const fw::TColor got = picture.Bitmap().Pixel(p.x, p.y);
      EXPECT_TRUE(Near(got, p.colour, r.slack))
          << r.what << " at (" << p.x << ", " << p.y << "): " << std::hex << got.Value()
          << " instead of " << p.colour.Value();
    }
  }
  ::DeleteFileA(path.c_str());
}

TEST(PictureFile, ADamagedFileIsRefusedWithItsReasonAndThePictureStays) {
  fw::TPicture picture;
  int changes = 0;
  picture.OnChange = [&](fw::TObject*) { ++changes; };
  const Bmp sound =
      Picture(24, std::vector<std::vector<uint32_t>>(80, std::vector<uint32_t>(60, 0x00FF00)));
  const std::string good = "picture-file-good.bmp", bad = "picture-file-damaged.bmp";
  WriteBytes(good, bmp_test::Bytes(sound));
  picture.LoadFromFile(good);
  ASSERT_EQ(changes, 1);

  auto cut = [&](size_t size) {
    std::vector<uint8_t> b = bmp_test::Bytes(sound);
    b.resize(size);
    return b;
  };
  auto offset_past_end = [&] {
    std::vector<uint8_t> b = bmp_test::Bytes(sound);
    bmp_test::Put32(b, 10, static_cast<uint32_t>(b.size() + 100));
    return b;
  };
  const std::pair<std::vector<uint8_t>, const char*> rows[] = {
      {cut(200), "its 80 rows need 14400 bytes from offset 54, but the file has 146"},
      {cut(30), "the file ends inside its headers, after 30 bytes"},
      {offset_past_end(),
       "its pixel data offset 14554 lies past the end of the file (14454 bytes)"},
      {bmp_test::Bytes(With(sound, [](Bmp& f) { f.width = 40000; })),
       "its width 40000 is not between 1 and 32767"},
  };
  for (const auto& [bytes, reason] : rows) {
    WriteBytes(bad, bytes);
    try {
      picture.LoadFromFile(bad);
      ADD_FAILURE() << reason << ": was loaded";
    } catch (const fw::Exception& e) {
      EXPECT_NE(
          e.Message().find("Picture file '" + bad + "' is not a readable BMP picture: " + reason),
          std::string::npos)
          << e.Message();
    }
  }
  EXPECT_EQ(changes, 1) << "a refused file announces no change";
  EXPECT_EQ(picture.Width(), 60) << "and keeps the picture";
  EXPECT_EQ(picture.Bitmap().Pixel(59, 79), fw::clLime);
  ::DeleteFileA(good.c_str());
  ::DeleteFileA(bad.c_str());
}

TEST(PictureFile, APathIsReadAsUtf8) {
  // "картинка-图.bmp": letters the ANSI code page cannot hold.
  const wchar_t* wide = L"\x043a\x0430\x0440\x0442\x0438\x043d\x043a\x0430-\x56fe.bmp";
  const std::string utf8 =
      "\xd0\xba\xd0\xb0\xd1\x80\xd1\x82\xd0\xb8\xd0\xbd\xd0\xba\xd0\xb0-\xe5\x9b\xbe.bmp";
  const std::vector<uint8_t> bytes = bmp_test::Bytes(Picture(24, {{0x0000FF, 0xFF0000}}));
  HANDLE file = ::CreateFileW(wide, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);

  fw::TPicture picture;
  picture.LoadFromFile(utf8);
  EXPECT_EQ(picture.Width(), 2);
  EXPECT_EQ(picture.Bitmap().Pixel(1, 0), fw::clRed);
  ::DeleteFileW(wide);

  // A path that is no UTF-8 is still read in the ANSI code page: "café.bmp" in 1252.
  const std::string ansi = "caf\xe9.bmp";
  WriteBytes(ansi, bytes);
  picture.LoadFromFile(ansi);
  EXPECT_EQ(picture.Width(), 2);
  ::DeleteFileA(ansi.c_str());
}

// The BMP check on any bytes: it refuses them with a reason, or its facts describe
// a picture within the limits whose pixel data lies inside the bytes, and the
// decoder of compressed data, given exactly the picture's rows, writes nothing
// outside them (the sanitizer stops the run if it does).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <span>

#include "framework/BmpCheck.h"

namespace {

[[noreturn]] void Fail(const char* what, const fw::BmpFacts& f) {
  std::fprintf(stderr, "%s: %d x %d, %u bits, compression %u, pixels %zu bytes at %zu\n", what,
               f.Width, f.Height, static_cast<unsigned>(f.BitCount),
               static_cast<unsigned>(f.Compression), f.PixelSize, f.PixelOffset);
  std::abort();
}

// Decoding larger pictures only costs time: the writes are the same.
constexpr uint64_t kMaxDecodedBytes = uint64_t{1} << 22;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> file(data, size);
  const fw::BmpCheck check = fw::CheckBmp(file);
  const fw::BmpFacts& f = check.Facts;
  if (!check.Accepted) {
    if (check.Reason.empty()) Fail("refused without a reason", f);
    return 0;
  }
  if (f.Width < 1 || f.Width > fw::kMaxBmpSide || f.Height < 1 || f.Height > fw::kMaxBmpSide ||
      static_cast<uint64_t>(f.Width) * static_cast<uint64_t>(f.Height) > fw::kMaxBmpPixels) {
    Fail("a size outside the limits", f);
  }
  if (f.PixelOffset > size || f.PixelSize > size - f.PixelOffset) {
    Fail("pixel data outside the file", f);
  }
  if (f.Palette.size() != (f.BitCount <= 8 ? size_t{1} << f.BitCount : 0)) {
    Fail("a palette of the wrong length", f);
  }
  const std::span<const uint8_t> pixels = file.subspan(f.PixelOffset, f.PixelSize);
  const bool rle =
      f.Compression == fw::BmpCompression::Rle8 || f.Compression == fw::BmpCompression::Rle4;
  if (!rle) {
    if (f.PixelSize != fw::BmpStride(f.Width, f.BitCount) * static_cast<uint64_t>(f.Height)) {
      Fail("rows of the wrong size", f);
    }
    // Reads the first and last byte of the rows: outside the input, the sanitizer stops.
    volatile uint8_t read = pixels.front();
    read = pixels.back();
    (void)read;
    return 0;
  }
  if (f.TopDown) Fail("a compressed picture stored top-down", f);
  const uint64_t rows_size = fw::BmpStride(f.Width, f.BitCount) * static_cast<uint64_t>(f.Height);
  if (rows_size > kMaxDecodedBytes) return 0;
  // A heap block of exactly the rows' size: a write past it is reported.
  const auto rows = std::make_unique<uint8_t[]>(rows_size);
  if (!fw::DecodeBmpRle(file, f, std::span<uint8_t>(rows.get(), rows_size))) {
    Fail("an accepted stream was not decoded", f);
  }
  return 0;
}

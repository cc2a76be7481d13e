#include "framework/Picture.h"

#include <algorithm>
#include <cstddef>
#include <new>
#include <span>
#include <vector>

#include "framework/BmpCheck.h"

#include "framework/Exception.h"
#include "framework/StageTimes.h"

namespace fw {
namespace {

// The path as UTF-16. It is read as UTF-8; a path that is not valid UTF-8 is read
// in the ANSI code page, as the system's ANSI functions would.
std::wstring WidePath(const std::string& path) {
  if (path.empty()) return {};
  const int length = static_cast<int>(path.size());
  for (UINT page : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
    const DWORD flags = page == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    const int wide = ::MultiByteToWideChar(page, flags, path.data(), length, nullptr, 0);
    if (wide <= 0) continue;
    std::wstring text(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(page, flags, path.data(), length, text.data(), wide);
    return text;
  }
  return {};
}

// Why the file at `path` cannot be opened, or an empty text when it can.
std::string OpenProblem(const std::wstring& path) {
  DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    DWORD error = ::GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
        error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH) {
      return "no such file";
    }
    return "cannot be opened (error " + std::to_string(error) + ")";
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return "is a folder, not a file";
  return "";
}

// Reads the whole file at `path` into `bytes`; why it could not, or an empty text.
// Others may go on writing it: what was read is what is checked and used.
std::string ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes) {
  ScopedHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return "cannot be opened (error " + std::to_string(::GetLastError()) + ")";
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.get(), &size)) {
    return "cannot be read (error " + std::to_string(::GetLastError()) + ")";
  }
  if (static_cast<uint64_t>(size.QuadPart) > kMaxBmpFileBytes) {
    return "is too large for a picture (" + std::to_string(size.QuadPart) + " bytes)";
  }
  try {
    bytes->resize(static_cast<size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return "is too large to be read into memory (" + std::to_string(size.QuadPart) + " bytes)";
  }
  size_t done = 0;
  while (done < bytes->size()) {
    const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1u << 24));
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes->data() + done, want, &got, nullptr)) {
      return "cannot be read (error " + std::to_string(::GetLastError()) + ")";
    }
    if (got == 0) break;  // the file became shorter while it was read
    done += got;
  }
  bytes->resize(done);
  return "";
}

// A 40-byte info header followed by room for the largest palette; with bit fields
// the first three entries are the masks.
struct DibInfo {
  BITMAPINFOHEADER Header;
  uint32_t Colors[256];
};
static_assert(offsetof(DibInfo, Colors) == sizeof(BITMAPINFOHEADER));

DibInfo InfoOf(const BmpFacts& facts) {
  DibInfo info{};
  info.Header.biSize = sizeof(BITMAPINFOHEADER);
  info.Header.biWidth = facts.Width;
  info.Header.biHeight = facts.TopDown ? -facts.Height : facts.Height;
  info.Header.biPlanes = 1;
  info.Header.biBitCount = facts.BitCount;
  info.Header.biCompression = static_cast<DWORD>(facts.Compression);
  if (facts.Compression == BmpCompression::BitFields) {
    std::copy(facts.Masks.begin(), facts.Masks.end(), info.Colors);
  } else {
    std::copy(facts.Palette.begin(), facts.Palette.end(), info.Colors);
    info.Header.biClrUsed = static_cast<DWORD>(facts.Palette.size());
  }
  return info;
}

// The bitmap that the checked `file` describes: a DIB section of the file's own
// format (a compressed file's uncompressed one) filled from the bytes the check
// measured, or null. No system code reads the file's headers or its stream.
ScopedBitmap MakeBitmap(std::span<const uint8_t> file, const BmpFacts& facts) {
  const bool compressed =
      facts.Compression == BmpCompression::Rle8 || facts.Compression == BmpCompression::Rle4;
  DibInfo info = InfoOf(facts);
  if (compressed) info.Header.biCompression = BI_RGB;
  void* bits = nullptr;
  ScopedBitmap bitmap(::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info),
                                         DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap || !bits) return ScopedBitmap();
  // The section's rows have the file's stride and order; it starts all zero.
  const std::span<uint8_t> rows(
      static_cast<uint8_t*>(bits),
      static_cast<size_t>(BmpStride(facts.Width, facts.BitCount) * facts.Height));
  if (compressed) {
    // Decoded by our own code, which drops pixels placed outside the picture; the
    // system's decoder would have to be trusted not to write them.
    if (!DecodeBmpRle(file, facts, rows)) return ScopedBitmap();
  } else {
    const std::span<const uint8_t> pixels = file.subspan(facts.PixelOffset, facts.PixelSize);
    std::copy(pixels.begin(), pixels.end(), rows.begin());
  }
  return bitmap;
}

}  // namespace

void TPicture::LoadFromFile(const std::string& path) {
  StageScope stage(Stage::kPictures);
  const std::wstring wide_path = WidePath(path);
  std::string problem = OpenProblem(wide_path);
  std::vector<uint8_t> bytes;
  if (problem.empty()) problem = ReadWholeFile(wide_path, &bytes);
  if (problem.empty()) {
    BmpCheck check = CheckBmp(bytes);
    if (check.Accepted) {
      ScopedBitmap bitmap = MakeBitmap(bytes, check.Facts);
      if (bitmap) {
        Replace(bitmap.release());  // the picture's bitmap owns it now
        return;
      }
      problem = "could not be made into a bitmap (error " + std::to_string(::GetLastError()) + ")";
    } else {
      problem = "is not a readable BMP picture: " + check.Reason;
    }
  }
  throw Exception("Picture file '" + path + "' " + problem);
}

bool TPicture::LoadFromResourceName(HINSTANCE module, const std::wstring& name) {
  StageScope stage(Stage::kPictures);
  HANDLE h = ::LoadImageW(module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!h) return false;
  Replace(static_cast<HBITMAP>(h));
  resource_name_ = name;
  return true;
}

void TPicture::Assign(TBitmap& source) {
  if (&source == &bitmap_) return;
  if (source.Empty()) {
    Replace(nullptr);
    return;
  }
  ScopedBitmap copy = CreateDib24(source.Width(), source.Height());
  if (!copy) throw Exception("The picture cannot be copied");
  {
    MemoryDC dc(nullptr);
    SelectObjectScope select(dc.get(), copy.get());
    ::BitBlt(dc.get(), 0, 0, source.Width(), source.Height(), source.Canvas().Handle(), 0, 0,
             SRCCOPY);
    ::GdiFlush();
  }
  Replace(copy.release());
}

void TPicture::Clear() {
  Replace(nullptr);
}

void TPicture::Replace(HBITMAP bitmap) {
  bitmap_.SetHandle(bitmap);
  resource_name_.clear();
  Changed();
}

void TPicture::Changed() {
  Raise(OnChange, this);
}

}  // namespace fw

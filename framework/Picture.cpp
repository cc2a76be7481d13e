#include "framework/Picture.h"

#include "framework/Exception.h"

namespace fw {
namespace {

// Why the file at `path` cannot be opened, or an empty text when it can.
std::string OpenProblem(const std::string& path) {
  DWORD attributes = ::GetFileAttributesA(path.c_str());
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

}  // namespace

void TPicture::LoadFromFile(const std::string& path) {
  std::string problem = OpenProblem(path);
  if (problem.empty()) {
    HANDLE h = ::LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0,
                            LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (h) {
      Replace(static_cast<HBITMAP>(h));
      return;
    }
    problem = "is not a readable BMP picture";
  }
  throw Exception("Picture file '" + path + "' " + problem);
}

bool TPicture::LoadFromResourceName(HINSTANCE module, const std::wstring& name) {
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

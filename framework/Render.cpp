#include "framework/Render.h"

#include <cstdio>
#include <vector>

#include "framework/TextEncoding.h"
#include "framework/WinControl.h"

namespace fw {

std::unique_ptr<TBitmap> RenderControl(TControl& control, TColor parent_color) {
  // Without a parent to follow, a control that takes its parent's colour takes
  // the given one for the picture.
  bool follow = control.ParentColor() && !control.Parent();
  if (follow) control.SetColor(parent_color);
  std::unique_ptr<TBitmap> picture;
  for (int pass = 0; pass < 3; ++pass) {
    int w = control.Width();
    int h = control.Height();
    picture = std::make_unique<TBitmap>(w > 0 ? w : 1, h > 0 ? h : 1);
    TCanvas& c = picture->Canvas();
    c.Brush().SetColor(parent_color);
    c.FillRect({0, 0, picture->Width(), picture->Height()});
    control.PaintTo(c.Handle());
    ::GdiFlush();
    if (control.Width() == w && control.Height() == h && w > 0 && h > 0) break;
  }
  if (follow) control.SetParentColor(true);
  return picture;
}

bool SaveBitmapFile(TBitmap& bitmap, const std::string& path) {
  if (bitmap.Empty()) return false;
  int w = bitmap.Width();
  int h = bitmap.Height();
  int stride = (w * 3 + 3) & ~3;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;  // bottom-up, as BMP files are stored
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  // A copy in file layout, whatever the picture's own format.
  void* raw = nullptr;
  ScopedBitmap copy(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &raw, nullptr, 0));
  if (!copy || !raw) return false;
  {
    MemoryDC dc(nullptr);
    SelectObjectScope sel(dc.get(), copy.get());
    ::BitBlt(dc.get(), 0, 0, w, h, bitmap.Canvas().Handle(), 0, 0, SRCCOPY);
    ::GdiFlush();
  }
  std::vector<unsigned char> bits(
      static_cast<unsigned char*>(raw),
      static_cast<unsigned char*>(raw) + static_cast<size_t>(stride) * h);

  BITMAPFILEHEADER fh{};
  fh.bfType = 0x4D42;
  fh.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  fh.bfSize = fh.bfOffBits + static_cast<DWORD>(bits.size());
  bi.bmiHeader.biSizeImage = static_cast<DWORD>(bits.size());
  FILE* f = ::_wfopen(Widen(path).c_str(), L"wb");
  if (!f) return false;
  bool ok = std::fwrite(&fh, sizeof(fh), 1, f) == 1 &&
            std::fwrite(&bi.bmiHeader, sizeof(bi.bmiHeader), 1, f) == 1 &&
            std::fwrite(bits.data(), 1, bits.size(), f) == bits.size();
  return std::fclose(f) == 0 && ok;
}

}  // namespace fw

#include "framework/Bitmap.h"

#include <algorithm>

#include "framework/StageTimes.h"

namespace fw {

ScopedBitmap CreateDib24(int width, int height) {
  if (width <= 0 || height <= 0) return ScopedBitmap();
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  return ScopedBitmap(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
}

TBitmap::~TBitmap() {
  canvas_.SetHandle(nullptr);
  dc_orig_bitmap_.reset();
}

void TBitmap::Replace(ScopedBitmap bitmap, int width, int height) {
  if (dc_) {
    // Deselect the old picture before it is deleted.
    if (bitmap) {
      // The first picture displaces the DC's own, which goes back at the end; later
      // ones displace ours, which is deleted below.
      SelectKeepingOriginal(dc_.get(), bitmap.get(), dc_orig_bitmap_);
    } else {
      dc_orig_bitmap_.reset();
    }
  }
  bitmap_ = std::move(bitmap);
  width_ = bitmap_ ? width : 0;
  height_ = bitmap_ ? height : 0;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_ && bitmap_) return;
  ScopedBitmap fresh = CreateDib24(width, height);
  if (fresh) {
    MemoryDC tmp(nullptr);
    SelectObjectScope sel(tmp.get(), fresh.get());
    ::PatBlt(tmp.get(), 0, 0, width, height, WHITENESS);
    if (!Empty()) {
      ::BitBlt(tmp.get(), 0, 0, std::min(width, width_), std::min(height, height_),
               Canvas().Handle(), 0, 0, SRCCOPY);
    }
  }
  Replace(std::move(fresh), width, height);
}

bool TBitmap::LoadFromResourceName(HINSTANCE module, const std::wstring& name) {
  StageScope stage(Stage::kPictures);
  HANDLE h = ::LoadImageW(module, name.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
  if (!h) {
    Replace(ScopedBitmap(), 0, 0);
    return false;
  }
  SetHandle(static_cast<HBITMAP>(h));
  return true;
}

void TBitmap::SetHandle(HBITMAP bitmap) {
  ScopedBitmap owned(bitmap);
  BITMAP info{};
  if (bitmap && ::GetObjectW(bitmap, sizeof(info), &info)) {
    Replace(std::move(owned), info.bmWidth, std::abs(info.bmHeight));
  } else {
    Replace(ScopedBitmap(), 0, 0);
  }
}

TCanvas& TBitmap::Canvas() {
  if (!dc_) {
    dc_ = MemoryDC(nullptr);
    if (bitmap_) dc_orig_bitmap_ = SelectObjectScope(dc_.get(), bitmap_.get());
    canvas_.SetHandle(dc_.get());
  }
  return canvas_;
}

TColor TBitmap::TransparentColor() {
  if (mode_ == TTransparentMode::tmFixed) return fixed_color_;
  if (Empty()) return clNone;
  return Pixel(0, height_ - 1);
}

void ScalePicture(TBitmap& picture, DpiScale scale, TScaleFilter filter) {
  if (scale.Identity() || picture.Empty()) return;
  StageScope stage(Stage::kPictures);
  const int w = std::max(scale.Apply(picture.Width()), 1);
  const int h = std::max(scale.Apply(picture.Height()), 1);
  ScopedBitmap scaled = CreateDib24(w, h);
  if (!scaled) return;
  {
    MemoryDC dc(nullptr);
    SelectObjectScope selected(dc.get(), scaled.get());
    if (scale.Whole() || filter == TScaleFilter::kNearest) {
      ::SetStretchBltMode(dc.get(), COLORONCOLOR);
    } else {
      ::SetStretchBltMode(dc.get(), HALFTONE);
      // HALFTONE wants the brush origin set after the mode.
      ::SetBrushOrgEx(dc.get(), 0, 0, nullptr);
    }
    ::StretchBlt(dc.get(), 0, 0, w, h, picture.Canvas().Handle(), 0, 0, picture.Width(),
                 picture.Height(), SRCCOPY);
  }
  picture.SetHandle(scaled.release());  // the picture owns it now
}

void TBitmap::SetTransparentColor(TColor c) {
  fixed_color_ = c;
  mode_ = TTransparentMode::tmFixed;
}

}  // namespace fw

// Off-screen pictures: DIB sections with their own canvas, made to a size or
// loaded from the module's bitmap resources.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Canvas.h"
#include "framework/Color.h"
#include "framework/DpiScale.h"
#include "framework/HandleNames.h"

namespace fw {

enum class TTransparentMode : uint8_t {
  tmAuto,   // the transparent colour is the bottom-left pixel when drawn
  tmFixed,  // the transparent colour is TransparentColor as set
};

class TBitmap {
 public:
  TBitmap() = default;
  // A white 24-bit picture of this size.
  TBitmap(int width, int height) { SetSize(width, height); }
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;
  ~TBitmap();

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return !bitmap_ || width_ <= 0 || height_ <= 0; }
  // Resizes to a 24-bit picture, keeping the overlapping pixels; new pixels are white.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }

  // Replaces the picture with the named bitmap resource of `module`; false (and an
  // empty picture) when there is none of that name.
  bool LoadFromResourceName(HINSTANCE module, const std::wstring& name);
  // Takes ownership of `bitmap`.
  void SetHandle(HBITMAP bitmap);
  HBITMAP Handle() const { return bitmap_.get(); }

  // Drawing on the picture; valid while the picture is not replaced.
  TCanvas& Canvas();

  bool Transparent() const { return transparent_; }
  void SetTransparent(bool t) { transparent_ = t; }
  TTransparentMode TransparentMode() const { return mode_; }
  void SetTransparentMode(TTransparentMode m) { mode_ = m; }
  // In tmAuto mode the colour of the bottom-left pixel now; else the fixed one.
  TColor TransparentColor();
  // Sets the colour and switches to tmFixed.
  void SetTransparentColor(TColor c);

  TColor Pixel(int x, int y) { return Canvas().Pixel(x, y); }

 private:
  void Replace(ScopedBitmap bitmap, int width, int height);

  ScopedBitmap bitmap_;
  int width_ = 0;
  int height_ = 0;
  MemoryDC dc_;
  // The memory DC's own bitmap while ours is selected; put back before the DC or
  // our bitmap goes (declared after both, it goes first).
  SelectedObject dc_orig_bitmap_;
  TCanvas canvas_;
  bool transparent_ = false;
  TTransparentMode mode_ = TTransparentMode::tmAuto;
  TColor fixed_color_ = clWhite;
};

// How a picture's pixels are enlarged.
enum class TScaleFilter : uint8_t {
  // Repeated pixels at whole factors, which keep a picture's colours exact (its
  // transparent colour among them); blended ones between, which keep it smooth.
  kByFactor,
  // Always repeated pixels: for masks, whose pixels are yes or no, not colours.
  kNearest,
};

// Replaces `picture` with a copy drawn for `scale` (each side scaled as a stored
// length). Nothing changes at 96 DPI. Meant for the moment a picture or the scale
// changes, never for a paint.
void ScalePicture(TBitmap& picture, DpiScale scale, TScaleFilter filter = TScaleFilter::kByFactor);

// A 24-bit top-down DIB section of this size (black), or null.
ScopedBitmap CreateDib24(int width, int height);

}  // namespace fw

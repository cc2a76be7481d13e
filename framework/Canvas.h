// Drawing on a device context with a pen, a brush and a font, as the controls
// paint. The canvas does not own the DC it is attached to; it owns the GDI objects
// it creates and puts the DC's own objects back when it is detached.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Color.h"
#include "framework/Geometry.h"
#include "framework/Graphics.h"
#include "framework/HandleNames.h"

namespace fw {

class TBitmap;

class TCanvas {
 public:
  TCanvas() = default;
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;
  ~TCanvas() { SetHandle(nullptr); }

  // Attaches to `dc` (borrowed; null detaches). The previous DC gets its own
  // objects back.
  void SetHandle(HDC dc);
  HDC Handle() const { return dc_; }

  TPen& Pen() { return pen_; }
  TBrush& Brush() { return brush_; }
  TFont& Font() { return font_; }
  // The raster operation of Draw (opaque bitmaps), StretchDraw and CopyRect.
  DWORD CopyMode() const { return copy_mode_; }
  void SetCopyMode(DWORD rop) { copy_mode_ = rop; }

  // Lines include their start point and exclude their end point.
  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  TPoint PenPos() const { return pen_pos_; }
  void Polyline(const std::vector<TPoint>& points);
  // Outlined with the pen and filled with the brush.
  void Polygon(const std::vector<TPoint>& points);
  // Outlined with the pen and filled with the brush; right and bottom edges one
  // pixel inside (right, bottom).
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  void RoundRect(int left, int top, int right, int bottom, int ellipse_w, int ellipse_h);
  // Fills with the brush, no outline.
  void FillRect(const TRect& r);

  TColor Pixel(int x, int y) const;
  void SetPixel(int x, int y, TColor c);

  // Text in the font, its background from the brush (none when the brush is clear).
  void TextOut(int x, int y, const std::string& text);
  // Text clipped to `r`, starting at (x, y).
  void TextRect(const TRect& r, int x, int y, const std::string& text);
  // Formatted text in `r` with the platform's DT_ flags; returns the text height.
  int DrawText(const TRect& r, const std::string& text, UINT format);
  SIZE TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }

  // Draws the bitmap with its top-left at (x, y); a transparent bitmap leaves its
  // transparent colour's pixels undrawn, an opaque one is copied with CopyMode.
  void Draw(int x, int y, TBitmap& bitmap);
  // Draws the bitmap stretched to `dest`.
  void StretchDraw(const TRect& dest, TBitmap& bitmap);
  // Copies `src_rect` of `src` to `dest` with CopyMode.
  void CopyRect(const TRect& dest, TCanvas& src, const TRect& src_rect);

 private:
  void RequirePen();
  void RequireBrush();
  void RequireFont();
  void PrepareText();

  HDC dc_ = nullptr;
  TPen pen_;
  TBrush brush_;
  TFont font_;
  DWORD copy_mode_ = SRCCOPY;
  TPoint pen_pos_;

  // What is selected now, and what the DC had before we selected anything. The
  // DC's own objects are put back (declared last, they go first) before ours are
  // deleted.
  ScopedPen pen_handle_;
  ScopedBrush brush_handle_;
  ScopedFont font_handle_;
  uint32_t pen_version_ = 0;
  uint32_t brush_version_ = 0;
  uint32_t font_version_ = 0;
  SelectedObject orig_pen_;
  SelectedObject orig_brush_;
  SelectedObject orig_font_;
};

// A font handle for a description (owned by the caller).
ScopedFont CreateFontHandle(const TFont& font);

}  // namespace fw

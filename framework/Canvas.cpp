#include "framework/Canvas.h"

#include "framework/Bitmap.h"

#include "framework/StageTimes.h"
#include "framework/TextEncoding.h"

namespace fw {
namespace {

COLORREF Ref(TColor c) {
  return static_cast<COLORREF>(ColorToRGB(c));
}

std::vector<POINT> ToPoints(const std::vector<TPoint>& points) {
  std::vector<POINT> out;
  out.reserve(points.size());
  for (TPoint p : points) out.push_back({p.X, p.Y});
  return out;
}

}  // namespace

ScopedFont CreateFontHandle(const TFont& font) {
  StageScope stage(Stage::kFonts);
  LOGFONTW lf{};
  lf.lfHeight = font.Height();
  lf.lfWeight = (font.Style() & fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = (font.Style() & fsItalic) ? 1 : 0;
  lf.lfUnderline = (font.Style() & fsUnderline) ? 1 : 0;
  lf.lfStrikeOut = (font.Style() & fsStrikeOut) ? 1 : 0;
  lf.lfCharSet = font.Charset();
  const std::wstring face = Widen(font.Name());
  face.copy(lf.lfFaceName, LF_FACESIZE - 1);
  return ScopedFont(::CreateFontIndirectW(&lf));
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == dc_) return;
  // The DC gets its own objects back before ours are deleted.
  orig_pen_.reset();
  orig_brush_.reset();
  orig_font_.reset();
  pen_handle_.reset();
  brush_handle_.reset();
  font_handle_.reset();
  pen_version_ = brush_version_ = font_version_ = 0;
  dc_ = dc;
  if (dc_) {
    POINT p{};
    ::GetCurrentPositionEx(dc_, &p);
    pen_pos_ = {p.x, p.y};
  }
}

void TCanvas::RequirePen() {
  if (!dc_ || (pen_handle_ && pen_version_ == pen_.Version())) return;
  int style = PS_SOLID;
  switch (pen_.Style()) {
    case TPenStyle::psSolid:
      style = PS_SOLID;
      break;
    case TPenStyle::psDash:
      style = PS_DASH;
      break;
    case TPenStyle::psDot:
      style = PS_DOT;
      break;
    case TPenStyle::psDashDot:
      style = PS_DASHDOT;
      break;
    case TPenStyle::psDashDotDot:
      style = PS_DASHDOTDOT;
      break;
    case TPenStyle::psClear:
      style = PS_NULL;
      break;
  }
  ScopedPen pen(::CreatePen(style, pen_.Width(), Ref(pen_.Color())));
  if (!SelectKeepingOriginal(dc_, pen.get(), orig_pen_)) return;
  pen_handle_ = std::move(pen);  // the previous pen is deselected now and goes
  pen_version_ = pen_.Version();
}

void TCanvas::RequireBrush() {
  if (!dc_ || (brush_handle_ && brush_version_ == brush_.Version())) return;
  LOGBRUSH lb{};
  lb.lbStyle = brush_.Style() == TBrushStyle::bsClear ? BS_NULL : BS_SOLID;
  lb.lbColor = Ref(brush_.Color());
  ScopedBrush brush(::CreateBrushIndirect(&lb));
  if (!SelectKeepingOriginal(dc_, brush.get(), orig_brush_)) return;
  brush_handle_ = std::move(brush);
  brush_version_ = brush_.Version();
}

void TCanvas::RequireFont() {
  if (!dc_ || (font_handle_ && font_version_ == font_.Version())) return;
  ScopedFont font = CreateFontHandle(font_);
  if (!SelectKeepingOriginal(dc_, font.get(), orig_font_)) return;
  font_handle_ = std::move(font);
  font_version_ = font_.Version();
}

void TCanvas::PrepareText() {
  RequireFont();
  RequireBrush();
  ::SetTextColor(dc_, Ref(font_.Color()));
  if (brush_.Style() == TBrushStyle::bsClear) {
    ::SetBkMode(dc_, TRANSPARENT);
  } else {
    ::SetBkMode(dc_, OPAQUE);
    ::SetBkColor(dc_, Ref(brush_.Color()));
  }
}

void TCanvas::MoveTo(int x, int y) {
  if (dc_) ::MoveToEx(dc_, x, y, nullptr);
  pen_pos_ = {x, y};
}

void TCanvas::LineTo(int x, int y) {
  if (dc_) {
    RequirePen();
    ::LineTo(dc_, x, y);
  }
  pen_pos_ = {x, y};
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
  if (!dc_ || points.empty()) return;
  RequirePen();
  auto pts = ToPoints(points);
  ::Polyline(dc_, pts.data(), static_cast<int>(pts.size()));
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (!dc_ || points.empty()) return;
  RequirePen();
  RequireBrush();
  auto pts = ToPoints(points);
  ::Polygon(dc_, pts.data(), static_cast<int>(pts.size()));
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (!dc_) return;
  RequirePen();
  RequireBrush();
  ::Rectangle(dc_, left, top, right, bottom);
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int ellipse_w, int ellipse_h) {
  if (!dc_) return;
  RequirePen();
  RequireBrush();
  ::RoundRect(dc_, left, top, right, bottom, ellipse_w, ellipse_h);
}

void TCanvas::FillRect(const TRect& r) {
  if (!dc_ || brush_.Style() == TBrushStyle::bsClear) return;
  RequireBrush();
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  ::FillRect(dc_, &rc, static_cast<HBRUSH>(brush_handle_.get()));
}

TColor TCanvas::Pixel(int x, int y) const {
  if (!dc_) return clNone;
  COLORREF c = ::GetPixel(dc_, x, y);
  if (c == CLR_INVALID) return clNone;
  return TColor(c & 0xFFFFFF);
}

void TCanvas::SetPixel(int x, int y, TColor c) {
  if (dc_) ::SetPixelV(dc_, x, y, Ref(c));
}

// Texts are UTF-8; each is converted once and drawn and measured by the wide functions.

void TCanvas::TextOut(int x, int y, const std::string& text) {
  if (!dc_) return;
  PrepareText();
  const std::wstring wide = Widen(text);
  const int length = static_cast<int>(wide.size());
  ::TextOutW(dc_, x, y, wide.data(), length);
  SIZE extent{0, 0};
  ::GetTextExtentPoint32W(dc_, wide.data(), length, &extent);
  pen_pos_ = {x + extent.cx, y};
}

void TCanvas::TextRect(const TRect& r, int x, int y, const std::string& text) {
  if (!dc_) return;
  PrepareText();
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  UINT options = ETO_CLIPPED | (brush_.Style() == TBrushStyle::bsClear ? 0 : ETO_OPAQUE);
  const std::wstring wide = Widen(text);
  ::ExtTextOutW(dc_, x, y, options, &rc, wide.data(), static_cast<UINT>(wide.size()), nullptr);
}

int TCanvas::DrawText(const TRect& r, const std::string& text, UINT format) {
  if (!dc_) return 0;
  PrepareText();
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  const std::wstring wide = Widen(text);
  return ::DrawTextW(dc_, wide.data(), static_cast<int>(wide.size()), &rc, format);
}

SIZE TCanvas::TextExtent(const std::string& text) {
  SIZE s{0, 0};
  if (!dc_) return s;
  RequireFont();
  const std::wstring wide = Widen(text);
  ::GetTextExtentPoint32W(dc_, wide.data(), static_cast<int>(wide.size()), &s);
  return s;
}

void TCanvas::Draw(int x, int y, TBitmap& bitmap) {
  if (!dc_ || bitmap.Empty()) return;
  HDC src = bitmap.Canvas().Handle();
  int w = bitmap.Width();
  int h = bitmap.Height();
  if (bitmap.Transparent()) {
    ::TransparentBlt(dc_, x, y, w, h, src, 0, 0, w, h, Ref(bitmap.TransparentColor()));
  } else {
    ::BitBlt(dc_, x, y, w, h, src, 0, 0, copy_mode_);
  }
}

void TCanvas::StretchDraw(const TRect& dest, TBitmap& bitmap) {
  if (!dc_ || bitmap.Empty()) return;
  HDC src = bitmap.Canvas().Handle();
  if (bitmap.Transparent()) {
    ::TransparentBlt(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), src, 0, 0,
                     bitmap.Width(), bitmap.Height(), Ref(bitmap.TransparentColor()));
  } else {
    ::SetStretchBltMode(dc_, COLORONCOLOR);
    ::StretchBlt(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), src, 0, 0, bitmap.Width(),
                 bitmap.Height(), copy_mode_);
  }
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& src, const TRect& src_rect) {
  if (!dc_ || !src.Handle()) return;
  if (dest.Width() == src_rect.Width() && dest.Height() == src_rect.Height()) {
    ::BitBlt(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), src.Handle(), src_rect.Left,
             src_rect.Top, copy_mode_);
  } else {
    ::SetStretchBltMode(dc_, COLORONCOLOR);
    ::StretchBlt(dc_, dest.Left, dest.Top, dest.Width(), dest.Height(), src.Handle(), src_rect.Left,
                 src_rect.Top, src_rect.Width(), src_rect.Height(), copy_mode_);
  }
}

}  // namespace fw

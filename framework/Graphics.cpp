#include "framework/Graphics.h"

#include <windows.h>

#include "framework/HandleNames.h"

namespace fw {

void TBrush::SetColor(TColor c) {
  if (color_ == c && style_ == TBrushStyle::bsSolid) return;
  color_ = c;
  style_ = TBrushStyle::bsSolid;
  ++version_;
}

void TBrush::SetStyle(TBrushStyle s) {
  if (style_ == s) return;
  style_ = s;
  ++version_;
}

int ScreenPixelsPerInch() {
  static const int ppi = [] {
    WindowDC screen(nullptr);
    int v = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 96;
    return v > 0 ? v : 96;
  }();
  return ppi;
}

TFont::TFont() : name_("Tahoma"), height_(-::MulDiv(8, ScreenPixelsPerInch(), 72)) {}

void TFont::SetName(const std::string& name) {
  if (name_ == name) return;
  name_ = name;
  Changed(true);
}

void TFont::SetHeight(int height) {
  if (height_ == height) return;
  height_ = height;
  Changed(true);
}

int TFont::Size() const {
  return -::MulDiv(height_, 72, ScreenPixelsPerInch());
}

void TFont::SetSize(int points) {
  SetHeight(-::MulDiv(points, ScreenPixelsPerInch(), 72));
}

void TFont::SetColor(TColor c) {
  if (color_ == c) return;
  color_ = c;
  Changed(false);
}

void TFont::SetStyle(uint8_t style_bits) {
  if (style_ == style_bits) return;
  style_ = style_bits;
  Changed(true);
}

void TFont::SetCharset(uint8_t charset) {
  if (charset_ == charset) return;
  charset_ = charset;
  Changed(true);
}

void TFont::Assign(const TFont& other) {
  if (&other == this) return;
  bool shape = name_ != other.name_ || height_ != other.height_ || style_ != other.style_ ||
               charset_ != other.charset_;
  bool any = shape || color_ != other.color_;
  name_ = other.name_;
  height_ = other.height_;
  color_ = other.color_;
  style_ = other.style_;
  charset_ = other.charset_;
  if (any) Changed(shape);
}

void TFont::Changed(bool shape) {
  if (shape) ++version_;
  if (OnChange) OnChange();
}

}  // namespace fw

// Pen, brush and font descriptions. A canvas realises them as GDI objects when it
// draws; a control's font is a description that the control's canvas copies.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "framework/Color.h"

namespace fw {

enum class TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
enum class TBrushStyle : uint8_t { bsSolid, bsClear };

// Font style bits.
enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

class TPen {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor c) { Change(color_, c); }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle s) { Change(style_, s); }
  int Width() const { return width_; }
  void SetWidth(int w) { Change(width_, w < 1 ? 1 : w); }
  // Grows with every change, so a canvas knows when to make a new pen.
  uint32_t Version() const { return version_; }

 private:
  template <class V>
  void Change(V& field, V value) {
    if (field == value) return;
    field = value;
    ++version_;
  }
  TColor color_ = clBlack;
  TPenStyle style_ = TPenStyle::psSolid;
  int width_ = 1;
  uint32_t version_ = 1;
};

class TBrush {
 public:
  TColor Color() const { return color_; }
  // Setting a colour makes a clear brush solid again.
  void SetColor(TColor c);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle s);
  uint32_t Version() const { return version_; }

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = TBrushStyle::bsSolid;
  uint32_t version_ = 1;
};

class TFont {
 public:
  TFont();

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  // Pixels; negative: character height, positive: cell height.
  int Height() const { return height_; }
  void SetHeight(int height);
  // Points at the screen's logical resolution.
  int Size() const;
  void SetSize(int points);
  TColor Color() const { return color_; }
  void SetColor(TColor c);
  uint8_t Style() const { return style_; }
  void SetStyle(uint8_t style_bits);
  uint8_t Charset() const { return charset_; }
  void SetCharset(uint8_t charset);

  // Copies every attribute of `other`; one change notification.
  void Assign(const TFont& other);
  // Grows with every change of the attributes that shape the glyphs (not colour).
  uint32_t Version() const { return version_; }

  // Called after any attribute changed (owners repaint).
  std::function<void()> OnChange;

 private:
  void Changed(bool shape);
  std::string name_;
  int height_;
  TColor color_ = clWindowText;
  uint8_t style_ = 0;
  uint8_t charset_ = 1;  // DEFAULT_CHARSET
  uint32_t version_ = 1;
};

// The screen's logical pixels per inch, vertically.
int ScreenPixelsPerInch();

}  // namespace fw

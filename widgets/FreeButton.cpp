#include "widgets/FreeButton.h"

#include <windows.h>
#include <oleacc.h>

#include <optional>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/HandleNames.h"
#include "framework/Menus.h"
#include "widgets/FreeButtonGlyph.h"

namespace widgets {
namespace {

std::uint32_t SystemRGB(int index) {
  return ::GetSysColor(index) & 0xFFFFFF;
}

// A colour as the button stores it: system colours looked up now.
fw::TColor Resolved(fw::TColor c) {
  return GetColor(c, &SystemRGB);
}

// The glyph's pixels as the bytes of a bottom-up 24-bit BMP file; empty for an
// empty picture.
std::string GlyphBytes(fw::TBitmap& glyph) {
  if (glyph.Empty()) return {};
  const int w = glyph.Width();
  const int h = glyph.Height();
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 24;
  bi.bmiHeader.biCompression = BI_RGB;
  // Copied through a DIB of the file's own layout, whatever the picture's format.
  void* raw = nullptr;
  fw::ScopedBitmap copy(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &raw, nullptr, 0));
  if (!copy || !raw) return {};
  {
    fw::MemoryDC dc(nullptr);
    fw::SelectObjectScope selected(dc.get(), copy.get());
    ::BitBlt(dc.get(), 0, 0, w, h, glyph.Canvas().Handle(), 0, 0, SRCCOPY);
    ::GdiFlush();
  }
  std::string bytes = freebutton::BmpHeader(w, h);
  bytes.append(static_cast<const char*>(raw), freebutton::BmpStride(w, 24) * h);
  return bytes;
}

// Replaces the glyph with the picture in `bytes` (none when empty); false, and
// the glyph unchanged, when the bytes hold no picture the button can take.
bool SetGlyphBytes(fw::TBitmap& glyph, const std::string& bytes) {
  if (bytes.empty()) {
    glyph.SetHandle(nullptr);
    return true;
  }
  std::optional<freebutton::BmpLayout> l = freebutton::ReadBmpLayout(bytes);
  if (!l) return false;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = l->Width;
  bi.bmiHeader.biHeight = l->BottomUp ? l->Height : -l->Height;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = static_cast<WORD>(l->BitCount);
  bi.bmiHeader.biCompression = BI_RGB;
  fw::ScopedBitmap picture = fw::CreateDib24(l->Width, l->Height);
  fw::MemoryDC dc(nullptr);
  if (!picture || !dc) return false;
  if (::SetDIBits(dc.get(), picture.get(), 0, l->Height, bytes.data() + l->BitsOffset, &bi,
                  DIB_RGB_COLORS) != l->Height)
    return false;
  glyph.SetHandle(picture.release());  // the picture owns it now
  return true;
}

// The glyph is stored as the bytes of a BMP file; bytes that hold no picture are
// refused.
fw::PropertyInfo GlyphProperty() {
  fw::PropertyInfo p;
  p.Name = "Glyph";
  p.Write = [](fw::TComponent& c, const fw::PropValue& v, const fw::HandlerResolver&) {
    auto* bytes = std::get_if<std::string>(&v);
    auto& button = static_cast<TFreeButton&>(c);
    if (!bytes || !SetGlyphBytes(button.Glyph(), *bytes)) return false;
    button.setGlyph(button.Glyph());
    return true;
  };
  p.Read = [](const fw::TComponent& c) -> std::optional<fw::PropValue> {
    // Reading the pixels takes the picture's drawing surface, which changes nothing.
    auto& button = const_cast<TFreeButton&>(static_cast<const TFreeButton&>(c));
    return GlyphBytes(button.Glyph());
  };
  p.ConstructorValue = std::string();
  return p;
}

void Line(fw::TCanvas& c, fw::TPoint from, fw::TPoint to) {
  c.MoveTo(from.X, from.Y);
  c.LineTo(to.X, to.Y);
}

}  // namespace

TFreeButton::TFreeButton(fw::TComponent* owner) : fw::TGraphicControl(owner) {
  // Not opaque: the parent draws its background first, and no child controls.
  SetControlStyle(ControlStyle() & ~(fw::csOpaque | fw::csAcceptsControls));
  SetBounds(Left(), Top(), freebutton::kNewWidth, freebutton::kNewHeight);
  setDrawColor(fw::RGBColor(68, 68, 68));
  setLightColor(fw::RGBColor(136, 255, 136));
  setBackColor(fw::clBtnFace);
  setCaption("");

  // The button's own font: a parent's font never replaces it.
  SetParentFont(false);
  fw::TFont& font = Font();
  font.SetColor(fw::clWhite);
  font.SetName("Verdana");
  font.SetSize(10);
  font.SetStyle(0);
}

TFreeButton::~TFreeButton() = default;

void TFreeButton::setDown(bool down) {
  down_ = down;
  pressed_ = down;
  Repaint();
}

void TFreeButton::setDrawColor(fw::TColor c) {
  draw_color_ = Resolved(c);
  Invalidate();
}

void TFreeButton::setLightColor(fw::TColor c) {
  light_color_ = Resolved(c);
  Invalidate();
}

void TFreeButton::setBackColor(fw::TColor c) {
  back_color_ = Resolved(c);
  Invalidate();
}

void TFreeButton::setCustomColor(TCustomColor cc) {
  if (cc > ccNone) return;
  custom_color_ = cc;
  Invalidate();
}

void TFreeButton::setCaption(const std::string& caption) {
  fw::TControl::SetCaption(caption);
  Invalidate();
}

void TFreeButton::setFont(const fw::TFont& font) {
  Font().Assign(font);
  Invalidate();
}

void TFreeButton::setTextPosition(TTextPosition p) {
  if (p >= freebutton::kPlaceCount) return;
  text_position_ = p;
  Invalidate();
}

void TFreeButton::setDrawDropShadow(bool v) {
  draw_drop_shadow_ = v;
  Invalidate();
}

void TFreeButton::setGlyph(fw::TBitmap& picture) {
  if (&picture != &glyph_) {
    if (picture.Empty()) {
      glyph_.SetHandle(nullptr);
    } else {
      glyph_.SetSize(picture.Width(), picture.Height());
      ::BitBlt(glyph_.Canvas().Handle(), 0, 0, picture.Width(), picture.Height(),
               picture.Canvas().Handle(), 0, 0, SRCCOPY);
      ::GdiFlush();
    }
  }
  GlyphChanged();
}

void TFreeButton::GlyphChanged() {
  if (transparent_glyph_ && !glyph_.Empty()) {
    glyph_.SetTransparentColor(glyph_.Pixel(0, 0));
    glyph_.SetTransparent(true);
  } else {
    glyph_.SetTransparent(false);
  }
  scaled_glyph_.reset();
  if (!Scale().Identity() && !glyph_.Empty()) {
    scaled_glyph_ = std::make_unique<fw::TBitmap>(glyph_.Width(), glyph_.Height());
    ::BitBlt(scaled_glyph_->Canvas().Handle(), 0, 0, glyph_.Width(), glyph_.Height(),
             glyph_.Canvas().Handle(), 0, 0, SRCCOPY);
    fw::ScalePicture(*scaled_glyph_, Scale());
    scaled_glyph_->SetTransparentColor(glyph_.TransparentColor());
    scaled_glyph_->SetTransparent(glyph_.Transparent());
  }
  Invalidate();
}

void TFreeButton::setGlyphPosition(TGlyphPosition p) {
  if (p >= freebutton::kPlaceCount) return;
  glyph_position_ = p;
  Invalidate();
}

void TFreeButton::setTransparentGlyph(bool v) {
  transparent_glyph_ = v;
  GlyphChanged();
}

void TFreeButton::setDrawLight(bool v) {
  draw_light_ = v;
  Invalidate();
}

void TFreeButton::setLightSize(int v) {
  light_size_ = v;
  Invalidate();
}

void TFreeButton::setAutoLightColor(bool v) {
  auto_light_color_ = v;
  Invalidate();
}

fw::TColor TFreeButton::BaseColor() const {
  return freebutton::BaseColor(Resolved(draw_color_), custom_color_);
}

fw::TPoint TFreeButton::CaptionPosition(int w, int h) {
  fw::TCanvas& c = Canvas();
  c.Font().Assign(Font());
  SIZE extent = c.TextExtent(Caption());
  return GetTextPosition(text_position_, w, h, extent.cx, extent.cy, Scale());
}

fw::TPoint TFreeButton::GlyphPlace(int w, int h) const {
  const fw::TBitmap& glyph = ShownGlyph();
  return GetGlyphPosition(glyph_position_, w, h, glyph.Width(), glyph.Height(), Scale());
}

void TFreeButton::CMMouseEnter() {
  fw::TGraphicControl::CMMouseEnter();
}

void TFreeButton::CMMouseLeave() {
  fw::TGraphicControl::CMMouseLeave();
  if (!down_) pressed_ = false;
  Repaint();
}

void TFreeButton::SetEnabled(bool enabled) {
  if (!enabled && !down_ && pressed_) {
    pressed_ = false;
    Invalidate();
  }
  fw::TGraphicControl::SetEnabled(enabled);
}

void TFreeButton::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
  fw::TGraphicControl::MouseDown(button, shift, x, y);
  // The second press of a double click is a double click, not a press.
  if (button != fw::TMouseButton::mbLeft || shift.Contains(fw::TShiftState::ssDouble)) return;
  pressed_ = true;
  Repaint();
}

void TFreeButton::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
  // OnClick has run by now: the framework raises it before this hook.
  fw::TGraphicControl::MouseUp(button, shift, x, y);
  if (button != fw::TMouseButton::mbLeft) return;
  if (!down_) pressed_ = false;
  if (draw_light_) lamp_lit_ = !lamp_lit_;
  Repaint();
}

void TFreeButton::DrawFace(fw::TCanvas& c, int face_w, int face_h, fw::TColor base) {
  const fw::DpiScale s = Scale();
  freebutton::FaceColors colors = freebutton::FaceColorsFor(base, pressed_);
  // Rings, bevel and their corners are stored lengths; the lines widen with the scale.
  const int ring = s.Apply(1);
  const int corner = s.Apply(8);
  const int bevel = s.Apply(3);
  c.Pen().SetWidth(s.ApplyAtLeastOne(1));
  c.Pen().SetColor(colors.OuterPen);
  c.Brush().SetColor(colors.Fill);
  c.RoundRect(0, 0, face_w, face_h, corner, corner);
  c.Pen().SetColor(colors.InnerPen);
  c.RoundRect(ring, ring, face_w - ring, face_h - ring, corner, corner);

  const fw::TPoint top_left{bevel, bevel};
  const fw::TPoint bottom_right{face_w - bevel, face_h - bevel};
  c.Pen().SetColor(colors.TopLeftPen);
  Line(c, top_left, {face_w - bevel, bevel});
  Line(c, top_left, {bevel, face_h - bevel});
  c.Pen().SetColor(colors.BottomRightPen);
  Line(c, bottom_right, {bevel, face_h - bevel});
  Line(c, bottom_right, {face_w - bevel, bevel});
  c.Pen().SetWidth(1);
}

void TFreeButton::DrawShadow(fw::TCanvas& c, int w, int h) {
  // Two lines right of and below the face, darkest next to it, with their corner
  // pixels shaded so that the shadow fades out diagonally.
  // At a larger scale each line is a band as wide as a stored pixel, and each shaded
  // corner pixel a square of that size.
  const fw::DpiScale s = Scale();
  const int t = s.ApplyAtLeastOne(1);
  auto at = [&](int stored) { return s.Apply(stored); };
  auto band = [&](fw::TRect r, fw::TColor colour) {
    c.Brush().SetColor(colour);
    c.FillRect(r);
  };
  const fw::TColor dark = GetNewColor(back_color_, 100, false);
  const fw::TColor dim = GetNewColor(back_color_, 50, false);
  // The dark line: down the right from 4, then along the bottom back to 3 (its end
  // left out, as a line leaves out its end point).
  band({w - at(2), at(4), w - at(2) + t, h - at(2)}, dark);
  band({at(3) + t, h - at(2), w - at(2) + t, h - at(2) + t}, dark);
  // The dim line one stored pixel further out, from 5 and back to 4.
  band({w - at(1), at(5), w - at(1) + t, h - at(1)}, dim);
  band({at(4) + t, h - at(1), w - at(1) + t, h - at(1) + t}, dim);
  band({w - at(3), h - at(3), w - at(3) + t, h - at(3) + t}, dark);
  band({w - at(2), h - at(2), w - at(2) + t, h - at(2) + t}, dim);
  band({w - at(1), h - at(1), w - at(1) + t, h - at(1) + t}, back_color_);
}

void TFreeButton::Paint() {
  const int w = Width();
  const int h = Height();
  if (w <= 0 || h <= 0) return;

  // The face is composed on its own picture, then placed on a picture of the
  // whole button with or without the shadow, which is drawn in one piece.
  fw::TBitmap outer(w, h);
  fw::TCanvas& oc = outer.Canvas();
  oc.Brush().SetColor(back_color_);
  oc.FillRect({0, 0, w, h});

  const int face_w = w - Scale().Apply(freebutton::kFaceInset);
  const int face_h = h - Scale().Apply(freebutton::kFaceInset);
  fw::TBitmap face(face_w, face_h);
  if (!face.Empty()) {
    fw::TCanvas& fc = face.Canvas();
    fc.Brush().SetColor(back_color_);
    fc.FillRect({0, 0, face_w, face_h});
    const fw::TPoint text_at = CaptionPosition(face_w, face_h);
    const fw::TPoint glyph_at = GlyphPlace(face_w, face_h);
    const fw::TColor base = BaseColor();
    DrawFace(fc, face_w, face_h, base);

    fc.Brush().SetStyle(fw::TBrushStyle::bsClear);
    fc.Font().Assign(Font());
    if (draw_drop_shadow_) {
      fc.Font().SetColor(GetNewColor(base, 40, false));
      const int drop = Scale().Apply(2);
      fc.TextOut(text_at.X + drop, text_at.Y + drop, Caption());
      fc.Font().SetColor(Font().Color());
    }
    fc.TextOut(text_at.X, text_at.Y, Caption());

    if (!ShownGlyph().Empty()) fc.Draw(glyph_at.X, glyph_at.Y, ShownGlyph());

    if (draw_light_) {
      freebutton::LampColors lamp = freebutton::LampColorsFor(
          freebutton::LampColor(base, auto_light_color_, light_color_), pressed_, lamp_lit_);
      fc.Pen().SetColor(lamp.Pen);
      fc.Brush().SetColor(lamp.Fill);
      auto corners = freebutton::LampTriangle(face_w, face_h, light_size_, Scale());
      fc.Polygon(std::vector<fw::TPoint>(corners.begin(), corners.end()));
    }
  }

  const fw::TPoint at = freebutton::FaceOrigin(pressed_, Scale());
  if (pressed_) {
    oc.Pen().SetColor(back_color_);
    oc.Brush().SetColor(back_color_);
    oc.Rectangle(0, 0, w, h);
    oc.Draw(at.X, at.Y, face);
  } else {
    oc.Draw(at.X, at.Y, face);
    DrawShadow(oc, w, h);
  }
  // The keyboard's dotted frame, on the button's own pixels one inside its edge.
  if (ShowsFocusCue()) {
    RECT cue{1, 1, w - 1, h - 1};
    ::DrawFocusRect(oc.Handle(), &cue);
  }
  ::GdiFlush();
  Canvas().Draw(0, 0, outer);
}

long TFreeButton::AccessibleRole() const {
  return ROLE_SYSTEM_PUSHBUTTON;
}

long TFreeButton::AccessibleStateBits() const {
  return down_ ? STATE_SYSTEM_PRESSED : 0;
}

bool TFreeButton::FocusedKey(uint16_t key) {
  if (key != VK_SPACE && key != VK_RETURN) return false;
  Click();
  return true;
}

const fw::PropertyTable& TFreeButton::ClassProperties() {
  using fw::Published;
  using fw::TColor;
  using T = TFreeButton;
  static const fw::PropertyTable table = [] {
    std::vector<fw::PropertyInfo> own = {
        Published<T, bool>("Down", &T::Down, &T::setDown, false, false),
        Published<T, TColor>("DrawColor", &T::DrawColor, &T::setDrawColor, fw::RGBColor(68, 68, 68),
                             fw::RGBColor(68, 68, 68)),
        Published<T, TColor>("LightColor", &T::LightColor, &T::setLightColor,
                             fw::RGBColor(136, 255, 136), fw::RGBColor(136, 255, 136)),
        Published<T, TColor>("BackColor", &T::BackColor, &T::setBackColor, Resolved(fw::clBtnFace),
                             fw::clBtnFace),
        Published<T, TCustomColor>("CustomColor", &T::CustomColor, &T::setCustomColor, ccNone,
                                   ccNone),
        Published<T, std::string>("Caption", &T::Caption, &T::setCaption, std::string(),
                                  std::nullopt),
    };
    // The font is stored attribute by attribute, in its place in the table.
    const fw::FontStart start{DEFAULT_CHARSET, fw::clWhite,
                              -::MulDiv(10, fw::ScreenPixelsPerInch(), 72), "Verdana", 0};
    for (auto& p : fw::FontAttributeProperties(start)) own.push_back(std::move(p));
    std::vector<fw::PropertyInfo> rest = {
        Published<T, TTextPosition>("TextPosition", &T::TextPosition, &T::setTextPosition,
                                    tpMiddleCenter, tpMiddleCenter),
        Published<T, bool>("DrawDropShadow", &T::DrawDropShadow, &T::setDrawDropShadow, true, true),
        GlyphProperty(),
        Published<T, TGlyphPosition>("GlyphPosition", &T::GlyphPosition, &T::setGlyphPosition,
                                     gpTopCenter, gpTopCenter),
        Published<T, bool>("TransparentGlyph", &T::TransparentGlyph, &T::setTransparentGlyph, true,
                           true),
        Published<T, bool>("DrawLight", &T::DrawLight, &T::setDrawLight, true, true),
        Published<T, int>("LightSize", &T::LightSize, &T::setLightSize, 8, 8),
        Published<T, bool>("AutoLightColor", &T::AutoLightColor, &T::setAutoLightColor, true, true),
        fw::PublishedEvent<T>("OnClick", &T::OnClick),
        fw::PublishedEvent<T>("OnDblClick", &T::OnDblClick),
        Published<T, fw::TAlign>("Align", &T::Align, &T::SetAlign, fw::TAlign::alNone,
                                 fw::TAlign::alNone),
        fw::PopupMenuProperty(),
    };
    for (auto& p : rest) own.push_back(std::move(p));
    return fw::PropertyTable(&fw::TControl::ClassProperties(), std::move(own));
  }();
  return table;
}

}  // namespace widgets

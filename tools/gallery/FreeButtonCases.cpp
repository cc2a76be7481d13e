// Gallery cases of the drawn push button.
#include <windows.h>

#include <memory>
#include <string>

#include "framework/Forms.h"
#include "tools/gallery/Gallery.h"
#include "widgets/FreeButton.h"

namespace {

using widgets::TFreeButton;

// The settings window's Hide button.
void MakeHide(TFreeButton& b) {
  b.SetBounds(0, 0, 59, 27);
  b.setCaption(" Hide");
  fw::TFont font;
  font.SetName("Verdana");
  font.SetHeight(-13);
  font.SetColor(fw::clWhite);
  b.setFont(font);
  b.setDrawColor(fw::RGBColor(71, 83, 129));
  b.setBackColor(fw::RGBColor(64, 64, 64));
  b.setDrawDropShadow(false);
  b.setDrawLight(false);
}

std::unique_ptr<fw::TBitmap> Hide(bool down) {
  TFreeButton b(nullptr);
  MakeHide(b);
  b.setDown(down);
  return gallery::Render(b);
}

std::unique_ptr<fw::TBitmap> NewButton() {
  TFreeButton b(nullptr);
  return gallery::Render(b);
}

// A new button with a caption, clicked once with the left button through the
// messages a window receives: the lamp is lit and the face up again.
std::unique_ptr<fw::TBitmap> LampLit() {
  fw::TForm form(nullptr);
  form.SetBorderStyle(fw::TFormBorderStyle::bsNone);
  form.SetBounds(0, 0, 120, 60);
  form.SetColor(gallery::kParentColor);
  TFreeButton b(nullptr);
  b.setCaption("Lamp");
  b.SetBounds(10, 10, b.Width(), b.Height());
  b.SetParent(&form);
  HWND window = form.Handle();
  LPARAM inside = MAKELPARAM(10 + 20, 10 + 10);
  ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, inside);
  ::SendMessageW(window, WM_LBUTTONUP, 0, inside);
  b.SetParent(nullptr);
  return gallery::Render(b);
}

std::unique_ptr<fw::TBitmap> Preset(widgets::TCustomColor cc) {
  TFreeButton b(nullptr);
  b.setCustomColor(cc);
  b.setBackColor(gallery::kParentColor);
  b.setCaption(std::string(fw::EnumNames<widgets::TCustomColor>::kNames[cc].substr(2)));
  b.SetBounds(0, 0, 120, 31);
  return gallery::Render(b);
}

// A 16 x 16 glyph: a yellow disc on magenta, which the button leaves out.
std::unique_ptr<fw::TBitmap> GlyphAt(widgets::TGlyphPosition p) {
  fw::TBitmap glyph(16, 16);
  fw::TCanvas& c = glyph.Canvas();
  c.Brush().SetColor(fw::clFuchsia);
  c.FillRect({0, 0, 16, 16});
  c.Pen().SetColor(fw::clBlack);
  c.Brush().SetColor(fw::clYellow);
  c.RoundRect(2, 2, 14, 14, 12, 12);
  TFreeButton b(nullptr);
  b.SetBounds(0, 0, 83, 50);
  b.setCustomColor(widgets::ccSapphire);
  b.setBackColor(gallery::kParentColor);
  b.setGlyph(glyph);
  b.setGlyphPosition(p);
  b.setDrawLight(false);
  return gallery::Render(b);
}

std::unique_ptr<fw::TBitmap> WideCaption() {
  TFreeButton b(nullptr);
  b.setCaption("A caption far wider than the face");
  return gallery::Render(b);
}

std::unique_ptr<fw::TBitmap> CaptionAt(widgets::TTextPosition p) {
  TFreeButton b(nullptr);
  b.SetBounds(0, 0, 100, 50);
  b.setCaption("Text");
  b.setTextPosition(p);
  b.setCustomColor(widgets::ccGirder);
  b.setBackColor(gallery::kParentColor);
  return gallery::Render(b);
}

// Every preset, glyph place and caption place under its enumeration name.
bool RegisterAll() {
  for (int i = 0; i < widgets::ccNone; ++i) {
    auto cc = static_cast<widgets::TCustomColor>(i);
    std::string name(fw::EnumNames<widgets::TCustomColor>::kNames[i]);
    gallery::RegisterCase("freebutton-" + name + ".bmp", [cc] { return Preset(cc); });
  }
  for (int i = 0; i < widgets::freebutton::kPlaceCount; ++i) {
    auto gp = static_cast<widgets::TGlyphPosition>(i);
    std::string glyph(fw::EnumNames<widgets::TGlyphPosition>::kNames[i]);
    gallery::RegisterCase("freebutton-glyph-" + glyph + ".bmp", [gp] { return GlyphAt(gp); });
    auto tp = static_cast<widgets::TTextPosition>(i);
    std::string text(fw::EnumNames<widgets::TTextPosition>::kNames[i]);
    gallery::RegisterCase("freebutton-text-" + text + ".bmp", [tp] { return CaptionAt(tp); });
  }
  return true;
}

GALLERY_CASE("freebutton-hide-up.bmp", [] { return Hide(false); });
GALLERY_CASE("freebutton-hide-down.bmp", [] { return Hide(true); });
GALLERY_CASE("freebutton-new.bmp", NewButton);
GALLERY_CASE("freebutton-lamp-lit.bmp", LampLit);
GALLERY_CASE("freebutton-wide-caption.bmp", WideCaption);
const bool registered_all = RegisterAll();

}  // namespace

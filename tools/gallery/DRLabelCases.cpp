// Gallery cases of the three-dimensional label.
#include <memory>
#include <string>

#include "tools/gallery/Gallery.h"
#include "widgets/DRLabel.h"

namespace {

using widgets::TDRLabel;

// A fixed-size, opaque label on the settings window's colour.
void Fixed(TDRLabel& label, const char* caption, int w, int h) {
  label.SetCaption(caption);
  label.SetAutoSize(false);
  label.SetBounds(0, 0, w, h);
  label.SetTransparent(false);
  label.SetColor(gallery::kParentColor);
}

// "Label1" in the new label's font and colours, 60 x 20, framed by `border`.
std::unique_ptr<fw::TBitmap> Plain(widgets::TDRBorder border, bool enabled = true) {
  TDRLabel label(nullptr);
  Fixed(label, "Label1", 60, 20);
  label.SetBorder(border);
  label.SetEnabled(enabled);
  return gallery::Render(label);
}

// A heading as the settings window sets them: white Verdana over a black shadow.
std::unique_ptr<fw::TBitmap> Heading(const char* caption, int w, int h, int deep) {
  TDRLabel label(nullptr);
  Fixed(label, caption, w, h);
  label.Font().SetName("Verdana");
  label.Font().SetHeight(-16);
  label.Font().SetColor(fw::clWhite);
  label.SetShadowColor(fw::clBlack);
  label.SetDeep(static_cast<uint8_t>(deep));
  return gallery::Render(label);
}

// The model line across the top of the settings window: bold yellow, centred, Deep 2.
std::unique_ptr<fw::TBitmap> Model() {
  TDRLabel label(nullptr);
  Fixed(label, "Calder", 346, 17);
  label.Font().SetName("Verdana");
  label.Font().SetHeight(-16);
  label.Font().SetStyle(fw::fsBold);
  label.Font().SetColor(fw::clYellow);
  label.SetShadowColor(fw::clBlack);
  label.SetDeep(2);
  label.SetAlignment(fw::TAlignment::taCenter);
  return gallery::Render(label);
}

// Without the shadow.
std::unique_ptr<fw::TBitmap> Flat() {
  TDRLabel label(nullptr);
  Fixed(label, "Label1", 60, 20);
  label.Font().SetColor(fw::clWhite);
  label.SetCtl3D(false);
  label.SetBorder(widgets::boLowered);
  return gallery::Render(label);
}

// A blinking label in its hidden phase: the font colour is the background's, so
// only the background and the frame are drawn.
std::unique_ptr<fw::TBitmap> Hidden() {
  TDRLabel label(nullptr);
  Fixed(label, "Label1", 60, 20);
  label.SetBorder(widgets::boSingle);
  label.Font().SetColor(gallery::kParentColor);
  return gallery::Render(label);
}

// A new label sized to its text: the shadow's last column and row fall outside.
std::unique_ptr<fw::TBitmap> AutoSized() {
  TDRLabel label(nullptr);
  label.SetCaption("Sampling speed");
  label.SetTransparent(false);
  label.SetColor(gallery::kParentColor);
  label.Font().SetName("Verdana");
  label.Font().SetHeight(-16);
  label.Font().SetColor(fw::clWhite);
  label.SetShadowColor(fw::clBlack);
  return gallery::Render(label);
}

GALLERY_CASE("drlabel-new.bmp", [] { return Plain(widgets::boRaised); });
GALLERY_CASE("drlabel-deep2.bmp", [] { return Heading("Gain", 40, 20, 2); });
GALLERY_CASE("drlabel-disabled.bmp", [] { return Plain(widgets::boRaised, false); });
GALLERY_CASE("drlabel-model.bmp", Model);
GALLERY_CASE("drlabel-flat.bmp", Flat);
GALLERY_CASE("drlabel-hidden.bmp", Hidden);
GALLERY_CASE("drlabel-autosize.bmp", AutoSized);

// One case per border style, named after the style ("drlabel-border-boLowered.bmp").
const bool kBorderCases = [] {
  for (int b = widgets::boNone; b <= widgets::boLowered; ++b) {
    const auto border = static_cast<widgets::TDRBorder>(b);
    const std::string name(fw::EnumNames<widgets::TDRBorder>::kNames[b]);
    gallery::RegisterCase("drlabel-border-" + name + ".bmp", [border] { return Plain(border); });
  }
  return true;
}();

}  // namespace

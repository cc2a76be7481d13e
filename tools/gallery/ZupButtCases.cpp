// Gallery cases of the bitmap button.
#include <memory>

#include "tools/gallery/Gallery.h"
#include "widgets/ZupButt.h"

namespace {

using widgets::TZupButt;

std::unique_ptr<fw::TBitmap> NewButton() {
  TZupButt button(nullptr);
  return gallery::Render(button);
}

// A rate button of the settings window.
std::unique_ptr<fw::TBitmap> GreyRate(bool down) {
  TZupButt button(nullptr);
  button.SetRadio(true);
  button.SetSize(widgets::size::Grey);
  button.SetCaption("158,730 Hz");
  button.SetFontColorON(fw::clYellow);
  button.SetFontColorOFF(fw::clSilver);
  button.SetDown(down);
  return gallery::Render(button);
}

std::unique_ptr<fw::TBitmap> Sized(widgets::size s, bool down, const char* caption) {
  TZupButt button(nullptr);
  button.SetSize(s);
  button.SetCaption(caption);
  button.SetDown(down);
  return gallery::Render(button);
}

GALLERY_CASE("zupbutt-new.bmp", NewButton);
GALLERY_CASE("zupbutt-grey-down.bmp", [] { return GreyRate(true); });
GALLERY_CASE("zupbutt-grey-up.bmp", [] { return GreyRate(false); });
GALLERY_CASE("zupbutt-small-up.bmp", [] { return Sized(widgets::size::Small, false, "Zup"); });
GALLERY_CASE("zupbutt-medium-down.bmp",
             [] { return Sized(widgets::size::Medium, true, "Medium"); });
GALLERY_CASE("zupbutt-medium-up.bmp", [] { return Sized(widgets::size::Medium, false, "Medium"); });
GALLERY_CASE("zupbutt-big-down.bmp", [] { return Sized(widgets::size::Big, true, "Big button"); });
GALLERY_CASE("zupbutt-big-up.bmp", [] { return Sized(widgets::size::Big, false, "Big button"); });

}  // namespace

// Gallery cases of the slider.
#include <memory>
#include <string>

#include "tools/gallery/Gallery.h"
#include "widgets/SlideBar.h"

namespace {

using widgets::TSlideBar;
namespace slidebar = widgets::slidebar;

std::unique_ptr<fw::TBitmap> NewSlider() {
  TSlideBar slider(nullptr);
  return gallery::Render(slider);
}

// The settings window's gain slider: 0..max at `position`, with its property set.
std::unique_ptr<fw::TBitmap> Gain(int max, int position) {
  TSlideBar slider(nullptr);
  slider.SetBounds(0, 0, 11, 93);
  slider.SetTickColor(fw::clMaroon);
  slider.SetHandCursor(false);
  slider.SetMax(max);
  slider.SetMin(0);
  slider.SetPosition(position);
  slider.SetThickness(4);
  slider.SetThumbStyle(widgets::tsDiamond2);
  slider.SetTicks(false);
  slider.SetFrequency(2);
  slider.SetStepPage(1);
  return gallery::Render(slider);
}

// A slider showing one thumb style halfway along, laid across the thumb's long side:
// tall thumbs ride a horizontal slider, the others a vertical one.
std::unique_ptr<fw::TBitmap> Thumb(widgets::TThumbStyle style) {
  TSlideBar slider(nullptr);
  const auto info = *slidebar::ThumbFor(style);
  const bool horizontal = info.height > info.width;
  if (horizontal) {
    slider.SetBounds(0, 0, 120, 31);
    slider.SetOrientation(widgets::orHorizontal);
  } else {
    slider.SetBounds(0, 0, 31, 120);
  }
  slider.SetThumbStyle(style);
  slider.SetThickness(4);
  slider.SetFrequency(10);
  slider.SetPosition(50);
  return gallery::Render(slider);
}

// The trench with FlashColor set, after the position was set from `previous`.
std::unique_ptr<fw::TBitmap> Flash(int previous) {
  TSlideBar slider(nullptr);
  slider.SetFlashColor(true);
  slider.SetMax(2);
  slider.SetPosition(previous);
  slider.SetPosition(previous);
  return gallery::Render(slider);
}

std::unique_ptr<fw::TBitmap> Raised() {
  TSlideBar slider(nullptr);
  slider.SetStyle(widgets::bsRaised);
  slider.SetThickness(6);
  slider.SetPosition(60);
  return gallery::Render(slider);
}

GALLERY_CASE("slidebar-new.bmp", NewSlider);
GALLERY_CASE("slidebar-gain-0.bmp", [] { return Gain(3, 0); });
GALLERY_CASE("slidebar-gain-1.bmp", [] { return Gain(3, 1); });
GALLERY_CASE("slidebar-gain-2.bmp", [] { return Gain(3, 2); });
GALLERY_CASE("slidebar-gain-3.bmp", [] { return Gain(3, 3); });
GALLERY_CASE("slidebar-if-2.bmp", [] { return Gain(4, 2); });
GALLERY_CASE("slidebar-flash-0.bmp", [] { return Flash(0); });
GALLERY_CASE("slidebar-flash-1.bmp", [] { return Flash(1); });
GALLERY_CASE("slidebar-flash-2.bmp", [] { return Flash(2); });
GALLERY_CASE("slidebar-raised.bmp", Raised);

// One case per thumb style, named after the style ("slidebar-thumb-tsDiamond2.bmp").
const bool kThumbCases = [] {
  for (int s = 0; s < slidebar::kThumbStyleCount; ++s) {
    const auto style = static_cast<widgets::TThumbStyle>(s);
    const std::string name(fw::EnumNames<widgets::TThumbStyle>::kNames[s]);
    gallery::RegisterCase("slidebar-thumb-" + name + ".bmp", [style] { return Thumb(style); });
  }
  return true;
}();

}  // namespace

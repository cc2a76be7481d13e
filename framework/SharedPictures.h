// Pictures and fonts that many controls of a window show alike, made once and
// shared: a window's buttons of one size share their key pictures, its sliders of
// one style their thumbs, its buttons at one DPI their caption font. What is made
// lives while some control holds it, and is shared only on the thread that made it
// (a DC and the bitmap selected into it serve one thread at a time).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/Bitmap.h"
#include "framework/DpiScale.h"

namespace fw {

// The bitmap resource `name` of `module`, scaled for `scale` with `filter`, as
// ScalePicture draws it; empty when the module has no such picture. Shared: its
// holders only read it and draw it, never draw on it or change it.
std::shared_ptr<TBitmap> SharedResourcePicture(HINSTANCE module, const std::wstring& name,
                                               DpiScale scale,
                                               TScaleFilter filter = TScaleFilter::kByFactor);

// A font that `make` creates, shared by everyone who asks with the same `key` on
// this thread while one of them holds it; `make` runs only when no one does.
struct SharedFont {
  ScopedFont Font;
  // Whatever else the maker measured with it (e.g. an average character width).
  int Measure = 0;
};
std::shared_ptr<const SharedFont> SharedFontFor(const std::string& key,
                                                const std::function<SharedFont()>& make);

}  // namespace fw

#include "framework/Image.h"

#include "framework/Module.h"

namespace fw {

TImage::TImage(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 105, 105);
  picture_.OnChange = [this](TObject* sender) { PictureChanged(sender); };
}

TImage::~TImage() {
  picture_.OnChange = nullptr;
}

void TImage::SetAutoSize(bool auto_size) {
  if (auto_size == auto_size_) return;
  auto_size_ = auto_size;
  AdjustSize();
  Invalidate();
}

void TImage::SetStretch(bool stretch) {
  if (stretch == stretch_) return;
  stretch_ = stretch;
  Invalidate();
}

void TImage::SetCenter(bool center) {
  if (center == center_) return;
  center_ = center;
  Invalidate();
}

void TImage::SetProportional(bool proportional) {
  if (proportional == proportional_) return;
  proportional_ = proportional;
  Invalidate();
}

void TImage::SetTransparent(bool transparent) {
  if (transparent == transparent_) return;
  transparent_ = transparent;
  // The picture's bitmap is drawn with its own flag; it keeps it through every load.
  picture_.Bitmap().SetTransparent(transparent);
  Invalidate();
}

TRect TImage::DestRect() const {
  TRect client = ClientRect();
  return ImageDestRect(picture_.Width(), picture_.Height(), client.Width(), client.Height(),
                       {stretch_, proportional_, center_});
}

void TImage::Loaded() {
  TGraphicControl::Loaded();
  AdjustSize();
}

void TImage::AdjustSize() {
  if (!auto_size_ || Align() != TAlign::alNone || picture_.Empty() || Loading()) return;
  if (Width() == picture_.Width() && Height() == picture_.Height()) return;
  SetBounds(Left(), Top(), picture_.Width(), picture_.Height());
}

void TImage::PictureChanged(TObject*) {
  AdjustSize();
  Invalidate();
}

void TImage::Paint() {
  TBitmap& bitmap = picture_.Bitmap();
  if (bitmap.Empty()) return;
  TRect r = DestRect();
  TCanvas& canvas = Canvas();
  if (r.Width() == bitmap.Width() && r.Height() == bitmap.Height()) {
    canvas.Draw(r.Left, r.Top, bitmap);
  } else {
    canvas.StretchDraw(r, bitmap);
  }
}

const PropertyTable& TImage::ClassProperties() {
  using T = TImage;
  // The picture is stored as the name of a bitmap resource of the module.
  auto read_picture = [](const T& image) {
    const std::wstring& name = image.Picture().ResourceName();
    return std::string(name.begin(), name.end());
  };
  auto write_picture = [](T& image, const std::string& name) {
    if (name.empty()) {
      image.Picture().Clear();
    } else {
      image.Picture().LoadFromResourceName(ModuleHandle(), std::wstring(name.begin(), name.end()));
    }
  };
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          Published<T, TAlign>("Align", &T::Align, &T::SetAlign, TAlign::alNone, TAlign::alNone),
          Published<T, bool>("AutoSize", &T::AutoSize, &T::SetAutoSize, false, false),
          Published<T, bool>("Center", &T::Center, &T::SetCenter, false, false),
          Published<T, bool>("Proportional", &T::Proportional, &T::SetProportional, false, false),
          Published<T, bool>("Stretch", &T::Stretch, &T::SetStretch, false, false),
          Published<T, bool>("Transparent", &T::Transparent, &T::SetTransparent, false, false),
          Published<T, std::string>("Picture", read_picture, write_picture, "", ""),
          Published<T, bool>("Enabled", &T::Enabled, &T::SetEnabled, true, true),
      });
  return table;
}

}  // namespace fw

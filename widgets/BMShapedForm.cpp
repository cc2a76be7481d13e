#include "widgets/BMShapedForm.h"

#include <cstdint>
#include <span>
#include <vector>

#include "common/ScopeExit.h"
#include "framework/Exception.h"
#include "framework/Forms.h"
#include "framework/Region.h"
#include "widgets/BMShapedFormRuns.h"

namespace widgets {
namespace {

// `picture` drawn at `width` x `height` into a 32-bit top-down DIB section whose
// pixels are read in place.
struct RenderedPixels {
  fw::ScopedBitmap dib;
  std::span<const uint32_t> pixels;
};

RenderedPixels Render(fw::TBitmap& picture, int width, int height) {
  RenderedPixels out;
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = width;
  bi.bmiHeader.biHeight = -height;  // rows from the top
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  fw::ScopedBitmap dib(::CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dib || !bits) return out;
  {
    fw::MemoryDC dc(nullptr);
    if (!dc) return out;
    fw::SelectObjectScope select(dc.get(), dib.get());
    // Drawn opaque whatever the picture's Transparent says: the holes are found
    // from the colours themselves.
    ::SetStretchBltMode(dc.get(), COLORONCOLOR);
    if (!::StretchBlt(dc.get(), 0, 0, width, height, picture.Canvas().Handle(), 0, 0,
                      picture.Width(), picture.Height(), SRCCOPY)) {
      return out;
    }
    ::GdiFlush();
  }
  out.pixels = {static_cast<const uint32_t*>(bits),
                static_cast<size_t>(width) * static_cast<size_t>(height)};
  out.dib = std::move(dib);
  return out;
}

// Where the client area of `window` starts, seen from the window's top-left
// corner (frame and caption included).
fw::TPoint ClientOffset(HWND window) {
  POINT client{0, 0};
  ::ClientToScreen(window, &client);
  RECT outer{};
  ::GetWindowRect(window, &outer);
  return {client.x - outer.left, client.y - outer.top};
}

// Gives `parent` a client area of `width` x `height`, its frame kept.
void SetClientSize(fw::TWinControl& parent, int width, int height) {
  if (auto* form = dynamic_cast<fw::TForm*>(&parent)) {
    form->SetClientWidth(width);
    form->SetClientHeight(height);
    return;
  }
  fw::TRect client = parent.ClientRect();
  parent.SetBounds(parent.Left(), parent.Top(), width + parent.Width() - client.Width(),
                   height + parent.Height() - client.Height());
}

}  // namespace

TBMShapedForm::TBMShapedForm(fw::TComponent* owner) : fw::TImage(owner) {
  SetAlign(fw::TAlign::alClient);
  SetAutoSize(false);
  SetStretch(false);
  Picture().OnChange = [this](fw::TObject* sender) { PictureUpdate(sender); };
}

TBMShapedForm::~TBMShapedForm() {
  Picture().OnChange = nullptr;
  ForgetRegion();
}

void TBMShapedForm::ForgetRegion() {
  region_.reset();
  applied_region_ = nullptr;
}

void TBMShapedForm::PictureUpdate(fw::TObject*) {
  if (updating_) return;
  updating_ = true;
  const common::ScopeExit done([this] { updating_ = false; });

  ForgetRegion();
  fw::TPicture& picture = Picture();
  if (AutoSize()) {
    // An empty picture leaves the form its size rather than shrinking it to nothing.
    if (Parent() && !picture.Empty()) SetClientSize(*Parent(), picture.Width(), picture.Height());
    source_width_ = picture.Width();
    source_height_ = picture.Height();
  } else {
    source_width_ = Width();
    source_height_ = Height();
  }
  ObtainRegion();
  RefreshForm();
}

void TBMShapedForm::Loaded() {
  fw::TImage::Loaded();
  ObtainRegion();
  RefreshForm();
}

void TBMShapedForm::SetParent(fw::TWinControl* parent) {
  fw::TImage::SetParent(parent);
  if (!parent) return;
  if (!dynamic_cast<fw::TForm*>(parent)) throw fw::Exception("Please Drop on a Form");
  for (int i = 0; i < parent->ControlCount(); ++i) {
    fw::TControl* c = parent->Controls(i);
    if (c != this && dynamic_cast<TBMShapedForm*>(c))
      throw fw::Exception("Please Drop only one TBMShapedForm per Form");
  }
}

void TBMShapedForm::SetBounds(int left, int top, int width, int height) {
  fw::TImage::SetBounds(left, top, width, height);
  if (!Loading() && Parent()) PictureUpdate(this);
}

void TBMShapedForm::ObtainRegion() {
  fw::TWinControl* parent = Parent();
  fw::TBitmap& picture = Picture().Bitmap();
  if (Designing() || !parent || picture.Empty()) return;
  // Made first: a window made now reports its size, which may move this control.
  HWND window = parent->Handle();
  if (!window) return;
  if (HasRegion()) {
    if (source_width_ == region_width_ && source_height_ == region_height_) return;
    ForgetRegion();
  }
  region_width_ = Width();
  region_height_ = Height();
  too_complex_ = false;
  // A source without pixels has no bottom-left pixel to take the holes' colour from.
  if (source_width_ <= 0 || source_height_ <= 0) return;
  fw::TPoint offset = ClientOffset(window);

  RenderedPixels rendered = Render(picture, source_width_, source_height_);
  if (rendered.pixels.empty()) return;
  std::vector<fw::TRect> rects =
      shape::RunRects(shape::ExtractRuns(rendered.pixels, source_width_, source_height_));
  fw::ScopedRegion built = fw::UnionOfRects(rects);
  if (!built) return;
  int rect_count = fw::RegionRectCount(built.get());
  if (rect_count < 0) return;  // unreadable: not handed to a window
  if (rect_count > fw::kMaxWindowRegionRects) {
    too_complex_ = true;
    return;
  }
  ::OffsetRgn(built.get(), offset.X, offset.Y);
  region_ = std::move(built);
}

void TBMShapedForm::RefreshForm() {
  fw::TWinControl* parent = Parent();
  if (Designing() || !parent) return;
  if (too_complex_) {
    // The window goes back to its rectangle: every pixel of the picture shows.
    if (parent->HandleAllocated()) ::SetWindowRgn(parent->WindowHandle(), nullptr, TRUE);
    return;
  }
  // Nothing to hand over: no shape, or the window has this one already.
  if (!region_) return;
  HWND window = parent->Handle();
  if (!window) return;
  Hide();
  HRGN handed = region_.release();
  if (::SetWindowRgn(window, handed, TRUE)) {
    applied_region_ = handed;  // the window owns it now
  } else {
    ::DeleteObject(handed);  // refused: still ours
  }
  Show();
}

void TBMShapedForm::Paint() {
  if (!Picture().Empty()) {
    // The one changed most recently wins; switching one off switches the other on.
    if (AutoSize() != last_auto_size_) {
      if (!AutoSize() && !Stretch()) {
        SetStretch(true);
        last_stretch_ = true;
      }
      if (AutoSize() && Stretch()) {
        SetStretch(false);
        last_stretch_ = false;
      }
    }
    if (Stretch() != last_stretch_) {
      if (Stretch() && AutoSize()) SetAutoSize(false);
      if (!Stretch() && !AutoSize()) SetAutoSize(true);
    }
    if (Stretch() && AutoSize()) SetStretch(false);
    if (Stretch() && AutoSize()) SetAutoSize(false);
    if (!Stretch() && !AutoSize()) SetAutoSize(true);
    last_stretch_ = Stretch();
    last_auto_size_ = AutoSize();
  }
  fw::TImage::Paint();
}

void TBMShapedForm::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
  fw::TImage::MouseDown(button, shift, x, y);
  mouse_down_x_ = x;
  mouse_down_y_ = y;
  mouse_pressed_ = true;
}

void TBMShapedForm::MouseMove(fw::TShiftState shift, int x, int y) {
  fw::TImage::MouseMove(shift, x, y);
  fw::TWinControl* parent = Parent();
  if (!moveable_ || !mouse_pressed_ || !parent) return;
  if (shift != fw::TShiftState(fw::TShiftState::ssLeft)) return;
  // The control moves with the form, so the pointer stays over the press point.
  parent->SetLeft(parent->Left() + x - mouse_down_x_);
  parent->SetTop(parent->Top() + y - mouse_down_y_);
  if (parent->HandleAllocated()) ::SendMessageW(parent->WindowHandle(), WM_PAINT, 0, 0);
}

void TBMShapedForm::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
  fw::TImage::MouseUp(button, shift, x, y);
  mouse_pressed_ = false;
}

const fw::PropertyTable& TBMShapedForm::ClassProperties() {
  using T = TBMShapedForm;
  static const fw::PropertyTable table(
      &fw::TImage::ClassProperties(),
      {
          fw::Published<T, fw::TAlign>("Align", &T::Align, &T::SetAlign, fw::TAlign::alClient,
                                       fw::TAlign::alClient),
          fw::Published<T, bool>("Moveable", &T::Moveable, &T::SetMoveable, true, true),
      });
  return table;
}

}  // namespace widgets

// A shown form holding one slider, and ways to look at what it drew.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Bitmap.h"
#include "framework/Forms.h"
#include "framework/Render.h"
#include "widgets/SlideBar.h"

namespace slidebar_test {

using widgets::TSlideBar;
using namespace widgets;

inline constexpr fw::TColor kParentColor = fw::RGBColor(60, 60, 60);

// The settings window's gain sliders: 11 x 93, 0..max, diamond thumb, no ticks.
inline void MakeGain(TSlideBar& s, int max) {
  s.SetBounds(s.Left(), s.Top(), 11, 93);
  s.SetTickColor(fw::clMaroon);
  s.SetMax(max);
  s.SetMin(0);
  s.SetThickness(4);
  s.SetThumbStyle(tsDiamond2);
  s.SetTicks(false);
  s.SetFrequency(2);
  s.SetStepPage(1);
}

// Handles whatever is waiting in this thread's queue.
inline void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

// The one borderless form of the parent colour that every test's slider sits on. It
// lives as long as the test program: showing and hiding top-level windows is slow here.
inline fw::TForm& SharedForm() {
  static fw::TForm* form = [] {
    auto* f = new fw::TForm(nullptr);
    f->SetBorderStyle(fw::TFormBorderStyle::bsNone);
    f->SetBounds(40, 40, 200, 200);
    f->SetColor(kParentColor);
    f->Show();
    ::SetForegroundWindow(f->Handle());
    return f;
  }();
  return *form;
}

// A slider at (20, 20) on the shared form, shown and painted; gone with the host.
// `S` may be a test subclass of TSlideBar.
template <class S = TSlideBar>
struct Host {
  explicit Host(int gain_max = -1) : owned(new S(nullptr)), slider(owned.get()) {
    slider->SetParent(&SharedForm());
    slider->SetLeft(20);
    slider->SetTop(20);
    if (gain_max >= 0) MakeGain(*slider, gain_max);
    Pump();
  }
  HWND Window() { return slider->Handle(); }
  // The slider's client area as it is on the screen now.
  std::unique_ptr<fw::TBitmap> Screen() {
    auto shot = std::make_unique<fw::TBitmap>(slider->Width(), slider->Height());
    fw::WindowDC dc(Window());
    ::BitBlt(shot->Canvas().Handle(), 0, 0, slider->Width(), slider->Height(), dc.get(), 0, 0,
             SRCCOPY);
    ::GdiFlush();
    return shot;
  }

  std::unique_ptr<S> owned;
  S* slider;
};

// Whether two pictures of one size have the same pixels.
inline bool SamePixels(fw::TBitmap& a, fw::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) {
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
    }
  }
  return true;
}

}  // namespace slidebar_test

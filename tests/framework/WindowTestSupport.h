// Helpers for tests that drive real windows: message pumping, clicks through the
// window procedure, and reading back what a window shows.
#pragma once

#include <windows.h>

#include <memory>

#include "framework/Bitmap.h"
#include "framework/Forms.h"
#include "framework/HandleNames.h"

namespace testing_support {

// Handles every message waiting in this thread's queue.
inline void PumpMessages() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

inline LPARAM Point(int x, int y) {
  return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)),
                    static_cast<WORD>(static_cast<SHORT>(y)));
}

// A press and release of the left button at (x, y) of `window`'s client area.
inline void ClickAt(HWND window, int x, int y) {
  ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, Point(x, y));
  ::SendMessageW(window, WM_LBUTTONUP, 0, Point(x, y));
}

// A shown form with a plain background, placed where nothing covers it.
inline std::unique_ptr<fw::TForm> MakeShownForm(int client_w, int client_h, fw::TColor color) {
  auto form = std::make_unique<fw::TForm>(nullptr);
  form->SetBorderStyle(fw::TFormBorderStyle::bsNone);
  form->SetBounds(40, 40, client_w, client_h);
  form->SetColor(color);
  form->Show();
  ::UpdateWindow(form->Handle());
  PumpMessages();
  return form;
}

// What `window`'s client area shows now, as a 24-bit picture.
inline std::unique_ptr<fw::TBitmap> CaptureClient(HWND window) {
  RECT r{};
  ::GetClientRect(window, &r);
  auto picture = std::make_unique<fw::TBitmap>(r.right, r.bottom);
  fw::WindowDC dc(window);
  ::BitBlt(picture->Canvas().Handle(), 0, 0, r.right, r.bottom, dc.get(), 0, 0, SRCCOPY);
  ::GdiFlush();
  return picture;
}

}  // namespace testing_support

#include "sim/MessageWindow.h"

namespace calder::sim {

namespace {

constexpr wchar_t kClassName[] = L"CalderSimMessageWindow";

}  // namespace

MessageWindow::~MessageWindow() {
  handler_ = nullptr;  // nothing is forwarded while the window goes
  window_.reset();
}

HRESULT MessageWindow::Create(HINSTANCE module, Handler* handler) {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = &MessageWindow::WindowProc;
  window_class.hInstance = module;
  window_class.lpszClassName = kClassName;
  if (!RegisterClassExW(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return HRESULT_FROM_WIN32(GetLastError());
  }
  handler_ = handler;
  if (!CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module, this)) {
    handler_ = nullptr;
    const DWORD error = GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
  }
  return S_OK;
}

bool MessageWindow::Post(UINT message, WPARAM wparam) const {
  return window_ && PostMessageW(window_.get(), message, wparam, 0);
}

void MessageWindow::StartTimer(UINT_PTR id, UINT period_ms) const {
  if (window_) SetTimer(window_.get(), id, period_ms, nullptr);
}

void MessageWindow::StopTimer(UINT_PTR id) const {
  if (window_) KillTimer(window_.get(), id);
}

void MessageWindow::UnregisterWindowClass(HINSTANCE module) {
  UnregisterClassW(kClassName, module);
}

LRESULT CALLBACK MessageWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<MessageWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_.reset(hwnd);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<MessageWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (message == WM_NCDESTROY && self) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    // The window is gone already: there is nothing left to destroy.
    (void)self->window_.release();
    self = nullptr;
  }
  // No exception may unwind into the system's frames. The handler may release
  // the last reference to its owner, so `self` is not touched after the call.
  try {
    if (self && self->handler_ && self->handler_->OnWindowMessage(message, wparam, lparam)) {
      return 0;
    }
  } catch (...) {
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace calder::sim

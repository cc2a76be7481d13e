#include "framework/DisplayDpi.h"

#include "framework/DpiScale.h"
#include "framework/HandleNames.h"

namespace fw {

int WindowDpi(HWND window) {
  using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
  // Resolved once: user32 stays loaded for the life of the process.
  static const auto get_dpi_for_window = [] {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    FARPROC proc = user32 ? ::GetProcAddress(user32, "GetDpiForWindow") : nullptr;
    return reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(proc));
  }();
  int window_dpi = window && get_dpi_for_window ? static_cast<int>(get_dpi_for_window(window)) : 0;
  int device_dpi = 0;
  if (window_dpi <= 0) {
    WindowDC screen(nullptr);
    device_dpi = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
  }
  return ChooseDpi(window_dpi, device_dpi);
}

}  // namespace fw

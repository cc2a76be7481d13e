#include "tools/host/Screenshot.h"

#include <vector>

#include "common/Handles.h"

#include "tools/host/PngFile.h"
#include "tools/host/WaterfallPicture.h"

namespace tessel::host {
namespace {

struct Search {
  const char* caption;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lp) {
  auto* search = reinterpret_cast<Search*>(lp);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  char text[128] = {};
  GetWindowTextA(window, text, sizeof text);
  if (process != GetCurrentProcessId() || std::string(text) != search->caption) return TRUE;
  search->found = window;
  return FALSE;
}

// Handles what is queued, so that every paint the repaint asked for is done.
void PumpPending() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

}  // namespace

HWND FindProcessWindow(const char* caption) {
  Search search{caption, nullptr};
  EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool SaveClientPng(HWND window, const std::string& path, std::string* error) {
  if (window == nullptr || !IsWindowVisible(window)) {
    *error = "the window is not shown";
    return false;
  }
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  PumpPending();
  RECT client{};
  GetClientRect(window, &client);
  Picture picture;
  picture.width = client.right;
  picture.height = client.bottom;
  if (picture.width <= 0 || picture.height <= 0) {
    *error = "the window has no client area";
    return false;
  }
  // The screen's copy of the client area, children included, as 32-bit pixels.
  common::WindowDC screen(window);
  common::MemoryDC memory(screen.get());
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  common::ScopedBitmap dib(
      CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  bool copied = false;
  if (memory && dib) {
    common::SelectObjectScope select_dib(memory.get(), dib.get());
    copied = BitBlt(memory.get(), 0, 0, picture.width, picture.height, screen.get(), 0, 0,
                    SRCCOPY) != FALSE;
    GdiFlush();
    if (copied) {
      const auto* p = static_cast<const uint32_t*>(bits);
      picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
      for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
        picture.pixels[i] = {static_cast<uint8_t>(p[i] >> 16), static_cast<uint8_t>(p[i] >> 8),
                             static_cast<uint8_t>(p[i])};
      }
    }
  }
  if (!copied) {
    *error = "copying the window's pixels failed";
    return false;
  }
  return WritePicturePng(picture, path, error);
}

}  // namespace tessel::host

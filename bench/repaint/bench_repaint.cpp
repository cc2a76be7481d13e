// The settings window's full repaint against one move of a slider's thumb by the
// keyboard, in the same process: the time each takes (median of many) and the
// pixels each touches. A full repaint touches the whole window and its controls
// (the area invalidated); the thumb is drawn straight onto the screen, so for it
// the area invalidated is counted and, beside it, the pixels that changed on screen.
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/Clock.h"
#include "common/Handles.h"

namespace {

constexpr int kRepeats = 40;

using bench::Now;

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

BOOL CALLBACK AddWindow(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

// The window and every window inside it.
std::vector<HWND> WindowTree(HWND top) {
  std::vector<HWND> all{top};
  EnumChildWindows(top, AddWindow, reinterpret_cast<LPARAM>(&all));
  return all;
}

// Pixels waiting to be painted, summed over the window and its children.
long InvalidPixels(HWND top) {
  long pixels = 0;
  common::ScopedRegion region(CreateRectRgn(0, 0, 0, 0));
  for (HWND w : WindowTree(top)) {
    if (GetUpdateRgn(w, region.get(), FALSE) == NULLREGION) continue;
    DWORD size = GetRegionData(region.get(), 0, nullptr);
    std::vector<char> bytes(size);
    auto* data = reinterpret_cast<RGNDATA*>(bytes.data());
    GetRegionData(region.get(), size, data);
    const RECT* r = reinterpret_cast<const RECT*>(data->Buffer);
    for (DWORD i = 0; i < data->rdh.nCount; ++i)
      pixels += static_cast<long>(r[i].right - r[i].left) * (r[i].bottom - r[i].top);
  }
  return pixels;
}

// The window's client area as it is on screen, one 32-bit value a pixel.
std::vector<uint32_t> Capture(HWND w) {
  RECT client;
  GetClientRect(w, &client);
  const int width = client.right, height = client.bottom;
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  common::WindowDC screen(w);
  common::MemoryDC memory(screen.get());
  common::ScopedBitmap dib(
      CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  common::SelectObjectScope select_dib(memory.get(), dib.get());
  BitBlt(memory.get(), 0, 0, width, height, screen.get(), 0, 0, SRCCOPY);
  GdiFlush();
  return std::vector<uint32_t>(static_cast<const uint32_t*>(bits),
                               static_cast<const uint32_t*>(bits) + width * height);
}

long Changed(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  long n = 0;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += (a[i] & 0xFFFFFF) != (b[i] & 0xFFFFFF);
  return n;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The HF gain slider: the child window at its place in the layout (11 x 93 at 274, 74).
HWND FindSlider(HWND top) {
  for (HWND w : WindowTree(top)) {
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(nullptr, top, reinterpret_cast<POINT*>(&r), 2);
    if (r.left == 274 && r.top == 74 && r.right - r.left == 11) return w;
  }
  return nullptr;
}

}  // namespace

int main() {
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::string dll = "Z:" + std::string(TESSEL_DLL_PATH);
  std::replace(dll.begin(), dll.end(), '/', '\\');
  HMODULE module = LoadLibraryA(dll.c_str());
  if (module == nullptr) return 1;
  auto entry = [&](const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(module, name));
  };
  char name[64], model[64];
  int32_t type = 0;
  if (!reinterpret_cast<bool(__stdcall*)(char*, char*, int32_t*)>(entry("InitHW"))(name, model,
                                                                                   &type)) {
    std::fprintf(stderr, "error: InitHW failed: %s (is the stand-in registered?)\n", name);
    return 1;
  }
  reinterpret_cast<void(__stdcall*)()>(entry("ShowGUI"))();
  HWND window = FindWindowW(nullptr, L"                   Calder/Marlo Hardware Settings");
  // On screen, so that what is drawn there can be read back.
  SetWindowPos(window, HWND_TOPMOST, 10, 10, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
  UpdateWindow(window);
  Pump();
  HWND slider = window ? FindSlider(window) : nullptr;
  if (slider == nullptr) {
    std::fprintf(stderr, "error: the settings window or its HF gain slider was not found\n");
    return 1;
  }

  std::vector<double> full, thumb;
  long full_pixels = 0, thumb_invalid = 0, thumb_changed = 0;
  for (int i = 0; i < kRepeats; ++i) {
    double t0 = Now();
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    const double invalidate = Now() - t0;
    full_pixels = InvalidPixels(window);
    t0 = Now();
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    full.push_back(invalidate + Now() - t0);

    // One step up or down, alternating, as the arrow keys move the focused slider;
    // then everything it left to paint is painted.
    const auto before = Capture(window);
    t0 = Now();
    SendMessageW(slider, WM_KEYDOWN, i % 2 == 0 ? VK_DOWN : VK_UP, 0);
    const double move = Now() - t0;
    thumb_invalid = InvalidPixels(window);
    t0 = Now();
    RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    thumb.push_back(move + Now() - t0);
    thumb_changed = std::max(thumb_changed, Changed(before, Capture(window)));
    Pump();
  }
  RECT client;
  GetClientRect(window, &client);
  reinterpret_cast<void(__stdcall*)()>(entry("CloseHW"))();

  const double f = Median(full), t = Median(thumb);
  std::printf("settings window (%ld x %ld), median of %d each\n", client.right, client.bottom,
              kRepeats);
  std::printf("  full repaint:     %.3f ms, %ld pixels invalidated and painted\n", f * 1e3,
              full_pixels);
  std::printf("  thumb move (key): %.3f ms, %ld pixels invalidated, up to %ld changed on screen\n",
              t * 1e3, thumb_invalid, thumb_changed);
  std::printf("  ratio time thumb/full: %.3f, pixels (invalidated + changed)/full: %.3f\n", t / f,
              static_cast<double>(thumb_invalid + thumb_changed) / full_pixels);
  CoUninitialize();
  return 0;
}

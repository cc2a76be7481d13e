// Move-only owners of Windows handles, one per release function. `.get()` hands
// out the handle for a call; `.release()` gives up ownership at a documented
// hand-off only.
#pragma once

#include <windows.h>

#include <utility>

namespace fw {

// Owns a GDI object (pen, brush, font, bitmap, region); releases it with
// DeleteObject. The object must not be selected into a DC when released.
template <class H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H h) : h_(h) {}
  GdiObject(GdiObject&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  ~GdiObject() { reset(); }

  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(H h = nullptr) {
    if (h_) ::DeleteObject(h_);
    h_ = h;
  }
  // Gives the object to a new owner (the system, for a region set on a window).
  [[nodiscard]] H release() { return std::exchange(h_, nullptr); }

 private:
  H h_ = nullptr;
};

using ScopedBitmap = GdiObject<HBITMAP>;
using ScopedFont = GdiObject<HFONT>;
using ScopedPen = GdiObject<HPEN>;
using ScopedBrush = GdiObject<HBRUSH>;
using ScopedRegion = GdiObject<HRGN>;

// Owns a memory DC from CreateCompatibleDC; releases it with DeleteDC.
class MemoryDC {
 public:
  MemoryDC() = default;
  // A memory DC compatible with `reference` (null: the screen).
  explicit MemoryDC(HDC reference) : dc_(::CreateCompatibleDC(reference)) {}
  MemoryDC(MemoryDC&& o) noexcept : dc_(std::exchange(o.dc_, nullptr)) {}
  MemoryDC& operator=(MemoryDC&& o) noexcept {
    if (this != &o) {
      reset();
      dc_ = std::exchange(o.dc_, nullptr);
    }
    return *this;
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  ~MemoryDC() { reset(); }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void reset() {
    if (dc_) ::DeleteDC(dc_);
    dc_ = nullptr;
  }

 private:
  HDC dc_ = nullptr;
};

// Owns a DC from GetDC(window); releases it with ReleaseDC. Only for DCs that
// GetDC returned.
class WindowDC {
 public:
  WindowDC() = default;
  // The DC of `window`'s client area (null: the whole screen).
  explicit WindowDC(HWND window) : hwnd_(window), dc_(::GetDC(window)) {}
  WindowDC(WindowDC&& o) noexcept
      : hwnd_(std::exchange(o.hwnd_, nullptr)), dc_(std::exchange(o.dc_, nullptr)) {}
  WindowDC& operator=(WindowDC&& o) noexcept {
    if (this != &o) {
      reset();
      hwnd_ = std::exchange(o.hwnd_, nullptr);
      dc_ = std::exchange(o.dc_, nullptr);
    }
    return *this;
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  ~WindowDC() { reset(); }

  HDC get() const { return dc_; }
  explicit operator bool() const { return dc_ != nullptr; }
  void reset() {
    if (dc_) ::ReleaseDC(hwnd_, dc_);
    dc_ = nullptr;
    hwnd_ = nullptr;
  }

 private:
  HWND hwnd_ = nullptr;
  HDC dc_ = nullptr;
};

// Selects an object into a DC and puts the previous one back on scope exit.
class SelectObjectScope {
 public:
  SelectObjectScope(HDC dc, HGDIOBJ object) : dc_(dc), old_(::SelectObject(dc, object)) {}
  SelectObjectScope(const SelectObjectScope&) = delete;
  SelectObjectScope& operator=(const SelectObjectScope&) = delete;
  ~SelectObjectScope() {
    if (old_ && old_ != HGDI_ERROR) ::SelectObject(dc_, old_);
  }

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// Saves a DC's state and restores it on scope exit.
class SavedDCState {
 public:
  explicit SavedDCState(HDC dc) : dc_(dc), id_(::SaveDC(dc)) {}
  SavedDCState(const SavedDCState&) = delete;
  SavedDCState& operator=(const SavedDCState&) = delete;
  ~SavedDCState() {
    if (id_) ::RestoreDC(dc_, id_);
  }

 private:
  HDC dc_;
  int id_;
};

// Owns a window from CreateWindowEx; destroys it with DestroyWindow.
class ScopedWindow {
 public:
  ScopedWindow() = default;
  explicit ScopedWindow(HWND h) : h_(h) {}
  ScopedWindow(ScopedWindow&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  ScopedWindow& operator=(ScopedWindow&& o) noexcept {
    if (this != &o) {
      reset();
      h_ = std::exchange(o.h_, nullptr);
    }
    return *this;
  }
  ScopedWindow(const ScopedWindow&) = delete;
  ScopedWindow& operator=(const ScopedWindow&) = delete;
  ~ScopedWindow() { reset(); }

  HWND get() const { return h_; }
  void reset() {
    if (h_) ::DestroyWindow(h_);
    h_ = nullptr;
  }

 private:
  HWND h_ = nullptr;
};

}  // namespace fw

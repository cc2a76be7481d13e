// The display scale of a window: its dots per inch against the 96 that stored
// layouts, pictures and font heights are written for. Pure arithmetic, so that
// tests call it directly and it builds without <windows.h>.
#pragma once

#include <cstdint>

namespace fw {

// The dots per inch that stored lengths are written for.
inline constexpr int kDesignDpi = 96;

// The DPI to lay a window out at: the window's own when the system reports one
// (a 0 means it does not know it), else the device's, else the design DPI.
constexpr int ChooseDpi(int window_dpi, int device_dpi) {
  if (window_dpi > 0) return window_dpi;
  if (device_dpi > 0) return device_dpi;
  return kDesignDpi;
}

class DpiScale {
 public:
  constexpr DpiScale() = default;
  // A DPI that is not positive means the design DPI.
  constexpr explicit DpiScale(int dpi) : dpi_(dpi > 0 ? dpi : kDesignDpi) {}

  constexpr int Dpi() const { return dpi_; }
  // True at the design DPI, where every length stays as it is stored.
  constexpr bool Identity() const { return dpi_ == kDesignDpi; }
  // True when every stored pixel becomes a whole square of pixels (96, 192, 288 …),
  // where pictures are enlarged by repeating pixels rather than by blending.
  constexpr bool Whole() const { return dpi_ % kDesignDpi == 0; }

  // A stored length in pixels at this scale: v × DPI ÷ 96, rounded half away from
  // zero, so that a negative font height scales as its positive twin does.
  constexpr int Apply(int v) const {
    int64_t n = static_cast<int64_t>(v) * dpi_;
    int64_t half = kDesignDpi / 2;
    return static_cast<int>(n >= 0 ? (n + half) / kDesignDpi : -((-n + half) / kDesignDpi));
  }
  // A length at least 1 pixel long whenever the stored one is (line widths, depths).
  constexpr int ApplyAtLeastOne(int v) const {
    int s = Apply(v);
    return v > 0 && s < 1 ? 1 : s;
  }
  // A pixel at this scale back in stored units, rounded as Apply rounds.
  constexpr int Unapply(int v) const {
    int64_t n = static_cast<int64_t>(v) * kDesignDpi;
    int64_t half = dpi_ / 2;
    return static_cast<int>(n >= 0 ? (n + half) / dpi_ : -((-n + half) / dpi_));
  }

  friend constexpr bool operator==(DpiScale, DpiScale) = default;

 private:
  int dpi_ = kDesignDpi;
};

}  // namespace fw

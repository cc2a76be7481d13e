#include "testing/WindowInput.h"

#include <cstring>

namespace tessel::testing {
namespace {

// Client rectangles in the layout: the rate buttons, then the two sliders.
constexpr RECT kRateArea[7] = {{22, 64, 157, 86},   {22, 90, 157, 112},  {22, 116, 157, 138},
                               {22, 143, 157, 165}, {22, 169, 157, 191}, {22, 195, 157, 217},
                               {22, 222, 157, 244}};
constexpr RECT kSliderHF = {274, 74, 285, 167};
constexpr RECT kSliderIF = {322, 74, 333, 167};

struct ChildSearch {
  const char* text;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND child, LPARAM lp) {
  auto* s = reinterpret_cast<ChildSearch*>(lp);
  char buffer[64] = {};
  GetWindowTextA(child, buffer, sizeof buffer);
  if (std::strcmp(buffer, s->text) != 0) return TRUE;
  s->found = child;
  return FALSE;
}

}  // namespace

HWND ChildAt(HWND window, int x, int y, POINT* local) {
  POINT p{x, y};
  HWND child = ChildWindowFromPointEx(window, p, CWP_SKIPINVISIBLE);
  MapWindowPoints(window, child, &p, 1);
  *local = p;
  return child;
}

void PostRateClick(HWND window, int index) {
  const RECT& r = kRateArea[index];
  POINT local;
  HWND child = ChildAt(window, r.left + 40, r.top + 10, &local);
  LPARAM at = MAKELPARAM(local.x, local.y);
  PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(child, WM_LBUTTONUP, 0, at);
}

HWND GainSlider(HWND window, bool hf) {
  const RECT& r = hf ? kSliderHF : kSliderIF;
  POINT local;
  return ChildAt(window, r.left + 5, r.top + 40, &local);
}

void PostKey(HWND target, WPARAM key) {
  PostMessageW(target, WM_KEYDOWN, key, 0);
  PostMessageW(target, WM_KEYUP, key, 0);
}

HWND FindChildByText(HWND window, const char* text) {
  ChildSearch search{text, nullptr};
  EnumChildWindows(window, MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace tessel::testing

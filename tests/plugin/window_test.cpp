// The settings window as a user sees and uses it: its pixels against the layout, and
// real mouse and key messages on the shown window, through the real DLL and the
// stand-in. Each test runs in a process of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "testing/PluginHost.h"
#include "testing/WindowInput.h"

namespace tessel::testing {
namespace {

// The stand-in, with no settings file beside the host.
void UseFreshReceiver(const wchar_t* device = L"Calder") {
  UseReceiver(device);
  RemoveSettings();
}

using Lines = std::vector<std::string>;

// Client rectangles of the layout (the rate buttons lie in RatePanel at 12, 60).
constexpr RECT kRateArea[7] = {{22, 64, 157, 86},   {22, 90, 157, 112},  {22, 116, 157, 138},
                               {22, 143, 157, 165}, {22, 169, 157, 191}, {22, 195, 157, 217},
                               {22, 222, 157, 244}};
constexpr int kRate158730 = 5;
constexpr int kRate196078 = 6;
constexpr RECT kHideButt = {152, 256, 211, 283};
constexpr RECT kSliderHF = {274, 74, 285, 167};
constexpr RECT kSliderIF = {322, 74, 333, 167};
constexpr RECT kLSampRate = {24, 32, 154, 50};
constexpr RECT kRatePanel = {12, 60, 249, 247};
constexpr RECT kPreampPanel = {6, 268, 131, 309};

// The window after a successful InitHW and OpenHW, painted.
HWND OpenWindow(const wchar_t* device = L"Calder") {
  UseFreshReceiver(device);
  if (!Init().ok) return nullptr;
  Plugin().SetCallback(&RecordingCallback);
  Plugin().OpenHW();
  HWND window = FindSettingsWindow();
  SetForegroundWindow(window);
  Pump(200);
  return window;
}

// What the window's client area shows, as 0x00RRGGBB values: after a repaint of the
// whole window, or (`repaint` false) as it is now.
class Shot {
 public:
  explicit Shot(HWND window, bool repaint = true) {
    if (repaint) {
      RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
      Pump(100);
    }
    RECT r;
    GetClientRect(window, &r);
    width_ = r.right;
    height_ = r.bottom;
    pixels_.resize(static_cast<size_t>(width_) * height_);
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width_, -height_, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width_, height_, screen, 0, 0, SRCCOPY);
    GdiFlush();
    std::copy_n(static_cast<uint32_t*>(bits), pixels_.size(), pixels_.begin());
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, screen);
  }
  // The pixel as RGB(r, g, b).
  COLORREF At(int x, int y) const {
    uint32_t v = pixels_[static_cast<size_t>(y) * width_ + x];
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
  int Count(const RECT& r, const std::function<bool(COLORREF)>& pred) const {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += pred(At(x, y)) ? 1 : 0;
    return n;
  }

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> pixels_;
};

// How many pixels of `r` differ between two shots.
int Differing(const Shot& a, const Shot& b, const RECT& r) {
  int n = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x) n += a.At(x, y) != b.At(x, y) ? 1 : 0;
  return n;
}

bool Yellowish(COLORREF c) {
  return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) < 100;
}
bool Whitish(COLORREF c) {
  return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200;
}
// A slider's thumb outline is black; the trench and background are not.
int ThumbTop(const Shot& shot, const RECT& slider) {
  int x = (slider.left + slider.right) / 2;
  for (int y = slider.top; y < slider.bottom; ++y)
    if (shot.At(x, y) == RGB(0, 0, 0)) return y - slider.top;
  return -1;
}

// A left click at client point (x, y) of the window, delivered to the child there.
void ClickAt(HWND window, int x, int y) {
  POINT local;
  HWND child = ChildAt(window, x, y, &local);
  LPARAM at = MAKELPARAM(local.x, local.y);
  PostMessageW(child, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(child, WM_LBUTTONUP, 0, at);
  Pump(150);
}

void Key(HWND target, WPARAM key) {
  PostKey(target, key);
  Pump(100);
}

std::size_t SettingsCalls() {
  return std::count_if(HostCalls().begin(), HostCalls().end(), [](const HostCall& c) {
    return c.count == -1 && c.status == 100 && c.samples == nullptr;
  });
}

TEST(Window, ShowsTheLayoutWithTheChosenRateAndTheGains) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  Shot shot(window);
  EXPECT_EQ(shot.At(300, 240), RGB(60, 60, 60)) << "background";
  EXPECT_EQ(shot.At(100, 62), RGB(60, 60, 60)) << "rate panel";
  // The default rate's caption is yellow, every other silver.
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(shot.Count(kRateArea[i], Yellowish) > 0, i == kRate158730) << i;
  }
  // Default gains: HF -10 dB (position 2 of 3), IF 24 dB (position 4 of 4, the top).
  int hf = ThumbTop(shot, kSliderHF);
  int if_top = ThumbTop(shot, kSliderIF);
  EXPECT_GT(hf, if_top) << "HF one step below its top, IF at the top";
  EXPECT_GE(if_top, 0);
  EXPECT_GT(shot.Count(kLSampRate, Whitish), 0) << "white heading";
  // Hide button: face at (2, 2) in its base colour, drop shadow down column 57 and
  // 58 and along rows 25 and 26.
  EXPECT_EQ(shot.At(kHideButt.left + 7, kHideButt.top + 14), RGB(71, 83, 129));
  EXPECT_EQ(shot.At(kHideButt.left + 57, kHideButt.top + 12), RGB(0, 0, 0));
  EXPECT_EQ(shot.At(kHideButt.left + 58, kHideButt.top + 12), RGB(14, 14, 14));
  EXPECT_EQ(shot.At(kHideButt.left + 20, kHideButt.top + 25), RGB(0, 0, 0));
  EXPECT_EQ(shot.At(kHideButt.left + 20, kHideButt.top + 26), RGB(14, 14, 14));
  // The input selector of a Calder.
  HWND direct = FindChildByText(window, "Direct Input");
  ASSERT_NE(direct, nullptr);
  EXPECT_TRUE(IsWindowVisible(direct));
  Plugin().CloseHW();
}

TEST(Window, AnotherModelHasNoInputSelector) {
  HWND window = OpenWindow(L"Marlo");
  ASSERT_NE(window, nullptr);
  POINT local;
  EXPECT_EQ(ChildAt(window, 10, 280, &local), window) << "no visible panel there";
  Shot shot(window);
  EXPECT_EQ(shot.At(60, 255), RGB(60, 60, 60)) << "no Input label";
  Plugin().CloseHW();
}

TEST(Window, RateButtonsByMouse) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  std::size_t from = SimLog().size();
  const RECT& r = kRateArea[kRate196078];
  ClickAt(window, r.left + 40, r.top + 10);
  EXPECT_EQ(SimActions(from), (Lines{"put 5 12"}));
  EXPECT_EQ(Plugin().GetHWSR(), 196078);
  EXPECT_EQ(SettingsCalls(), 1u);
  Shot shot(window);
  EXPECT_GT(shot.Count(kRateArea[kRate196078], Yellowish), 0);
  EXPECT_EQ(shot.Count(kRateArea[kRate158730], Yellowish), 0);
  // The same button again repeats the write and the announcement.
  ClickAt(window, r.left + 40, r.top + 10);
  EXPECT_EQ(SimActions(from), (Lines{"put 5 12", "put 5 12"}));
  EXPECT_EQ(SettingsCalls(), 2u);
  Plugin().CloseHW();
}

TEST(Window, SlidersByMouseAndKeys) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  std::size_t from = SimLog().size();
  // HF at position 2: a click above the thumb moves one step up, below one down.
  ClickAt(window, kSliderHF.left + 5, kSliderHF.top + 3);
  ClickAt(window, kSliderHF.left + 5, kSliderHF.bottom - 3);
  EXPECT_EQ(SimActions(from), (Lines{"put 4 0", "put 4 -10"}));
  // Keys on the focused slider; Tab moves on to the IF slider.
  POINT local;
  HWND hf = ChildAt(window, kSliderHF.left + 5, kSliderHF.top + 40, &local);
  HWND if_slider = ChildAt(window, kSliderIF.left + 5, kSliderIF.top + 40, &local);
  SetFocus(hf);
  from = SimLog().size();
  Key(hf, VK_DOWN);
  Key(hf, VK_HOME);
  EXPECT_EQ(SimActions(from), (Lines{"put 4 -20", "put 4 -30"}));
  Key(hf, VK_TAB);
  EXPECT_EQ(GetFocus(), if_slider);
  from = SimLog().size();
  Key(if_slider, VK_NEXT);
  Key(if_slider, VK_NEXT);
  EXPECT_EQ(SimActions(from), (Lines{"put 10 18", "put 10 12"}));
  EXPECT_EQ(SettingsCalls(), 0u) << "gains are not announced";
  Plugin().CloseHW();
}

TEST(Window, InputPairAndHideByMouse) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  HWND direct = FindChildByText(window, "Direct Input");
  ASSERT_NE(direct, nullptr);
  std::size_t from = SimLog().size();
  PostMessageW(direct, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageW(direct, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  Pump(150);
  EXPECT_EQ(SimActions(from), (Lines{"put 6 128"}));
  EXPECT_EQ(SettingsCalls(), 1u);
  // The arrow keys switch back.
  Key(direct, VK_UP);
  EXPECT_EQ(SimActions(from), (Lines{"put 6 128", "put 6 129"}));
  ClickAt(window, kHideButt.left + 20, kHideButt.top + 10);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(IsWindow(window));
  Plugin().CloseHW();
  EXPECT_EQ(FindSettingsWindow(), nullptr);
}

// Focus cues: none for the mouse; after keys, shown on the control with the focus and
// gone without a trace once it moves on.
TEST(Window, KeyboardCuesShowAfterKeysAndLeaveNothingBehind) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  auto click_rate = [&](int i) { ClickAt(window, kRateArea[i].left + 40, kRateArea[i].top + 10); };
  Shot opened(window);
  // The mouse alone: a rate chosen and chosen back, a press on the HF slider's thumb.
  click_rate(kRate196078);
  Shot chosen_196078(window);
  click_rate(kRate158730);
  ClickAt(window, kSliderHF.left + 5, kSliderHF.top + 33);
  ASSERT_EQ(GetFocus(), GainSlider(window, true));
  {
    // The controls that can have the focus (text that a repaint draws over itself
    // again is left out).
    Shot mouse_only(window);
    for (const RECT& r : {kRatePanel, kSliderHF, kSliderIF, kHideButt, kPreampPanel})
      EXPECT_EQ(Differing(mouse_only, opened, r), 0) << "the mouse shows no cue";
  }
  SetFocus(window);
  Pump(100);

  // A rate key: Tab onto it, Space twice, Tab away. From here on the window is read as
  // it is, as a user sees it: a repaint of the whole window would hide what is left.
  Key(GetFocus(), VK_TAB);
  EXPECT_GT(Differing(Shot(window, false), opened, kRateArea[kRate158730]), 0) << "its cue";
  Key(GetFocus(), VK_SPACE);
  Key(GetFocus(), VK_SPACE);
  Key(GetFocus(), VK_TAB);
  EXPECT_EQ(Differing(Shot(window, false), opened, kRatePanel), 0);

  // A slider: Tab onto the HF slider, then on to the IF slider.
  Key(GetFocus(), VK_TAB);
  ASSERT_EQ(GetFocus(), GainSlider(window, true));
  EXPECT_GT(Differing(Shot(window, false), opened, kSliderHF), 0) << "its cue";
  Key(GetFocus(), VK_TAB);
  EXPECT_EQ(Differing(Shot(window, false), opened, kSliderHF), 0);

  // Round to the rate key (past Hide), a click on another rate key, Tab away.
  Key(GetFocus(), VK_TAB);
  Key(GetFocus(), VK_TAB);
  click_rate(kRate196078);
  EXPECT_EQ(Plugin().GetHWSR(), 196078);
  Key(GetFocus(), VK_TAB);  // onto the key now chosen
  EXPECT_GT(Differing(Shot(window, false), chosen_196078, kRateArea[kRate196078]), 0);
  Key(GetFocus(), VK_TAB);  // away, to the input pair
  ASSERT_EQ(GetFocus(), FindChildByText(window, "0.1 - 30 MHz"));
  EXPECT_EQ(Differing(Shot(window, false), chosen_196078, kRatePanel), 0);
  Plugin().CloseHW();
}

TEST(Window, ClosingFromTheCallbackOfAMouseHandlerIsSafe) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  SetCallbackAction([](const HostCall& c) {
    if (c.status == 100) Plugin().CloseHW();
  });
  ClickAt(window, kRateArea[0].left + 40, kRateArea[0].top + 10);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(SettingsCalls(), 1u);
  EXPECT_TRUE(FileExists(SettingsPath()));
  Pump(200);
  RemoveSettings();
}

TEST(Window, ClosingFromTheCallbackOfTheInputHandlerIsSafe) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  HWND direct = FindChildByText(window, "Direct Input");
  SetCallbackAction([](const HostCall& c) {
    if (c.status == 100) Plugin().CloseHW();
  });
  SetFocus(direct);
  Key(direct, VK_SPACE);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(SettingsCalls(), 1u);
  RemoveSettings();
}

}  // namespace
}  // namespace tessel::testing

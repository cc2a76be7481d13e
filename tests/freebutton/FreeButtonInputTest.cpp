// The push button on a shown form, driven by the mouse messages a window receives
// and judged by what the screen shows.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/framework/WindowTestSupport.h"
#include "widgets/FreeButton.h"

namespace {

using fw::RGBColor;
using fw::TColor;
using testing_support::Point;

const TColor kBack = RGBColor(64, 64, 64);
constexpr int kLeft = 20;
constexpr int kTop = 20;

class FreeButtonInput : public ::testing::Test {
 protected:
  void SetUp() override {
    form = testing_support::MakeShownForm(200, 100, RGBColor(60, 60, 60));
    ::SetForegroundWindow(form->Handle());
    button = new widgets::TFreeButton(form.get());
    button->SetBounds(kLeft, kTop, button->Width(), button->Height());
    button->setBackColor(kBack);
    button->SetParent(form.get());
    button->OnClick = [this](fw::TObject*) {
      clicks += 1;
      EXPECT_TRUE(button->Pressed());  // OnClick comes before the face goes up
    };
    button->OnDblClick = [this](fw::TObject*) { double_clicks += 1; };
    button->OnMouseLeave = [this](fw::TObject*) { leaves += 1; };
    MoveTo(150, 80);
  }

  // Moves the real pointer to client point (x, y), so that the window's hover
  // tracking sees it there, and reports the move.
  void MoveTo(int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(form->Handle(), &p);
    ::SetCursorPos(p.x, p.y);
    Send(WM_MOUSEMOVE, MK_LBUTTON * held, x, y);
  }
  // Moves the real pointer off the window, sending nothing, and waits up to a
  // second for the button to hear that the pointer left.
  bool PointerOffWindow() {
    POINT p{-50, -50};
    ::ClientToScreen(form->Handle(), &p);
    ::SetCursorPos(p.x, p.y);
    int before = leaves;
    for (int i = 0; i < 100 && leaves == before; ++i) {
      ::Sleep(10);
      testing_support::PumpMessages();
    }
    return leaves > before;
  }
  void Send(UINT msg, WPARAM keys, int x, int y) {
    ::SendMessageW(form->Handle(), msg, keys, Point(x, y));
    testing_support::PumpMessages();
  }
  void Press(int x, int y) {
    held = true;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
  }
  void Release(int x, int y) {
    held = false;
    Send(WM_LBUTTONUP, 0, x, y);
  }

  // What the screen shows: "up" or "pressed", then the lamp "off" or "lit".
  std::string Shown() {
    auto shot = testing_support::CaptureClient(form->Handle());
    TColor edge = shot->Pixel(kLeft + 82, kTop + 15);
    bool pressed = edge == kBack;
    if (!pressed && edge != RGBColor(14, 14, 14)) return "no shadow edge";
    int o = pressed ? 3 : 2;
    // The face (68, 68, 68) makes the lamp (88, 88, 88).
    TColor lamp = shot->Pixel(kLeft + o + 69, kTop + o + 17);
    TColor off = pressed ? RGBColor(68, 68, 68) : RGBColor(48, 48, 48);
    TColor lit = pressed ? RGBColor(108, 108, 108) : RGBColor(88, 88, 88);
    std::string s = pressed ? "pressed " : "up ";
    return s + (lamp == off ? "off" : lamp == lit ? "lit" : "lamp?");
  }

  std::unique_ptr<fw::TForm> form;
  widgets::TFreeButton* button = nullptr;
  bool held = false;
  int clicks = 0;
  int double_clicks = 0;
  int leaves = 0;
};

TEST_F(FreeButtonInput, PressInsideReleaseOutside) {
  MoveTo(kLeft + 30, kTop + 10);
  Press(kLeft + 30, kTop + 10);
  EXPECT_EQ(Shown(), "pressed off");
  ASSERT_TRUE(PointerOffWindow());  // held: the button keeps the mouse, but not the pointer
  EXPECT_EQ(Shown(), "up off");
  Release(-50, -50);
  EXPECT_EQ(Shown(), "up lit");
  EXPECT_EQ(clicks, 0);
}

TEST_F(FreeButtonInput, MovingOutAndBackWhileHeldStaysUpAndStillClicks) {
  MoveTo(kLeft + 30, kTop + 10);
  Press(kLeft + 30, kTop + 10);
  MoveTo(kLeft + 30, kTop + 60);
  MoveTo(kLeft + 40, kTop + 12);
  EXPECT_EQ(Shown(), "up off");
  Release(kLeft + 40, kTop + 12);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Shown(), "up lit");
}

TEST_F(FreeButtonInput, DoubleClickIsOneClickOneDoubleClickAndTwoToggles) {
  MoveTo(kLeft + 30, kTop + 10);
  Press(kLeft + 30, kTop + 10);
  Release(kLeft + 30, kTop + 10);
  EXPECT_EQ(Shown(), "up lit");
  held = true;
  Send(WM_LBUTTONDBLCLK, MK_LBUTTON, kLeft + 30, kTop + 10);
  EXPECT_EQ(Shown(), "up lit");  // the second press is no press
  Release(kLeft + 30, kTop + 10);
  EXPECT_EQ(Shown(), "up off");
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(double_clicks, 1);
}

TEST_F(FreeButtonInput, DownHoldsTheFacePressedThroughTheMouse) {
  button->setDown(true);
  EXPECT_EQ(Shown(), "pressed off");
  MoveTo(kLeft + 30, kTop + 10);
  Press(kLeft + 30, kTop + 10);
  Release(kLeft + 30, kTop + 10);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Shown(), "pressed lit");
  ASSERT_TRUE(PointerOffWindow());
  EXPECT_EQ(Shown(), "pressed lit");
  button->setDown(false);
  EXPECT_EQ(Shown(), "up lit");
}

}  // namespace

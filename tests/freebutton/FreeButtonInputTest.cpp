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

const TColor kBack = RGBColor(64, 64, 64);
constexpr int kLeft = 20, kTop = 20;
constexpr int kInX = kLeft + 30, kInY = kTop + 10;  // on the button

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
      pressed_at_click = button->Pressed();
    };
    button->OnDblClick = [this](fw::TObject*) { double_clicks += 1; };
    button->OnMouseLeave = [this](fw::TObject*) { leaves += 1; };
    Mouse(WM_MOUSEMOVE, 150, 80);
  }

  // Puts the real pointer at client point (x, y), so that the window's hover
  // tracking finds it there, and sends the message.
  void Mouse(UINT msg, int x, int y) {
    POINT p{x, y};
    ::ClientToScreen(form->Handle(), &p);
    ::SetCursorPos(p.x, p.y);
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) held = true;
    if (msg == WM_LBUTTONUP) held = false;
    ::SendMessageW(form->Handle(), msg, held ? MK_LBUTTON : 0, testing_support::Point(x, y));
    testing_support::PumpMessages();
  }
  // Moves the real pointer off the window, sending nothing, and waits up to a
  // second for the button to hear that the pointer left.
  bool PointerOffWindow() {
    POINT p{-50, -50};
    ::ClientToScreen(form->Handle(), &p);
    ::SetCursorPos(p.x, p.y);
    const int before = leaves;
    for (int i = 0; i < 100 && leaves == before; ++i) {
      ::Sleep(10);
      testing_support::PumpMessages();
    }
    return leaves > before;
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
    return (pressed ? "pressed " : "up ") + std::string(lamp == off   ? "off"
                                                        : lamp == lit ? "lit"
                                                                      : "lamp?");
  }

  std::unique_ptr<fw::TForm> form;
  widgets::TFreeButton* button = nullptr;
  bool held = false;
  int clicks = 0, double_clicks = 0, leaves = 0;
  bool pressed_at_click = false;
};

TEST_F(FreeButtonInput, PressInsideReleaseOutside) {
  Mouse(WM_MOUSEMOVE, kInX, kInY);
  Mouse(WM_LBUTTONDOWN, kInX, kInY);
  EXPECT_EQ(Shown(), "pressed off");
  ASSERT_TRUE(PointerOffWindow());  // held: the button keeps the mouse, but not the pointer
  EXPECT_EQ(Shown(), "up off");
  Mouse(WM_LBUTTONUP, -50, -50);
  EXPECT_EQ(Shown(), "up lit");
  EXPECT_EQ(clicks, 0);
}

TEST_F(FreeButtonInput, MovingOutAndBackWhileHeldStaysUpAndStillClicks) {
  Mouse(WM_MOUSEMOVE, kInX, kInY);
  Mouse(WM_LBUTTONDOWN, kInX, kInY);
  Mouse(WM_MOUSEMOVE, kInX, kTop + 60);
  Mouse(WM_MOUSEMOVE, kInX + 10, kInY);
  EXPECT_EQ(Shown(), "up off");
  Mouse(WM_LBUTTONUP, kInX + 10, kInY);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Shown(), "up lit");
}

TEST_F(FreeButtonInput, DoubleClickIsOneClickOneDoubleClickAndTwoToggles) {
  Mouse(WM_MOUSEMOVE, kInX, kInY);
  Mouse(WM_LBUTTONDOWN, kInX, kInY);
  Mouse(WM_LBUTTONUP, kInX, kInY);
  EXPECT_TRUE(pressed_at_click);  // OnClick comes before the face goes up
  EXPECT_EQ(Shown(), "up lit");
  Mouse(WM_LBUTTONDBLCLK, kInX, kInY);
  EXPECT_EQ(Shown(), "up lit");  // the second press is no press
  Mouse(WM_LBUTTONUP, kInX, kInY);
  EXPECT_EQ(Shown(), "up off");
  EXPECT_EQ((std::pair{clicks, double_clicks}), (std::pair{1, 1}));
}

TEST_F(FreeButtonInput, DownHoldsTheFacePressedThroughTheMouse) {
  button->setDown(true);
  EXPECT_EQ(Shown(), "pressed off");
  Mouse(WM_MOUSEMOVE, kInX, kInY);
  Mouse(WM_LBUTTONDOWN, kInX, kInY);
  Mouse(WM_LBUTTONUP, kInX, kInY);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(Shown(), "pressed lit");
  ASSERT_TRUE(PointerOffWindow());
  EXPECT_EQ(Shown(), "pressed lit");
  button->setDown(false);
  EXPECT_EQ(Shown(), "up lit");
}

TEST_F(FreeButtonInput, DisablingWhileHeldLetsTheFaceUpAtOnceUnlessDownHoldsIt) {
  Mouse(WM_MOUSEMOVE, kInX, kInY);
  Mouse(WM_LBUTTONDOWN, kInX, kInY);
  ASSERT_TRUE(button->Pressed());
  button->SetEnabled(false);
  EXPECT_FALSE(button->Pressed());
  testing_support::PumpMessages();
  EXPECT_EQ(Shown(), "up off");
  Mouse(WM_LBUTTONUP, kInX, kInY);  // goes to the form: no click, no toggle
  EXPECT_EQ(clicks, 0);
  EXPECT_EQ(Shown(), "up off");

  button->SetEnabled(true);
  button->setDown(true);
  button->SetEnabled(false);
  testing_support::PumpMessages();
  EXPECT_EQ(Shown(), "pressed off");
}

}  // namespace

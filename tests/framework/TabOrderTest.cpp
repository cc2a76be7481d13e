// Tab and Shift+Tab move the focus among a form's tab stops; arrows switch radios.
#include <gtest/gtest.h>

#include "framework/StdCtrls.h"
#include "framework/TabOrder.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

using testing_support::MakeShownForm;
using testing_support::PumpMessages;

// A focusable control with a window of its own.
class Stop : public fw::TCustomControl {
 public:
  Stop(fw::TWinControl* parent, int order) : fw::TCustomControl(parent) {
    SetParent(parent);
    SetBounds(0, 0, 10, 10);
    SetTabStop(true);
    SetTabOrder(order);
  }
};

void PressKey(HWND focus, WPARAM key) {
  ::SendMessageW(focus, WM_KEYDOWN, key, 0);
  ::SendMessageW(focus, WM_KEYUP, key, 0);
}

TEST(TabOrder, StopsFollowTabOrderDepthFirstAndSkipHiddenOnes) {
  auto form = MakeShownForm(200, 100, fw::clBtnFace);
  Stop late(form.get(), 3);
  Stop early(form.get(), 0);
  fw::TPanel panel(form.get());
  panel.SetParent(form.get());
  panel.SetTabOrder(1);
  fw::TRadioButton on(form.get()), off(form.get());
  on.SetParent(&panel);
  off.SetParent(&panel);
  on.SetChecked(true);  // only the checked radio is a stop
  Stop hidden(form.get(), 2);
  hidden.Hide();

  EXPECT_EQ(fw::TabStops(*form), (std::vector<fw::TWinControl*>{&early, &on, &late}));
  EXPECT_EQ(fw::NextTabStop(*form, &late, true), &early) << "wraps forward";
  EXPECT_EQ(fw::NextTabStop(*form, &early, false), &late) << "wraps backward";
  EXPECT_EQ(fw::NextTabStop(*form, nullptr, false), &late);
  panel.Hide();
  EXPECT_EQ(fw::TabStops(*form), (std::vector<fw::TWinControl*>{&early, &late}));
  panel.Show();

  // Through real key messages: Tab, Tab, Shift+Tab, then the arrows on the radios.
  early.SetFocus();
  PressKey(early.Handle(), VK_TAB);
  EXPECT_TRUE(on.Focused());
  PressKey(on.Handle(), VK_DOWN);
  EXPECT_TRUE(off.Focused());
  EXPECT_TRUE(off.Checked());
  EXPECT_FALSE(on.Checked());
  PressKey(off.Handle(), VK_UP);
  EXPECT_TRUE(on.Checked());
  PressKey(on.Handle(), VK_TAB);
  EXPECT_TRUE(late.Focused());
  BYTE keys[256];
  ::GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  PressKey(late.Handle(), VK_TAB);
  keys[VK_SHIFT] = 0;
  ::SetKeyboardState(keys);
  EXPECT_TRUE(on.Focused());
  PumpMessages();
}

}  // namespace

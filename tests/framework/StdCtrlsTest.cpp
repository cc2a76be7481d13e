#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Render.h"
#include "framework/StdCtrls.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

using fw::RGBColor;
using fw::TColor;

const TColor kBack = RGBColor(60, 60, 60);

// The width and height of `text` in `font`, measured on the screen.
SIZE Extent(const fw::TFont& font, const std::string& text) {
  fw::TBitmap b(1, 1);
  b.Canvas().Font().Assign(font);
  return b.Canvas().TextExtent(text);
}

int Count(fw::TBitmap& b, TColor c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.Pixel(x, y) == c;
  return n;
}

TEST(Label, NewLabelAndAutoSize) {
  fw::TLabel label(nullptr);
  EXPECT_EQ(label.Width(), 65);
  EXPECT_EQ(label.Height(), 17);
  EXPECT_TRUE(label.AutoSize());
  EXPECT_TRUE(label.ShowAccelChar());
  EXPECT_EQ(label.Transparent(), fw::ThemesEnabled());

  label.SetCaption("Sampling speed");
  SIZE text = Extent(label.Font(), "Sampling speed");
  EXPECT_EQ(label.Width(), text.cx);
  EXPECT_EQ(label.Height(), text.cy);

  // "&&" shows one "&"; without ShowAccelChar both are drawn.
  label.SetCaption("a&&b");
  EXPECT_EQ(label.Width(), Extent(label.Font(), "a&b").cx);
  label.SetShowAccelChar(false);
  EXPECT_EQ(label.Width(), Extent(label.Font(), "a&&b").cx);

  label.SetAlignment(fw::TAlignment::taRightJustify);
  label.SetBounds(100, 5, label.Width(), label.Height());
  int right = label.Left() + label.Width();
  label.SetCaption("x");
  EXPECT_EQ(label.Left() + label.Width(), right);  // keeps its right edge

  label.SetAutoSize(false);
  label.SetBounds(0, 0, 47, 17);
  label.SetCaption("a much longer caption");
  EXPECT_EQ(label.Width(), 47);
}

TEST(Label, BackgroundTextColourAndDisabledText) {
  fw::TLabel label(nullptr);
  label.SetAutoSize(false);
  label.SetBounds(0, 0, 60, 30);
  label.Font().SetHeight(-22);
  label.Font().SetStyle(fw::fsBold);
  label.Font().SetColor(RGBColor(255, 255, 0));
  label.SetCaption("HH");
  label.SetTransparent(false);
  label.SetColor(RGBColor(0, 0, 128));
  auto shown = fw::RenderControl(label, kBack);
  EXPECT_EQ(shown->Pixel(59, 29), RGBColor(0, 0, 128));
  EXPECT_GT(Count(*shown, RGBColor(255, 255, 0)), 10);

  label.SetTransparent(true);
  label.SetEnabled(false);
  shown = fw::RenderControl(label, kBack);
  EXPECT_EQ(shown->Pixel(59, 29), kBack);
  EXPECT_EQ(Count(*shown, RGBColor(255, 255, 0)), 0);
  EXPECT_GT(Count(*shown, TColor(::GetSysColor(COLOR_GRAYTEXT) & 0xFFFFFF)), 10);

  label.SetEnabled(true);
  label.SetLayout(fw::TTextLayout::tlBottom);
  shown = fw::RenderControl(label, kBack);
  EXPECT_GT(Count(*shown, RGBColor(255, 255, 0)), 0);
  int top_rows = 0;
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 60; ++x) top_rows += shown->Pixel(x, y) != kBack;
  EXPECT_EQ(top_rows, 0);  // the text sits at the bottom
}

// A font change on a parent reaches every label that follows it, through a panel,
// and measures it again; a control with a font of its own stops the change.
TEST(Label, ParentFontChangeReachesFollowersOnEveryLevel) {
  fw::TForm form(nullptr);
  auto* panel = new fw::TPanel(&form);
  panel->SetParent(&form);
  auto* own_panel = new fw::TPanel(&form);
  own_panel->SetParent(&form);
  own_panel->Font().SetHeight(-9);
  auto add_label = [&](fw::TWinControl* parent, bool follow) {
    auto* l = new fw::TLabel(&form);
    l->SetParent(parent);
    l->SetCaption("24 dB");
    if (!follow) l->SetParentFont(false);
    return l;
  };
  fw::TLabel* direct = add_label(&form, true);
  fw::TLabel* nested = add_label(panel, true);
  fw::TLabel* own = add_label(&form, false);
  fw::TLabel* behind_own = add_label(own_panel, true);
  const int default_height = fw::TFont().Height();

  form.Font().SetHeight(-24);
  form.Font().SetColor(RGBColor(255, 255, 0));
  for (fw::TLabel* l : {direct, nested}) {
    EXPECT_EQ(l->Font().Height(), -24);
    EXPECT_EQ(l->Font().Color(), RGBColor(255, 255, 0));
    EXPECT_TRUE(l->ParentFont());
    EXPECT_EQ(l->Width(), Extent(form.Font(), "24 dB").cx);
  }
  EXPECT_EQ(own->Font().Height(), default_height);
  EXPECT_EQ(own->Width(), Extent(own->Font(), "24 dB").cx);
  EXPECT_EQ(own_panel->Font().Height(), -9);
  EXPECT_EQ(behind_own->Font().Height(), -9);

  // A follower changed directly has a font of its own from then on.
  nested->Font().SetHeight(-11);
  EXPECT_FALSE(nested->ParentFont());
  form.Font().SetHeight(-30);
  EXPECT_EQ(direct->Font().Height(), -30);
  EXPECT_EQ(nested->Font().Height(), -11);
}

class RadioTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = testing_support::MakeShownForm(200, 120, kBack);
    pair = new fw::TPanel(form.get());
    pair->SetBounds(0, 0, 125, 41);
    pair->SetParent(form.get());
    for (int i = 0; i < 2; ++i) {
      auto* r = new fw::TRadioButton(form.get());
      r->SetBounds(14, 2 + 18 * i, 107, 19);
      r->SetCaption(i == 0 ? "0.1 - 30 MHz" : "Direct Input");
      r->SetParent(pair);
      r->OnClick = [this, i](fw::TObject*) { clicks.push_back(i); };
      radios.push_back(r);
    }
    radios[0]->SetChecked(true);
    clicks.clear();
    other = new fw::TRadioButton(form.get());
    other->SetBounds(0, 60, 100, 19);
    other->SetParent(form.get());
    other->SetChecked(true);
    testing_support::PumpMessages();
  }

  std::unique_ptr<fw::TForm> form;
  fw::TPanel* pair = nullptr;
  std::vector<fw::TRadioButton*> radios;
  fw::TRadioButton* other = nullptr;
  std::vector<int> clicks;
};

TEST_F(RadioTest, SelectingOneDeselectsItsSiblingsAndRaisesOnClickOnlyOnChange) {
  testing_support::ClickAt(radios[1]->Handle(), 5, 5);
  EXPECT_TRUE(radios[1]->Checked());
  EXPECT_FALSE(radios[0]->Checked());
  EXPECT_TRUE(other->Checked());  // another parent
  EXPECT_EQ(clicks, std::vector<int>{1});

  testing_support::ClickAt(radios[1]->Handle(), 5, 5);  // already selected
  radios[1]->SetChecked(true);
  EXPECT_EQ(clicks, std::vector<int>{1});

  radios[0]->SetChecked(true);  // by code, as by the user
  EXPECT_EQ(clicks, (std::vector<int>{1, 0}));
  EXPECT_FALSE(radios[1]->Checked());

  ::SendMessageW(radios[1]->Handle(), WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(clicks, (std::vector<int>{1, 0, 1}));
}

TEST_F(RadioTest, ReleaseOutsideSelectsNothing) {
  HWND h = radios[1]->Handle();
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, testing_support::Point(5, 5));
  ::SendMessageW(h, WM_LBUTTONUP, 0, testing_support::Point(300, 5));
  EXPECT_FALSE(radios[1]->Checked());
  EXPECT_TRUE(clicks.empty());
}

}  // namespace

// The label as drawn, as stored and as it blinks through real timer messages.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>

#include "framework/Render.h"
#include "tests/framework/WindowTestSupport.h"
#include "widgets/DRLabel.h"

using namespace widgets;

namespace {

const fw::TColor kBack = fw::RGBColor(60, 60, 60);
const fw::TColor kText = fw::clYellow;
const fw::TColor kShadow = fw::clBlue;

fw::TColor Resolved(fw::TColor c) {
  return fw::TColor(fw::ColorToRGB(c));
}

// A fixed-size opaque label whose bold glyphs have solid stems of the exact colours.
void Prepare(TDRLabel& l, int w, int h) {
  l.SetCaption("HH");
  l.SetAutoSize(false);
  l.SetBounds(l.Left(), l.Top(), w, h);
  l.SetTransparent(false);
  l.SetColor(kBack);
  l.Font().SetHeight(-22);
  l.Font().SetStyle(fw::fsBold);
  l.Font().SetColor(kText);
  l.SetShadowColor(kShadow);
}

int Count(fw::TBitmap& pic, fw::TColor c, fw::TRect area = {0, 0, INT_MAX, INT_MAX}) {
  int n = 0;
  for (int y = std::max(area.Top, 0); y < std::min(area.Bottom, pic.Height()); ++y)
    for (int x = std::max(area.Left, 0); x < std::min(area.Right, pic.Width()); ++x)
      n += pic.Pixel(x, y) == c;
  return n;
}

// The smallest rectangle holding every pixel that is not the background.
fw::TRect Drawn(fw::TBitmap& pic) {
  fw::TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < pic.Height(); ++y) {
    for (int x = 0; x < pic.Width(); ++x) {
      if (pic.Pixel(x, y) == kBack) continue;
      box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
             std::max(box.Bottom, y + 1)};
    }
  }
  return box;
}

// Where the unshifted text alone draws.
fw::TRect TextBox() {
  TDRLabel flat(nullptr);
  Prepare(flat, 60, 30);
  flat.SetCtl3D(false);
  return Drawn(*fw::RenderControl(flat, kBack));
}

// Handles messages until `done` holds or `ms` pass; whether it held.
template <class F>
bool PumpUntil(F done, DWORD ms = 3000) {
  const DWORD start = ::GetTickCount();
  while (!done()) {
    if (::GetTickCount() - start > ms) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    testing_support::PumpMessages();
  }
  return true;
}

}  // namespace

TEST(DRLabelPaint, FrameColumnsAndRowsOfEachBorder) {
  const int w = 30, h = 12;
  for (TDRBorder b : {boNone, boSingle, boRaised, boLowered}) {
    TDRLabel l(nullptr);
    Prepare(l, w, h);
    l.SetCaption("");
    l.SetBorder(b);
    auto pic = fw::RenderControl(l, kBack);
    const auto colours = drlabel::FrameColorsFor(b);
    int wrong = 0;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        fw::TColor want = kBack;  // column w - 1 and row h - 1 included
        if (colours && ((x == w - 2 && y <= h - 2) || (y == h - 2 && x <= w - 2)))
          want = Resolved(colours->BottomRight);
        else if (colours && ((y == 0 && x <= w - 3) || (x == 0 && y <= h - 3)))
          want = Resolved(colours->TopLeft);
        if (pic->Pixel(x, y) != want && ++wrong <= 3) ADD_FAILURE() << +b << ": " << x << "," << y;
      }
    }
    EXPECT_EQ(wrong, 0) << +b;
  }
}

TEST(DRLabelPaint, ShadowLiesDeepPixelsRightAndDown) {
  const fw::TRect text = TextBox();
  ASSERT_FALSE(text.Empty());
  TDRLabel l(nullptr);
  Prepare(l, 60, 30);
  for (uint8_t deep : {1, 2}) {
    l.SetDeep(deep);
    EXPECT_EQ((std::pair{l.Width(), l.Height()}), (std::pair{60, 30}));
    auto pic = fw::RenderControl(l, kBack);
    EXPECT_EQ(Drawn(*pic), (fw::TRect{text.Left, text.Top, text.Right + deep, text.Bottom + deep}));
    // Below the text only the shadow is drawn.
    const fw::TRect below{0, text.Bottom, 60, text.Bottom + deep};
    EXPECT_GT(Count(*pic, kShadow, below), 0) << +deep;
    EXPECT_EQ(Count(*pic, kText, below), 0) << +deep;
    EXPECT_GT(Count(*pic, kText), 0) << +deep;
  }
}

TEST(DRLabelPaint, HiddenTextAndDisabledText) {
  TDRLabel l(nullptr);
  Prepare(l, 60, 30);
  l.Font().SetColor(kBack);  // neither shadow nor text
  EXPECT_TRUE(Drawn(*fw::RenderControl(l, kBack)).Empty());

  const fw::TRect text = TextBox();
  l.Font().SetColor(kText);
  l.SetEnabled(false);  // grey text over the shadow, which stays
  auto pic = fw::RenderControl(l, kBack);
  EXPECT_EQ(Count(*pic, kText), 0);
  EXPECT_GT(Count(*pic, Resolved(fw::clGrayText)), 0);
  EXPECT_GT(Count(*pic, kShadow, {0, text.Bottom, 60, text.Bottom + 1}), 0);
  l.SetCtl3D(false);
  EXPECT_EQ(Count(*fw::RenderControl(l, kBack), kShadow), 0);
}

TEST(DRLabelProperties, NewLabelAndRefusedValues) {
  TDRLabel l(nullptr);
  EXPECT_EQ((std::pair{l.Width(), l.Height()}), (std::pair{66, 18}));
  EXPECT_EQ((std::tuple{l.HiColor(), l.LoColor(), l.ShadowColor()}),
            (std::tuple{fw::clBlue, fw::clNavy, fw::clBtnHighlight}));
  EXPECT_EQ((std::tuple{l.Border(), l.Blink(), l.Ctl3D(), l.BlinkInterval(), l.Deep()}),
            (std::tuple{boNone, blNone, true, 300, uint8_t{1}}));
  EXPECT_FALSE(l.BlinkTimer().Running());
  EXPECT_EQ(l.BlinkTimer().Interval(), 300u);

  for (uint8_t deep : {0, 3, 255}) l.SetDeep(deep);
  l.SetBorder(static_cast<TDRBorder>(4));
  l.SetBlink(static_cast<TDRBlink>(3));
  l.SetInterval(-1);
  EXPECT_EQ((std::tuple{l.Border(), l.Blink(), l.BlinkInterval(), l.Deep()}),
            (std::tuple{boNone, blNone, 300, uint8_t{1}}));
  l.SetInterval(40);
  EXPECT_EQ(l.BlinkTimer().Interval(), 40u);
}

TEST(DRLabelProperties, StoredLayout) {
  TDRLabel a(nullptr);
  std::vector<std::string> own;
  for (const auto& p : fw::WriteProperties(a)) {
    if (TDRLabel::ClassProperties().Find(p.Name) != fw::TLabel::ClassProperties().Find(p.Name))
      own.push_back(p.Name);
  }
  // Only ShadowColor has a declared default, which a new label holds.
  EXPECT_EQ(own, (std::vector<std::string>{"HiColor", "LoColor", "Border", "Ctl3D", "BlinkInterval",
                                           "Blink", "Deep"}));

  Prepare(a, 40, 20);
  a.SetBorder(boLowered);
  a.SetCtl3D(false);
  a.SetDeep(2);
  a.SetHiColor(fw::clRed);
  a.SetBlink(blHiLo);  // read back after the font colour, which it keeps
  TDRLabel b(nullptr);
  fw::LoadLayout(b, {{"", fw::WriteProperties(a)}});
  EXPECT_EQ(fw::WriteProperties(b), fw::WriteProperties(a));
  EXPECT_EQ(b.Font().Color(), kText);
  EXPECT_TRUE(b.BlinkTimer().Running());

  // A layout without ShadowColor leaves the constructor's.
  TDRLabel d(nullptr);
  fw::ApplyProperties(d, {{"Deep", int64_t{1}}, {"Ctl3D", true}});
  EXPECT_EQ(d.ShadowColor(), fw::clBtnHighlight);
}

TEST(DRLabelBlink, TimerMessagesHideShowAndRestore) {
  auto form = testing_support::MakeShownForm(120, 60, kBack);
  auto* l = new TDRLabel(form.get());
  Prepare(*l, 60, 30);
  l->SetParent(form.get());
  l->SetInterval(150);
  auto shown = [&] { return Count(*testing_support::CaptureClient(form->Handle()), kText); };
  testing_support::PumpMessages();
  ASSERT_GT(shown(), 0);

  l->SetBlink(blBlink);
  EXPECT_TRUE(l->BlinkTimer().Running());
  EXPECT_EQ(l->Font().Color(), kText);  // the first tick hides
  ASSERT_TRUE(PumpUntil([&] { return l->Font().Color() == kBack; }));
  testing_support::PumpMessages();
  EXPECT_EQ(shown(), 0);
  ASSERT_TRUE(PumpUntil([&] { return l->Font().Color() == kText; }));
  testing_support::PumpMessages();
  EXPECT_GT(shown(), 0);

  // Stopped in the hidden phase, the label gets its colour back and stays so.
  ASSERT_TRUE(PumpUntil([&] { return l->Font().Color() == kBack; }));
  l->SetBlink(blNone);
  EXPECT_FALSE(l->BlinkTimer().Running());
  EXPECT_FALSE(PumpUntil([&] { return l->Font().Color() != kText; }, 400));

  // blHiLo alternates its two colours and returns to the label's own.
  l->SetInterval(20);
  l->SetBlink(blHiLo);
  EXPECT_EQ(l->Font().Color(), kText);
  ASSERT_TRUE(PumpUntil([&] { return l->Font().Color() == fw::clBlue; }));
  ASSERT_TRUE(PumpUntil([&] { return l->Font().Color() == fw::clNavy; }));
  l->SetBlink(blBlink);  // from one mode to the other via the label's own colour
  EXPECT_EQ(l->Font().Color(), kText);
  ASSERT_TRUE(PumpUntil([&] { return l->Font().Color() == kBack; }));
  l->SetBlink(blNone);
  EXPECT_EQ(l->Font().Color(), kText);
}

// The label's pictures, its stored properties and its blinking through real
// timer messages; and the gallery's label cases.
#include <gtest/gtest.h>
#include <windows.h>

#include <climits>
#include <map>

#include "framework/Render.h"
#include "tests/framework/WindowTestSupport.h"
#include "tools/gallery/Gallery.h"
#include "widgets/DRLabel.h"

using namespace widgets;
using fw::TRect;

namespace {

const fw::TColor kBack = fw::RGBColor(60, 60, 60), kText = fw::clYellow, kShadow = fw::clBlue;

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

// How many pixels of `area` have colour `c`.
int Count(fw::TBitmap& pic, fw::TColor c, TRect area = {0, 0, INT_MAX, INT_MAX}) {
  int n = 0;
  for (int y = std::max(area.Top, 0); y < std::min(area.Bottom, pic.Height()); ++y)
    for (int x = std::max(area.Left, 0); x < std::min(area.Right, pic.Width()); ++x)
      n += pic.Pixel(x, y) == c;
  return n;
}

// The smallest rectangle holding every pixel that is not the background.
TRect Drawn(fw::TBitmap& pic) {
  TRect box{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  for (int y = 0; y < pic.Height(); ++y)
    for (int x = 0; x < pic.Width(); ++x)
      if (pic.Pixel(x, y) != kBack)
        box = {std::min(box.Left, x), std::min(box.Top, y), std::max(box.Right, x + 1),
               std::max(box.Bottom, y + 1)};
  return box;
}

// Handles messages until `done` holds or `ms` pass; whether it held.
template <class F>
bool PumpUntil(F done, DWORD ms = 3000) {
  for (const DWORD start = ::GetTickCount(); !done(); testing_support::PumpMessages()) {
    if (::GetTickCount() - start > ms) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
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
    int wrong = 0;  // column w - 1 and row h - 1 stay unframed
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const bool br = (x == w - 2 && y <= h - 2) || (y == h - 2 && x <= w - 2);
        const bool tl = (y == 0 && x <= w - 3) || (x == 0 && y <= h - 3);
        const fw::TColor want = !colours || !(br || tl) ? kBack
                                : br ? fw::TColor(fw::ColorToRGB(colours->BottomRight))
                                     : fw::TColor(fw::ColorToRGB(colours->TopLeft));
        wrong += pic->Pixel(x, y) != want;
      }
    EXPECT_EQ(wrong, 0) << +b;
  }
}

TEST(DRLabelPaint, ShadowDisabledAndHiddenText) {
  TDRLabel l(nullptr);
  Prepare(l, 60, 30);
  l.SetCtl3D(false);
  const TRect text = Drawn(*fw::RenderControl(l, kBack));
  ASSERT_FALSE(text.Empty());
  EXPECT_EQ(Count(*fw::RenderControl(l, kBack), kShadow), 0);
  l.SetCtl3D(true);
  for (int deep : {1, 2}) {
    l.SetDeep(static_cast<uint8_t>(deep));
    EXPECT_EQ((std::pair{l.Width(), l.Height()}), (std::pair{60, 30}));
    auto pic = fw::RenderControl(l, kBack);
    EXPECT_EQ(Drawn(*pic), (TRect{text.Left, text.Top, text.Right + deep, text.Bottom + deep}));
    // Below the text only the shadow is drawn.
    const TRect below{0, text.Bottom, 60, text.Bottom + deep};
    EXPECT_GT(Count(*pic, kShadow, below), 0) << deep;
    EXPECT_EQ(Count(*pic, kText, below), 0) << deep;
  }
  l.SetEnabled(false);  // grey text over the shadow, which stays
  auto pic = fw::RenderControl(l, kBack);
  EXPECT_EQ(Count(*pic, kText), 0);
  EXPECT_GT(Count(*pic, fw::TColor(fw::ColorToRGB(fw::clGrayText))), 0);
  EXPECT_GT(Count(*pic, kShadow, {0, text.Bottom, 60, text.Bottom + 2}), 0);
  l.Font().SetColor(kBack);  // neither shadow nor text
  EXPECT_TRUE(Drawn(*fw::RenderControl(l, kBack)).Empty());
}

TEST(DRLabelPaint, TheShadowsDepthFollowsTheDisplayScale) {
  TDRLabel l(nullptr);
  Prepare(l, 60, 30);
  l.SetCtl3D(false);
  const TRect text = Drawn(*fw::RenderControl(l, kBack));
  ASSERT_FALSE(text.Empty());
  l.SetCtl3D(true);
  l.SetDeep(1);
  for (auto [dpi, depth] : {std::pair{96, 1}, {120, 1}, {144, 2}, {192, 2}}) {
    l.SetScale(fw::DpiScale(dpi));
    EXPECT_EQ(Drawn(*fw::RenderControl(l, kBack)),
              (TRect{text.Left, text.Top, text.Right + depth, text.Bottom + depth}))
        << dpi;
  }
}

// A caption in any language is drawn as the wide text function draws it, centred by
// its real width.
TEST(DRLabelPaint, ANonAsciiCaptionIsDrawnAsItsWideText) {
  TDRLabel l(nullptr);
  Prepare(l, 120, 30);
  l.SetCtl3D(false);
  l.SetAlignment(fw::TAlignment::taCenter);
  l.SetCaption("Z\xC3\xA4h \xE5\x8F\x97\xE4\xBF\xA1");  // "Zäh 受信"
  auto pic = fw::RenderControl(l, kBack);

  fw::TBitmap expected(120, 30);
  {
    HDC dc = expected.Canvas().Handle();
    fw::ScopedBrush back(::CreateSolidBrush(fw::ColorToRGB(kBack)));
    RECT r{0, 0, 120, 30};
    ::FillRect(dc, &r, back.get());
    fw::ScopedFont font = fw::CreateFontHandle(l.Font());
    fw::SelectObjectScope selected(dc, font.get());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, fw::ColorToRGB(kText));
    ::DrawTextW(dc, L"Z\u00E4h \u53D7\u4FE1", -1, &r, DT_CENTER | DT_EXPANDTABS | DT_WORDBREAK);
    ::GdiFlush();
  }
  int differing = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 120; ++x) differing += pic->Pixel(x, y) != expected.Pixel(x, y);
  EXPECT_EQ(differing, 0);
  const TRect ink = Drawn(*pic);
  EXPECT_LE(std::abs(ink.Left - (120 - ink.Right)), 2) << "centred";
}

TEST(DRLabelProperties, NewRefusedAndStored) {
  TDRLabel a(nullptr);
  EXPECT_EQ((std::tuple{a.Width(), a.Height(), a.HiColor(), a.LoColor(), a.ShadowColor()}),
            (std::tuple{66, 18, fw::clBlue, fw::clNavy, fw::clBtnHighlight}));
  for (uint8_t deep : {0, 3}) a.SetDeep(deep);
  a.SetBorder(static_cast<TDRBorder>(4));
  a.SetBlink(static_cast<TDRBlink>(3));
  a.SetInterval(-1);
  EXPECT_EQ((std::tuple{a.Border(), a.Blink(), a.Ctl3D(), a.BlinkInterval(), a.Deep()}),
            (std::tuple{boNone, blNone, true, 300, uint8_t{1}}));
  EXPECT_FALSE(a.BlinkTimer().Running());
  std::vector<std::string> own;
  for (const auto& p : fw::WriteProperties(a))
    if (TDRLabel::ClassProperties().Find(p.Name) != fw::TLabel::ClassProperties().Find(p.Name))
      own.push_back(p.Name);
  // Only ShadowColor has a declared default, which a new label holds.
  EXPECT_EQ(own, (std::vector<std::string>{"HiColor", "LoColor", "Border", "Ctl3D", "BlinkInterval",
                                           "Blink", "Deep"}));

  Prepare(a, 40, 20);
  a.SetBorder(boLowered);
  a.SetDeep(2);
  a.SetInterval(40);
  a.SetBlink(blHiLo);  // read back after the font colour, which it keeps
  TDRLabel b(nullptr);
  fw::LoadLayout(b, {{"", fw::WriteProperties(a)}});
  EXPECT_EQ(fw::WriteProperties(b), fw::WriteProperties(a));
  EXPECT_EQ(b.Font().Color(), kText);
  EXPECT_TRUE(b.BlinkTimer().Running());
  EXPECT_EQ(b.BlinkTimer().Interval(), 40u);
  TDRLabel c(nullptr);  // stored without ShadowColor
  fw::LoadLayout(c, {{"", {{"Deep", int64_t{1}}, {"Ctl3D", true}}}});
  EXPECT_EQ(c.ShadowColor(), fw::clBtnHighlight);
}

TEST(DRLabelBlink, TimerMessagesHideShowAndRestore) {
  auto form = testing_support::MakeShownForm(120, 60, kBack);
  auto* l = new TDRLabel(form.get());
  Prepare(*l, 60, 30);
  l->SetParent(form.get());
  l->SetInterval(150);
  auto shown = [&] {
    testing_support::PumpMessages();
    return Count(*testing_support::CaptureClient(form->Handle()), kText);
  };
  auto becomes = [&](fw::TColor c) { return PumpUntil([&] { return l->Font().Color() == c; }); };
  ASSERT_GT(shown(), 0);
  l->SetBlink(blBlink);
  ASSERT_TRUE(becomes(kBack));  // the first tick hides
  EXPECT_EQ(shown(), 0);
  ASSERT_TRUE(becomes(kText));
  EXPECT_GT(shown(), 0);
  ASSERT_TRUE(becomes(kBack));
  l->SetBlink(blNone);  // stopped while hidden: the colour comes back and stays
  EXPECT_EQ(l->Font().Color(), kText);
  EXPECT_FALSE(PumpUntil([&] { return l->Font().Color() != kText; }, 400));

  // blHiLo, too, starts from the label's present colour and comes back to it.
  l->Font().SetColor(fw::clWhite);
  l->SetInterval(20);
  l->SetBlink(blHiLo);
  ASSERT_TRUE(becomes(fw::clBlue) && becomes(fw::clNavy));
  l->SetBlink(blBlink);  // from alternating to blinking: it blinks in the colour it has now
  EXPECT_EQ(l->Font().Color(), fw::clNavy);
  ASSERT_TRUE(becomes(kBack));
  ASSERT_TRUE(becomes(fw::clNavy));
  l->SetBlink(blHiLo);
  ASSERT_TRUE(becomes(fw::clBlue));
  l->SetBlink(blNone);  // back to the colour it blinked in
  EXPECT_EQ(l->Font().Color(), fw::clNavy);
}

TEST(DRLabelGallery, CasesHaveTheControlsSize) {
  std::map<std::string, std::unique_ptr<fw::TBitmap>> pics;
  for (const auto& c : gallery::Cases())
    if (c.FileName.rfind("drlabel-", 0) == 0) pics[c.FileName] = c.Render();
  ASSERT_EQ(pics.size(), 11u);
  for (auto [name, w, h] : {std::tuple{"drlabel-new.bmp", 60, 20},
                            {"drlabel-deep2.bmp", 40, 20},
                            {"drlabel-disabled.bmp", 60, 20}}) {
    ASSERT_TRUE(pics.count(name)) << name;
    EXPECT_EQ((std::pair{pics[name]->Width(), pics[name]->Height()}), (std::pair{w, h})) << name;
  }
}

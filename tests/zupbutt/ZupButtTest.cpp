#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Module.h"
#include "framework/Render.h"
#include "tests/framework/WindowTestSupport.h"
#include "widgets/ZupButt.h"

namespace {

using fw::RGBColor;
using fw::TColor;
using widgets::size;
using widgets::TZupButt;

const TColor kParent = RGBColor(60, 60, 60);

std::unique_ptr<fw::TBitmap> Picture(const wchar_t* name) {
  auto b = std::make_unique<fw::TBitmap>();
  EXPECT_TRUE(b->LoadFromResourceName(fw::ModuleHandle(), name)) << "resource missing";
  return b;
}

// How many pixels of `b` have exactly colour `c`.
int Count(fw::TBitmap& b, TColor c) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += b.Pixel(x, y) == c;
  return n;
}

bool SamePixels(fw::TBitmap& a, fw::TBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Pixel(x, y) != b.Pixel(x, y)) return false;
  return true;
}

TEST(ZupButt, NewButtonIsSmallDownZupWithABoldElevenPixelTahoma) {
  TZupButt b(nullptr);
  EXPECT_TRUE(b.Down());
  EXPECT_FALSE(b.RadioButton());
  EXPECT_EQ(b.Caption(), "Zup");
  EXPECT_EQ(b.Size(), size::Small);
  EXPECT_EQ(b.FontColorON(), fw::clWhite);
  EXPECT_EQ(b.FontColorOFF(), fw::clGray);
  EXPECT_TRUE(b.Enabled());
  EXPECT_TRUE(b.ControlStyle() & fw::csOpaque);
  EXPECT_GT(b.CharWidth(), 0);

  LOGFONTA lf{};
  ASSERT_TRUE(::GetObjectA(b.CaptionFont(), sizeof(lf), &lf));
  EXPECT_STREQ(lf.lfFaceName, "Tahoma");
  EXPECT_EQ(lf.lfWeight, FW_BOLD);
  EXPECT_EQ(lf.lfCharSet, ANSI_CHARSET);
  ASSERT_EQ(fw::ScreenPixelsPerInch(), 96) << "the test prefix runs at 96 pixels per inch";
  EXPECT_EQ(lf.lfHeight, -11);

  auto shown = fw::RenderControl(b, kParent);
  EXPECT_EQ(b.Width(), 39);
  EXPECT_EQ(b.Height(), 22);
  EXPECT_GT(Count(*shown, fw::clWhite), 0);  // the caption
}

TEST(ZupButt, TheTableStatesWhatANewButtonHas) {
  TZupButt b(nullptr);
  int checked = 0;
  for (const fw::PropertyInfo* p : b.Properties().All()) {
    if (!p->ConstructorValue) continue;
    EXPECT_EQ(p->Read(b), p->ConstructorValue) << p->Name;
    ++checked;
  }
  EXPECT_GE(checked, 7);
  const fw::PropertyTable& t = TZupButt::ClassProperties();
  EXPECT_EQ(t.Find("FontColorON")->Default, fw::PropValue(fw::Ident{"clCream"}));
  EXPECT_EQ(t.Find("Down")->Default, fw::PropValue(true));
  EXPECT_FALSE(t.Find("Caption")->Default.has_value());
}

TEST(ZupButt, StoredLayoutRoundTripKeepsConstructorValuesForDefaults) {
  TZupButt designed(nullptr);
  designed.SetRadio(true);
  designed.SetSize(size::Grey);
  designed.SetCaption("8,138 Hz");
  designed.SetFontColorON(fw::clCream);  // its declared default: not stored
  designed.SetFontColorOFF(fw::clSilver);
  std::vector<fw::StoredProperty> stored = fw::WriteProperties(designed);
  for (const auto& p : stored) {
    EXPECT_NE(p.Name, "FontColorON");
    EXPECT_NE(p.Name, "Down");  // down, as declared
  }
  TZupButt loaded(nullptr);
  loaded.SetDown(false);  // as if the constructor had said so; the layout must not
  fw::ApplyProperties(loaded, stored);
  EXPECT_EQ(loaded.FontColorON(), fw::clWhite);
  EXPECT_FALSE(loaded.Down());
  EXPECT_TRUE(loaded.RadioButton());
  EXPECT_EQ(loaded.Size(), size::Grey);
  EXPECT_EQ(loaded.Caption(), "8,138 Hz");
  EXPECT_EQ(loaded.FontColorOFF(), fw::clSilver);

  designed.SetDown(false);
  fw::ApplyProperties(loaded, fw::WriteProperties(designed));
  EXPECT_FALSE(loaded.Down());
}

// Counts the writes of its bounds.
struct BoundsWatch : TZupButt {
  using TZupButt::TZupButt;
  int writes = 0;
  void SetBounds(int left, int top, int width, int height) override {
    ++writes;
    TZupButt::SetBounds(left, top, width, height);
  }
};

TEST(ZupButt, TheSizeIsAlwaysThePicturesAndPaintingChangesNothing) {
  BoundsWatch b(nullptr);
  b.SetBounds(5, 6, 300, 50);
  EXPECT_EQ(b.BoundsRect(), (fw::TRect{5, 6, 5 + 39, 6 + 22}));
  b.SetSize(size::Grey);
  EXPECT_EQ(b.Width(), 135);
  EXPECT_EQ(b.Height(), 22);
  b.SetWidth(40);
  EXPECT_EQ(b.Width(), 135);
  // A paint only draws: the bounds and the pictures it shows were set by the writers.
  b.writes = 0;
  auto shown = fw::RenderControl(b, kParent);
  EXPECT_EQ(b.writes, 0);
  EXPECT_EQ(b.BoundsRect(), (fw::TRect{5, 6, 5 + 135, 6 + 22}));
  EXPECT_EQ(shown->Width(), 135);

  b.SetSize(static_cast<size>(4));  // names no size: ignored
  EXPECT_EQ(b.Size(), size::Grey);
  EXPECT_EQ(fw::RenderControl(b, kParent)->Width(), 135);
}

// The font's description as the system keeps it.
LOGFONTA Describe(const fw::ScopedFont& f) {
  LOGFONTA lf{};
  EXPECT_TRUE(f && ::GetObjectA(f.get(), sizeof(lf), &lf));
  return lf;
}

TEST(ZupButtFont, CreatedFontHasTheAttributesAndTheContextIsLeftAsItWas) {
  fw::MemoryDC dc(nullptr);
  ASSERT_TRUE(dc);
  ASSERT_EQ(::GetDeviceCaps(dc.get(), LOGPIXELSY), 96);
  HGDIOBJ font_before = ::GetCurrentObject(dc.get(), OBJ_FONT);
  ::SetViewportOrgEx(dc.get(), 3, 4, nullptr);

  // 10 points high at 96 per inch: 133 tenths of a pixel, 13 pixels.
  LOGFONTA plain = Describe(TZupButt::myCreateFont(dc.get(), "Tahoma", 100, 0, 2 | 4 | 8, true));
  EXPECT_EQ(plain.lfHeight, -13);
  EXPECT_EQ(plain.lfWidth, 0);  // no width asked: the face's own
  EXPECT_EQ(plain.lfWeight, FW_DONTCARE);
  EXPECT_TRUE(plain.lfItalic);
  EXPECT_TRUE(plain.lfUnderline);
  EXPECT_TRUE(plain.lfStrikeOut);
  EXPECT_EQ(plain.lfCharSet, ANSI_CHARSET);
  EXPECT_STREQ(plain.lfFaceName, "Tahoma");

  // Twice as wide as high: the first font's average width scaled by 213 / 106.
  fw::ScopedFont narrow = TZupButt::myCreateFont(dc.get(), "Tahoma", 80, 0, 1, true);
  TEXTMETRICA tm{};
  {
    fw::SelectObjectScope selected(dc.get(), narrow.get());
    ::GetTextMetricsA(dc.get(), &tm);
  }
  LOGFONTA wide = Describe(TZupButt::myCreateFont(dc.get(), "Tahoma", 80, 160, 1, true));
  EXPECT_EQ(wide.lfHeight, -11);
  EXPECT_EQ(wide.lfWeight, FW_BOLD);
  EXPECT_FALSE(wide.lfItalic);
  ASSERT_GT(tm.tmAveCharWidth, 0);
  EXPECT_EQ(wide.lfWidth, widgets::FontWidthFromAverage(tm.tmAveCharWidth, 213, 106));
  EXPECT_GT(wide.lfWidth, tm.tmAveCharWidth);

  // The measuring font is not left selected, nor the context changed.
  EXPECT_EQ(::GetCurrentObject(dc.get(), OBJ_FONT), font_before);
  EXPECT_EQ(::GetGraphicsMode(dc.get()), GM_COMPATIBLE);
  POINT origin{};
  ::GetViewportOrgEx(dc.get(), &origin);
  EXPECT_EQ(origin.x, 3);
  EXPECT_EQ(origin.y, 4);
}

// The rendered button equals its picture where the picture is not black and shows
// the parent where it is, in every pixel the caption cannot reach.
void ExpectPictureOverParent(size s, bool down, const wchar_t* resource) {
  TZupButt b(nullptr);
  b.SetSize(s);
  b.SetCaption("ab");
  b.SetDown(down);
  auto shown = fw::RenderControl(b, kParent);
  auto picture = Picture(resource);
  ASSERT_EQ(shown->Width(), picture->Width());
  widgets::CaptionPoint at = widgets::CaptionPosition(s, b.Width(), 2, b.CharWidth());
  int checked = 0;
  for (int y = 0; y < shown->Height(); ++y) {
    for (int x = 0; x < shown->Width(); ++x) {
      if (y >= at.Y && x >= at.X) continue;  // where caption pixels may fall
      TColor want = picture->Pixel(x, y) == fw::clBlack ? kParent : picture->Pixel(x, y);
      ASSERT_EQ(shown->Pixel(x, y), want) << x << "," << y;
      ++checked;
    }
  }
  EXPECT_GT(checked, 100);
  EXPECT_EQ(shown->Pixel(0, 0), kParent);
  EXPECT_EQ(shown->Pixel(shown->Width() - 1, 21), kParent);
}

TEST(ZupButt, BlackSurroundShowsTheParentAndTheKeyIsThePicture) {
  ExpectPictureOverParent(size::Small, true, L"BUTTON39ON");
  ExpectPictureOverParent(size::Small, false, L"BUTTON39OFF");
  ExpectPictureOverParent(size::Medium, true, L"BUTTON59ON");
  ExpectPictureOverParent(size::Medium, false, L"BUTTON59OFF");
  ExpectPictureOverParent(size::Big, true, L"BUTTON118ON");
  ExpectPictureOverParent(size::Big, false, L"BUTTON118OFF");
}

TEST(ZupButt, GreyKeyCoversRowsAboveSeventeenAndTheRestShowsTheParent) {
  auto grey = Picture(L"GREYKEYOFF");
  ASSERT_EQ(grey->Width(), 135);
  ASSERT_EQ(grey->Height(), 17);
  EXPECT_EQ(Count(*grey, fw::clWhite), 0);
  EXPECT_EQ(grey->Pixel(0, 0), RGBColor(64, 64, 64));
  EXPECT_EQ(grey->Pixel(134, 16), RGBColor(64, 64, 64));

  TZupButt b(nullptr);
  b.SetSize(size::Grey);
  b.SetCaption("158,730 Hz");
  b.SetFontColorON(fw::clYellow);
  b.SetFontColorOFF(fw::clSilver);
  auto down = fw::RenderControl(b, kParent);
  for (int x = 0; x < 135; ++x) {
    EXPECT_EQ(down->Pixel(x, 0), grey->Pixel(x, 0)) << x;  // above the caption
    for (int y = 17; y < 22; ++y) ASSERT_EQ(down->Pixel(x, y), kParent) << x << "," << y;
  }
  EXPECT_GT(Count(*down, fw::clYellow), 0);
  EXPECT_EQ(Count(*down, fw::clSilver), 0);
  b.SetDown(false);
  auto up = fw::RenderControl(b, kParent);
  EXPECT_GT(Count(*up, fw::clSilver), 0);
  EXPECT_EQ(Count(*up, fw::clYellow), 0);
}

TEST(ZupButt, GreyLooksTheSameDownAndUpButForTheCaptionColour) {
  TZupButt b(nullptr);
  b.SetSize(size::Grey);
  b.SetCaption("37,793 Hz");
  b.SetFontColorON(fw::clSilver);
  b.SetFontColorOFF(fw::clSilver);
  auto down = fw::RenderControl(b, kParent);
  b.SetDown(false);
  auto up = fw::RenderControl(b, kParent);
  EXPECT_TRUE(SamePixels(*down, *up));
}

// White is the Grey composition's transparent colour: a white caption is not
// drawn, its pixels show what lies beneath the button.
TEST(ZupButt, WhiteCaptionOnGreyLetsTheParentShowThrough) {
  TZupButt b(nullptr);
  b.SetSize(size::Grey);
  b.SetCaption("");
  auto bare = fw::RenderControl(b, kParent);
  b.SetCaption("196,078 Hz");
  b.SetFontColorON(fw::clWhite);
  auto white = fw::RenderControl(b, kParent);
  int holes = 0;
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 135; ++x) {
      if (white->Pixel(x, y) == bare->Pixel(x, y)) continue;
      ASSERT_EQ(white->Pixel(x, y), kParent) << x << "," << y;
      ++holes;
    }
  }
  EXPECT_GT(holes, 20);
  EXPECT_EQ(Count(*white, fw::clWhite), 0);
  b.SetFontColorON(fw::SystemColor(20));  // stored colours are used as they are, not looked up
  auto system = fw::RenderControl(b, kParent);
  EXPECT_EQ(Count(*system, RGBColor(20, 0, 0)), holes);
}

// The caption is centred by its characters, not by the bytes that spell them.
TEST(ZupButt, ANonAsciiCaptionIsCentredByItsCharacters) {
  TZupButt b(nullptr);
  b.SetSize(size::Grey);
  b.SetFontColorON(fw::clYellow);
  b.SetCaption("Z\xC3\xA4h \xE5\x8F\x97\xE4\xBF\xA1");  // "Zäh 受信": 6 characters, 11 bytes
  auto pic = fw::RenderControl(b, kParent);
  int left = pic->Width();
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < pic->Width(); ++x) {
      const uint32_t c = fw::ColorToRGB(pic->Pixel(x, y));
      if (GetRValue(c) > 150 && GetGValue(c) > 150 && GetBValue(c) < 100) left = std::min(left, x);
    }
  const int start = widgets::CaptionPosition(size::Grey, 135, 6, b.CharWidth()).X;
  EXPECT_GE(left, start);
  EXPECT_LE(left, start + 3);
}

TEST(ZupButt, VeryLongCaptionIsDrawnFromTheLeftAndCutToTheButton) {
  TZupButt b(nullptr);
  b.SetSize(size::Grey);
  b.SetFontColorON(fw::clYellow);
  b.SetCaption(std::string(400, 'W'));
  auto shown = fw::RenderControl(b, kParent);
  EXPECT_EQ(shown->Width(), 135);
  int yellow_left = 0;
  for (int y = 0; y < 17; ++y)
    for (int x = 0; x < 30; ++x) yellow_left += shown->Pixel(x, y) == fw::clYellow;
  EXPECT_GT(yellow_left, 0);
}

// A panel of seven radio rate buttons, a plain button among them, and a second
// panel with a button of its own, on a shown form.
class RadioGroupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = testing_support::MakeShownForm(363, 324, kParent);
    rates = new fw::TPanel(form.get());
    rates->SetBevelOuter(fw::TPanelBevel::bvNone);
    rates->SetColor(kParent);
    rates->SetBounds(12, 60, 237, 220);
    rates->SetParent(form.get());
    for (int i = 0; i < 7; ++i) {
      auto* b = new TZupButt(form.get());
      b->SetBounds(10, 4 + 26 * i, 135, 22);
      b->SetRadio(true);
      b->SetSize(size::Grey);
      b->SetFontColorON(fw::clYellow);
      b->SetFontColorOFF(fw::clSilver);
      b->SetCaption("rate " + std::to_string(i));
      b->SetDown(i == 5);
      b->SetParent(rates);
      b->OnClick = [this, i](fw::TObject* sender) {
        clicks.push_back(i);
        EXPECT_EQ(sender, buttons[i]);
        EXPECT_EQ(DownOnes(), std::vector<int>{i});  // the group is updated first
      };
      buttons.push_back(b);
    }
    plain = new TZupButt(form.get());
    plain->SetBounds(10, 190, 39, 22);
    plain->SetParent(rates);
    other_panel = new fw::TPanel(form.get());
    other_panel->SetBounds(260, 60, 90, 40);
    other_panel->SetParent(form.get());
    other = new TZupButt(form.get());
    other->SetRadio(true);
    other->SetParent(other_panel);
    testing_support::PumpMessages();
  }

  std::vector<int> DownOnes() const {
    std::vector<int> out;
    for (int i = 0; i < 7; ++i)
      if (buttons[i]->Down()) out.push_back(i);
    return out;
  }

  void ClickButton(TZupButt* b, int dx = 5, int dy = 5) {
    testing_support::ClickAt(b->Parent()->Handle(), b->Left() + dx, b->Top() + dy);
  }

  std::unique_ptr<fw::TForm> form;
  fw::TPanel* rates = nullptr;
  fw::TPanel* other_panel = nullptr;
  std::vector<TZupButt*> buttons;
  TZupButt* plain = nullptr;
  TZupButt* other = nullptr;
  std::vector<int> clicks;
};

TEST_F(RadioGroupTest, ClickLeavesExactlyThatButtonDownAndRaisesOnClickOnce) {
  ClickButton(buttons[2]);
  EXPECT_EQ(DownOnes(), std::vector<int>{2});
  EXPECT_EQ(clicks, std::vector<int>{2});
  EXPECT_FALSE(plain->Down());  // a non-radio sibling goes up too
  EXPECT_TRUE(other->Down());   // another panel is left alone

  ClickButton(buttons[2]);  // the one already down: OnClick again
  EXPECT_EQ(DownOnes(), std::vector<int>{2});
  EXPECT_EQ(clicks, (std::vector<int>{2, 2}));
}

TEST_F(RadioGroupTest, PressOrReleaseAloneIsNoClickAndAPressDrawsNothing) {
  HWND h = rates->Handle();
  TZupButt* b = buttons[1];
  ::UpdateWindow(h);
  auto before = testing_support::CaptureClient(h);
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON,
                 testing_support::Point(b->Left() + 4, b->Top() + 4));
  EXPECT_TRUE(SamePixels(*before, *testing_support::CaptureClient(h)));
  ::SendMessageW(h, WM_LBUTTONUP, 0, testing_support::Point(230, 215));  // released elsewhere
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, testing_support::Point(230, 215));
  ::SendMessageW(h, WM_LBUTTONUP, 0, testing_support::Point(b->Left() + 4, b->Top() + 4));
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(DownOnes(), std::vector<int>{5});
}

TEST_F(RadioGroupTest, DisabledButtonGetsNoClicksAndLooksTheSame) {
  ::UpdateWindow(rates->Handle());
  auto before = testing_support::CaptureClient(rates->Handle());
  buttons[3]->SetEnabled(false);
  testing_support::PumpMessages();
  EXPECT_TRUE(SamePixels(*before, *testing_support::CaptureClient(rates->Handle())));
  ClickButton(buttons[3]);
  EXPECT_TRUE(clicks.empty());
  EXPECT_EQ(DownOnes(), std::vector<int>{5});
  buttons[3]->Click();  // code may still select it
  EXPECT_EQ(DownOnes(), std::vector<int>{3});
}

TEST_F(RadioGroupTest, PlainButtonOnlyRaisesOnClick) {
  int plain_clicks = 0;
  plain->OnClick = [&](fw::TObject*) { ++plain_clicks; };
  std::vector<std::string> mouse;
  plain->OnMouseDown = [&](fw::TObject* s, fw::TMouseButton, fw::TShiftState sh, int x, int y) {
    EXPECT_EQ(s, plain);
    EXPECT_TRUE(sh.Contains(fw::TShiftState::ssLeft));
    mouse.push_back("down " + std::to_string(x) + "," + std::to_string(y));
  };
  plain->OnMouseUp = [&](fw::TObject*, fw::TMouseButton, fw::TShiftState, int x, int y) {
    mouse.push_back("up " + std::to_string(x) + "," + std::to_string(y));
  };
  ClickButton(plain, 3, 7);
  EXPECT_EQ(plain_clicks, 1);
  EXPECT_TRUE(plain->Down());
  EXPECT_EQ(DownOnes(), std::vector<int>{5});
  EXPECT_EQ(mouse, (std::vector<std::string>{"down 3,7", "up 3,7"}));
}

TEST_F(RadioGroupTest, WritersRepaintAtOnceOnTheScreen) {
  HWND h = rates->Handle();
  ::UpdateWindow(h);
  TZupButt* b = buttons[5];
  auto count_in_button = [&](TColor c) {
    auto shot = testing_support::CaptureClient(h);
    int n = 0;
    for (int y = b->Top(); y < b->Top() + 17; ++y)
      for (int x = b->Left(); x < b->Left() + 135; ++x) n += shot->Pixel(x, y) == c;
    return n;
  };
  EXPECT_GT(count_in_button(fw::clYellow), 0);
  // Drawn over on the screen behind the framework's back, the key comes back when
  // Down is written, even with the value it has.
  {
    fw::WindowDC dc(h);
    RECT r{b->Left(), b->Top(), b->Left() + 135, b->Top() + 17};
    fw::ScopedBrush blue(::CreateSolidBrush(RGB(0, 0, 255)));
    ::FillRect(dc.get(), &r, blue.get());
  }
  ASSERT_GT(count_in_button(fw::clBlue), 0);
  b->SetDown(true);
  EXPECT_EQ(count_in_button(fw::clBlue), 0);
  EXPECT_GT(count_in_button(fw::clYellow), 0);
  b->SetDown(false);  // no messages pumped in between
  EXPECT_EQ(count_in_button(fw::clYellow), 0);
  EXPECT_GT(count_in_button(fw::clSilver), 0);
  b->SetFontColorOFF(RGBColor(0, 255, 0));
  EXPECT_GT(count_in_button(RGBColor(0, 255, 0)), 0);
}

// The keyboard's cue on a Grey key: hidden until the keyboard is used, then only on
// the key's picture, steady through repaints, and gone without a trace.
TEST_F(RadioGroupTest, TheKeyboardCueLiesOnTheKeyAndLeavesNothingBehind) {
  HWND h = rates->Handle();
  ::SetForegroundWindow(form->Handle());
  ClickButton(buttons[5]);  // puts the plain button up, as every click will
  testing_support::PumpMessages();
  auto never_focused = testing_support::CaptureClient(h);
  TZupButt* chosen = buttons[5];
  ASSERT_TRUE(chosen->TakeKeyboardFocus());
  testing_support::PumpMessages();
  EXPECT_TRUE(SamePixels(*testing_support::CaptureClient(h), *never_focused))
      << "no cue before the keyboard has been used";

  ::SendMessageW(h, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  testing_support::PumpMessages();
  auto cued = testing_support::CaptureClient(h);
  const fw::TRect picture = fw::Bounds(chosen->Left(), chosen->Top(), 135, 17);
  int on_picture = 0, elsewhere = 0;
  for (int y = 0; y < cued->Height(); ++y)
    for (int x = 0; x < cued->Width(); ++x)
      if (cued->Pixel(x, y) != never_focused->Pixel(x, y))
        ++(picture.Contains({x, y}) ? on_picture : elsewhere);
  EXPECT_GT(on_picture, 100);
  EXPECT_EQ(elsewhere, 0);

  // Space twice repaints the chosen key twice; the cue comes out the same.
  ::SendMessageW(h, WM_KEYDOWN, VK_SPACE, 0);
  ::SendMessageW(h, WM_KEYDOWN, VK_SPACE, 0);
  EXPECT_EQ(DownOnes(), std::vector<int>{5});
  EXPECT_TRUE(SamePixels(*testing_support::CaptureClient(h), *cued));

  // Another key clicked and this one again, then the focus elsewhere.
  ClickButton(buttons[2]);
  ClickButton(buttons[5]);
  form->SetFocus();
  testing_support::PumpMessages();
  EXPECT_TRUE(SamePixels(*testing_support::CaptureClient(h), *never_focused));
}

TEST(ZupButtClick, ButtonWithoutParentOnlySetsItselfDown) {
  TZupButt b(nullptr);
  b.SetRadio(true);
  b.SetDown(false);
  int clicks = 0;
  b.OnClick = [&](fw::TObject*) { ++clicks; };
  b.Click();
  EXPECT_TRUE(b.Down());
  EXPECT_EQ(clicks, 1);
}

}  // namespace

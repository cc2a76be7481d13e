// The slider's properties: what a new one holds, what its writers refuse, and how a
// stored layout goes through them.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/Exception.h"
#include "tests/slidebar/SliderHost.h"

using namespace slidebar_test;

TEST(SlideBarProperties, NewSlider) {
  TSlideBar s(nullptr);
  EXPECT_EQ((std::vector<int>{s.Width(), s.Height(), s.Min(), s.Max(), s.Position(), s.StepLine(),
                              s.StepPage(), s.Thickness(), s.Frequency()}),
            (std::vector<int>{15, 100, 0, 100, 1, 1, 10, 2, 2}));
  EXPECT_EQ(s.Orientation(), orVertical);
  EXPECT_EQ(s.Style(), bsLowered);
  EXPECT_EQ(s.ThumbStyle(), tsBar3);
  EXPECT_EQ(s.HalfThumbWidth(), 5);  // the 10 x 5 bar was loaded
  EXPECT_EQ(s.HalfThumbHeight(), 2);
  EXPECT_EQ(s.TicksColor(), fw::clGray);
  EXPECT_EQ(s.FocusColor(), fw::clSilver);
  EXPECT_TRUE(s.Ticks() && s.TabStop());
  EXPECT_FALSE(s.FlashColor() || s.HandCursor() || s.Dragging());
  EXPECT_NE(s.HandCursorHandle(), nullptr);
}

TEST(SlideBarProperties, WritersIgnoreValuesTheyCannotUse) {
  TSlideBar s(nullptr);
  s.SetThickness(13);
  s.SetThickness(0);
  EXPECT_EQ(s.Thickness(), 2);
  s.SetThickness(12);
  EXPECT_EQ(s.Thickness(), 12);
  s.SetPosition(101);
  s.SetPosition(-1);
  EXPECT_EQ(s.Position(), 1);
  s.SetPosition(100);

  // A range of 3 makes the page step 1; the same Min again changes nothing more, and
  // the position is never pulled into the new range.
  s.SetMax(3);
  s.SetStepPage(5);
  s.SetMin(0);
  EXPECT_EQ(s.StepPage(), 1);
  EXPECT_EQ(s.Position(), 100);

  s.SetMax(100);
  s.SetStepLine(20);  // lifts the page step with it
  EXPECT_EQ(s.StepPage(), 20);
  s.SetStepPage(5);  // pulls the line step down
  EXPECT_EQ(s.StepLine(), 5);
  s.SetStepLine(0);
  s.SetStepLine(101);
  EXPECT_EQ(s.StepLine(), 5);

  s.SetMin(10);  // inverted: no position is taken any more
  s.SetMax(5);
  s.SetPosition(7);
  EXPECT_EQ(s.Position(), 100);
}

TEST(SlideBarProperties, BadThumbStyleThrowsAndKeepsThePictures) {
  TSlideBar s(nullptr);
  try {
    s.SetThumbStyle(static_cast<TThumbStyle>(18));
    FAIL() << "no exception";
  } catch (const fw::Exception& e) {
    EXPECT_STREQ(e.what(), "TSlideBar.SetThumbStyle: Bad value");
  }
  EXPECT_EQ(s.ThumbStyle(), 18);  // stored before it was judged
  EXPECT_EQ(s.HalfThumbWidth(), 5);
  EXPECT_NO_THROW(s.SetOrientation(orHorizontal));  // nothing to swap it for
  s.SetThumbStyle(tsBar3);                          // the old style can be set again
  s.SetThumbStyle(tsDiamond2);
  EXPECT_EQ(s.HalfThumbWidth(), 6);
}

TEST(SlideBarProperties, TurningAndResizing) {
  TSlideBar s(nullptr);
  s.SetOrientation(orHorizontal);
  EXPECT_EQ((std::pair{s.Width(), s.Height()}), (std::pair{100, 15}));
  EXPECT_EQ(s.ThumbStyle(), tsBar1);
  s.SetOrientation(orVertical);
  EXPECT_EQ((std::pair{s.Width(), s.Height()}), (std::pair{15, 100}));
  EXPECT_EQ(s.ThumbStyle(), tsBar3);

  // A window that is resized only follows its shape: nothing swaps, the thumb stays.
  Host<> host;
  TSlideBar& w = *host.slider;
  w.SetBounds(20, 20, 120, 20);
  EXPECT_EQ(w.Orientation(), orHorizontal);
  EXPECT_EQ((std::pair{w.Width(), w.Height()}), (std::pair{120, 20}));
  EXPECT_EQ(w.ThumbStyle(), tsBar3);
  w.SetBounds(20, 20, 30, 30);  // square: horizontal
  EXPECT_EQ(w.Orientation(), orHorizontal);
  w.SetBounds(20, 20, 30, 31);
  EXPECT_EQ(w.Orientation(), orVertical);
  w.SetOrientation(orHorizontal);  // turning the window turns it on screen too
  RECT r{};
  ::GetClientRect(host.Window(), &r);
  EXPECT_EQ((std::pair{r.right, r.bottom}), (std::pair{31L, 30L}));
}

TEST(SlideBarProperties, OnChangeFollowsEveryRunTimeSetButNoneWhileDesigning) {
  TSlideBar s(nullptr);
  std::vector<int> seen;
  s.OnChange = [&](fw::TObject* sender) {
    EXPECT_EQ(sender, &s);
    seen.push_back(s.Position());
  };
  s.SetPosition(5);
  s.SetPosition(5);    // unchanged
  s.SetPosition(101);  // refused
  s.SetDesigning(true);
  s.SetPosition(7);
  EXPECT_EQ(s.Position(), 7);
  EXPECT_EQ(seen, (std::vector<int>{5, 5, 5}));
}

TEST(SlideBarProperties, FlashColorAndLabels) {
  TSlideBar s(nullptr);
  s.SetFlashColor(true);
  EXPECT_EQ(s.FocusColor(), fw::RGBColor(0, 255, 248));
  s.SetMax(2);
  s.SetPosition(0);
  // The trench shows the colour of the position held before each setting.
  const fw::TColor want[] = {fw::RGBColor(0, 255, 255), fw::RGBColor(0, 255, 0),
                             fw::RGBColor(255, 255, 0)};
  for (int from = 0; from <= 2; ++from) {
    s.SetPosition(from);
    s.SetPosition(from);
    EXPECT_EQ(s.FocusColor(), want[from]) << from;
  }
  s.SetFlashColor(false);
  EXPECT_EQ(s.FocusColor(), fw::clSilver);

  s.SetLabels({"low", "high"});
  EXPECT_EQ(s.CurrentLabel(), "<Un-Defined>");  // position 2 of two labels
  s.SetPosition(1);
  EXPECT_EQ(s.CurrentLabel(), "high");
}

namespace {

fw::StoredProperty Int(const char* name, int64_t v) {
  return {name, v};
}
fw::StoredProperty Id(const char* name, const char* ident) {
  return {name, fw::Ident{ident}};
}

}  // namespace

TEST(SlideBarLayout, DeclaredDefaultsDecideWhatIsStored) {
  TSlideBar s(nullptr);
  std::vector<std::string> own;
  for (const auto& p : fw::WriteProperties(s)) {
    if (TSlideBar::ClassProperties().Find(p.Name) !=
        fw::TCustomControl::ClassProperties().Find(p.Name))
      own.push_back(p.Name);
  }
  // These differ from their declared defaults (StepPage has none); Position 1, TabStop
  // True and the colours do not.
  EXPECT_EQ(own, (std::vector<std::string>{"Min", "Max", "Thickness", "Frequency", "StepPage",
                                           "HandCursor"}));

  // HandCursor True equals its declared default: not stored, so a slider read back keeps
  // the constructor's False, as layouts written so far expect.
  s.SetHandCursor(true);
  TSlideBar t(nullptr);
  fw::ApplyProperties(t, fw::WriteProperties(s));
  EXPECT_FALSE(t.HandCursor());
}

TEST(SlideBarLayout, SettingsWindowOrderSetsTheSliderWithoutCallingItsHandler) {
  TSlideBar s(nullptr);
  int calls = 0;
  const fw::HandlerResolver handlers = [&](const std::string& name) -> fw::TNotifyEvent {
    if (name != "SliderHFGainChange") return {};
    return [&](fw::TObject*) { ++calls; };
  };
  fw::ApplyProperties(s,
                      {Int("Left", 274),
                       Int("Top", 74),
                       Int("Width", 11),
                       Int("Height", 93),
                       Int("Cursor", fw::crHandPoint),
                       Id("TicksColor", "clMaroon"),
                       {"HandCursor", false},
                       Int("Max", 3),
                       Int("Min", 0),
                       Int("Position", 3),
                       Int("TabOrder", 2),
                       Int("Thickness", 4),
                       Id("ThumbStyle", "tsDiamond2"),
                       {"Ticks", false},
                       Int("Frequency", 2),
                       Int("StepPage", 1),
                       Id("OnChange", "SliderHFGainChange")},
                      handlers);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ((std::vector<int>{s.Position(), s.Max(), s.StepPage(), s.Thickness()}),
            (std::vector<int>{3, 3, 1, 4}));
  EXPECT_EQ(s.ThumbStyle(), tsDiamond2);
  EXPECT_EQ(s.TicksColor(), fw::clMaroon);
  s.SetPosition(2);
  EXPECT_EQ(calls, 1);
  EXPECT_THROW(fw::ApplyProperties(s, {Id("ThumbStyle", "tsOval")}), fw::Exception);
  EXPECT_EQ(s.ThumbStyle(), tsDiamond2);
}

TEST(SlideBarLayout, StoredValuesRebuildTheSameSlider) {
  TSlideBar a(nullptr);
  MakeGain(a, 4);
  a.SetStyle(bsRaised);
  a.SetFlashColor(true);
  a.SetLabels({"0 dB", "6 dB", "12 dB"});
  a.SetPosition(2);  // the trench now has a ramp colour

  TSlideBar b(nullptr);
  fw::ApplyProperties(b, fw::WriteProperties(a));
  EXPECT_EQ(fw::WriteProperties(b), fw::WriteProperties(a));
  EXPECT_EQ((std::vector<int>{b.Width(), b.Height(), b.Max(), b.Position()}),
            (std::vector<int>{11, 93, 4, 2}));
  EXPECT_EQ(b.FocusColor(), a.FocusColor());
  EXPECT_EQ(b.Labels(), a.Labels());
}

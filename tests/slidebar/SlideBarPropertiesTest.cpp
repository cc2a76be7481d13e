// The slider's properties: what a new one holds, what its writers refuse, and how a
// stored layout goes through them.
#include <gtest/gtest.h>

#include <algorithm>

#include "framework/Exception.h"
#include "tests/slidebar/SliderHost.h"

using namespace slidebar_test;

TEST(SlideBarProperties, NewSlider) {
  TSlideBar s(nullptr);
  EXPECT_EQ(s.Width(), 15);
  EXPECT_EQ(s.Height(), 100);
  EXPECT_EQ(s.Orientation(), orVertical);
  EXPECT_EQ(s.Min(), 0);
  EXPECT_EQ(s.Max(), 100);
  EXPECT_EQ(s.Position(), 1);
  EXPECT_EQ(s.StepLine(), 1);
  EXPECT_EQ(s.StepPage(), 10);
  EXPECT_EQ(s.Style(), bsLowered);
  EXPECT_EQ(s.Thickness(), 2);
  EXPECT_EQ(s.ThumbStyle(), tsBar3);
  EXPECT_EQ(s.HalfThumbWidth(), 5);  // the 10 x 5 bar was loaded
  EXPECT_EQ(s.HalfThumbHeight(), 2);
  EXPECT_TRUE(s.Ticks());
  EXPECT_EQ(s.Frequency(), 2);
  EXPECT_EQ(s.TicksColor(), fw::clGray);
  EXPECT_EQ(s.FocusColor(), fw::clSilver);
  EXPECT_FALSE(s.FlashColor());
  EXPECT_FALSE(s.HandCursor());
  EXPECT_TRUE(s.TabStop());
  EXPECT_FALSE(s.Dragging());
  EXPECT_NE(s.HandCursorHandle(), nullptr);
  EXPECT_EQ(s.CurrentLabel(), "<Un-Defined>");
}

TEST(SlideBarProperties, WritersIgnoreValuesTheyCannotUse) {
  TSlideBar s(nullptr);
  s.SetThickness(13);
  EXPECT_EQ(s.Thickness(), 2);
  s.SetThickness(0);
  EXPECT_EQ(s.Thickness(), 2);
  s.SetThickness(12);
  EXPECT_EQ(s.Thickness(), 12);

  s.SetPosition(101);
  EXPECT_EQ(s.Position(), 1);
  s.SetPosition(-1);
  EXPECT_EQ(s.Position(), 1);
  s.SetPosition(100);
  EXPECT_EQ(s.Position(), 100);

  // A range of 3 makes the page step 1; the same Min again changes nothing more.
  s.SetMax(3);
  EXPECT_EQ(s.StepPage(), 1);
  EXPECT_EQ(s.Position(), 100);  // never pulled into a new range
  s.SetStepPage(5);              // wider than the range
  EXPECT_EQ(s.StepPage(), 1);
  s.SetMin(0);
  EXPECT_EQ(s.StepPage(), 1);

  s.SetMax(100);
  EXPECT_EQ(s.StepPage(), 10);
  s.SetStepLine(20);  // lifts the page step with it
  EXPECT_EQ(s.StepLine(), 20);
  EXPECT_EQ(s.StepPage(), 20);
  s.SetStepPage(5);  // pulls the line step down
  EXPECT_EQ(s.StepPage(), 5);
  EXPECT_EQ(s.StepLine(), 5);
  s.SetStepLine(0);
  s.SetStepLine(101);
  EXPECT_EQ(s.StepLine(), 5);

  // An inverted range takes no position at all.
  s.SetMin(10);
  s.SetMax(5);
  s.SetPosition(7);
  EXPECT_EQ(s.Position(), 100);
  EXPECT_EQ(s.NewPosition(5, 50), 5);
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
  EXPECT_EQ(s.HalfThumbHeight(), 2);
  // A new slider can still be set to the style it started from...
  s.SetThumbStyle(tsBar3);
  EXPECT_EQ(s.ThumbStyle(), tsBar3);
  s.SetThumbStyle(tsDiamond2);
  EXPECT_EQ(s.HalfThumbWidth(), 6);
  EXPECT_EQ(s.HalfThumbHeight(), 6);
  // ...and a slider with a bad style turns without throwing.
  EXPECT_THROW(s.SetThumbStyle(static_cast<TThumbStyle>(200)), fw::Exception);
  EXPECT_NO_THROW(s.SetOrientation(orHorizontal));
}

TEST(SlideBarProperties, TurningSwapsTheSizeAndTheCrossBarThumb) {
  TSlideBar s(nullptr);
  s.SetOrientation(orHorizontal);
  EXPECT_EQ(s.Width(), 100);
  EXPECT_EQ(s.Height(), 15);
  EXPECT_EQ(s.ThumbStyle(), tsBar1);
  EXPECT_EQ(s.Orientation(), orHorizontal);
  s.SetOrientation(orHorizontal);  // already so: nothing swaps
  EXPECT_EQ(s.Width(), 100);
  s.SetOrientation(orVertical);
  EXPECT_EQ(s.Width(), 15);
  EXPECT_EQ(s.Height(), 100);
  EXPECT_EQ(s.ThumbStyle(), tsBar3);

  s.SetThumbStyle(tsDiamond2);  // no pair: kept
  s.SetOrientation(orHorizontal);
  EXPECT_EQ(s.ThumbStyle(), tsDiamond2);
}

TEST(SlideBarProperties, ResizingTheWindowOnlyFollowsItsShape) {
  Host<> host;
  TSlideBar& s = *host.slider;
  s.SetBounds(20, 20, 120, 20);  // wider than high
  EXPECT_EQ(s.Orientation(), orHorizontal);
  EXPECT_EQ(s.Width(), 120);
  EXPECT_EQ(s.Height(), 20);
  EXPECT_EQ(s.ThumbStyle(), tsBar3);
  s.SetBounds(20, 20, 30, 30);  // square: horizontal
  EXPECT_EQ(s.Orientation(), orHorizontal);
  s.SetBounds(20, 20, 30, 31);
  EXPECT_EQ(s.Orientation(), orVertical);
  // Turning a windowed slider leaves the window the new shape.
  s.SetBounds(20, 20, 15, 100);
  s.SetOrientation(orHorizontal);
  RECT r{};
  ::GetClientRect(host.Window(), &r);
  EXPECT_EQ(r.right, 100);
  EXPECT_EQ(r.bottom, 15);
  EXPECT_EQ(s.Orientation(), orHorizontal);
  EXPECT_EQ(s.ThumbStyle(), tsBar1);
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
  EXPECT_EQ(seen, (std::vector<int>{5, 5, 5}));

  s.SetDesigning(true);
  s.SetPosition(7);
  s.SetPosition(500);
  EXPECT_EQ(s.Position(), 7);
  EXPECT_EQ(seen.size(), 3u);
}

TEST(SlideBarProperties, FlashColorShowsTheRampOfThePreviousPosition) {
  TSlideBar s(nullptr);
  s.SetFlashColor(true);
  EXPECT_EQ(s.FocusColor(), fw::RGBColor(0, 255, 248));
  s.SetMax(2);
  s.SetPosition(0);
  s.SetPosition(1);  // from 0
  EXPECT_EQ(s.FocusColor(), fw::RGBColor(0, 255, 255));
  s.SetPosition(2);  // from 1
  EXPECT_EQ(s.FocusColor(), fw::RGBColor(0, 255, 0));
  s.SetPosition(2);  // from 2
  EXPECT_EQ(s.FocusColor(), fw::RGBColor(255, 255, 0));
  s.SetFlashColor(false);
  EXPECT_EQ(s.FocusColor(), fw::clSilver);
  // A range whose colour index would divide by zero still gives a colour.
  s.SetFlashColor(true);
  s.SetMin(0);
  s.SetMax(-1);
  EXPECT_NO_THROW(s.SetPosition(0));
}

TEST(SlideBarProperties, CurrentLabelNamesThePosition) {
  TSlideBar s(nullptr);
  s.SetLabels({"low", "high"});
  s.SetPosition(2);
  EXPECT_EQ(s.CurrentLabel(), "<Un-Defined>");
  s.SetPosition(1);
  EXPECT_EQ(s.CurrentLabel(), "high");
  s.SetPosition(0);
  EXPECT_EQ(s.CurrentLabel(), "low");
  s.SetMin(1);  // the position now lies below Min
  EXPECT_EQ(s.CurrentLabel(), "<Un-Defined>");
}

namespace {

std::vector<std::string> Names(const std::vector<fw::StoredProperty>& stored) {
  std::vector<std::string> names;
  for (const auto& p : stored) names.push_back(p.Name);
  return names;
}

fw::StoredProperty Int(const char* name, int64_t v) {
  return {name, v};
}
fw::StoredProperty Id(const char* name, const char* ident) {
  return {name, fw::Ident{ident}};
}

}  // namespace

TEST(SlideBarLayout, OnlyValuesOffTheirDeclaredDefaultsAreStored) {
  TSlideBar s(nullptr);
  const auto stored = fw::WriteProperties(s);
  std::vector<std::string> own;
  for (const std::string& n : Names(stored)) {
    if (TSlideBar::ClassProperties().Find(n) != fw::TCustomControl::ClassProperties().Find(n))
      own.push_back(n);
  }
  // Min 0, Max 100, Thickness 2 and Frequency 2 differ from their defaults, StepPage has
  // none, and HandCursor False differs from True; Position 1 and the rest do not.
  EXPECT_EQ(own, (std::vector<std::string>{"Min", "Max", "Thickness", "Frequency", "StepPage",
                                           "HandCursor"}));
  const auto names = Names(stored);
  EXPECT_EQ(std::count(names.begin(), names.end(), "TabStop"), 0);
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
  EXPECT_EQ(s.Position(), 3);
  EXPECT_EQ(s.Max(), 3);
  EXPECT_EQ(s.StepPage(), 1);
  EXPECT_EQ(s.Thickness(), 4);
  EXPECT_EQ(s.ThumbStyle(), tsDiamond2);
  EXPECT_EQ(s.TicksColor(), fw::clMaroon);
  EXPECT_FALSE(s.Ticks());
  EXPECT_EQ(s.Cursor(), fw::crHandPoint);
  s.SetPosition(2);
  EXPECT_EQ(calls, 1);

  // An unknown style name is refused as a layout error, not as a thumb change.
  EXPECT_THROW(fw::ApplyProperties(s, {Id("ThumbStyle", "tsOval")}), fw::Exception);
  EXPECT_EQ(s.ThumbStyle(), tsDiamond2);
}

TEST(SlideBarLayout, StoredValuesRebuildTheSameSlider) {
  TSlideBar a(nullptr);
  MakeGain(a, 4);
  a.SetStyle(bsRaised);
  a.SetFlashColor(true);
  a.SetStepLine(1);
  a.SetLabels({"0 dB", "6 dB", "12 dB"});
  a.SetPosition(2);

  TSlideBar b(nullptr);
  fw::ApplyProperties(b, fw::WriteProperties(a));
  EXPECT_EQ(fw::WriteProperties(b), fw::WriteProperties(a));
  EXPECT_EQ(b.Width(), 11);
  EXPECT_EQ(b.Height(), 93);
  EXPECT_EQ(b.Max(), 4);
  EXPECT_EQ(b.Position(), 2);
  EXPECT_EQ(b.Style(), bsRaised);
  EXPECT_EQ(b.ThumbStyle(), tsDiamond2);
  EXPECT_TRUE(b.FlashColor());
  EXPECT_EQ(b.FocusColor(), a.FocusColor());  // the ramp colour, not FlashColor's own
  EXPECT_EQ(b.Labels(), a.Labels());

  // HandCursor True equals its declared default, so it is not stored, and a slider read
  // back keeps the constructor's False: layouts written so far rely on that.
  a.SetHandCursor(true);
  const auto stored = fw::WriteProperties(a);
  EXPECT_TRUE(std::none_of(stored.begin(), stored.end(),
                           [](const fw::StoredProperty& p) { return p.Name == "HandCursor"; }));
  TSlideBar c(nullptr);
  fw::ApplyProperties(c, stored);
  EXPECT_FALSE(c.HandCursor());
}

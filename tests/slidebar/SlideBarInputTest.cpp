// The slider in a real window, driven by real keyboard and mouse messages.
#include <gtest/gtest.h>

#include <set>

#include "framework/Exception.h"
#include "tests/slidebar/SliderHost.h"

using namespace slidebar_test;

namespace {

// A slider that counts its full repaints.
class CountingSlider : public TSlideBar {
 public:
  using TSlideBar::TSlideBar;
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    TSlideBar::Paint();
  }
};

struct GainHost : Host<CountingSlider> {
  explicit GainHost(int max, int position) : Host<CountingSlider>(max) {
    slider->SetPosition(position);
    slider->OnChange = [this](fw::TObject*) { changes.push_back(slider->Position()); };
    Pump();
  }
  void Key(WPARAM vk) { ::SendMessageW(Window(), WM_KEYDOWN, vk, 1); }
  void Mouse(UINT msg, WPARAM keys, int x, int y) {
    ::SendMessageW(Window(), msg, keys, MAKELPARAM(x, y));
  }
  std::vector<int> changes;
};

}  // namespace

TEST(SlideBarInput, KeysMoveByTheirStepsAndStopAtTheEnds) {
  GainHost h(4, 2);
  h.slider->SetStepPage(2);
  bool key_down_event = false;
  h.slider->OnKeyDown = [&](fw::TObject*, uint16_t&, fw::TShiftState) { key_down_event = true; };

  h.Key(VK_UP);
  h.Key(VK_PRIOR);  // 3 + 2 would pass Max: stops at 4
  h.Key(VK_PRIOR);  // at Max: stays, still reports
  h.Key(VK_DOWN);
  h.Key(VK_LEFT);
  h.Key(VK_RIGHT);
  h.Key(VK_NEXT);
  h.Key(VK_NEXT);
  h.Key(VK_END);
  h.Key(VK_HOME);
  h.Key(VK_SPACE);  // not a slider key
  EXPECT_EQ(h.changes, (std::vector<int>{3, 4, 4, 3, 2, 3, 1, 0, 4, 0}));
  EXPECT_FALSE(key_down_event);
  EXPECT_EQ(::SendMessageW(h.Window(), WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
}

TEST(SlideBarInput, ClickBesideTheThumbStepsOneUnitOnRelease) {
  GainHost h(3, 2);  // thumb rows 27 to 38, centre row 33
  ::SetFocus(nullptr);
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 70);
  EXPECT_EQ(::GetFocus(), h.Window());  // the press takes the focus...
  EXPECT_EQ(h.slider->Position(), 2);   // ...and nothing else
  EXPECT_TRUE(h.changes.empty());
  EXPECT_FALSE(h.slider->Dragging());
  h.Mouse(WM_LBUTTONUP, 0, 5, 70);
  EXPECT_EQ(h.slider->Position(), 1);
  EXPECT_EQ(h.changes, (std::vector<int>{1}));

  // Above the centre of the thumb, now at rows 54 to 65: up by one, not by StepLine.
  h.slider->SetStepLine(2);
  h.changes.clear();
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 10);
  h.Mouse(WM_LBUTTONUP, 0, 5, 10);
  EXPECT_EQ(h.slider->Position(), 2);
  // A right click does nothing on release.
  h.Mouse(WM_RBUTTONDOWN, MK_RBUTTON, 5, 90);
  h.Mouse(WM_RBUTTONUP, 0, 5, 90);
  EXPECT_EQ(h.slider->Position(), 2);
  EXPECT_EQ(h.changes, (std::vector<int>{2}));
}

TEST(SlideBarInput, DraggingFollowsThePointerAndSnapsOnRelease) {
  GainHost h(3, 0);  // thumb rows 81 to 92
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 85);
  EXPECT_TRUE(h.slider->Dragging());
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 5, 40);
  // Centred on the pointer, not on the position's place.
  EXPECT_EQ(h.slider->ThumbRect(), (fw::TRect{0, 34, 12, 46}));
  EXPECT_EQ(h.slider->Position(), 2);        // (87 - 40) / 87 x 3 = 1.6
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 5, 40);  // the same place: no new setting
  EXPECT_EQ(h.changes.size(), 1u);
  h.Mouse(WM_MOUSEMOVE, 0, 5, 60);  // button not held: ignored
  EXPECT_EQ(h.changes.size(), 1u);
  h.Mouse(WM_LBUTTONUP, 0, 5, 6);  // (87 - 6) / 87 x 3 = 2.79
  EXPECT_FALSE(h.slider->Dragging());
  EXPECT_EQ(h.slider->Position(), 3);
  EXPECT_EQ(h.slider->ThumbRect(), (fw::TRect{0, 0, 12, 12}));

  for (int release_y : {87, 150}) {
    h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 3);
    ASSERT_TRUE(h.slider->Dragging());
    h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 5, release_y);
    h.Mouse(WM_LBUTTONUP, 0, 5, release_y);
    EXPECT_EQ(h.slider->Position(), 0) << release_y;
    h.slider->SetPosition(3);
  }
}

TEST(SlideBarInput, MovingTheThumbRedrawsOnlyTheThumb) {
  GainHost h(4, 4);
  ::SetFocus(h.Window());  // a change of focus repaints; have it done first
  // So does the focus cue that the first arrow key shows.
  ::SendMessageW(h.Window(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
  Pump();
  const int paints = h.slider->paints;
  ASSERT_GT(paints, 0);
  for (int step = 0; step < 4; ++step) h.Key(VK_DOWN);
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 85);
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 5, 50);
  h.Mouse(WM_LBUTTONUP, 0, 5, 50);
  Pump();
  EXPECT_EQ(h.slider->paints, paints);
  EXPECT_EQ(h.slider->Position(), 2);

  // What the screen shows equals a full paint of the same state: no trace is left
  // of the places the thumb has been.
  auto shown = h.Screen();
  auto painted = fw::RenderControl(*h.slider, kParentColor);
  EXPECT_TRUE(SamePixels(*shown, *painted));

  // With FlashColor every change repaints, to show the trench in its new colour.
  h.slider->SetFlashColor(true);
  const int before = h.slider->paints;
  h.Key(VK_UP);
  EXPECT_GT(h.slider->paints, before);
  // From position 2 of 0..4: index 256 + Trunc(2 x 153.6) = 563, between green and yellow.
  EXPECT_EQ(h.Screen()->Pixel(4, 60), fw::RGBColor(51, 255, 0));
}

// The colours of the gain slider's trench fill on screen, outside the thumb's rectangle.
std::set<uint32_t> TrenchFill(GainHost& h) {
  auto shot = h.Screen();
  const fw::TRect thumb = h.slider->ThumbRect();
  std::set<uint32_t> colours;
  for (int y = 7; y < 87; ++y) {
    for (int x = 3; x < 7; ++x) {
      if (!thumb.Contains({x, y})) colours.insert(shot->Pixel(x, y).Value());
    }
  }
  return colours;
}

TEST(SlideBarInput, FocusColorShowsWholeAtTheNextFullPaintNeverInPatches) {
  GainHost h(4, 2);
  h.slider->SetFocusColor(fw::clRed);
  h.Key(VK_UP);  // the thumb leaves its place and is drawn at the next
  Pump();
  EXPECT_EQ(TrenchFill(h), (std::set<uint32_t>{fw::clSilver.Value()}));
  h.slider->Invalidate();
  h.slider->Update();
  EXPECT_EQ(TrenchFill(h), (std::set<uint32_t>{fw::clRed.Value()}));

  // A paint of part of the control shows the new colour on the whole trench.
  h.slider->SetFocusColor(fw::clBlue);
  RECT top{0, 0, 11, 10};
  ::InvalidateRect(h.Window(), &top, FALSE);
  ::UpdateWindow(h.Window());
  Pump();
  h.Key(VK_DOWN);
  EXPECT_EQ(TrenchFill(h), (std::set<uint32_t>{fw::clBlue.Value()}));
  auto painted = fw::RenderControl(*h.slider, kParentColor);
  EXPECT_TRUE(SamePixels(*h.Screen(), *painted));
}

TEST(SlideBarInput, RefusedWritesRepaintNothingAndKeepTheThumbShown) {
  GainHost h(4, 2);
  ::SetFocus(h.Window());
  Pump();
  const int paints = h.slider->paints;
  h.slider->SetPosition(5);  // past Max: stays, is drawn again in place, and is reported
  EXPECT_EQ(h.slider->Position(), 2);
  EXPECT_EQ(h.changes, (std::vector<int>{2}));
  EXPECT_THROW(h.slider->SetThumbStyle(static_cast<TThumbStyle>(18)), fw::Exception);
  Pump();
  EXPECT_EQ(h.slider->paints, paints);
  auto shown = h.Screen();
  auto painted = fw::RenderControl(*h.slider, kParentColor);  // still the diamond at 2
  EXPECT_TRUE(SamePixels(*shown, *painted));
}

TEST(SlideBarInput, HandCursorOnlyWhenAskedAndNotWhileDesigning) {
  GainHost h(3, 0);
  auto set_cursor = [&] {
    ::SetCursor(nullptr);
    ::SendMessageW(h.Window(), WM_SETCURSOR, reinterpret_cast<WPARAM>(h.Window()),
                   MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    return ::GetCursor();
  };
  h.slider->SetHandCursor(true);
  EXPECT_EQ(set_cursor(), h.slider->HandCursorHandle());
  h.slider->SetDesigning(true);
  EXPECT_NE(set_cursor(), h.slider->HandCursorHandle());
  h.slider->SetDesigning(false);
  // The settings window's way: the Cursor property names the system's hand.
  h.slider->SetHandCursor(false);
  h.slider->SetCursor(fw::crHandPoint);
  EXPECT_EQ(set_cursor(), fw::LoadCursorFor(fw::crHandPoint));
}

// Only a left press drags: after a press of another button on the thumb, keys move
// the thumb to the position's place. A press also finds a thumb no paint has drawn.
TEST(SlideBarInput, OnlyALeftPressDragsAndTheHitTestNeedsNoPaint) {
  GainHost h(3, 0);  // thumb rows 81 to 92
  struct Press {
    UINT down, up;
    WPARAM keys;
    int top_after_key;  // one up from the position before
  };
  for (const Press& p : {Press{WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON, 54},
                         Press{WM_MBUTTONDOWN, WM_MBUTTONUP, MK_MBUTTON, 27}}) {
    const int thumb_row = h.slider->ThumbRect().Top + 4;
    h.Mouse(p.down, p.keys, 5, thumb_row);
    EXPECT_FALSE(h.slider->Dragging());
    h.Mouse(p.up, 0, 5, thumb_row);
    h.Key(VK_UP);
    EXPECT_EQ(h.slider->ThumbRect(), (fw::TRect{0, p.top_after_key, 12, p.top_after_key + 12}));
    auto shown = h.Screen();
    auto painted = fw::RenderControl(*h.slider, kParentColor);
    EXPECT_TRUE(SamePixels(*shown, *painted)) << p.down;
  }

  // Hidden, the slider takes a range that moves the thumb to rows 41 to 52 unpainted.
  h.slider->SetPosition(3);
  h.slider->Hide();
  h.slider->SetMax(6);
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 45);
  EXPECT_TRUE(h.slider->Dragging());
  h.Mouse(WM_LBUTTONUP, 0, 5, 45);
  EXPECT_FALSE(h.slider->Dragging());
}

TEST(SlideBarInput, LosingTheMouseWithoutAReleaseEndsTheDragWhereItWas) {
  GainHost h(3, 0);
  GainHost at_two(3, 2);  // where the thumb of a slider at 2 sits
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 85);
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 5, 40);
  ASSERT_TRUE(h.slider->Dragging());
  ASSERT_EQ(::GetCapture(), h.Window());
  // Another window takes the mouse, as a menu or a dialog would.
  HWND other = ::CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(other, nullptr);
  ::SetCapture(other);
  EXPECT_FALSE(h.slider->Dragging());
  EXPECT_EQ(h.slider->Position(), 2);
  EXPECT_EQ(h.slider->ThumbRect(), at_two.slider->ThumbRect());
  ::ReleaseCapture();
  ::DestroyWindow(other);
  // A move with the left button held that began elsewhere drags nothing.
  h.Mouse(WM_MOUSEMOVE, MK_LBUTTON, 5, 80);
  EXPECT_EQ(h.slider->Position(), 2);
  EXPECT_EQ(h.changes, (std::vector<int>{2}));
}

// The slider's keyboard cue: none while the mouse alone has been used, a frame on its
// edge once a key has moved it, and nothing left of it when the focus goes.
TEST(SlideBarInput, TheFocusCueShowsAfterKeyboardUseAndGoesCompletely) {
  GainHost h(3, 2);
  ::SendMessageW(h.Window(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
  ::SetFocus(SharedForm().Handle());
  Pump();
  auto unfocused = h.Screen();
  h.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, 5, 30);  // on the thumb: takes the focus
  h.Mouse(WM_LBUTTONUP, 0, 5, 30);
  Pump();
  ASSERT_EQ(::GetFocus(), h.Window());
  EXPECT_EQ(h.slider->Position(), 2);
  EXPECT_TRUE(SamePixels(*h.Screen(), *unfocused)) << "the mouse shows no cue";

  h.Key(VK_UP);
  h.Key(VK_DOWN);
  Pump();
  auto cued = h.Screen();
  const int w = h.slider->Width(), hh = h.slider->Height();
  int on_edge = 0, inside = 0;
  for (int y = 0; y < hh; ++y)
    for (int x = 0; x < w; ++x)
      if (cued->Pixel(x, y) != unfocused->Pixel(x, y))
        ++((x == 0 || y == 0 || x == w - 1 || y == hh - 1) ? on_edge : inside);
  EXPECT_GT(on_edge, 50);
  EXPECT_EQ(inside, 0);
  // A full paint shows the same as the thumb's moves left on the screen.
  EXPECT_TRUE(SamePixels(*cued, *fw::RenderControl(*h.slider, kParentColor)));

  ::SetFocus(SharedForm().Handle());
  Pump();
  EXPECT_TRUE(SamePixels(*h.Screen(), *unfocused));
}

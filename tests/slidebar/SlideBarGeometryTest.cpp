// The slider's arithmetic, checked directly against worked examples.
#include "widgets/SlideBarGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <tuple>

using namespace widgets;
using namespace widgets::slidebar;

namespace {

// The settings window's gain slider: 11 x 93 with the 12 x 12 diamond.
Layout Gain(int max, int position, int min = 0) {
  return {orVertical, 11, 93, 12, 12, min, max, position};
}
// A new slider turned on its side: 100 x 15 with the 5 x 10 bar.
Layout Horizontal(int position) {
  return {orHorizontal, 100, 15, 5, 10, 0, 100, position};
}

}  // namespace

TEST(SlideBarGeometry, ThumbPlacement) {
  struct Row {
    Layout l;
    bool dragging;
    int last_mouse;
    Rect want;
  };
  const Row rows[] = {
      {Layout{}, false, 0, {2, 94, 12, 99}},  // a new slider at 1 of 100
      {Gain(3, 0), false, 0, {0, 81, 12, 93}},
      {Gain(3, 1), false, 0, {0, 54, 12, 66}},
      {Gain(3, 2), false, 0, {0, 27, 12, 39}},
      {Gain(3, 3), false, 0, {0, 0, 12, 12}},
      {Gain(4, 2), false, 0, {0, 41, 12, 53}},  // 81 / 4 x 2 = 40.5 rounds to even 40
      {Gain(4, 3), false, 0, {0, 20, 12, 32}},  // 60.75 rounds to 61
      {Horizontal(0), false, 0, {0, 2, 5, 12}},
      {Horizontal(50), false, 0, {47, 2, 52, 12}},  // 0.95 as a float is below 0.95
      {Horizontal(100), false, 0, {95, 2, 100, 12}},
      // Outside the range, dragged past either end, an empty range: inside the control.
      {Gain(3, 7), false, 0, {0, 0, 12, 12}},
      {Gain(3, INT_MIN), false, 0, {0, 81, 12, 93}},
      {Gain(3, 0), true, 40, {0, 34, 12, 46}},  // centred on the pointer
      {Gain(3, 0), true, -50, {0, 0, 12, 12}},
      {Gain(3, 0), true, 500, {0, 81, 12, 93}},
      {Horizontal(0), true, 99, {95, 2, 100, 12}},
      {Gain(0, 0), false, 0, {0, 81, 12, 93}},
      {{orVertical, 11, 5, 12, 12, 0, 3, 3}, false, 0, {0, 0, 12, 12}},  // shorter than it
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ThumbRect(r.l, r.dragging, r.last_mouse), r.want)
        << r.l.max << "/" << r.l.position << " drag " << r.dragging << " at " << r.last_mouse;
  }
}

TEST(SlideBarGeometry, PointerMapsOntoTheRangeWithHalfAThumbOfTravel) {
  // Vertical: (87 - y) / 87 x 3, rounded; 2.79 at y 6 is 3.
  const std::pair<int, int> vertical[] = {{6, 3},  {-40, 3}, {14, 3}, {15, 2}, {43, 2},
                                          {44, 1}, {72, 1},  {73, 0}, {87, 0}, {400, 0}};
  for (auto [y, want] : vertical) EXPECT_EQ(NewPosition(Gain(3, 0), 5, y), want) << y;
  // Horizontal: x / (100 - 2) x 100.
  for (auto [x, want] : {std::pair{0, 0}, {49, 50}, {97, 99}, {98, 100}, {-10, 0}}) {
    EXPECT_EQ(NewPosition(Horizontal(0), x, 7), want) << x;
  }
  EXPECT_EQ(NewPosition(Gain(-3, 0), 5, 40), -3);  // inverted range: always Max
  EXPECT_EQ(NewPosition({orVertical, 11, 6, 12, 12, 0, 3, 0}, 5, 3), 0);  // no travel
  EXPECT_EQ(NewPosition(Gain(INT_MAX, 0, INT_MIN), 5, 87), INT_MIN);
  EXPECT_EQ(NewPosition(Gain(INT_MAX, 0, INT_MIN), 5, 0), INT_MAX);
}

TEST(SlideBarGeometry, TrenchAndTicks) {
  const Layout fresh;
  const Trench tr = TrenchFor(fresh, 2);
  EXPECT_EQ(tr, (Trench{5, 8, 2, 97}));
  EXPECT_EQ(TrenchFor(Gain(3, 0), 4), (Trench{2, 7, 6, 87}));
  EXPECT_EQ(TrenchFor(Horizontal(0), 2), (Trench{2, 97, 5, 8}));

  const Ticks t = TicksFor(fresh, tr, 2);
  ASSERT_EQ(t.at.size(), 51u);  // 0, 2, ..., 100, each on its own row
  EXPECT_EQ(t.at.front(), 2);   // 100 on the trench's top edge
  EXPECT_EQ(t.at.back(), 96);   // 0 one row above the bottom edge
  EXPECT_EQ((std::vector<int>{t.first_from, t.first_to, t.second_from, t.second_to}),
            (std::vector<int>{-1, 2, 10, 13}));

  const Layout gain = Gain(3, 0);
  const Trench gt = TrenchFor(gain, 4);
  EXPECT_EQ(TicksFor(gain, gt, 2).at, (std::vector<int>{32, 86}));  // 3 is odd
  EXPECT_EQ(TicksFor(gain, gt, -2).at, (std::vector<int>{32, 86}));
  EXPECT_EQ(TicksFor(gain, gt, 3).at, (std::vector<int>{6, 86}));
  EXPECT_TRUE(TicksFor(gain, gt, 0).at.empty());
  EXPECT_TRUE(TicksFor(Gain(-3, 0), gt, 1).at.empty());
  EXPECT_EQ(TicksFor(Horizontal(0), TrenchFor(Horizontal(0), 2), 50).at,
            (std::vector<int>{2, 49, 96}));  // 100 on column xR - 1
}

TEST(SlideBarGeometry, TrenchTicksThumbAndPointerFollowTheDisplayScale) {
  struct Row {
    int dpi;
    int trench_inside;  // pixels between the trench's edges
    int far, near, after_near, after_far;
  };
  const Row rows[] = {
      {96, 2, 6, 3, 2, 5},
      {120, 3, 8, 4, 3, 6},  // 2.5, 7.5, 3.75, 2.5, 6.25 rounded
      {144, 3, 9, 5, 3, 8},
      {192, 4, 12, 6, 4, 10},
  };
  for (const Row& r : rows) {
    const fw::DpiScale s(r.dpi);
    // The window's gain slider and its diamond at the scale, as the widget gives them.
    Layout l{orVertical, s.Apply(11), s.Apply(93), s.Apply(12), s.Apply(12), 0, 24, 10};
    const Trench t = TrenchFor(l, 2, s);
    EXPECT_EQ(t.xr - t.xl - 1, r.trench_inside) << r.dpi;
    const Ticks ticks = TicksFor(l, t, 2, s);
    EXPECT_EQ((std::vector<int>{t.xl - ticks.first_from, t.xl - ticks.first_to,
                                ticks.second_from - t.xr, ticks.second_to - t.xr}),
              (std::vector<int>{r.far, r.near, r.after_near, r.after_far}))
        << r.dpi;
    // The thumb lies where the 96-DPI thumb lies, scaled (one pixel per 96 DPI of
    // rounding), and a pointer names the value it names at 96 DPI (give or take the
    // rounding of one step).
    const Layout base = Gain(24, 0);
    for (int p = 0; p <= 24; ++p) {
      l.position = p;
      Layout b = base;
      b.position = p;
      const Rect at = ThumbRect(l);
      const Rect at96 = ThumbRect(b);
      EXPECT_NEAR(at.top, s.Apply(at96.top), (r.dpi + 95) / 96) << r.dpi << " dpi, position " << p;
      EXPECT_EQ(at.bottom - at.top, s.Apply(12)) << r.dpi;
    }
    for (int y = -5; y <= 98; ++y) {
      EXPECT_NEAR(NewPosition(l, s.Apply(5), s.Apply(y)), NewPosition(base, 5, y), 1)
          << r.dpi << " dpi, pointer at " << y;
    }
  }
}

TEST(SlideBarGeometry, TicksOfAWideRangeMatchEveryValueAndStayFew) {
  // A new slider, and one shorter than its thumb, whose offsets run the other way.
  Layout tall, short_one{orVertical, 11, 10, 12, 12};
  for (Layout l : {tall, short_one}) {
    l.min = -12345, l.max = 2'000'000;
    const Trench tr = TrenchFor(l, 2);
    const float scale = float(l.height - l.thumb_height) / float(l.max - l.min);
    for (int frequency : {1, 3, 7, 1000}) {
      std::vector<int> want;
      for (long long i = l.min; i <= l.max; ++i) {
        if (i % frequency != 0) continue;
        const int t = static_cast<int>(std::trunc((long double)(i - l.min) * scale));
        want.push_back(i == l.max ? tr.yt : tr.yb - t - 1);
      }
      std::sort(want.begin(), want.end());
      want.erase(std::unique(want.begin(), want.end()), want.end());
      EXPECT_EQ(TicksFor(l, tr, frequency).at, want) << l.height << " high, every " << frequency;
    }
  }
  Layout widest;
  widest.min = INT_MIN, widest.max = INT_MAX;
  EXPECT_LE(TicksFor(widest, TrenchFor(widest, 2), 1).at.size(), 96u);
}

TEST(SlideBarGeometry, TurningSwapsOnlyCrossBarsTowardsTheNewOrientation) {
  const std::tuple<TThumbStyle, TOrientation, TThumbStyle> rows[] = {
      {tsBar3, orHorizontal, tsBar1},
      {tsBar4, orHorizontal, tsBar2},
      {tsStdHBar, orHorizontal, tsStdVBar},
      {tsStdRight, orHorizontal, tsStdDown},
      {tsBar1, orVertical, tsBar3},
      {tsBar2, orVertical, tsBar4},
      {tsStdVBar, orVertical, tsStdHBar},
      {tsStdDown, orVertical, tsStdRight},
      {tsBar1, orHorizontal, tsBar1},
      {tsStdRight, orVertical, tsStdRight},
      {tsDiamond2, orHorizontal, tsDiamond2},
      {static_cast<TThumbStyle>(40), orVertical, static_cast<TThumbStyle>(40)}};
  for (auto [from, to, want] : rows) EXPECT_EQ(ThumbForOrientation(from, to), want) << int(from);
}

TEST(SlideBarColours, RampBandsAndEnds) {
  const std::pair<int, Rgb> rows[] = {
      {0, MakeRgb(0, 0, 255)},      {256, MakeRgb(0, 255, 255)}, {300, MakeRgb(0, 255, 211)},
      {512, MakeRgb(0, 255, 0)},    {767, MakeRgb(255, 255, 0)}, {768, MakeRgb(255, 255, 0)},
      {1023, MakeRgb(255, 1, 0)},   {1024, MakeRgb(255, 0, 0)},  {1279, MakeRgb(255, 0, 255)},
      {1281, MakeRgb(255, 0, 255)}, {1536, MakeRgb(0, 0, 255)},  {-7, MakeRgb(0, 0, 255)},
      {5000, MakeRgb(0, 0, 255)}};
  for (auto [index, want] : rows) EXPECT_EQ(RampColour(index), want) << index;
  EXPECT_EQ(ColourIndex(0, 100, 1), 263);                // 768 / 101: truncated
  EXPECT_EQ(ColourIndex(5, 4, 3), 256);                  // no span to divide by: the start colour
  EXPECT_EQ(ColourIndex(0, 0, INT_MAX), 1'000'000'256);  // far out, but defined
}

TEST(SlideBarSteps, LimitsHoldAtTheEdgesOfTheIntRange) {
  EXPECT_TRUE(AcceptsStep(100, 10, 0, 100));
  EXPECT_FALSE(AcceptsStep(101, 10, 0, 100));
  EXPECT_FALSE(AcceptsStep(1, 10, 5, 4));
  EXPECT_TRUE(AcceptsStep(INT_MAX, 1, INT_MIN, INT_MAX));
  EXPECT_EQ(PageStepForRange(50, 0), 1);
  EXPECT_EQ(PageStepForRange(INT_MIN, INT_MAX), 429496729);
  EXPECT_EQ(MoveUpTarget(5, 0, 0, 100), std::nullopt);
  EXPECT_EQ(MoveUpTarget(5, -3, 0, 100), 2);  // a negative step turns round
  EXPECT_EQ(MoveUpTarget(INT_MAX - 1, INT_MAX, 0, INT_MAX), INT_MAX);
  EXPECT_EQ(MoveDownTarget(INT_MIN + 1, INT_MIN, INT_MIN, 0), 0);  // -INT_MIN moves up
  EXPECT_EQ(LabelIndex(10, INT_MIN, INT_MAX), std::nullopt);
  EXPECT_EQ(ClickTarget(Gain(3, INT_MAX), ThumbRect(Gain(3, 3)), 5, 0), 3);
}

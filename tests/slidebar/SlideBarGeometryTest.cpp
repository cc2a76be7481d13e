// The slider's arithmetic, checked directly against worked examples.
#include "widgets/SlideBarGeometry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>

using namespace widgets;
using namespace widgets::slidebar;

namespace {

// The settings window's gain slider: 11 x 93 with the 12 x 12 diamond.
Layout Gain(int max, int position) {
  Layout l;
  l.width = 11, l.height = 93, l.thumb_width = 12, l.thumb_height = 12;
  l.min = 0, l.max = max, l.position = position;
  return l;
}

// A new slider turned on its side: 100 x 15 with the 5 x 10 bar.
Layout Horizontal(int position) {
  Layout l;
  l.orientation = orHorizontal;
  l.width = 100, l.height = 15, l.thumb_width = 5, l.thumb_height = 10;
  l.position = position;
  return l;
}

}  // namespace

TEST(SlideBarThumbs, EveryStyleHasAPictureAndAMaskOfItsSize) {
  for (int s = 0; s < kThumbStyleCount; ++s) {
    const auto info = ThumbFor(static_cast<TThumbStyle>(s));
    ASSERT_TRUE(info) << s;
    EXPECT_EQ(std::string(info->thumb) + "Mask", info->mask);
    EXPECT_EQ(info->mask_height, info->height + (s == tsStdDown ? 1 : 0)) << info->thumb;
  }
  EXPECT_EQ(ThumbFor(tsBar3)->width, 10);
  EXPECT_EQ(ThumbFor(tsBar3)->height, 5);
  EXPECT_EQ(ThumbFor(tsDiamond2)->width, 12);
  EXPECT_EQ(ThumbFor(tsDiamond2)->height, 12);
  EXPECT_EQ(ThumbFor(tsStdHBar)->height, 13);
  EXPECT_FALSE(ThumbFor(static_cast<TThumbStyle>(18)));
  EXPECT_FALSE(ThumbFor(static_cast<TThumbStyle>(255)));
}

TEST(SlideBarThumbs, TurningSwapsOnlyTheCrossBarsAndOnlyTowardsTheNewOrientation) {
  struct Row {
    TThumbStyle from;
    TOrientation to;
    TThumbStyle want;
  };
  const Row rows[] = {
      {tsBar3, orHorizontal, tsBar1},
      {tsBar4, orHorizontal, tsBar2},
      {tsStdHBar, orHorizontal, tsStdVBar},
      {tsStdRight, orHorizontal, tsStdDown},
      {tsBar1, orVertical, tsBar3},
      {tsBar2, orVertical, tsBar4},
      {tsStdVBar, orVertical, tsStdHBar},
      {tsStdDown, orVertical, tsStdRight},
      // Already suited to the new orientation, or without a pair: kept.
      {tsBar1, orHorizontal, tsBar1},
      {tsBar3, orVertical, tsBar3},
      {tsStdDown, orHorizontal, tsStdDown},
      {tsStdRight, orVertical, tsStdRight},
      {tsDiamond2, orHorizontal, tsDiamond2},
      {tsStdUp, orHorizontal, tsStdUp},
      {stStdLeftRight, orVertical, stStdLeftRight},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ThumbForOrientation(r.from, r.to), r.want) << int(r.from) << " to " << int(r.to);
  }
  EXPECT_EQ(OrientationForSize(15, 100), orVertical);
  EXPECT_EQ(OrientationForSize(100, 15), orHorizontal);
  EXPECT_EQ(OrientationForSize(20, 20), orHorizontal);
}

TEST(SlideBarGeometry, ThumbSitsWherePositionPutsIt) {
  EXPECT_EQ(ThumbRect(Layout{}), (Rect{2, 94, 12, 99}));  // new slider: Position 1 of 100
  for (auto [pos, top] : {std::pair{0, 81}, {1, 54}, {2, 27}, {3, 0}}) {
    EXPECT_EQ(ThumbRect(Gain(3, pos)), (Rect{0, top, 12, top + 12})) << pos;
  }
  // 81 / 4 = 20.25: 40.5 rounds to the even 40, 60.75 to 61.
  EXPECT_EQ(ThumbRect(Gain(4, 2)).top, 41);
  EXPECT_EQ(ThumbRect(Gain(4, 3)).top, 20);
  EXPECT_EQ(ThumbRect(Gain(4, 4)).top, 0);
  // Horizontal: Max at the right, thumb centred across.
  EXPECT_EQ(ThumbRect(Horizontal(0)), (Rect{0, 2, 5, 12}));
  // 95 / 100 held as a float is just below 0.95: 47.4999994 rounds down.
  EXPECT_EQ(ThumbRect(Horizontal(50)).left, 47);
  EXPECT_EQ(ThumbRect(Horizontal(100)).left, 95);
}

TEST(SlideBarGeometry, ThumbStaysInsideTheControl) {
  // Positions outside the range, a drag beyond either end, an empty and an inverted range.
  EXPECT_EQ(ThumbRect(Gain(3, 7)).top, 0);
  EXPECT_EQ(ThumbRect(Gain(3, -4)).top, 81);
  EXPECT_EQ(ThumbRect(Gain(3, INT_MAX)).top, 0);
  EXPECT_EQ(ThumbRect(Gain(3, INT_MIN)).top, 81);
  EXPECT_EQ(ThumbRect(Gain(3, 0), true, 40).top, 34);  // centred on the pointer
  EXPECT_EQ(ThumbRect(Gain(3, 0), true, -50).top, 0);
  EXPECT_EQ(ThumbRect(Gain(3, 0), true, 500).top, 81);
  EXPECT_EQ(ThumbRect(Horizontal(0), true, 30).left, 28);
  EXPECT_EQ(ThumbRect(Horizontal(0), true, 99).left, 95);
  EXPECT_EQ(ThumbRect(Gain(0, 0)).top, 81);  // empty range: at the min end
  Layout inverted = Gain(-3, 0);
  EXPECT_GE(ThumbRect(inverted).top, 0);
  EXPECT_LE(ThumbRect(inverted).top, 81);
  Layout tiny = Gain(3, 3);
  tiny.height = 5;  // shorter than the thumb
  EXPECT_EQ(ThumbRect(tiny).top, 0);
}

TEST(SlideBarGeometry, PointerMapsOntoTheRangeWithHalfAThumbOfTravel) {
  // (87 - y) / 87 x 3, rounded: 2.79 at y 6 is 3.
  struct Row {
    int y, want;
  };
  for (Row r : {Row{6, 3},
                {0, 3},
                {-40, 3},
                {14, 3},
                {15, 2},
                {43, 2},
                {44, 1},
                {72, 1},
                {73, 0},
                {87, 0},
                {93, 0},
                {400, 0}}) {
    EXPECT_EQ(NewPosition(Gain(3, 0), 5, r.y), r.want) << "y " << r.y;
  }
  // Horizontal: x / (100 - 2) x 100.
  for (Row r : {Row{0, 0}, {49, 50}, {97, 99}, {98, 100}, {300, 100}, {-10, 0}}) {
    EXPECT_EQ(NewPosition(Horizontal(0), r.y, 7), r.want) << "x " << r.y;
  }
  EXPECT_EQ(NewPosition(Gain(-3, 0), 5, 40), -3);  // inverted range: always max
  EXPECT_EQ(NewPosition(Gain(0, 0), 5, 40), 0);
  Layout no_travel = Gain(3, 0);
  no_travel.height = 6;  // size equal to half the thumb
  EXPECT_EQ(NewPosition(no_travel, 5, 3), 0);
  Layout wide = Gain(INT_MAX, 0);
  wide.min = INT_MIN;
  EXPECT_EQ(NewPosition(wide, 5, 87), INT_MIN);
  EXPECT_EQ(NewPosition(wide, 5, 0), INT_MAX);
}

TEST(SlideBarGeometry, TrenchCorners) {
  EXPECT_EQ(TrenchFor(Layout{}, 2), (Trench{5, 8, 2, 97}));
  EXPECT_EQ(TrenchFor(Gain(3, 0), 4), (Trench{2, 7, 6, 87}));
  EXPECT_EQ(TrenchFor(Horizontal(0), 2), (Trench{2, 97, 5, 8}));
  EXPECT_EQ(TrenchFor(Layout{}, 12), (Trench{0, 13, 2, 97}));
}

TEST(SlideBarGeometry, TicksOnMultiplesOfTheFrequencyWithMaxOnTheTrenchEdge) {
  const Layout fresh;
  const Trench tr = TrenchFor(fresh, 2);
  const Ticks t = TicksFor(fresh, tr, 2);
  ASSERT_EQ(t.at.size(), 51u);  // 0, 2, ..., 100 all on different rows
  EXPECT_EQ(t.at.front(), 2);   // 100 sits on the trench's top edge
  EXPECT_EQ(t.at.back(), 96);   // 0: one row above the bottom edge
  EXPECT_EQ(t.first_from, -1);
  EXPECT_EQ(t.first_to, 2);
  EXPECT_EQ(t.second_from, 10);
  EXPECT_EQ(t.second_to, 13);

  const Layout gain = Gain(3, 0);  // 0 and 2 only: 3 is odd
  EXPECT_EQ(TicksFor(gain, TrenchFor(gain, 4), 2).at, (std::vector<int>{32, 86}));
  EXPECT_EQ(TicksFor(gain, TrenchFor(gain, 4), -2).at, (std::vector<int>{32, 86}));
  EXPECT_EQ(TicksFor(gain, TrenchFor(gain, 4), 3).at, (std::vector<int>{6, 86}));
  EXPECT_TRUE(TicksFor(gain, TrenchFor(gain, 4), 0).at.empty());
  EXPECT_TRUE(TicksFor(Gain(-3, 0), TrenchFor(gain, 4), 1).at.empty());
  EXPECT_EQ(TicksFor(Gain(0, 0), TrenchFor(gain, 4), 1).at, (std::vector<int>{6}));

  const Layout h = Horizontal(0);
  const Ticks ht = TicksFor(h, TrenchFor(h, 2), 50);
  EXPECT_EQ(ht.at, (std::vector<int>{2, 49, 96}));  // 0, 50, and 100 on column xR - 1
  EXPECT_EQ(ht.first_from, -1);
  EXPECT_EQ(ht.second_to, 13);
}

TEST(SlideBarGeometry, TicksOfAWideRangeMatchEveryValue) {
  // The same lines as visiting every value...
  for (int frequency : {1, 3, 7, 1000}) {
    Layout l;
    l.min = -12345, l.max = 2'000'000;
    const Trench tr = TrenchFor(l, 2);
    const float scale = 95.0f / float(l.max - l.min);
    std::vector<int> want;
    for (long long i = l.min; i <= l.max; ++i) {
      if (i % frequency != 0) continue;
      const int t = static_cast<int>(std::trunc((long double)(i - l.min) * scale));
      want.push_back(i == l.max ? tr.yt : tr.yb - t - 1);
    }
    std::sort(want.begin(), want.end());
    want.erase(std::unique(want.begin(), want.end()), want.end());
    EXPECT_EQ(TicksFor(l, tr, frequency).at, want) << frequency;
  }
  // ...and the widest range ends with one line per row at most.
  Layout widest;
  widest.min = INT_MIN, widest.max = INT_MAX;
  const Ticks t = TicksFor(widest, TrenchFor(widest, 2), 1);
  EXPECT_LE(t.at.size(), 96u);
  EXPECT_EQ(t.at.front(), 2);
}

TEST(SlideBarColours, RampBandsAndEnds) {
  struct Row {
    int index;
    Rgb want;
  };
  const Row rows[] = {
      {0, MakeRgb(0, 0, 255)},      {255, MakeRgb(0, 255, 255)},  {256, MakeRgb(0, 255, 255)},
      {300, MakeRgb(0, 255, 211)},  {511, MakeRgb(0, 255, 0)},    {512, MakeRgb(0, 255, 0)},
      {767, MakeRgb(255, 255, 0)},  {768, MakeRgb(255, 255, 0)},  {769, MakeRgb(255, 255, 0)},
      {1023, MakeRgb(255, 1, 0)},   {1024, MakeRgb(255, 0, 0)},   {1279, MakeRgb(255, 0, 255)},
      {1280, MakeRgb(255, 0, 255)}, {1281, MakeRgb(255, 0, 255)}, {1536, MakeRgb(0, 0, 255)},
      {-7, MakeRgb(0, 0, 255)},     {5000, MakeRgb(0, 0, 255)},
  };
  for (const Row& r : rows) EXPECT_EQ(RampColour(r.index), r.want) << r.index;
}

TEST(SlideBarColours, IndexFollowsThePosition) {
  // Min 0, Max 2: positions 0, 1, 2 give cyan, green, yellow.
  EXPECT_EQ(RampColour(ColourIndex(0, 2, 0)), MakeRgb(0, 255, 255));
  EXPECT_EQ(RampColour(ColourIndex(0, 2, 1)), MakeRgb(0, 255, 0));
  EXPECT_EQ(RampColour(ColourIndex(0, 2, 2)), MakeRgb(255, 255, 0));
  EXPECT_EQ(ColourIndex(0, 100, 1), 263);                // 768 / 101 = 7.6: truncated
  EXPECT_EQ(ColourIndex(5, 4, 3), 256);                  // no span: the start colour
  EXPECT_EQ(ColourIndex(0, 0, INT_MAX), 1'000'000'256);  // far out, but defined
  EXPECT_EQ(TopLeftColour(bsLowered), MakeRgb(44, 44, 44));
  EXPECT_EQ(BottomRightColour(bsLowered), MakeRgb(255, 255, 255));
  EXPECT_EQ(TopLeftColour(bsRaised), MakeRgb(255, 255, 255));
  EXPECT_EQ(BottomRightColour(bsRaised), MakeRgb(44, 44, 44));
}

TEST(SlideBarSteps, StepWritersAcceptOnlyNewValuesInsideTheRange) {
  EXPECT_TRUE(AcceptsStep(5, 10, 0, 100));
  EXPECT_TRUE(AcceptsStep(100, 10, 0, 100));
  EXPECT_FALSE(AcceptsStep(101, 10, 0, 100));
  EXPECT_FALSE(AcceptsStep(10, 10, 0, 100));
  EXPECT_FALSE(AcceptsStep(0, 10, 0, 100));
  EXPECT_FALSE(AcceptsStep(-1, 10, 0, 100));
  EXPECT_FALSE(AcceptsStep(1, 10, 5, 4));
  EXPECT_TRUE(AcceptsStep(INT_MAX, 1, INT_MIN, INT_MAX));

  EXPECT_EQ(PageStepForRange(0, 3), 1);
  EXPECT_EQ(PageStepForRange(0, 100), 10);
  EXPECT_EQ(PageStepForRange(0, 109), 10);
  EXPECT_EQ(PageStepForRange(50, 0), 1);
  EXPECT_EQ(PageStepForRange(INT_MIN, INT_MAX), 429496729);
}

TEST(SlideBarSteps, MovesStopAtTheEnds) {
  EXPECT_EQ(MoveUpTarget(5, 10, 0, 100), 15);
  EXPECT_EQ(MoveUpTarget(95, 10, 0, 100), 100);
  EXPECT_EQ(MoveUpTarget(100, 1, 0, 100), 100);  // at Max: still a target
  EXPECT_EQ(MoveUpTarget(5, -3, 0, 100), 2);     // negative turns it round
  EXPECT_EQ(MoveUpTarget(5, 0, 0, 100), std::nullopt);
  EXPECT_EQ(MoveDownTarget(5, 10, 0, 100), 0);
  EXPECT_EQ(MoveDownTarget(50, 10, 0, 100), 40);
  EXPECT_EQ(MoveDownTarget(5, -3, 0, 100), 8);
  EXPECT_EQ(MoveDownTarget(5, 0, 0, 100), std::nullopt);
  EXPECT_EQ(MoveUpTarget(INT_MAX - 1, INT_MAX, 0, INT_MAX), INT_MAX);
  EXPECT_EQ(MoveDownTarget(INT_MIN + 1, INT_MIN, INT_MIN, 0), 0);  // -INT_MIN moves up
  EXPECT_EQ(MoveDownTarget(0, INT_MAX, INT_MIN, 0), -INT_MAX);
}

TEST(SlideBarSteps, ClickBesideTheThumbMovesOneUnitTowardsIt) {
  const Layout g = Gain(3, 2);  // thumb top 27, centre row 33
  const Rect thumb = ThumbRect(g);
  EXPECT_EQ(ClickTarget(g, thumb, 5, 60), 1);
  EXPECT_EQ(ClickTarget(g, thumb, 5, 5), 3);
  EXPECT_EQ(ClickTarget(g, thumb, 5, 33), 2);
  EXPECT_EQ(ClickTarget(Gain(3, 3), ThumbRect(Gain(3, 3)), 5, 0), 3);   // stays at Max
  EXPECT_EQ(ClickTarget(Gain(3, 0), ThumbRect(Gain(3, 0)), 5, 92), 0);  // and at Min
  const Layout h = Horizontal(40);  // thumb left 38, centre column 40
  EXPECT_EQ(ClickTarget(h, ThumbRect(h), 10, 7), 39);
  EXPECT_EQ(ClickTarget(h, ThumbRect(h), 80, 7), 41);
  EXPECT_EQ(ClickTarget(h, ThumbRect(h), 40, 7), 40);
  EXPECT_EQ(ClickTarget(Gain(3, 9), thumb, 5, 5), 3);  // out of range: pulled back in
}

TEST(SlideBarSteps, KeysAndLabels) {
  EXPECT_EQ(KeyActionFor(33), KeyAction::kPageUp);
  EXPECT_EQ(KeyActionFor(34), KeyAction::kPageDown);
  EXPECT_EQ(KeyActionFor(35), KeyAction::kToMax);
  EXPECT_EQ(KeyActionFor(36), KeyAction::kToMin);
  EXPECT_EQ(KeyActionFor(37), KeyAction::kLineDown);
  EXPECT_EQ(KeyActionFor(38), KeyAction::kLineUp);
  EXPECT_EQ(KeyActionFor(39), KeyAction::kLineUp);
  EXPECT_EQ(KeyActionFor(40), KeyAction::kLineDown);
  EXPECT_EQ(KeyActionFor(32), KeyAction::kNone);
  EXPECT_EQ(KeyActionFor(41), KeyAction::kNone);

  EXPECT_EQ(LabelIndex(2, 0, 1), 1u);
  EXPECT_EQ(LabelIndex(2, 0, 2), std::nullopt);
  EXPECT_EQ(LabelIndex(2, 5, 4), std::nullopt);
  EXPECT_EQ(LabelIndex(3, -1, 1), 2u);
  EXPECT_EQ(LabelIndex(0, 0, 0), std::nullopt);
  EXPECT_EQ(LabelIndex(10, INT_MIN, INT_MAX), std::nullopt);
}

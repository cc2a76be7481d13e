// The display-scale arithmetic, and stored lengths scaled as a layout is applied.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/DpiScale.h"
#include "framework/Properties.h"

namespace {

using fw::DpiScale;

TEST(DpiScale, LengthsScaleByDpiOver96RoundedHalfAwayFromZero) {
  struct Row {
    int dpi;
    int stored;
    int want;
  };
  const Row rows[] = {
      {96, 363, 363},  // the design DPI changes nothing
      {96, -11, -11},
      {96, 0, 0},
      {120, 363, 454},  // 453.75
      {120, 324, 405},
      {120, 2, 3},      // 2.5 up
      {120, -11, -14},  // a negative height scales as its positive twin
      {120, -16, -20},
      {120, -2, -3},
      {144, 363, 545},  // 544.5 up
      {144, 324, 486},
      {144, 1, 2},
      {144, -11, -17},  // -16.5 away from zero
      {144, 39, 59},
      {144, 22, 33},
      {192, 363, 726},  // a whole factor: exact doubles
      {192, -11, -22},
      {192, 135, 270},
      {72, 3, 2},  // below the design DPI
      {72, 1, 1},
      {72, -1, -1},
      {0, 50, 50},  // no DPI: the design DPI
      {-144, 50, 50},
      {480, 1000000, 5000000},  // no overflow on the way
      {480, -1000000, -5000000},
  };

  for (const Row& r : rows) {
    EXPECT_EQ(DpiScale(r.dpi).Apply(r.stored), r.want) << r.dpi << " dpi, " << r.stored;
  }
}

TEST(DpiScale, WholeFactorsIdentityAndTheWayBack) {
  EXPECT_TRUE(DpiScale().Identity());
  EXPECT_EQ(DpiScale().Dpi(), 96);
  EXPECT_TRUE(DpiScale(96).Whole());
  EXPECT_TRUE(DpiScale(192).Whole());
  EXPECT_TRUE(DpiScale(288).Whole());
  EXPECT_FALSE(DpiScale(120).Whole());
  EXPECT_FALSE(DpiScale(144).Whole());
  EXPECT_FALSE(DpiScale(144).Identity());
  // A line of one stored pixel never vanishes, not even below the design DPI.
  EXPECT_EQ(DpiScale(48).Apply(1), 1);
  EXPECT_EQ(DpiScale(40).Apply(1), 0);
  EXPECT_EQ(DpiScale(40).ApplyAtLeastOne(1), 1);
  EXPECT_EQ(DpiScale(40).ApplyAtLeastOne(0), 0);
  EXPECT_EQ(DpiScale(144).ApplyAtLeastOne(2), 3);
  // A pointer's pixel at the scale, back in stored units.
  EXPECT_EQ(DpiScale(144).Unapply(545), 363);
  EXPECT_EQ(DpiScale(144).Unapply(-17), -11);
  EXPECT_EQ(DpiScale(192).Unapply(727), 364);
  for (int dpi : {96, 120, 144, 168, 192}) {
    for (int v = -400; v <= 400; ++v) EXPECT_EQ(DpiScale(dpi).Unapply(DpiScale(dpi).Apply(v)), v);
  }
}

TEST(DpiScale, TheWindowsOwnDpiWinsThenTheDevicesThen96) {
  EXPECT_EQ(fw::ChooseDpi(144, 96), 144);
  EXPECT_EQ(fw::ChooseDpi(0, 144), 144) << "0 from the window means it does not know";
  EXPECT_EQ(fw::ChooseDpi(-1, 120), 120);
  EXPECT_EQ(fw::ChooseDpi(0, 0), 96);
}

// A component with one length and one plain number.
class Ruler : public fw::TComponent {
 public:
  explicit Ruler(fw::TComponent* owner) : fw::TComponent(owner) {}
  int Reach() const { return reach_; }
  void SetReach(int v) { reach_ = v; }
  int Count() const { return count_; }
  void SetCount(int v) { count_ = v; }

  const fw::PropertyTable& Properties() const override { return ClassProperties(); }
  static const fw::PropertyTable& ClassProperties() {
    using fw::Published;
    static const fw::PropertyTable table(
        &fw::TComponent::ClassProperties(),
        {
            fw::AsLength(
                Published<Ruler, int>("Reach", &Ruler::Reach, &Ruler::SetReach, 0, std::nullopt)),
            Published<Ruler, int>("Count", &Ruler::Count, &Ruler::SetCount, 0, std::nullopt),
        });
    return table;
  }

 private:
  int reach_ = 0;
  int count_ = 0;
};

TEST(DpiScale, OnlyLengthsAreScaledWhenStoredValuesAreApplied) {
  const std::vector<fw::StoredProperty> stored = {{"Reach", int64_t{-11}}, {"Count", int64_t{7}}};
  Ruler r(nullptr);
  fw::ApplyProperties(r, stored, {}, DpiScale(144));
  EXPECT_EQ(r.Reach(), -17);
  EXPECT_EQ(r.Count(), 7);
  // Laid out again at another scale: the lengths alone, from the stored values.
  r.SetCount(99);
  fw::ApplyLengths(r, stored, DpiScale(192));
  EXPECT_EQ(r.Reach(), -22);
  EXPECT_EQ(r.Count(), 99);
  fw::ApplyLengths(r, stored, DpiScale());
  EXPECT_EQ(r.Reach(), -11);
  // A stored length that no int can hold is refused, not wrapped before the scale.
  EXPECT_THROW(fw::ApplyProperties(r, {{"Reach", int64_t{1} << 40}}, {}, DpiScale(144)),
               fw::Exception);
  EXPECT_EQ(r.Reach(), -11);
}

}  // namespace

#include "framework/StageTimeline.h"

#include <gtest/gtest.h>

#include <vector>

namespace fw {
namespace {

// Seconds per stage as the tests read them, from StageTotals.
double Of(const std::array<double, kStageCount>& totals, Stage stage) {
  return totals[static_cast<std::size_t>(stage)];
}

TEST(StageRecorder, AScopePausesItsStageAndTheTimeReturnsToTheOneItOpenedIn) {
  StageRecorder r(100);
  r.Phase(Stage::kWindowOther, 1.0);
  r.Open(Stage::kControls, 2.0);
  r.Open(Stage::kPictures, 3.0);
  r.Close(4.5);
  r.Close(5.0);
  r.Phase(Stage::kShow, 6.0);
  const auto t = StageTotals(r.Switches(), 0.0, 7.0, Stage::kEntry);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kEntry), 1.0);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kWindowOther), 2.0);  // 1-2 and 5-6
  EXPECT_DOUBLE_EQ(Of(t, Stage::kControls), 1.5);     // 2-3 and 4.5-5
  EXPECT_DOUBLE_EQ(Of(t, Stage::kPictures), 1.5);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kShow), 1.0);
}

TEST(StageRecorder, APhaseChangedInsideAScopeTakesOverWhenTheScopeCloses) {
  // The first status may arrive while a paint is under way.
  StageRecorder r(100);
  r.Phase(Stage::kWaitStatus, 0.0);
  r.Open(Stage::kPaint, 1.0);
  r.Phase(Stage::kAfterStatus, 2.0);
  r.Close(3.0);
  const auto t = StageTotals(r.Switches(), 0.0, 4.0, Stage::kEntry);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kWaitStatus), 1.0);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kPaint), 2.0);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kAfterStatus), 1.0);
}

TEST(StageRecorder, AnEarlierPhaseAndAnUnopenedCloseChangeNothing) {
  StageRecorder r(100);
  r.Phase(Stage::kAfterStatus, 1.0);
  r.Phase(Stage::kAfterStatus, 2.0);  // a later status
  r.Phase(Stage::kWaitStatus, 3.0);   // a later start of the component
  r.Close(4.0);
  ASSERT_EQ(r.Switches().size(), 1u);
  EXPECT_EQ(r.Switches()[0].To, Stage::kAfterStatus);
}

TEST(StageRecorder, KeepsNoMoreSwitchesThanItsCapacity) {
  StageRecorder r(3);
  for (int i = 0; i < 10; ++i) {
    r.Open(Stage::kPaint, i);
    r.Close(i + 0.5);
  }
  EXPECT_EQ(r.Switches().size(), 3u);
}

TEST(StageTotals, CountsOnlyTheTimeBetweenBeginAndEnd) {
  // The record goes on after the measured call returns (the close), and may begin
  // before it.
  const std::vector<StageSwitch> switches = {
      {1.0, Stage::kWindowOther}, {3.0, Stage::kShow}, {9.0, Stage::kAfterSettings}};
  const auto t = StageTotals(switches, 2.0, 5.0, Stage::kEntry);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kEntry), 0.0);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kWindowOther), 1.0);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kShow), 2.0);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kAfterSettings), 0.0);
}

TEST(StageTotals, SwitchesOutOfOrderGiveNoStageNegativeTime) {
  const std::vector<StageSwitch> switches = {{3.0, Stage::kControls}, {2.0, Stage::kFonts}};
  const auto t = StageTotals(switches, 0.0, 4.0, Stage::kEntry);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kEntry), 3.0);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kControls), 0.0);
  EXPECT_DOUBLE_EQ(Of(t, Stage::kFonts), 1.0);
  double sum = 0;
  for (double s : t) sum += s;
  EXPECT_DOUBLE_EQ(sum, 4.0);
}

}  // namespace
}  // namespace fw

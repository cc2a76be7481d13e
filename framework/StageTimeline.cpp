#include "framework/StageTimeline.h"

#include <algorithm>

namespace fw {

const char* StageName(Stage stage) {
  static constexpr const char* kNames[kStageCount] = {
      "plug-in entry and OLE",
      "window: other",
      "layout text",
      "controls and properties",
      "system windows",
      "pictures",
      "fonts and text size",
      "layout at the window's DPI",
      "accessible names and events",
      "component creation",
      "showing the window",
      "paints",
      "component InitControl",
      "waiting for the first status",
      "first status to settings",
      "settings",
      "settings to return",
  };
  const auto i = static_cast<std::size_t>(stage);
  return i < kStageCount ? kNames[i] : "?";
}

void StageRecorder::SwitchTo(Stage stage, double now) {
  if (!switches_.empty() && switches_.back().To == stage) return;
  if (switches_.size() < capacity_) switches_.push_back({now, stage});
}

void StageRecorder::Phase(Stage stage, double now) {
  if (stage < phase_) return;
  phase_ = stage;
  if (open_.empty()) SwitchTo(stage, now);
}

void StageRecorder::Open(Stage stage, double now) {
  open_.push_back(stage);
  SwitchTo(stage, now);
}

void StageRecorder::Close(double now) {
  if (open_.empty()) return;
  open_.pop_back();
  SwitchTo(open_.empty() ? phase_ : open_.back(), now);
}

std::array<double, kStageCount> StageTotals(std::span<const StageSwitch> switches, double begin,
                                            double end, Stage before) {
  std::array<double, kStageCount> totals{};
  auto charge = [&](Stage stage, double from, double to) {
    from = std::max(from, begin);
    to = std::min(to, end);
    const auto i = static_cast<std::size_t>(stage);
    if (to > from && i < kStageCount) totals[i] += to - from;
  };
  double from = begin;
  Stage stage = before;
  for (const StageSwitch& s : switches) {
    charge(stage, from, s.At);
    from = std::max(from, s.At);
    stage = s.To;
  }
  charge(stage, from, end);
  return totals;
}

}  // namespace fw

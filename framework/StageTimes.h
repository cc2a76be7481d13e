// Where a window's start-up spends its time, for the start-up benchmark. Off unless
// the process starts with the environment variable TESSEL_STAGE_TIMES naming a file:
// then the first thread that records notes each change of stage in memory (a
// performance-counter time and the stage), and FlushStageTimes writes the notes to
// that file once, one "seconds stage-number" line each. Whether on or off, nothing
// else the library does changes.
#pragma once

#include "framework/StageTimeline.h"

namespace fw {

// From now on the time goes to `stage` whenever no StageScope is open.
void EnterStagePhase(Stage stage);

// Charges the time while it lives to `stage`; the stage it opened in pauses.
class StageScope {
 public:
  explicit StageScope(Stage stage);
  ~StageScope();
  StageScope(const StageScope&) = delete;
  StageScope& operator=(const StageScope&) = delete;

 private:
  bool open_;
};

// Writes what was recorded to the file, once per process, and stops recording.
void FlushStageTimes();

}  // namespace fw

#include "sim/StatusScript.h"

namespace calder::sim {

std::vector<int32_t> StatusScript::TakeDue(int64_t elapsed_ms) {
  std::vector<int32_t> due;
  while (next_ < steps_.size()) {
    const StatusStep& step = steps_[next_];
    const bool ready = step.at_ms ? elapsed_ms >= *step.at_ms : message_handled_;
    if (!ready) break;
    due.push_back(step.status);
    ++next_;
  }
  return due;
}

}  // namespace calder::sim

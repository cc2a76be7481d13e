// The scripted answers of the receiver after InitControl: which status values
// fall due when. Pure computation.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace calder::sim {

// One scripted status: fired when InitControl's posted message is handled, or
// `at_ms` milliseconds after InitControl when given.
struct StatusStep {
  int32_t status = 0;
  std::optional<int64_t> at_ms;
  bool operator==(const StatusStep&) const = default;
};

class StatusScript {
 public:
  StatusScript() = default;
  explicit StatusScript(std::vector<StatusStep> steps) : steps_(std::move(steps)) {}

  // Starts over, as a new InitControl does.
  void Restart() {
    next_ = 0;
    message_handled_ = false;
  }
  // Notes that InitControl's posted message has been handled.
  void MessageHandled() { message_handled_ = true; }

  // Statuses due at `elapsed_ms` after InitControl, in script order; each is
  // handed out once. A step never overtakes the one before it.
  std::vector<int32_t> TakeDue(int64_t elapsed_ms);

  bool Done() const { return next_ >= steps_.size(); }

 private:
  std::vector<StatusStep> steps_;
  size_t next_ = 0;
  bool message_handled_ = false;
};

}  // namespace calder::sim

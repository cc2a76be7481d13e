#include "sim/BlockPacer.h"

#include <algorithm>

namespace calder::sim {

void BlockPacer::Start(int64_t now, int64_t ticks_per_second, int rate_hz, int pairs_per_block) {
  start_ = now;
  ticks_per_second_ = std::max<int64_t>(ticks_per_second, 1);
  rate_hz_ = std::max(rate_hz, 0);
  pairs_per_block_ = std::max(pairs_per_block, 1);
  taken_ = 0;
  dropped_ = 0;
}

int64_t BlockPacer::BlocksDue(int64_t now) const {
  const int64_t elapsed = now - start_;
  if (elapsed <= 0) return 0;
  // Whole seconds and the remainder apart, so that elapsed * rate cannot
  // overflow however long the stream runs.
  const int64_t seconds = elapsed / ticks_per_second_;
  const int64_t rest = elapsed % ticks_per_second_;
  const int64_t pairs = seconds * rate_hz_ + rest * rate_hz_ / ticks_per_second_;
  return pairs / pairs_per_block_;
}

int BlockPacer::MaxBurst() const {
  return static_cast<int>(std::max<int64_t>(4, rate_hz_ / (4 * pairs_per_block_)));
}

int BlockPacer::TakeDue(int64_t now) {
  const int64_t due = BlocksDue(now);
  int64_t backlog = due - taken_;
  if (backlog <= 0) return 0;
  if (backlog > MaxBurst()) {
    dropped_ += backlog - MaxBurst();
    backlog = MaxBurst();
  }
  taken_ = due;
  return static_cast<int>(backlog);
}

}  // namespace calder::sim

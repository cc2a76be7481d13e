// Real-time pacing of sample blocks: how many blocks are due at a moment, from
// the time elapsed since the stream started and the output rate. Pure computation.
#pragma once

#include <cstdint>

namespace calder::sim {

class BlockPacer {
 public:
  // Restarts the schedule at `now`, measured in ticks of `ticks_per_second`.
  void Start(int64_t now, int64_t ticks_per_second, int rate_hz, int pairs_per_block);

  // Returns the blocks due since the last call and counts them as fired. A
  // backlog larger than MaxBurst() (a thread that stopped pumping) is dropped,
  // as a receiver's full buffer would drop it, so the caller never gets a flood.
  int TakeDue(int64_t now);

  // Blocks due since Start, whether fired or dropped.
  int64_t BlocksDue(int64_t now) const;
  // Most blocks that one call hands out: a quarter of a second's worth, at least 4.
  int MaxBurst() const;
  int64_t dropped() const { return dropped_; }

 private:
  int64_t start_ = 0;
  int64_t ticks_per_second_ = 1;
  int64_t rate_hz_ = 0;
  int64_t pairs_per_block_ = 1;
  int64_t taken_ = 0;  // fired plus dropped
  int64_t dropped_ = 0;
};

}  // namespace calder::sim

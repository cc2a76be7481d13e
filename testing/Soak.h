// Streaming at 196,078 Hz for a set time while a user changes the rate and both
// gains through the window every second. Every block carries the stand-in's
// number for it, so a lost or repeated block is seen; GDI objects, USER objects
// and private memory are measured every second.
#pragma once

#include <string>
#include <vector>

#include "testing/HostWatch.h"
#include "testing/ProcessResources.h"

namespace tessel::testing {

struct SoakOptions {
  unsigned seconds = 60;
  unsigned warmup_seconds = 10;  // every rate, gain step and picture has been used by then
  bool print_each_minute = false;
};

struct SoakSample {
  unsigned second;
  long blocks;
  ProcessResources resources;
};

struct SoakReport {
  long blocks = 0;    // data callbacks
  long lost = 0;      // blocks the stand-in fired that never reached the host
  long repeated = 0;  // blocks that reached the host more than once
  long bad_blocks = 0;
  long rate_clicks = 0;
  long gain_keys = 0;
  long settings_calls = 0;   // the host's settings-change callbacks
  long rates_not_taken = 0;  // a click after which GetHWSR did not give its rate
  long silent_seconds = 0;   // seconds in which no block arrived
  bool init_ok = false;
  std::vector<SoakSample> samples;  // one per second
  // Growth after the warm-up: the highest count of the rest of the run against the
  // count at the end of the warm-up.
  long gdi_growth = 0;
  long user_growth = 0;
  long long private_growth = 0;
  long long heap_growth = 0;
};

// After the warm-up nothing should be made per block or per change without being
// freed again. A GDI or USER object made per second would add one per second of
// the run (50 in a minute); a bound of 2 leaves room only for an object that some
// code makes once, on first use, after the warm-up.
inline constexpr long kSoakObjectGrowthBound = 2;
// A leak of 40 bytes per block (the smallest heap block with its header, times
// the ~6,000 blocks after the warm-up of a minute's run) or of 5 KiB per change
// exceeds 256 KiB; the heap grows in steps of 64 KiB, and a minute's run grew by
// none. In an hour's run the same bound catches a leak of a byte per block.
inline constexpr long long kSoakPrivateGrowthBound = 256 * 1024;
// The bytes in use on the heaps are counted to the block, so a short run sees what
// committed memory shows only after minutes: 40 bytes a block are some 5 KiB a
// second at these rates, 75 KiB after a 25-second run's 15 seconds. What a run uses
// on its heaps varies by a few KiB from one second to the next.
inline constexpr long long kSoakHeapGrowthBound = 32 * 1024;

SoakReport RunSoak(const SoakOptions& options, HostWatch& watch);

// True when the growth after the warm-up stays within the bounds above.
bool Flat(const SoakReport& report);

// The report in a few lines, for a person.
std::string Summary(const SoakReport& report);

}  // namespace tessel::testing

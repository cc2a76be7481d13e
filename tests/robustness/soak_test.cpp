// A minute of streaming at the widest rate with the user changing the rate and
// both gains every second (TESSEL_SOAK_SECONDS sets another length; the hour-long
// run is bench/robustness/bench_soak).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/robustness/Soak.h"

namespace tessel::testing {
namespace {

// After the warm-up nothing should be made per block or per change without being
// freed again. A GDI or USER object made per second would add one per second of
// the run (50 in a minute); a bound of 2 leaves room only for an object that some
// code makes once, on first use, after the warm-up.
constexpr long kObjectGrowthBound = 2;
// A leak of 40 bytes per block (the smallest heap block with its header, times
// the ~6,000 blocks after the warm-up) or of 5 KiB per change exceeds 256 KiB;
// the heap's own growth in whole 64 KiB steps stays below it.
constexpr long long kPrivateGrowthBound = 256 * 1024;

TEST(Soak, StreamingWithChangesEverySecondLosesNothingAndStaysFlat) {
  SoakOptions options;
  if (const char* seconds = std::getenv("TESSEL_SOAK_SECONDS"))
    options.seconds = std::atoi(seconds);
  ASSERT_GT(options.seconds, options.warmup_seconds);
  HostWatch watch;
  SoakReport r = RunSoak(options, watch);
  ASSERT_TRUE(r.init_ok);
  std::printf("%s\n", Summary(r).c_str());
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  // Every block exactly once, and as many as the rates give: on average over the
  // alternating rates at least a quarter of the widest rate's 191 blocks a second.
  EXPECT_EQ(r.lost, 0);
  EXPECT_EQ(r.repeated, 0);
  EXPECT_EQ(r.bad_blocks, 0);
  EXPECT_GT(r.blocks, static_cast<long>(options.seconds) * 48);
  // The window took every change.
  EXPECT_EQ(r.rates_not_taken, 0);
  EXPECT_EQ(r.settings_calls, r.rate_clicks + 1) << "one per click, and the first click";
  EXPECT_LE(r.gdi_growth, kObjectGrowthBound);
  EXPECT_LE(r.user_growth, kObjectGrowthBound);
  EXPECT_LE(r.private_growth, kPrivateGrowthBound);
}

}  // namespace
}  // namespace tessel::testing

// Streaming at the widest rate with the user changing the rate and both gains every
// second: 25 seconds in the suite, 15 of them after the warm-up, in which an object
// made per change and not freed passes the bound, and so do 40 bytes a block on the
// heaps (counted to the block; committed memory shows them only in a minute's run).
// TESSEL_SOAK_SECONDS sets another length (60 for a minute; the hour-long run is
// bench/robustness/bench_soak).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "testing/Soak.h"

namespace tessel::testing {
namespace {

TEST(Soak, StreamingWithChangesEverySecondLosesNothingAndStaysFlat) {
  SoakOptions options;
  options.seconds = 25;
  if (const char* seconds = std::getenv("TESSEL_SOAK_SECONDS"))
    options.seconds = std::atoi(seconds);
  ASSERT_GT(options.seconds, options.warmup_seconds);
  HostWatch watch;
  SoakReport r = RunSoak(options, watch);
  ASSERT_TRUE(r.init_ok);
  std::printf("%s\n", Summary(r).c_str());
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  // Every block exactly once, and the stream never stopped.
  EXPECT_EQ(r.lost, 0);
  EXPECT_EQ(r.repeated, 0);
  EXPECT_EQ(r.bad_blocks, 0);
  EXPECT_EQ(r.silent_seconds, 0);
  // The window took every change.
  EXPECT_EQ(r.rates_not_taken, 0);
  EXPECT_EQ(r.settings_calls, r.rate_clicks + 1) << "one per click, and the first click";
  EXPECT_LE(r.gdi_growth, kSoakObjectGrowthBound);
  EXPECT_LE(r.user_growth, kSoakObjectGrowthBound);
  EXPECT_LE(r.private_growth, kSoakPrivateGrowthBound);
  EXPECT_LE(r.heap_growth, kSoakHeapGrowthBound);
}

}  // namespace
}  // namespace tessel::testing

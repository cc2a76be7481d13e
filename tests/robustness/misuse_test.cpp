// A host that calls the plug-in in every wrong way: seeded random sequences (the
// bench in bench/robustness runs 10,000 of them). A failing sequence is named by
// its seed and number; bench_misuse --seed S --first N --sequences 1 --print
// reruns it alone, step by step.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/robustness/Misuse.h"

namespace tessel::testing {
namespace {

TEST(Misuse, RandomCallSequencesDoNoHarm) {
  HostWatch watch;
  MisuseOptions options;
  options.seed = 20261207;
  options.sequences = 200;
  MisuseReport r = RunMisuse(options, watch);
  std::printf(
      "%d sequences, %ld host calls, %ld calls from callbacks, %ld callbacks, "
      "%ld successful InitHW, %ld unloads\n",
      r.sequences, r.steps, r.calls_from_callbacks, r.callbacks, r.successful_inits, r.unloads);
  for (const std::string& finding : r.findings) ADD_FAILURE() << finding;
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  // The sequences reached what they are meant to reach.
  EXPECT_GT(r.successful_inits, r.sequences / 2);
  EXPECT_GT(r.callbacks, r.sequences);
  EXPECT_GT(r.calls_from_callbacks, r.sequences / 10);
  EXPECT_GT(r.unloads, r.sequences);
  // Each load's objects leave with it: a leak per load would grow by one object or
  // more per sequence, 180 after the warm-up. What the system keeps for the process
  // (cached window DCs, each with its region and pen; pictures of the standard
  // controls) grew by 55 objects in the first five sequences and then not at all;
  // the bound leaves room for about three more cached DCs.
  EXPECT_EQ(r.at_end.user_objects, r.after_warmup.user_objects);
  EXPECT_LE(r.at_end.gdi_objects - r.after_warmup.gdi_objects, 12);
}

}  // namespace
}  // namespace tessel::testing

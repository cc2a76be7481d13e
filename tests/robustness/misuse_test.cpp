// A host that calls the plug-in in every wrong way: seeded random sequences (the
// bench in bench/robustness runs 10,000 of them). A failing sequence is named by
// its seed and number; bench_misuse --seed S --first N --sequences 1 --print
// reruns it alone, step by step.
#include <gtest/gtest.h>

#include <cstdio>

#include "testing/Misuse.h"
#include "testing/PluginHost.h"

namespace tessel::testing {
namespace {

// The 200 sequences of the seed in four parts of 50, each a process of its own, so
// that the parts run side by side; each part has its own warm-up before its
// resources are measured.
constexpr int kSequences = 200;
constexpr int kParts = 4;

class MisusePart : public ::testing::TestWithParam<int> {};

TEST_P(MisusePart, RandomCallSequencesDoNoHarm) {
  HostWatch watch;
  MisuseOptions options;
  options.seed = 20261207;
  options.sequences = kSequences / kParts;
  options.first = GetParam() * options.sequences;
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
  // more per sequence, 30 after the warm-up. What the system keeps for the process
  // (cached window DCs, each with its region and pen; pictures of the standard
  // controls) grew by 55 objects in the first five sequences and then not at all;
  // the bound leaves room for about three more cached DCs.
  EXPECT_EQ(r.at_end.user_objects, r.after_warmup.user_objects);
  EXPECT_LE(r.at_end.gdi_objects - r.after_warmup.gdi_objects, 12);
}

INSTANTIATE_TEST_SUITE_P(Misuse, MisusePart, ::testing::Range(0, kParts));

// A host that closes the plug-in from its callback and unloads it as soon as its
// own message loop has the control back, before the close has been carried out.
TEST(Misuse, UnloadingWhileACloseFromACallbackIsPending) {
  HostWatch watch;
  SetEnv(L"CALDER_SIM_STATUS", L"1");
  SetEnv(L"CALDER_SIM_UNPACED", L"4");
  RemoveSettings();
  ASSERT_TRUE(Init().ok);
  HWND window = FindSettingsWindow();
  bool closed = false;
  SetCallbackAction([&](const HostCall& c) {
    if (c.count >= 0 && !closed) {
      closed = true;
      Plugin().CloseHW();
    }
  });
  Plugin().SetCallback(&RecordingCallback);
  Plugin().StartHW(7100000);
  // One message at a time, as a host's loop takes them, until the close is asked for.
  DWORD start = GetTickCount();
  while (!closed && GetTickCount() - start < 3000) {
    MSG message;
    if (!GetMessageW(&message, nullptr, 0, 0)) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  ASSERT_TRUE(closed);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_TRUE(IsWindow(window)) << "the close waits for a later message";
  const std::size_t calls = HostCalls().size();
  EXPECT_TRUE(UnloadPlugin());
  EXPECT_FALSE(IsWindow(window));
  Pump(300);
  EXPECT_EQ(HostCalls().size(), calls);
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  EXPECT_TRUE(FileExists(SettingsPath())) << "the close saved the settings";
  RemoveSettings();
}

}  // namespace
}  // namespace tessel::testing

// A host that misuses the plug-in: seeded random sequences of the thirteen entry
// points with random arguments (null pointers, buffers that end at a no-access
// page, extreme frequencies), calls before the first InitHW and after CloseHW,
// calls from inside the callback, and unloading and reloading the DLL. Each
// sequence starts with a fresh load; the same seed gives the same sequences.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testing/HostWatch.h"
#include "testing/ProcessResources.h"

namespace tessel::testing {

struct MisuseOptions {
  uint32_t seed = 1;
  int first = 0;  // number of the first sequence, to rerun one alone
  int sequences = 300;
  int max_steps = 30;  // host calls per sequence, at most
  // Sequences after which the system's own caches (of window DCs, control
  // pictures, fonts) have grown to what the plug-in's windows need.
  int warmup_sequences = 20;
  bool print_steps = false;
  int progress_every = 0;  // prints a line after each this many sequences; 0: none
};

struct MisuseReport {
  int sequences = 0;
  long steps = 0;
  long calls_from_callbacks = 0;
  long callbacks = 0;
  long successful_inits = 0;
  long unloads = 0;
  // One line per fault: where (seed, sequence, step) and what.
  std::vector<std::string> findings;
  ProcessResources after_warmup;
  ProcessResources at_end;
};

// Runs the sequences and checks after every step what a host relies on. `watch`
// is told each step, so that a crash or hang names it.
MisuseReport RunMisuse(const MisuseOptions& options, HostWatch& watch);

}  // namespace tessel::testing

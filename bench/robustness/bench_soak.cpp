// Streams for an hour (or --seconds N) with a rate and two gain changes through
// the window every second, and prints the blocks lost or repeated and how GDI
// objects, USER objects and private memory moved after the warm-up, once a
// minute and at the end.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "testing/Soak.h"

using namespace tessel::testing;

int main(int argc, char** argv) {
  SoakOptions options;
  options.seconds = 3600;
  options.print_each_minute = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
      options.seconds = static_cast<unsigned>(std::atoi(argv[++i]));
    } else {
      std::printf("usage: bench_soak [--seconds N]\n");
      return 2;
    }
  }
  if (options.seconds <= options.warmup_seconds) options.seconds = options.warmup_seconds + 1;
  std::printf("counting with: %s\n", ResourceSources().c_str());
  HostWatch watch;
  SoakReport r = RunSoak(options, watch);
  if (!r.init_ok) {
    std::printf("InitHW failed: is the stand-in registered?\n");
    return 1;
  }
  std::printf("%s\n", Summary(r).c_str());
  std::printf("fatal exceptions: %d %s\n", watch.FatalExceptions(), watch.FirstFatal().c_str());
  bool exact = r.lost == 0 && r.repeated == 0 && r.bad_blocks == 0;
  std::printf("every block exactly once: %s\n", exact ? "yes" : "NO");
  std::printf(
      "GDI, USER, private memory and heap blocks flat (within %ld objects, %lld KiB and %lld "
      "KiB): %s\n",
      kSoakObjectGrowthBound, kSoakPrivateGrowthBound / 1024, kSoakHeapGrowthBound / 1024,
      Flat(r) ? "yes" : "NO");
  return exact && Flat(r) && watch.FatalExceptions() == 0 ? 0 : 1;
}

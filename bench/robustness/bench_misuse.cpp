// Runs the misuse sequences in bulk and prints what they found: 10,000 sequences
// by default. --seed S --first N --sequences 1 --print reruns one sequence step
// by step, as a failing test names it.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "testing/Misuse.h"

using namespace tessel::testing;

int main(int argc, char** argv) {
  MisuseOptions options;
  options.seed = 20261207;
  options.sequences = 10000;
  options.progress_every = 500;
  for (int i = 1; i < argc; ++i) {
    const char* next = i + 1 < argc ? argv[i + 1] : "0";
    if (std::strcmp(argv[i], "--seed") == 0) {
      options.seed = static_cast<uint32_t>(std::strtoul(next, nullptr, 10));
      ++i;
    } else if (std::strcmp(argv[i], "--first") == 0) {
      options.first = std::atoi(next);
      ++i;
    } else if (std::strcmp(argv[i], "--sequences") == 0) {
      options.sequences = std::atoi(next);
      ++i;
    } else if (std::strcmp(argv[i], "--print") == 0) {
      options.print_steps = true;
    } else {
      std::printf("usage: bench_misuse [--seed S] [--first N] [--sequences COUNT] [--print]\n");
      return 2;
    }
  }
  if (options.sequences < options.warmup_sequences) options.warmup_sequences = options.sequences;
  HostWatch watch;
  MisuseReport r = RunMisuse(options, watch);
  std::printf("seed %u, sequences %d to %d\n", options.seed, options.first,
              options.first + r.sequences - 1);
  std::printf(
      "%ld host calls, %ld calls from callbacks, %ld callbacks, %ld successful InitHW, "
      "%ld unloads\n",
      r.steps, r.calls_from_callbacks, r.callbacks, r.successful_inits, r.unloads);
  std::printf("after %d sequences: %ld GDI objects, %ld USER objects, %zu KiB private\n",
              options.warmup_sequences, r.after_warmup.gdi_objects, r.after_warmup.user_objects,
              r.after_warmup.private_bytes / 1024);
  std::printf("at the end:        %ld GDI objects, %ld USER objects, %zu KiB private\n",
              r.at_end.gdi_objects, r.at_end.user_objects, r.at_end.private_bytes / 1024);
  const int measured = r.sequences - options.warmup_sequences;
  if (measured > 0) {
    std::printf(
        "after the warm-up, per sequence: %+.2f GDI objects, %+.1f KiB private\n",
        double(r.at_end.gdi_objects - r.after_warmup.gdi_objects) / measured,
        (double(r.at_end.private_bytes) - double(r.after_warmup.private_bytes)) / 1024 / measured);
  }
  std::printf("fatal exceptions: %d %s\n", watch.FatalExceptions(), watch.FirstFatal().c_str());
  std::printf("findings: %zu\n", r.findings.size());
  for (const std::string& finding : r.findings) std::printf("  %s\n", finding.c_str());
  return r.findings.empty() && watch.FatalExceptions() == 0 ? 0 : 1;
}

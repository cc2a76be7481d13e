// Measures the stand-in component's block rate: at each of the seven output
// rates against the nominal rate / 1024 pairs, and in the unpaced mode against
// the thread's own posted-message rate measured in the same run. Each block is
// fetched with GetIntegerData from inside its event, as the plug-in does.
//
//   SimPacingBench.exe [seconds per rate, default 2]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "contract/CalderContract.h"
#include "testing/SimHarness.h"

using namespace calder;
using namespace calder::sim::testing;

namespace {

long g_posted = 0;

// Counts each message and posts the next one.
LRESULT CALLBACK BaselineProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_APP) return DefWindowProcW(hwnd, message, wparam, lparam);
  ++g_posted;
  PostMessageW(hwnd, WM_APP, 0, 0);
  return 0;
}

// Posted-message round trips a second: a window that posts itself the next
// message from each one, the path the unpaced mode uses.
double PostedMessagesPerSecond(double seconds) {
  WNDCLASSW window_class = {};
  window_class.lpszClassName = L"SimBenchBaseline";
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpfnWndProc = &BaselineProc;
  RegisterClassW(&window_class);
  const HWND window = CreateWindowW(L"SimBenchBaseline", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    window_class.hInstance, nullptr);
  g_posted = 0;
  const double start = NowSeconds();
  PostMessageW(window, WM_APP, 0, 0);
  PumpFor(static_cast<int>(seconds * 1000));
  const double rate = g_posted / (NowSeconds() - start);
  DestroyWindow(window);
  return rate;
}

struct Measured {
  double blocks_per_second = 0;
  size_t failed_fetches = 0;
};

// Runs one component at filter `index` for `seconds` and counts its blocks.
Measured MeasureBlocks(int index, double seconds) {
  Measured measured;
  ComPtr<IDispatch> sim;
  if (FAILED(CreateSim(&sim))) {
    std::fprintf(stderr, "cannot create the component\n");
    std::exit(1);
  }
  auto sink = RecordingSink::Make();
  std::vector<int16_t> buffer(8192);
  FetchBlocksInHandler(sink.Get(), sim.Get(), &buffer);
  // Blocks come whole: the rate is measured from the first block to the last,
  // not over the window, whose ends would cost up to a block each.
  double first = 0;
  double last = 0;
  auto fetch = sink->on_event;
  sink->on_event = [&](const Event& e) {
    fetch(e);
    last = NowSeconds();
    if (first == 0) first = last;
  };
  Connection connection(sim.Get(), sink.Get());
  PutInt(sim.Get(), kIFfilter, index);
  Start(sim.Get());
  PumpFor(static_cast<int>(seconds * 1000));
  CallMethod(sim.Get(), kStop, {});
  const size_t blocks = sink->Count(kOnDataRdy);
  if (blocks > 1 && last > first) measured.blocks_per_second = (blocks - 1) / (last - first);
  measured.failed_fetches = sink->failed_fetches;
  return measured;
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
  Apartment apartment;
  ClearSimEnvironment();

  std::printf("Paced blocks over %.1f s each (nominal = rate / 1024 pairs)\n", seconds);
  std::printf("%10s %6s %14s %14s %8s\n", "rate Hz", "index", "nominal/s", "measured/s", "ratio");
  for (const FilterRate& entry : kFilterRates) {
    const double nominal = entry.rate / 1024.0;
    const Measured m = MeasureBlocks(entry.index, seconds);
    std::printf("%10d %6d %14.2f %14.2f %8.3f%s\n", entry.rate, entry.index, nominal,
                m.blocks_per_second, m.blocks_per_second / nominal,
                m.failed_fetches ? "  (failed fetches!)" : "");
  }

  const double baseline = PostedMessagesPerSecond(seconds / 2);
  std::printf("\nUnpaced mode over %.1f s each (baseline: %.0f posted messages/s)\n", seconds,
              baseline);
  std::printf("%10s %14s %20s\n", "batch", "blocks/s", "ratio to baseline");
  for (const int batch : {1, 8, 64}) {
    SetEnvironmentVariableW(L"CALDER_SIM_UNPACED", std::to_wstring(batch).c_str());
    const Measured m = MeasureBlocks(0, seconds);
    std::printf("%10d %14.0f %20.2f%s\n", batch, m.blocks_per_second,
                m.blocks_per_second / baseline, m.failed_fetches ? "  (failed fetches!)" : "");
  }
  ClearSimEnvironment();
  return 0;
}

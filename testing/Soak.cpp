#include "testing/Soak.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>

#include "testing/PluginHost.h"
#include "testing/WindowInput.h"

namespace tessel::testing {
namespace {

// The callback's tallies. Nothing is stored per block, so that the test itself
// does not grow while it measures the plug-in.
struct Tally {
  uint32_t next_stamp = 0;
  long blocks = 0;
  long lost = 0;
  long repeated = 0;
  long bad_blocks = 0;
  long settings_calls = 0;
};
Tally tally;

void __cdecl SoakCallback(int32_t count, int32_t status, float, int16_t* samples) {
  if (count == -1) {
    if (status == 100) ++tally.settings_calls;
    return;
  }
  if (count < 2 || samples == nullptr || status != 2) {
    ++tally.bad_blocks;
    return;
  }
  ++tally.blocks;
  // The stand-in numbers its blocks in place of the first I/Q pair.
  uint32_t stamp = static_cast<uint16_t>(samples[0]) |
                   static_cast<uint32_t>(static_cast<uint16_t>(samples[1])) << 16;
  if (stamp < tally.next_stamp) {
    ++tally.repeated;
    return;
  }
  tally.lost += stamp - tally.next_stamp;
  tally.next_stamp = stamp + 1;
}

constexpr int kRate196078 = 6;
// The other rates in turn, every other second.
constexpr int kOtherRates[] = {0, 1, 2, 3, 4, 5};
// Keys that walk each slider over all its steps and back.
constexpr WPARAM kHfKeys[] = {VK_DOWN, VK_DOWN, VK_DOWN, VK_UP, VK_UP, VK_UP};
constexpr WPARAM kIfKeys[] = {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_UP, VK_UP, VK_UP, VK_UP};

}  // namespace

SoakReport RunSoak(const SoakOptions& options, HostWatch& watch) {
  SoakReport report;
  // Room for every sample at once: the list must not grow while memory is measured.
  report.samples.reserve(options.seconds);
  tally = Tally{};
  SetEnv(L"CALDER_SIM_STATUS", L"1");
  SetEnv(L"CALDER_SIM_DEVICE", L"Calder");
  SetEnv(L"CALDER_SIM_STAMP", L"1");
  for (const wchar_t* off : {L"CALDER_SIM_FAIL", L"CALDER_SIM_FAIL_SWITCH", L"CALDER_SIM_LOG"})
    SetEnvironmentVariableW(off, nullptr);
  RemoveSettings();
  watch.Note("soak: InitHW");
  report.init_ok = Init().ok;
  if (!report.init_ok) return report;
  PluginApi& p = Plugin();
  p.SetCallback(&SoakCallback);
  p.OpenHW();
  HWND window = FindSettingsWindow();
  SetForegroundWindow(window);
  PostRateClick(window, kRate196078);
  Pump(200);
  HWND hf = GainSlider(window, true);
  HWND if_slider = GainSlider(window, false);
  p.StartHW(7100000);

  for (unsigned second = 0; second < options.seconds; ++second) {
    watch.Note("soak: second " + std::to_string(second));
    DWORD start = GetTickCount();
    int rate = second % 2 == 1 ? kRate196078 : kOtherRates[(second / 2) % std::size(kOtherRates)];
    PostRateClick(window, rate);
    ++report.rate_clicks;
    SetFocus(hf);
    PostKey(hf, kHfKeys[second % std::size(kHfKeys)]);
    SetFocus(if_slider);
    PostKey(if_slider, kIfKeys[second % std::size(kIfKeys)]);
    report.gain_keys += 2;
    Pump(200);
    if (p.GetHWSR() != kRates[rate]) ++report.rates_not_taken;
    DWORD spent = GetTickCount() - start;
    if (spent < 1000) Pump(1000 - spent);
    long before = report.samples.empty() ? 0 : report.samples.back().blocks;
    if (tally.blocks == before) ++report.silent_seconds;
    report.samples.push_back({second + 1, tally.blocks, MeasureResources()});
    if (options.print_each_minute && (second + 1) % 60 == 0) {
      const SoakSample& s = report.samples.back();
      std::printf("%4u s: %ld blocks, %ld GDI, %ld USER, %zu KiB private, %zu KiB in heap blocks\n",
                  s.second, s.blocks, s.resources.gdi_objects, s.resources.user_objects,
                  s.resources.private_bytes / 1024, s.resources.heap_bytes / 1024);
      std::fflush(stdout);
    }
  }
  watch.Note("soak: stop and close");
  p.StopHW();
  Pump(200);
  p.CloseHW();
  UnloadPlugin();

  report.blocks = tally.blocks;
  report.lost = tally.lost;
  report.repeated = tally.repeated;
  report.bad_blocks = tally.bad_blocks;
  report.settings_calls = tally.settings_calls;
  if (report.samples.size() > options.warmup_seconds) {
    const ProcessResources& base = report.samples[options.warmup_seconds - 1].resources;
    for (std::size_t i = options.warmup_seconds; i < report.samples.size(); ++i) {
      const ProcessResources& r = report.samples[i].resources;
      report.gdi_growth = std::max(report.gdi_growth, r.gdi_objects - base.gdi_objects);
      report.user_growth = std::max(report.user_growth, r.user_objects - base.user_objects);
      report.private_growth =
          std::max(report.private_growth, static_cast<long long>(r.private_bytes) -
                                              static_cast<long long>(base.private_bytes));
      report.heap_growth =
          std::max(report.heap_growth,
                   static_cast<long long>(r.heap_bytes) - static_cast<long long>(base.heap_bytes));
    }
  }
  return report;
}

bool Flat(const SoakReport& r) {
  return r.gdi_growth <= kSoakObjectGrowthBound && r.user_growth <= kSoakObjectGrowthBound &&
         r.private_growth <= kSoakPrivateGrowthBound && r.heap_growth <= kSoakHeapGrowthBound;
}

std::string Summary(const SoakReport& r) {
  char text[640];
  const ProcessResources first =
      r.samples.empty() ? ProcessResources{} : r.samples.front().resources;
  std::snprintf(text, sizeof text,
                "%zu s: %ld blocks delivered (none in %ld seconds), %ld lost, %ld repeated, %ld "
                "malformed; %ld rate "
                "clicks (%ld settings calls, %ld not taken), %ld gain keys\n"
                "after the warm-up: GDI objects %+ld (of %ld), USER objects %+ld (of %ld), "
                "private memory %+lld KiB (of %zu KiB), heap blocks %+lld KiB (of %zu KiB)",
                r.samples.size(), r.blocks, r.silent_seconds, r.lost, r.repeated, r.bad_blocks,
                r.rate_clicks, r.settings_calls, r.rates_not_taken, r.gain_keys, r.gdi_growth,
                first.gdi_objects, r.user_growth, first.user_objects, r.private_growth / 1024,
                first.private_bytes / 1024, r.heap_growth / 1024, first.heap_bytes / 1024);
  return text;
}

}  // namespace tessel::testing

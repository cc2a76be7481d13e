// TesselHost: a command-line host that drives a Tessel hardware plug-in the way a
// radio host does, reports what it receives and records the I/Q to a WAV file.
#include <windows.h>

#include <atomic>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/Module.h"
#include "framework/TextEncoding.h"
#include "tools/host/Options.h"
#include "tools/host/PluginApi.h"
#include "tools/host/PngFile.h"
#include "tools/host/ToneFinder.h"
#include "tools/host/Wav.h"
#include "tools/host/Screenshot.h"
#include "tools/host/Waterfall.h"
#include "tools/host/WaterfallPicture.h"

namespace {

using tessel::host::HostOptions;

using tessel::host::PluginApi;

// The plug-in's settings window, found by its caption.
constexpr char kSettingsCaption[] = "                   Calder/Marlo Hardware Settings";

// What the callback has seen; touched only on this thread.
struct Stream {
  PluginApi* plugin = nullptr;
  uint64_t blocks = 0;
  uint64_t values = 0;
  int32_t last_status = 0;
  int32_t rate = 0;
  bool rate_changed = false;
  tessel::host::WavWriter wav;
  bool wav_ok = true;
  // The last second of I/Q pairs, for the spectrum check.
  std::vector<int16_t> ring;
  std::size_t ring_next = 0;
  std::size_t ring_fill = 0;
  // Spectrum rows for the waterfall picture; fed only when one is asked for.
  bool draw_waterfall = false;
  tessel::host::WaterfallBuilder waterfall;
  std::vector<int32_t> rates_seen;
};

Stream stream;
std::atomic<bool> stop_requested{false};
DWORD main_thread = 0;

void ResizeRing(int32_t rate) {
  std::size_t pairs = rate > 0 ? static_cast<std::size_t>(rate) : 1;
  stream.ring.assign(2 * pairs, 0);
  stream.ring_next = 0;
  stream.ring_fill = 0;
}

void __cdecl OnPlugin(int32_t count, int32_t status, float, int16_t* samples) {
  if (count == -1) {
    if (status == 100) {
      int32_t rate = stream.plugin->GetHWSR();
      if (rate != stream.rate) {
        if (stream.blocks > 0) stream.rate_changed = true;
        stream.rate = rate;
        stream.rates_seen.push_back(rate);
        ResizeRing(rate);
      }
      std::printf("settings changed: output rate %" PRId32 " Hz\n", rate);
    } else {
      stream.last_status = status;
      std::printf("status %" PRId32 "\n", status);
    }
    return;
  }
  stream.last_status = status;
  if (count <= 0 || samples == nullptr) return;
  ++stream.blocks;
  stream.values += static_cast<uint64_t>(count);
  if (stream.wav_ok) stream.wav_ok = stream.wav.Append(samples, static_cast<std::size_t>(count));
  std::size_t pairs = static_cast<std::size_t>(count) / 2;
  if (stream.draw_waterfall) stream.waterfall.AddBlock(samples, pairs, stream.rate);
  std::size_t ring_pairs = stream.ring.size() / 2;
  for (std::size_t i = 0; i < pairs; ++i) {
    stream.ring[2 * stream.ring_next] = samples[2 * i];
    stream.ring[2 * stream.ring_next + 1] = samples[2 * i + 1];
    stream.ring_next = (stream.ring_next + 1) % ring_pairs;
  }
  stream.ring_fill = std::min(ring_pairs, stream.ring_fill + pairs);
}

BOOL WINAPI OnConsoleCtrl(DWORD) {
  stop_requested = true;
  PostThreadMessageW(main_thread, WM_NULL, 0, 0);
  return TRUE;
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// A small main window, as a host has; closing it ends the run.
HWND CreateHostWindow() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = HostWindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"TesselHost";
  RegisterClassW(&window_class);
  return CreateWindowExW(0, L"TesselHost", L"Tessel host - close to stop", WS_OVERLAPPEDWINDOW,
                         CW_USEDEFAULT, CW_USEDEFAULT, 360, 120, nullptr, nullptr,
                         window_class.hInstance, nullptr);
}

// The plug-in beside this program (as a release unpacks it), else the one in the
// build folder this program was built in; UTF-8, like every path the tool names.
std::string DefaultDllPath() {
  std::wstring path = fw::ModuleFileName(nullptr);
  std::size_t cut = path.find_last_of(L"\\/");
  std::wstring folder = cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
  std::wstring beside = folder + L"Tessel_Calder.dll";
  if (GetFileAttributesW(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return fw::ToUtf8(beside);
  std::wstring relative = folder + L"..\\..\\plugin\\Tessel_Calder.dll";
  DWORD size = GetFullPathNameW(relative.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  DWORD got = size > 0 ? GetFullPathNameW(relative.c_str(), size, full.data(), nullptr) : 0;
  return fw::ToUtf8(got > 0 && got < size ? full.substr(0, got) : relative);
}

// True when a file can be made at `path`; one that did not exist is removed again.
bool CanCreate(const std::string& path) {
  std::wstring wide = fw::Widen(path);
  HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool made = GetLastError() != ERROR_ALREADY_EXISTS;
  CloseHandle(file);
  if (made) DeleteFileW(wide.c_str());
  return true;
}

// The picture's title: the tuning frequency and the rates the stream had.
std::string WaterfallTitle(const HostOptions& options) {
  std::string rates;
  for (int32_t rate : stream.rates_seen) {
    if (!rates.empty()) rates += " -> ";
    rates += std::to_string(rate);
  }
  char row[32];
  std::snprintf(row, sizeof row, "%.0f ms", stream.waterfall.RowSeconds() * 1000);
  return "Tuned to " + std::to_string(options.frequency) + " Hz, output rate " + rates +
         " Hz; one row per " + row + ", levels in dB of full scale";
}

// Draws what was received into the --waterfall file and says where its plot lies.
bool WriteWaterfall(const HostOptions& options) {
  using namespace tessel::host;
  std::vector<std::vector<float>> levels = stream.waterfall.LevelsDb();
  WaterfallAxes axes{stream.waterfall.SpanHz(), stream.waterfall.RowSeconds(),
                     WaterfallTitle(options)};
  Picture picture = ComposeWaterfall(levels, ChooseScale(levels), axes);
  std::string error;
  if (!WritePicturePng(picture, options.waterfall, &error)) {
    std::fprintf(stderr, "error: writing %s failed: %s\n", options.waterfall.c_str(),
                 error.c_str());
    return false;
  }
  std::printf(
      "wrote %s: %d x %d pixels; plot %d x %d at (%d, %d), %zu rows of %.0f ms, "
      "%.2f Hz per column, 0 Hz in column %d\n",
      options.waterfall.c_str(), picture.width, picture.height, picture.plot_width,
      picture.plot_height, picture.plot_left, picture.plot_top, levels.size(),
      stream.waterfall.RowSeconds() * 1000, stream.waterfall.SpanHz() / WaterfallBuilder::kColumns,
      WaterfallBuilder::kColumns / 2);
  return true;
}

// Pumps messages until the time is up, the window is closed or Ctrl+C; one progress
// line per second.
void RunLoop(const HostOptions& options) {
  DWORD start = GetTickCount();
  DWORD next_report = start + 1000;
  uint64_t reported_blocks = 0;
  uint64_t reported_values = 0;
  int second = 0;
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) return;
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (stop_requested) return;
    DWORD now = GetTickCount();
    if (static_cast<int32_t>(now - next_report) >= 0) {
      ++second;
      uint64_t pairs = (stream.values - reported_values) / 2;
      double share = stream.rate > 0 ? 100.0 * static_cast<double>(pairs) / stream.rate : 0;
      std::printf("[%3d s] blocks %" PRIu64 " (+%" PRIu64 ")  samples/s %" PRIu64 " of %" PRId32
                  " (%.1f%%)  status %" PRId32 "\n",
                  second, stream.blocks, stream.blocks - reported_blocks, pairs, stream.rate, share,
                  stream.last_status);
      std::fflush(stdout);
      reported_blocks = stream.blocks;
      reported_values = stream.values;
      next_report += 1000;
      if (!options.until_closed && second >= options.seconds) return;
    }
    DWORD wait = static_cast<int32_t>(next_report - now) > 0 ? next_report - now : 0;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
  }
}

int Run(const HostOptions& options) {
  std::string dll = options.dll.empty() ? DefaultDllPath() : options.dll;
  HMODULE module = LoadLibraryW(fw::Widen(dll).c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "error: cannot load the plug-in %s (Windows error %lu)\n", dll.c_str(),
                 GetLastError());
    return 2;
  }
  PluginApi plugin{};
  std::string missing;
  if (!tessel::host::ResolvePluginApi(module, &plugin, &missing)) {
    std::fprintf(stderr, "error: %s has no entry point '%s'\n", dll.c_str(), missing.c_str());
    return 2;
  }
  stream.plugin = &plugin;

  char name[256] = {};
  char model[256] = {};
  int32_t type = 0;
  std::printf("loaded %s\n", dll.c_str());
  bool ok = plugin.InitHW(name, model, &type);
  std::printf("InitHW: %s, name \"%s\", model \"%s\", type %" PRId32 "\n", ok ? "true" : "false",
              name, model, type);
  if (!ok) {
    std::fprintf(stderr, "error: InitHW failed: %s\n", name);
    plugin.CloseHW();
    return 3;
  }
  plugin.SetCallback(&OnPlugin);
  if (options.open || !options.screenshot.empty()) plugin.OpenHW();
  if (!options.screenshot.empty()) {
    // Shown on screen now; its paints are queued behind the show.
    std::string error;
    HWND settings = tessel::host::FindProcessWindow(kSettingsCaption);
    if (!tessel::host::SaveClientPng(settings, options.screenshot, &error)) {
      std::fprintf(stderr, "error: saving %s failed: %s\n", options.screenshot.c_str(),
                   error.c_str());
      plugin.CloseHW();
      return 4;
    }
    std::printf("wrote %s: the settings window\n", options.screenshot.c_str());
  }
  stream.rate = plugin.GetHWSR();
  stream.rates_seen.push_back(stream.rate);
  stream.draw_waterfall = !options.waterfall.empty();
  ResizeRing(stream.rate);
  std::printf("GetHWSR: %" PRId32 " Hz\n", stream.rate);
  // A picture that cannot be written is reported now, not after a long run.
  if (stream.draw_waterfall && !CanCreate(options.waterfall)) {
    std::fprintf(stderr, "error: cannot create %s\n", options.waterfall.c_str());
    plugin.CloseHW();
    return 4;
  }
  if (!stream.wav.Open(options.out, 2)) {
    std::fprintf(stderr, "error: cannot create %s\n", options.out.c_str());
    plugin.CloseHW();
    return 4;
  }
  HWND host_window = options.until_closed ? CreateHostWindow() : nullptr;
  if (host_window != nullptr) ShowWindow(host_window, SW_SHOW);
  int32_t block = plugin.StartHW(options.frequency);
  std::printf("StartHW(%" PRId32 "): block length %" PRId32 ", GetHWLO %" PRId32 " Hz\n",
              options.frequency, block, plugin.GetHWLO());
  std::fflush(stdout);
  RunLoop(options);
  plugin.StopHW();
  std::printf("StopHW: status %" PRId32 "\n", plugin.GetStatus());
  plugin.CloseHW();
  if (host_window != nullptr && IsWindow(host_window)) DestroyWindow(host_window);

  bool wav_closed = stream.wav.Close(static_cast<uint32_t>(stream.rate));
  uint64_t pairs = stream.wav.ValuesWritten() / 2;
  if (!stream.wav_ok || !wav_closed) {
    std::fprintf(stderr, "error: writing %s failed\n", options.out.c_str());
    return 4;
  }
  std::printf("wrote %s: %" PRIu64 " I/Q pairs at %" PRId32 " Hz, 2 channels, 16 bit\n",
              options.out.c_str(), pairs, stream.rate);
  if (stream.rate_changed) {
    std::printf(
        "note: the output rate changed while recording; the file is labelled with the "
        "last rate\n");
  }
  if (stream.blocks == 0) {
    std::fprintf(stderr, "error: no sample blocks arrived\n");
    return 5;
  }
  if (stream.draw_waterfall && !WriteWaterfall(options)) return 4;
  // Put the last second in order, oldest first, and find its strongest tone.
  std::size_t ring_pairs = stream.ring.size() / 2;
  std::vector<int16_t> last(2 * stream.ring_fill);
  std::size_t first = (stream.ring_next + ring_pairs - stream.ring_fill) % ring_pairs;
  for (std::size_t i = 0; i < stream.ring_fill; ++i) {
    std::size_t at = (first + i) % ring_pairs;
    last[2 * i] = stream.ring[2 * at];
    last[2 * i + 1] = stream.ring[2 * at + 1];
  }
  double peak = tessel::host::StrongestFrequency(last.data(), stream.ring_fill, stream.rate);
  std::printf("strongest frequency in the last second: %+.0f Hz from the tuning frequency\n", peak);
  return 0;
}

}  // namespace

int main() {
  HostOptions options;
  std::string error;
  // Paths may be in any language: the arguments come from the wide command line.
  if (!tessel::host::ParseOptions(fw::CommandLineArguments(), &options, &error)) {
    std::fprintf(stderr, "error: %s\n", error.c_str());
    return 1;
  }
  if (options.help) {
    std::fputs(tessel::host::UsageText(), stdout);
    return 0;
  }
  if (options.version) {
    std::fputs(tessel::host::VersionText().c_str(), stdout);
    return 0;
  }
  main_thread = GetCurrentThreadId();
  SetConsoleCtrlHandler(OnConsoleCtrl, TRUE);
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "error: %s\n", e.what());
    return 6;
  }
}

#include "bench/plugin/ThreadScenarios.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "bench/Clock.h"
#include "common/Handles.h"
#include "testing/MessagePump.h"
#include "tools/host/PluginApi.h"

namespace bench::threads {
namespace {

using tessel::host::PluginApi;

constexpr int32_t kFrequency = 7000000;
// How long the callback stays busy in the stop scenario: longer than any give-up
// time a StopHW may have, so that such a time shows in the figure.
constexpr DWORD kCallbackHoldMs = 200;
constexpr int kSetCalls = 5000;
constexpr UINT kHostMessage = WM_APP;
constexpr UINT kMeterMessage = WM_APP + 1;

// Prints one figure and flushes it, so that it survives a child killed later on.
void Report(const char* key, double value) {
  std::printf("%s=%.3f\n", key, value);
  std::fflush(stdout);
}

template <typename Done>
void PumpUntil(Done done, DWORD ms) {
  tessel::testing::PumpMessagesUntil(ms, done);
}

void Pump(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// Prints why the scenario cannot go on and ends this process at once: a thread stuck
// in the plug-in could hold up an ordinary exit. The parent reports the line.
[[noreturn]] void Abandon(const char* why) {
  std::printf("error=%s\n", why);
  std::fflush(stdout);
  TerminateProcess(GetCurrentProcess(), 3);
  for (;;) Sleep(INFINITE);
}

// Waits for `event` up to `ms`, handling only messages that other threads send to this
// one (as a host's thread that must not run its own message handlers yet).
bool WaitHandlingSent(HANDLE event, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return false;
    const DWORD r = MsgWaitForMultipleObjects(1, &event, FALSE, ms - elapsed, QS_SENDMESSAGE);
    if (r == WAIT_OBJECT_0) return true;
    if (r != WAIT_OBJECT_0 + 1) return false;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

double Percentile(std::vector<double> v, double fraction) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  const size_t at = static_cast<size_t>(fraction * static_cast<double>(v.size()));
  return v[std::min(at, v.size() - 1)];
}

// Removes the settings file beside this program, so that every sample starts from the
// plug-in's defaults.
void RemoveSettings() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  path = path.substr(0, path.find_last_of(L'\\') + 1) + L"Tessel-Calder_Marlo.ini";
  DeleteFileW(path.c_str());
}

bool Load(const std::wstring& dll, PluginApi* api) {
  RemoveSettings();
  HMODULE module = LoadLibraryW(dll.c_str());
  std::string missing;
  if (module == nullptr || !tessel::host::ResolvePluginApi(module, api, &missing)) {
    std::printf("error=cannot load the plug-in %s\n", missing.c_str());
    return false;
  }
  return true;
}

bool Open(const PluginApi& api, tessel::host::PluginCallback callback) {
  char name[64] = {}, model[64] = {};
  int32_t type = 0;
  if (!api.InitHW(name, model, &type)) {
    std::printf("error=InitHW failed: %s\n", name);
    return false;
  }
  api.SetCallback(callback);
  return true;
}

// A window of the host's own on this thread; `procedure` handles its messages.
common::ScopedWindow HostWindow(WNDPROC procedure) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = procedure;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"BenchThreadsHost";
  RegisterClassW(&wc);
  return common::ScopedWindow(CreateWindowExW(0, wc.lpszClassName, L"host", WS_OVERLAPPED, 0, 0,
                                              100, 100, HWND_MESSAGE, nullptr, wc.hInstance,
                                              nullptr));
}

// --- StopHW from a worker ------------------------------------------------------------

std::atomic<int> blocks_begun{0};
std::atomic<bool> hold_next_block{false};
HANDLE callback_entered = nullptr;  // set when the held callback has begun

void __cdecl HoldingCallback(int32_t count, int32_t, float, int16_t*) {
  if (count <= 0) return;
  ++blocks_begun;
  if (hold_next_block.exchange(false)) {
    SetEvent(callback_entered);
    Sleep(kCallbackHoldMs);
  }
}

int StopFromWorker(const PluginApi& api, bool busy) {
  common::ScopedHandle entered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  callback_entered = entered.get();
  if (!Open(api, &HoldingCallback)) return 1;
  if (api.StartHW(kFrequency) != 2048) {
    std::printf("error=StartHW failed\n");
    return 1;
  }
  Pump(200);
  if (blocks_begun == 0) {
    std::printf("error=no block arrived\n");
    return 1;
  }
  hold_next_block = busy;
  double stop_ms = -1;
  int at_return = 0;
  bool waited = true;
  std::atomic<bool> stopped{false};
  std::thread worker([&] {
    if (busy) waited = WaitForSingleObject(callback_entered, 2000) == WAIT_OBJECT_0;
    const double t0 = Now();
    api.StopHW();
    stop_ms = (Now() - t0) * 1e3;
    at_return = blocks_begun;
    stopped = true;
  });
  PumpUntil([&] { return stopped.load(); }, 20000);
  if (!stopped) Abandon("StopHW did not return in 20 s");
  worker.join();
  if (!waited) Abandon("no callback to hold");
  Pump(150);
  Report("stop_ms", stop_ms);
  // The held callback began before StopHW was called; any block after it is late.
  Report("late_blocks", blocks_begun - at_return);
  Report("ok", 1);
  api.CloseHW();
  return 0;
}

// --- the host's messages while a worker tunes ------------------------------------------

constexpr size_t kMaxPosts = 200000;
std::vector<double> posted_at(kMaxPosts);
std::vector<double> latencies;

LRESULT CALLBACK HostMessages(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kHostMessage) {
    if (wparam < kMaxPosts) latencies.push_back((Now() - posted_at[wparam]) * 1e3);
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

void __cdecl CountingCallback(int32_t count, int32_t, float, int16_t*) {
  if (count > 0) ++blocks_begun;
}

// `tune`: a worker sends the SetHWLO calls; otherwise it waits a second instead.
int HostMessagesWhileTuning(const PluginApi& api, bool tune) {
  latencies.reserve(kMaxPosts);
  common::ScopedWindow host = HostWindow(&HostMessages);
  if (!host) {
    std::printf("error=no host window\n");
    return 1;
  }
  if (!Open(api, &CountingCallback)) return 1;
  if (api.StartHW(kFrequency) != 2048) {
    std::printf("error=StartHW failed\n");
    return 1;
  }
  Pump(200);

  std::atomic<bool> stop_posting{false};
  std::atomic<size_t> posts{0};
  std::thread poster([&] {
    while (!stop_posting && posts < kMaxPosts) {
      const size_t i = posts;
      posted_at[i] = Now();
      if (PostMessageW(host.get(), kHostMessage, i, 0)) ++posts;
      Sleep(1);
    }
  });
  std::atomic<bool> tuned{false};
  double tuning_s = 0;
  std::thread worker([&] {
    const double t0 = Now();
    for (int i = 0; tune && i < kSetCalls; ++i) api.SetHWLO(kFrequency + (i % 200) * 1000);
    if (!tune) Sleep(1000);
    tuning_s = Now() - t0;
    tuned = true;
  });
  PumpUntil([&] { return tuned.load(); }, 100000);
  if (!tuned) Abandon("the SetHWLO calls did not end in 100 s");
  worker.join();
  Pump(50);
  stop_posting = true;
  poster.join();
  Pump(100);
  Report("tuning_ms", tuning_s * 1e3);
  Report("posted", static_cast<double>(posts));
  Report("lost", static_cast<double>(posts) - static_cast<double>(latencies.size()));
  Report("message_max_ms", Percentile(latencies, 1.0));
  Report("message_p99_ms", Percentile(latencies, 0.99));
  Report("message_median_ms", Percentile(latencies, 0.5));
  Report("ok", 1);
  api.StopHW();
  api.CloseHW();
  return 0;
}

// --- a callback that sends to the host's main thread ----------------------------------

HWND meter = nullptr;
std::atomic<int> meter_updates{0};
std::atomic<bool> arm_callback{false};

LRESULT CALLBACK Meter(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kMeterMessage) {
    ++meter_updates;
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

// The host's callback on the window's thread: it updates the host's level meter on the
// main thread with SendMessage. Armed, it first says it has begun and pauses briefly,
// so that the main thread's call into the plug-in is under way when the message goes.
void __cdecl SendingCallback(int32_t count, int32_t, float, int16_t*) {
  if (count <= 0) return;
  if (arm_callback.exchange(false)) {
    SetEvent(callback_entered);
    Sleep(5);
  }
  SendMessageW(meter, kMeterMessage, 0, 0);
}

// One call from the main thread while the callback sends to it; its time in ms.
template <typename Call>
double TimedWhileSending(Call call) {
  ResetEvent(callback_entered);
  arm_callback = true;
  if (!WaitHandlingSent(callback_entered, 3000)) return -1;
  const double t0 = Now();
  call();
  return (Now() - t0) * 1e3;
}

int CallbackSendsToCaller(const PluginApi& api) {
  common::ScopedHandle entered(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  callback_entered = entered.get();
  common::ScopedWindow host = HostWindow(&Meter);
  meter = host.get();
  if (!host) {
    std::printf("error=no host window\n");
    return 1;
  }
  // The window's thread: a worker that opens the session, streams and handles its
  // messages until told to close.
  std::atomic<int> opened{0};  // 1 streaming, -1 failed
  std::atomic<bool> quit{false}, closed{false};
  std::thread owner([&] {
    if (!Open(api, &SendingCallback) || api.StartHW(kFrequency) != 2048) {
      opened = -1;
      closed = true;
      return;
    }
    opened = 1;
    PumpUntil([&] { return quit.load(); }, 120000);
    api.StopHW();
    api.CloseHW();
    Pump(100);
    closed = true;
  });
  PumpUntil([&] { return opened != 0 && meter_updates >= 3; }, 10000);
  if (opened != 1 || meter_updates < 3) Abandon("the worker's session did not stream");
  int32_t frequency = 0, started = 0;
  const double get_ms = TimedWhileSending([&] { frequency = api.GetHWLO(); });
  Pump(100);
  const double start_ms = TimedWhileSending([&] { started = api.StartHW(kFrequency + 100000); });
  if (get_ms < 0 || start_ms < 0) Abandon("the callback was not called");
  Report("getlo_ms", get_ms);
  Report("getlo_value", frequency);
  Report("start_ms", start_ms);
  Report("start_result", started);
  Report("ok", 1);
  Pump(100);
  quit = true;
  PumpUntil([&] { return closed.load(); }, 20000);
  if (!closed) Abandon("the worker's close did not end in 20 s");
  owner.join();
  return 0;
}

}  // namespace

unsigned TimeoutMs(const std::string& scenario) {
  if (scenario == kHostMessages || scenario == kHostMessagesQuiet) return 150000;
  if (scenario == kCallbackSends) return 60000;
  return 40000;
}

int RunScenario(const std::string& scenario, const std::wstring& dll) {
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  SetEnvironmentVariableW(L"CALDER_SIM_UNPACED", nullptr);
  SetEnvironmentVariableW(L"CALDER_SIM_LOG", nullptr);
  PluginApi api{};
  if (!Load(dll, &api)) return 1;
  if (scenario == kStopIdle) return StopFromWorker(api, false);
  if (scenario == kStopBusy) return StopFromWorker(api, true);
  if (scenario == kHostMessages) return HostMessagesWhileTuning(api, true);
  if (scenario == kHostMessagesQuiet) return HostMessagesWhileTuning(api, false);
  if (scenario == kCallbackSends) return CallbackSendsToCaller(api);
  std::printf("error=no scenario %s\n", scenario.c_str());
  return 1;
}

}  // namespace bench::threads

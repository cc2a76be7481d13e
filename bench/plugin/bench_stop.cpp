// How long StopHW takes on a host's worker, and whether any block follows it: with the
// window's thread idle in its message loop (the baseline), and with that thread
// blocked in the host's callback, waiting for a lock the worker holds while it stops.
// Each round stops and starts the stream once in each way. TESSEL_DLL (a Windows path)
// names another build of the plug-in to measure.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/host/PluginApi.h"

namespace {

using tessel::host::PluginApi;

std::atomic<int> blocks{0};
std::mutex host_lock;
// Set while the worker holds host_lock: the next block's callback waits for it.
std::atomic<bool> take_lock{false};
std::atomic<bool> waiting_for_lock{false};

void __cdecl Callback(int32_t count, int32_t, float, int16_t*) {
  if (count <= 0) return;
  if (take_lock) {
    waiting_for_lock = true;
    std::lock_guard<std::mutex> hold(host_lock);
  }
  ++blocks;
}

// Handles this thread's messages until `thread` has ended, or for `ms` without one.
void PumpUntil(HANDLE thread, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    const DWORD n = thread != nullptr ? 1 : 0;
    if (MsgWaitForMultipleObjects(n, &thread, FALSE, ms - elapsed, QS_ALLINPUT) == WAIT_OBJECT_0 &&
        thread != nullptr)
      return;
  }
}

double Microseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

struct Stop {
  double us = 0;
  int late_blocks = 0;  // blocks that began after StopHW returned
};

// One StopHW from a worker; `blocked`: the window's thread waits in the callback for
// the lock the worker holds meanwhile.
Stop StopFromWorker(const PluginApi& api, bool blocked) {
  Stop stop;
  int at_return = 0;
  std::thread worker([&] {
    std::unique_lock<std::mutex> hold(host_lock, std::defer_lock);
    if (blocked) {
      hold.lock();
      waiting_for_lock = false;
      take_lock = true;
      for (int i = 0; i < 500 && !waiting_for_lock; ++i) Sleep(1);
    }
    LARGE_INTEGER begin, end;
    QueryPerformanceCounter(&begin);
    api.StopHW();
    QueryPerformanceCounter(&end);
    at_return = blocks;
    stop.us = Microseconds(begin, end);
    take_lock = false;
  });
  PumpUntil(reinterpret_cast<HANDLE>(worker.native_handle()), 10000);
  worker.join();
  PumpUntil(nullptr, 150);
  // The callback that was already waiting for the lock had begun before StopHW.
  stop.late_blocks = std::max(0, blocks - at_return - (blocked ? 1 : 0));
  return stop;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int rounds = 15;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
      rounds = std::atoi(argv[++i]);
    } else {
      std::printf("usage: bench_stop [--rounds N]\n");
      return 2;
    }
  }
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  SetEnvironmentVariableW(L"CALDER_SIM_LOG", nullptr);
  std::string dll = "Z:" + std::string(TESSEL_DLL_PATH);
  if (const char* other = std::getenv("TESSEL_DLL")) dll = other;
  for (char& c : dll) {
    if (c == '/') c = '\\';
  }
  HMODULE module = LoadLibraryA(dll.c_str());
  PluginApi api{};
  std::string missing;
  if (module == nullptr || !tessel::host::ResolvePluginApi(module, &api, &missing)) {
    std::fprintf(stderr, "error: cannot load %s %s\n", dll.c_str(), missing.c_str());
    return 1;
  }
  char name[64] = {}, model[64] = {};
  int32_t type = 0;
  if (!api.InitHW(name, model, &type)) {
    std::fprintf(stderr, "error: InitHW failed: %s\n", name);
    return 1;
  }
  api.SetCallback(&Callback);

  std::vector<double> idle, blocked;
  int late_idle = 0, late_blocked = 0;
  for (int round = 0; round < rounds; ++round) {
    for (bool block : {false, true}) {
      if (api.StartHW(7000000) != 2048) {
        std::fprintf(stderr, "error: StartHW failed\n");
        return 1;
      }
      PumpUntil(nullptr, 100);
      Stop stop = StopFromWorker(api, block);
      (block ? blocked : idle).push_back(stop.us);
      (block ? late_blocked : late_idle) += stop.late_blocks;
    }
  }
  api.CloseHW();

  const double idle_us = Median(idle), blocked_us = Median(blocked);
  std::printf("StopHW from a worker, %d rounds (%s)\n", rounds, dll.c_str());
  std::printf("  window's thread idle:    median %.0f us, max %.0f us, blocks after it %d\n",
              idle_us, *std::max_element(idle.begin(), idle.end()), late_idle);
  std::printf("  window's thread blocked: median %.0f us, max %.0f us, blocks after it %d\n",
              blocked_us, *std::max_element(blocked.begin(), blocked.end()), late_blocked);
  std::printf("  ratio blocked/idle: %.2f\n", idle_us > 0 ? blocked_us / idle_us : 0);
  return late_idle == 0 && late_blocked == 0 ? 0 : 1;
}

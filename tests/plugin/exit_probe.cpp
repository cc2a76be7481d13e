// A host process that opens the plug-in with the stand-in receiver, streams for a
// moment and ends, in one of several ways:
//   exit_probe VARIANT [DELAY_US]
// After its last call into the library it spins DELAY_US microseconds (0 by default),
// handling no message, before it ends: a run over a range of delays ends the process
// at every moment of what the library still does after its last call returned. It
// ends with the variant's own exit code (kFirstCode + its number) when every step
// went as planned, with a code below kFirstCode naming the step that did not, and
// with anything else only when the process died on its way out.
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "testing/MessagePump.h"
#include "tools/host/PluginApi.h"

namespace {

using tessel::host::PluginApi;

constexpr int kFirstCode = 40;
// The steps that can fail before the end.
constexpr int kUsage = 2;
constexpr int kLoad = 3;
constexpr int kInit = 4;
constexpr int kStart = 5;
constexpr int kNoBlocks = 6;
constexpr int kStillLoaded = 7;
constexpr int kThread = 8;

// How the process ends once it has streamed.
enum class Ending {
  kCloseAndUnload,          // StopHW, CloseHW, FreeLibrary, waits until the DLL is gone
  kCloseAndKeep,            // StopHW, CloseHW, returns with the DLL loaded
  kWhileStreaming,          // returns while blocks arrive: no StopHW, no CloseHW
  kRightAfterUnload,        // StopHW, CloseHW, FreeLibrary, returns at once
  kExitProcessStreaming,    // ExitProcess while blocks arrive, no static destructor of ours
  kWindowOnWorker,          // the session's window on a worker that still streams
  kWorkerClosesAndUnloads,  // the window on a worker; this thread closes and unloads
  kCallWithoutSession,      // one entry point called with no session open, then the end
};

struct Variant {
  const char* name;
  Ending ending;
};

constexpr Variant kVariants[] = {
    {"close-unload", Ending::kCloseAndUnload},
    {"close-keep", Ending::kCloseAndKeep},
    {"streaming", Ending::kWhileStreaming},
    {"unload-at-once", Ending::kRightAfterUnload},
    {"exit-process", Ending::kExitProcessStreaming},
    {"window-on-worker", Ending::kWindowOnWorker},
    {"worker-window-close-unload", Ending::kWorkerClosesAndUnloads},
    {"call-without-session", Ending::kCallWithoutSession},
};

std::atomic<int> blocks{0};
DWORD delay_us = 0;

// Spins for `delay_us` microseconds, then returns `code`.
int AfterDelay(int code) {
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const LONGLONG ticks = frequency.QuadPart * delay_us / 1000000;
  do {
    QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < ticks);
  return code;
}

void __cdecl CountBlocks(int32_t count, int32_t, float, int16_t*) {
  if (count > 0) ++blocks;
}

template <class Done>
void Pump(DWORD ms, Done done) {
  tessel::testing::PumpMessagesUntil(ms, done);
}

// Waits for a few blocks while handling messages; false when none came in 3 s.
bool StreamAMoment() {
  Pump(3000, [] { return blocks.load() >= 3; });
  return blocks.load() >= 3;
}

// Opens the session on this thread and starts the stream; 0 or the failed step.
int OpenAndStart(const PluginApi& api) {
  char name[256] = {};
  char model[256] = {};
  int32_t type = 0;
  if (!api.InitHW(name, model, &type)) return kInit;
  api.SetCallback(&CountBlocks);
  if (api.StartHW(7050000) <= 0) return kStart;
  return 0;
}

bool DllGone() {
  return GetModuleHandleW(L"Tessel_Calder.dll") == nullptr;
}

// The window's thread of the worker variants: opens, streams, and handles its
// messages until told to end (it never is in kWindowOnWorker).
struct Worker {
  const PluginApi* api;
  HANDLE opened;  // set once the stream runs, or the open failed
  std::atomic<int> failure{0};
  std::atomic<bool> end{false};
};

DWORD WINAPI WorkerThread(void* parameter) {
  auto* worker = static_cast<Worker*>(parameter);
  worker->failure = OpenAndStart(*worker->api);
  SetEvent(worker->opened);
  while (!worker->end.load()) Pump(50, [&] { return worker->end.load(); });
  return 0;
}

// The plug-in: TESSEL_DLL (a Windows path) names another build, else the build's own.
std::string DllPath() {
  if (const char* other = std::getenv("TESSEL_DLL")) return other;
  std::string path = std::string("Z:") + TESSEL_DLL_PATH;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

int Run(const Variant& variant, int code) {
  HMODULE module = LoadLibraryA(DllPath().c_str());
  if (module == nullptr) return kLoad;
  PluginApi api{};
  std::string missing;
  if (!tessel::host::ResolvePluginApi(module, &api, &missing)) return kLoad;
  if (variant.ending == Ending::kCallWithoutSession) {
    // The library's hold on its own image goes from none to one and back.
    return api.GetStatus() == 0 ? AfterDelay(code) : kInit;
  }

  if (variant.ending == Ending::kWindowOnWorker ||
      variant.ending == Ending::kWorkerClosesAndUnloads) {
    static Worker worker{&api, CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    HANDLE thread = CreateThread(nullptr, 0, &WorkerThread, &worker, 0, nullptr);
    if (thread == nullptr || worker.opened == nullptr) return kThread;
    if (WaitForSingleObject(worker.opened, 15000) != WAIT_OBJECT_0) return kThread;
    if (worker.failure != 0) return worker.failure;
    // The blocks arrive on the worker; this thread only waits for them.
    for (int i = 0; i < 300 && blocks.load() < 3; ++i) Sleep(10);
    if (blocks.load() < 3) return kNoBlocks;
    if (variant.ending == Ending::kWindowOnWorker) return AfterDelay(code);
    api.StopHW();
    api.CloseHW();
    FreeLibrary(module);
    // The worker's window goes on its own thread, which goes on handling messages;
    // the library goes once that thread is out of its code.
    for (int i = 0; i < 300 && !DllGone(); ++i) Sleep(10);
    return DllGone() ? AfterDelay(code) : kStillLoaded;
  }

  if (const int failure = OpenAndStart(api); failure != 0) return failure;
  if (!StreamAMoment()) return kNoBlocks;
  switch (variant.ending) {
    case Ending::kWhileStreaming:
      return AfterDelay(code);
    case Ending::kExitProcessStreaming:
      ExitProcess(AfterDelay(code));
    case Ending::kCloseAndKeep:
      api.StopHW();
      api.CloseHW();
      return AfterDelay(code);
    case Ending::kRightAfterUnload:
      api.StopHW();
      api.CloseHW();
      FreeLibrary(module);
      return AfterDelay(code);
    case Ending::kCloseAndUnload:
    default:
      api.StopHW();
      api.CloseHW();
      FreeLibrary(module);
      Pump(3000, [] { return DllGone(); });
      return DllGone() ? AfterDelay(code) : kStillLoaded;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) return kUsage;
  if (argc == 3) delay_us = std::strtoul(argv[2], nullptr, 10);
  for (int i = 0; i < static_cast<int>(std::size(kVariants)); ++i) {
    if (std::strcmp(argv[1], kVariants[i].name) == 0) return Run(kVariants[i], kFirstCode + i);
  }
  return kUsage;
}

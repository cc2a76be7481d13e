// The data path's capacity: sample blocks per second from the stand-in, unpaced,
// through the plug-in to a host callback, against the same stand-in driven
// directly (the same GetIntegerData and IQOffset calls per block). Also counts the
// heap allocations the plug-in's own code makes while it streams. Each round runs
// both back to back; the ratios are medians over the rounds, by wall time and by
// this thread's processor time (which other load on the machine disturbs less).
#include <windows.h>
#include <ocidl.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "common/Handles.h"
#include "contract/CalderContract.h"
#include "testing/FakeDispatch.h"

namespace {

constexpr DWORD kRunMs = 1000;
int rounds = 9;  // --rounds N

// Processor time this thread has used, in seconds.
double ThreadSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return ((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
  };
  return seconds(kernel) + seconds(user);
}

// Blocks per second of wall time and of this thread's processor time.
struct Rate {
  double wall = 0;
  double cpu = 0;
};

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// --- counting the plug-in's allocations ---------------------------------------

long allocations = 0;
void*(__cdecl* real_malloc)(size_t) = nullptr;
void*(__cdecl* real_calloc)(size_t, size_t) = nullptr;
void*(__cdecl* real_realloc)(void*, size_t) = nullptr;
char*(__cdecl* real_strdup)(const char*) = nullptr;

void* __cdecl CountingMalloc(size_t n) {
  ++allocations;
  return real_malloc(n);
}
void* __cdecl CountingCalloc(size_t n, size_t size) {
  ++allocations;
  return real_calloc(n, size);
}
void* __cdecl CountingRealloc(void* p, size_t n) {
  ++allocations;
  return real_realloc(p, n);
}
char* __cdecl CountingStrdup(const char* s) {
  ++allocations;
  return real_strdup(s);
}

// Points the module's import of `name` (from any DLL) at `hook`; returns the old target.
void* PatchImport(HMODULE module, const char* name, void* hook) {
  auto* base = reinterpret_cast<uint8_t*>(module);
  auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (dir.VirtualAddress == 0) return nullptr;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d->Name;
       ++d) {
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      auto* by_name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), name) != 0) continue;
      DWORD old = 0;
      VirtualProtect(&slots->u1.Function, sizeof(void*), PAGE_READWRITE, &old);
      void* previous = reinterpret_cast<void*>(slots->u1.Function);
      slots->u1.Function = reinterpret_cast<uintptr_t>(hook);
      VirtualProtect(&slots->u1.Function, sizeof(void*), old, &old);
      return previous;
    }
  }
  return nullptr;
}

template <typename F>
void Hook(HMODULE module, const char* name, F* real, F hook) {
  void* previous = PatchImport(module, name, reinterpret_cast<void*>(hook));
  if (previous != nullptr) *real = reinterpret_cast<F>(previous);
}

// Dispatches messages for `ms`; the unpaced stand-in never lets the queue run dry.
void Pump(DWORD ms) {
  DWORD start = GetTickCount();
  MSG message;
  while (GetTickCount() - start < ms) {
    if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

// --- the baseline: the bench as the component's only client -----------------------

int16_t buffer[8192];
struct {
  DWORD vartype = VT_I2;
  SAFEARRAY array{};
} descriptor;

long direct_blocks = 0;
int direct_status = -99;
float direct_offset = 0;
// Borrowed from RunDirect's owner while the direct client runs.
IDispatch* direct_component = nullptr;

HRESULT Call(DISPID id, WORD flags, VARIANT* args, UINT count, VARIANT* result) {
  DISPPARAMS params{args, nullptr, count, 0};
  return direct_component->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                                  nullptr, nullptr);
}

// What the plug-in does per block, minus the plug-in.
void DirectBlock() {
  SAFEARRAY* pointer = &descriptor.array;
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_ARRAY | VT_I2 | VT_BYREF;
  arg.pparray = &pointer;
  VARIANT count;
  VariantInit(&count);
  Call(calder::kGetIntegerData, DISPATCH_METHOD, &arg, 1, &count);
  VARIANT offset;
  VariantInit(&offset);
  Call(calder::kIQOffset, DISPATCH_PROPERTYGET, nullptr, 0, &offset);
  direct_offset = static_cast<float>(offset.dblVal);
  ++direct_blocks;
}

void OnDirectEvent(DISPID id, const DISPPARAMS& params) {
  if (id == calder::kOnStatusChange) direct_status = params.rgvarg[0].lVal;
  if (id == calder::kOnDataRdy) DirectBlock();
}

Rate RunDirect() {
  descriptor.array.cDims = 1;
  descriptor.array.fFeatures = FADF_STATIC | FADF_FIXEDSIZE | FADF_HAVEVARTYPE;
  descriptor.array.cbElements = 2;
  descriptor.array.pvData = buffer;
  descriptor.array.rgsabound[0].cElements = 8192;
  common::ComPtr<IDispatch> component;
  if (FAILED(CoCreateInstance(calder::kClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                              &component))) {
    std::fprintf(stderr, "error: the stand-in component is not registered\n");
    return {};
  }
  direct_component = component.Get();
  common::ComPtr<IConnectionPointContainer> container;
  common::ComPtr<IConnectionPoint> point;
  component.As(&container);
  container->FindConnectionPoint(calder::kEventsIid, &point);
  tessel::testing::FakeDispatch sink([](DISPID id, WORD, DISPPARAMS* params, VARIANT*) {
    if (params != nullptr) OnDirectEvent(id, *params);
    return S_OK;
  });
  DWORD cookie = 0;
  point->Advise(&sink, &cookie);
  direct_status = -99;
  Call(calder::kInitControl, DISPATCH_METHOD, nullptr, 0, nullptr);
  DWORD start = GetTickCount();
  while (direct_status == -99 && GetTickCount() - start < 5000) Pump(10);
  // The settings the plug-in writes at its InitHW with no settings file, so that the
  // stand-in makes the same signal (its level decides how often samples clip).
  const std::pair<DISPID, int32_t> settings[] = {
      {calder::kIFfilter, calder::kFilterRates[5].index},
      {calder::kHFgain, -10},
      {calder::kIFgain, 24},
  };
  for (const auto& [id, value] : settings) {
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = value;
    DISPID put = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &put, 1, 1};
    component->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                      nullptr, nullptr);
  }
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = args[1].vt = VT_I2;
  args[0].iVal = 0;
  args[1].iVal = 1;
  Call(calder::kStart, DISPATCH_METHOD, args, 2, nullptr);
  Pump(200);  // settle
  long before = direct_blocks;
  DWORD t0 = GetTickCount();
  double cpu0 = ThreadSeconds();
  Pump(kRunMs);
  double seconds = (GetTickCount() - t0) / 1000.0;
  double cpu = ThreadSeconds() - cpu0;
  long blocks = direct_blocks - before;
  Call(calder::kStop, DISPATCH_METHOD, nullptr, 0, nullptr);
  Pump(100);
  point->Unadvise(cookie);
  return {blocks / seconds, cpu > 0 ? blocks / cpu : 0};
}

// --- through the plug-in ---------------------------------------------------------

long plugin_blocks = 0;
void __cdecl CountBlock(int32_t count, int32_t, float, int16_t* samples) {
  if (count >= 0 && samples != nullptr) ++plugin_blocks;
}

struct PluginRun {
  Rate rate;
  long blocks;
  long allocations;
};

template <typename F>
F Entry(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

PluginRun RunPlugin(HMODULE module) {
  auto init = Entry<bool(__stdcall*)(char*, char*, int32_t*)>(module, "InitHW");
  auto set_callback = Entry<void(__stdcall*)(void(__cdecl*)(int32_t, int32_t, float, int16_t*))>(
      module, "SetCallback");
  auto start = Entry<int32_t(__stdcall*)(int32_t)>(module, "StartHW");
  auto stop = Entry<void(__stdcall*)()>(module, "StopHW");
  char name[64], model[64];
  int32_t type = 0;
  if (!init(name, model, &type)) {
    std::fprintf(stderr, "error: InitHW failed: %s\n", name);
    return {};
  }
  set_callback(&CountBlock);
  start(7100000);
  Pump(200);
  long before = plugin_blocks;
  long allocations_before = allocations;
  DWORD t0 = GetTickCount();
  double cpu0 = ThreadSeconds();
  Pump(kRunMs);
  double seconds = (GetTickCount() - t0) / 1000.0;
  double cpu = ThreadSeconds() - cpu0;
  long blocks = plugin_blocks - before;
  PluginRun run{
      {blocks / seconds, cpu > 0 ? blocks / cpu : 0}, blocks, allocations - allocations_before};
  stop();
  Pump(100);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--rounds") == 0 && i + 1 < argc && std::atoi(argv[i + 1]) > 0) {
      rounds = std::atoi(argv[++i]);
    } else {
      std::printf("usage: bench_datapath [--rounds N]\n");
      return 2;
    }
  }
  SetEnvironmentVariableW(L"CALDER_SIM_UNPACED", L"64");
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  SetEnvironmentVariableW(L"CALDER_SIM_LOG", nullptr);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  std::string dll = "Z:" + std::string(TESSEL_DLL_PATH);
  // TESSEL_DLL (a Windows path) measures another build of the plug-in.
  if (const char* other = std::getenv("TESSEL_DLL")) dll = other;
  for (char& c : dll) {
    if (c == '/') c = '\\';
  }
  // No settings file beside the bench: the plug-in takes its defaults, which the
  // direct client puts too.
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string settings = self;
  settings = settings.substr(0, settings.find_last_of('\\') + 1) + "Tessel-Calder_Marlo.ini";
  DeleteFileA(settings.c_str());
  HMODULE module = LoadLibraryA(dll.c_str());
  if (module == nullptr) {
    std::fprintf(stderr, "error: cannot load %s\n", dll.c_str());
    return 1;
  }
  Hook(module, "malloc", &real_malloc, &CountingMalloc);
  Hook(module, "calloc", &real_calloc, &CountingCalloc);
  Hook(module, "realloc", &real_realloc, &CountingRealloc);
  Hook(module, "_strdup", &real_strdup, &CountingStrdup);
  if (real_malloc == nullptr) {
    std::fprintf(stderr, "error: could not hook the plug-in's malloc\n");
    return 1;
  }

  std::vector<double> direct_rates, plugin_rates, wall_ratios, cpu_ratios, extra_us;
  long blocks = 0, allocs = 0;
  for (int round = 0; round < rounds; ++round) {
    // Alternate which goes first, so neither always runs on a warmer machine.
    Rate d{};
    PluginRun p{};
    if (round % 2 == 0) {
      d = RunDirect();
      p = RunPlugin(module);
    } else {
      p = RunPlugin(module);
      d = RunDirect();
    }
    std::printf(
        "round %d: direct %.0f blocks/s (%.0f per cpu s), through the plug-in %.0f (%.0f)\n",
        round + 1, d.wall, d.cpu, p.rate.wall, p.rate.cpu);
    direct_rates.push_back(d.wall);
    plugin_rates.push_back(p.rate.wall);
    if (d.wall > 0) wall_ratios.push_back(p.rate.wall / d.wall);
    if (d.cpu > 0) cpu_ratios.push_back(p.rate.cpu / d.cpu);
    if (d.cpu > 0 && p.rate.cpu > 0) extra_us.push_back(1e6 / p.rate.cpu - 1e6 / d.cpu);
    blocks += p.blocks;
    allocs += p.allocations;
  }
  Entry<void(__stdcall*)()>(module, "CloseHW")();

  const double direct = Median(direct_rates), plugin = Median(plugin_rates);
  std::printf("data path, stand-in unpaced (64 blocks per message), %d rounds of %lu ms each\n",
              rounds, kRunMs);
  std::printf("  direct client:      %.0f blocks/s (median)\n", direct);
  std::printf("  through the plug-in: %.0f blocks/s (%.0f I/Q pairs/s at 1024 pairs a block)\n",
              plugin, plugin * 1024);
  std::printf("  ratio plug-in/direct: %.3f (median of rounds; by processor time %.3f)\n",
              Median(wall_ratios), Median(cpu_ratios));
  std::printf("  processor time the plug-in adds per block: %.2f us (median of rounds)\n",
              Median(extra_us));
  std::printf("  plug-in heap allocations while streaming: %ld over %ld blocks (%.4f per block)\n",
              allocs, blocks, blocks > 0 ? static_cast<double>(allocs) / blocks : 0);
  CoUninitialize();
  return allocs == 0 && blocks > 0 ? 0 : 1;
}

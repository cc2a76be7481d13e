// The cost of the plug-in's first InitHW with a component that answers at once,
// against the least any client must do for the same answer: create one bare window
// and the component, connect its events, call InitControl and handle messages until
// the first status arrives. Each measurement runs in a fresh process (the first
// InitHW happens once per process), the kinds alternating; the ratio is of the
// medians.
//
// Each plug-in process also records where the library's time goes (the DLL's stage
// record, TESSEL_STAGE_TIMES): the bench prints each stage's median over the
// processes. It then times the first OpenHW, which shows the window on the screen for
// the first time, so that what the start-up leaves for the first show is counted too.
// TESSEL_DLL (a Windows path) measures another build of the plug-in in place of this
// one; TESSEL_DLL_BEFORE measures a second build alongside it in the same run, so that
// two builds are compared under the same load.
#include <windows.h>
#include <ocidl.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/Clock.h"
#include "common/Handles.h"
#include "contract/CalderContract.h"
#include "framework/StageTimeline.h"
#include "testing/FakeDispatch.h"

namespace {

// Processes of each kind; TESSEL_BENCH_RUNS asks for another number (on a busy
// machine more runs steady the medians).
constexpr int kDefaultRuns = 7;

using bench::Now;
using Stages = std::array<double, fw::kStageCount>;

int status = -99;

// Takes the component's status event; every other event is ignored.
void OnEvent(DISPID id, const DISPPARAMS& params) {
  if (id == calder::kOnStatusChange && params.cArgs == 1) status = params.rgvarg[0].lVal;
}

// The baseline in this process: seconds from nothing to the first status.
double Baseline() {
  const double t0 = Now();
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"BenchBareWindow";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(WS_EX_TOPMOST, wc.lpszClassName, L"bare", WS_POPUP, 0, 0, 300, 200,
                                nullptr, nullptr, wc.hInstance, nullptr);
  common::ComPtr<IDispatch> component;
  if (window == nullptr || FAILED(CoCreateInstance(calder::kClassId, nullptr, CLSCTX_INPROC_SERVER,
                                                   IID_IDispatch, &component))) {
    return -1;
  }
  common::ComPtr<IConnectionPointContainer> container;
  common::ComPtr<IConnectionPoint> point;
  component.As(&container);
  container->FindConnectionPoint(calder::kEventsIid, &point);
  tessel::testing::FakeDispatch sink([](DISPID id, WORD, DISPPARAMS* params, VARIANT*) {
    if (params != nullptr) OnEvent(id, *params);
    return S_OK;
  });
  DWORD cookie = 0;
  point->Advise(&sink, &cookie);
  DISPPARAMS none{};
  component->Invoke(calder::kInitControl, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                    nullptr, nullptr, nullptr);
  MSG message;
  while (status == -99 && GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  const double seconds = Now() - t0;
  point->Unadvise(cookie);
  DestroyWindow(window);
  return status == 1 ? seconds : -1;
}

// The stage record the DLL wrote to `path` ("seconds stage" lines), or none.
std::vector<fw::StageSwitch> ReadSwitches(const std::wstring& path) {
  std::vector<fw::StageSwitch> switches;
  FILE* file = _wfopen(path.c_str(), L"r");
  if (file == nullptr) return switches;
  double at = 0;
  int stage = 0;
  while (std::fscanf(file, "%lf %d", &at, &stage) == 2) {
    if (stage >= 0 && stage < static_cast<int>(fw::kStageCount))
      switches.push_back({at, static_cast<fw::Stage>(stage)});
  }
  std::fclose(file);
  return switches;
}

// The plug-in `dll`'s first InitHW in this process, in seconds (the DLL already
// loaded). Its stages, from the DLL's record, go to the file the record was written
// to with ".sum" added: one line of seconds for each stage.
double Plugin(const wchar_t* dll) {
  HMODULE module = LoadLibraryW(dll);
  if (module == nullptr) return -1;
  auto init = reinterpret_cast<bool(__stdcall*)(char*, char*, int32_t*)>(
      reinterpret_cast<void*>(GetProcAddress(module, "InitHW")));
  auto close = reinterpret_cast<void(__stdcall*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "CloseHW")));
  auto open = reinterpret_cast<bool(__stdcall*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "OpenHW")));
  char name[64], model[64];
  int32_t type = 0;
  const double t0 = Now();
  const bool ok = init(name, model, &type);
  const double t1 = Now();
  // Shown and drawn: the open's time runs until the window's paints are done.
  open();
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  const double t2 = Now();
  // The record is written as the window goes.
  close();
  wchar_t record[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(L"TESSEL_STAGE_TIMES", record, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    if (FILE* opened = _wfopen((std::wstring(record) + L".open").c_str(), L"w")) {
      std::fprintf(opened, "%.9f\n", t2 - t1);
      std::fclose(opened);
    }
    const std::vector<fw::StageSwitch> switches = ReadSwitches(record);
    if (!switches.empty()) {
      const Stages totals = fw::StageTotals(switches, t0, t1, fw::Stage::kEntry);
      if (FILE* sum = _wfopen((std::wstring(record) + L".sum").c_str(), L"w")) {
        for (double seconds : totals) std::fprintf(sum, "%.9f\n", seconds);
        std::fclose(sum);
      }
    }
  }
  return ok ? t1 - t0 : -1;
}

// Runs this program with `arguments`; returns what it measured, in seconds (< 0:
// failed).
double Child(const std::wstring& arguments) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  // The child's exit code is its time in microseconds, 0 when it failed.
  return code == 0 ? -1 : code / 1e6;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A plug-in build measured in this run, with what each of its processes measured.
struct Build {
  std::wstring Label;
  std::wstring Dll;
  std::vector<double> Totals;
  std::vector<Stages> StageRuns;
  // The first OpenHW after each InitHW.
  std::vector<double> Opens;
};

// The Windows path of `variable`, or `fallback` when it is not set.
std::wstring PathFrom(const wchar_t* variable, const std::wstring& fallback) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetEnvironmentVariableW(variable, path, MAX_PATH);
  return length > 0 && length < MAX_PATH ? std::wstring(path, length) : fallback;
}

// Measures `build` once in a fresh process, with its stage record in `record`.
bool MeasureOnce(Build& build, const std::wstring& record) {
  DeleteFileW(record.c_str());
  DeleteFileW((record + L".sum").c_str());
  DeleteFileW((record + L".open").c_str());
  SetEnvironmentVariableW(L"TESSEL_STAGE_TIMES", record.c_str());
  const double seconds = Child(L"p \"" + build.Dll + L"\"");
  SetEnvironmentVariableW(L"TESSEL_STAGE_TIMES", nullptr);
  if (seconds < 0) return false;
  build.Totals.push_back(seconds);
  if (FILE* sum = _wfopen((record + L".sum").c_str(), L"r")) {
    Stages stages{};
    bool whole = true;
    for (double& s : stages) whole = whole && std::fscanf(sum, "%lf", &s) == 1;
    std::fclose(sum);
    if (whole) build.StageRuns.push_back(stages);
  }
  if (FILE* opened = _wfopen((record + L".open").c_str(), L"r")) {
    double open = 0;
    if (std::fscanf(opened, "%lf", &open) == 1) build.Opens.push_back(open);
    std::fclose(opened);
  }
  DeleteFileW(record.c_str());
  DeleteFileW((record + L".sum").c_str());
  DeleteFileW((record + L".open").c_str());
  return true;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr) return 1;
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  SetEnvironmentVariableW(L"CALDER_SIM_UNPACED", nullptr);
  SetEnvironmentVariableW(L"CALDER_SIM_LOG", nullptr);
  if (argc >= 2) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const double seconds = argv[1][0] == L'b' ? Baseline() : argc == 3 ? Plugin(argv[2]) : -1;
    return seconds > 0 ? static_cast<int>(seconds * 1e6) + 1 : 0;
  }
  std::string built = "Z:" + std::string(TESSEL_DLL_PATH);
  std::replace(built.begin(), built.end(), '/', '\\');
  std::vector<Build> builds;
  const std::wstring before = PathFrom(L"TESSEL_DLL_BEFORE", L"");
  if (!before.empty()) builds.push_back({L"before", before, {}, {}, {}});
  builds.push_back({before.empty() ? L"plug-in" : L"after",
                    PathFrom(L"TESSEL_DLL", std::wstring(built.begin(), built.end())),
                    {},
                    {},
                    {}});
  for (const Build& b : builds) std::printf("%ls: %ls\n", b.Label.c_str(), b.Dll.c_str());

  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring record =
      std::wstring(temp) + L"bench_init_stages_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  wchar_t runs_text[16];
  int runs = kDefaultRuns;
  if (GetEnvironmentVariableW(L"TESSEL_BENCH_RUNS", runs_text, 16) > 0)
    runs = std::clamp(_wtoi(runs_text), 1, 101);
  std::vector<double> bare;
  for (int run = 0; run < runs; ++run) {
    const double b = Child(L"b");
    if (b < 0) {
      std::fprintf(stderr, "error: a run failed (is the stand-in registered?)\n");
      return 1;
    }
    bare.push_back(b);
    std::printf("run %d: bare window and component %.1f ms", run + 1, b * 1e3);
    for (Build& build : builds) {
      if (!MeasureOnce(build, record)) {
        std::fprintf(stderr, "\nerror: the first InitHW of %ls failed\n", build.Dll.c_str());
        return 1;
      }
      std::printf(", %ls %.1f ms", build.Label.c_str(), build.Totals.back() * 1e3);
    }
    std::printf("\n");
  }

  const double b = Median(bare);
  std::printf("\nfirst InitHW, component answering at once, median of %d processes each\n", runs);
  std::printf("  bare window + component to first status: %6.1f ms\n", b * 1e3);
  for (const Build& build : builds) {
    const double p = Median(build.Totals);
    std::printf("  %-40ls %6.1f ms   ratio to baseline %.2f\n", (build.Label + L" InitHW:").c_str(),
                p * 1e3, p / b);
  }
  std::printf("the first OpenHW after it, until its paints are done (median)\n");
  for (const Build& build : builds) {
    std::printf("  %-40ls %6.1f ms\n", (build.Label + L" OpenHW:").c_str(),
                Median(build.Opens) * 1e3);
  }
  std::printf(
      "\nwhere the plug-in's time goes, ms (median of each stage over the processes;\n"
      "a stage's own time, without the stages inside it; medians need not add up)\n");
  std::printf("  %-32s", "stage");
  for (const Build& build : builds) std::printf(" %9ls", build.Label.c_str());
  std::printf("\n");
  for (std::size_t i = 0; i < fw::kStageCount; ++i) {
    std::printf("  %-32s", fw::StageName(static_cast<fw::Stage>(i)));
    for (const Build& build : builds) {
      if (build.StageRuns.empty()) {
        std::printf(" %9s", "-");
        continue;
      }
      std::vector<double> values;
      for (const Stages& s : build.StageRuns) values.push_back(s[i]);
      std::printf(" %9.2f", Median(values) * 1e3);
    }
    std::printf("\n");
  }
  for (const Build& build : builds) {
    if (build.StageRuns.size() < build.Totals.size())
      std::printf("  (%ls: %zu of %zu processes left a stage record)\n", build.Label.c_str(),
                  build.StageRuns.size(), build.Totals.size());
  }
  return 0;
}

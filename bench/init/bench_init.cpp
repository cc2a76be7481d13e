// The cost of the plug-in's first InitHW with a component that answers at once,
// against the least any client must do for the same answer: create one bare window
// and the component, connect its events, call InitControl and handle messages until
// the first status arrives. Each measurement runs in a fresh process (the first
// InitHW happens once per process), the two kinds alternating; the ratio is of the
// medians.
#include <windows.h>
#include <ocidl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/Clock.h"
#include "common/Handles.h"
#include "contract/CalderContract.h"
#include "testing/FakeDispatch.h"

namespace {

constexpr int kRuns = 7;

using bench::Now;

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

// The plug-in's first InitHW in this process, in seconds (the DLL already loaded).
// TESSEL_DLL (a Windows path) names another build of the plug-in to measure.
double Plugin() {
  std::string dll = "Z:" + std::string(TESSEL_DLL_PATH);
  if (const char* other = std::getenv("TESSEL_DLL")) dll = other;
  std::replace(dll.begin(), dll.end(), '/', '\\');
  HMODULE module = LoadLibraryA(dll.c_str());
  if (module == nullptr) return -1;
  auto init = reinterpret_cast<bool(__stdcall*)(char*, char*, int32_t*)>(
      reinterpret_cast<void*>(GetProcAddress(module, "InitHW")));
  auto close = reinterpret_cast<void(__stdcall*)()>(
      reinterpret_cast<void*>(GetProcAddress(module, "CloseHW")));
  char name[64], model[64];
  int32_t type = 0;
  const double t0 = Now();
  const bool ok = init(name, model, &type);
  const double seconds = Now() - t0;
  close();
  return ok ? seconds : -1;
}

// Runs this program with `mode` and returns what it measured, in seconds (< 0: failed).
double Child(const char* mode) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring command = L"\"" + std::wstring(self) + L"\" " + (mode[0] == 'b' ? L"b" : L"p");
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
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  SetEnvironmentVariableW(L"CALDER_SIM_UNPACED", nullptr);
  SetEnvironmentVariableW(L"CALDER_SIM_LOG", nullptr);
  if (argc == 2) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const double seconds = argv[1][0] == 'b' ? Baseline() : Plugin();
    return seconds > 0 ? static_cast<int>(seconds * 1e6) + 1 : 0;
  }
  std::vector<double> bare, plugin;
  for (int run = 0; run < kRuns; ++run) {
    const double b = Child("baseline"), p = Child("plugin");
    if (b < 0 || p < 0) {
      std::fprintf(stderr, "error: a run failed (is the stand-in registered?)\n");
      return 1;
    }
    std::printf("run %d: bare window and component %.1f ms, first InitHW %.1f ms\n", run + 1,
                b * 1e3, p * 1e3);
    bare.push_back(b);
    plugin.push_back(p);
  }
  const double b = Median(bare), p = Median(plugin);
  std::printf("first InitHW, component answering at once, median of %d processes each\n", kRuns);
  std::printf("  bare window + component to first status: %.1f ms\n", b * 1e3);
  std::printf("  plug-in InitHW:                           %.1f ms\n", p * 1e3);
  std::printf("  ratio InitHW/baseline: %.2f\n", p / b);
  return 0;
}

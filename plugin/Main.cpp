// The thirteen entry points a host calls. Each is a shim into the C++ side behind
// one guard that keeps every exception inside the library.
#include <windows.h>

#include <cstdint>

#include "plugin/Plugin.h"

namespace {

// Runs `body`; anything it throws ends here and the host gets `fallback`.
template <typename Result, typename Body>
Result Guard(Result fallback, Body&& body) noexcept {
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

template <typename Body>
void Guard(Body&& body) noexcept {
  try {
    body();
  } catch (...) {
  }
}

}  // namespace

namespace entry = tessel::entry;

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Nothing of the plug-in's own happens at load or unload. At process exit the
  // window is left to the system rather than torn down under the loader lock.
  if (reason == DLL_PROCESS_DETACH && reserved != nullptr) tessel::NoteProcessTerminating();
  return TRUE;
}

bool __stdcall InitHW(char* name, char* model, int32_t* type) {
  return Guard(false, [&] { return entry::InitHW(name, model, type); });
}

bool __stdcall OpenHW() {
  return Guard(false, [] { return entry::OpenHW(); });
}

int32_t __stdcall StartHW(int32_t frequency) {
  return Guard(int32_t{0}, [&] { return entry::StartHW(frequency); });
}

int32_t __stdcall GetStatus() {
  return Guard(int32_t{0}, [] { return entry::GetStatus(); });
}

void __stdcall StopHW() {
  Guard([] { entry::StopHW(); });
}

void __stdcall CloseHW() {
  Guard([] { entry::CloseHW(); });
}

void __stdcall SetCallback(tessel::HostCallbackFn callback) {
  Guard([&] { entry::SetCallback(callback); });
}

void __stdcall SetHWLO(int32_t frequency) {
  Guard([&] { entry::SetHWLO(frequency); });
}

int32_t __stdcall GetHWLO() {
  return Guard(int32_t{0}, [] { return entry::GetHWLO(); });
}

int32_t __stdcall GetHWSR() {
  return Guard(int32_t{0}, [] { return entry::GetHWSR(); });
}

void __stdcall ShowGUI() {
  Guard([] { entry::ShowGUI(); });
}

void __stdcall HideGUI() {
  Guard([] { entry::HideGUI(); });
}

void __stdcall TuneChanged(int32_t frequency) {
  Guard([&] { entry::TuneChanged(frequency); });
}

}  // extern "C"

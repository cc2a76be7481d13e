// The thirteen entry points a host calls. Each is a shim into the plug-in's one
// session behind one guard that keeps every exception inside the library and the
// library's image loaded until the call has returned.
#include <windows.h>

#include <cstdint>

#include "common/ImageHold.h"
#include "plugin/HostText.h"
#include "plugin/Session.h"

namespace {

// Runs `body`; anything it throws ends here and the host gets `fallback`. A host that
// unloads the library meanwhile (from another thread, or from its callback) unloads
// nothing until this call has returned.
template <typename Result, typename Body>
Result Guard(Result fallback, Body&& body) noexcept {
  const common::ScopedImageHold hold;
  try {
    return body();
  } catch (...) {
    return fallback;
  }
}

template <typename Body>
void Guard(Body&& body) noexcept {
  const common::ScopedImageHold hold;
  try {
    body();
  } catch (...) {
  }
}

// The plug-in's one session, from load to unload. Its destruction at unload tears
// nothing down: the library is unloaded only once its window has gone, and at
// process exit what is left is the system's.
tessel::Session session;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  // Nothing of the plug-in's own happens at load or unload: nothing waits or is torn
  // down under the loader lock.
  return TRUE;
}

bool __stdcall InitHW(char* name, char* model, int32_t* type) {
  // One hold over both guards: the texts are copied after the session's part.
  const common::ScopedImageHold hold;
  // Whatever goes wrong, the host gets both texts.
  tessel::InitOutcome outcome =
      Guard(tessel::InitOutcome{false, tessel::kTextInternal, tessel::kModelUnknown}, [&] {
        if (type != nullptr) *type = 1;
        return session.InitHW();
      });
  Guard([&] {
    tessel::CopyHostText(name, outcome.Name);
    tessel::CopyHostText(model, outcome.Model);
  });
  return outcome.Ok;
}

bool __stdcall OpenHW() {
  return Guard(false, [] { return session.OpenHW(); });
}

int32_t __stdcall StartHW(int32_t frequency) {
  return Guard(int32_t{0}, [&] { return session.StartHW(frequency); });
}

int32_t __stdcall GetStatus() {
  return Guard(int32_t{0}, [] { return session.GetStatus(); });
}

void __stdcall StopHW() {
  Guard([] { session.StopHW(); });
}

void __stdcall CloseHW() {
  Guard([] { session.CloseHW(); });
}

void __stdcall SetCallback(tessel::HostCallbackFn callback) {
  Guard([&] { session.SetCallback(callback); });
}

void __stdcall SetHWLO(int32_t frequency) {
  Guard([&] { session.SetHWLO(frequency); });
}

int32_t __stdcall GetHWLO() {
  return Guard(int32_t{0}, [] { return session.GetHWLO(); });
}

int32_t __stdcall GetHWSR() {
  return Guard(int32_t{0}, [] { return session.GetHWSR(); });
}

void __stdcall ShowGUI() {
  Guard([] { session.ShowGUI(); });
}

void __stdcall HideGUI() {
  Guard([] { session.HideGUI(); });
}

void __stdcall TuneChanged(int32_t frequency) {
  Guard([&] { session.TuneChanged(frequency); });
}

}  // extern "C"

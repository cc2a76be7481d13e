#include "tools/host/PluginApi.h"

namespace tessel::host {
namespace {

template <typename F>
bool Resolve(HMODULE module, const char* name, F* out, std::string* missing) {
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) {
    *missing = name;
    return false;
  }
  *out = reinterpret_cast<F>(reinterpret_cast<void*>(address));
  return true;
}

}  // namespace

bool ResolvePluginApi(HMODULE m, PluginApi* p, std::string* missing) {
  return Resolve(m, "InitHW", &p->InitHW, missing) && Resolve(m, "OpenHW", &p->OpenHW, missing) &&
         Resolve(m, "StartHW", &p->StartHW, missing) &&
         Resolve(m, "GetStatus", &p->GetStatus, missing) &&
         Resolve(m, "StopHW", &p->StopHW, missing) && Resolve(m, "CloseHW", &p->CloseHW, missing) &&
         Resolve(m, "SetCallback", &p->SetCallback, missing) &&
         Resolve(m, "SetHWLO", &p->SetHWLO, missing) &&
         Resolve(m, "GetHWLO", &p->GetHWLO, missing) &&
         Resolve(m, "GetHWSR", &p->GetHWSR, missing) &&
         Resolve(m, "ShowGUI", &p->ShowGUI, missing) &&
         Resolve(m, "HideGUI", &p->HideGUI, missing) &&
         Resolve(m, "TuneChanged", &p->TuneChanged, missing);
}

}  // namespace tessel::host

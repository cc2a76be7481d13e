// The thirteen entry points of a Tessel hardware plug-in, as a host resolves them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace tessel::host {

// The host callback: (count, status, iqOffset, samples), C calling convention.
using PluginCallback = void(__cdecl*)(int32_t, int32_t, float, int16_t*);

struct PluginApi {
  bool(__stdcall* InitHW)(char*, char*, int32_t*);
  bool(__stdcall* OpenHW)();
  int32_t(__stdcall* StartHW)(int32_t);
  int32_t(__stdcall* GetStatus)();
  void(__stdcall* StopHW)();
  void(__stdcall* CloseHW)();
  void(__stdcall* SetCallback)(PluginCallback);
  void(__stdcall* SetHWLO)(int32_t);
  int32_t(__stdcall* GetHWLO)();
  int32_t(__stdcall* GetHWSR)();
  void(__stdcall* ShowGUI)();
  void(__stdcall* HideGUI)();
  void(__stdcall* TuneChanged)(int32_t);
};

// Resolves every entry point by its plain name. On a missing one returns false
// with its name in `missing`.
bool ResolvePluginApi(HMODULE module, PluginApi* api, std::string* missing);

}  // namespace tessel::host

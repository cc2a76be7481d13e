// The test build's pause between the stream gate and the host's callback: once the
// test has made the event "TesselGateProbe.held.<process id>", the next report or
// block that passes the gate signals it and holds the window's thread there for
// 500 ms, once.
#include <windows.h>

#include <atomic>
#include <string>

#include "plugin/GateProbe.h"

namespace tessel {

void GateProbePause() {
  static std::atomic<bool> used{false};
  if (used) return;
  const std::wstring name = L"TesselGateProbe.held." + std::to_wstring(GetCurrentProcessId());
  HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, name.c_str());
  if (held == nullptr) return;
  used = true;
  SetEvent(held);
  CloseHandle(held);
  Sleep(500);
}

}  // namespace tessel

// The test build's pause between the stream gate and the host's callback: while the
// test's event "TesselGateProbe.held.<process id>" exists and is not set, the next
// report or block that passes the gate sets it and holds the window's thread there
// for 500 ms.
#include <windows.h>

#include <string>

#include "plugin/GateProbe.h"

namespace tessel {

void GateProbePause() {
  static const std::wstring name =
      L"TesselGateProbe.held." + std::to_wstring(GetCurrentProcessId());
  HANDLE held = OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, name.c_str());
  if (held == nullptr) return;
  const bool armed = WaitForSingleObject(held, 0) == WAIT_TIMEOUT;
  if (armed) SetEvent(held);
  CloseHandle(held);
  if (armed) Sleep(500);
}

}  // namespace tessel

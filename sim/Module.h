// Module-wide state of the component DLL: its instance handle and the count of
// live objects and server locks that DllCanUnloadNow reports.
#pragma once

#include <windows.h>

namespace calder::sim {

HINSTANCE ModuleInstance();
// Counts an object or server lock that keeps the DLL loaded; UnlockModule ends it.
void LockModule();
void UnlockModule();

}  // namespace calder::sim

// The module (EXE or DLL) that contains this code, for loading its resources.
#pragma once

#include <windows.h>

namespace fw {

// The instance handle of the module this code is linked into, whether that is a
// program or the plug-in library; never the host's.
HINSTANCE ModuleHandle();

}  // namespace fw

// The module (EXE or DLL) that contains this code, for loading its resources.
#pragma once

#include <windows.h>

#include <string>

namespace fw {

// The instance handle of the module this code is linked into, whether that is a
// program or the plug-in library; never the host's.
HINSTANCE ModuleHandle();

// The full path of `module` (null: the running program's executable), of whatever
// length the system gives; empty when it gives none.
std::wstring ModuleFileName(HMODULE module);

}  // namespace fw

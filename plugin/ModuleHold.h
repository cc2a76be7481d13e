// The library's reference to its own image, held while its windows exist or its
// code may be on a stack, so that a host that unloads it meanwhile unloads nothing.
#pragma once

#include <windows.h>

namespace tessel {

class ModuleHold {
 public:
  ModuleHold() = default;
  ModuleHold(const ModuleHold&) = delete;
  ModuleHold& operator=(const ModuleHold&) = delete;

  // Takes the reference, once; a second Take while held does nothing.
  void Take();
  // Lets go of it, on the thread whose windows have just gone. That thread is still
  // in the library's code, and the host may have unloaded the library already, so
  // the reference may be the last one: a thread of the library's own waits until this
  // thread handles a message outside the library's code, then gives the reference
  // back through FreeLibraryAndExitThread, which never returns into the image it may
  // unload.
  void Release();
  // Forgets the reference without giving it back (the process is ending).
  void Forget() { held_ = nullptr; }

 private:
  HMODULE held_ = nullptr;
};

}  // namespace tessel

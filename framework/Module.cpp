#include "framework/Module.h"

// The linker places this symbol at the start of the image being linked.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace fw {

HINSTANCE ModuleHandle() {
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

}  // namespace fw

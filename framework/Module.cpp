#include "framework/Module.h"

// The linker places this symbol at the start of the image being linked.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace fw {

HINSTANCE ModuleHandle() {
  return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

std::wstring ModuleFileName(HMODULE module) {
  // Paths reach 32,767 characters; a path that fills the buffer may have been cut.
  constexpr std::size_t kLongestPath = 32768;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD got = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (got == 0) return {};
    if (got < path.size()) {
      path.resize(got);
      return path;
    }
    if (path.size() > kLongestPath) return {};
    path.resize(path.size() * 2);
  }
}

}  // namespace fw

#include "plugin/ModuleHold.h"

#include "common/Handles.h"
#include "framework/Module.h"

namespace tessel {
namespace {

// Waits until the thread of `relay` handles a message, which it does only from a
// message loop of its own (the library's windows are gone, so none of its window
// procedures is on that thread's stack), then lets go of the library.
DWORD WINAPI LetGoOnceOutside(void* relay) {
  // The relay is a system class: its default handling destroys it.
  ::SendMessageW(static_cast<HWND>(relay), WM_CLOSE, 0, 0);
  ::FreeLibraryAndExitThread(fw::ModuleHandle(), 0);
}

}  // namespace

void ModuleHold::Take() {
  if (held_ != nullptr) return;
  HMODULE module = nullptr;
  if (::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                           reinterpret_cast<LPCWSTR>(&LetGoOnceOutside), &module)) {
    held_ = module;
  }
}

void ModuleHold::Release() {
  if (held_ == nullptr) return;
  held_ = nullptr;
  // A message-only window of a system class, on this thread: nothing of the library
  // runs when it is handled.
  common::ScopedWindow relay(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                               nullptr, nullptr, nullptr));
  // Without a way to let go safely the image stays loaded: a leak, never a crash.
  if (!relay) return;
  common::ScopedHandle thread(
      ::CreateThread(nullptr, 0, &LetGoOnceOutside, relay.get(), 0, nullptr));
  // The relay is the thread's now; it destroys it through its message.
  if (thread) (void)relay.release();
}

}  // namespace tessel

// A small library that holds its own image as the plug-in does, for the image hold's
// tests: a call that holds it, a call that gives its hold back and then stays in the
// library's code, an object to hand out, and counts of the threads that started and
// ended while it was loaded.
#include <windows.h>

#include <new>

#include "common/ComObject.h"
#include "common/ImageHold.h"

namespace {

// An object with nothing but IUnknown.
class Handed final : public common::ComObject<IUnknown> {};

LONG threads_started = 0;
LONG threads_ended = 0;

}  // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  // The system tells every library of each new thread before the thread's own code runs.
  if (reason == DLL_THREAD_ATTACH) InterlockedIncrement(&threads_started);
  if (reason == DLL_THREAD_DETACH) InterlockedIncrement(&threads_ended);
  return TRUE;
}

// Threads that started, and that ended, since the library was loaded.
long __stdcall ThreadsStarted() {
  return InterlockedCompareExchange(&threads_started, 0, 0);
}
long __stdcall ThreadsEnded() {
  return InterlockedCompareExchange(&threads_ended, 0, 0);
}

// Holds the image until `*go` is set.
void __stdcall HoldUntil(volatile LONG* go) {
  const common::ScopedImageHold hold;
  while (__atomic_load_n(go, __ATOMIC_ACQUIRE) == 0) Sleep(1);
}

// Takes a hold and gives it back, says so in `*dropped`, then stays in this library's
// code, calling nothing, until `*go` is set: a call that has given its hold back and
// has yet to return.
void __stdcall DropThenStay(volatile LONG* dropped, volatile LONG* go) {
  { const common::ScopedImageHold hold; }
  __atomic_store_n(dropped, 1, __ATOMIC_RELEASE);
  while (__atomic_load_n(go, __ATOMIC_ACQUIRE) == 0) __builtin_ia32_pause();
}

// A new object, or null.
IUnknown* __stdcall HandOutObject() {
  const common::ScopedImageHold hold;
  return new (std::nothrow) Handed;
}

// The holds taken now.
long __stdcall Holds() {
  return common::image_hold::Count();
}

}  // extern "C"

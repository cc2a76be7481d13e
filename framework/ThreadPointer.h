// A pointer of each thread's own, kept in a system thread-local slot of this image.
// Not the language's thread_local: the runtime's emulated thread-local storage runs
// destructors as threads end, which may come after the library's static objects, or
// the library itself, have gone. A slot has no destructor; the image's slots are
// given back when it unloads (runtime/RuntimeKeys.cpp).
#pragma once

#include <windows.h>

#include <atomic>

namespace fw {

template <class T>
class ThreadPointer {
 public:
  ThreadPointer() = default;
  ThreadPointer(const ThreadPointer&) = delete;
  ThreadPointer& operator=(const ThreadPointer&) = delete;

  // This thread's pointer; null before it sets one (or without a slot).
  T* Get() const {
    const DWORD slot = Slot();
    return slot == TLS_OUT_OF_INDEXES ? nullptr : static_cast<T*>(::TlsGetValue(slot));
  }
  // Sets this thread's pointer.
  void Set(T* pointer) const {
    const DWORD slot = Slot();
    if (slot != TLS_OUT_OF_INDEXES) ::TlsSetValue(slot, pointer);
  }

 private:
  // The slot, taken on first use by whichever thread comes first.
  DWORD Slot() const {
    DWORD slot = slot_.load(std::memory_order_acquire);
    if (slot != TLS_OUT_OF_INDEXES) return slot;
    const DWORD mine = ::TlsAlloc();
    if (mine == TLS_OUT_OF_INDEXES) return mine;
    if (slot_.compare_exchange_strong(slot, mine, std::memory_order_acq_rel)) return mine;
    ::TlsFree(mine);
    return slot;
  }

  mutable std::atomic<DWORD> slot_{TLS_OUT_OF_INDEXES};
};

}  // namespace fw

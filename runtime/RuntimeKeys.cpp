// Thread-local storage indexes taken by the static C++ runtime, given back when the
// library unloads.
//
// The runtime linked into this library (exception state, thread-local objects, the
// thread layer) takes indexes from the process's fixed pool of about 1,088 and never
// returns them, so every load and unload of the library used to lose some. A host
// that reloaded the plug-in about a thousand times ran out, and the runtime then
// aborted the host at its next exception. The runtime reaches TlsAlloc through the
// import slot defined here, which records what the system hands out; the indexes,
// and the runtime's emergency exception pool, are freed after the library's last
// static destructor has run.
#include <windows.h>

namespace __gnu_cxx {
void __freeres();  // frees the runtime's emergency exception pool
}

namespace {

// The ledger belongs to the image, not to a session: the runtime's indexes live as
// long as the library is loaded. Any thread may take an index (the runtime asks on
// first use of its thread layer), so a slot is claimed atomically.
constexpr LONG kMaxKeys = 16;
DWORD g_keys[kMaxKeys];
LONG g_key_count = 0;

DWORD WINAPI RecordedTlsAlloc() {
  // Looked up on every call: the runtime asks only a few times per load, and a
  // function-local static would need the runtime's own locking, which may itself
  // ask for an index.
  using TlsAllocFn = DWORD(WINAPI*)();
  FARPROC found = GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "TlsAlloc");
  if (found == nullptr) return TLS_OUT_OF_INDEXES;
  const DWORD key = reinterpret_cast<TlsAllocFn>(reinterpret_cast<void (*)()>(found))();
  // Beyond the ledger's size an index stays taken, as it would without it.
  if (key != TLS_OUT_OF_INDEXES) {
    const LONG slot = InterlockedIncrement(&g_key_count) - 1;
    if (slot < kMaxKeys) g_keys[slot] = key;
  }
  return key;
}

struct ReturnKeysAtUnload {
  ReturnKeysAtUnload() = default;
  ReturnKeysAtUnload(const ReturnKeysAtUnload&) = delete;
  ReturnKeysAtUnload& operator=(const ReturnKeysAtUnload&) = delete;
  ~ReturnKeysAtUnload() {
    __gnu_cxx::__freeres();
    for (LONG slot = g_key_count < kMaxKeys ? g_key_count : kMaxKeys; slot > 0;)
      TlsFree(g_keys[--slot]);
    g_key_count = 0;
  }
};

// Constructed before, and so destroyed after, every other static object of the
// library: nothing of the runtime runs in this module once it is gone.
ReturnKeysAtUnload return_keys_at_unload __attribute__((init_priority(101)));

}  // namespace

// The slot every TlsAlloc call of this module goes through, in place of the one the
// system's import library would supply.
extern "C" DWORD(WINAPI* const tls_alloc_slot)() asm("__imp__TlsAlloc@0");
DWORD(WINAPI* const tls_alloc_slot)() = RecordedTlsAlloc;

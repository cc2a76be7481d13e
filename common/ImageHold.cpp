#include "common/ImageHold.h"

#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <new>
#include <utility>

#include "common/Handles.h"

// The linker places this symbol at the start of the image being linked.
extern "C" IMAGE_DOS_HEADER __ImageBase;

#if !defined(__i386__)
#error "the let-go thread reads a 32-bit thread context"
#endif

// How the last hold is given back soundly.
//
// A thread that gives back a hold still runs the image's code afterwards: at least
// the rest of the function it is in, often calls out (to the system) that return into
// it. The reference may go only once no thread can come back into the image. The
// holds are arranged so that, whenever the count is 0, a thread can be in the image's
// code in only three ways:
//  - it gave back a hold with Drop under the lock (the last, or one that was the last
//    when it looked) and is making its last calls out: it is counted in `leaving`
//    until it has made them;
//  - it gave back a hold with Drop (the last or not) and runs its last few
//    instructions inside the image, calling nothing: its instruction pointer lies in
//    the image until it has returned out of it;
//  - it gave back a hold with DropOnWayToMessageLoop: it may still call out and
//    return, but only until it is back in its own message loop, which a relay window
//    of a system class on that thread tells.
// So the let-go thread handles every relay, waits until no thread is leaving, then
// suspends each other thread of the process in turn and reads its instruction pointer
// until none lies in the image. Looking at the thread that gave back the last hold
// alone would not do: another one that gave back the last but one may not have
// returned yet. If any hold was taken or the last one given back again meanwhile
// (`changes` moved), it looks again; a hold that is still taken ends the let-go thread.
// The let-go thread keeps the image with a reference of its own and ends through
// FreeLibraryAndExitThread, so it never returns into an image it unmapped.
//
// Nobody waits for the let-go thread's work: the thread that gave back the last hold
// starts it and waits only until it runs, so no release can wait on the thread that
// is dropping the hold.

namespace common::image_hold {
namespace {

// Relays waiting for their thread's message loop; more at once than this and the
// image is kept for good (a leak, never a crash).
constexpr int kMaxRelays = 16;
// How long the thread that starts the let-go thread waits for it to run.
constexpr DWORD kStartWaitMs = 2000;
// How long the let-go thread waits before it first stands other threads still to read
// where they are: a host that ends its process right after its last call (the usual
// way a host ends) ends this thread while it waits, not while it holds another
// thread stopped, which the process's end may wait for in vain.
constexpr DWORD kSettleMs = 50;

struct State {
  std::atomic<long> holds{0};
  // Threads that gave back a hold under the lock and still make calls out.
  std::atomic<long> leaving{0};
  SRWLOCK lock = SRWLOCK_INIT;
  // The rest under `lock`.
  HMODULE reference = nullptr;  // the loader's reference that the holds keep
  bool letting_go = false;      // a let-go thread runs
  bool kept = false;            // a thread could not be followed out: never let go
  unsigned long changes = 0;    // counts every change from 0 holds and back to 0
  HWND relays[kMaxRelays] = {};
  int relay_count = 0;
};

constinit State state;

class Locked {
 public:
  Locked() { ::AcquireSRWLockExclusive(&state.lock); }
  ~Locked() { ::ReleaseSRWLockExclusive(&state.lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

const IMAGE_NT_HEADERS& Headers() {
  const auto* base = reinterpret_cast<const BYTE*>(&__ImageBase);
  // The image's headers lie beyond the DOS header that the symbol is declared as: the
  // compiler is not to judge the offset by that declaration.
  asm("" : "+r"(base));
  return *reinterpret_cast<const IMAGE_NT_HEADERS*>(base + __ImageBase.e_lfanew);
}

// A library can be unloaded; a program cannot.
bool IsLibrary() {
  return (Headers().FileHeader.Characteristics & IMAGE_FILE_DLL) != 0;
}

bool InImage(DWORD address) {
  const auto base = reinterpret_cast<DWORD>(&__ImageBase);
  return address - base < Headers().OptionalHeader.SizeOfImage;
}

// A new reference to the image from the loader, or null.
HMODULE ReferenceImage() {
  HMODULE module = nullptr;
  ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&Take),
                       &module);
  return module;
}

// True while thread `id` may run the image's code: its instruction pointer lies in
// the image, or it cannot be read. A thread that has ended is outside.
bool RunsInImage(DWORD id) {
  ScopedHandle thread(
      ::OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT | SYNCHRONIZE, FALSE, id));
  if (!thread) return false;
  if (::WaitForSingleObject(thread.get(), 0) == WAIT_OBJECT_0) return false;
  if (::SuspendThread(thread.get()) == static_cast<DWORD>(-1))
    return ::WaitForSingleObject(thread.get(), 0) != WAIT_OBJECT_0;
  // Only the registers are read while the thread stands: nothing here takes a lock
  // that it might hold.
  CONTEXT context{};
  context.ContextFlags = CONTEXT_CONTROL;
  const bool read = ::GetThreadContext(thread.get(), &context) != FALSE;
  ::ResumeThread(thread.get());
  return !read || InImage(context.Eip);
}

// True when the count stayed at 0 with no change since `seen`.
bool Unchanged(unsigned long seen) {
  Locked locked;
  return state.holds.load() == 0 && state.changes == seen;
}

// Waits until no other thread of the process runs the image's code; false when a
// hold was taken or given back meanwhile (look again from the start).
bool EveryThreadOutside(unsigned long seen) {
  const DWORD self = ::GetCurrentThreadId();
  const DWORD process = ::GetCurrentProcessId();
  for (;;) {
    while (state.leaving.load() > 0) ::Sleep(1);
    bool inside = false;
    ScopedHandle threads(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!threads) {
      inside = true;
    } else {
      THREADENTRY32 entry{};
      entry.dwSize = sizeof entry;
      for (BOOL more = ::Thread32First(threads.get(), &entry); more && !inside;
           more = ::Thread32Next(threads.get(), &entry)) {
        if (entry.th32OwnerProcessID == process && entry.th32ThreadID != self)
          inside = RunsInImage(entry.th32ThreadID);
      }
    }
    if (!Unchanged(seen)) return false;
    if (!inside) return true;
    ::Sleep(1);
  }
}

// What the starter hands a let-go thread: its own reference to the image, and its own
// handle of the event that tells the starter it runs.
struct Start {
  HMODULE own;
  HANDLE running;
};

// The let-go thread: hands each relay to its thread, then gives the reference back
// once no thread runs the image's code, unless a hold is taken meanwhile. Its own
// reference keeps the image while it runs.
DWORD WINAPI LetGo(void* parameter) {
  const Start start = *static_cast<Start*>(parameter);
  delete static_cast<Start*>(parameter);
  ::SetEvent(start.running);
  ::CloseHandle(start.running);
  ::Sleep(kSettleMs);
  HMODULE give_back = nullptr;
  for (;;) {
    HWND relay = nullptr;
    unsigned long seen = 0;
    {
      Locked locked;
      if (state.relay_count > 0) {
        relay = state.relays[--state.relay_count];
      } else if (state.holds.load() > 0 || state.kept) {
        state.letting_go = false;
        break;
      } else {
        seen = state.changes;
      }
    }
    if (relay != nullptr) {
      // Handled only where the thread takes messages; a system class's default
      // handling destroys the relay. Returns at once if the thread has ended.
      ::SendMessageW(relay, WM_CLOSE, 0, 0);
      continue;
    }
    if (!EveryThreadOutside(seen)) continue;
    Locked locked;
    if (state.relay_count == 0 && !state.kept && state.holds.load() == 0 && state.changes == seen) {
      give_back = std::exchange(state.reference, nullptr);
      state.letting_go = false;
      break;
    }
  }
  // A later first hold takes a reference anew; this thread's own keeps the image
  // until it has ended.
  if (give_back != nullptr) ::FreeLibrary(give_back);
  ::FreeLibraryAndExitThread(start.own, 0);
}

// Starts the let-go thread, which `state.letting_go` already names, and returns once
// it runs its own code here (or after kStartWaitMs). Should the start fail, the image
// stays until a later last hold tries again.
//
// The wait is for the process's sake: the thread that gave back the last hold is
// often about to end the process (a host that closes and exits), and a process that
// ends while one of its threads is still being set up by the system can die on its
// way out (under Wine the half-made thread faults as it is killed, and the whole
// process with it). A thread that already runs is ended like any other.
void StartLetGo() {
  auto fail = [] {
    Locked locked;
    state.letting_go = false;
  };
  HMODULE own = ReferenceImage();
  if (own == nullptr) return fail();
  ScopedHandle running(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  HANDLE thread_running = nullptr;
  if (!running || !::DuplicateHandle(::GetCurrentProcess(), running.get(), ::GetCurrentProcess(),
                                     &thread_running, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
    ::FreeLibrary(own);  // the holds' reference still keeps the image
    return fail();
  }
  auto* start = new (std::nothrow) Start{own, thread_running};
  ScopedHandle thread(start != nullptr ? ::CreateThread(nullptr, 0, &LetGo, start, 0, nullptr)
                                       : nullptr);
  if (!thread) {
    delete start;
    ::CloseHandle(thread_running);
    ::FreeLibrary(own);
    return fail();
  }
  // Bounded: the thread's start waits for the loader, which a caller inside another
  // library's start-up or unload holds.
  const HANDLE either[] = {running.get(), thread.get()};
  ::WaitForMultipleObjects(2, either, FALSE, kStartWaitMs);
}

// Gives back one hold under the lock. A `leaving` thread (Drop) is counted until it
// has made its last calls out (releasing the lock among them); `relay`
// (DropOnWayToMessageLoop) is handed to the let-go thread when there is a reference
// to give back. True when a let-go thread is to be started.
bool GiveBack(bool leaving, HWND relay, bool* handed) {
  Locked locked;
  const bool last = state.holds.fetch_sub(1) == 1;
  if (last) ++state.changes;
  if (leaving) state.leaving.fetch_add(1);
  *handed = false;
  if (relay != nullptr && state.reference != nullptr) {
    if (state.relay_count < kMaxRelays) {
      state.relays[state.relay_count++] = relay;
      *handed = true;
    } else {
      state.kept = true;
    }
  }
  if (!(last || *handed) || state.reference == nullptr || state.letting_go) return false;
  state.letting_go = true;
  return true;
}

}  // namespace

void Take() noexcept {
  long holds = state.holds.load(std::memory_order_relaxed);
  while (holds > 0) {
    if (state.holds.compare_exchange_weak(holds, holds + 1)) return;
  }
  Locked locked;
  if (state.holds.fetch_add(1) != 0) return;
  ++state.changes;
  if (state.reference == nullptr && IsLibrary()) state.reference = ReferenceImage();
}

void Drop() noexcept {
  long holds = state.holds.load(std::memory_order_relaxed);
  while (holds > 1) {
    if (state.holds.compare_exchange_weak(holds, holds - 1)) return;
  }
  bool handed = false;
  if (GiveBack(true, nullptr, &handed)) StartLetGo();
  // The last thing this thread does in the image before it returns: from here on
  // only its instruction pointer tells where it is.
  state.leaving.fetch_sub(1);
}

void DropOnWayToMessageLoop() noexcept {
  // A message-only window of a system class on this thread: nothing of the image runs
  // when it is handled. Without one the thread could not be followed home, and the
  // image stays for good: a leak, never a crash.
  ScopedWindow relay;
  if (IsLibrary()) {
    relay.reset(::CreateWindowExW(0, L"STATIC", nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr));
    if (!relay) {
      Locked locked;
      state.kept = true;
    }
  }
  bool handed = false;
  const bool start = GiveBack(false, relay.get(), &handed);
  // The let-go thread destroys the relay through its message.
  if (handed) (void)relay.release();
  if (start) StartLetGo();
}

long Count() noexcept {
  return state.holds.load();
}

}  // namespace common::image_hold

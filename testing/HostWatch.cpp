#include "testing/HostWatch.h"

#include <atomic>
#include <cstdio>
#include <mutex>

namespace tessel::testing {
namespace {

struct WatchState {
  std::mutex lock;
  std::string context;
  std::string first_fatal;
  std::atomic<int> fatal{0};
  std::atomic<DWORD> last_note{0};
  unsigned hang_ms = 30000;
  HANDLE stop = nullptr;
  HANDLE thread = nullptr;
  PVOID handler = nullptr;
  LPTOP_LEVEL_EXCEPTION_FILTER previous_filter = nullptr;
};

WatchState* watch = nullptr;

bool IsFatal(DWORD code) {
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION:
    case EXCEPTION_ILLEGAL_INSTRUCTION:
    case EXCEPTION_PRIV_INSTRUCTION:
    case EXCEPTION_STACK_OVERFLOW:
    case EXCEPTION_INT_DIVIDE_BY_ZERO:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED:
    case EXCEPTION_DATATYPE_MISALIGNMENT:
    case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_GUARD_PAGE:
      return true;
    default:
      return false;
  }
}

std::string Describe(const EXCEPTION_RECORD& record) {
  char module_name[MAX_PATH] = "?";
  HMODULE module = nullptr;
  if (GetModuleHandleExA(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          static_cast<LPCSTR>(record.ExceptionAddress), &module)) {
    GetModuleFileNameA(module, module_name, sizeof module_name);
  }
  char text[MAX_PATH + 128];
  std::snprintf(text, sizeof text, "exception 0x%08lx at %p in %s",
                static_cast<unsigned long>(record.ExceptionCode), record.ExceptionAddress,
                module_name);
  return text;
}

// Sees every exception first, before any handler could swallow it.
LONG CALLBACK FirstChance(EXCEPTION_POINTERS* info) {
  if (watch != nullptr && IsFatal(info->ExceptionRecord->ExceptionCode)) {
    if (watch->fatal++ == 0) {
      std::lock_guard<std::mutex> hold(watch->lock);
      watch->first_fatal = Describe(*info->ExceptionRecord) + " while: " + watch->context;
    }
  }
  return EXCEPTION_CONTINUE_SEARCH;
}

// The process is about to die: say where, so that the case can be rerun.
LONG WINAPI Unhandled(EXCEPTION_POINTERS* info) {
  if (watch != nullptr) {
    std::fprintf(stderr, "\nCRASH: %s while: %s\n", Describe(*info->ExceptionRecord).c_str(),
                 watch->context.c_str());
    std::fflush(stderr);
  }
  return EXCEPTION_EXECUTE_HANDLER;
}

DWORD WINAPI HangWatch(void*) {
  while (WaitForSingleObject(watch->stop, 500) == WAIT_TIMEOUT) {
    if (GetTickCount() - watch->last_note.load() < watch->hang_ms) continue;
    std::string context;
    {
      std::lock_guard<std::mutex> hold(watch->lock);
      context = watch->context;
    }
    std::fprintf(stderr, "\nHANG: no progress for %u ms while: %s\n", watch->hang_ms,
                 context.c_str());
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
  }
  return 0;
}

}  // namespace

HostWatch::HostWatch(unsigned hang_ms) {
  watch = new WatchState;
  watch->hang_ms = hang_ms;
  watch->last_note = GetTickCount();
  watch->handler = AddVectoredExceptionHandler(1, &FirstChance);
  watch->previous_filter = SetUnhandledExceptionFilter(&Unhandled);
  watch->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  watch->thread = CreateThread(nullptr, 0, &HangWatch, nullptr, 0, nullptr);
}

HostWatch::~HostWatch() {
  SetEvent(watch->stop);
  WaitForSingleObject(watch->thread, INFINITE);
  CloseHandle(watch->thread);
  CloseHandle(watch->stop);
  RemoveVectoredExceptionHandler(watch->handler);
  SetUnhandledExceptionFilter(watch->previous_filter);
  delete watch;
  watch = nullptr;
}

void HostWatch::Note(const std::string& what) {
  std::lock_guard<std::mutex> hold(watch->lock);
  watch->context = what;
  watch->last_note = GetTickCount();
}

int HostWatch::FatalExceptions() const {
  return watch->fatal;
}

std::string HostWatch::FirstFatal() const {
  std::lock_guard<std::mutex> hold(watch->lock);
  return watch->first_fatal;
}

}  // namespace tessel::testing

// Handling this thread's messages for a while, as test hosts, probes and benchmarks
// do while the plug-in's window lives on their thread.
#pragma once

#include <windows.h>

#include <algorithm>

namespace tessel::testing {

// Handles this thread's messages for at most `ms`, or until `done()` is true. It is
// asked after each round of messages and at least every 10 ms, so it may wait on
// other threads as well as on messages.
template <class Done>
void PumpMessagesUntil(DWORD ms, Done done) {
  const DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    if (done()) return;
    const DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(ms - elapsed, 10), QS_ALLINPUT);
  }
}

}  // namespace tessel::testing

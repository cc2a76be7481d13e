// Calls carried to the thread of a framework window: another thread asks the window,
// the window's thread runs the call inside its message handling and answers.
#pragma once

#include <windows.h>

#include <functional>

namespace fw {

// The message that carries a call; every framework window runs it.
inline constexpr UINT kThreadCallMessage = WM_APP + 0x3A1;

// What becomes of a call whose wait has ended before the window's thread took it.
enum class LateCall {
  kDrop,  // it never runs
  kRun,   // it runs whenever the window's thread takes the message
};

// Sends `body` to the thread of `window` and waits at most `timeout_ms` for that thread
// to run it. True when it ran and returned within the wait. False when the window is
// gone or its thread did not take the call in time (it may be blocked, perhaps waiting
// for this thread); the call then never runs (kDrop) or runs later (kRun). `body` may
// outlive this call: it must own what it uses. Not for the window's own thread.
bool RunOnWindowThread(HWND window, std::function<void()> body, unsigned timeout_ms,
                       LateCall late = LateCall::kDrop);

// Runs the call a kThreadCallMessage carries (`lp`); for the window procedure.
LRESULT RunThreadCallMessage(LPARAM lp);

}  // namespace fw

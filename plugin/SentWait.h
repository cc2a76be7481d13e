// Waiting on another thread the way a single-threaded apartment waits for a call: the
// waiting thread goes on handling the messages other threads send it, so that a
// thread that waits for it in turn (a window's thread inside a SendMessage to this
// one) is never wedged by the wait.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>

namespace tessel {

// Waits until `done` is true, at most `wait_ms`, handling the messages sent to this
// thread meanwhile (and nothing posted). `done` is asked again whenever one of
// `wake` is signalled, a message is sent, or `poll_ms` has passed. True when `done`.
bool WaitHandlingSent(const std::function<bool()>& done, DWORD wait_ms,
                      std::initializer_list<HANDLE> wake = {}, DWORD poll_ms = 20);

// Handles the messages other threads have sent to this one, if any.
void HandleSentMessages();

}  // namespace tessel

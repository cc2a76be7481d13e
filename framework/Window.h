// The one window procedure of the framework's windows and what it forwards to.
#pragma once

#include <windows.h>

namespace fw {

// An object that receives its window's messages.
class MessageTarget {
 public:
  virtual LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) = 0;
  // The window is gone (after WM_NCDESTROY); forget its handle.
  virtual void WindowDestroyed() = 0;

 protected:
  ~MessageTarget() = default;
};

// Called around the handling of every message of the framework's windows, the
// outermost pair last: code that must not run while a handler is on the stack
// (destroying the window the handler belongs to) can wait for `leave`.
struct DispatchHooks {
  void (*Enter)() = nullptr;
  void (*Leave)() = nullptr;
};
// Replaces the hooks (empty ones: none).
void SetDispatchHooks(DispatchHooks hooks);

// Something borrowed for the message being handled (a DC taken outside a paint),
// given back once the window procedure has finished the outermost message.
class HeldForMessage {
 public:
  // Gives back what is held.
  virtual void ReleaseHeld() = 0;

 protected:
  ~HeldForMessage() = default;
};

// Puts `held` (borrowed; it must call ForgetHeld before it goes) on the list of what
// is given back after the current outermost message.
void HoldForMessage(HeldForMessage* held);
// Takes `held` off the list.
void ForgetHeld(HeldForMessage* held);
// Gives back everything on the list, last first. The window procedure calls it after
// each outermost message; call it after drawing from outside any message.
void ReleaseHeldForMessages();

// Creates a window of the framework's class whose messages go to `target`.
// Returns null on failure.
HWND CreateTargetWindow(MessageTarget* target, DWORD ex_style, DWORD style, int x, int y, int width,
                        int height, HWND parent, const wchar_t* title);

}  // namespace fw

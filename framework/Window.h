// The one window procedure of the framework's windows and what it forwards to.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "common/Handles.h"

namespace fw {

// Something borrowed for the message being handled (a DC taken outside a paint),
// given back once the window procedure has finished the outermost message.
class HeldForMessage {
 public:
  // Gives back what is held.
  virtual void ReleaseHeld() = 0;

 protected:
  ~HeldForMessage() = default;
};

// Told around the handling of every message of a window tree, the outermost pair
// last: code that must not run while a handler is on the stack (destroying the window
// the handler belongs to) can wait for LeaveMessage.
class DispatchObserver {
 public:
  virtual void EnterMessage() = 0;
  // May destroy the window tree: the window procedure touches nothing after it.
  virtual void LeaveMessage() = 0;

 protected:
  ~DispatchObserver() = default;
};

// The re-entry bookkeeping of one window tree (a top-level control and everything in
// it): how deep its messages are nested, what is borrowed until the outermost one
// ends, and who is told around each message. Shared, so that a message whose handler
// destroys the tree still finds it when the handler returns.
class DispatchState {
 public:
  DispatchObserver* Observer() const { return observer_; }
  // `observer` is borrowed and must outlive its registration (null: none).
  void SetObserver(DispatchObserver* observer) { observer_ = observer; }

  // Puts `held` (borrowed; it must call Forget before it goes) on the list of what is
  // given back after the current outermost message.
  void Hold(HeldForMessage* held);
  void Forget(HeldForMessage* held);
  // Gives back everything on the list, last first.
  void ReleaseHeld();

  // Brackets the handling of one message; the outermost end gives back what is held.
  void BeginMessage() { ++depth_; }
  void EndMessage();

 private:
  int depth_ = 0;
  std::vector<HeldForMessage*> held_;
  DispatchObserver* observer_ = nullptr;
};
using DispatchStateRef = std::shared_ptr<DispatchState>;

// An object that receives its window's messages.
class MessageTarget {
 public:
  virtual LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) = 0;
  // The window is gone (after WM_NCDESTROY); forget its handle.
  virtual void WindowDestroyed() = 0;
  // The bookkeeping of the window tree this target's window belongs to.
  virtual DispatchStateRef Dispatching() = 0;

 protected:
  ~MessageTarget() = default;
};

// Creates a window of the framework's class whose messages go to `target`.
// Returns null on failure. Only a window made here is bound to a target, and only
// while it is being made does it believe WM_NCCREATE and WM_CREATE.
HWND CreateTargetWindow(MessageTarget* target, DWORD ex_style, DWORD style, int x, int y, int width,
                        int height, HWND parent, const wchar_t* title);

// Destroys `window` with everything in it: the one way the framework destroys its
// windows. Only while it runs do those windows believe WM_DESTROY and WM_NCDESTROY;
// the same numbers at any other time (posted or sent by anyone) change nothing.
void DestroyTargetWindow(HWND window);

// True while this thread's DestroyTargetWindow is destroying `window` (or the window
// it is in): what the system does to the window meanwhile (hiding it first) is the
// destruction, not a change its object should follow.
bool WindowBeingDestroyed(HWND window);

// A framework window, destroyed with DestroyTargetWindow.
struct DestroyTargetWindowTraits {
  static HWND InvalidValue() { return nullptr; }
  static void Free(HWND window) { DestroyTargetWindow(window); }
};
using ScopedTargetWindow = common::Scoped<HWND, DestroyTargetWindowTraits>;

// The system's default handling of a message to a framework window, except where
// it would act on the word of whoever posted or sent the message: it never destroys
// the window (WM_CLOSE: the target decides what closing means), never changes what
// the window shows or how it is reached (WM_SETREDRAW, WM_SETICON, WM_SETHOTKEY,
// WM_SETTEXT; the framework sets its own texts through SetTargetWindowText), gives
// the focus on WM_ACTIVATE only to the window that is active, and carries out a
// system command only when the window's frame offers it to the user.
LRESULT DefaultWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Sets a framework window's text (WM_SETTEXT from anyone else changes nothing).
void SetTargetWindowText(HWND window, const wchar_t* text);

// True when a window of `style` offers system command `command` (the SC_ value,
// low four bits ignored) to its user: a child window offers none; a top-level one
// closing (which reaches its target as WM_CLOSE), the screen saver, the monitor's
// power and the task list, and otherwise what its frame shows: moving with a
// caption, sizing with a sizing border, the boxes, the system menu and scroll bars.
// `iconic_or_zoomed` allows SC_RESTORE.
bool SystemCommandOffered(DWORD style, bool iconic_or_zoomed, WPARAM command);

// Unregisters the framework's window class once no window of it is left (while one
// is, it stays and this returns false), so that a later load of the library at the
// same address finds no class pointing at a procedure of the earlier load.
bool UnregisterWindowClass();

}  // namespace fw

#include "framework/Window.h"

#include <algorithm>
#include <vector>

#include "framework/Module.h"
#include "framework/StageTimes.h"
#include "framework/ThreadPointer.h"

namespace fw {
namespace {

constexpr wchar_t kClassName[] = L"TesselFrameworkWindow";

// What this thread's framework code is doing to its own windows. Each record lives
// on the stack of the function that does it; the thread keeps only a pointer to the
// innermost (trivial, so that nothing runs when a thread ends after the library has
// gone).
struct Creation {
  MessageTarget* target;
  // Set at the window's WM_NCCREATE.
  HWND window = nullptr;
  Creation* outer;
};
struct Destruction {
  // The window and, as they were when its destruction began, all its descendants
  // (a child is taken from its parent before it hears WM_NCDESTROY).
  std::vector<HWND> windows;
  Destruction* outer;
};
struct TextChange {
  HWND window;
  TextChange* outer;
};
ThreadPointer<Creation> t_creating;
ThreadPointer<Destruction> t_destroying;
ThreadPointer<TextChange> t_setting_text;

// True while this thread's CreateTargetWindow is making `hwnd`.
bool BeingCreated(HWND hwnd) {
  for (const Creation* c = t_creating.Get(); c != nullptr; c = c->outer) {
    if (c->window == hwnd) return true;
  }
  return false;
}

// True while this thread's DestroyTargetWindow is destroying `hwnd`.
bool BeingDestroyed(HWND hwnd) {
  for (const Destruction* d = t_destroying.Get(); d != nullptr; d = d->outer) {
    if (std::find(d->windows.begin(), d->windows.end(), hwnd) != d->windows.end()) return true;
  }
  return false;
}

// Adds a window to the list; nothing thrown leaves this callback of the system's.
BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
  try {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

MessageTarget* TargetOf(HWND hwnd) {
  return reinterpret_cast<MessageTarget*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

// Whether a creation or destruction message for `hwnd` is the framework's own, and
// for WM_NCCREATE binds the window to the target being created. Nothing here reads
// the message's parameters: a forged one's pointers are the sender's choice.
//   WM_NCCREATE: this thread is inside CreateTargetWindow, and the window has no
//     target yet (the innermost creation takes the first such window).
//   WM_CREATE: the window is the one this thread is creating.
//   WM_DESTROY, WM_NCDESTROY: this thread's DestroyTargetWindow is destroying it, or
//     it is the one being created (CreateWindowEx destroys a window whose creation
//     failed).
bool BelieveLifeMessage(HWND hwnd, UINT msg) {
  switch (msg) {
    case WM_NCCREATE: {
      Creation* c = t_creating.Get();
      if (c == nullptr || c->window != nullptr || TargetOf(hwnd) != nullptr) return false;
      c->window = hwnd;
      ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(c->target));
      return true;
    }
    case WM_CREATE:
      return BeingCreated(hwnd);
    case WM_DESTROY:
    case WM_NCDESTROY:
      return BeingDestroyed(hwnd) || BeingCreated(hwnd);
    default:
      return true;
  }
}

// Forwards every message to the window's target, creation and destruction messages
// only when they are the framework's own (others change nothing and reach nobody),
// and forgets the target after WM_NCDESTROY. Nothing thrown gets past this frame.
LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!BelieveLifeMessage(hwnd, msg)) return 0;
  MessageTarget* target = TargetOf(hwnd);
  if (!target) return DefaultWindowProc(hwnd, msg, wp, lp);

  // Held for the whole message: a handler may destroy the tree it belongs to. The
  // observer is read once, so that each EnterMessage has its own LeaveMessage.
  DispatchStateRef state;
  try {
    state = target->Dispatching();
  } catch (...) {
    return DefaultWindowProc(hwnd, msg, wp, lp);
  }
  DispatchObserver* observer = state->Observer();
  if (observer) observer->EnterMessage();
  state->BeginMessage();
  LRESULT result = 0;
  try {
    result = target->HandleMessage(hwnd, msg, wp, lp);
  } catch (...) {
    // A failing handler ends here; the message counts as handled (creation fails).
    result = 0;
  }
  if (msg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    try {
      target->WindowDestroyed();
    } catch (...) {
    }
  }
  try {
    state->EndMessage();
  } catch (...) {
  }
  // Last: the observer may destroy this window, so nothing may follow it.
  if (observer) {
    try {
      observer->LeaveMessage();
    } catch (...) {
    }
  }
  return result;
}

WNDCLASSEXW FrameworkClass() {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = Trampoline;
  wc.hInstance = ModuleHandle();
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kClassName;
  return wc;
}

// Registers the class unless this load of the module has it already. Nothing is
// remembered: the system's class table is the one record.
bool EnsureClass() {
  // Asking is cheaper than registering again: a registration makes a cursor each time.
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(ModuleHandle(), kClassName, &existing) &&
      existing.lpfnWndProc == Trampoline)
    return true;
  const WNDCLASSEXW wc = FrameworkClass();
  if (::RegisterClassExW(&wc)) return true;
  if (::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  // A class of this name left by an earlier load of this module at the same address
  // points at a stale procedure: replace it. While windows of it exist it cannot
  // go, and it is then this load's own.
  if (!::UnregisterClassW(kClassName, ModuleHandle())) return true;
  return ::RegisterClassExW(&wc) != 0;
}

}  // namespace

void DispatchState::Hold(HeldForMessage* held) {
  if (std::find(held_.begin(), held_.end(), held) == held_.end()) held_.push_back(held);
}

void DispatchState::Forget(HeldForMessage* held) {
  auto it = std::find(held_.begin(), held_.end(), held);
  if (it != held_.end()) held_.erase(it);
}

void DispatchState::ReleaseHeld() {
  while (!held_.empty()) {
    HeldForMessage* held = held_.back();
    held_.pop_back();
    held->ReleaseHeld();
  }
}

void DispatchState::EndMessage() {
  if (--depth_ == 0) ReleaseHeld();
}

HWND CreateTargetWindow(MessageTarget* target, DWORD ex_style, DWORD style, int x, int y, int width,
                        int height, HWND parent, const wchar_t* title) {
  StageScope stage(Stage::kWindows);
  if (!EnsureClass()) return nullptr;
  Creation creation{target, nullptr, t_creating.Get()};
  t_creating.Set(&creation);
  HWND window = ::CreateWindowExW(ex_style, kClassName, title, style, x, y, width, height, parent,
                                  nullptr, ModuleHandle(), nullptr);
  t_creating.Set(creation.outer);
  return window;
}

void DestroyTargetWindow(HWND window) {
  if (window == nullptr) return;
  Destruction destruction{{}, t_destroying.Get()};
  // Without memory for the list, the windows left out keep their targets: the
  // windows go all the same.
  try {
    destruction.windows.push_back(window);
  } catch (...) {
  }
  ::EnumChildWindows(window, &CollectWindow, reinterpret_cast<LPARAM>(&destruction.windows));
  t_destroying.Set(&destruction);
  ::DestroyWindow(window);
  t_destroying.Set(destruction.outer);
}

bool WindowBeingDestroyed(HWND window) {
  return BeingDestroyed(window);
}

void SetTargetWindowText(HWND window, const wchar_t* text) {
  TextChange change{window, t_setting_text.Get()};
  t_setting_text.Set(&change);
  ::SetWindowTextW(window, text);
  t_setting_text.Set(change.outer);
}

bool SystemCommandOffered(DWORD style, bool iconic_or_zoomed, WPARAM command) {
  if (style & WS_CHILD) return false;
  switch (command & 0xFFF0) {
    case SC_CLOSE:
    case SC_SCREENSAVE:
    case SC_MONITORPOWER:
    case SC_TASKLIST:
      return true;
    case SC_MOVE:
      return (style & WS_CAPTION) == WS_CAPTION;
    case SC_SIZE:
      return (style & WS_THICKFRAME) != 0;
    case SC_MINIMIZE:
      return (style & WS_MINIMIZEBOX) != 0;
    case SC_MAXIMIZE:
      return (style & WS_MAXIMIZEBOX) != 0;
    case SC_RESTORE:
      return iconic_or_zoomed;
    case SC_KEYMENU:
    case SC_MOUSEMENU:
      return (style & WS_SYSMENU) != 0;
    case SC_HSCROLL:
      return (style & WS_HSCROLL) != 0;
    case SC_VSCROLL:
      return (style & WS_VSCROLL) != 0;
    default:
      return false;
  }
}

LRESULT DefaultWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
    case WM_SETREDRAW:
    case WM_SETICON:
    case WM_SETHOTKEY:
      return 0;
    case WM_SETTEXT:
      if (t_setting_text.Get() == nullptr || t_setting_text.Get()->window != hwnd) return FALSE;
      break;
    case WM_ACTIVATE:
      // The default gives the activated window the focus: only when it is the
      // active one (never a child).
      if (LOWORD(wp) != WA_INACTIVE && ::GetActiveWindow() != hwnd) return 0;
      break;
    case WM_SYSCOMMAND: {
      const DWORD style = static_cast<DWORD>(::GetWindowLongW(hwnd, GWL_STYLE));
      if (!SystemCommandOffered(style, ::IsIconic(hwnd) || ::IsZoomed(hwnd), wp)) return 0;
      break;
    }
    default:
      break;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool UnregisterWindowClass() {
  return ::UnregisterClassW(kClassName, ModuleHandle()) != 0;
}

}  // namespace fw

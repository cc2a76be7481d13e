#include "framework/Window.h"

#include <algorithm>
#include <vector>

#include "framework/Module.h"

namespace fw {
namespace {

constexpr wchar_t kClassName[] = L"TesselFrameworkWindow";

// Creation and destruction reach a window only from its own thread's CreateWindowEx
// and DestroyWindow; the same numbers sent from another thread or process (whose
// parameters would be believed) are not.
bool ForgedLifeMessage(UINT msg) {
  switch (msg) {
    case WM_NCCREATE:
    case WM_CREATE:
    case WM_DESTROY:
    case WM_NCDESTROY:
      return ::InSendMessageEx(nullptr) != ISMEX_NOSEND;
    default:
      return false;
  }
}

// Stores the target at WM_NCCREATE, forwards every message to it, and forgets it
// after WM_NCDESTROY. Nothing thrown gets past this frame.
LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (ForgedLifeMessage(msg)) return 0;
  MessageTarget* target = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    target = static_cast<MessageTarget*>(cs->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
  } else {
    target = reinterpret_cast<MessageTarget*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!target) return ::DefWindowProcW(hwnd, msg, wp, lp);

  // Held for the whole message: a handler may destroy the tree it belongs to. The
  // observer is read once, so that each EnterMessage has its own LeaveMessage.
  DispatchStateRef state;
  try {
    state = target->Dispatching();
  } catch (...) {
    return ::DefWindowProcW(hwnd, msg, wp, lp);
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
  const WNDCLASSEXW wc = FrameworkClass();
  if (::RegisterClassExW(&wc)) return true;
  if (::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (::GetClassInfoExW(ModuleHandle(), kClassName, &existing) &&
      existing.lpfnWndProc == Trampoline)
    return true;
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
  if (!EnsureClass()) return nullptr;
  return ::CreateWindowExW(ex_style, kClassName, title, style, x, y, width, height, parent, nullptr,
                           ModuleHandle(), target);
}

bool UnregisterWindowClass() {
  return ::UnregisterClassW(kClassName, ModuleHandle()) != 0;
}

}  // namespace fw

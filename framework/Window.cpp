#include "framework/Window.h"

#include <algorithm>
#include <vector>

#include "framework/Module.h"

namespace fw {
namespace {

constexpr wchar_t kClassName[] = L"TesselFrameworkWindow";
int g_dispatch_depth = 0;
DispatchHooks g_hooks;
std::vector<HeldForMessage*> g_held;

// Stores the target at WM_NCCREATE, forwards every message to it, and forgets it
// after WM_NCDESTROY. Nothing thrown gets past this frame.
LRESULT CALLBACK Trampoline(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  MessageTarget* target = nullptr;
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
    target = static_cast<MessageTarget*>(cs->lpCreateParams);
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(target));
  } else {
    target = reinterpret_cast<MessageTarget*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  }
  if (!target) return ::DefWindowProcW(hwnd, msg, wp, lp);

  // Read once: a hook may replace the hooks, and each Enter needs its own Leave.
  DispatchHooks hooks = g_hooks;
  if (hooks.Enter) hooks.Enter();
  ++g_dispatch_depth;
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
  if (--g_dispatch_depth == 0) {
    try {
      ReleaseHeldForMessages();
    } catch (...) {
    }
  }
  // Last: the hook may destroy this window, so nothing may follow it.
  if (hooks.Leave) {
    try {
      hooks.Leave();
    } catch (...) {
    }
  }
  return result;
}

bool RegisterOnce() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = Trampoline;
  wc.hInstance = ModuleHandle();
  wc.hCursor = ::LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc)) {
    // A class of this name left by an earlier load of this module at the same
    // address would point at a stale procedure: replace it.
    if (::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;
    ::UnregisterClassW(kClassName, ModuleHandle());
    if (!::RegisterClassExW(&wc)) return false;
  }
  registered = true;
  return true;
}

}  // namespace

void SetDispatchHooks(DispatchHooks hooks) {
  g_hooks = hooks;
}

void HoldForMessage(HeldForMessage* held) {
  if (std::find(g_held.begin(), g_held.end(), held) == g_held.end()) g_held.push_back(held);
}

void ForgetHeld(HeldForMessage* held) {
  auto it = std::find(g_held.begin(), g_held.end(), held);
  if (it != g_held.end()) g_held.erase(it);
}

void ReleaseHeldForMessages() {
  while (!g_held.empty()) {
    HeldForMessage* held = g_held.back();
    g_held.pop_back();
    held->ReleaseHeld();
  }
}

HWND CreateTargetWindow(MessageTarget* target, DWORD ex_style, DWORD style, int x, int y, int width,
                        int height, HWND parent, const wchar_t* title) {
  if (!RegisterOnce()) return nullptr;
  return ::CreateWindowExW(ex_style, kClassName, title, style, x, y, width, height, parent, nullptr,
                           ModuleHandle(), target);
}

}  // namespace fw

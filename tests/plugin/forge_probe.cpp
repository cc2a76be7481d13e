// A second process on the desktop that forges system messages to a window and every
// window in it:
//   forge_probe WINDOW   (WINDOW as a decimal handle)
// It posts every message number below WM_USER with garbage parameters, then the
// believable ones a neighbour could make up: a new scale with a rectangle that is no
// pointer, destruction, closing, system commands the frame does not offer, no more
// drawing, hiding, focus; and it sends what cannot be posted: a creation (with a
// structure of its own) and a new text. Exit code 0 when it reached every window.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr UINT kDpiChanged = 0x02E0;
constexpr UINT_PTR kGarbage = 0x41414141;

BOOL CALLBACK Collect(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

// Posts, waiting while the target's queue is full. False when the window refuses
// the number (one whose parameters the system knows to be pointers) or is gone.
bool Post(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    if (PostMessageW(window, message, wp, lp)) return true;
    if (GetLastError() != ERROR_NOT_ENOUGH_QUOTA) return false;
    Sleep(10);
  }
  return false;
}

void Send(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  DWORD_PTR answer = 0;
  SendMessageTimeoutW(window, message, wp, lp, SMTO_NORMAL, 2000, &answer);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoul(argv[1], nullptr, 10)));
  std::vector<HWND> targets{window};
  EnumChildWindows(window, &Collect, reinterpret_cast<LPARAM>(&targets));

  for (HWND target : targets) {
    // WM_QUIT is left out: it ends the receiving thread's message loop by design and
    // never reaches a window procedure. The timer messages carry no garbage in their
    // lParam: the receiving loop's DispatchMessage calls a non-null one as the timer's
    // callback before any window procedure is reached (Windows checks it first, Wine
    // calls it and survives the fault).
    constexpr UINT kSysTimer = 0x0118;
    for (UINT message = 0; message < WM_USER; ++message) {
      const bool timer = message == WM_TIMER || message == kSysTimer;
      if (message != WM_QUIT) Post(target, message, kGarbage, timer ? 0 : kGarbage);
    }
    const struct {
      UINT message;
      WPARAM wp;
      LPARAM lp;
    } believable[] = {
        {kDpiChanged, MAKEWPARAM(144, 144), static_cast<LPARAM>(kGarbage)},
        {WM_NCDESTROY, 0, 0},
        {WM_DESTROY, 0, 0},
        {WM_CLOSE, 0, 0},
        {WM_SYSCOMMAND, SC_CLOSE, 0},
        {WM_SYSCOMMAND, SC_MINIMIZE, 0},
        {WM_SYSCOMMAND, SC_MAXIMIZE, 0},
        {WM_SYSCOMMAND, SC_SIZE, 0},
        {WM_SYSCOMMAND, SC_KEYMENU, ' '},
        {WM_SETREDRAW, FALSE, 0},
        {WM_SHOWWINDOW, FALSE, 0},
        {WM_KILLFOCUS, 0, 0},
        {WM_SETFOCUS, 0, 0},
    };
    for (const auto& m : believable) {
      if (!Post(target, m.message, m.wp, m.lp)) return 1;
    }
    // Sent: the system copies the structure and the text into the window's process.
    CREATESTRUCTW forged{};
    forged.lpCreateParams = reinterpret_cast<void*>(kGarbage);
    forged.lpszName = L"forged";
    forged.cx = 10;
    forged.cy = 10;
    Send(target, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&forged));
    Send(target, WM_CREATE, 0, reinterpret_cast<LPARAM>(&forged));
    Send(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"forged"));
    Send(target, WM_NCDESTROY, 0, 0);
    Send(target, WM_DESTROY, 0, 0);
    // The window's thread drains one window's share before the next comes.
    Send(target, WM_NULL, 0, 0);
    Sleep(50);
  }
  std::printf("%u windows\n", static_cast<unsigned>(targets.size()));
  return 0;
}

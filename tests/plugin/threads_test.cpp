// A host that calls from three threads: the window's thread (InitHW, SetCallback,
// OpenHW, ShowGUI, then a message loop), a worker (StartHW, SetHWLO, GetHWLO,
// StopHW) and a third one (HideGUI, CloseHW, the unload). The stand-in refuses and
// marks every call that does not come from the thread that created it.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/plugin/AccessTree.h"
#include "tests/plugin/ReaderThread.h"
#include "testing/HostWatch.h"
#include "testing/PluginHost.h"
#include "testing/WindowInput.h"

namespace tessel::testing {
namespace {

std::atomic<int> blocks{0};
// How long a call from another thread waits for the window's thread (the plug-in's
// bound).
constexpr DWORD kCrossThreadWait = 5000;

void __cdecl CountBlocks(int32_t count, int32_t, float, int16_t*) {
  if (count > 0) ++blocks;
}

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<int*>(count);
  return TRUE;
}

// Every window of `thread`, message-only ones included.
int CountThreadWindows(DWORD thread) {
  int count = 0;
  EnumThreadWindows(thread, &CountWindow, reinterpret_cast<LPARAM>(&count));
  for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w != nullptr;
       w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
    if (GetWindowThreadProcessId(w, nullptr) == thread) ++count;
  }
  return count;
}

std::vector<std::string> WrongThreadCalls() {
  std::vector<std::string> wrong;
  for (const std::string& line : SimLog()) {
    if (line.find("WRONG-THREAD") != std::string::npos) wrong.push_back(line);
  }
  return wrong;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Starts the session on this thread with the stand-in that checks threads, answering
// `status` (as CALDER_SIM_STATUS has it).
bool InitOnThisThread(const wchar_t* status = L"1") {
  SetEnv(L"CALDER_SIM_OWN_THREAD", L"1");
  UseReceiver(L"Calder", status);
  RemoveSettings();
  blocks = 0;
  if (!Init().ok) return false;
  Plugin().SetCallback(&CountBlocks);
  return true;
}

TEST(Threads, AHostOnThreeThreadsStreamsRetunesStopsClosesAndUnloads) {
  const DWORD window_thread = GetCurrentThreadId();
  const int windows_before = CountThreadWindows(window_thread);
  ASSERT_TRUE(InitOnThisThread());
  PluginApi& p = Plugin();
  EXPECT_TRUE(p.OpenHW());
  p.ShowGUI();

  int32_t started = 0, tuned = 0, streamed = 0, after_stop = 0;
  ASSERT_TRUE(RunOnThread([&] {
    started = p.StartHW(7000000);
    Sleep(500);
    streamed = blocks;
    p.SetHWLO(3500000);
    tuned = p.GetHWLO();
    p.StopHW();
    Sleep(100);  // a block already on its way may still arrive
    after_stop = blocks;
    Sleep(500);
  }));
  EXPECT_EQ(started, 2048);
  EXPECT_GT(streamed, 0) << "blocks stream while the worker drives";
  EXPECT_EQ(tuned, 3500000);
  EXPECT_EQ(blocks, after_stop) << "StopHW from the worker stops the blocks";
  EXPECT_TRUE(Contains(SimActions(), "put 8 3500000"));

  HWND window = FindSettingsWindow();
  ASSERT_NE(window, nullptr);
  bool unloaded = false;
  ASSERT_TRUE(RunOnThread([&] {
    p.HideGUI();
    p.CloseHW();
    unloaded = UnloadPlugin();
  }));
  EXPECT_TRUE(unloaded);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(CountThreadWindows(window_thread), windows_before)
      << "no window of the plug-in is left on the window's thread";
  EXPECT_EQ(GetModuleHandleA("CalderSim.dll"), nullptr) << "the component is released";
  char rate[16] = {};
  GetPrivateProfileStringA("Parameters", "Srate", "", rate, sizeof rate, SettingsPath().c_str());
  EXPECT_STREQ(rate, "158730") << "the settings are saved";
  EXPECT_EQ(WrongThreadCalls(), std::vector<std::string>{});

  // The window's thread goes on handling its messages.
  PostThreadMessageW(window_thread, WM_APP, 7, 0);
  MSG message{};
  EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_APP, WM_APP, PM_REMOVE));
  EXPECT_EQ(message.wParam, 7u);
  Pump(300);
  RemoveSettings();
}

// The window's thread waits for the worker and handles no message: the worker's call
// gives up within the bound and is never carried out later; a close is carried out
// once the window's thread handles its messages again.
TEST(Threads, ACallWhileTheWindowsThreadIsBlockedReturnsWithinTheBound) {
  ASSERT_TRUE(InitOnThisThread());
  PluginApi& p = Plugin();
  const std::size_t from = SimLog().size();
  int32_t started = -1;
  DWORD took = 0;
  ASSERT_TRUE(RunOnThread(
      [&] {
        DWORD begin = GetTickCount();
        started = p.StartHW(7000000);
        took = GetTickCount() - begin;
        p.CloseHW();
      },
      false));
  EXPECT_EQ(started, 0);
  EXPECT_GE(took, 4500u);
  EXPECT_LT(took, 8000u);
  HWND window = FindSettingsWindow();
  EXPECT_NE(window, nullptr) << "nothing was done while the thread was blocked";
  Pump(500);
  EXPECT_EQ(SimActions(from), std::vector<std::string>{}) << "the dropped StartHW never runs";
  EXPECT_FALSE(IsWindow(window)) << "the close runs once the thread handles messages";
  EXPECT_TRUE(FileExists(SettingsPath()));
  EXPECT_EQ(WrongThreadCalls(), std::vector<std::string>{});
  RemoveSettings();
}

// A host that guards its sample ring with a lock: its callback takes the lock, and
// its worker holds the lock while it stops the plug-in (and, in the second row, also
// closes and unloads it). The window's thread is then inside the callback, waiting
// for the worker.
std::mutex host_lock;

void __cdecl LockedCountBlocks(int32_t count, int32_t, float, int16_t*) {
  std::lock_guard<std::mutex> hold(host_lock);
  if (count > 0) ++blocks;
}

TEST(Threads, StopAndCloseUnderTheHostsLockTakeEffectAtOnce) {
  for (bool close_and_unload : {false, true}) {
    SCOPED_TRACE(close_and_unload ? "StopHW, CloseHW, FreeLibrary" : "StopHW");
    HostWatch watch;
    ASSERT_TRUE(InitOnThisThread());
    PluginApi& p = Plugin();
    HWND window = FindSettingsWindow();
    p.SetCallback(&LockedCountBlocks);
    ASSERT_EQ(p.StartHW(7000000), 2048);
    Pump(2000, [] { return blocks > 5; });
    ASSERT_GT(blocks, 5);

    DWORD took = 0;
    int at_return = 0;
    ASSERT_TRUE(RunOnThread([&] {
      std::lock_guard<std::mutex> hold(host_lock);
      Sleep(100);  // the next block's callback is now waiting for the lock
      DWORD begin = GetTickCount();
      p.StopHW();
      if (close_and_unload) {
        p.CloseHW();
        UnloadPlugin(0);
      }
      took = GetTickCount() - begin;
      at_return = blocks;
    }));
    EXPECT_LT(took, 500u) << "the calls return while the window's thread is blocked";
    Pump(1500);
    // The callback that was waiting for the lock had begun; nothing begins later.
    EXPECT_LE(blocks, at_return + 1) << "no block after StopHW returned";
    EXPECT_EQ(WrongThreadCalls(), std::vector<std::string>{});
    EXPECT_TRUE(Contains(SimActions(), "call 14")) << "the component is stopped on its thread";
    if (close_and_unload) {
      EXPECT_FALSE(IsWindow(window)) << "the close runs once the window's thread is free";
      EXPECT_TRUE(FileExists(SettingsPath())) << "the settings are saved";
      EXPECT_EQ(GetModuleHandleA("Tessel_Calder.dll"), nullptr) << "then the library goes";
    } else {
      // Closed and started again from the worker: the session starts afresh there,
      // once the window's thread has let the old one go.
      bool again = false;
      DWORD window_thread = 0;
      ASSERT_TRUE(RunOnThread([&] {
        p.CloseHW();
        again = Init().ok;
        window_thread = GetWindowThreadProcessId(FindSettingsWindow(), nullptr);
        p.CloseHW();
        window_thread = window_thread == GetCurrentThreadId() ? 1 : 0;
      }));
      EXPECT_TRUE(again);
      EXPECT_EQ(window_thread, 1u) << "the new window is the worker's";
      EXPECT_FALSE(IsWindow(window));
    }
    EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
    RemoveSettings();
  }
}

// A host window whose procedure opens and starts the plug-in, as a host does whose
// worker asks its window thread by SendMessage.
constexpr UINT kHostInit = WM_APP + 1;
constexpr UINT kHostStart = WM_APP + 2;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  if (message == kHostInit) return Init().ok ? 1 : 0;
  if (message == kHostStart) return Plugin().StartHW(7000000);
  return DefWindowProcW(window, message, wp, lp);
}

// Counts blocks; while hold_status is set, a status holds the window's thread for
// longer than a call from another thread waits for it.
std::atomic<bool> hold_status{false};

void __cdecl HoldingCountBlocks(int32_t count, int32_t, float, int16_t*) {
  if (count > 0) ++blocks;
  if (count < 0 && hold_status) Sleep(2 * kCrossThreadWait + 500);
}

// Blocks counted from now on, after `ms` of this thread's messages.
int BlocksWithin(unsigned ms) {
  const int from = blocks;
  Pump(ms);
  return blocks - from;
}

// A window of the host's on this thread: `handler` answers the messages it knows
// (nothing: the default handling).
class HostWindow {
 public:
  using Handler = std::function<std::optional<LRESULT>(UINT, WPARAM, LPARAM)>;
  explicit HostWindow(Handler handler, bool top_level = false) : handler_(std::move(handler)) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = &HostWindow::Proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TesselTestHostWindow";
    RegisterClassW(&wc);
    window_ =
        CreateWindowExW(0, wc.lpszClassName, L"host", top_level ? WS_OVERLAPPEDWINDOW : 0, 10, 10,
                        200, 100, top_level ? nullptr : HWND_MESSAGE, nullptr, wc.hInstance, this);
  }
  ~HostWindow() { DestroyWindow(window_); }
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;
  HWND Handle() const { return window_; }

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NCCREATE) {
      auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr && message != WM_NCDESTROY) {
      if (std::optional<LRESULT> answer = self->handler_(message, wp, lp)) return *answer;
    }
    return DefWindowProcW(window, message, wp, lp);
  }
  Handler handler_;
  HWND window_ = nullptr;
};

// Handles the messages other threads send to this one (and nothing posted) until
// `done`, at most `ms`.
void TakeSentMessages(unsigned ms, const std::function<bool()>& done) {
  for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < ms;) {
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_SENDMESSAGE);
  }
}

// A thread of the host's running `body`, joined while this thread takes the
// messages sent to it (at most 30 s).
class HostThread {
 public:
  explicit HostThread(std::function<void()> body) : body_(std::move(body)) {
    thread_ = CreateThread(nullptr, 0, &HostThread::Run, this, 0, nullptr);
  }
  ~HostThread() { Join(); }
  HostThread(const HostThread&) = delete;
  HostThread& operator=(const HostThread&) = delete;
  void Join() {
    if (thread_ == nullptr) return;
    TakeSentMessages(30000, [&] { return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0; });
    CloseHandle(thread_);
    thread_ = nullptr;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    static_cast<HostThread*>(self)->body_();
    return 0;
  }
  std::function<void()> body_;
  HANDLE thread_ = nullptr;
};

// A modal loop, as a dialog or a message box runs one: every message of the thread,
// for `ms`.
void ModalLoop(unsigned ms) {
  for (DWORD start = GetTickCount(); GetTickCount() - start < ms;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
}

// The host's level meter on its main thread, which the callback updates by
// SendMessage with every block.
constexpr UINT kMeterLevel = WM_APP + 3;
std::atomic<HWND> meter_window{nullptr};

// When `hold_next_level` is set, the next block's callback says it is about to send
// and waits 50 ms first, so that the main thread is inside its call when it sends.
std::atomic<bool> hold_next_level{false};
std::atomic<bool> about_to_send{false};

void __cdecl MeterCallback(int32_t count, int32_t, float, int16_t*) {
  if (count <= 0) return;
  ++blocks;
  if (hold_next_level.exchange(false)) {
    about_to_send = true;
    Sleep(50);
  }
  SendMessageW(meter_window, kMeterLevel, 0, 0);
}

// Each of the storm's threads has a meter of its own, and the callback sends each
// block's level to one of them in turn.
constexpr int kStormThreads = 4;
std::atomic<HWND> storm_meters[kStormThreads] = {};

void __cdecl StormCallback(int32_t count, int32_t, float, int16_t*) {
  if (count <= 0) return;
  const int block = ++blocks;
  if (HWND meter = storm_meters[block % kStormThreads]) SendMessageW(meter, kMeterLevel, 0, 0);
}

// Closes the plug-in once, when armed, from the callback of a block or of status 1.
std::atomic<bool> close_armed{false};
std::atomic<bool> close_on_status{false};
std::atomic<bool> closed_in_callback{false};

void __cdecl ClosingCallback(int32_t count, int32_t status, float, int16_t*) {
  if (count > 0) ++blocks;
  const bool due = close_on_status ? count < 0 && status == 1 : count > 0;
  if (due && close_armed.exchange(false)) {
    Plugin().CloseHW();
    closed_in_callback = true;
  }
}

// Runs a message loop of its own in the callback of the first block.
std::atomic<int> callback_depth{0};
std::atomic<int> callback_reentered{0};
std::atomic<bool> callback_nested{false};

void __cdecl NestingCallback(int32_t count, int32_t, float, int16_t*) {
  if (callback_depth > 0) ++callback_reentered;
  if (count <= 0) return;
  ++blocks;
  if (callback_nested.exchange(true)) return;
  ++callback_depth;
  Pump(800);
  --callback_depth;
}

// Tunes from a worker when the thread's first window is about to be made: the
// session is starting and has no window yet.
std::atomic<bool> tune_on_create{false};

LRESULT CALLBACK TuneOnCreate(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND && tune_on_create.exchange(false))
    std::thread([] { Plugin().SetHWLO(3500000); }).join();
  return CallNextHookEx(nullptr, code, wp, lp);
}

// The build of the library that holds the window's thread for 500 ms between the
// check of the stream gate and the call of the host, whenever the event that
// HoldTheGateOnce makes is reset; it signals the event there. Before the first
// Plugin() of the process.
void UseGateProbeLibrary() {
  _putenv_s("TESSEL_DLL", WinePath(TESSEL_GATE_PROBE_DLL_PATH).c_str());
}

// Arms the gate probe's pause (again: ResetEvent); the event is signalled when the
// window's thread is held there.
HANDLE HoldTheGateOnce() {
  const std::wstring name = L"TesselGateProbe.held." + std::to_wstring(GetCurrentProcessId());
  return CreateEventW(nullptr, TRUE, FALSE, name.c_str());
}

// Milliseconds on the performance counter.
double Milliseconds() {
  LARGE_INTEGER now, frequency;
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * double(now.QuadPart) / double(frequency.QuadPart);
}

// The callback a host replaces: when a block last began in it.
std::atomic<double> replaced_callback_entry{0};

void __cdecl ReplacedCallback(int32_t count, int32_t, float, int16_t*) {
  if (count <= 0) return;
  replaced_callback_entry = Milliseconds();
  ++blocks;
}

void __cdecl QuietCallback(int32_t, int32_t, float, int16_t*) {}

// Starts a worker's StartHW when the thread's first window is about to be made: the
// session is starting, and the worker's call waits for a window that does not exist
// yet. The worker is not joined; `early_start_done` is set when its call returns.
std::atomic<bool> start_on_create{false};
std::atomic<int32_t> early_start_result{-1};
std::atomic<DWORD> early_start_took{0};
HANDLE early_start_done = nullptr;

LRESULT CALLBACK StartOnCreate(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND && start_on_create.exchange(false)) {
    std::thread([] {
      const DWORD begin = GetTickCount();
      early_start_result = Plugin().StartHW(7000000);
      early_start_took = GetTickCount() - begin;
      SetEvent(early_start_done);
    }).detach();
    // Long enough for the worker's call to be queued and to have looked for a window
    // to tell.
    Sleep(100);
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

// Sends the host's main window a request to close once, when armed, from the
// callback of a settings-change report (status 100).
constexpr UINT kCloseNow = WM_APP + 6;
std::atomic<HWND> close_window{nullptr};
std::atomic<bool> close_on_report{false};

void __cdecl ReportClosingCallback(int32_t count, int32_t status, float, int16_t*) {
  if (count < 0 && status == 100 && close_on_report.exchange(false))
    SendMessageW(close_window, kCloseNow, 0, 0);
}

// Sends the host's main window a request to reconnect once, when armed, from the
// callback of a block (the host's handler closes and opens the plug-in again).
constexpr UINT kReconnect = WM_APP + 5;
std::atomic<HWND> reconnect_window{nullptr};
std::atomic<bool> reconnect_armed{false};

void __cdecl ReconnectCallback(int32_t count, int32_t, float, int16_t*) {
  if (count <= 0) return;
  ++blocks;
  if (reconnect_armed.exchange(false)) SendMessageW(reconnect_window, kReconnect, 0, 0);
}

// What hosts do with their threads beyond the usual, one process each. Each row
// starts with no session and the stand-in that checks threads; none may call the
// component from a thread other than the one that made it.
struct ThreadPattern {
  const char* id;
  const char* name;
  // The library goes at unload; one whose thread ended with its window keeps its
  // image, since objects of that dead apartment may still name its code. Not
  // known beforehand: not checked.
  std::optional<bool> unloads;
  std::function<void()> scenario;
};

const ThreadPattern kThreadPatterns[] = {
    {"InitAndStartInsideMessagesSentFromAWorker",
     "InitHW and StartHW inside messages sent from the host's worker", true,
     [] {
       WNDCLASSW wc{};
       wc.lpfnWndProc = HostWindowProc;
       wc.hInstance = GetModuleHandleW(nullptr);
       wc.lpszClassName = L"TesselTestHost";
       RegisterClassW(&wc);
       HWND host = CreateWindowExW(0, wc.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                   nullptr, wc.hInstance, nullptr);
       ASSERT_NE(host, nullptr);
       SetEnv(L"CALDER_SIM_OWN_THREAD", L"1");
       UseReceiver();
       LRESULT opened = 0, started = 0;
       ASSERT_TRUE(RunOnThread([&] {
         opened = SendMessageW(host, kHostInit, 0, 0);
         Plugin().SetCallback(&CountBlocks);
         started = SendMessageW(host, kHostStart, 0, 0);
       }));
       EXPECT_EQ(opened, 1);
       EXPECT_EQ(started, 2048);
       EXPECT_GT(BlocksWithin(500), 0);
       Plugin().CloseHW();
       DestroyWindow(host);
     }},
    {"AWorkersCloseThenInitOnTheOwnerBeforeItPumps",
     "a worker's CloseHW, then InitHW and StartHW on the window's thread before it pumps", true,
     [] {
       ASSERT_TRUE(InitOnThisThread());
       HWND window = FindSettingsWindow();
       ASSERT_TRUE(RunOnThread([] { Plugin().CloseHW(); }, false));
       EXPECT_TRUE(Init().ok);
       EXPECT_FALSE(IsWindow(window)) << "the close ran first";
       Plugin().SetCallback(&CountBlocks);
       DWORD begin = GetTickCount();
       EXPECT_EQ(Plugin().StartHW(7000000), 2048);
       EXPECT_LT(GetTickCount() - begin, 500u) << "the owner never waits on itself";
       EXPECT_GT(BlocksWithin(500), 0);
       Plugin().CloseHW();
     }},
    {"AHeldStartThenStop", "a cross-thread StartHW held past its wait, then StopHW", true,
     [] {
       // The component fires a status inside the tuning write, and the host's
       // callback holds the window's thread there past the worker's whole wait.
       SetEnv(L"CALDER_SIM_FIRE_INSIDE", L"8");
       ASSERT_TRUE(InitOnThisThread());
       Plugin().SetCallback(&HoldingCountBlocks);
       const std::size_t from = SimLog().size();
       int32_t started = -1;
       hold_status = true;
       ASSERT_TRUE(RunOnThread([&] {
         started = Plugin().StartHW(7000000);
         Plugin().StopHW();
       }));
       hold_status = false;
       EXPECT_EQ(started, 0);
       EXPECT_EQ(BlocksWithin(500), 0) << "no block after StopHW";
       EXPECT_FALSE(Contains(SimActions(from), "call 18 1 0"))
           << "no start of which the caller was told 0";
       SetEnv(L"CALDER_SIM_FIRE_INSIDE", nullptr);
       Plugin().CloseHW();
     }},
    {"TheThreadOfInitEnds", "the thread of InitHW ends; CloseHW saves, a later InitHW streams",
     false,
     [] {
       for (bool close_first : {true, false}) {
         SCOPED_TRACE(close_first ? "CloseHW, then InitHW" : "InitHW at once");
         bool opened = false;
         ASSERT_TRUE(RunOnThread([&] { opened = InitOnThisThread(); }));
         ASSERT_TRUE(opened);
         DWORD begin = GetTickCount();
         EXPECT_EQ(Plugin().StartHW(7000000), 0) << "the window went with its thread";
         EXPECT_LT(GetTickCount() - begin, 500u);
         if (close_first) {
           Plugin().CloseHW();
           EXPECT_TRUE(FileExists(SettingsPath())) << "the settings of the InitHW are saved";
         }
         ASSERT_TRUE(Init().ok) << "a later InitHW on a living thread starts afresh";
         Plugin().SetCallback(&CountBlocks);
         EXPECT_EQ(Plugin().StartHW(7000000), 2048);
         EXPECT_GT(BlocksWithin(500), 0);
         Plugin().CloseHW();
       }
     }},
    {"CallbackSendsToTheCallersThread",
     "a callback that sends to the host's main thread while that thread calls GetHWLO and StartHW",
     true,
     [] {
       std::atomic<int> levels{0};
       HostWindow meter([&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
         if (message != kMeterLevel) return std::nullopt;
         ++levels;
         return 0;
       });
       meter_window = meter.Handle();
       std::atomic<bool> opened{false}, done{false};
       HostThread owner([&] {
         opened = InitOnThisThread();
         Plugin().SetCallback(&MeterCallback);
         Plugin().StartHW(7000000);
         Pump(20000, [&] { return done.load(); });
         Plugin().CloseHW();
       });
       TakeSentMessages(5000, [&] { return levels > 3; });
       ASSERT_TRUE(opened);
       ASSERT_GT(levels, 3) << "the meter hears the blocks";
       // Each call is made while the window's thread is in the callback, about to send
       // here.
       auto in_callback = [] {
         about_to_send = false;
         hold_next_level = true;
         TakeSentMessages(2000, [] { return about_to_send.load(); });
         return about_to_send.load();
       };
       ASSERT_TRUE(in_callback());
       DWORD begin = GetTickCount();
       EXPECT_EQ(Plugin().GetHWLO(), 7000000);
       EXPECT_LT(GetTickCount() - begin, 500u) << "GetHWLO answers while the callback sends here";
       ASSERT_TRUE(in_callback());
       begin = GetTickCount();
       EXPECT_EQ(Plugin().StartHW(3500000), 2048);
       EXPECT_LT(GetTickCount() - begin, 500u) << "StartHW answers while the callback sends here";
       const int before = levels;
       TakeSentMessages(2000, [&] { return levels > before + 3; });
       EXPECT_GT(levels, before + 3) << "the stream goes on";
       done = true;
       owner.Join();
       meter_window = nullptr;
     }},
    {"WorkerClosesWhileTheOwnerJoinsIt",
     "a worker's StopHW and CloseHW while the owner thread joins it without handling messages",
     true,
     [] {
       ASSERT_TRUE(InitOnThisThread());
       ASSERT_EQ(Plugin().StartHW(7000000), 2048);
       EXPECT_GT(BlocksWithin(300), 0);
       HWND window = FindSettingsWindow();
       bool saved = false;
       ASSERT_TRUE(RunOnThread(
           [&] {
             Plugin().StopHW();
             Plugin().CloseHW();
             saved = FileExists(SettingsPath());
           },
           false));
       EXPECT_TRUE(saved) << "the settings are written when CloseHW returns";
       // A host that ends here has its settings; one that goes on handles messages,
       // and the window goes.
       Pump(500, [&] { return !IsWindow(window); });
       EXPECT_FALSE(IsWindow(window));
     }},
    {"CloseFromTheCallbackInAModalLoopOfASentMessage",
     "CloseHW from the callback inside a modal loop of a message another thread sent", true,
     [] {
       constexpr UINT kShowDialog = WM_APP + 4;
       HostWindow host([](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
         if (message != kShowDialog) return std::nullopt;
         ModalLoop(1200);
         return 0;
       });
       for (bool on_status : {false, true}) {
         SCOPED_TRACE(on_status ? "on a status event" : "on a data block");
         ASSERT_TRUE(InitOnThisThread(on_status ? L"1,1@600" : L"1"));
         HWND window = FindSettingsWindow();
         close_on_status = on_status;
         closed_in_callback = false;
         close_armed = true;
         Plugin().SetCallback(&ClosingCallback);
         if (!on_status) {
           ASSERT_EQ(Plugin().StartHW(7000000), 2048);
         }
         ASSERT_TRUE(RunOnThread([&] { SendMessageW(host.Handle(), kShowDialog, 0, 0); }));
         EXPECT_TRUE(closed_in_callback);
         Pump(500, [&] { return !IsWindow(window); });
         EXPECT_FALSE(IsWindow(window)) << "the close is carried out once the loop has ended";
         bool again = false;
         DWORD took = 0;
         ASSERT_TRUE(RunOnThread([&] {
           const DWORD begin = GetTickCount();
           again = Init().ok;
           took = GetTickCount() - begin;
           Plugin().CloseHW();
         }));
         EXPECT_TRUE(again) << "the next InitHW from another thread works";
         EXPECT_LT(took, 1000u) << "at once";
       }
     }},
    {"InitFromTheHostsActivationDuringTheTeardown",
     "InitHW from the host's WM_ACTIVATE, run while CloseHW destroys the window", true,
     [] {
       ASSERT_TRUE(InitOnThisThread());
       std::atomic<bool> armed{false};
       bool reopened = false;
       HostWindow host(
           [&](UINT message, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
             if (message == WM_ACTIVATE && LOWORD(wp) != WA_INACTIVE && armed.exchange(false))
               reopened = Init().ok;
             return std::nullopt;
           },
           true);
       ShowWindow(host.Handle(), SW_SHOW);
       ASSERT_TRUE(Plugin().OpenHW());
       HWND window = FindSettingsWindow();
       SetForegroundWindow(window);
       SetActiveWindow(window);
       Pump(100);
       ASSERT_EQ(GetActiveWindow(), window);
       armed = true;
       Plugin().CloseHW();
       armed = false;
       EXPECT_TRUE(reopened) << "the host's handler opened a new session during the teardown";
       EXPECT_FALSE(IsWindow(window));
       EXPECT_NE(FindSettingsWindow(), nullptr);
       // The new session keeps the thread's apartment.
       const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
       if (SUCCEEDED(com)) CoUninitialize();
       EXPECT_EQ(com, S_FALSE) << "OLE is still initialised on the window's thread";
       Plugin().SetCallback(&CountBlocks);
       EXPECT_EQ(Plugin().StartHW(7000000), 2048);
       EXPECT_GT(BlocksWithin(500), 0);
       Plugin().CloseHW();
     }},
    {"TuningFromAWorkerDuringTheStartUp", "SetHWLO from a worker before the window exists", true,
     [] {
       HHOOK hook = SetWindowsHookExW(WH_CBT, &TuneOnCreate, nullptr, GetCurrentThreadId());
       ASSERT_NE(hook, nullptr);
       tune_on_create = true;
       const bool opened = InitOnThisThread();
       UnhookWindowsHookEx(hook);
       ASSERT_TRUE(opened);
       EXPECT_FALSE(tune_on_create) << "the worker tuned while the session started";
       Pump(200);
       EXPECT_EQ(Plugin().GetHWLO(), 3500000) << "the tuning is in effect";
       EXPECT_TRUE(Contains(SimActions(), "put 8 3500000"));
       Plugin().CloseHW();
     }},
    {"ACallbackWithAMessageLoopOfItsOwn", "a callback that runs a nested message loop", true,
     [] {
       // A status comes while the loop runs.
       ASSERT_TRUE(InitOnThisThread(L"1,1@500"));
       Plugin().SetCallback(&NestingCallback);
       ASSERT_EQ(Plugin().StartHW(7000000), 2048);
       Pump(3000, [] { return callback_nested && callback_depth == 0; });
       ASSERT_TRUE(callback_nested);
       EXPECT_EQ(callback_reentered, 0) << "the callback is not entered again while it runs";
       EXPECT_GT(BlocksWithin(500), 0) << "the stream goes on after";
       Plugin().CloseHW();
     }},
    {"AStormOfHostThreads", "four threads calling entry points at random", std::nullopt,
     [] {
       SetEnv(L"CALDER_SIM_OWN_THREAD", L"1");
       // Blocks as fast as the window's thread takes them: one is always queued
       // ahead of a command.
       SetEnv(L"CALDER_SIM_UNPACED", L"1");
       UseReceiver();
       std::mutex longest_mutex;
       DWORD longest = 0;
       std::string longest_call;
       std::atomic<bool> stop{false};
       auto caller = [&](int index) {
         HostWindow meter([](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
           if (message != kMeterLevel) return std::nullopt;
           return 0;
         });
         storm_meters[index] = meter.Handle();
         // Each call with its weight, weighted towards those that wait for the window's
         // thread.
         struct Call {
           const char* name;
           unsigned weight;
           void (*make)();
         };
         static const Call kCalls[] = {
             {"InitHW", 10,
              [] {
                if (Init().ok) Plugin().SetCallback(&StormCallback);
              }},
             {"StartHW", 20, [] { Plugin().StartHW(7000000); }},
             {"StopHW", 5, [] { Plugin().StopHW(); }},
             {"CloseHW", 4, [] { Plugin().CloseHW(); }},
             {"SetHWLO", 15, [] { Plugin().SetHWLO(3500000); }},
             {"GetHWLO", 20, [] { Plugin().GetHWLO(); }},
             {"ShowGUI", 5, [] { Plugin().ShowGUI(); }},
             {"HideGUI", 5, [] { Plugin().HideGUI(); }},
             {"OpenHW", 6, [] { Plugin().OpenHW(); }},
             {"GetStatus", 10, [] { (void)(Plugin().GetStatus() + Plugin().GetHWSR()); }},
         };
         std::mt19937 random(index + 1);
         while (!stop) {
           unsigned which = 0;
           for (unsigned pick = random() % 100; pick >= kCalls[which].weight; ++which)
             pick -= kCalls[which].weight;
           const DWORD begin = GetTickCount();
           kCalls[which].make();
           const DWORD took = GetTickCount() - begin;
           {
             std::lock_guard<std::mutex> hold(longest_mutex);
             if (took > longest) {
               longest = took;
               longest_call = kCalls[which].name;
             }
           }
           Pump(random() % 20);
         }
         Plugin().CloseHW();
         Pump(300);
         storm_meters[index] = nullptr;
       };
       {
         HostThread a([&] { caller(0); }), b([&] { caller(1); }), c([&] { caller(2); }),
             d([&] { caller(3); });
         Pump(4000);
         stop = true;
       }
       EXPECT_GT(blocks, 0) << "the storm streamed";
       EXPECT_LT(longest, 1000u) << "the longest call: " << longest_call;
       SetEnv(L"CALDER_SIM_UNPACED", nullptr);
       // Then a clean open, stream and save.
       ASSERT_TRUE(InitOnThisThread());
       EXPECT_EQ(Plugin().StartHW(7000000), 2048);
       EXPECT_GT(BlocksWithin(500), 0);
       Plugin().CloseHW();
       EXPECT_TRUE(FileExists(SettingsPath()));
     }},
    {"NothingBeginsAfterACallThatEndsTheCallback",
     "SetCallback or StopHW from a worker while the window's thread is between the gate and the "
     "call",
     std::nullopt,
     [] {
       // A host that replaces (or clears) its callback, or stops, and then frees what
       // the callback used: none may begin after the call returned.
       UseGateProbeLibrary();
       ASSERT_TRUE(InitOnThisThread());
       ASSERT_EQ(Plugin().StartHW(7000000), 2048);
       HANDLE held = HoldTheGateOnce();
       ASSERT_NE(held, nullptr);
       const std::pair<const char*, void (*)()> endings[] = {
           {"SetCallback", [] { Plugin().SetCallback(&QuietCallback); }},
           {"StopHW", [] { Plugin().StopHW(); }},
       };
       for (const auto& [name, end] : endings) {
         SCOPED_TRACE(name);
         Plugin().SetCallback(&ReplacedCallback);
         const int from = blocks;
         Pump(2000, [&] { return blocks > from + 2; });
         ASSERT_GT(blocks, from + 2);
         ResetEvent(held);
         std::atomic<double> returned{0};
         DWORD took = 0;
         HostThread worker([&] {
           if (WaitForSingleObject(held, 5000) != WAIT_OBJECT_0) return;
           const DWORD begin = GetTickCount();
           end();
           took = GetTickCount() - begin;
           returned = Milliseconds();
         });
         Pump(3000, [&] { return returned != 0; });
         Pump(300);
         worker.Join();
         ASSERT_NE(returned, 0) << "the window's thread was held between the gate and the call";
         EXPECT_GE(took, 300u) << "the call waited for the window's thread to go past";
         EXPECT_LT(replaced_callback_entry - returned, 50.0)
             << "a callback began after it returned";
       }
       CloseHandle(held);
       Plugin().CloseHW();
     }},
    {"ASecondCloseHWReturnsOnlyOnceTheSettingsAreWritten",
     "CloseHW from a second thread while a worker's CloseHW waits for the window's thread",
     std::nullopt,
     [] {
       // A host whose worker and main thread both close at shutdown, and which ends
       // the process once its own CloseHW has returned.
       UseGateProbeLibrary();
       ASSERT_TRUE(InitOnThisThread());
       ASSERT_EQ(Plugin().StartHW(7000000), 2048);
       Pump(2000, [] { return blocks > 2; });
       ASSERT_GT(blocks, 2);
       HANDLE held = HoldTheGateOnce();
       ASSERT_NE(held, nullptr);
       std::atomic<bool> first_returned{false}, second_returned{false}, listening{true};
       std::atomic<bool> saved_when_second_returned{false};
       HostThread first([&] {
         if (WaitForSingleObject(held, 5000) != WAIT_OBJECT_0) return;
         Plugin().CloseHW();
         first_returned = true;
       });
       HostThread second([&] {
         if (WaitForSingleObject(held, 5000) != WAIT_OBJECT_0) return;
         Sleep(100);  // the first CloseHW has begun by now
         listening = Plugin().OpenHW();
         Plugin().CloseHW();
         saved_when_second_returned = FileExists(SettingsPath());
         second_returned = true;
       });
       Pump(3000, [&] { return first_returned && second_returned; });
       first.Join();
       second.Join();
       CloseHandle(held);
       ASSERT_TRUE(second_returned);
       EXPECT_FALSE(listening) << "the first CloseHW had begun";
       EXPECT_TRUE(saved_when_second_returned)
           << "the second CloseHW returned before the settings were written";
       EXPECT_TRUE(FileExists(SettingsPath()));
     }},
    {"AWorkersStartDuringTheStartUpWhileTheOwnerSends",
     "a worker's StartHW during the start-up, while the window's thread then waits in a "
     "SendMessage of its own",
     true,
     [] {
       // The host's main thread opens the plug-in and at once asks its audio thread,
       // by SendMessage, to wait until the tuner thread has started the stream.
       early_start_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
       HWND audio_window = nullptr;
       std::atomic<bool> stop{false};
       HANDLE audio_ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
       HostThread audio([&] {
         HostWindow window([](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
           if (message != kMeterLevel) return std::nullopt;
           WaitForSingleObject(early_start_done, 8000);
           return 0;
         });
         audio_window = window.Handle();
         SetEvent(audio_ready);
         Pump(20000, [&] { return stop.load(); });
       });
       ASSERT_EQ(WaitForSingleObject(audio_ready, 5000), WAIT_OBJECT_0);
       HHOOK hook = SetWindowsHookExW(WH_CBT, &StartOnCreate, nullptr, GetCurrentThreadId());
       ASSERT_NE(hook, nullptr);
       start_on_create = true;
       const bool opened = InitOnThisThread();
       UnhookWindowsHookEx(hook);
       ASSERT_TRUE(opened);
       EXPECT_FALSE(start_on_create) << "the worker started during the start-up";
       SendMessageW(audio_window, kMeterLevel, 0, 0);
       stop = true;
       PostMessageW(audio_window, WM_NULL, 0, 0);
       audio.Join();
       ASSERT_EQ(WaitForSingleObject(early_start_done, 8000), WAIT_OBJECT_0);
       EXPECT_EQ(early_start_result, 2048) << "the worker's StartHW started the stream";
       EXPECT_LT(early_start_took, 1000u)
           << "the worker's StartHW was answered while the window's thread sent";
       CloseHandle(early_start_done);
       CloseHandle(audio_ready);
       Plugin().CloseHW();
       Pump(300);
     }},
    {"CloseFromAMessageTheRateReportSent",
     "CloseHW on the host's main thread inside a message the callback of a rate change sent",
     std::nullopt,
     [] {
       // The session lives on the host's worker; the user picks a rate, the host hears
       // of it and closes from its main thread: the rate it heard of is saved.
       int32_t heard = 0;
       std::atomic<bool> closed{false};
       HostWindow main_window([&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
         if (message != kCloseNow) return std::nullopt;
         heard = Plugin().GetHWSR();
         Plugin().CloseHW();
         closed = true;
         return 0;
       });
       close_window = main_window.Handle();
       std::atomic<HWND> window{nullptr};
       std::atomic<bool> done{false};
       HostThread owner([&] {
         if (!InitOnThisThread()) return;
         Plugin().SetCallback(&ReportClosingCallback);
         Plugin().OpenHW();
         Pump(200);
         window = FindSettingsWindow();
         Pump(20000, [&] { return done.load(); });
       });
       TakeSentMessages(5000, [&] { return window.load() != nullptr; });
       ASSERT_NE(window.load(), nullptr);
       close_on_report = true;
       PostRateClick(window, 2);
       TakeSentMessages(5000, [&] { return closed.load(); });
       ASSERT_TRUE(closed) << "the rate's report asked the main window to close";
       EXPECT_EQ(heard, 37793) << "the host heard of the new rate";
       char rate[16] = {};
       GetPrivateProfileStringA("Parameters", "Srate", "", rate, sizeof rate,
                                SettingsPath().c_str());
       EXPECT_STREQ(rate, "37793") << "the rate in effect when CloseHW returned is saved";
       done = true;
       owner.Join();
       close_window = nullptr;
     }},
    {"ReconnectInsideAMessageTheCallbackSent",
     "CloseHW and InitHW on the host's main thread inside a message the callback sent there",
     std::nullopt,
     [] {
       // The session lives on the host's worker; its callback reports to the main
       // window by SendMessage, and the main window's handler reconnects.
       bool reopened = false;
       DWORD took = 0;
       std::atomic<bool> handled{false};
       HostWindow main_window([&](UINT message, WPARAM, LPARAM) -> std::optional<LRESULT> {
         if (message != kReconnect) return std::nullopt;
         Plugin().CloseHW();
         const DWORD begin = GetTickCount();
         reopened = Init().ok;
         took = GetTickCount() - begin;
         handled = true;
         return 0;
       });
       reconnect_window = main_window.Handle();
       std::atomic<bool> opened{false}, done{false};
       HostThread owner([&] {
         opened = InitOnThisThread();
         Plugin().SetCallback(&ReconnectCallback);
         Plugin().StartHW(7000000);
         reconnect_armed = true;
         Pump(20000, [&] { return done.load(); });
       });
       TakeSentMessages(20000, [&] { return handled.load(); });
       ASSERT_TRUE(opened);
       ASSERT_TRUE(handled) << "the callback asked the main window to reconnect";
       // The old window cannot go while the callback that sent is on its thread's
       // stack: a clear answer at once, not a wait for it.
       EXPECT_LT(took, 1000u) << "InitHW inside the callback's message waited; it "
                              << (reopened ? "opened" : "failed");
       done = true;
       owner.Join();
       reconnect_window = nullptr;
       const DWORD begin = GetTickCount();
       EXPECT_TRUE(Init().ok) << "the next InitHW opens afresh";
       EXPECT_LT(GetTickCount() - begin, 1000u);
       Plugin().CloseHW();
       Pump(300);
     }},
};

class HostThreadPattern : public ::testing::TestWithParam<ThreadPattern> {};

TEST_P(HostThreadPattern, Holds) {
  const ThreadPattern& row = GetParam();
  SCOPED_TRACE(row.name);
  HostWatch watch;
  RemoveSettings();
  blocks = 0;
  row.scenario();
  Pump(200);
  EXPECT_EQ(WrongThreadCalls(), std::vector<std::string>{});
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  if (row.unloads) {
    EXPECT_EQ(UnloadPlugin(), *row.unloads);
  }
  RemoveSettings();
}

INSTANTIATE_TEST_SUITE_P(Threads, HostThreadPattern, ::testing::ValuesIn(kThreadPatterns),
                         [](const ::testing::TestParamInfo<ThreadPattern>& info) {
                           return std::string(info.param.id);
                         });

// Messages that anyone on the desktop can post to the window: numbers the framework
// or the session once trusted (WM_APP + 0x3A1 and 0x3A2 among them), the registered
// messages with tickets that are not theirs, and the first 2,048 private and
// application messages, each with a parameter that is no pointer of ours. None of
// them does anything.
TEST(Threads, MessagesFromOutsideAreIgnored) {
  HostWatch watch;
  ASSERT_TRUE(InitOnThisThread());
  PluginApi& p = Plugin();
  ASSERT_TRUE(p.OpenHW());
  HWND window = FindSettingsWindow();
  Pump(200);
  const std::size_t from = SimLog().size();
  const UINT command = RegisterWindowMessageW(L"Tessel_Calder.command");
  const UINT action = RegisterWindowMessageW(L"TesselFramework.accessible-action");
  std::vector<HWND> targets{window};
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    targets.push_back(child);
  }
  const LPARAM junk = static_cast<LPARAM>(0xDEADBEE0u);
  for (HWND target : targets) {
    watch.Note("posting to a window");
    for (UINT base : {UINT{WM_USER}, UINT{WM_APP}}) {
      for (UINT message = base; message < base + 0x800; ++message) {
        PostMessageW(target, message, 7, junk);
        if (message % 1024 == 0) Pump(5);
      }
    }
    for (WPARAM ticket = 0; ticket < 64; ++ticket) {
      PostMessageW(target, command, ticket, junk);
      PostMessageW(target, action, ticket, junk);
    }
    Pump(20);
  }
  // Creation and destruction sent from another thread, with parameters to believe.
  CREATESTRUCTW forged{};
  forged.lpCreateParams = reinterpret_cast<void*>(junk);
  ASSERT_TRUE(RunOnThread([&] {
    for (HWND target : targets) {
      DWORD_PTR answer = 0;
      for (UINT message : {WM_NCDESTROY, WM_DESTROY}) {
        SendMessageTimeoutW(target, message, 0, 0, SMTO_NORMAL, 1000, &answer);
      }
      SendMessageTimeoutW(target, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&forged), SMTO_NORMAL,
                          1000, &answer);
    }
  }));
  Pump(300);
  EXPECT_EQ(SimActions(from), std::vector<std::string>{}) << "nothing reached the component";
  EXPECT_TRUE(IsWindowVisible(window)) << "nothing hid the window";
  EXPECT_EQ(p.GetHWSR(), 158730);
  // The window still reaches its controls: a click chooses a rate.
  PostRateClick(window, 2);
  Pump(500, [&] { return p.GetHWSR() == 37793; });
  EXPECT_EQ(p.GetHWSR(), 37793);
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  p.CloseHW();
  RemoveSettings();
}

// The window's client area on the screen after a repaint of the whole window, its
// child windows included, one 0x00RRGGBB value per pixel.
std::vector<uint32_t> Picture(HWND window) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Pump(100);
  RECT r{};
  GetClientRect(window, &r);
  std::vector<uint32_t> pixels(static_cast<size_t>(r.right) * r.bottom);
  HDC screen = GetDC(window);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, r.right, r.bottom, screen, 0, 0, SRCCOPY);
  GdiFlush();
  std::copy_n(static_cast<uint32_t*>(bits), pixels.size(), pixels.begin());
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(window, screen);
  return pixels;
}

BOOL CALLBACK NoteWindow(HWND window, LPARAM windows) {
  reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
  return TRUE;
}

// The window and every window in it: handle, place on the screen, style and text.
std::vector<std::string> WindowFacts(HWND window) {
  std::vector<HWND> windows{window};
  EnumChildWindows(window, &NoteWindow, reinterpret_cast<LPARAM>(&windows));
  std::vector<std::string> facts;
  for (HWND w : windows) {
    RECT r{};
    GetWindowRect(w, &r);
    char text[128] = {};
    GetWindowTextA(w, text, sizeof text);
    char line[256];
    std::snprintf(line, sizeof line, "%p @%ld,%ld %ldx%ld style %08lx \"%s\"",
                  static_cast<void*>(w), r.left, r.top, r.right - r.left, r.bottom - r.top,
                  static_cast<unsigned long>(GetWindowLongW(w, GWL_STYLE)), text);
    facts.push_back(line);
  }
  return facts;
}

// Runs the forging neighbour (tests/plugin/forge_probe.cpp) against `window` while
// this thread handles its messages; its exit code.
DWORD RunForgeProbe(HWND window) {
  return RunProcessWhilePumping(
      "forge_probe.exe " + std::to_string(reinterpret_cast<uintptr_t>(window)), 40000);
}

// Another process posts every system message number to the settings window and
// every window in it, with garbage parameters and then with believable ones (see
// forge_probe.cpp): a new scale with a rectangle that is no pointer, destruction,
// creation, closing, system commands, text. Nothing reaches the component; closing
// hides the window, as its Hide button does; a command from another thread still
// runs and brings it back, exactly as it was, with every control read as before by
// a screen reader.
TEST(Threads, SystemMessagesFromAnotherProcessChangeNothing) {
  HostWatch watch;
  ASSERT_TRUE(InitOnThisThread());
  PluginApi& p = Plugin();
  ASSERT_TRUE(p.OpenHW());
  HWND window = FindSettingsWindow();
  ASSERT_NE(window, nullptr);
  SetForegroundWindow(window);
  Pump(300);
  const std::vector<std::string> facts = WindowFacts(window);
  const std::vector<uint32_t> shown = Picture(window);
  const std::string tree = TreeFromAnotherThread(window);
  ASSERT_FALSE(tree.empty());
  const std::size_t from = SimLog().size();

  watch.Note("forged messages from another process");
  EXPECT_EQ(RunForgeProbe(window), 0u);
  Pump(500);
  ASSERT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(SimActions(from), std::vector<std::string>{}) << "nothing reached the component";
  EXPECT_EQ(p.GetHWSR(), 158730);
  EXPECT_FALSE(IsWindowVisible(window)) << "closing hides the window";

  watch.Note("commands from another thread");
  ASSERT_TRUE(RunOnThread([&] {
    p.ShowGUI();
    p.SetHWLO(3500000);
  }));
  Pump(2000, [&] { return IsWindowVisible(window) && !SimActions(from).empty(); });
  EXPECT_TRUE(IsWindowVisible(window)) << "ShowGUI from another thread ran";
  EXPECT_EQ(SimActions(from), std::vector<std::string>{"put 8 3500000"});
  EXPECT_EQ(WindowFacts(window), facts);
  const std::vector<uint32_t> now = Picture(window);
  ASSERT_EQ(now.size(), shown.size());
  EXPECT_LT(std::count(now.begin(), now.end(), now.front()), std::ptrdiff_t(now.size()))
      << "the window draws something";
  EXPECT_EQ(std::mismatch(now.begin(), now.end(), shown.begin()).first - now.begin(),
            std::ptrdiff_t(now.size()))
      << "the window draws what it drew";
  EXPECT_EQ(TreeFromAnotherThread(window), tree);
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  p.CloseHW();
  RemoveSettings();
}

}  // namespace
}  // namespace tessel::testing

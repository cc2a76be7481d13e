// Status reports and sample blocks as the host's callback receives them, through the
// real DLL and the stand-in. Each test runs in a process of its own.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "testing/PluginHost.h"

namespace tessel::testing {
namespace {

using Lines = std::vector<std::string>;

// The stand-in, a Calder that answers `status` at once; no settings file.
void UseStatus(const wchar_t* status = L"1") {
  UseReceiver(L"Calder", status);
  RemoveSettings();
}

std::size_t CountBlocks() {
  return std::count_if(HostCalls().begin(), HostCalls().end(),
                       [](const HostCall& c) { return c.count >= 0; });
}

std::size_t CountLines(const std::string& line) {
  Lines log = SimLog();
  return std::count(log.begin(), log.end(), line);
}

TEST(Delivery, BlocksArriveInTheOneStaticBufferWithStatusTwoAndTheOffset) {
  UseStatus();
  ASSERT_TRUE(Init().ok);
  Plugin().SetCallback(&RecordingCallback);
  std::size_t from = SimLog().size();
  EXPECT_EQ(Plugin().StartHW(7100000), 2048);
  EXPECT_EQ(SimActions(from), (Lines{"put 8 7100000", "call 18 1 0"}));
  Pump(3000, [] { return CountBlocks() >= 20; });
  Plugin().StopHW();
  ASSERT_GE(CountBlocks(), 20u);
  int16_t* buffer = nullptr;
  for (const HostCall& c : HostCalls()) {
    if (c.count < 0) continue;
    EXPECT_EQ(c.count, 2048);
    EXPECT_EQ(c.status, 2);
    EXPECT_FLOAT_EQ(c.iq_offset, 0.0125f);
    ASSERT_NE(c.samples, nullptr);
    if (buffer == nullptr) buffer = c.samples;
    EXPECT_EQ(c.samples, buffer) << "every block comes in the same buffer";
  }
  EXPECT_EQ(Plugin().GetStatus(), 2);
  EXPECT_EQ(Plugin().GetHWLO(), 7100000);
  EXPECT_EQ(SimActions(from).back(), "call 14");

  // After Stop (and what was already queued) the blocks end.
  Pump(300);
  std::size_t stopped = CountBlocks();
  Pump(500);
  EXPECT_EQ(CountBlocks(), stopped);

  // Start and Stop may alternate.
  EXPECT_EQ(Plugin().StartHW(3000000), 2048);
  Pump(3000, [&] { return CountBlocks() >= stopped + 5; });
  EXPECT_GE(CountBlocks(), stopped + 5);
  Plugin().StopHW();
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Delivery, WithoutACallbackBlocksAreFetchedButTheOffsetIsNotRead) {
  UseStatus();
  ASSERT_TRUE(Init().ok);
  Plugin().StartHW(7100000);
  Pump(3000, [] { return CountLines("call 21 array(8192)") >= 5; });
  Plugin().StopHW();
  EXPECT_GE(CountLines("call 21 array(8192)"), 5u);
  EXPECT_EQ(CountLines("get 13"), 0u);
  EXPECT_EQ(Plugin().GetStatus(), 2);
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Delivery, StatusEventsAreForwardedAndTheModelTextIsReadOnce) {
  UseStatus(L"1,2@400,2@600,3@800");
  ASSERT_TRUE(Init().ok);
  Plugin().SetCallback(&RecordingCallback);
  Pump(2000, [] { return HostCalls().size() >= 3; });
  ASSERT_EQ(HostCalls().size(), 3u);
  const int32_t expected[] = {2, 2, 3};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(HostCalls()[i].count, -1);
    EXPECT_EQ(HostCalls()[i].status, expected[i]);
    EXPECT_EQ(HostCalls()[i].iq_offset, 0.0f);
    EXPECT_EQ(HostCalls()[i].samples, nullptr);
  }
  EXPECT_EQ(CountLines("get 9"), 1u);
  EXPECT_EQ(CountLines("get 2"), 1u);
  EXPECT_EQ(Plugin().GetStatus(), 3);
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Delivery, AnErrorWhileStreamingIsReportedAndTheNextBlockSetsStatusTwo) {
  UseStatus(L"1,3@700");
  ASSERT_TRUE(Init().ok);
  Plugin().SetCallback(&RecordingCallback);
  Plugin().StartHW(7100000);
  auto error_index = [] {
    auto& calls = HostCalls();
    return std::find_if(calls.begin(), calls.end(),
                        [](const HostCall& c) { return c.count == -1 && c.status == 3; }) -
           calls.begin();
  };
  Pump(3000, [&] { return static_cast<std::size_t>(error_index()) + 3 < HostCalls().size(); });
  Plugin().StopHW();
  std::size_t at = static_cast<std::size_t>(error_index());
  ASSERT_LT(at + 1, HostCalls().size());
  EXPECT_EQ(HostCalls()[at].samples, nullptr);
  EXPECT_EQ(HostCalls()[at + 1].count, 2048);
  EXPECT_EQ(HostCalls()[at + 1].status, 2);
  Plugin().CloseHW();
  RemoveSettings();
}

// Counts outside 0..8192 are kept inside before they reach the host.
void ExpectCountsClampedTo(const wchar_t* count, int32_t expected) {
  UseStatus();
  SetEnv(L"CALDER_SIM_COUNT", count);
  ASSERT_TRUE(Init().ok);
  Plugin().SetCallback(&RecordingCallback);
  Plugin().StartHW(7100000);
  Pump(3000, [] { return CountBlocks() >= 3; });
  Plugin().StopHW();
  ASSERT_GE(CountBlocks(), 3u);
  for (const HostCall& c : HostCalls()) {
    if (c.samples != nullptr) {
      EXPECT_EQ(c.count, expected);
    }
  }
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Delivery, ACountAboveTheBufferIsCut) {
  ExpectCountsClampedTo(L"9000", 8192);
}

TEST(Delivery, ANegativeCountBecomesZero) {
  ExpectCountsClampedTo(L"-5", 0);
}

TEST(Delivery, AReplacedArrayDeliversItsOwnValuesNeverStaleOnes) {
  // The component hands back an array of 100 values of its own but claims 2048.
  UseStatus();
  SetEnv(L"CALDER_SIM_REPLACE_ARRAY", L"100");
  SetEnv(L"CALDER_SIM_COUNT", L"2048");
  ASSERT_TRUE(Init().ok);
  Plugin().SetCallback(&RecordingCallback);
  // The host scribbles over each block it gets; none of that may come back.
  static int stale_blocks = 0;
  SetCallbackAction([](const HostCall& c) {
    if (c.count <= 0) return;
    if (std::count(c.samples, c.samples + c.count, int16_t{0x7777}) == c.count) ++stale_blocks;
    std::fill(c.samples, c.samples + 2048, int16_t{0x7777});
  });
  Plugin().StartHW(7100000);
  Pump(3000, [] { return CountBlocks() >= 3; });
  Plugin().StopHW();
  ASSERT_GE(CountBlocks(), 3u);
  for (const HostCall& c : HostCalls()) {
    if (c.count >= 0) {
      EXPECT_EQ(c.count, 100);
    }
  }
  EXPECT_EQ(stale_blocks, 0);
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Delivery, AFailedOffsetReadDropsTheBlock) {
  UseStatus();
  SetEnv(L"CALDER_SIM_FAIL", L"13");
  ASSERT_TRUE(Init().ok);
  Plugin().SetCallback(&RecordingCallback);
  Plugin().StartHW(7100000);
  Pump(3000, [] { return CountLines("get 13 FAIL") >= 3; });
  Plugin().StopHW();
  EXPECT_GE(CountLines("get 13 FAIL"), 3u);
  EXPECT_EQ(CountBlocks(), 0u);
  EXPECT_EQ(Plugin().GetStatus(), 2);
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Delivery, AFailedSerialReadLeavesTheModelTextEmptyAndSendsNoStatus) {
  UseStatus(L"1,1@300");
  SetEnv(L"CALDER_SIM_FAIL", L"9");
  InitResult r = Init();
  EXPECT_TRUE(r.ok) << "the status was stored before the read failed";
  EXPECT_EQ(r.name, "");
  Plugin().SetCallback(&RecordingCallback);
  Pump(1500, [] { return !HostCalls().empty(); });
  // The second status is forwarded; the model text is not tried again.
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].status, 1);
  EXPECT_EQ(CountLines("get 9 FAIL"), 1u);
  EXPECT_EQ(CountLines("get 2"), 0u);
  // Not a Calder by its (empty) text: no input writes beyond the start-up one.
  EXPECT_EQ(CountLines("put 6 129"), 1u);
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Delivery, ARejectedFilterWriteEndsTheRateHandlerBeforeTheCallback) {
  UseStatus();
  HANDLE failures = CreateEventW(nullptr, TRUE, FALSE, L"tessel-filter-failures");
  ASSERT_NE(failures, nullptr);
  SetEnv(L"CALDER_SIM_FAIL", L"5");
  SetEnv(L"CALDER_SIM_FAIL_SWITCH", L"tessel-filter-failures");
  ASSERT_TRUE(Init().ok);
  Plugin().SetCallback(&RecordingCallback);
  WriteFileText(SettingsPath(), "[Parameters]\r\nSrate=55555\r\nPreamp=0\r\n");
  SetEvent(failures);
  // Neither the file's rate nor the default one is taken: the start-up fails, the
  // rate in effect stays, and the host hears only of the input change.
  EXPECT_FALSE(Init().ok);
  EXPECT_EQ(Plugin().GetHWSR(), 158730);
  EXPECT_EQ(CountLines("put 5 3 FAIL"), 1u);
  EXPECT_EQ(CountLines("put 5 5 FAIL"), 1u);
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].status, 100);
  Plugin().CloseHW();
  SetEnv(L"CALDER_SIM_FAIL", nullptr);
  SetEnv(L"CALDER_SIM_FAIL_SWITCH", nullptr);
  CloseHandle(failures);
  RemoveSettings();
}

// --- re-entrance from the host ---------------------------------------------------

// Closes the plug-in from the callback of the first block, with the stand-in set by
// `variable` = `value` (none when null), and pumps until the close has run.
// Returns the window it closed.
HWND CloseFromTheFirstBlockCallback(const wchar_t* variable, const wchar_t* value) {
  UseStatus();
  if (variable != nullptr) SetEnv(variable, value);
  if (!Init().ok) return nullptr;
  HWND window = FindSettingsWindow();
  Plugin().SetCallback(&RecordingCallback);
  SetCallbackAction([](const HostCall& c) {
    if (c.count >= 0) Plugin().CloseHW();
  });
  Plugin().StartHW(7100000);
  Pump(2000, [] { return CountBlocks() >= 1; });
  Pump(500);
  return window;
}

TEST(Reentry, ClosingFromInsideACallbackIsSafe) {
  HWND window = CloseFromTheFirstBlockCallback(nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(CountBlocks(), 1u) << "no block after the close";
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(FileExists(SettingsPath()));
  RemoveSettings();
}

// A fragile component is destroyed the moment the plug-in lets go of it, even while
// its own call that fired the event is still running.
TEST(Reentry, ClosingFromACallbackLeavesAComponentThatHoldsNoReferenceToItselfAlone) {
  HWND window = CloseFromTheFirstBlockCallback(L"CALDER_SIM_FRAGILE", L"1");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(CountBlocks(), 1u) << "no block after the close";
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(FileExists(SettingsPath()));
  RemoveSettings();
}

// An entry point whose component call fires an event inside it (as a control that
// pumps messages would) whose callback closes the plug-in: the entry point makes no
// further component call, the window is gone once it returns, and the host hears
// nothing more. Each row reloads the plug-in.
TEST(Reentry, ClosingFromAnEventFiredInsideAnEntryPointsComponentCall) {
  struct Row {
    const char* name;
    const wchar_t* fired_inside;
    const char* last_component_call;
    std::function<void()> call;
  };
  const Row rows[] = {
      {"StartHW", L"8", "put 8 7100000", [] { EXPECT_EQ(Plugin().StartHW(7100000), 0); }},
      {"SetHWLO", L"8", "put 8 7200000", [] { Plugin().SetHWLO(7200000); }},
      {"GetHWLO", L"8", "get 8", [] { Plugin().GetHWLO(); }},
      {"StopHW", L"14", "call 14", [] { Plugin().StopHW(); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    UseStatus();
    SetEnv(L"CALDER_SIM_FIRE_INSIDE", row.fired_inside);
    ASSERT_TRUE(Init().ok);
    HWND window = FindSettingsWindow();
    HostCalls().clear();
    Plugin().SetCallback(&RecordingCallback);
    SetCallbackAction([](const HostCall&) { Plugin().CloseHW(); });
    row.call();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(HostCalls().size(), 1u);
    std::vector<std::string> log = SimLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), row.last_component_call);
    Pump(300);
    EXPECT_EQ(HostCalls().size(), 1u);
    SetCallbackAction({});
    ASSERT_TRUE(UnloadPlugin());
    SetEnv(L"CALDER_SIM_FIRE_INSIDE", nullptr);
    RemoveSettings();
  }
}

TEST(Reentry, NothingReachesTheHostAfterItClosedFromACallback) {
  // The component fires eight blocks from one message: the seven after the close
  // find the plug-in closing and must not reach a host that has closed it.
  HWND window = CloseFromTheFirstBlockCallback(L"CALDER_SIM_UNPACED", L"8");
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(HostCalls().size(), 1u);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(FileExists(SettingsPath()));
  RemoveSettings();
}

// What a host message handled inside the first InitHW's wait sees of the plug-in.
struct WaitView {
  bool seen = false;
  bool visible = false;
  RECT rect{};
  int32_t status = 0;
  bool later_message_handled = false;
};

LRESULT CALLBACK ReentryProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_APP + 2) {
    auto* view = reinterpret_cast<WaitView*>(lparam);
    HWND settings = FindSettingsWindow();
    view->seen = settings != nullptr;
    view->visible = IsWindowVisible(settings) != FALSE;
    GetWindowRect(settings, &view->rect);
    view->status = Plugin().GetStatus();
    // Queued behind the stand-in's answer to InitControl.
    PostMessageW(window, WM_APP + 3, 0, lparam);
    return 0;
  }
  if (message == WM_APP + 3) {
    reinterpret_cast<WaitView*>(lparam)->later_message_handled = true;
    return 0;
  }
  if (message == WM_APP) {
    InitResult* inner = reinterpret_cast<InitResult*>(lparam);
    *inner = Init();
    return 0;
  }
  if (message == WM_APP + 1) {
    Plugin().CloseHW();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND MakeHostWindow() {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = ReentryProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"ReentryHost";
  RegisterClassW(&window_class);
  return CreateWindowW(L"ReentryHost", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                       window_class.hInstance, nullptr);
}

TEST(Reentry, InitCalledWhileTheFirstWaitsReportsNoSuccessAndMakesNoSecondWindow) {
  UseStatus(L"1@400");
  HWND host = MakeHostWindow();
  InitResult inner{true, "", "", 0};
  PostMessageW(host, WM_APP, 0, reinterpret_cast<LPARAM>(&inner));
  InitResult outer = Init();
  EXPECT_FALSE(inner.ok);
  EXPECT_EQ(inner.name, "Calder/Marlo still starting");
  EXPECT_EQ(inner.model, "Boh?");
  EXPECT_EQ(inner.type, 1);
  EXPECT_TRUE(outer.ok);
  EXPECT_EQ(CountSettingsWindows(), 1);
  EXPECT_EQ(CountLines("call 34"), 1u);
  Plugin().CloseHW();
  DestroyWindow(host);
  RemoveSettings();
}

TEST(Reentry, TheFirstWaitShowsTheWindowOffScreenAndHandlesAllThatIsQueued) {
  UseStatus();
  HWND host = MakeHostWindow();
  WaitView view;
  PostMessageW(host, WM_APP + 2, 0, reinterpret_cast<LPARAM>(&view));
  ASSERT_TRUE(Init().ok);
  ASSERT_TRUE(view.seen);
  EXPECT_TRUE(view.visible);
  EXPECT_EQ(view.rect.left, -9999);
  EXPECT_EQ(view.rect.top, 370) << "only the left edge moves off screen";
  EXPECT_EQ(view.status, -99);
  // The wait takes in everything queued with the first status before it judges it.
  EXPECT_TRUE(view.later_message_handled);
  Plugin().CloseHW();
  DestroyWindow(host);
  RemoveSettings();
}

TEST(Reentry, CloseCalledWhileTheFirstInitWaitsEndsItWithoutSuccess) {
  UseStatus(L"1@400");
  HWND host = MakeHostWindow();
  PostMessageW(host, WM_APP + 1, 0, 0);
  InitResult r = Init();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.name, "Calder/Marlo plug-in closed");
  EXPECT_EQ(FindSettingsWindow(), nullptr);
  Pump(600);  // the status the stand-in still sends finds no plug-in
  EXPECT_FALSE(FileExists(SettingsPath()));
  DestroyWindow(host);
}

}  // namespace
}  // namespace tessel::testing

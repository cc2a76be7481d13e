// The plug-in's lifecycle, texts, window and settings file, driven through the real
// DLL with the stand-in receiver. Each test runs in a process of its own.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "testing/HostWatch.h"
#include "testing/PluginHost.h"
#include "testing/WindowInput.h"

namespace tessel::testing {
namespace {

using Lines = std::vector<std::string>;

// The value of a key in the parsed settings file, or "<missing>".
std::string IniValue(const char* key) {
  char value[64];
  GetPrivateProfileStringA("Parameters", key, "<missing>", value, sizeof value,
                           SettingsPath().c_str());
  return value;
}

TEST(Lifecycle, FirstInitWithoutSettingsFileUsesDefaultsAndCloseWritesThem) {
  RemoveSettings();
  UseReceiver();
  InitResult r = Init();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.name, "Calder   -   T-1001");
  EXPECT_EQ(r.model, "N/A");
  EXPECT_EQ(r.type, 1);
  EXPECT_EQ(Plugin().GetHWSR(), 158730);
  EXPECT_EQ(Plugin().GetStatus(), 1);
  // InitControl, then (once the status is in) the four writes, the input write of a
  // Calder (PreON is already selected, so its handler does not run), the rate
  // button's filter and the two slider handlers.
  EXPECT_EQ(SimActions(), (Lines{"call 34", "put 1 66667120", "put 10 24", "put 4 -10", "put 6 129",
                                 "put 6 129", "put 5 5", "put 10 24", "put 4 -10"}));
  Lines log = SimLog();
  auto serial = std::find(log.begin(), log.end(), "get 9");
  auto device = std::find(log.begin(), log.end(), "get 2");
  ASSERT_NE(serial, log.end());
  EXPECT_LT(serial, device) << "SerialNumber is read before DeviceName";

  EXPECT_FALSE(FileExists(SettingsPath()));
  Plugin().CloseHW();
  EXPECT_EQ(FindSettingsWindow(), nullptr);
  std::string text = ReadFileText(SettingsPath());
  EXPECT_EQ(IniValue("Srate"), "158730");
  EXPECT_EQ(IniValue("Preamp"), "1");
  EXPECT_EQ(IniValue("HFGain"), "-10");
  EXPECT_EQ(IniValue("IFGain"), "24");
  std::size_t s = text.find("Srate"), p = text.find("Preamp"), h = text.find("HFGain"),
              i = text.find("IFGain");
  EXPECT_TRUE(text.find("[Parameters]") < s && s < p && p < h && h < i) << text;
  RemoveSettings();
}

TEST(Lifecycle, WindowIsHiddenBottomRightWithItsPropertiesAndFollowsShowAndHide) {
  RemoveSettings();
  UseReceiver();
  ASSERT_TRUE(Init().ok);
  HWND window = FindSettingsWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(CountSettingsWindows(), 1);
  EXPECT_FALSE(IsWindowVisible(window));
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 363);
  EXPECT_EQ(client.bottom, 324);
  EXPECT_EQ(outer.right, GetSystemMetrics(SM_CXSCREEN));
  EXPECT_EQ(outer.bottom, GetSystemMetrics(SM_CYSCREEN));
  LONG style = GetWindowLongA(window, GWL_STYLE);
  LONG ex_style = GetWindowLongA(window, GWL_EXSTYLE);
  EXPECT_EQ(style & WS_SYSMENU, 0) << "no border icons";
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_VSCROLL | WS_HSCROLL), 0);
  EXPECT_NE(style & WS_DLGFRAME, 0);
  EXPECT_NE(ex_style & WS_EX_TOPMOST, 0);

  EXPECT_TRUE(Plugin().OpenHW());
  EXPECT_TRUE(IsWindowVisible(window));
  UpdateWindow(window);
  HDC dc = GetDC(window);
  EXPECT_EQ(GetPixel(dc, 300, 240), RGB(60, 60, 60));
  ReleaseDC(window, dc);
  Plugin().HideGUI();
  EXPECT_FALSE(IsWindowVisible(window));
  Plugin().ShowGUI();
  EXPECT_TRUE(IsWindowVisible(window));
  // A close request only hides: the window lives until CloseHW.
  SendMessageA(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_FALSE(IsWindowVisible(window));
  // Every InitHW hides the window again.
  Plugin().ShowGUI();
  ASSERT_TRUE(Init().ok);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(CountSettingsWindows(), 1);
  Plugin().CloseHW();
  EXPECT_FALSE(IsWindow(window));
  RemoveSettings();
}

TEST(Lifecycle, SecondInitDoesNotWaitRereadsSettingsAndAnnouncesTheRate) {
  RemoveSettings();
  UseReceiver();
  Plugin().SetCallback(&RecordingCallback);  // forgotten by the first InitHW
  ASSERT_TRUE(Init().ok);
  Pump(300);
  EXPECT_TRUE(HostCalls().empty());

  WriteFileText(SettingsPath(),
                "[Parameters]\r\nSrate=37793\r\nPreamp=1\r\nHFGain=-20\r\n"
                "IFGain=12\r\n");
  Plugin().SetCallback(&RecordingCallback);
  std::size_t from = SimLog().size();
  DWORD start = GetTickCount();
  InitResult second = Init();
  EXPECT_LT(GetTickCount() - start, 1000u);
  EXPECT_TRUE(second.ok);
  EXPECT_EQ(second.name, "Calder   -   T-1001");
  EXPECT_EQ(Plugin().GetHWSR(), 37793);
  EXPECT_EQ(SimActions(from), (Lines{"put 1 66667120", "put 10 12", "put 4 -20", "put 6 129",
                                     "put 6 129", "put 5 2", "put 10 12", "put 4 -20"}));
  ASSERT_EQ(HostCalls().size(), 1u) << "the rate button's settings-change call";
  EXPECT_EQ(HostCalls()[0].count, -1);
  EXPECT_EQ(HostCalls()[0].status, 100);
  EXPECT_EQ(HostCalls()[0].iq_offset, 0.0f);
  EXPECT_EQ(HostCalls()[0].samples, nullptr);
  EXPECT_EQ(CountSettingsWindows(), 1);
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Lifecycle, EntryPointsBeforeInitAndAfterCloseDoNoHarm) {
  RemoveSettings();
  UseReceiver();
  PluginApi& p = Plugin();
  EXPECT_EQ(p.GetStatus(), 0);
  EXPECT_EQ(p.GetHWSR(), 0);
  EXPECT_FALSE(p.OpenHW());
  EXPECT_EQ(p.StartHW(7000000), 0);
  EXPECT_EQ(p.GetHWLO(), 0);
  p.SetHWLO(1000);
  p.StopHW();
  p.ShowGUI();
  p.HideGUI();
  p.TuneChanged(1000);
  EXPECT_EQ(FindSettingsWindow(), nullptr);
  EXPECT_TRUE(SimLog().empty()) << "no component was created";

  ASSERT_TRUE(Init().ok);
  ASSERT_TRUE(p.OpenHW());  // a user clicks the window once it shows
  PostRateClick(FindSettingsWindow(), 2);
  Pump(300, [&] { return p.GetHWSR() == 37793; });
  p.CloseHW();
  EXPECT_EQ(IniValue("Srate"), "37793");
  const std::string saved = ReadFileText(SettingsPath());
  RemoveSettings();
  p.CloseHW();  // a second close does nothing
  EXPECT_FALSE(FileExists(SettingsPath()));
  EXPECT_FALSE(p.OpenHW());
  EXPECT_EQ(p.StartHW(7000000), 0);
  EXPECT_EQ(FindSettingsWindow(), nullptr);

  // InitHW after CloseHW starts afresh: a new window and component, and the settings
  // the close saved.
  WriteFileText(SettingsPath(), saved);
  const std::size_t from = SimLog().size();
  InitResult after = Init();
  EXPECT_TRUE(after.ok);
  EXPECT_EQ(after.type, 1);
  EXPECT_EQ(after.name, "Calder   -   T-1001");
  EXPECT_EQ(p.GetHWSR(), 37793);
  ASSERT_FALSE(SimActions(from).empty());
  EXPECT_EQ(SimActions(from).front(), "call 34") << "the new component is started";
  EXPECT_EQ(CountSettingsWindows(), 1);
  EXPECT_TRUE(p.OpenHW());
  p.CloseHW();
  EXPECT_EQ(FindSettingsWindow(), nullptr);
  RemoveSettings();
}

TEST(Lifecycle, TuneChangedChangesNothingAndTuningGoesToTheComponent) {
  RemoveSettings();
  UseReceiver();
  ASSERT_TRUE(Init().ok);
  std::size_t from = SimLog().size();
  Plugin().TuneChanged(5000000);
  EXPECT_TRUE(SimActions(from).empty());
  Plugin().SetHWLO(3500000);
  EXPECT_EQ(Plugin().GetHWLO(), 3500000);
  EXPECT_EQ(SimActions(from), (Lines{"put 8 3500000"}));
  EXPECT_EQ(SimLog().back(), "get 8");
  Plugin().CloseHW();
  RemoveSettings();
}

// Starts a session that streams to the recording callback; returns its window, or
// null when it did not start.
HWND StartStreaming() {
  RemoveSettings();
  UseReceiver();
  if (!Init().ok) return nullptr;
  Plugin().SetCallback(&RecordingCallback);
  Plugin().StartHW(7100000);
  Pump(300);
  return HostCalls().empty() ? nullptr : FindSettingsWindow();
}

DWORD WINAPI FreeLibraryThread(void* module) {
  return FreeLibrary(static_cast<HMODULE>(module)) ? 1 : 0;
}

// The host loads the library again after unloading it without CloseHW: the same
// image with the same session, which CloseHW ends (saving the settings), after which
// the library goes.
void ReloadAndClose(HMODULE module, HWND window) {
  char path[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameA(module, path, MAX_PATH), 0u);
  ASSERT_EQ(LoadLibraryA(path), module);
  Plugin().CloseHW();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_TRUE(FileExists(SettingsPath()));
  EXPECT_TRUE(UnloadPlugin()) << "the library goes once its window has gone";
  WNDCLASSEXW stale{};
  stale.cbSize = sizeof stale;
  EXPECT_FALSE(GetClassInfoExW(module, L"TesselFrameworkWindow", &stale))
      << "a later load finds no window class of this one";
  RemoveSettings();
}

// A host that unloads the plug-in without CloseHW, from the window's thread or from
// another one while the window's thread handles its messages or waits for it. The
// library holds its own image while its window exists: the unload returns at once,
// nothing runs in unloaded code, and a host that loads it again finds the session
// and can close it, after which the library goes.
TEST(Lifecycle, UnloadingWithoutCloseKeepsTheLibraryUntilItsWindowHasGone) {
  enum class From { kWindowsThread, kOtherThreadWhilePumping, kOtherThreadWhileWaiting };
  for (From from :
       {From::kWindowsThread, From::kOtherThreadWhilePumping, From::kOtherThreadWhileWaiting}) {
    SCOPED_TRACE(static_cast<int>(from));
    HostWatch watch;
    HWND window = StartStreaming();
    ASSERT_TRUE(IsWindow(window));
    HMODULE module = PluginModule();
    DWORD start = GetTickCount();
    if (from == From::kWindowsThread) {
      ASSERT_TRUE(FreeLibrary(module));
    } else {
      HANDLE thread = CreateThread(nullptr, 0, &FreeLibraryThread, module, 0, nullptr);
      ASSERT_NE(thread, nullptr);
      if (from == From::kOtherThreadWhilePumping) {
        Pump(5000, [&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; });
      }
      ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
      DWORD freed = 0;
      GetExitCodeThread(thread, &freed);
      CloseHandle(thread);
      EXPECT_EQ(freed, 1u);
    }
    EXPECT_LT(GetTickCount() - start, 1000u) << "the unload waits for nothing";
    EXPECT_EQ(GetModuleHandleA("Tessel_Calder.dll"), module) << "held while its window exists";
    // The window and the component go on working in the image that is still there.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    Pump(300);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(FileExists(SettingsPath())) << "an unload saves nothing";

    ReloadAndClose(module, window);
    EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  }
}

DWORD WINAPI FreeLibrarySoon(void* module) {
  Sleep(200);
  return FreeLibrary(static_cast<HMODULE>(module)) ? 1 : 0;
}

// The host's other thread unloads the plug-in while the first InitHW waits for the
// receiver: the wait goes on in the image that is still there.
TEST(Lifecycle, UnloadingWhileTheFirstInitWaitsRunsNothingInUnloadedCode) {
  HostWatch watch;
  RemoveSettings();
  UseReceiver(L"Calder", L"1@600");
  Plugin();
  HMODULE module = PluginModule();
  HANDLE thread = CreateThread(nullptr, 0, &FreeLibrarySoon, module, 0, nullptr);
  ASSERT_NE(thread, nullptr);
  EXPECT_TRUE(Init().ok);
  ASSERT_EQ(WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  DWORD freed = 0;
  GetExitCodeThread(thread, &freed);
  CloseHandle(thread);
  EXPECT_EQ(freed, 1u);
  EXPECT_EQ(GetModuleHandleA("Tessel_Calder.dll"), module);
  ReloadAndClose(module, FindSettingsWindow());
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
}

struct WorkerCall {
  PluginApi* plugin = nullptr;
  int32_t result = -1;
};

DWORD WINAPI StartHWOnWorker(void* param) {
  auto& call = *static_cast<WorkerCall*>(param);
  call.result = call.plugin->StartHW(7000000);
  return 0;
}

// A worker's StartHW waits inside the library for the window's thread, which is busy
// with the host's own work. The window's thread then closes the plug-in and the host
// unloads it, while the worker has yet to be scheduled again (suspended here): the
// library stays until the worker has returned, and goes after.
TEST(Lifecycle, UnloadingWhileAWorkersCallIsUnderWayKeepsTheLibraryUntilItReturns) {
  HostWatch watch;
  RemoveSettings();
  UseReceiver();
  ASSERT_TRUE(Init().ok);
  WorkerCall call{&Plugin()};
  HANDLE worker = CreateThread(nullptr, 0, &StartHWOnWorker, &call, 0, nullptr);
  ASSERT_NE(worker, nullptr);
  Sleep(300);  // the worker waits for this thread, which handles no message meanwhile
  ASSERT_NE(SuspendThread(worker), static_cast<DWORD>(-1));
  Plugin().CloseHW();
  EXPECT_FALSE(UnloadPlugin(1000)) << "held while the worker's call is under way";
  ResumeThread(worker);
  // Nothing sends a message when the worker or the library is done: look every few
  // milliseconds.
  auto within = [](DWORD ms, auto done) {
    for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < ms;) Pump(5);
    return done();
  };
  EXPECT_TRUE(within(10000, [&] { return WaitForSingleObject(worker, 0) == WAIT_OBJECT_0; }))
      << "the worker's call returned";
  CloseHandle(worker);
  EXPECT_TRUE(within(3000, [] { return GetModuleHandleA("Tessel_Calder.dll") == nullptr; }))
      << "then the library goes";
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  RemoveSettings();
}

// How many thread-local storage indexes the process could still take.
int FreeTlsIndexes() {
  std::vector<DWORD> taken;
  for (DWORD key; (key = TlsAlloc()) != TLS_OUT_OF_INDEXES;) taken.push_back(key);
  for (DWORD key : taken) TlsFree(key);
  return static_cast<int>(taken.size());
}

// The process has about 1,088 indexes; a library that kept even one per load would
// abort a host that reloads it often enough.
TEST(Lifecycle, ReloadingGivesBackTheThreadLocalIndexesOfEachLoad) {
  RemoveSettings();
  UseReceiver();
  ASSERT_TRUE(Init().ok);
  Plugin().CloseHW();
  ASSERT_TRUE(UnloadPlugin());
  const int free_before = FreeTlsIndexes();
  for (int load = 0; load < 20; ++load) {
    ASSERT_TRUE(Init().ok);
    Plugin().CloseHW();
    ASSERT_TRUE(UnloadPlugin());
  }
  EXPECT_EQ(FreeTlsIndexes(), free_before);
  RemoveSettings();
}

// --- settings file -------------------------------------------------------------

TEST(Settings, OddValuesAreMappedOntoButtonsAndSlidersAndOtherContentIsKept) {
  WriteFileText(SettingsPath(),
                "; kept comment\r\n[Other]\r\nSrate=1\r\n[parameters]\r\nsrate=12345\r\n"
                "Preamp= +001x\r\nHFGain=-15\r\nIFGain=100\r\nExtra=keep me\r\n");
  UseReceiver();
  InitResult r = Init();
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(Plugin().GetHWSR(), 111111);
  // The file's values go to the component first (InputSource stays 0 when the
  // file was read); then the buttons and sliders put them on their grid: IF
  // position 16 is not taken, HF position 2 is.
  EXPECT_EQ(SimActions(), (Lines{"call 34", "put 1 66667120", "put 10 100", "put 4 -15", "put 6 0",
                                 "put 6 129", "put 5 4", "put 10 24", "put 4 -10"}));
  Plugin().CloseHW();
  EXPECT_EQ(IniValue("Srate"), "111111");
  EXPECT_EQ(IniValue("Preamp"), "1");
  EXPECT_EQ(IniValue("HFGain"), "-10");
  EXPECT_EQ(IniValue("IFGain"), "24");
  EXPECT_EQ(IniValue("Extra"), "keep me");
  char other[32];
  GetPrivateProfileStringA("Other", "Srate", "", other, sizeof other, SettingsPath().c_str());
  EXPECT_STREQ(other, "1");
  EXPECT_NE(ReadFileText(SettingsPath()).find("kept comment"), std::string::npos);
  RemoveSettings();
}

TEST(Settings, HugeNumbersSaturateAndAMissingPreampSelectsDirectInput) {
  WriteFileText(SettingsPath(),
                "[Parameters]\r\nSrate=99999999999\r\nHFGain=-99999999999\r\n"
                "IFGain=6\r\n");
  UseReceiver();
  Plugin().SetCallback(&RecordingCallback);
  ASSERT_TRUE(Init().ok);
  EXPECT_EQ(Plugin().GetHWSR(), 111111);
  // PreOFF is selected (its handler runs), then InputSource is written again; the
  // saturated HF gain asks for a position the slider does not take.
  EXPECT_EQ(SimActions(),
            (Lines{"call 34", "put 1 66667120", "put 10 6", "put 4 -2147483648", "put 6 0",
                   "put 6 128", "put 6 128", "put 5 4", "put 10 6", "put 4 0"}));
  Plugin().CloseHW();
  EXPECT_EQ(IniValue("Preamp"), "0");
  EXPECT_EQ(IniValue("HFGain"), "0");
  RemoveSettings();
}

TEST(Settings, ALockedFileIsNotWrittenAndCloseStillDestroysTheWindow) {
  std::string original = "[Parameters]\r\nSrate=8138\r\nPreamp=0\r\nHFGain=-30\r\nIFGain=0\r\n";
  WriteFileText(SettingsPath(), original);
  UseReceiver();
  ASSERT_TRUE(Init().ok);
  EXPECT_EQ(Plugin().GetHWSR(), 8138);
  HWND window = FindSettingsWindow();
  HANDLE lock = CreateFileA(SettingsPath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Plugin().CloseHW();
  EXPECT_FALSE(IsWindow(window));
  CloseHandle(lock);
  EXPECT_EQ(ReadFileText(SettingsPath()), original);
  RemoveSettings();
}

TEST(Settings, AFolderAtThePathReadsAsEmptyValuesAndCloseSurvivesTheFailedWrite) {
  RemoveSettings();
  ASSERT_TRUE(CreateDirectoryA(SettingsPath().c_str(), nullptr));
  UseReceiver();
  ASSERT_TRUE(Init().ok);
  EXPECT_EQ(Plugin().GetHWSR(), 111111);
  HWND window = FindSettingsWindow();
  Plugin().CloseHW();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(GetFileAttributesA(SettingsPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY,
            static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
  RemoveSettings();
}

// --- receiver models and texts ----------------------------------------------------

TEST(Model, OtherModelLeavesTheInputSelectorOut) {
  RemoveSettings();
  UseReceiver(L"Marlo");
  InitResult r = Init();
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.name, "Marlo   -   T-1001");
  EXPECT_EQ(SimActions(), (Lines{"call 34", "put 1 66667120", "put 10 24", "put 4 -10", "put 6 129",
                                 "put 5 5", "put 10 24", "put 4 -10"}));
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Model, LowerCaseCalderShowsTheSelectorAndEmptySerialKeepsTheSeparator) {
  WriteFileText(SettingsPath(), "[Parameters]\r\nSrate=196078\r\nPreamp=0\r\n");
  UseReceiver(L"calder-x");
  SetEnv(L"CALDER_SIM_SERIAL", L"<empty>");
  InitResult r = Init();
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.name, "calder-x   -   ");
  EXPECT_EQ(Plugin().GetHWSR(), 196078);
  EXPECT_EQ(SimActions(), (Lines{"call 34", "put 1 66667120", "put 10 0", "put 4 0", "put 6 0",
                                 "put 6 128", "put 6 128", "put 5 12", "put 10 0", "put 4 0"}));
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Model, LongTextsAreCutToSixtyFourBytes) {
  RemoveSettings();
  std::wstring device(100, L'D');
  UseReceiver(device.c_str());
  char name[128];
  char model[128];
  std::memset(name, '#', sizeof name);
  std::memset(model, '#', sizeof model);
  int32_t type = 0;
  ASSERT_TRUE(Plugin().InitHW(name, model, &type));
  EXPECT_EQ(std::string(name), std::string(63, 'D'));
  EXPECT_EQ(name[64], '#') << "nothing written past 64 bytes";
  EXPECT_STREQ(model, "N/A");
  Plugin().CloseHW();
  RemoveSettings();
}

// --- status judgement and failure paths -----------------------------------------

// A start that fails at the receiver's first answer gives its text and the unknown
// model, and writes no settings file.
TEST(Status, AFailedStartGivesItsTextAndLeavesTheSettingsFileAlone) {
  struct Row {
    const char* name;
    const wchar_t* status;
    const wchar_t* failing;  // CALDER_SIM_FAIL, or none
    const char* text;
    bool not_connected;  // then also: model type 1, status 0, the component not configured
    int32_t rate;        // GetHWSR: the default once the receiver has answered, else 0
  };
  const Row rows[] = {
      {"not connected", L"0", nullptr, "Calder/Marlo not connected or powered off", true, 158730},
      {"error state", L"3", nullptr, "Calder/Marlo in error state", false, 158730},
      {"failing InitControl", L"1", L"34", "Calder/Marlo control failed to start", false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RemoveSettings();
    UseReceiver(L"Calder", row.status);
    SetEnv(L"CALDER_SIM_FAIL", row.failing);
    InitResult r = Init();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.name, row.text);
    EXPECT_EQ(r.model, "Boh?");
    EXPECT_EQ(Plugin().GetHWSR(), row.rate);
    if (row.not_connected) {
      EXPECT_EQ(r.type, 1);
      EXPECT_EQ(Plugin().GetStatus(), 0);
      EXPECT_EQ(SimActions(), (Lines{"call 34"})) << "the component is not configured";
    }
    Plugin().CloseHW();
    EXPECT_FALSE(FileExists(SettingsPath()));
    ASSERT_TRUE(UnloadPlugin());
  }
}

TEST(Status, AnyOtherFirstStatusCountsAsSuccessWithoutAModelText) {
  RemoveSettings();
  UseReceiver(L"Calder", L"5");
  InitResult r = Init();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.name, "") << "only a status 1 or 2 reads the receiver's description";
  EXPECT_EQ(r.model, "N/A");
  EXPECT_EQ(Plugin().GetStatus(), 5);
  // Without a Calder model text there is no input step.
  EXPECT_EQ(SimActions(), (Lines{"call 34", "put 1 66667120", "put 10 24", "put 4 -10", "put 6 129",
                                 "put 5 5", "put 10 24", "put 4 -10"}));
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Status, ALaterInitJudgesTheLatestStatusAndBuildsTheModelTextThen) {
  RemoveSettings();
  UseReceiver(L"Calder", L"0,1@300");
  EXPECT_FALSE(Init().ok);
  Pump(1500, [] { return Plugin().GetStatus() == 1; });
  ASSERT_EQ(Plugin().GetStatus(), 1);
  InitResult r = Init();
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.name, "Calder   -   T-1001");
  Plugin().CloseHW();
  EXPECT_TRUE(FileExists(SettingsPath()));
  RemoveSettings();
}

TEST(Status, AReceiverThatNeverAnswersFailsWithinTheBound) {
  RemoveSettings();
  UseReceiver(L"Calder", L"none");
  DWORD start = GetTickCount();
  InitResult r = Init();
  DWORD elapsed = GetTickCount() - start;
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.name, "Calder/Marlo not responding");
  EXPECT_EQ(r.model, "Boh?");
  EXPECT_GE(elapsed, 9500u);
  EXPECT_LE(elapsed, 12000u);
  EXPECT_EQ(Plugin().GetStatus(), -99);
  // The host can go on: a second InitHW answers at once.
  start = GetTickCount();
  EXPECT_FALSE(Init().ok);
  EXPECT_LT(GetTickCount() - start, 1000u);
  Plugin().CloseHW();
  EXPECT_EQ(FindSettingsWindow(), nullptr);
  EXPECT_FALSE(FileExists(SettingsPath()));
}

TEST(Status, ARejectedStartUpWriteFailsAndLeavesTheSettingsFileAsItWas) {
  // A value the receiver rejects must not be written back over and over: the file
  // keeps exactly what it had, and a missing file stays missing.
  const char* kOdd = "[Parameters]\r\nSrate=12345\r\nHFGain=-15\r\nOther=x\r\n";
  WriteFileText(SettingsPath(), kOdd);
  UseReceiver();
  SetEnv(L"CALDER_SIM_FAIL", L"1");
  InitResult r = Init();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.name, "Calder/Marlo control rejected a setting");
  EXPECT_EQ(r.model, "Boh?");
  Plugin().CloseHW();
  EXPECT_EQ(ReadFileText(SettingsPath()), kOdd);
  RemoveSettings();
}

// A later InitHW that reads an odd file and ends early, by a write the receiver
// rejects or by a close from the callback of its rate click, keeps the settings in
// effect since the first: GetHWSR reports them, and CloseHW saves them, not the
// file's raw values.
TEST(Status, ALaterInitThatEndsEarlyKeepsTheSettingsInEffect) {
  struct Row {
    const char* name;
    bool rejected_write;
  };
  for (const Row row : {Row{"a rejected write", true}, Row{"a close from the callback", false}}) {
    SCOPED_TRACE(row.name);
    RemoveSettings();
    UseReceiver();
    HANDLE failures = CreateEventW(nullptr, TRUE, FALSE, L"tessel-later-init-failures");
    ASSERT_NE(failures, nullptr);
    SetEnv(L"CALDER_SIM_FAIL", L"1");
    SetEnv(L"CALDER_SIM_FAIL_SWITCH", L"tessel-later-init-failures");
    ASSERT_TRUE(Init().ok);
    WriteFileText(SettingsPath(), "[Parameters]\r\nSrate=12345\r\nHFGain=-15\r\nOther=x\r\n");
    Plugin().SetCallback(&RecordingCallback);
    if (row.rejected_write) {
      SetEvent(failures);
    } else {
      SetCallbackAction([](const HostCall&) { Plugin().CloseHW(); });
    }
    EXPECT_FALSE(Init().ok);
    if (row.rejected_write) {
      EXPECT_EQ(Plugin().GetHWSR(), 158730);
    }
    Plugin().CloseHW();
    EXPECT_EQ(IniValue("Srate"), "158730");
    EXPECT_EQ(IniValue("HFGain"), "-10");
    EXPECT_EQ(IniValue("IFGain"), "24");
    EXPECT_EQ(IniValue("Preamp"), "1");
    EXPECT_EQ(IniValue("Other"), "x");
    SetCallbackAction({});
    CloseHandle(failures);
    SetEnv(L"CALDER_SIM_FAIL", nullptr);
    SetEnv(L"CALDER_SIM_FAIL_SWITCH", nullptr);
    ASSERT_TRUE(UnloadPlugin());
  }
  RemoveSettings();
}

// A receiver that stops taking writes once the host has been told of the new rate:
// the later InitHW fails, and the rate the host was told of is the one in effect for
// GetHWSR, the component and the next save, as is the gain the component last took.
TEST(Status, ALaterInitThatFailsAfterItsRateClickKeepsWhatTheReceiverTook) {
  RemoveSettings();
  UseReceiver();
  HANDLE failures = CreateEventW(nullptr, TRUE, FALSE, L"tessel-fail-after-rate");
  ASSERT_NE(failures, nullptr);
  SetEnv(L"CALDER_SIM_FAIL", L"10");
  SetEnv(L"CALDER_SIM_FAIL_SWITCH", L"tessel-fail-after-rate");
  ASSERT_TRUE(Init().ok);
  WriteFileText(SettingsPath(), "[Parameters]\r\nSrate=37793\r\nIFGain=12\r\n");
  Plugin().SetCallback(&RecordingCallback);
  SetCallbackAction([failures](const HostCall& call) {
    if (call.status == 100) SetEvent(failures);
  });
  const std::size_t from = SimLog().size();
  InitResult r = Init();
  SetCallbackAction({});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.name, "Calder/Marlo control rejected a setting");
  EXPECT_EQ(Plugin().GetHWSR(), 37793) << "the rate the host was told of";
  std::string last_filter;
  for (const std::string& line : SimActions(from))
    if (line.rfind("put 5 ", 0) == 0) last_filter = line;
  EXPECT_EQ(last_filter, "put 5 2") << "the component's filter is 37,793 Hz";
  Plugin().CloseHW();
  EXPECT_EQ(IniValue("Srate"), "37793");
  EXPECT_EQ(IniValue("IFGain"), "12") << "the gain the component last took";
  CloseHandle(failures);
  SetEnv(L"CALDER_SIM_FAIL", nullptr);
  SetEnv(L"CALDER_SIM_FAIL_SWITCH", nullptr);
  RemoveSettings();
}

// A control that checks its ranges refuses a saved value: the setting takes its
// default and the start-up goes on; only when the default is refused too does InitHW
// fail. Each row refuses the file's value of one setting (IFfilter 2 is 37,793 Hz, 5
// is 158,730 Hz; InputSource 128 is the direct input), then that and its default.
TEST(Status, ASettingTheReceiverRefusesTakesItsDefault) {
  const char* kFile =
      "[Parameters]\r\nSrate=37793\r\nPreamp=0\r\nHFGain=-20\r\nIFGain=12\r\n"
      "Other=x\r\n";
  struct Row {
    const wchar_t* refused;
    bool ok;
    const char* srate;  // the file after CloseHW: in effect when ok, as it was when not
    const char* preamp;
    const char* hf;
    const char* if_gain;
  };
  const Row rows[] = {
      {L"5=2", true, "158730", "0", "-20", "12"},
      {L"5=2,5=5", false, "37793", "0", "-20", "12"},
      {L"10=12", true, "37793", "0", "-20", "24"},
      {L"10=12,10=24", false, "37793", "0", "-20", "12"},
      {L"4=-20", true, "37793", "0", "-10", "12"},
      {L"4=-20,4=-10", false, "37793", "0", "-20", "12"},
      {L"6=128", true, "37793", "1", "-20", "12"},
      {L"6=128,6=129", false, "37793", "0", "-20", "12"},
  };
  for (const Row& row : rows) {
    const std::wstring refused = row.refused;
    SCOPED_TRACE(std::string(refused.begin(), refused.end()));
    UseReceiver();
    WriteFileText(SettingsPath(), kFile);
    SetEnv(L"CALDER_SIM_REFUSE", row.refused);
    InitResult r = Init();
    EXPECT_EQ(r.ok, row.ok);
    EXPECT_EQ(r.name, row.ok ? "Calder   -   T-1001" : "Calder/Marlo control rejected a setting");
    const int32_t rate = Plugin().GetHWSR();
    EXPECT_EQ(rate, row.ok ? std::stoi(row.srate) : 158730) << "one of the seven rates";
    Plugin().CloseHW();
    EXPECT_EQ(IniValue("Srate"), row.srate);
    EXPECT_EQ(IniValue("Preamp"), row.preamp);
    EXPECT_EQ(IniValue("HFGain"), row.hf);
    EXPECT_EQ(IniValue("IFGain"), row.if_gain);
    EXPECT_EQ(IniValue("Other"), "x");
    SetEnv(L"CALDER_SIM_REFUSE", nullptr);
    ASSERT_TRUE(UnloadPlugin());
  }
  RemoveSettings();
}

// The host asks its thread to quit while the first InitHW waits for the receiver:
// the wait ends at once, the quit is posted again for the host's own loop, and a
// later InitHW judges the status that arrived meanwhile.
TEST(Status, AQuitDuringTheStartUpWaitEndsItAndIsPostedAgain) {
  RemoveSettings();
  UseReceiver(L"Calder", L"1@1500");
  PostQuitMessage(7);
  DWORD start = GetTickCount();
  InitResult r = Init();
  EXPECT_LT(GetTickCount() - start, 1400u) << "before the status at 1.5 s";
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.name, "Calder/Marlo not responding");
  MSG quit{};
  ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(quit.wParam, 7u);
  Pump(3000, [] { return Plugin().GetStatus() == 1; });
  EXPECT_TRUE(Init().ok);
  Plugin().CloseHW();
  RemoveSettings();
}

TEST(Status, AThreadInTheMultiThreadedApartmentIsRefused) {
  RemoveSettings();
  UseReceiver();
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  InitResult r = Init();
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.name, "Calder/Marlo needs a single-threaded COM thread");
  EXPECT_EQ(r.model, "Boh?");
  EXPECT_EQ(FindSettingsWindow(), nullptr);
  EXPECT_FALSE(Init().ok) << "and again";
  Plugin().CloseHW();
  EXPECT_FALSE(FileExists(SettingsPath()));
  CoUninitialize();
}

// Removes the stand-in's class registration for the test and restores it after.
class Unregistered {
 public:
  Unregistered() {
    std::wstring key = std::wstring(L"CLSID\\") + kClassIdText;
    RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
  }
  ~Unregistered() {
    HMODULE sim = LoadLibraryA(WinePath(CALDER_SIM_PATH).c_str());
    auto do_register = reinterpret_cast<HRESULT(__stdcall*)()>(
        reinterpret_cast<void*>(GetProcAddress(sim, "DllRegisterServer")));
    EXPECT_NE(do_register, nullptr);
    if (do_register != nullptr) {
      EXPECT_EQ(do_register(), S_OK);
    }
  }
  static constexpr wchar_t kClassIdText[] = L"{5541D10A-0AAC-4797-8ECA-C1A222CE5026}";
};

TEST(Status, AComponentThatIsNotInstalledFailsWithoutAWindow) {
  RemoveSettings();
  UseReceiver();
  {
    Unregistered gone;
    InitResult r = Init();
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.name, "Calder/Marlo control not installed");
    EXPECT_EQ(r.model, "Boh?");
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(FindSettingsWindow(), nullptr);
    EXPECT_FALSE(Init().ok);
    EXPECT_FALSE(Plugin().OpenHW());
    EXPECT_EQ(Plugin().StartHW(1), 0);
    Plugin().CloseHW();
  }
  EXPECT_FALSE(FileExists(SettingsPath()));
  // The registration is back for the other tests.
  HKEY key;
  ASSERT_EQ(RegOpenKeyExW(HKEY_CLASSES_ROOT,
                          (std::wstring(L"CLSID\\") + Unregistered::kClassIdText).c_str(), 0,
                          KEY_READ, &key),
            ERROR_SUCCESS);
  RegCloseKey(key);
}

}  // namespace
}  // namespace tessel::testing

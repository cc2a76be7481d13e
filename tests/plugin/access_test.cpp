// The settings window as a screen reader reads it: the tree from another thread and
// from another process, default actions, keys and the events they raise.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <oleacc.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/plugin/AccessTree.h"
#include "tests/plugin/ReaderThread.h"
#include "testing/HostWatch.h"
#include "testing/PluginHost.h"
#include "testing/WindowInput.h"

namespace tessel::testing {
namespace {

using Microsoft::WRL::ComPtr;

// Starts the plug-in with its window shown.
HWND OpenWindow() {
  UseReceiver();
  RemoveSettings();
  if (!Init().ok) return nullptr;
  Plugin().SetCallback(&RecordingCallback);
  if (!Plugin().OpenHW()) return nullptr;
  Pump(200);
  return FindSettingsWindow();
}

// The line of the tree that names `name`, or "".
std::string LineOf(const std::string& tree, const std::string& name) {
  std::size_t at = tree.find("\"" + name + "\"");
  if (at == std::string::npos) return "";
  std::size_t begin = tree.rfind('\n', at);
  begin = begin == std::string::npos ? 0 : begin + 1;
  return tree.substr(begin, tree.find('\n', at) - begin);
}

TEST(Access, TheTreeReadsAsTheWindowShowsItFromAnotherThreadAndAnotherProcess) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  std::string tree = TreeFromAnotherThread(window);
  ASSERT_FALSE(tree.empty());

  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(tree.substr(0, tree.find('\n')),
            "client \"Calder/Marlo Hardware Settings\" [focused] @0,0 " +
                std::to_string(client.right) + "x" + std::to_string(client.bottom));
  // The rate buttons in their group, with their bandwidths, where they are drawn;
  // only the chosen one is checked and reached by Tab (the arrows move in the group).
  EXPECT_THAT(LineOf(tree, "Sampling speed"),
              ::testing::StartsWith("  grouping \"Sampling speed\" @12,60"));
  EXPECT_EQ(LineOf(tree, "158,730 Hz, 150 kHz BW"),
            "    radio button \"158,730 Hz, 150 kHz BW\" [checked focusable] @22,195 135x22");
  EXPECT_EQ(LineOf(tree, "8,138 Hz, 5 kHz BW"),
            "    radio button \"8,138 Hz, 5 kHz BW\" @22,64 135x22");
  // The input pair, the Hide button and the labels that carry the receiver's texts.
  EXPECT_THAT(LineOf(tree, "0.1 - 30 MHz"),
              ::testing::StartsWith("    radio button \"0.1 - 30 MHz\" [checked focusable] @"));
  EXPECT_THAT(LineOf(tree, "Direct Input"),
              ::testing::StartsWith("    radio button \"Direct Input\" [focusable]"));
  EXPECT_EQ(LineOf(tree, "Hide"), "  push button \"Hide\" [focusable] @152,256 59x27");
  EXPECT_THAT(LineOf(tree, "Calder   -   T-1001"),
              ::testing::StartsWith("  static text \"Calder   -   T-1001\""));
  EXPECT_NE(tree.find("\n  static text \"-10 dB\""), std::string::npos);
  // The sliders named by their heads, with the texts shown under them, where their
  // windows are.
  for (bool hf : {true, false}) {
    RECT r;
    GetWindowRect(GainSlider(window, hf), &r);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(LineOf(tree, hf ? "HF gain" : "IF gain"),
              std::string("  slider \"") +
                  (hf ? "HF gain\" = \"-10 dB\"" : "IF gain\" = \"24 dB\"") + " [focusable] @" +
                  std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                  std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
  }

  // A screen reader in another process reads the same tree.
  std::string output = "access-tree.txt";
  DeleteFileA(output.c_str());
  // Its calls are answered by this thread, which goes on handling its messages.
  const DWORD code = RunProcessWhilePumping(
      "access_probe.exe " + std::to_string(reinterpret_cast<uintptr_t>(window)) + " " + output,
      30000);
  EXPECT_EQ(code, 0u);
  EXPECT_EQ(ReadFileText(output), tree);
  DeleteFileA(output.c_str());
  Plugin().CloseHW();
  RemoveSettings();
}

// The window of the group of rate buttons.
HWND RatePanel(HWND window) {
  POINT local;
  return ChildAt(window, 20, 70, &local);
}

// The IAccessible of `window`'s child window `child` (or of `window` itself), on the
// calling thread.
ComPtr<IAccessible> ObjectOf(HWND window) {
  ComPtr<IAccessible> object;
  AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                             reinterpret_cast<void**>(object.GetAddressOf()));
  return object;
}

// The child id of the element named `name` among `object`'s children, or 0.
long ChildNamed(IAccessible* object, const std::wstring& name) {
  long count = 0;
  object->get_accChildCount(&count);
  for (long i = 1; i <= count; ++i) {
    VARIANT id;
    id.vt = VT_I4;
    id.lVal = i;
    BSTR text = nullptr;
    bool match = SUCCEEDED(object->get_accName(id, &text)) && text != nullptr && name == text;
    SysFreeString(text);
    if (match) return i;
  }
  return 0;
}

VARIANT Child(long id) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = id;
  return v;
}

// A rate chosen and the window hidden by their default actions, from another thread:
// the same handler as a click, the same write and the same call to the host.
TEST(Access, DefaultActionsSelectARateAndHideTheWindow) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  HWND panel = RatePanel(window);
  std::size_t from = SimLog().size();
  HostCalls().clear();
  HRESULT select = E_FAIL, hide = E_FAIL;
  std::wstring action;
  ASSERT_TRUE(RunOnThread([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      ComPtr<IAccessible> rates = ObjectOf(panel);
      long rate = rates ? ChildNamed(rates.Get(), L"37,793 Hz, 25 kHz BW") : 0;
      BSTR text = nullptr;
      if (rate != 0 && SUCCEEDED(rates->get_accDefaultAction(Child(rate), &text)) && text) {
        action = text;
        SysFreeString(text);
      }
      if (rate != 0) select = rates->accDoDefaultAction(Child(rate));
    }
    CoUninitialize();
  }));
  EXPECT_EQ(action, L"Select");
  EXPECT_EQ(select, S_OK);
  Pump(300, [] { return !HostCalls().empty(); });
  ASSERT_EQ(HostCalls().size(), 1u);
  EXPECT_EQ(HostCalls()[0].status, 100);
  EXPECT_EQ(Plugin().GetHWSR(), 37793);
  EXPECT_EQ(SimActions(from), (std::vector<std::string>{"put 5 2"}));

  ASSERT_TRUE(RunOnThread([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      ComPtr<IAccessible> form = ObjectOf(window);
      if (long id = form ? ChildNamed(form.Get(), L"Hide") : 0)
        hide = form->accDoDefaultAction(Child(id));
    }
    CoUninitialize();
  }));
  EXPECT_EQ(hide, S_OK);
  Pump(300, [&] { return !IsWindowVisible(window); });
  EXPECT_FALSE(IsWindowVisible(window));
  Plugin().CloseHW();
  RemoveSettings();
}

// Events a screen reader hears while the window is used by keys alone.
std::vector<std::string> heard;

void CALLBACK Hear(HWINEVENTHOOK, DWORD event, HWND window, LONG object, LONG child, DWORD, DWORD) {
  if (object != OBJID_CLIENT) return;
  const char* name = event == EVENT_OBJECT_FOCUS         ? "focus"
                     : event == EVENT_OBJECT_VALUECHANGE ? "value"
                     : event == EVENT_OBJECT_STATECHANGE ? "state"
                     : event == EVENT_OBJECT_SELECTION   ? "selection"
                                                         : nullptr;
  if (name == nullptr) return;
  heard.push_back(std::string(name) + " " + std::to_string(child) + " " +
                  std::to_string(reinterpret_cast<uintptr_t>(window)));
}

bool Heard(const std::string& event, long child, HWND window) {
  std::string line = event + " " + std::to_string(child) + " " +
                     std::to_string(reinterpret_cast<uintptr_t>(window));
  return std::find(heard.begin(), heard.end(), line) != heard.end();
}

// Tab reaches every control, the arrows move a slider and step through the rates,
// Enter presses Hide; each move is heard.
TEST(Access, KeysReachEveryControlAndEachChangeIsHeard) {
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_VALUECHANGE, nullptr, &Hear,
                                       0, 0, WINEVENT_OUTOFCONTEXT);
  ASSERT_NE(hook, nullptr);
  HWND hf = GainSlider(window, true);
  SetForegroundWindow(window);
  SetFocus(hf);
  Pump(100);
  heard.clear();
  PostKey(hf, VK_UP);
  Pump(200);
  EXPECT_TRUE(Heard("value", CHILDID_SELF, hf));
  {
    ComPtr<IAccessible> slider = ObjectOf(hf);
    BSTR value = nullptr;
    ASSERT_TRUE(slider && SUCCEEDED(slider->get_accValue(Child(CHILDID_SELF), &value)));
    EXPECT_STREQ(value, L"0 dB");
    SysFreeString(value);
  }

  // From the IF slider Tab goes on to Hide, a windowless button of the window itself,
  // and from there round to the chosen rate.
  PostKey(hf, VK_TAB);
  Pump(100);
  HWND if_slider = GainSlider(window, false);
  EXPECT_EQ(GetFocus(), if_slider);
  PostKey(if_slider, VK_TAB);
  Pump(100);
  ComPtr<IAccessible> form = ObjectOf(window);
  ASSERT_TRUE(form);
  long hide = ChildNamed(form.Get(), L"Hide");
  VARIANT focused;
  VariantInit(&focused);
  ASSERT_EQ(form->get_accFocus(&focused), S_OK);
  EXPECT_EQ(focused.vt, VT_I4);
  EXPECT_EQ(focused.lVal, hide);
  EXPECT_TRUE(Heard("focus", hide, window));

  PostKey(window, VK_TAB);
  Pump(100);
  HWND panel = RatePanel(window);
  ComPtr<IAccessible> rates = ObjectOf(panel);
  ASSERT_TRUE(rates);
  long chosen = ChildNamed(rates.Get(), L"158,730 Hz, 150 kHz BW");
  EXPECT_TRUE(Heard("focus", chosen, panel));
  HostCalls().clear();
  PostKey(panel, VK_DOWN);
  Pump(300);
  long next = ChildNamed(rates.Get(), L"196,078 Hz, 190 kHz BW");
  EXPECT_EQ(Plugin().GetHWSR(), 196078);
  ASSERT_FALSE(HostCalls().empty());
  EXPECT_EQ(HostCalls().back().status, 100);
  EXPECT_TRUE(Heard("selection", next, panel));
  EXPECT_TRUE(Heard("focus", next, panel));
  VARIANT state;
  VariantInit(&state);
  rates->get_accState(Child(next), &state);
  EXPECT_EQ(state.lVal & (STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSED),
            STATE_SYSTEM_CHECKED | STATE_SYSTEM_FOCUSED);

  // Tab goes on from the rates to the input pair; from the IF slider to Hide again,
  // which Enter presses.
  PostKey(panel, VK_TAB);
  Pump(100);
  EXPECT_EQ(GetFocus(), FindChildByText(window, "0.1 - 30 MHz"));
  SetFocus(if_slider);
  PostKey(if_slider, VK_TAB);
  Pump(100);
  PostKey(window, VK_RETURN);
  Pump(300, [&] { return !IsWindowVisible(window); });
  EXPECT_FALSE(IsWindowVisible(window));
  UnhookWinEvent(hook);
  Plugin().CloseHW();
  RemoveSettings();
}

// A screen reader that still holds the window's object, or an enumerator cloned from
// it, when the host has closed the plug-in and unloaded it: its calls fail, nothing
// runs in the unloaded library, and what it holds does not keep the library loaded.
struct Reader {
  bool clone = false;  // holds an enumerator cloned from the object instead
  HWND window = nullptr;
  HANDLE got = nullptr;    // set once the object (or clone) is held
  HANDLE again = nullptr;  // set when the reader is to call it again
  HRESULT result = S_OK;
};

// The window's object, or an enumerator cloned from it; null when not had.
IUnknown* HoldFromReader(const Reader& reader) {
  IAccessible* object = nullptr;
  AccessibleObjectFromWindow(reader.window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                             reinterpret_cast<void**>(&object));
  if (object == nullptr || !reader.clone) return object;
  IEnumVARIANT* children = nullptr;
  IEnumVARIANT* clone = nullptr;
  if (SUCCEEDED(object->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&children)))) {
    children->Clone(&clone);
    children->Release();
  }
  object->Release();
  return clone;
}

DWORD WINAPI ReadAcrossTheUnload(void* param) {
  Reader& reader = *static_cast<Reader*>(param);
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  IUnknown* held = HoldFromReader(reader);
  SetEvent(reader.got);
  WaitForSingleObject(reader.again, 20000);
  if (held != nullptr) {
    if (reader.clone) {
      VARIANT child{};
      ULONG fetched = 0;
      reader.result = static_cast<IEnumVARIANT*>(held)->Next(1, &child, &fetched);
      VariantClear(&child);
    } else {
      VARIANT self{};
      self.vt = VT_I4;
      self.lVal = CHILDID_SELF;
      BSTR name = nullptr;
      reader.result = static_cast<IAccessible*>(held)->get_accName(self, &name);
      SysFreeString(name);
    }
    held->Release();
  }
  CoUninitialize();
  return held != nullptr ? 1 : 0;
}

TEST(Access, AReaderThatHoldsTheWindowPastTheUnloadGetsAnErrorNotACrash) {
  for (bool clone : {false, true}) {
    SCOPED_TRACE(clone ? "an enumerator cloned from the window's object" : "the window's object");
    HostWatch watch;
    // A host that uses COM itself: its apartment outlives the plug-in's use of it.
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    Reader reader;
    reader.clone = clone;
    reader.window = OpenWindow();
    ASSERT_NE(reader.window, nullptr);
    reader.got = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    reader.again = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, &ReadAcrossTheUnload, &reader, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    // The reader's calls are served by this thread's messages; nothing sends one when
    // it is done: look every few milliseconds.
    auto pump_until_set = [](HANDLE handle) {
      for (DWORD start = GetTickCount();
           WaitForSingleObject(handle, 0) != WAIT_OBJECT_0 && GetTickCount() - start < 10000;)
        Pump(5);
    };
    pump_until_set(reader.got);
    Plugin().CloseHW();
    EXPECT_TRUE(UnloadPlugin());
    SetEvent(reader.again);
    pump_until_set(thread);
    DWORD held = 0;
    GetExitCodeThread(thread, &held);
    EXPECT_EQ(held, 1u) << "the reader held it";
    EXPECT_TRUE(FAILED(reader.result));
    EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
    CloseHandle(thread);
    CloseHandle(reader.got);
    CloseHandle(reader.again);
    RemoveSettings();
    CoUninitialize();
  }
}

// A client on the window's own thread gets the object itself, not a proxy, and may
// hold it past the host's close and unload: the library stays while the object lives,
// its calls fail, and the library goes with its last Release.
TEST(Access, AnObjectHeldOnTheWindowsThreadKeepsTheLibraryUntilItsLastRelease) {
  HostWatch watch;
  HWND window = OpenWindow();
  ASSERT_NE(window, nullptr);
  IAccessible* object = nullptr;
  ASSERT_TRUE(
      SUCCEEDED(AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT),
                                           IID_IAccessible, reinterpret_cast<void**>(&object))));
  Plugin().CloseHW();
  EXPECT_FALSE(UnloadPlugin(1000)) << "the object keeps the library";
  VARIANT self{};
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR name = nullptr;
  EXPECT_EQ(object->get_accName(self, &name), CO_E_OBJNOTCONNECTED);
  SysFreeString(name);
  object->Release();
  for (DWORD start = GetTickCount();
       GetModuleHandleA("Tessel_Calder.dll") != nullptr && GetTickCount() - start < 3000;)
    Pump(5);
  EXPECT_EQ(GetModuleHandleA("Tessel_Calder.dll"), nullptr) << "then the library goes";
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  RemoveSettings();
}

}  // namespace
}  // namespace tessel::testing

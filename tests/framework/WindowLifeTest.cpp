// A framework window believes its creation and destruction messages only while the
// framework makes or destroys it, whoever else sends or posts the same numbers; and
// no message whose default handling would destroy or change a window does so on
// the word of its sender.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/Forms.h"
#include "framework/Timer.h"
#include "framework/Window.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

using testing_support::PumpMessages;

constexpr UINT kProbe = WM_APP + 1;

// A window's object that notes every message that reaches it.
class NotingTarget final : public fw::MessageTarget {
 public:
  std::vector<UINT> seen;
  int destroyed = 0;

  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override {
    seen.push_back(msg);
    return fw::DefaultWindowProc(hwnd, msg, wp, lp);
  }
  void WindowDestroyed() override { ++destroyed; }
  fw::DispatchStateRef Dispatching() override { return state_; }

  bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
  // True when a message sent to `window` now reaches this object.
  bool Reached(HWND window) {
    seen.clear();
    ::SendMessageW(window, kProbe, 0, 0);
    return Saw(kProbe);
  }

 private:
  fw::DispatchStateRef state_ = std::make_shared<fw::DispatchState>();
};

// Sends a message from a thread of its own while this thread handles its messages.
void SendFromAnotherThread(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
  std::atomic<bool> done{false};
  std::thread other([&] {
    ::SendMessageW(window, msg, wp, lp);
    done = true;
  });
  while (!done) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    PumpMessages();
  }
  other.join();
}

// What a plain window of this thread does with WM_APP.
std::function<void()> on_app;
LRESULT CALLBACK RunOnApp(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) {
    on_app();
    return 1;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// A host whose worker asks its window thread, by SendMessage, to make a window.
TEST(WindowLife, AWindowMadeInsideAMessageSentFromAnotherThreadGetsItsObject) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = RunOnApp;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"WindowLifeHost";
  ::RegisterClassW(&wc);
  HWND host = ::CreateWindowW(L"WindowLifeHost", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
  ASSERT_NE(host, nullptr);
  NotingTarget target;
  HWND window = nullptr;
  on_app = [&] {
    window = fw::CreateTargetWindow(&target, 0, WS_POPUP, 0, 0, 50, 50, nullptr, L"made");
  };
  SendFromAnotherThread(host, WM_APP, 0, 0);
  ASSERT_NE(window, nullptr) << "the window's own WM_NCCREATE is believed";
  EXPECT_TRUE(target.Saw(WM_NCCREATE));
  EXPECT_TRUE(target.Saw(WM_CREATE));
  EXPECT_TRUE(target.Reached(window));
  fw::DestroyTargetWindow(window);
  EXPECT_EQ(target.destroyed, 1);
  ::DestroyWindow(host);
}

// Creation and destruction messages to a live top-level window and its child: posted
// (anyone may post them), sent from this thread outside a creation or destruction,
// and sent from another thread, a forged creation naming another object. None reaches
// the object, none cuts the window off from it; the framework's own destruction of
// the parent then reaches both.
TEST(WindowLife, CreationAndDestructionMessagesFromElsewhereChangeNothing) {
  enum class Way { kPosted, kSentHere, kSentFromAnotherThread };
  const struct {
    UINT msg;
    Way way;
  } rows[] = {
      {WM_NCDESTROY, Way::kPosted},
      {WM_DESTROY, Way::kPosted},
      {WM_NCDESTROY, Way::kSentHere},
      {WM_DESTROY, Way::kSentHere},
      {WM_NCCREATE, Way::kSentHere},
      {WM_CREATE, Way::kSentHere},
      {WM_NCDESTROY, Way::kSentFromAnotherThread},
      {WM_DESTROY, Way::kSentFromAnotherThread},
      {WM_NCCREATE, Way::kSentFromAnotherThread},
  };
  NotingTarget parent_target;
  NotingTarget child_target;
  NotingTarget intruder;
  HWND parent = fw::CreateTargetWindow(&parent_target, 0, WS_POPUP, 0, 0, 80, 80, nullptr, L"");
  ASSERT_NE(parent, nullptr);
  HWND child = fw::CreateTargetWindow(&child_target, 0, WS_CHILD, 0, 0, 20, 20, parent, L"");
  ASSERT_NE(child, nullptr);
  CREATESTRUCTW forged{};
  forged.lpCreateParams = &intruder;
  const LPARAM lp = reinterpret_cast<LPARAM>(&forged);

  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "message " << row.msg << ", way " << int(row.way));
    const std::pair<HWND, NotingTarget*> windows[] = {{parent, &parent_target},
                                                      {child, &child_target}};
    for (auto [window, target] : windows) {
      target->seen.clear();
      switch (row.way) {
        case Way::kPosted:
          ::PostMessageW(window, row.msg, 0, 0);
          PumpMessages();
          break;
        case Way::kSentHere:
          ::SendMessageW(window, row.msg, 0, lp);
          break;
        case Way::kSentFromAnotherThread:
          SendFromAnotherThread(window, row.msg, 0, lp);
          break;
      }
      EXPECT_FALSE(target->Saw(row.msg)) << "the forged message reached the object";
      EXPECT_EQ(target->destroyed, 0);
      EXPECT_TRUE(target->Reached(window)) << "the window still reaches its object";
    }
  }
  EXPECT_TRUE(intruder.seen.empty());

  parent_target.seen.clear();
  child_target.seen.clear();
  fw::DestroyTargetWindow(parent);
  for (NotingTarget* target : {&parent_target, &child_target}) {
    EXPECT_TRUE(target->Saw(WM_DESTROY));
    EXPECT_TRUE(target->Saw(WM_NCDESTROY));
    EXPECT_EQ(target->destroyed, 1);
  }
  EXPECT_FALSE(::IsWindow(child));
}

// A shown form like the settings window (a dialog frame without boxes) with a panel.
struct DialogForm {
  DialogForm() {
    form.SetBorderStyle(fw::TFormBorderStyle::bsDialog);
    form.SetBorderIcons(0);
    form.SetBounds(60, 60, 200, 150);
    form.SetCaption("Form");
    panel = new fw::TPanel(&form);
    panel->SetBounds(10, 10, 50, 50);
    panel->SetParent(&form);
    form.Show();
    PumpMessages();
  }
  fw::TForm form{nullptr};
  fw::TPanel* panel = nullptr;
};

// Messages whose default handling destroys a window, changes its state behind its
// object's back or does what its frame does not offer, posted (or, for the text,
// sent) to such a form and to its child. Closing the form hides it, as Alt+F4
// does; nothing else changes.
TEST(WindowLife, MessagesWhoseDefaultHandlingChangesTheWindowChangeNothing) {
  const struct {
    const char* what;
    bool to_child;
    UINT msg;
    WPARAM wp;
    bool visible_after;
  } rows[] = {
      {"WM_CLOSE", false, WM_CLOSE, 0, false},
      {"SC_CLOSE", false, WM_SYSCOMMAND, SC_CLOSE, false},
      {"SC_MINIMIZE", false, WM_SYSCOMMAND, SC_MINIMIZE, true},
      {"SC_MAXIMIZE", false, WM_SYSCOMMAND, SC_MAXIMIZE, true},
      {"SC_SIZE", false, WM_SYSCOMMAND, SC_SIZE, true},
      {"SC_KEYMENU", false, WM_SYSCOMMAND, SC_KEYMENU, true},
      {"WM_SETREDRAW", false, WM_SETREDRAW, 0, true},
      {"WM_SHOWWINDOW", false, WM_SHOWWINDOW, 0, true},
      {"WM_SETFOCUS", false, WM_SETFOCUS, 0, true},
      {"WM_KILLFOCUS", false, WM_KILLFOCUS, 0, true},
      {"child WM_CLOSE", true, WM_CLOSE, 0, true},
      {"child SC_CLOSE", true, WM_SYSCOMMAND, SC_CLOSE, true},
      {"child SC_MINIMIZE", true, WM_SYSCOMMAND, SC_MINIMIZE, true},
      {"child SC_MAXIMIZE", true, WM_SYSCOMMAND, SC_MAXIMIZE, true},
      {"child WM_SETREDRAW", true, WM_SETREDRAW, 0, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    DialogForm made;
    fw::TForm& form = made.form;
    HWND window = form.Handle();
    HWND child = made.panel->Handle();
    RECT placed{};
    ::GetWindowRect(window, &placed);
    ::SetFocus(window);
    PumpMessages();
    int focus_events = 0;
    form.OnEnter = [&](fw::TObject*) { ++focus_events; };
    form.OnExit = [&](fw::TObject*) { ++focus_events; };
    ::PostMessageW(row.to_child ? child : window, row.msg, row.wp, 0);
    PumpMessages();
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_TRUE(::IsWindow(child));
    EXPECT_EQ(form.Visible(), row.visible_after);
    EXPECT_EQ((::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0, row.visible_after);
    EXPECT_TRUE(::IsWindowVisible(child) || !row.visible_after);
    EXPECT_FALSE(::IsIconic(window) || ::IsIconic(child));
    EXPECT_FALSE(::IsZoomed(window) || ::IsZoomed(child));
    RECT now{};
    ::GetWindowRect(window, &now);
    EXPECT_TRUE(::EqualRect(&now, &placed));
    EXPECT_EQ(made.panel->Left(), 10);
    EXPECT_EQ(made.panel->Width(), 50);
    if (row.visible_after) {
      EXPECT_EQ(::GetFocus(), window) << "the form keeps its focus";
      EXPECT_EQ(focus_events, 0) << "nor does it hear of a change";
    }
  }

  DialogForm made;
  HWND window = made.form.Handle();
  // A text sent by someone else is not taken; the caption's own is.
  wchar_t text[32] = {};
  ::SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"forged"));
  ::GetWindowTextW(window, text, 32);
  EXPECT_STREQ(text, L"Form");
  made.form.SetCaption("Renamed");
  ::GetWindowTextW(window, text, 32);
  EXPECT_STREQ(text, L"Renamed");
  // Shown and hidden by calls of the system, the form follows.
  ::ShowWindow(window, SW_HIDE);
  EXPECT_FALSE(made.form.Visible());
  ::ShowWindow(window, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(made.form.Visible());
}

// A tick posted by someone else to a stopped timer's window is none.
TEST(WindowLife, ATickPostedToAStoppedTimerIsNone) {
  fw::TTimer timer(nullptr);
  timer.SetInterval(10000);
  int ticks = 0;
  timer.SetOnTimer([&](fw::TObject*) { ++ticks; });
  HWND window = nullptr;
  while ((window = ::FindWindowExW(HWND_MESSAGE, window, L"TesselFrameworkWindow", nullptr))) {
    ::PostMessageW(window, WM_TIMER, 1, 0);
  }
  PumpMessages();
  EXPECT_EQ(ticks, 1) << "a running timer takes a tick from its queue";
  timer.SetEnabled(false);
  while ((window = ::FindWindowExW(HWND_MESSAGE, window, L"TesselFrameworkWindow", nullptr))) {
    ::PostMessageW(window, WM_TIMER, 1, 0);
  }
  PumpMessages();
  EXPECT_EQ(ticks, 1);
}

}  // namespace

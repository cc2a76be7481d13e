#include <gtest/gtest.h>
#include <windows.h>
#include <oleacc.h>

#include <chrono>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/Timer.h"
#include "tests/framework/WindowTestSupport.h"

namespace {

using fw::RGBColor;
using fw::TColor;
using testing_support::CaptureClient;
using testing_support::ClickAt;
using testing_support::MakeShownForm;
using testing_support::Point;
using testing_support::PumpMessages;

const TColor kBack = RGBColor(60, 60, 60);
const TColor kRed = RGBColor(255, 0, 0);
const TColor kGreen = RGBColor(0, 255, 0);
const TColor kBlue = RGBColor(0, 0, 255);

// A windowless control that fills its left `fill_width` columns and logs input.
class Swatch : public fw::TGraphicControl {
 public:
  Swatch(fw::TComponent* owner, fw::TWinControl* parent, fw::TRect bounds, TColor colour,
         std::vector<std::string>* log)
      : fw::TGraphicControl(owner), colour_(colour), log_(log) {
    SetBounds(bounds.Left, bounds.Top, bounds.Width(), bounds.Height());
    fill_width_ = bounds.Width();
    SetParent(parent);
  }
  int fill_width_;

  void Click() override { Note("click"); }
  void DblClick() override { Note("dblclick"); }
  void MouseDown(fw::TMouseButton b, fw::TShiftState s, int x, int y) override {
    Note("down" + Where(x, y) + (s.Contains(fw::TShiftState::ssDouble) ? " double" : "") +
         (b == fw::TMouseButton::mbRight ? " right" : ""));
  }
  void MouseUp(fw::TMouseButton, fw::TShiftState, int x, int y) override {
    Note("up" + Where(x, y));
  }
  void MouseMove(fw::TShiftState, int x, int y) override { Note("move" + Where(x, y)); }
  void CMMouseEnter() override { Note("enter"); }
  void CMMouseLeave() override { Note("leave"); }

 protected:
  void Paint() override {
    Canvas().Brush().SetColor(colour_);
    Canvas().FillRect({0, 0, fill_width_, Height()});
  }

 private:
  static std::string Where(int x, int y) {
    std::string out(" ");
    out += std::to_string(x);
    out += ',';
    out += std::to_string(y);
    return out;
  }
  void Note(const std::string& what) {
    if (log_) log_->push_back(Name() + " " + what);
  }
  TColor colour_;
  std::vector<std::string>* log_;
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = MakeShownForm(100, 80, kBack);
    ASSERT_NE(form->Handle(), nullptr);
    form->OnMouseDown = [this](fw::TObject*, fw::TMouseButton, fw::TShiftState, int x, int y) {
      log.push_back("form down " + std::to_string(x) + "," + std::to_string(y));
    };
  }
  Swatch* Add(const char* name, fw::TRect bounds, TColor colour) {
    auto* s = new Swatch(form.get(), form.get(), bounds, colour, &log);
    s->SetName(name);
    return s;
  }
  TColor Shown(int x, int y) {
    ::UpdateWindow(form->Handle());
    return CaptureClient(form->Handle())->Pixel(x, y);
  }
  std::unique_ptr<fw::TForm> form;
  std::vector<std::string> log;
};

TEST_F(WindowTest, WindowlessChildrenArePaintedInZOrderOverTheBackground) {
  Add("a", fw::Bounds(0, 0, 20, 20), kRed);
  Add("b", fw::Bounds(10, 10, 20, 20), kGreen);
  Swatch* hidden = Add("c", fw::Bounds(0, 0, 40, 40), kBlue);
  hidden->Hide();
  form->Invalidate();
  EXPECT_EQ(Shown(5, 5), kRed);
  EXPECT_EQ(Shown(15, 15), kGreen);  // b lies above a
  EXPECT_EQ(Shown(29, 29), kGreen);
  EXPECT_EQ(Shown(35, 35), kBack);
  EXPECT_EQ(Shown(50, 5), kBack);
}

TEST_F(WindowTest, RepaintingAnOpaqueControlLeavesWhatIsBehindItsUnpaintedPart) {
  Swatch* opaque = Add("o", fw::Bounds(0, 0, 20, 10), kRed);
  Swatch* plain = Add("p", fw::Bounds(0, 20, 20, 10), kRed);
  opaque->SetControlStyle(opaque->ControlStyle() | fw::csOpaque);
  opaque->fill_width_ = plain->fill_width_ = 10;
  form->Repaint();
  EXPECT_EQ(Shown(15, 5), kBack);
  // Scribble over both controls' unpainted halves, then repaint each alone.
  HDC dc = ::GetDC(form->Handle());
  RECT r{10, 0, 20, 30};
  HBRUSH blue = ::CreateSolidBrush(RGB(0, 0, 255));
  ::FillRect(dc, &r, blue);
  ::DeleteObject(blue);
  ::ReleaseDC(form->Handle(), dc);
  opaque->Repaint();
  plain->Repaint();
  PumpMessages();
  EXPECT_EQ(Shown(5, 5), kRed);
  EXPECT_EQ(Shown(15, 5), kBlue);   // opaque: the background was not repainted
  EXPECT_EQ(Shown(15, 25), kBack);  // not opaque: background first
}

TEST_F(WindowTest, PressAndReleaseOverTheTopmostEnabledChildIsOneClick) {
  Add("a", fw::Bounds(0, 0, 20, 20), kRed);
  Add("b", fw::Bounds(10, 10, 20, 20), kGreen);
  ClickAt(form->Handle(), 15, 12);
  EXPECT_EQ(log, (std::vector<std::string>{"b down 5,2", "b click", "b up 5,2"}));
}

TEST_F(WindowTest, AControlDestroyedByItsOwnClickHandlerGetsNoMouseUp) {
  auto* doomed = new fw::TGraphicControl(form.get());
  doomed->SetBounds(0, 0, 20, 20);
  doomed->SetParent(form.get());
  doomed->OnMouseUp = [this](fw::TObject*, fw::TMouseButton, fw::TShiftState, int, int) {
    log.push_back("up");
  };
  doomed->OnClick = [this, doomed](fw::TObject*) {
    log.push_back("click");
    delete doomed;
  };
  ClickAt(form->Handle(), 5, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"click"}));
  // The form goes on taking the mouse where the control was.
  ClickAt(form->Handle(), 5, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"click", "form down 5,5"}));
}

TEST_F(WindowTest, CapturedChildGetsTheMouseOutsideAndNoClickWhenReleasedThere) {
  Add("a", fw::Bounds(0, 0, 20, 20), kRed);
  HWND h = form->Handle();
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(5, 5));
  ::SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, Point(5, 5));
  EXPECT_EQ(form->CaptureControl(), form->Controls(0));
  EXPECT_EQ(::GetCapture(), h);
  ::SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, Point(60, 50));
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(60, 50));
  EXPECT_EQ(form->CaptureControl(), nullptr);
  EXPECT_EQ(::GetCapture(), nullptr);
  // It is told the pointer left, yet keeps getting the mouse in its own coordinates.
  EXPECT_EQ(log, (std::vector<std::string>{"a enter", "a move 5,5", "a down 5,5", "a leave",
                                           "a move 60,50", "a up 60,50"}));
}

TEST_F(WindowTest, DisabledChildGetsNoMouseItGoesToTheParent) {
  Swatch* a = Add("a", fw::Bounds(0, 0, 20, 20), kRed);
  a->SetEnabled(false);
  ClickAt(form->Handle(), 5, 6);
  EXPECT_EQ(log, (std::vector<std::string>{"form down 5,6"}));
  EXPECT_EQ(Shown(5, 5), kRed);  // still drawn as before
}

TEST_F(WindowTest, SecondPressOfADoubleClickIsNoClick) {
  Add("a", fw::Bounds(0, 0, 20, 20), kRed);
  HWND h = form->Handle();
  ClickAt(h, 1, 1);
  ::SendMessageW(h, WM_LBUTTONDBLCLK, MK_LBUTTON, Point(1, 1));
  ::SendMessageW(h, WM_LBUTTONUP, 0, Point(1, 1));
  EXPECT_EQ(log, (std::vector<std::string>{"a down 1,1", "a click", "a up 1,1", "a dblclick",
                                           "a down 1,1 double", "a up 1,1"}));
}

TEST_F(WindowTest, PointerEnteringAndLeavingChildren) {
  Add("a", fw::Bounds(0, 0, 20, 20), kRed);
  Add("b", fw::Bounds(30, 0, 20, 20), kGreen);
  HWND h = form->Handle();
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(5, 5));
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(6, 5));
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(35, 5));
  ::SendMessageW(h, WM_MOUSEMOVE, 0, Point(60, 60));
  EXPECT_EQ(log, (std::vector<std::string>{"a enter", "a move 5,5", "a move 6,5", "a leave",
                                           "b enter", "b move 5,5", "b leave"}));
}

TEST_F(WindowTest, AThrowingHandlerDoesNotLeaveTheWindowProcedure) {
  Swatch* a = Add("a", fw::Bounds(0, 0, 20, 20), kRed);
  a->OnMouseUp = [](fw::TObject*, fw::TMouseButton, fw::TShiftState, int, int) {
    throw std::runtime_error("handler failed");
  };
  // Swatch logs instead of raising events; a plain control raises them.
  auto* plain = new fw::TGraphicControl(form.get());
  plain->SetBounds(50, 50, 10, 10);
  plain->SetParent(form.get());
  plain->OnClick = [](fw::TObject*) { throw std::runtime_error("click failed"); };
  ClickAt(form->Handle(), 55, 55);
  EXPECT_EQ(form->CaptureControl(), nullptr);
  ClickAt(form->Handle(), 5, 5);
  EXPECT_EQ(log.back(), "a up 5,5");
}

TEST_F(WindowTest, DestroyingAParentLeavesItsChildrenWithoutOne) {
  auto* panel = new fw::TPanel(form.get());
  panel->SetParent(form.get());
  ASSERT_NE(panel->Handle(), nullptr);
  // Owned by the form, shown on the panel.
  auto* child = new Swatch(form.get(), panel, fw::Bounds(0, 0, 5, 5), kRed, &log);
  auto* inner = new fw::TPanel(form.get());
  inner->SetParent(panel);
  ASSERT_NE(inner->Handle(), nullptr);
  delete panel;
  EXPECT_EQ(child->Parent(), nullptr);
  EXPECT_EQ(inner->Parent(), nullptr);
  EXPECT_FALSE(inner->HandleAllocated());  // its window went with the panel's
  EXPECT_EQ(form->ControlCount(), 0);
  EXPECT_EQ(form->ComponentCount(), 2);
  inner->SetParent(form.get());  // and it can be shown again elsewhere
  EXPECT_NE(inner->Handle(), nullptr);
}

namespace {

// Every window below `parent`, in the order EnumChildWindows gives.
std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> windows;
  ::EnumChildWindows(
      parent,
      [](HWND w, LPARAM list) WINAPI -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

}  // namespace

// Controls given a parent that has no window yet get theirs with the parent's, once,
// in the order they were added, wherever the first request comes from.
TEST(WindowTree, ChildrenOfAParentWithoutAWindowGetOneEachWhenItGetsItsOwn) {
  fw::TForm form(nullptr);
  auto* first = new fw::TPanel(&form);
  first->SetParent(&form);
  auto* inner = new fw::TPanel(&form);
  inner->SetParent(first);
  auto* second = new fw::TPanel(&form);
  second->SetParent(&form);
  EXPECT_FALSE(form.HandleAllocated());
  EXPECT_FALSE(inner->HandleAllocated());
  // Asked of the innermost, the whole tree is made, each window once.
  HWND inner_window = inner->Handle();
  ASSERT_NE(inner_window, nullptr);
  ASSERT_TRUE(form.HandleAllocated());
  EXPECT_EQ(::GetParent(inner_window), first->WindowHandle());
  EXPECT_EQ(ChildWindows(form.WindowHandle()),
            (std::vector<HWND>{first->WindowHandle(), inner_window, second->WindowHandle()}));
}

namespace {

// A form that waits for the screen, with two panels (one inside the other) and a
// second panel after them, and a windowless swatch on the form.
struct WaitingForm {
  WaitingForm() {
    form.SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form.SetColor(kBack);
    form.SetBounds(-9999, 40, 100, 80);
    form.WaitForScreen();
    first->SetParent(&form);
    inner->SetParent(first);
    second->SetParent(&form);
    second->SetBounds(60, 0, 40, 40);
    EXPECT_NE(form.Handle(), nullptr);
  }
  std::vector<HWND> InOrder() const {
    return {first->WindowHandle(), inner->WindowHandle(), second->WindowHandle()};
  }
  fw::TForm form{nullptr};
  fw::TPanel* first = new fw::TPanel(&form);
  fw::TPanel* inner = new fw::TPanel(&form);
  fw::TPanel* second = new fw::TPanel(&form);
  Swatch* swatch = new Swatch(&form, &form, {10, 50, 30, 70}, kRed, nullptr);
};

}  // namespace

// Shown off every monitor, the form has no child windows and draws nothing. However
// it then comes onto a monitor (hidden, placed and shown, as the start-up leaves it
// and OpenHW shows it; or moved while shown, with or without a redraw, as a host may
// move it), it makes them in the layout's order and is drawn whole, not left with
// the bits it never drew.
TEST(WindowTree, AFormWaitingForTheScreenMakesItsChildWindowsAndDrawsOnceOnAMonitor) {
  enum class Arrival { kShownThere, kMovedShown, kMovedShownWithoutRedraw };
  for (Arrival arrival :
       {Arrival::kShownThere, Arrival::kMovedShown, Arrival::kMovedShownWithoutRedraw}) {
    SCOPED_TRACE(static_cast<int>(arrival));
    WaitingForm w;
    const HWND window = w.form.Handle();
    ::ShowWindow(window, SW_SHOWNOACTIVATE);
    ::InvalidateRect(window, nullptr, TRUE);  // as a control that changes asks
    ::UpdateWindow(window);
    PumpMessages();
    EXPECT_TRUE(w.form.Visible());
    EXPECT_TRUE(ChildWindows(window).empty());
    EXPECT_TRUE(w.form.WaitingForScreen());

    UINT flags = SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE;
    if (arrival == Arrival::kShownThere) w.form.Hide();
    if (arrival == Arrival::kMovedShownWithoutRedraw) flags |= SWP_NOREDRAW;
    ::SetWindowPos(window, nullptr, 40, 40, 0, 0, flags);
    if (arrival == Arrival::kShownThere) {
      EXPECT_TRUE(w.form.WaitingForScreen()) << "hidden";
      w.form.Show();
    }
    PumpMessages();
    EXPECT_FALSE(w.form.WaitingForScreen());
    EXPECT_EQ(ChildWindows(window), w.InOrder());
    EXPECT_EQ(CaptureClient(window)->Pixel(20, 60), kRed) << "the windowless swatch";
    EXPECT_EQ(CaptureClient(window)->Pixel(50, 75), kBack) << "the form's own colour";
  }
}

// A request for one child's window, or a screen reader's for the form's objects,
// makes all the waiting windows at once, in order, while the form stays off-screen.
TEST(WindowTree, ARequestForAWaitingWindowMakesTheWholeTreeInOrder) {
  for (bool by_reader : {false, true}) {
    WaitingForm w;
    if (by_reader) {
      // The question is what counts; without COM on this thread no object comes back.
      ::SendMessageW(w.form.Handle(), WM_GETOBJECT, 0, static_cast<LPARAM>(OBJID_CLIENT));
    } else {
      EXPECT_NE(w.second->Handle(), nullptr);
    }
    EXPECT_EQ(ChildWindows(w.form.Handle()), w.InOrder()) << (by_reader ? "reader" : "request");
  }
}

// A windowed control that logs its keyboard and focus hooks.
class KeyPad : public fw::TCustomControl {
 public:
  explicit KeyPad(fw::TWinControl* parent) : fw::TCustomControl(parent) {
    SetBounds(0, 0, 30, 30);
    SetParent(parent);
  }
  std::vector<std::string> log;

 protected:
  void KeyDown(uint16_t& key, fw::TShiftState) override {
    log.push_back("key " + std::to_string(key));
  }
  void CMEnter() override { log.push_back("enter"); }
  void CMExit() override { log.push_back("exit"); }
  LRESULT WMGetDlgCode() override { return DLGC_WANTARROWS; }
  void WMSize(int w, int h) override {
    log.push_back("size " + std::to_string(w) + "x" + std::to_string(h));
  }
  void Paint() override {
    Canvas().Brush().SetColor(kBlue);
    Canvas().FillRect({0, 0, 10, 10});
  }
};

TEST_F(WindowTest, WindowedControlGetsKeysFocusDialogCodeAndSize) {
  auto* pad = new KeyPad(form.get());
  HWND h = pad->Handle();
  ASSERT_NE(h, nullptr);
  pad->log.clear();
  pad->SetFocus();
  ::SendMessageW(h, WM_KEYDOWN, VK_PRIOR, 0);
  EXPECT_EQ(::SendMessageW(h, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
  pad->SetBounds(0, 0, 40, 20);
  form->SetFocus();
  EXPECT_EQ(pad->log, (std::vector<std::string>{"enter", "key 33", "size 40x20", "exit"}));
  EXPECT_EQ(pad->Width(), 40);
  EXPECT_EQ(Shown(5, 5), kBlue);
  EXPECT_EQ(Shown(15, 5), kBack);  // erased with the colour it takes from its parent
}

TEST(Form, ClientSizeIsExactWhateverTheFrame) {
  fw::TForm form(nullptr);
  form.SetBorderStyle(fw::TFormBorderStyle::bsDialog);
  form.SetBorderIcons(0);
  form.SetFormStyle(fw::TFormStyle::fsStayOnTop);
  form.SetClientWidth(363);
  form.SetClientHeight(324);
  ASSERT_NE(form.Handle(), nullptr);
  RECT r{};
  ::GetClientRect(form.Handle(), &r);
  EXPECT_EQ(r.right, 363);
  EXPECT_EQ(r.bottom, 324);
  EXPECT_TRUE(::GetWindowLongW(form.Handle(), GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(::GetWindowLongW(form.Handle(), GWL_STYLE) & WS_SYSMENU);
  form.Show();
  ::SendMessageW(form.Handle(), WM_CLOSE, 0, 0);  // closing only hides it
  EXPECT_FALSE(form.Visible());
  EXPECT_NE(form.Handle(), nullptr);
  EXPECT_FALSE(::IsWindowVisible(form.Handle()));
}

TEST(Timer, TicksFromTheMessageQueueOnlyWhileEnabledWithAHandler) {
  fw::TTimer timer(nullptr);
  timer.SetInterval(15);
  EXPECT_FALSE(timer.Running());  // no handler yet
  int ticks = 0;
  timer.SetOnTimer([&](fw::TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ++ticks;
  });
  EXPECT_TRUE(timer.Running());
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  while (ticks < 2 && std::chrono::steady_clock::now() < until) {
    PumpMessages();
    ::Sleep(5);
  }
  EXPECT_GE(ticks, 2);
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  PumpMessages();
  int stopped_at = ticks;
  ::Sleep(60);
  PumpMessages();
  EXPECT_EQ(ticks, stopped_at);
}

// The framework's message-only windows of this thread, by handle. The search sees
// every process's message-only windows: other tests' come and go meanwhile.
std::set<HWND> MessageWindows() {
  std::set<HWND> found;
  for (HWND w = nullptr;
       (w = ::FindWindowExW(HWND_MESSAGE, w, L"TesselFrameworkWindow", nullptr)) != nullptr;) {
    if (::GetWindowThreadProcessId(w, nullptr) == ::GetCurrentThreadId()) found.insert(w);
  }
  return found;
}

TEST(Timer, StopsRunningWhenItsWindowIsDestroyedFromOutsideAndStartsAgainWhenSet) {
  const std::set<HWND> before = MessageWindows();
  fw::TTimer timer(nullptr);
  timer.SetInterval(15);
  int ticks = 0;
  timer.SetOnTimer([&](fw::TObject*) { ++ticks; });
  ASSERT_TRUE(timer.Running());
  std::set<HWND> made = MessageWindows();
  for (HWND w : before) made.erase(w);
  ASSERT_EQ(made.size(), 1u);
  ::DestroyWindow(*made.begin());
  EXPECT_FALSE(timer.Running());
  timer.SetInterval(10);  // any change sets the timer again, on a new window
  EXPECT_TRUE(timer.Running());
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  while (ticks < 1 && std::chrono::steady_clock::now() < until) {
    PumpMessages();
    ::Sleep(5);
  }
  EXPECT_GE(ticks, 1);
}

}  // namespace

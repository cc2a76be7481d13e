// The properties and events the widgets publish from the framework, each set through
// the widget's property table as a stored layout sets it, read back, and shown doing
// what it is for: the handlers raised in order, the tooltip's text, the menu's entry.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "framework/Forms.h"
#include "framework/HintTip.h"
#include "framework/Menus.h"
#include "framework/Properties.h"
#include "widgets/FreeButton.h"
#include "widgets/SlideBar.h"
#include "widgets/ZupButt.h"

namespace {

using fw::Ident;
using fw::StoredProperty;

// The lParam of a key's release: repeat count 1, previous state down, transition up.
const LPARAM kKeyUp = static_cast<LPARAM>(0xC0000001u);

void Pump() {
  MSG m;
  while (::PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&m);
    ::DispatchMessageW(&m);
  }
}

// A shown borderless form that owns whatever a test puts on it.
struct Host {
  Host() : form(new fw::TForm(nullptr)) {
    form->SetBorderStyle(fw::TFormBorderStyle::bsNone);
    form->SetBounds(50, 50, 300, 200);
    form->Show();
    ::SetForegroundWindow(form->Handle());
    Pump();
  }
  template <class T>
  T* Add(const char* name, int left, int top) {
    auto* c = new T(form.get());
    c->SetName(name);
    c->SetParent(form.get());
    c->SetLeft(left);
    c->SetTop(top);
    Pump();
    return c;
  }
  HWND Window() { return form->Handle(); }
  std::unique_ptr<fw::TForm> form;
};

// Handlers by name for every event type, each writing its name and arguments to `log`.
fw::HandlerResolver LoggingHandlers(std::vector<std::string>& log) {
  fw::HandlerResolver handlers([&log](const std::string& name) -> fw::TNotifyEvent {
    return [&log, name](fw::TObject*) { log.push_back(name); };
  });
  handlers.Add<fw::TMouseEvent>([&log](const std::string& name) -> fw::TMouseEvent {
    return [&log, name](fw::TObject*, fw::TMouseButton b, fw::TShiftState, int x, int y) {
      log.push_back(name + " " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) +
                    "," + std::to_string(y));
    };
  });
  handlers.Add<fw::TMouseMoveEvent>([&log](const std::string& name) -> fw::TMouseMoveEvent {
    return [&log, name](fw::TObject*, fw::TShiftState, int x, int y) {
      log.push_back(name + " " + std::to_string(x) + "," + std::to_string(y));
    };
  });
  handlers.Add<fw::TKeyEvent>([&log](const std::string& name) -> fw::TKeyEvent {
    return [&log, name](fw::TObject*, uint16_t& key, fw::TShiftState) {
      log.push_back(name + " " + std::to_string(key));
    };
  });
  handlers.Add<fw::TKeyPressEvent>([&log](const std::string& name) -> fw::TKeyPressEvent {
    return [&log, name](fw::TObject*, wchar_t& key) {
      log.push_back(name + " " + std::string(1, static_cast<char>(key)));
    };
  });
  return handlers;
}

// The stored value of property `name` of `c`, or nothing when it is not stored.
std::optional<fw::PropValue> Stored(const fw::TComponent& c, const std::string& name) {
  for (const StoredProperty& p : fw::WriteProperties(c)) {
    if (p.Name == name) return p.Value;
  }
  return std::nullopt;
}

// The text the tooltip holds for the tool (window, id), or "" when it has none.
std::wstring TipText(HWND tip, HWND window, UINT_PTR id) {
  wchar_t text[256] = {};
  TOOLINFOW info{};
  info.cbSize = TTTOOLINFOW_V2_SIZE;
  info.hwnd = window;
  info.uId = id;
  info.lpszText = text;
  ::SendMessageW(tip, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&info));
  return text;
}

}  // namespace

TEST(Published, EventsFromAStoredLayoutAreRaisedInOrder) {
  Host h;
  std::vector<std::string> log;
  const fw::HandlerResolver handlers = LoggingHandlers(log);
  auto* button = h.Add<widgets::TZupButt>("Zup", 10, 10);
  fw::ApplyProperties(
      *button,
      {{"OnMouseDown", Ident{"Down"}}, {"OnMouseMove", Ident{"Move"}}, {"OnMouseUp", Ident{"Up"}}},
      handlers);
  auto* slider = h.Add<widgets::TSlideBar>("Slider", 200, 10);
  fw::ApplyProperties(*slider,
                      {{"OnKeyDown", Ident{"KeyDown"}},
                       {"OnKeyPress", Ident{"KeyPress"}},
                       {"OnKeyUp", Ident{"KeyUp"}},
                       {"OnChange", Ident{"Change"}}},
                      handlers);
  const HWND form = h.Window(), bar = slider->Handle();
  ::SendMessageW(form, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(15, 16));
  ::SendMessageW(form, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(17, 18));
  ::SendMessageW(form, WM_LBUTTONUP, 0, MAKELPARAM(17, 18));
  // A key the slider takes (no OnKeyDown, no character), then one it does not.
  for (const auto& [msg, key] : std::vector<std::pair<UINT, WPARAM>>{{WM_KEYDOWN, VK_UP},
                                                                     {WM_KEYUP, VK_UP},
                                                                     {WM_KEYDOWN, 'A'},
                                                                     {WM_CHAR, 'a'},
                                                                     {WM_KEYUP, 'A'}})
    ::SendMessageW(bar, msg, key, msg == WM_KEYUP ? kKeyUp : 1);
  EXPECT_EQ(log, (std::vector<std::string>{"Down 0 5,6", "Move 7,8", "Up 0 7,8", "Change",
                                           "KeyUp 38", "KeyPress a", "KeyUp 65"}));
  EXPECT_EQ(slider->Position(), 2);

  // A handler of another event type by that name is no handler: the layout is refused.
  EXPECT_THROW(fw::ApplyProperties(*button, {{"OnMouseDown", Ident{"Missing"}}},
                                   fw::HandlerResolver([](const std::string&) {
                                     return fw::TNotifyEvent([](fw::TObject*) {});
                                   })),
               fw::Exception);
}

TEST(Published, HintsShowInTheSystemTooltipAsShowHintAndParentShowHintSay) {
  Host h;
  auto* slider = h.Add<widgets::TSlideBar>("Slider", 20, 20);
  fw::ApplyProperties(*slider, {{"Hint", std::string("HF gain")}, {"ShowHint", true}});
  EXPECT_TRUE(slider->ShowHint());
  EXPECT_FALSE(slider->ParentShowHint());
  EXPECT_EQ(Stored(*slider, "Hint"), fw::PropValue(std::string("HF gain")));
  EXPECT_EQ(Stored(*slider, "ShowHint"), fw::PropValue(true));
  EXPECT_EQ(Stored(*slider, "ParentShowHint"), fw::PropValue(false));
  ASSERT_NE(h.form->HintTips(false), nullptr);
  const HWND tip = h.form->HintTips(false)->Handle();
  const HWND bar = slider->Handle();
  EXPECT_EQ(TipText(tip, h.Window(), reinterpret_cast<UINT_PTR>(bar)), L"HF gain");

  // Whether the tooltip holds the hint, as the form's and the slider's values change.
  struct Row {
    const char* what;
    std::vector<StoredProperty> slider;
    bool form_shows;
    const wchar_t* text;
  };
  const Row rows[] = {
      {"following a form that shows none", {{"ParentShowHint", true}}, false, L""},
      {"following a form that shows hints", {{"ParentShowHint", true}}, true, L"HF gain"},
      {"its own answer over the form's", {{"ShowHint", false}}, true, L""},
      {"a new text", {{"ShowHint", true}, {"Hint", std::string("IF gain")}}, false, L"IF gain"},
      {"no text, no tooltip", {{"Hint", std::string()}}, true, L""},
  };
  for (const Row& r : rows) {
    h.form->SetShowHint(r.form_shows);
    fw::ApplyProperties(*slider, r.slider);
    EXPECT_EQ(TipText(tip, h.Window(), reinterpret_cast<UINT_PTR>(bar)), r.text) << r.what;
    EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), *r.text ? 1 : 0) << r.what;
  }
  // ShowHint is stored only while the slider does not follow the form.
  slider->SetParentShowHint(true);
  EXPECT_FALSE(Stored(*slider, "ShowHint"));

  // Shown by the system when the pointer rests on the slider.
  slider->SetHint("HF gain");
  slider->SetShowHint(true);
  RECT r{};
  ::GetWindowRect(bar, &r);
  ::SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  const DWORD start = ::GetTickCount();
  while (!::IsWindowVisible(tip) && ::GetTickCount() - start < 5000) {
    Pump();
    ::Sleep(20);
  }
  EXPECT_TRUE(::IsWindowVisible(tip));

  // A control that goes takes its tool with it.
  delete slider;
  EXPECT_EQ(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 0);
}

namespace {

// Chooses entry `choose` (from 0) of the popup menu that the window thread shows,
// from a thread of its own: waits for the menu, reads its entries, then types the
// keys that choose. A menu that does not close is closed with Escape.
class MenuChooser {
 public:
  MenuChooser(HWND owner, int choose) : thread_([this, owner, choose] { Run(owner, choose); }) {}
  ~MenuChooser() { Join(); }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }
  // The entries the menu showed (after Join).
  std::vector<std::wstring> entries;

 private:
  void Run(HWND owner, int choose) {
    HWND menu = nullptr;
    for (int i = 0; i < 250 && menu == nullptr; ++i) {
      HWND w = ::FindWindowW(L"#32768", nullptr);
      if (w != nullptr && ::IsWindowVisible(w))
        menu = w;
      else
        ::Sleep(20);
    }
    if (menu == nullptr) return;
    HMENU items = reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0));
    for (int i = 0; items != nullptr && i < ::GetMenuItemCount(items); ++i) {
      wchar_t text[64] = {};
      ::GetMenuStringW(items, i, text, 64, MF_BYPOSITION);
      entries.push_back(text);
    }
    for (int i = 0; i <= choose; ++i) ::PostMessageW(owner, WM_KEYDOWN, VK_DOWN, 1);
    ::PostMessageW(owner, WM_KEYDOWN, VK_RETURN, 1);
    for (int i = 0; i < 150 && ::IsWindowVisible(menu); ++i) ::Sleep(20);
    if (::IsWindowVisible(menu)) ::PostMessageW(owner, WM_KEYDOWN, VK_ESCAPE, 1);
  }
  std::thread thread_;
};

}  // namespace

TEST(Published, PopupMenusShowOnRightClickAndTheContextKeyAndRaiseTheChosenEntry) {
  Host h;
  std::vector<std::string> log;
  auto* slider = h.Add<widgets::TSlideBar>("Slider", 20, 20);
  auto* button = h.Add<widgets::TFreeButton>("Button", 100, 20);
  // A layout may name the menu before it makes it.
  slider->SetLoading(true);
  fw::ApplyProperties(*slider, {{"PopupMenu", Ident{"Menu"}}});
  slider->Loaded();
  auto* menu = new fw::TPopupMenu(h.form.get());
  menu->SetName("Menu");
  for (const char* caption : {"One", "Two", "Three"}) {
    auto* item = new fw::TMenuItem(menu);
    item->SetCaption(caption);
    item->OnClick = [&log, caption](fw::TObject*) { log.push_back(caption); };
    menu->Add(item);
  }
  fw::ApplyProperties(*button, {{"PopupMenu", Ident{"Menu"}}});
  EXPECT_EQ(slider->PopupMenu(), menu);
  EXPECT_EQ(button->PopupMenu(), menu);
  EXPECT_EQ(Stored(*slider, "PopupMenu"), fw::PropValue(Ident{"Menu"}));
  EXPECT_EQ(Stored(*button, "PopupMenu"), fw::PropValue(Ident{"Menu"}));
  // Only a menu of the owner's is a value.
  EXPECT_THROW(fw::ApplyProperties(*button, {{"PopupMenu", Ident{"Slider"}}}), fw::Exception);

  const HWND form = h.Window(), bar = slider->Handle();
  struct Row {
    const char* what;
    HWND window;
    std::vector<std::pair<UINT, LPARAM>> input;
    fw::TControl* shown_for;
    int choose;
  };
  const Row rows[] = {
      {"right click on the slider",
       bar,
       {{WM_RBUTTONDOWN, MAKELPARAM(5, 50)}, {WM_RBUTTONUP, MAKELPARAM(5, 50)}},
       slider,
       1},
      {"context-menu key on the slider", bar, {{WM_CONTEXTMENU, -1}}, slider, 2},
      {"right click on the button",
       form,
       {{WM_RBUTTONDOWN, MAKELPARAM(110, 30)}, {WM_RBUTTONUP, MAKELPARAM(110, 30)}},
       button,
       0},
  };
  for (const Row& r : rows) {
    log.clear();
    MenuChooser chooser(form, r.choose);
    for (const auto& [msg, lp] : r.input)
      ::SendMessageW(r.window, msg, msg == WM_CONTEXTMENU ? reinterpret_cast<WPARAM>(r.window) : 0,
                     lp);
    chooser.Join();
    EXPECT_EQ(chooser.entries, (std::vector<std::wstring>{L"One", L"Two", L"Three"})) << r.what;
    EXPECT_EQ(menu->PopupComponent(), r.shown_for) << r.what;
    const char* chosen[] = {"One", "Two", "Three"};
    EXPECT_EQ(log, (std::vector<std::string>{chosen[r.choose]})) << r.what;
  }

  // The context-menu key itself: the system's handling of its release asks for the menu.
  {
    log.clear();
    MenuChooser chooser(form, 0);
    ::SendMessageW(bar, WM_KEYDOWN, VK_APPS, 1);
    ::SendMessageW(bar, WM_KEYUP, VK_APPS, kKeyUp);
    Pump();
    chooser.Join();
    EXPECT_EQ(log, (std::vector<std::string>{"One"}));
  }

  // A menu that goes leaves no menu behind: a right click then shows nothing.
  delete menu;
  EXPECT_EQ(slider->PopupMenu(), nullptr);
  EXPECT_FALSE(Stored(*slider, "PopupMenu"));
  ::SendMessageW(bar, WM_RBUTTONUP, 0, MAKELPARAM(5, 50));
  EXPECT_EQ(::FindWindowW(L"#32768", nullptr) != nullptr &&
                ::IsWindowVisible(::FindWindowW(L"#32768", nullptr)),
            false);
}

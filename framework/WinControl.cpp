#include "framework/WinControl.h"

#include <oleacc.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "framework/HandleNames.h"
#include "framework/HintTip.h"
#include "framework/Menus.h"
#include "framework/Properties.h"
#include "framework/StageTimes.h"
#include "framework/TabOrder.h"
#include "framework/TextEncoding.h"

namespace fw {
namespace {

TShiftState KeyShift() {
  TShiftState s;
  if (::GetKeyState(VK_SHIFT) < 0) s |= TShiftState::ssShift;
  if (::GetKeyState(VK_CONTROL) < 0) s |= TShiftState::ssCtrl;
  if (::GetKeyState(VK_MENU) < 0) s |= TShiftState::ssAlt;
  return s;
}

// True when `value` names a device context of this process: a message that should
// carry one may be posted by anyone with any number in its place.
bool IsDeviceContext(WPARAM value) {
  switch (::GetObjectType(reinterpret_cast<HGDIOBJ>(value))) {
    case OBJ_DC:
    case OBJ_MEMDC:
    case OBJ_METADC:
    case OBJ_ENHMETADC:
      return true;
    default:
      return false;
  }
}

bool IsMouseMessage(UINT msg) {
  return msg >= WM_MOUSEFIRST && msg <= WM_MBUTTONDBLCLK;
}

// The cue state after a WM_CHANGEUISTATE or WM_UPDATEUISTATE request. Initialising
// hides: the cues show only once the keyboard has been used.
WORD AppliedUIState(WORD state, WPARAM request) {
  const WORD flags = HIWORD(request) & (UISF_HIDEFOCUS | UISF_HIDEACCEL | UISF_ACTIVE);
  switch (LOWORD(request)) {
    case UIS_SET:
    case UIS_INITIALIZE:
      return state | flags;
    case UIS_CLEAR:
      return state & ~flags;
    default:
      return state;
  }
}

// Keys with which the system's dialogs move around: after them the cues show.
bool IsNavigationKey(uint16_t key) {
  return key == VK_TAB || key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

}  // namespace

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // The mouse is given up while the tree still finds whoever in this part holds it.
  if (TControl* holder = CaptureControl()) {
    for (const TControl* c = holder; c != nullptr; c = c->Parent()) {
      if (c == this) {
        holder->SetMouseCapture(false);
        break;
      }
    }
  }
  // Children go without a parent before this part of the object is gone.
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    if (auto* w = c->AsWinControl()) w->DestroyHandle();
    controls_.pop_back();
    c->parent_ = nullptr;
  }
  hover_ = nullptr;
  focused_child_ = nullptr;
  ReleaseTemporaryDC();
  canvas_.SetHandle(nullptr);
  DestroyHandle();
  if (accessible_ != nullptr) {
    accessible_->Disconnect();
    // Screen readers in other apartments and processes hold the object through
    // stubs of this thread's apartment, which may outlive the library when the host
    // uses COM itself: the stubs let go of it now, and their clients get errors.
    ::CoDisconnectObject(static_cast<IAccessible*>(accessible_), 0);
    accessible_->Release();
    accessible_ = nullptr;
  }
}

void TWinControl::SetParent(TWinControl* parent) {
  if (parent == Parent()) return;
  DestroyHandle();
  TControl::SetParent(parent);
  // Under a parent that has no window yet, this control's window is made with the
  // parent's, once: a window tree read from a layout is made whole at its end,
  // every window at its final place, not moved and redrawn for each property.
  if (parent && parent->HandleAllocated() && WaitingAncestor() == nullptr) CreateHandle();
}

HWND TWinControl::Handle() {
  if (hwnd_) return hwnd_;
  // A window asked for in a tree whose child windows wait: the tree's are all made,
  // in their order, so that the z-order and the tab order stay the layout's.
  if (TWinControl* top = WaitingAncestor()) {
    top->Handle();
    top->MakeChildWindows();
  }
  if (!hwnd_) CreateHandle();
  return hwnd_;
}

TWinControl* TWinControl::WaitingAncestor() const {
  for (TWinControl* p = Parent(); p != nullptr; p = p->Parent()) {
    if (p->child_windows_wait_) return p;
  }
  return nullptr;
}

void TWinControl::MakeChildWindows() {
  if (!hwnd_ || !child_windows_wait_) return;
  child_windows_wait_ = false;
  // Child windows that others put into this one meanwhile (an embedded component's)
  // came after the windows that waited: they go below them, in their order, as if
  // the waiting ones had been made with this window.
  std::vector<HWND> others;
  for (HWND w = ::GetWindow(hwnd_, GW_CHILD); w != nullptr; w = ::GetWindow(w, GW_HWNDNEXT))
    others.push_back(w);
  for (TControl* c : controls_) {
    if (auto* w = c->AsWinControl()) w->CreateHandle();
  }
  for (HWND w : others)
    ::SetWindowPos(w, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::CreateParams(TCreateParams& params) {
  params.Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  if (Visible()) params.Style |= WS_VISIBLE;
  if (!Enabled()) params.Style |= WS_DISABLED;
  if (tab_stop_) params.Style |= WS_TABSTOP;
  params.ExStyle = 0;
  params.Parent = Parent() ? Parent()->Handle() : nullptr;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
}

void TWinControl::CreateHandle() {
  if (hwnd_) return;
  TCreateParams params;
  CreateParams(params);
  // Asking for the parent's window made this one with it.
  if (hwnd_) return;
  if ((params.Style & WS_CHILD) && !params.Parent) return;
  // A window made later in a tree takes the tree's cue state.
  if (Parent() != nullptr) ui_state_ = Parent()->ui_state_;
  std::wstring title = Widen(Caption());
  HWND h = CreateTargetWindow(this, params.ExStyle, params.Style, params.X, params.Y, params.Width,
                              params.Height, params.Parent, title.c_str());
  if (!h) return;
  hwnd_ = h;
  if (!child_windows_wait_) {
    for (TControl* c : controls_) {
      if (auto* w = c->AsWinControl()) w->CreateHandle();
    }
  }
  // The hints that waited for the windows: this one's and its windowless children's.
  if (ShowHint() && !Hint().empty()) UpdateHints(*this);
  for (TControl* c : controls_) {
    if (!c->AsWinControl() && c->ShowHint() && !c->Hint().empty()) UpdateHints(*c);
  }
}

HintTip* TWinControl::HintTips(bool make) {
  if (!hint_tip_ && make && hwnd_ != nullptr && Parent() == nullptr)
    hint_tip_ = std::make_unique<HintTip>(hwnd_);
  return hint_tip_.get();
}

void TWinControl::DestroyHandle() {
  if (!hwnd_) return;
  // The DCs that the tree's canvases took belong to windows that go now.
  if (DispatchStateRef tree = TreeDispatching()) tree->ReleaseHeld();
  ForgetHint(*this);
  hint_tip_.reset();
  DestroyTargetWindow(hwnd_);  // WindowDestroyed clears hwnd_ for this and every child
  hwnd_ = nullptr;
}

void TWinControl::WindowDestroyed() {
  // The system destroyed the tooltip with the window that owned it.
  if (hint_tip_) hint_tip_->Abandon();
  hint_tip_.reset();
  hwnd_ = nullptr;
  has_focus_ = false;
  mouse_inside_ = false;
  hover_ = nullptr;
}

void TWinControl::AddChild(TControl* c) {
  controls_.push_back(c);
}

void TWinControl::RemoveChild(TControl* c) {
  auto it = std::find(controls_.begin(), controls_.end(), c);
  if (it != controls_.end()) controls_.erase(it);
  if (hover_ == c) hover_ = nullptr;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allow_disabled) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (c->AsWinControl()) continue;
    if (!c->Visible() || (!allow_disabled && !c->Enabled())) continue;
    if (c->BoundsRect().Contains(p)) return c;
  }
  return nullptr;
}

void TWinControl::SetFocus() {
  if (Handle()) ::SetFocus(hwnd_);
}

void TWinControl::SetFocusedChild(TControl* child) {
  if (Handle() == nullptr) return;
  if (::GetFocus() != hwnd_) ::SetFocus(hwnd_);
  if (::GetFocus() != hwnd_) return;
  if (focused_child_ == child) return;
  TControl* previous = std::exchange(focused_child_, child);
  if (previous != nullptr) previous->FocusCueChanged();
  if (child != nullptr) child->FocusCueChanged();
  NotifyAccessible(child != nullptr ? *child : *this, EVENT_OBJECT_FOCUS);
}

IAccessible* TWinControl::AccessibleObject() {
  StageScope stage(Stage::kAccessible);
  if (accessible_ == nullptr) accessible_ = new ControlAccessible(this);
  accessible_->AddRef();
  return accessible_;
}

long TWinControl::AccessibleRole() const {
  return ROLE_SYSTEM_CLIENT;
}

bool TWinControl::TakeKeyboardFocus() {
  if (Handle() == nullptr || !Visible() || !Enabled()) return false;
  ::SetFocus(hwnd_);
  return ::GetFocus() == hwnd_;
}

bool TWinControl::Focused() const {
  return hwnd_ && ::GetFocus() == hwnd_;
}

void TWinControl::SetTabStop(bool stop) {
  tab_stop_ = stop;
  if (!hwnd_) return;
  LONG style = ::GetWindowLongW(hwnd_, GWL_STYLE);
  style = stop ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
  ::SetWindowLongW(hwnd_, GWL_STYLE, style);
}

void TWinControl::SetVisible(bool visible) {
  if (visible == Visible()) return;
  TControl::SetVisible(visible);
  if (hwnd_) ::ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::SetEnabled(bool enabled) {
  if (enabled == Enabled()) return;
  TControl::SetEnabled(enabled);
  if (hwnd_) ::EnableWindow(hwnd_, enabled);
}

void TWinControl::Invalidate() {
  if (hwnd_) ::InvalidateRect(hwnd_, nullptr, (ControlStyle() & csOpaque) ? FALSE : TRUE);
}

void TWinControl::Update() {
  if (hwnd_) ::UpdateWindow(hwnd_);
}

TCanvas& TWinControl::Canvas() {
  Handle();
  return TControl::Canvas();
}

TRect TWinControl::ClientRect() const {
  if (hwnd_) {
    RECT r{};
    ::GetClientRect(hwnd_, &r);
    return {r.left, r.top, r.right, r.bottom};
  }
  return TControl::ClientRect();
}

TPoint TWinControl::ClientToScreen(TPoint p) const {
  if (!hwnd_) return TControl::ClientToScreen(p);
  POINT pt{p.X, p.Y};
  ::ClientToScreen(hwnd_, &pt);
  return {pt.x, pt.y};
}

TPoint TWinControl::ScreenToClient(TPoint p) const {
  if (!hwnd_) return TControl::ScreenToClient(p);
  POINT pt{p.X, p.Y};
  ::ScreenToClient(hwnd_, &pt);
  return {pt.x, pt.y};
}

// By index: a child's handler may add or remove children.
void TWinControl::NotifyChildrenColor() {
  for (std::size_t i = 0; i < controls_.size(); ++i) controls_[i]->ParentColorChanged();
}

void TWinControl::NotifyChildrenFont() {
  for (std::size_t i = 0; i < controls_.size(); ++i) controls_[i]->ParentFontChanged();
}

void TWinControl::BoundsChanged(const TRect& old_bounds) {
  if (hwnd_) {
    ::SetWindowPos(hwnd_, nullptr, Left(), Top(), Width(), Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    TControl::BoundsChanged(old_bounds);
    AlignChildren(*this);
  }
}

void TWinControl::UpdateBounds() {
  if (!hwnd_) return;
  RECT r{};
  ::GetWindowRect(hwnd_, &r);
  HWND parent = ::GetParent(hwnd_);
  if (parent && (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD)) {
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  }
  // Stored without moving the window again.
  TRect old = BoundsRect();
  TRect now{r.left, r.top, r.right, r.bottom};
  if (old == now) return;
  left_ = now.Left;
  top_ = now.Top;
  width_ = now.Width();
  height_ = now.Height();
}

void TWinControl::PaintTo(HDC dc) {
  SavedDCState saved(dc);
  EraseBackground(dc);
  PaintWindow(dc);
  PaintControls(dc, nullptr);
  for (TControl* c : controls_) {
    auto* w = c->AsWinControl();
    if (!w || !w->Visible()) continue;
    SavedDCState child(dc);
    ::OffsetViewportOrgEx(dc, w->Left(), w->Top(), nullptr);
    ::IntersectClipRect(dc, 0, 0, w->Width(), w->Height());
    w->PaintTo(dc);
  }
}

void TWinControl::EraseBackground(HDC dc) {
  TRect r = ClientRect();
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  ScopedBrush brush(::CreateSolidBrush(ColorToRGB(Color())));
  ::FillRect(dc, &rc, brush.get());
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  auto it = controls_.begin();
  if (first) it = std::find(controls_.begin(), controls_.end(), first);
  RECT clip{};
  bool has_clip = ::GetClipBox(dc, &clip) != ERROR;
  for (; it != controls_.end(); ++it) {
    TControl* c = *it;
    if (c->AsWinControl() || !c->Visible()) continue;
    TRect b = c->BoundsRect();
    if (has_clip && !b.Intersects({clip.left, clip.top, clip.right, clip.bottom})) continue;
    SavedDCState saved(dc);
    ::OffsetViewportOrgEx(dc, b.Left, b.Top, nullptr);
    ::IntersectClipRect(dc, 0, 0, b.Width(), b.Height());
    c->PaintTo(dc);
  }
}

void TWinControl::PaintHandler(HDC dc) {
  {
    // The window's own area, without the opaque windowless children.
    SavedDCState saved(dc);
    for (TControl* c : controls_) {
      if (c->AsWinControl() || !c->Visible() || !(c->ControlStyle() & csOpaque)) continue;
      TRect b = c->BoundsRect();
      ::ExcludeClipRect(dc, b.Left, b.Top, b.Right, b.Bottom);
    }
    PaintWindow(dc);
  }
  PaintControls(dc, nullptr);
}

void TWinControl::RouteMouse(UINT msg, WPARAM wp, LPARAM lp) {
  TPoint p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
  // The system puts the pointer outside the client area only for the window that
  // holds the mouse; such a point from anyone else (a posted message) is no input.
  if (!ClientRect().Contains(p) && ::GetCapture() != hwnd_) return;
  TControl* capture = CaptureControl();
  TControl* target = this;
  if (capture && capture != this && capture->Parent() == this) {
    target = capture;
  } else if (!capture || capture != this) {
    if (TControl* child = ControlAtPos(p, false)) target = child;
  }
  if (msg == WM_MOUSEMOVE) {
    TControl* under = ClientRect().Contains(p) ? ControlAtPos(p, false) : nullptr;
    if (!under && ClientRect().Contains(p)) under = this;
    UpdateHover(under);
  }
  int x = p.X;
  int y = p.Y;
  if (target != this) {
    x -= target->Left();
    y -= target->Top();
  }
  target->HandleMouseMessage(msg, wp, x, y);
}

void TWinControl::UpdateHover(TControl* under) {
  if (under && !mouse_inside_ && hwnd_) {
    mouse_inside_ = true;
    TRACKMOUSEEVENT tme{sizeof(tme), TME_LEAVE, hwnd_, 0};
    ::TrackMouseEvent(&tme);
  }
  // hover_ is the control under the pointer: a windowless child, this, or null.
  if (under == hover_) return;
  TControl* capture = CaptureControl();
  TControl* previous = hover_;
  hover_ = under;
  if (previous && (!capture || capture == previous)) previous->CMMouseLeave();
  if (under && (!capture || capture == under)) under->CMMouseEnter();
}

void TWinControl::KeyDown(uint16_t& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyPress(wchar_t& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

void TWinControl::KeyUp(uint16_t& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::CMEnter() {
  Raise(OnEnter, this);
}
void TWinControl::CMExit() {
  Raise(OnExit, this);
}

void TWinControl::TextChanged() {
  if (hwnd_) SetTargetWindowText(hwnd_, Widen(Caption()).c_str());
  TControl::TextChanged();
}

bool TWinControl::ShowPopupMenu(const TPoint* p) {
  TControl* target = p != nullptr ? ControlAtPos(*p, false) : focused_child_;
  if (target == nullptr || target->PopupMenu() == nullptr) target = this;
  TPopupMenu* menu = target->PopupMenu();
  if (menu == nullptr || !target->Enabled()) return false;
  // From the keyboard, the menu opens over the control's centre.
  TPoint at = p != nullptr ? *p : TPoint{target->Width() / 2, target->Height() / 2};
  if (p == nullptr && target != this) at = {at.X + target->Left(), at.Y + target->Top()};
  const TPoint screen = ClientToScreen(at);
  return menu->Popup(screen.X, screen.Y, *target);
}

LRESULT TWinControl::WMGetDlgCode() {
  LRESULT code = DefaultWindowProc(hwnd_, WM_GETDLGCODE, 0, 0);
  // A windowless child with the keyboard uses arrows, Space and Enter.
  if (focused_child_ != nullptr) code |= DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
  return code;
}

bool TWinControl::WMSetCursor(TPoint p) {
  TControl* c = ControlAtPos(p, true);
  TCursor cursor = c ? c->Cursor() : crDefault;
  if (cursor == crDefault) cursor = Cursor();
  HCURSOR h = LoadCursorFor(cursor);
  if (!h) return false;
  ::SetCursor(h);
  return true;
}

void TWinControl::WMSize(int, int) {
  UpdateBounds();
}

LRESULT TWinControl::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
  return DefaultWindowProc(hwnd_, msg, wp, lp);
}

bool TWinControl::QueueAccessibleAction(long child) {
  if (hwnd_ == nullptr) return false;
  uintptr_t ticket = next_action_ticket_++;
  if (!::PostMessageW(hwnd_, AccessibleActionMessage(), static_cast<WPARAM>(ticket), 0))
    return false;
  queued_actions_.emplace_back(ticket, child);
  return true;
}

void TWinControl::RunAccessibleAction(uintptr_t ticket) {
  auto queued = std::find_if(queued_actions_.begin(), queued_actions_.end(),
                             [&](const auto& action) { return action.first == ticket; });
  // Not one this window queued: someone else's message, or a stale one.
  if (queued == queued_actions_.end()) return;
  long child = queued->second;
  queued_actions_.erase(queued);
  std::vector<TControl*> children = AccessibleChildren(*this);
  if (child == CHILDID_SELF)
    DoAccessibleDefaultAction();
  else if (child > 0 && static_cast<std::size_t>(child) <= children.size())
    children[child - 1]->DoAccessibleDefaultAction();
}

LRESULT TWinControl::HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (!hwnd_) hwnd_ = hwnd;  // messages sent during CreateWindowEx
  if (msg == WM_GETOBJECT && static_cast<LONG>(lp) == OBJID_CLIENT) {
    // A screen reader reads the whole tree: the windows that wait are made now.
    MakeChildWindows();
    IAccessible* object = AccessibleObject();
    LRESULT answer = ::LresultFromObject(IID_IAccessible, wp, object);
    object->Release();
    return answer;
  }
  if (msg == AccessibleActionMessage()) {
    RunAccessibleAction(static_cast<uintptr_t>(wp));
    return 0;
  }
  return WndProc(msg, wp, lp);
}

LRESULT TWinControl::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (IsMouseMessage(msg)) {
    // A handler may destroy this control: then nothing more is done.
    const std::shared_ptr<bool> alive = alive_;
    RouteMouse(msg, wp, lp);
    // The system's handling of the right button's release asks for the context menu.
    if (msg == WM_RBUTTONUP && *alive && hwnd_ != nullptr) return DefaultHandler(msg, wp, lp);
    return 0;
  }
  switch (msg) {
    case WM_ERASEBKGND: {
      if (!IsDeviceContext(wp)) return 0;
      StageScope stage(Stage::kPaint);
      EraseBackground(reinterpret_cast<HDC>(wp));
      return 1;
    }
    case WM_PAINT: {
      StageScope stage(Stage::kPaint);
      // Ends the paint also when a control's Paint fails.
      PaintDC paint(hwnd_);
      if (paint) PaintHandler(paint.get());
      return 0;
    }
    case WM_PRINTCLIENT: {
      if (!IsDeviceContext(wp)) return 0;
      StageScope stage(Stage::kPaint);
      HDC dc = reinterpret_cast<HDC>(wp);
      EraseBackground(dc);
      PaintHandler(dc);
      return 0;
    }
    case WM_MOUSELEAVE: {
      mouse_inside_ = false;
      UpdateHover(nullptr);
      return 0;
    }
    case WM_CAPTURECHANGED: {
      TControl* capture = CaptureControl();
      if (capture && reinterpret_cast<HWND>(lp) != hwnd_ &&
          (capture == this || capture->Parent() == this)) {
        capture->SetMouseCapture(false);
      }
      return 0;
    }
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == hwnd_ && LOWORD(lp) == HTCLIENT) {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(hwnd_, &pt);
        if (WMSetCursor({pt.x, pt.y})) return TRUE;
      }
      return DefaultHandler(msg, wp, lp);
    case WM_GETDLGCODE:
      return WMGetDlgCode();
    case WM_CONTEXTMENU: {
      // (-1, -1) comes from the keyboard; a point, from the mouse, in screen pixels.
      if (lp == -1) {
        if (ShowPopupMenu(nullptr)) return 0;
      } else {
        const TPoint p = ScreenToClient({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        if (ClientRect().Contains(p) && ShowPopupMenu(&p)) return 0;
      }
      return DefaultHandler(msg, wp, lp);
    }
    // The focus messages are taken when they tell of a change the system's focus
    // shows (it has changed before they come); the same numbers posted by anyone
    // else change nothing.
    case WM_SETFOCUS:
      if (has_focus_ || ::GetFocus() != hwnd_) return 0;
      has_focus_ = true;
      if (focused_child_ == nullptr) FocusCueChanged();
      CMEnter();
      NotifyAccessible(focused_child_ != nullptr ? *focused_child_ : *this, EVENT_OBJECT_FOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (!has_focus_ || ::GetFocus() == hwnd_) return 0;
      has_focus_ = false;
      if (focused_child_ != nullptr)
        std::exchange(focused_child_, nullptr)->FocusCueChanged();
      else
        FocusCueChanged();
      CMExit();
      return 0;
    case WM_CHANGEUISTATE:
      ChangeUIState(wp);
      return 0;
    case WM_UPDATEUISTATE:
      UpdateUIState(wp);
      return 0;
    case WM_QUERYUISTATE:
      return ui_state_;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
      uint16_t key = static_cast<uint16_t>(wp);
      if (IsNavigationKey(key)) KeyboardNavigated();
      // Tab moves the focus as in a dialog, also when the program's message loop
      // does no dialog navigation of its own.
      if (msg == WM_KEYDOWN && key == VK_TAB && ::GetKeyState(VK_CONTROL) >= 0 &&
          ::GetKeyState(VK_MENU) >= 0) {
        TWinControl* root = this;
        while (root->Parent()) root = root->Parent();
        TControl* current = focused_child_ != nullptr ? focused_child_ : this;
        if (TControl* next = NextKeyboardStop(*root, current, ::GetKeyState(VK_SHIFT) >= 0))
          next->TakeKeyboardFocus();
        return 0;
      }
      // A windowless child with the keyboard takes its keys first.
      if (msg == WM_KEYDOWN && focused_child_ != nullptr && focused_child_->FocusedKey(key))
        return 0;
      KeyDown(key, KeyShift());
      if (key == 0 || msg == WM_KEYDOWN) return 0;
      return DefaultHandler(msg, wp, lp);
    }
    case WM_CHAR: {
      wchar_t ch = static_cast<wchar_t>(wp);
      KeyPress(ch);
      if (ch == 0) return 0;
      return DefaultHandler(msg, ch, lp);
    }
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      uint16_t key = static_cast<uint16_t>(wp);
      KeyUp(key, KeyShift());
      if (key == 0) return 0;
      // The context-menu key asks for the menu when it is released, as the system's
      // own handling does where it has it (Shift+F10 it handles everywhere).
      if (key == VK_APPS) {
        ::SendMessageW(hwnd_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd_), -1);
        return 0;
      }
      return DefaultHandler(msg, key, lp);
    }
    case WM_SIZE: {
      // The size the window has, not the one the message says: anyone may post it.
      RECT client{};
      ::GetClientRect(hwnd_, &client);
      WMSize(client.right, client.bottom);
      AlignChildren(*this);
      return 0;
    }
    case WM_MOVE:
      UpdateBounds();
      return 0;
    default:
      return DefaultHandler(msg, wp, lp);
  }
}

void TWinControl::ChangeUIState(WPARAM wp) {
  HWND parent = ::GetParent(hwnd_);
  if (parent != nullptr && (::GetWindowLongW(hwnd_, GWL_STYLE) & WS_CHILD)) {
    ::SendMessageW(parent, WM_CHANGEUISTATE, wp, 0);
    return;
  }
  if (AppliedUIState(ui_state_, wp) != ui_state_) ::SendMessageW(hwnd_, WM_UPDATEUISTATE, wp, 0);
}

void TWinControl::UpdateUIState(WPARAM wp) {
  const WORD before = ui_state_;
  ui_state_ = AppliedUIState(ui_state_, wp);
  // By index: a child's handler may add or remove children.
  for (std::size_t i = 0; i < controls_.size(); ++i) {
    auto* w = controls_[i]->AsWinControl();
    if (w != nullptr && w->hwnd_ != nullptr) ::SendMessageW(w->hwnd_, WM_UPDATEUISTATE, wp, 0);
  }
  if (((before ^ ui_state_) & UISF_HIDEFOCUS) == 0 || !has_focus_) return;
  if (focused_child_ != nullptr)
    focused_child_->FocusCueChanged();
  else
    FocusCueChanged();
}

void TWinControl::KeyboardNavigated() {
  if (FocusCuesHidden())
    ::SendMessageW(hwnd_, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
}

const PropertyTable& TWinControl::ClassProperties() {
  static const PropertyTable table(
      &TControl::ClassProperties(),
      {
          Published<TWinControl, int>("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder,
                                      -1, -1),
          Published<TWinControl, bool>("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop,
                                       false, false),
      });
  return table;
}

}  // namespace fw

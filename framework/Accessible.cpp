#include "framework/Accessible.h"

#include <algorithm>
#include <new>

#include "framework/Control.h"
#include "framework/StageTimes.h"
#include "framework/WinControl.h"

namespace fw {
namespace {

// A BSTR of UTF-8 `text`; null for an empty text (no such property).
BSTR ToBstr(const std::string& text) {
  if (text.empty()) return nullptr;
  int length =
      ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return nullptr;
  BSTR out = ::SysAllocStringLen(nullptr, static_cast<UINT>(length));
  if (out == nullptr) return nullptr;
  ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out, length);
  return out;
}

// S_OK with the text, S_FALSE without one.
HRESULT AnswerText(const std::string& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = ToBstr(text);
  return *out != nullptr ? S_OK : S_FALSE;
}

bool ShownOnScreen(const TControl& control) {
  for (const TControl* c = &control; c != nullptr; c = c->Parent()) {
    if (!c->Visible()) return false;
  }
  HWND window = control.WindowHandle();
  return window != nullptr && ::IsWindowVisible(window);
}

bool EnabledInTree(const TControl& control) {
  for (const TControl* c = &control; c != nullptr; c = c->Parent()) {
    if (!c->Enabled()) return false;
  }
  return true;
}

// The control that has the keyboard: a windowless child a window has given it to,
// or the windowed control whose window has it.
bool HasKeyboardFocus(const TControl& control) {
  HWND focus = ::GetFocus();
  if (focus == nullptr) return false;
  if (auto* w = control.AsWinControl())
    return w->WindowHandle() == focus && w->FocusedChild() == nullptr;
  const TWinControl* parent = control.Parent();
  return parent != nullptr && parent->WindowHandle() == focus && parent->FocusedChild() == &control;
}

long StateOf(const TControl& control) {
  long state = control.AccessibleStateBits();
  if (!ShownOnScreen(control)) state |= STATE_SYSTEM_INVISIBLE;
  if (!EnabledInTree(control)) state |= STATE_SYSTEM_UNAVAILABLE;
  if (control.AccessibleFocusable()) state |= STATE_SYSTEM_FOCUSABLE;
  if (HasKeyboardFocus(control)) state |= STATE_SYSTEM_FOCUSED;
  return state;
}

// The 1-based id of `control` among its parent's shown children; 0 when it is none.
long ChildIdOf(const TControl& control) {
  const TWinControl* parent = control.Parent();
  if (parent == nullptr) return 0;
  std::vector<TControl*> children = AccessibleChildren(*parent);
  auto it = std::find(children.begin(), children.end(), &control);
  return it == children.end() ? 0 : static_cast<long>(it - children.begin()) + 1;
}

}  // namespace

std::vector<TControl*> AccessibleChildren(const TWinControl& parent) {
  std::vector<TWinControl*> windowed;
  std::vector<TControl*> windowless;
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* c = parent.Controls(i);
    if (!c->AccessibleShown()) continue;
    if (auto* w = c->AsWinControl())
      windowed.push_back(w);
    else
      windowless.push_back(c);
  }
  auto order = [](const TWinControl* w) { return w->TabOrder() < 0 ? INT32_MAX : w->TabOrder(); };
  std::stable_sort(windowed.begin(), windowed.end(),
                   [&](const TWinControl* a, const TWinControl* b) { return order(a) < order(b); });
  std::stable_sort(windowless.begin(), windowless.end(), [](const TControl* a, const TControl* b) {
    return a->Top() != b->Top() ? a->Top() < b->Top() : a->Left() < b->Left();
  });
  std::vector<TControl*> out(windowed.begin(), windowed.end());
  out.insert(out.end(), windowless.begin(), windowless.end());
  return out;
}

UINT AccessibleActionMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"TesselFramework.accessible-action");
  return message;
}

std::string AccessibleText(std::string_view text) {
  std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  std::size_t last = text.find_last_not_of(" \t");
  return std::string(text.substr(first, last - first + 1));
}

void NotifyAccessible(const TControl& control, DWORD event) {
  StageScope stage(Stage::kAccessible);
  if (auto* w = control.AsWinControl()) {
    if (w->WindowHandle() != nullptr)
      ::NotifyWinEvent(event, w->WindowHandle(), OBJID_CLIENT, CHILDID_SELF);
    return;
  }
  const TWinControl* parent = control.Parent();
  if (parent == nullptr || parent->WindowHandle() == nullptr) return;
  if (long id = ChildIdOf(control))
    ::NotifyWinEvent(event, parent->WindowHandle(), OBJID_CLIENT, id);
}

ControlAccessible::ControlAccessible(std::shared_ptr<Link> link) : link_(std::move(link)) {
  link_->Clones.push_back(this);
}

ControlAccessible::~ControlAccessible() {
  std::erase(link_->Clones, this);
}

void ControlAccessible::Disconnect() {
  link_->Owner = nullptr;
  // Held while their stubs let go of them, which may end them (and their entries).
  std::vector<Microsoft::WRL::ComPtr<IEnumVARIANT>> clones(link_->Clones.begin(),
                                                           link_->Clones.end());
  for (const auto& clone : clones) ::CoDisconnectObject(clone.Get(), 0);
}

HRESULT ControlAccessible::GetTypeInfoCount(UINT* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT ControlAccessible::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info != nullptr) *info = nullptr;
  return E_NOTIMPL;
}

HRESULT ControlAccessible::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) {
  return E_NOTIMPL;
}

HRESULT ControlAccessible::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                  UINT*) {
  return E_NOTIMPL;
}

TControl* ControlAccessible::Resolve(const VARIANT& child) const {
  if (Owner() == nullptr || child.vt != VT_I4) return nullptr;
  if (child.lVal == CHILDID_SELF) return Owner();
  std::vector<TControl*> children = AccessibleChildren(*Owner());
  if (child.lVal < 1 || static_cast<size_t>(child.lVal) > children.size()) return nullptr;
  return children[static_cast<size_t>(child.lVal) - 1];
}

void ControlAccessible::Describe(TControl* control, VARIANT* out) const {
  ::VariantInit(out);
  if (control == Owner()) {
    out->vt = VT_I4;
    out->lVal = CHILDID_SELF;
    return;
  }
  if (auto* w = control->AsWinControl()) {
    out->vt = VT_DISPATCH;
    out->pdispVal = w->AccessibleObject();
    return;
  }
  out->vt = VT_I4;
  out->lVal = ChildIdOf(*control);
}

#define FW_CONNECTED() \
  if (Owner() == nullptr) return CO_E_OBJNOTCONNECTED

HRESULT ControlAccessible::get_accParent(IDispatch** parent) {
  if (parent == nullptr) return E_POINTER;
  *parent = nullptr;
  FW_CONNECTED();
  if (TWinControl* p = Owner()->Parent()) {
    *parent = p->AccessibleObject();
    return S_OK;
  }
  // The top of the tree: the system's object for the window around the client area.
  HWND window = Owner()->WindowHandle();
  if (window == nullptr) return S_FALSE;
  HRESULT hr = ::AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                            reinterpret_cast<void**>(parent));
  return SUCCEEDED(hr) ? S_OK : S_FALSE;
}

HRESULT ControlAccessible::get_accChildCount(long* count) {
  if (count == nullptr) return E_POINTER;
  *count = 0;
  FW_CONNECTED();
  *count = static_cast<long>(AccessibleChildren(*Owner()).size());
  return S_OK;
}

HRESULT ControlAccessible::get_accChild(VARIANT child, IDispatch** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  if (auto* w = c->AsWinControl(); w != nullptr && c != Owner()) {
    *object = w->AccessibleObject();
    return *object != nullptr ? S_OK : S_FALSE;
  }
  // A windowless child is an element of this object.
  return S_FALSE;
}

HRESULT ControlAccessible::get_accName(VARIANT child, BSTR* name) {
  if (name != nullptr) *name = nullptr;
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  return AnswerText(c->AccessibleName(), name);
}

HRESULT ControlAccessible::get_accValue(VARIANT child, BSTR* value) {
  if (value != nullptr) *value = nullptr;
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  return AnswerText(c->AccessibleValue(), value);
}

HRESULT ControlAccessible::get_accDescription(VARIANT child, BSTR* text) {
  if (text != nullptr) *text = nullptr;
  FW_CONNECTED();
  return Resolve(child) != nullptr ? S_FALSE : E_INVALIDARG;
}

HRESULT ControlAccessible::get_accRole(VARIANT child, VARIANT* role) {
  if (role == nullptr) return E_POINTER;
  ::VariantInit(role);
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  role->vt = VT_I4;
  role->lVal = c->AccessibleRole();
  return S_OK;
}

HRESULT ControlAccessible::get_accState(VARIANT child, VARIANT* state) {
  if (state == nullptr) return E_POINTER;
  ::VariantInit(state);
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  state->vt = VT_I4;
  state->lVal = StateOf(*c);
  return S_OK;
}

HRESULT ControlAccessible::get_accHelp(VARIANT child, BSTR* text) {
  return get_accDescription(child, text);
}

HRESULT ControlAccessible::get_accHelpTopic(BSTR* file, VARIANT, long* topic) {
  if (file != nullptr) *file = nullptr;
  if (topic != nullptr) *topic = -1;
  FW_CONNECTED();
  return S_FALSE;
}

HRESULT ControlAccessible::get_accKeyboardShortcut(VARIANT child, BSTR* text) {
  return get_accDescription(child, text);
}

HRESULT ControlAccessible::get_accFocus(VARIANT* focused) {
  if (focused == nullptr) return E_POINTER;
  ::VariantInit(focused);
  FW_CONNECTED();
  HWND focus = ::GetFocus();
  HWND own = Owner()->WindowHandle();
  if (focus == nullptr || own == nullptr) return S_FALSE;
  if (focus == own) {
    Describe(Owner()->FocusedChild() ? Owner()->FocusedChild() : Owner(), focused);
    return S_OK;
  }
  // A window inside this one has it: the child on the way to it.
  for (TControl* c : AccessibleChildren(*Owner())) {
    auto* w = c->AsWinControl();
    if (w != nullptr && w->WindowHandle() != nullptr &&
        (w->WindowHandle() == focus || ::IsChild(w->WindowHandle(), focus))) {
      Describe(w, focused);
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT ControlAccessible::get_accSelection(VARIANT* selected) {
  if (selected == nullptr) return E_POINTER;
  ::VariantInit(selected);
  FW_CONNECTED();
  // In a group of radio buttons the checked one is the selection.
  for (TControl* c : AccessibleChildren(*Owner())) {
    if (c->AccessibleRole() == ROLE_SYSTEM_RADIOBUTTON &&
        (c->AccessibleStateBits() & STATE_SYSTEM_CHECKED)) {
      Describe(c, selected);
      return S_OK;
    }
  }
  return S_FALSE;
}

HRESULT ControlAccessible::get_accDefaultAction(VARIANT child, BSTR* action) {
  if (action != nullptr) *action = nullptr;
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  return AnswerText(c->AccessibleDefaultAction(), action);
}

HRESULT ControlAccessible::accSelect(long flags, VARIANT child) {
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  if (!(flags & SELFLAG_TAKEFOCUS)) return S_FALSE;
  return c->TakeKeyboardFocus() ? S_OK : S_FALSE;
}

HRESULT ControlAccessible::accLocation(long* left, long* top, long* width, long* height,
                                       VARIANT child) {
  if (left == nullptr || top == nullptr || width == nullptr || height == nullptr) return E_POINTER;
  *left = *top = *width = *height = 0;
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  TRect client = c->ClientRect();
  TPoint origin = c->ClientToScreen({0, 0});
  if (auto* w = c->AsWinControl(); w != nullptr && w->WindowHandle() != nullptr) {
    POINT p{0, 0};
    ::ClientToScreen(w->WindowHandle(), &p);
    origin = {p.x, p.y};
  }
  *left = origin.X;
  *top = origin.Y;
  *width = client.Width();
  *height = client.Height();
  return S_OK;
}

HRESULT ControlAccessible::accNavigate(long direction, VARIANT start, VARIANT* end) {
  if (end == nullptr) return E_POINTER;
  ::VariantInit(end);
  FW_CONNECTED();
  TControl* from = Resolve(start);
  if (from == nullptr) return E_INVALIDARG;
  std::vector<TControl*> children = AccessibleChildren(*Owner());
  TControl* to = nullptr;
  if (direction == NAVDIR_FIRSTCHILD || direction == NAVDIR_LASTCHILD) {
    if (from != Owner()) return E_INVALIDARG;
    if (!children.empty()) to = direction == NAVDIR_FIRSTCHILD ? children.front() : children.back();
  } else if (direction == NAVDIR_NEXT || direction == NAVDIR_PREVIOUS) {
    if (from == Owner()) return S_FALSE;  // the parent's object navigates among siblings
    auto it = std::find(children.begin(), children.end(), from);
    if (direction == NAVDIR_NEXT && it + 1 < children.end()) to = *(it + 1);
    if (direction == NAVDIR_PREVIOUS && it != children.begin()) to = *(it - 1);
  } else {
    return E_NOTIMPL;
  }
  if (to == nullptr) return S_FALSE;
  Describe(to, end);
  return S_OK;
}

HRESULT ControlAccessible::accHitTest(long x, long y, VARIANT* hit) {
  if (hit == nullptr) return E_POINTER;
  ::VariantInit(hit);
  FW_CONNECTED();
  HWND own = Owner()->WindowHandle();
  if (own == nullptr) return S_FALSE;
  POINT p{x, y};
  ::ScreenToClient(own, &p);
  if (!Owner()->ClientRect().Contains({p.x, p.y})) return S_FALSE;
  // The topmost shown child under the point: windowed children lie above the others.
  std::vector<TControl*> children = AccessibleChildren(*Owner());
  for (TControl* c : children) {
    if (c->AsWinControl() != nullptr && c->Visible() && c->BoundsRect().Contains({p.x, p.y})) {
      Describe(c, hit);
      return S_OK;
    }
  }
  TControl* under = Owner()->ControlAtPos({p.x, p.y}, true);
  Describe(under != nullptr && under->AccessibleShown() ? under : Owner(), hit);
  return S_OK;
}

HRESULT ControlAccessible::accDoDefaultAction(VARIANT child) {
  FW_CONNECTED();
  TControl* c = Resolve(child);
  if (c == nullptr) return E_INVALIDARG;
  if (c->AccessibleDefaultAction().empty()) return DISP_E_MEMBERNOTFOUND;
  if (!EnabledInTree(*c)) return E_FAIL;
  // Done from the window's own message, as a click is: inside its handling bracket,
  // and after the caller (perhaps another process) has its answer.
  return Owner()->QueueAccessibleAction(child.lVal) ? S_OK : E_FAIL;
}

HRESULT ControlAccessible::Next(ULONG count, VARIANT* out, ULONG* fetched) {
  if (fetched != nullptr) *fetched = 0;
  if (out == nullptr) return E_POINTER;
  FW_CONNECTED();
  std::vector<TControl*> children = AccessibleChildren(*Owner());
  ULONG taken = 0;
  while (taken < count && next_child_ < children.size()) {
    Describe(children[next_child_++], &out[taken]);
    ++taken;
  }
  if (fetched != nullptr) *fetched = taken;
  return taken == count ? S_OK : S_FALSE;
}

HRESULT ControlAccessible::Skip(ULONG count) {
  FW_CONNECTED();
  std::size_t children = AccessibleChildren(*Owner()).size();
  std::size_t wanted = static_cast<std::size_t>(next_child_) + count;
  next_child_ = static_cast<ULONG>(std::min(wanted, children));
  return wanted <= children ? S_OK : S_FALSE;
}

HRESULT ControlAccessible::Reset() {
  next_child_ = 0;
  return S_OK;
}

HRESULT ControlAccessible::Clone(IEnumVARIANT** copy) {
  if (copy == nullptr) return E_POINTER;
  *copy = nullptr;
  FW_CONNECTED();
  try {
    auto* clone = new ControlAccessible(link_);
    clone->next_child_ = next_child_;
    *copy = clone;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

#undef FW_CONNECTED

}  // namespace fw

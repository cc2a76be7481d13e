// What a screen reader is shown of the framework's controls: every windowed control
// answers WM_GETOBJECT with an accessible object, and its windowless children are
// child elements of that object. Each control tells its role, name, value, state and
// default action through TControl's virtual functions.
#pragma once

#include <windows.h>
#include <oleacc.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/ComObject.h"

namespace fw {

class TControl;
class TWinControl;

// The registered message posted to a window to do a default action that a screen
// reader asked for. It carries only a ticket that the window looks up among the
// actions it queued itself, so a message from anyone else does nothing.
UINT AccessibleActionMessage();

// The children of `parent` that are shown, in order: windowed ones in tab order
// (unset orders after, as added), then windowless ones in reading order (top to
// bottom, then left to right).
std::vector<TControl*> AccessibleChildren(const TWinControl& parent);

// `text` without its leading and trailing blanks.
std::string AccessibleText(std::string_view text);

// Raises `event` (EVENT_OBJECT_*) for `control`: on its own window's client object,
// or as a child element of its parent's. Nothing for a control without a window.
void NotifyAccessible(const TControl& control, DWORD event);

// The accessible object of one windowed control. The control owns it, hands it out
// on WM_GETOBJECT and disconnects it when it goes: from then on every call fails
// with CO_E_OBJNOTCONNECTED, whoever still holds it. Lives on the window's thread.
class ControlAccessible final
    : public common::ComObject<IAccessible, common::AlsoAnswers<IAccessible, IID_IDispatch>,
                               IEnumVARIANT> {
 public:
  explicit ControlAccessible(TWinControl* owner) : link_(std::make_shared<Link>(owner)) {}
  // Cuts this object and every enumerator cloned from it off the control, and the
  // clones off their stubs: a screen reader that holds one through another apartment
  // gets errors from then on, and no longer keeps it (nor the library) alive.
  void Disconnect();

  // IDispatch: not offered (clients use the IAccessible methods).
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override;

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** object) override;
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override;
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override;
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override;
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focused) override;
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selected) override;
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override;
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* hit) override;
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

  // IEnumVARIANT: the children, as get_accChild and the child ids give them.
  HRESULT STDMETHODCALLTYPE Next(ULONG count, VARIANT* out, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG count) override;
  HRESULT STDMETHODCALLTYPE Reset() override;
  HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT** copy) override;

 private:
  // The control, and the enumerators cloned from its object that are alive.
  struct Link {
    explicit Link(TWinControl* owner) : Owner(owner) {}
    TWinControl* Owner;  // null once the control has gone
    std::vector<ControlAccessible*> Clones;
  };

  // A clone over `link`, listed there until it goes.
  explicit ControlAccessible(std::shared_ptr<Link> link);
  ~ControlAccessible() override;
  TWinControl* Owner() const { return link_->Owner; }
  // The control a child id names (CHILDID_SELF: the owner), or null.
  TControl* Resolve(const VARIANT& child) const;
  // `control` as a VARIANT of this object: its child id, or its own object when it
  // has a window.
  void Describe(TControl* control, VARIANT* out) const;

  // Shared with the enumerators cloned from this object.
  std::shared_ptr<Link> link_;
  // Where the enumeration stands.
  ULONG next_child_ = 0;
};

}  // namespace fw

// Controls with a window of their own: children, painting of windowless children
// in z-order, mouse routing, focus, keyboard and cursor.
#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "framework/Accessible.h"
#include "framework/Control.h"
#include "framework/Window.h"

namespace fw {

class HintTip;

using TKeyEvent = std::function<void(TObject* sender, uint16_t& key, TShiftState shift)>;
// A typed character (UTF-16 code unit); a handler may change it, or set 0 to swallow it.
using TKeyPressEvent = std::function<void(TObject* sender, wchar_t& key)>;

// What CreateWindowEx is given for a control's window.
struct TCreateParams {
  DWORD Style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  DWORD ExStyle = 0;
  HWND Parent = nullptr;
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
};

class TWinControl : public TControl, private MessageTarget {
 public:
  explicit TWinControl(TComponent* owner);
  // Leaves its windowless and windowed children without a parent and destroys
  // the window.
  ~TWinControl() override;

  void SetParent(TWinControl* parent) override;
  TWinControl* AsWinControl() override { return this; }
  const TWinControl* AsWinControl() const override { return this; }

  // Tells `observer` (borrowed; null: none) around every message of the window tree
  // this control is the top of.
  void SetDispatchObserver(DispatchObserver* observer) { dispatch_->SetObserver(observer); }

  // The window, created now if the parent chain allows (null otherwise).
  HWND Handle();
  bool HandleAllocated() const { return hwnd_ != nullptr; }
  HWND WindowHandle() const override { return hwnd_; }

  int ControlCount() const { return static_cast<int>(controls_.size()); }
  // Children in z-order, bottom first.
  TControl* Controls(int index) const { return controls_.at(index); }
  // The topmost visible windowless child at client point `p` (enabled ones only
  // unless `allow_disabled`), or null.
  TControl* ControlAtPos(TPoint p, bool allow_disabled) const;

  void SetFocus();
  bool Focused() const;
  // The windowless child that has the keyboard while this window has the focus, or
  // null: then the window itself has it.
  TControl* FocusedChild() const { return focused_child_; }
  // Gives the keyboard to windowless child `child` (null: to the window itself):
  // focuses the window, marks the child and tells a screen reader.
  void SetFocusedChild(TControl* child);

  // This control's accessible object, with a reference for the caller; made on first use.
  IAccessible* AccessibleObject();
  // Queues the default action of this control (child 0) or of its shown child
  // (1-based), to be done from a message of this window. False without a window.
  bool QueueAccessibleAction(long child);
  long AccessibleRole() const override;
  bool AccessibleFocusable() const override { return tab_stop_; }
  bool TakeKeyboardFocus() override;
  bool TabStop() const { return tab_stop_; }
  void SetTabStop(bool stop);
  int TabOrder() const { return tab_order_; }
  void SetTabOrder(int order) { tab_order_ = order; }

  // The window's keyboard cue state (UISF_ bits), as WM_QUERYUISTATE answers: a
  // top-level window starts with its cues hidden; keyboard navigation shows them
  // (WM_CHANGEUISTATE, then WM_UPDATEUISTATE down the whole tree).
  WORD UIState() const { return ui_state_; }
  bool FocusCuesHidden() const { return (ui_state_ & UISF_HIDEFOCUS) != 0; }
  // A windowed control draws its own cue, if any: nothing to do by default.
  void FocusCueChanged() override {}

  void SetVisible(bool visible) override;
  void SetEnabled(bool enabled) override;
  void Invalidate() override;
  void Update() override;
  TCanvas& Canvas() override;
  // Fills with the colour, then paints the control and every child.
  void PaintTo(HDC dc) override;
  TRect ClientRect() const override;
  TPoint ClientToScreen(TPoint p) const override;
  TPoint ScreenToClient(TPoint p) const override;

  // Paints the visible windowless children into `dc` (the window's client DC),
  // from `first` upwards in z-order (null: all).
  void PaintControls(HDC dc, TControl* first);

  // The tooltip that shows the hints of the tree this control is the top of; made
  // when `make` and the window exists, else null until then.
  HintTip* HintTips(bool make);

  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

 protected:
  // Key pressed (virtual key code); raises OnKeyDown.
  virtual void KeyDown(uint16_t& key, TShiftState shift);
  // Character typed (WM_CHAR); raises OnKeyPress.
  virtual void KeyPress(wchar_t& key);
  // Key released (virtual key code); raises OnKeyUp.
  virtual void KeyUp(uint16_t& key, TShiftState shift);
  // The window got or lost the keyboard focus; raise OnEnter / OnExit.
  virtual void CMEnter();
  virtual void CMExit();
  // The answer to WM_GETDLGCODE.
  virtual LRESULT WMGetDlgCode();
  // Shows the popup menu of the control at client point `p` (this one or a
  // windowless child), or of the control with the keyboard when `p` is null; false
  // when neither has one, and the parent window is asked.
  virtual bool ShowPopupMenu(const TPoint* p);
  // Sets the cursor for the client point `p`; false leaves it to the system.
  virtual bool WMSetCursor(TPoint p);
  // The window's size changed; by default the bounds follow the window.
  virtual void WMSize(int width, int height);

  virtual void CreateParams(TCreateParams& params);
  // Handles a message; the default goes to DefaultHandler.
  virtual LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);
  // The window's text follows the caption.
  void TextChanged() override;
  // Paints the window's own area (not the windowless children) into `dc`.
  virtual void PaintWindow(HDC dc);
  // Fills `dc`'s client area with the control's colour.
  void EraseBackground(HDC dc);

  void CreateHandle();
  void DestroyHandle();
  // While set, this window is made without its children's windows; they are made,
  // all in order, by MakeChildWindows, by a request for any of them or for this
  // window's accessible object. Clearing it does not make them.
  void SetChildWindowsWait(bool wait) { child_windows_wait_ = wait; }
  void MakeChildWindows();
  // Reads the bounds back from the window.
  void UpdateBounds();
  void BoundsChanged(const TRect& old_bounds) override;
  void NotifyChildrenColor() override;
  void NotifyChildrenFont() override;
  void ClipToControl(HDC) const override {}

 private:
  friend class TControl;
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
  void WindowDestroyed() override;
  DispatchStateRef Dispatching() override { return TreeDispatching(); }
  void AddChild(TControl* c);
  void RemoveChild(TControl* c);
  void RouteMouse(UINT msg, WPARAM wp, LPARAM lp);
  void UpdateHover(TControl* target);
  void PaintHandler(HDC dc);
  // WM_CHANGEUISTATE: a child window passes it up; the top applies it to the tree.
  void ChangeUIState(WPARAM wp);
  // WM_UPDATEUISTATE: takes the change and passes it to the windowed children.
  void UpdateUIState(WPARAM wp);
  // The keyboard was used for navigation in this window: its tree shows focus cues.
  void KeyboardNavigated();
  // Does the queued default action that `ticket` names, if this window queued it.
  void RunAccessibleAction(uintptr_t ticket);
  // The nearest control above this one whose child windows wait, or null.
  TWinControl* WaitingAncestor() const;
  HWND hwnd_ = nullptr;
  bool child_windows_wait_ = false;
  std::vector<TControl*> controls_;
  bool tab_stop_ = false;
  int tab_order_ = -1;
  bool mouse_inside_ = false;
  TControl* hover_ = nullptr;
  // Used while this control is the top of its window tree: the tree's re-entry
  // bookkeeping and the control of the tree that holds the mouse.
  DispatchStateRef dispatch_ = std::make_shared<DispatchState>();
  TControl* capture_ = nullptr;
  TControl* focused_child_ = nullptr;
  // Between WM_SETFOCUS and WM_KILLFOCUS.
  bool has_focus_ = false;
  WORD ui_state_ = UISF_HIDEFOCUS | UISF_HIDEACCEL;
  // Used while this control is the top of its window tree.
  std::unique_ptr<HintTip> hint_tip_;
  // Handed out to screen readers; disconnected when this control goes.
  ControlAccessible* accessible_ = nullptr;
  // Default actions asked for and not yet done: (ticket, child).
  std::vector<std::pair<uintptr_t, long>> queued_actions_;
  uintptr_t next_action_ticket_ = 1;
};

// A windowed control that paints itself on its canvas.
class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* owner) : TWinControl(owner) {}

 protected:
  void PaintWindow(HDC dc) override { PaintWithCanvas(dc); }
};

}  // namespace fw

// Visual controls: a parent, bounds, visibility, colour, font, cursor, mouse input
// and painting. TGraphicControl is windowless: its parent window paints it in
// z-order and routes the mouse to it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "framework/Align.h"
#include "framework/Canvas.h"
#include "framework/Color.h"
#include "framework/Component.h"
#include "framework/Geometry.h"
#include "framework/Graphics.h"
#include "framework/Input.h"
#include "framework/Properties.h"
#include "framework/Window.h"

namespace fw {

class TWinControl;
class TPopupMenu;

// The stored names of the alignments.
template <>
struct EnumNames<TAlign> {
  static constexpr std::array<std::string_view, 2> kNames = {"alNone", "alClient"};
};

// Control style flags.
enum : uint32_t {
  // Paints every pixel it owns: the parent does not repaint its background first
  // when only this control is repainted.
  csOpaque = 1,
  csCaptureMouse = 2,  // holds the mouse while the left button is down
  csClickEvents = 4,   // a press and release over it is a click
  csDoubleClicks = 8,  // a second press is a double click, not a press
  csAcceptsControls = 16,
};

// Mouse cursor ids; 0 takes the parent's.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crHandPoint = -21;

using TMouseEvent =
    std::function<void(TObject* sender, TMouseButton button, TShiftState shift, int x, int y)>;
using TMouseMoveEvent = std::function<void(TObject* sender, TShiftState shift, int x, int y)>;

class TControl : public TComponent, private HeldForMessage {
 public:
  explicit TControl(TComponent* owner);
  // Leaves its parent and gives up the mouse.
  ~TControl() override;

  TWinControl* Parent() const { return parent_; }
  // This control as a windowed one, or null for a windowless control.
  virtual TWinControl* AsWinControl() { return nullptr; }
  virtual const TWinControl* AsWinControl() const { return nullptr; }
  // Moves the control into `parent`'s children, on top (null: no parent).
  virtual void SetParent(TWinControl* parent);

  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetLeft(int v) { SetBounds(v, top_, width_, height_); }
  void SetTop(int v) { SetBounds(left_, v, width_, height_); }
  void SetWidth(int v) { SetBounds(left_, top_, v, height_); }
  void SetHeight(int v) { SetBounds(left_, top_, width_, v); }
  virtual void SetBounds(int left, int top, int width, int height);
  TRect BoundsRect() const { return Bounds(left_, top_, width_, height_); }
  // An aligned control takes the bounds its alignment gives, whatever is asked.
  TAlign Align() const { return align_; }
  void SetAlign(TAlign align);
  virtual TRect ClientRect() const { return {0, 0, width_, height_}; }

  bool Visible() const { return visible_; }
  virtual void SetVisible(bool visible);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return enabled_; }
  virtual void SetEnabled(bool enabled);

  // A windowed control's window text is its caption read as UTF-8.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);

  // The own colour, or the parent's while ParentColor is true.
  TColor Color() const;
  // Sets the own colour and stops following the parent.
  void SetColor(TColor c);
  bool ParentColor() const { return parent_color_; }
  void SetParentColor(bool follow);

  // Changing an attribute repaints later and reaches the children that follow this
  // font; while ParentFont is true the font follows the parent's, until it is
  // changed directly.
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  bool ParentFont() const { return parent_font_; }
  void SetParentFont(bool follow);

  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor c) { cursor_ = c; }

  // The text of the control's tooltip (the system's), shown while ShowHint is true.
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint);
  // The parent's answer while ParentShowHint is true, else the control's own.
  bool ShowHint() const;
  // Sets the own answer and stops following the parent.
  void SetShowHint(bool show);
  bool ParentShowHint() const { return parent_show_hint_; }
  void SetParentShowHint(bool follow);

  // The menu that a right click or the context-menu key shows over the control, or
  // null. The menu is borrowed: once it is deleted this reads null.
  TPopupMenu* PopupMenu() const;
  void SetPopupMenu(TPopupMenu* menu);
  // The menu's name, also while a stored layout's name waits to be found among the
  // owner's components (it is looked up when first needed).
  std::string PopupMenuName() const;
  void SetPopupMenuName(const std::string& name);

  // The display scale the control is laid out at: its own geometry, line widths and
  // pictures follow it (its place and size are given to it already scaled).
  DpiScale Scale() const { return scale_; }
  // Stores the scale and, when it changed, lets the control remake what depends on it.
  void SetScale(DpiScale scale);

  uint32_t ControlStyle() const { return style_; }
  void SetControlStyle(uint32_t style) { style_ = style; }

  // Asks for a repaint later.
  virtual void Invalidate();
  // Paints what is waiting to be painted, now.
  virtual void Update();
  // Repaints now.
  virtual void Repaint();

  // The canvas to draw on: during a paint, the paint's DC; otherwise a DC of the
  // window the control appears in, released after the current message.
  virtual TCanvas& Canvas();

  // Draws the control into `dc`, whose origin is the control's top-left corner.
  virtual void PaintTo(HDC dc);

  virtual TPoint ClientToScreen(TPoint p) const;
  virtual TPoint ScreenToClient(TPoint p) const;

  // The window this control is drawn in (its own, or its parent's), or null.
  virtual HWND WindowHandle() const;

  bool MouseCapture() const;
  void SetMouseCapture(bool capture);
  // The control of this control's window tree that holds the mouse, if any.
  TControl* CaptureControl() const;

  // The top of the window tree the control is in: the topmost windowed control of its
  // parent chain (itself for a windowed control without a parent), or null for a
  // windowless control without a parent.
  TWinControl* RootControl() const;
  // The re-entry bookkeeping of that tree, or null without one.
  DispatchStateRef TreeDispatching() const;

  // Runs the framework's handling of a mouse message at client point (x, y):
  // capture, click tracking, then the input hooks below.
  void HandleMouseMessage(UINT msg, WPARAM keys, int x, int y);

  // What a click does; the framework calls it for a press and release over the
  // control. Raises OnClick.
  virtual void Click();
  virtual void DblClick();
  virtual void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseUp(TMouseButton button, TShiftState shift, int x, int y);
  virtual void MouseMove(TShiftState shift, int x, int y);
  // The pointer entered or left the control.
  virtual void CMMouseEnter();
  virtual void CMMouseLeave();

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

  // What a screen reader is told of the control. Its role (ROLE_SYSTEM_*): a
  // windowless control is a graphic unless it says otherwise.
  virtual long AccessibleRole() const;
  // Its name: the one its owner gave it, else its caption without leading blanks.
  virtual std::string AccessibleName() const;
  // Its value: the text its owner gave it (none by default).
  virtual std::string AccessibleValue() const { return accessible_value_; }
  // State bits beyond visibility, availability and focus (checked, pressed).
  virtual long AccessibleStateBits() const { return 0; }
  // True when the keyboard can reach it.
  virtual bool AccessibleFocusable() const { return false; }
  // The name of its default action (none: it has none), and doing it.
  virtual std::string AccessibleDefaultAction() const { return {}; }
  virtual void DoAccessibleDefaultAction() {}
  // False leaves it out of what a screen reader is shown.
  virtual bool AccessibleShown() const { return true; }
  // Gives it the keyboard; false when it cannot take it. A windowless control that
  // the keyboard can reach has it while its parent's window has the focus.
  virtual bool TakeKeyboardFocus();
  // A key pressed while this windowless control has the keyboard; true when taken.
  virtual bool FocusedKey(uint16_t) { return false; }
  // True while the control shows that it has the keyboard: it has it, and its
  // window's keyboard cues are not hidden (they appear once the keyboard is used).
  bool ShowsFocusCue() const;
  // The answer of ShowsFocusCue may have changed; a windowless control repaints.
  virtual void FocusCueChanged() { Invalidate(); }
  // Names it for a screen reader, in place of its caption, and says so.
  void SetAccessibleName(const std::string& name);
  // Gives it a value for a screen reader (a control whose value moves says so itself).
  void SetAccessibleValue(const std::string& value) { accessible_value_ = value; }

 protected:
  // Draws the control on Canvas(); called with the canvas attached.
  virtual void Paint() {}
  // Called after the caption, colour or font changed.
  virtual void TextChanged() { Invalidate(); }
  virtual void ColorChanged() { Invalidate(); }
  virtual void FontChanged() { Invalidate(); }
  // Called after the display scale changed.
  virtual void ScaleChanged() { Invalidate(); }
  // The parent's colour or font changed.
  void ParentColorChanged();
  void ParentFontChanged();
  // This control's colour or font changed: the children that follow it are told.
  // Nothing for a control without children.
  virtual void NotifyChildrenColor() {}
  virtual void NotifyChildrenFont() {}
  // Limits a DC of the window the control appears in to the control's area, with
  // the origin at its top-left corner (a windowed control's own DC already is).
  virtual void ClipToControl(HDC dc) const;
  // Positions the window of a windowed control; nothing for others.
  virtual void BoundsChanged(const TRect& old_bounds);
  // Attaches the canvas to `dc` for a paint and detaches it afterwards.
  void PaintWithCanvas(HDC dc);

  TCanvas canvas_;

 private:
  friend class TWinControl;
  // Gives back the DC that Canvas() took outside a paint.
  void ReleaseHeld() override { ReleaseTemporaryDC(); }
  void ReleaseTemporaryDC();
  void AcquireTemporaryDC();

  TWinControl* parent_ = nullptr;
  int left_ = 0;
  int top_ = 0;
  int width_ = 0;
  int height_ = 0;
  TAlign align_ = TAlign::alNone;
  bool visible_ = true;
  bool enabled_ = true;
  std::string caption_;
  TColor color_ = clBtnFace;
  bool parent_color_ = true;
  TFont font_;
  bool parent_font_ = true;
  bool assigning_parent_font_ = false;
  TCursor cursor_ = crDefault;
  std::string hint_;
  bool show_hint_ = false;
  bool parent_show_hint_ = true;
  mutable std::shared_ptr<TPopupMenu* const> popup_menu_;
  mutable std::string pending_popup_menu_;
  DpiScale scale_;
  uint32_t style_ = csCaptureMouse | csClickEvents | csDoubleClicks;
  bool clicked_ = false;
  bool painting_ = false;
  // The DC that Canvas() took outside a paint, until ReleaseTemporaryDC, and the
  // bookkeeping that gives it back after the current message.
  WindowDC temp_dc_;
  DispatchStateRef held_on_;
  std::string accessible_name_;
  std::string accessible_value_;
  // False once the control is destroyed; held by code that calls a handler which
  // may destroy the control, to see whether it may still touch it.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A windowless control with a canvas and a virtual Paint.
class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* owner) : TControl(owner) {}

  // Opaque controls are painted at once on the parent's window, with the
  // controls above them; others, and every control of a window that is not
  // showing, are invalidated and the parent updated.
  void Repaint() override;
};

// The system cursor for a cursor id (null for crDefault).
HCURSOR LoadCursorFor(TCursor c);

}  // namespace fw

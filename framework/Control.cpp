#include "framework/Control.h"

#include <utility>

#include <oleacc.h>

#include "common/ScopeExit.h"
#include "framework/Accessible.h"
#include "framework/HandleNames.h"
#include "framework/HintTip.h"
#include "framework/Menus.h"
#include "framework/Properties.h"
#include "framework/StageTimes.h"
#include "framework/WinControl.h"

namespace fw {
namespace {

TShiftState CurrentShift(WPARAM keys) {
  return ShiftFromMouseKeys(static_cast<uint32_t>(keys), ::GetKeyState(VK_MENU) < 0);
}

}  // namespace

HCURSOR LoadCursorFor(TCursor c) {
  // The system cursor behind each id the framework names.
  static const struct {
    TCursor Id;
    LPCWSTR System;
  } kCursors[] = {
      {crArrow, IDC_ARROW},
      {crHandPoint, IDC_HAND},
  };
  for (const auto& cursor : kCursors) {
    if (cursor.Id == c) return ::LoadCursorW(nullptr, cursor.System);
  }
  return nullptr;
}

TControl::TControl(TComponent* owner) : TComponent(owner) {
  font_.OnChange = [this] {
    if (!assigning_parent_font_) parent_font_ = false;
    FontChanged();
    NotifyChildrenFont();
  };
}

TControl::~TControl() {
  *alive_ = false;
  font_.OnChange = nullptr;
  ReleaseTemporaryDC();
  canvas_.SetHandle(nullptr);
  SetMouseCapture(false);
  if (parent_ && parent_->focused_child_ == this) parent_->focused_child_ = nullptr;
  ForgetHint(*this);
  if (parent_) parent_->RemoveChild(this);
  parent_ = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  ForgetHint(*this);
  if (parent_) {
    if (visible_) Invalidate();
    parent_->RemoveChild(this);
  }
  parent_ = parent;
  if (parent_) {
    parent_->AddChild(this);
    if (align_ != TAlign::alNone) SetBounds(left_, top_, width_, height_);
    if (parent_font_) ParentFontChanged();
    // A control that follows its parent's colour takes the new parent's.
    if (parent_color_) ParentColorChanged();
    if (visible_) Invalidate();
    UpdateHints(*this);
  }
}

void TControl::SetBounds(int left, int top, int width, int height) {
  TRect aligned = AlignedBounds(*this, Bounds(left, top, width, height));
  left = aligned.Left;
  top = aligned.Top;
  width = aligned.Width();
  height = aligned.Height();
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  TRect old = BoundsRect();
  left_ = left;
  top_ = top;
  width_ = width;
  height_ = height;
  BoundsChanged(old);
  // A windowless control's tooltip covers its place in the parent.
  if (!AsWinControl() && ShowHint() && !hint_.empty()) UpdateHints(*this);
}

void TControl::SetHint(const std::string& hint) {
  hint_ = hint;
  UpdateHints(*this);
}

bool TControl::ShowHint() const {
  return parent_show_hint_ && parent_ != nullptr ? parent_->ShowHint() : show_hint_;
}

void TControl::SetShowHint(bool show) {
  show_hint_ = show;
  parent_show_hint_ = false;
  UpdateHints(*this);
}

void TControl::SetParentShowHint(bool follow) {
  parent_show_hint_ = follow;
  UpdateHints(*this);
}

TPopupMenu* TControl::PopupMenu() const {
  if (!pending_popup_menu_.empty()) {
    // A name from a stored layout: the owner's component of that name, once it exists.
    TComponent* owner = Owner();
    auto* menu = owner != nullptr
                     ? dynamic_cast<TPopupMenu*>(owner->FindComponent(pending_popup_menu_))
                     : nullptr;
    if (menu != nullptr) {
      popup_menu_ = menu->Reference();
      pending_popup_menu_.clear();
    }
  }
  return popup_menu_ ? *popup_menu_ : nullptr;
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  pending_popup_menu_.clear();
  popup_menu_ = menu != nullptr ? menu->Reference() : nullptr;
}

std::string TControl::PopupMenuName() const {
  if (!pending_popup_menu_.empty()) return pending_popup_menu_;
  TPopupMenu* menu = PopupMenu();
  return menu != nullptr ? menu->Name() : std::string();
}

void TControl::SetPopupMenuName(const std::string& name) {
  popup_menu_ = nullptr;
  pending_popup_menu_ = name;
}

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  if (align_ != TAlign::alNone && parent_) SetBounds(left_, top_, width_, height_);
}

void TControl::BoundsChanged(const TRect& old_bounds) {
  // A windowless control: the parent repaints both the old and the new area.
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  RECT r{old_bounds.Left, old_bounds.Top, old_bounds.Right, old_bounds.Bottom};
  ::InvalidateRect(parent_->WindowHandle(), &r, TRUE);
  Invalidate();
}

void TControl::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible) Invalidate();
  visible_ = visible;
  if (visible) Invalidate();
  if (!visible) SetMouseCapture(false);
  if (!visible && parent_ && parent_->focused_child_ == this) parent_->focused_child_ = nullptr;
  if (!visible && parent_ && parent_->hover_ == this) parent_->hover_ = nullptr;
}

void TControl::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (!enabled) SetMouseCapture(false);
  if (!enabled && parent_ && parent_->focused_child_ == this) parent_->focused_child_ = nullptr;
  Invalidate();
}

void TControl::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  TextChanged();
}

TColor TControl::Color() const {
  if (parent_color_ && parent_) return parent_->Color();
  return color_;
}

void TControl::SetColor(TColor c) {
  bool changed = c != Color();
  color_ = c;
  parent_color_ = false;
  if (changed) {
    ColorChanged();
    NotifyChildrenColor();
  }
}

void TControl::SetParentColor(bool follow) {
  if (follow == parent_color_) return;
  if (!follow) color_ = Color();
  parent_color_ = follow;
  ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!parent_color_) return;
  ColorChanged();
  NotifyChildrenColor();
}

void TControl::SetScale(DpiScale scale) {
  if (scale == scale_) return;
  scale_ = scale;
  ScaleChanged();
}

void TControl::SetParentFont(bool follow) {
  parent_font_ = follow;
  if (follow) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!parent_font_ || !parent_) return;
  // The copy raises the font's change notification, which repaints this control and
  // passes the font on to its own followers.
  assigning_parent_font_ = true;
  const common::ScopeExit clear([this] { assigning_parent_font_ = false; });
  font_.Assign(parent_->Font());
}

void TControl::Invalidate() {
  if (!visible_ || !parent_ || !parent_->HandleAllocated()) return;
  RECT r{left_, top_, left_ + width_, top_ + height_};
  ::InvalidateRect(parent_->WindowHandle(), &r, (style_ & csOpaque) ? FALSE : TRUE);
}

void TControl::Update() {
  StageScope stage(Stage::kPaint);
  if (parent_) parent_->Update();
}

void TControl::Repaint() {
  Invalidate();
  Update();
}

HWND TControl::WindowHandle() const {
  return parent_ ? parent_->WindowHandle() : nullptr;
}

void TControl::AcquireTemporaryDC() {
  HWND wnd = WindowHandle();
  if (!wnd) return;
  WindowDC dc(wnd);
  if (!dc) return;
  ClipToControl(dc.get());
  canvas_.SetHandle(dc.get());
  temp_dc_ = std::move(dc);
  held_on_ = TreeDispatching();
  if (held_on_) held_on_->Hold(this);
}

void TControl::ClipToControl(HDC dc) const {
  // A windowless control draws on its parent's window at its own place.
  ::IntersectClipRect(dc, left_, top_, left_ + width_, top_ + height_);
  ::SetViewportOrgEx(dc, left_, top_, nullptr);
}

void TControl::ReleaseTemporaryDC() {
  if (held_on_) held_on_->Forget(this);
  held_on_.reset();
  if (!temp_dc_) return;
  // The canvas gives the DC its own objects back before the DC goes.
  canvas_.SetHandle(nullptr);
  temp_dc_.reset();
}

TCanvas& TControl::Canvas() {
  if (!painting_ && !canvas_.Handle()) AcquireTemporaryDC();
  return canvas_;
}

void TControl::PaintWithCanvas(HDC dc) {
  ReleaseTemporaryDC();
  bool was_painting = painting_;
  HDC previous = canvas_.Handle();
  canvas_.SetHandle(dc);
  painting_ = true;
  const common::ScopeExit restore([this, was_painting, previous] {
    canvas_.SetHandle(was_painting ? previous : nullptr);
    painting_ = was_painting;
  });
  Paint();
}

void TControl::PaintTo(HDC dc) {
  PaintWithCanvas(dc);
}

TPoint TControl::ClientToScreen(TPoint p) const {
  if (!parent_) return p;
  return parent_->ClientToScreen({p.X + left_, p.Y + top_});
}

TPoint TControl::ScreenToClient(TPoint p) const {
  if (!parent_) return p;
  TPoint q = parent_->ScreenToClient(p);
  return {q.X - left_, q.Y - top_};
}

long TControl::AccessibleRole() const {
  return ROLE_SYSTEM_GRAPHIC;
}

std::string TControl::AccessibleName() const {
  return accessible_name_.empty() ? AccessibleText(Caption()) : accessible_name_;
}

bool TControl::ShowsFocusCue() const {
  if (const TWinControl* self = AsWinControl())
    return self->has_focus_ && self->focused_child_ == nullptr && !self->FocusCuesHidden();
  return parent_ != nullptr && parent_->has_focus_ && parent_->focused_child_ == this &&
         !parent_->FocusCuesHidden();
}

bool TControl::TakeKeyboardFocus() {
  if (parent_ == nullptr || !AccessibleFocusable() || !visible_ || !enabled_) return false;
  parent_->SetFocusedChild(this);
  return parent_->FocusedChild() == this;
}

void TControl::SetAccessibleName(const std::string& name) {
  if (name == accessible_name_) return;
  accessible_name_ = name;
  NotifyAccessible(*this, EVENT_OBJECT_NAMECHANGE);
}

TWinControl* TControl::RootControl() const {
  TWinControl* root = const_cast<TControl*>(this)->AsWinControl();
  for (TWinControl* p = parent_; p != nullptr; p = p->parent_) root = p;
  return root;
}

DispatchStateRef TControl::TreeDispatching() const {
  TWinControl* root = RootControl();
  return root ? root->dispatch_ : nullptr;
}

TControl* TControl::CaptureControl() const {
  TWinControl* root = RootControl();
  return root ? root->capture_ : nullptr;
}

bool TControl::MouseCapture() const {
  return CaptureControl() == this;
}

void TControl::SetMouseCapture(bool capture) {
  TWinControl* root = RootControl();
  if (root == nullptr) return;
  if (capture) {
    HWND wnd = WindowHandle();
    root->capture_ = this;
    if (wnd) ::SetCapture(wnd);
  } else if (root->capture_ == this) {
    root->capture_ = nullptr;
    ::ReleaseCapture();
  }
}

void TControl::HandleMouseMessage(UINT msg, WPARAM keys, int x, int y) {
  TShiftState shift = CurrentShift(keys);
  switch (msg) {
    case WM_LBUTTONDBLCLK:
      if (!(style_ & csDoubleClicks)) msg = WM_LBUTTONDOWN;
      [[fallthrough]];
    case WM_LBUTTONDOWN:
      if (style_ & csCaptureMouse) SetMouseCapture(true);
      if (msg == WM_LBUTTONDBLCLK) {
        if (style_ & csClickEvents) DblClick();
        MouseDown(TMouseButton::mbLeft, shift | TShiftState::ssDouble, x, y);
      } else {
        if (style_ & csClickEvents) clicked_ = true;
        MouseDown(TMouseButton::mbLeft, shift, x, y);
      }
      break;
    case WM_LBUTTONUP:
      if (style_ & csCaptureMouse) SetMouseCapture(false);
      if (clicked_) {
        clicked_ = false;
        if (ClientRect().Contains({x, y})) {
          // The click handler may destroy this control: then there is no MouseUp.
          const std::shared_ptr<bool> alive = alive_;
          Click();
          if (!*alive) return;
        }
      }
      MouseUp(TMouseButton::mbLeft, shift, x, y);
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      MouseDown(TMouseButton::mbRight,
                msg == WM_RBUTTONDBLCLK ? shift | TShiftState::ssDouble : shift, x, y);
      break;
    case WM_RBUTTONUP:
      MouseUp(TMouseButton::mbRight, shift, x, y);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      MouseDown(TMouseButton::mbMiddle,
                msg == WM_MBUTTONDBLCLK ? shift | TShiftState::ssDouble : shift, x, y);
      break;
    case WM_MBUTTONUP:
      MouseUp(TMouseButton::mbMiddle, shift, x, y);
      break;
    case WM_MOUSEMOVE:
      MouseMove(shift, x, y);
      break;
    default:
      break;
  }
}

void TControl::Click() {
  Raise(OnClick, this);
}
void TControl::DblClick() {
  Raise(OnDblClick, this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TControl::CMMouseEnter() {
  Raise(OnMouseEnter, this);
}
void TControl::CMMouseLeave() {
  Raise(OnMouseLeave, this);
}

const PropertyTable& TControl::ClassProperties() {
  static const PropertyTable table(
      &TComponent::ClassProperties(),
      {
          AsLength(Published<TControl, int>("Left", &TControl::Left, &TControl::SetLeft, 0,
                                            std::nullopt)),
          AsLength(
              Published<TControl, int>("Top", &TControl::Top, &TControl::SetTop, 0, std::nullopt)),
          AsLength(Published<TControl, int>("Width", &TControl::Width, &TControl::SetWidth,
                                            std::nullopt, std::nullopt)),
          AsLength(Published<TControl, int>("Height", &TControl::Height, &TControl::SetHeight,
                                            std::nullopt, std::nullopt)),
          Published<TControl, int>("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault,
                                   crDefault),
          Published<TControl, bool>("Visible", &TControl::Visible, &TControl::SetVisible, true,
                                    true),
      });
  return table;
}

void TGraphicControl::Repaint() {
  TWinControl* parent = Parent();
  if (!Visible() || !parent || !parent->HandleAllocated()) return;
  // A window that is not showing is drawn whole when it shows: drawing into it now
  // would be lost work (a window being built gets dozens of such calls).
  if (!(ControlStyle() & csOpaque) || !::IsWindowVisible(parent->WindowHandle())) {
    TControl::Repaint();
    return;
  }
  // Drawn straight onto the parent's window, with whatever lies above it.
  StageScope stage(Stage::kPaint);
  WindowDC dc(parent->WindowHandle());
  if (!dc) return;
  ::IntersectClipRect(dc.get(), Left(), Top(), Left() + Width(), Top() + Height());
  parent->PaintControls(dc.get(), this);
}

}  // namespace fw

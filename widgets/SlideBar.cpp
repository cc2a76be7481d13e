#include "widgets/SlideBar.h"

#include <oleacc.h>

#include "framework/Accessible.h"

#include <algorithm>

#include "framework/HandleNames.h"
#include "framework/HintTip.h"
#include "framework/Menus.h"
#include "framework/Module.h"

namespace widgets {

using namespace slidebar;

namespace {

std::wstring Widen(std::string_view s) {
  return std::wstring(s.begin(), s.end());
}

// The trench's fill from the moment FlashColor is turned on until the position is next set.
constexpr fw::TColor kFlashOnColor = fw::RGBColor(0, 255, 248);

fw::TColor ToColor(Rgb rgb) {
  return fw::TColor(rgb);
}

// Copies the part of `src_rect` that lies inside `src`'s picture to `dest` at the same
// offset, so that a thumb overhanging the control reads nothing from outside it.
void CopyInside(HDC dest, int dest_x, int dest_y, fw::TBitmap& src, const fw::TRect& src_rect) {
  const fw::TRect inside{std::max(src_rect.Left, 0), std::max(src_rect.Top, 0),
                         std::min(src_rect.Right, src.Width()),
                         std::min(src_rect.Bottom, src.Height())};
  if (inside.Empty()) return;
  ::BitBlt(dest, dest_x + inside.Left - src_rect.Left, dest_y + inside.Top - src_rect.Top,
           inside.Width(), inside.Height(), src.Canvas().Handle(), inside.Left, inside.Top,
           SRCCOPY);
}

}  // namespace

TSlideBar::TSlideBar(fw::TComponent* owner) : fw::TCustomControl(owner) {
  SetHeight(100);
  SetWidth(15);
  SetTabStop(true);
  // Paint covers every pixel; erasing first would only flicker.
  SetControlStyle(ControlStyle() | fw::csOpaque);
  // Its pictures are loaded, and the control drawn into them, when first needed: a
  // slider read from a layout is drawn once, when it is loaded.
  constructed_ = true;
}

TSlideBar::~TSlideBar() = default;

void TSlideBar::SetMin(int v) {
  min_ = v;
  SetStepPage(PageStepForRange(v, max_));
  Changed();
}

void TSlideBar::SetMax(int v) {
  max_ = v;
  SetStepPage(PageStepForRange(min_, v));
  Changed();
}

void TSlideBar::SetStepLine(int v) {
  if (!AcceptsStep(v, step_line_, min_, max_)) return;
  step_line_ = v;
  if (v > step_page_) step_page_ = v;
}

void TSlideBar::SetStepPage(int v) {
  if (!AcceptsStep(v, step_page_, min_, max_)) return;
  step_page_ = v;
  if (v < step_line_) step_line_ = v;
}

void TSlideBar::SetPosition(int v) {
  // The trench shows the colour of the position held before this call.
  const fw::TColor ramp = ToColor(RampColour(ColourIndex(min_, max_, position_)));
  const bool accept = v >= min_ && v <= max_;
  if (Designing()) {
    if (flash_color_) focus_color_ = ramp;
    if (accept) position_ = v;
    Changed();
    return;
  }
  if (flash_color_) {
    focus_color_ = ramp;
    Changed();
  }
  MoveThumb(v, accept);
  fw::Raise(OnChange, this);
  // After the handlers, which may give the value the text that is shown for it.
  fw::NotifyAccessible(*this, EVENT_OBJECT_VALUECHANGE);
}

long TSlideBar::AccessibleRole() const {
  return ROLE_SYSTEM_SLIDER;
}

std::string TSlideBar::AccessibleValue() const {
  std::string text = fw::TCustomControl::AccessibleValue();
  return text.empty() ? std::to_string(position_) : text;
}

void TSlideBar::MoveThumb(int new_position, bool accept) {
  // Straight onto the screen when the slider is showing; otherwise only the state
  // moves, and the next paint draws it.
  // A slider that has not been drawn yet is drawn first, as it was before the move;
  // while its layout is read, only the position moves, and Loaded places the thumb.
  if (plain_.Empty()) Rebuild();
  if (plain_.Empty()) {
    if (accept) position_ = new_position;
    return;
  }
  fw::WindowDC dc;
  if (HandleAllocated() && ::IsWindowVisible(WindowHandle())) dc = fw::WindowDC(WindowHandle());
  RemoveThumbBar(dc.get());
  if (accept) position_ = new_position;
  WhereIsBar();
  SaveBackground();
  DrawThumbBar(dc.get());
}

void TSlideBar::SetOrientation(TOrientation o) {
  const bool turn =
      (o == orHorizontal && Width() < Height()) || (o == orVertical && Height() < Width());
  if (turn) {
    const int old_width = Width(), old_height = Height();
    SetHeight(old_width);
    SetWidth(old_height);
    SetThumbStyle(ThumbForOrientation(thumb_style_, o));
  }
  orientation_ = o;
  Changed();
}

void TSlideBar::SetStyle(TBarStyle s) {
  style_ = s;
  Changed();
}

void TSlideBar::SetThickness(int v) {
  if (v < 1 || v > 12) return;
  thickness_ = v;
  Changed();
}

void TSlideBar::SetThumbStyle(TThumbStyle s) {
  if (s == thumb_style_) return;
  // A style without pictures is stored, refused and drawn with the pictures of the
  // style before it.
  if (!ThumbFor(s)) Thumb();
  thumb_style_ = s;
  if (!ThumbFor(s)) throw fw::Exception("TSlideBar.SetThumbStyle: Bad value");
  thumb_stale_ = true;
  Changed();
}

const fw::TBitmap& TSlideBar::Thumb() const {
  if (!thumb_stale_) return *thumb_bitmap_;
  thumb_stale_ = false;
  const auto info = ThumbFor(thumb_style_);
  if (!info) return *thumb_bitmap_;
  // A module without the pictures gets an empty thumb: nothing is drawn, nothing fails.
  // Sliders of one style share their thumb: each picture is made once.
  thumb_bitmap_ = fw::SharedResourcePicture(fw::ModuleHandle(), Widen(info->thumb), Scale());
  mask_bitmap_ = fw::SharedResourcePicture(fw::ModuleHandle(), Widen(info->mask), Scale(),
                                           fw::TScaleFilter::kNearest);
  return *thumb_bitmap_;
}

HCURSOR TSlideBar::HandCursorHandle() const {
  if (hand_cursor_handle_ == nullptr)
    hand_cursor_handle_ = ::LoadCursorW(fw::ModuleHandle(), L"HandPointer");
  return hand_cursor_handle_;
}

void TSlideBar::ScaleChanged() {
  thumb_stale_ = true;
  Changed();
}

void TSlideBar::SetTicks(bool v) {
  if (v == ticks_) return;
  ticks_ = v;
  Changed();
}

void TSlideBar::SetFrequency(int v) {
  if (v == frequency_) return;
  frequency_ = v;
  Changed();
}

void TSlideBar::SetTickColor(fw::TColor c) {
  if (c == ticks_color_) return;
  ticks_color_ = c;
  canvas_.Pen().SetColor(c);
  Changed();
}

void TSlideBar::SetFocusColor(fw::TColor c) {
  // Only stored: the trench on screen, and the background the thumb saves from it,
  // keep the colour they have until the next full paint, so that no thumb move shows
  // the new colour in patches.
  focus_color_ = c;
}

void TSlideBar::SetFlashColor(bool v) {
  if (v == flash_color_) return;
  flash_color_ = v;
  focus_color_ = v ? kFlashOnColor : fw::clSilver;
  Changed();
}

std::string TSlideBar::CurrentLabel() const {
  const auto index = LabelIndex(labels_.size(), min_, position_);
  return index ? labels_[*index] : std::string("<Un-Defined>");
}

void TSlideBar::MoveUp(int n) {
  if (const auto to = MoveUpTarget(position_, n, min_, max_)) SetPosition(*to);
}

void TSlideBar::MoveDown(int n) {
  if (const auto to = MoveDownTarget(position_, n, min_, max_)) SetPosition(*to);
}

int TSlideBar::NewPosition(int x, int y) const {
  return slidebar::NewPosition(CurrentLayout(), x, y);
}

Layout TSlideBar::CurrentLayout() const {
  Layout l;
  l.orientation = orientation_;
  l.width = Width();
  l.height = Height();
  l.thumb_width = Thumb().Width();
  l.thumb_height = Thumb().Height();
  l.min = min_;
  l.max = max_;
  l.position = position_;
  return l;
}

void TSlideBar::SetTLColor(fw::TCanvas& canvas) {
  canvas.Pen().SetColor(ToColor(TopLeftColour(style_)));
}

void TSlideBar::SetBRColor(fw::TCanvas& canvas) {
  canvas.Pen().SetColor(ToColor(BottomRightColour(style_)));
}

void TSlideBar::DrawTrench(fw::TCanvas& canvas) {
  const Layout l = CurrentLayout();
  const Trench t = TrenchFor(l, thickness_, Scale());
  canvas.Pen().SetStyle(fw::TPenStyle::psSolid);
  SetTLColor(canvas);
  canvas.MoveTo(t.xr, t.yt);
  canvas.LineTo(t.xl, t.yt);
  canvas.LineTo(t.xl, t.yb);
  SetBRColor(canvas);
  canvas.LineTo(t.xr, t.yb);
  canvas.LineTo(t.xr, t.yt - 1);
  canvas.Brush().SetColor(shown_focus_color_);
  canvas.FillRect({t.xl + 1, t.yt + 1, t.xr, t.yb});
  if (!ticks_) return;

  const slidebar::Ticks ticks = TicksFor(l, t, frequency_, Scale());
  canvas.Pen().SetColor(ticks_color_);
  // Each tick is two short runs across the axis; a line leaves out its end point.
  for (int at : ticks.at) {
    if (l.IsVert()) {
      canvas.MoveTo(ticks.first_from, at);
      canvas.LineTo(ticks.first_to + 1, at);
      canvas.MoveTo(ticks.second_from, at);
      canvas.LineTo(ticks.second_to + 1, at);
    } else {
      canvas.MoveTo(at, ticks.first_from);
      canvas.LineTo(at, ticks.first_to + 1);
      canvas.MoveTo(at, ticks.second_from);
      canvas.LineTo(at, ticks.second_to + 1);
    }
  }
}

void TSlideBar::DrawPlain() {
  plain_.SetSize(std::max(Width(), 1), std::max(Height(), 1));
  fw::TCanvas& c = plain_.Canvas();
  c.Brush().SetColor(Color());
  c.FillRect({0, 0, plain_.Width(), plain_.Height()});
  DrawTrench(c);
  // The keyboard's cue: a dotted frame along the control's edge, under the thumb.
  if (ShowsFocusCue()) {
    RECT cue{0, 0, plain_.Width(), plain_.Height()};
    ::DrawFocusRect(c.Handle(), &cue);
  }
}

void TSlideBar::Rebuild() {
  // While the layout is read every property would draw the trench again: Loaded
  // draws it once, from the properties as they end up.
  if (Loading() || !constructed_) return;
  DrawPlain();
  WhereIsBar();
  SaveBackground();
}

void TSlideBar::Changed() {
  shown_focus_color_ = focus_color_;
  Rebuild();
  Repaint();
}

void TSlideBar::Loaded() {
  fw::TCustomControl::Loaded();
  Changed();
}

fw::TRect TSlideBar::ThumbPlace() const {
  const Rect r = slidebar::ThumbRect(CurrentLayout(), dragging_, last_mouse_);
  return {r.left, r.top, r.right, r.bottom};
}

void TSlideBar::WhereIsBar() {
  thumb_rect_ = ThumbPlace();
}

void TSlideBar::SaveBackground() {
  // Taken from the thumb-less picture of the control rather than from the screen, so that
  // a window lying over the slider never ends up under its thumb.
  if (thumb_rect_.Empty() || plain_.Empty()) return;
  background_bitmap_.SetSize(thumb_rect_.Width(), thumb_rect_.Height());
  fw::TCanvas& bg = background_bitmap_.Canvas();
  bg.Brush().SetColor(Color());
  bg.FillRect({0, 0, thumb_rect_.Width(), thumb_rect_.Height()});
  CopyInside(bg.Handle(), 0, 0, plain_, thumb_rect_);
}

void TSlideBar::RemoveThumbBar(HDC dc) {
  if (!dc || background_bitmap_.Empty()) return;
  ::BitBlt(dc, thumb_rect_.Left, thumb_rect_.Top, background_bitmap_.Width(),
           background_bitmap_.Height(), background_bitmap_.Canvas().Handle(), 0, 0, SRCCOPY);
}

void TSlideBar::DrawThumbBar(HDC dc) {
  if (!dc || Thumb().Empty() || mask_bitmap_->Empty() || background_bitmap_.Empty()) return;
  const int w = thumb_bitmap_->Width(), h = thumb_bitmap_->Height();
  // Composed off screen, then shown with one copy; the picture goes with the scope.
  fw::TBitmap work(w, h);
  HDC out = work.Canvas().Handle();
  if (!out) return;
  ::BitBlt(out, 0, 0, w, h, background_bitmap_.Canvas().Handle(), 0, 0, SRCCOPY);
  ::BitBlt(out, 0, 0, w, h, mask_bitmap_->Canvas().Handle(), 0, 0, SRCAND);
  ::BitBlt(out, 0, 0, w, h, thumb_bitmap_->Canvas().Handle(), 0, 0, SRCPAINT);
  ::BitBlt(dc, thumb_rect_.Left, thumb_rect_.Top, w, h, out, 0, 0, SRCCOPY);
}

void TSlideBar::Paint() {
  HDC dc = Canvas().Handle();
  if (!dc) return;
  if (shown_focus_color_ != focus_color_) {
    // A FocusColor stored since the last full paint shows from this paint on. A paint
    // of part of the control asks for the rest at once, so that the trench is never
    // shown in two colours.
    shown_focus_color_ = focus_color_;
    Rebuild();
    RECT clip{};
    const fw::TRect client = ClientRect();
    if (HandleAllocated() && ::GetClipBox(dc, &clip) != ERROR &&
        (clip.left > 0 || clip.top > 0 || clip.right < client.Right || clip.bottom < client.Bottom))
      ::InvalidateRect(WindowHandle(), nullptr, FALSE);
  }
  if (plain_.Empty()) Rebuild();
  if (plain_.Empty()) return;
  ::BitBlt(dc, 0, 0, plain_.Width(), plain_.Height(), plain_.Canvas().Handle(), 0, 0, SRCCOPY);
  DrawThumbBar(dc);
}

void TSlideBar::FocusCueChanged() {
  Changed();
}

void TSlideBar::BoundsChanged(const fw::TRect& old_bounds) {
  fw::TCustomControl::BoundsChanged(old_bounds);
  Rebuild();
}

void TSlideBar::ColorChanged() {
  Rebuild();
  fw::TCustomControl::ColorChanged();
}

LRESULT TSlideBar::WMGetDlgCode() {
  return DLGC_WANTARROWS;
}

bool TSlideBar::WMSetCursor(fw::TPoint p) {
  if (hand_cursor_ && !Designing() && HandCursorHandle()) {
    ::SetCursor(HandCursorHandle());
    return true;
  }
  return fw::TCustomControl::WMSetCursor(p);
}

void TSlideBar::WMSize(int width, int height) {
  // Follows the window's shape only; the dimensions already agree, so nothing turns.
  SetOrientation(OrientationForSize(width, height));
}

void TSlideBar::KeyDown(uint16_t& key, fw::TShiftState) {
  // OnKeyDown is deliberately not raised: the slider consumes its keys itself.
  switch (KeyActionFor(key)) {
    case KeyAction::kPageUp:
      MoveUp(step_page_);
      break;
    case KeyAction::kPageDown:
      MoveDown(step_page_);
      break;
    case KeyAction::kToMax:
      SetPosition(max_);
      break;
    case KeyAction::kToMin:
      SetPosition(min_);
      break;
    case KeyAction::kLineUp:
      MoveUp(step_line_);
      break;
    case KeyAction::kLineDown:
      MoveDown(step_line_);
      break;
    case KeyAction::kNone:
      break;
  }
}

void TSlideBar::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
  SetFocus();
  // Only the left button drags, since only its release ends a drag: a drag begun by
  // another button would hold the thumb at the pointer while keys move the position.
  // The hit test asks where the thumb belongs now, not where a paint last put it.
  if (button == fw::TMouseButton::mbLeft) {
    dragging_ = ThumbPlace().Contains({x, y});
    last_mouse_ = IsVert() ? y : x;
  }
  fw::TCustomControl::MouseDown(button, shift, x, y);
}

void TSlideBar::MouseMove(fw::TShiftState shift, int x, int y) {
  fw::TCustomControl::MouseMove(shift, x, y);
  if (!shift.Contains(fw::TShiftState::ssLeft) || !dragging_) return;
  const int along = IsVert() ? y : x;
  const bool moved = along != last_mouse_;
  last_mouse_ = along;
  if (moved) SetPosition(NewPosition(x, y));
}

LRESULT TSlideBar::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  // Our own release gives up the framework's capture before the system's, so capture
  // still held here was taken from outside.
  if (msg == WM_CAPTURECHANGED && dragging_ && MouseCapture() &&
      reinterpret_cast<HWND>(lp) != WindowHandle()) {
    dragging_ = false;
    MoveThumb(position_, false);
  }
  return fw::TCustomControl::WndProc(msg, wp, lp);
}

void TSlideBar::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
  fw::TCustomControl::MouseUp(button, shift, x, y);
  if (button != fw::TMouseButton::mbLeft) return;
  const fw::TRect thumb = ThumbPlace();
  const int to = dragging_ ? NewPosition(x, y)
                           : ClickTarget(CurrentLayout(),
                                         {thumb.Left, thumb.Top, thumb.Right, thumb.Bottom}, x, y);
  dragging_ = false;
  SetPosition(to);
}

namespace {

// Labels are stored as one text, a line per label.
fw::PropertyInfo LabelsProperty() {
  fw::PropertyInfo p;
  p.Name = "Labels";
  p.Write = [](fw::TComponent& c, const fw::PropValue& v, const fw::HandlerResolver&) {
    const auto* text = std::get_if<std::string>(&v);
    if (!text) return false;
    std::vector<std::string> lines;
    std::string line;
    for (char ch : *text) {
      if (ch == '\r') continue;
      if (ch == '\n') {
        lines.push_back(std::move(line));
        line.clear();
      } else {
        line += ch;
      }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    static_cast<TSlideBar&>(c).SetLabels(lines);
    return true;
  };
  p.Read = [](const fw::TComponent& c) -> std::optional<fw::PropValue> {
    const auto& labels = static_cast<const TSlideBar&>(c).Labels();
    if (labels.empty()) return std::nullopt;  // an empty list is not stored
    std::string text;
    for (const std::string& l : labels) text += l + "\r\n";
    return text;
  };
  return p;
}

}  // namespace

const fw::PropertyTable& TSlideBar::ClassProperties() {
  using fw::Published;
  using T = TSlideBar;
  static const fw::PropertyTable table = [] {
    std::vector<fw::PropertyInfo> own = {
        Published<T, int>("Min", &T::Min, &T::SetMin, 0, 1),
        Published<T, int>("Max", &T::Max, &T::SetMax, 100, 10),
        Published<T, int>("Position", &T::Position, &T::SetPosition, 1, 1),
        Published<T, TOrientation>("Orientation", &T::Orientation, &T::SetOrientation, orVertical,
                                   orVertical),
        Published<T, TBarStyle>("Style", &T::Style, &T::SetStyle, bsLowered, bsLowered),
        Published<T, uint8_t>("Thickness", &T::Thickness, &T::SetThickness, 2, 1),
        Published<T, TThumbStyle>("ThumbStyle", &T::ThumbStyle, &T::SetThumbStyle, tsBar3, tsBar3),
        Published<T, bool>("Ticks", &T::Ticks, &T::SetTicks, true, true),
        Published<T, int>("Frequency", &T::Frequency, &T::SetFrequency, 2, 1),
        Published<T, int>("StepLine", &T::StepLine, &T::SetStepLine, 1, 1),
        Published<T, int>("StepPage", &T::StepPage, &T::SetStepPage, 10, std::nullopt),
        Published<T, fw::TColor>("TicksColor", &T::TicksColor, &T::SetTickColor, fw::clGray,
                                 fw::clGray),
        // FlashColor resets the fill colour, so it is stored (and read) first.
        Published<T, bool>("FlashColor", &T::FlashColor, &T::SetFlashColor, false, false),
        Published<T, fw::TColor>("FocusColor", &T::FocusColor, &T::SetFocusColor, fw::clSilver,
                                 fw::clSilver),
        Published<T, bool>("HandCursor", &T::HandCursor, &T::SetHandCursor, false, true),
        LabelsProperty(),
        Published<T, bool>("Enabled", &T::Enabled, &T::SetEnabled, true, true),
        Published<T, bool>("TabStop", &T::TabStop, &T::SetTabStop, true, true),
        fw::PopupMenuProperty(),
    };
    for (auto& p : fw::HintProperties()) own.push_back(std::move(p));
    std::vector<fw::PropertyInfo> events = {
        fw::PublishedEvent<T>("OnEnter", &T::OnEnter),
        fw::PublishedEvent<T>("OnExit", &T::OnExit),
        // Never raised: the slider takes its keys itself.
        fw::PublishedEvent<T>("OnKeyDown", &T::OnKeyDown),
        fw::PublishedEvent<T>("OnKeyPress", &T::OnKeyPress),
        fw::PublishedEvent<T>("OnKeyUp", &T::OnKeyUp),
        fw::PublishedEvent<T>("OnChange", &T::OnChange),
    };
    for (auto& p : events) own.push_back(std::move(p));
    return fw::PropertyTable(&fw::TCustomControl::ClassProperties(), std::move(own));
  }();
  return table;
}

}  // namespace widgets

#include "framework/Forms.h"

#include <type_traits>
#include <utility>

#include "framework/Accessible.h"
#include "framework/HandleNames.h"
#include "framework/TextEncoding.h"

namespace fw {
namespace {

// Whether any part of `window` lies on a monitor.
bool OnAMonitor(HWND window) {
  RECT r{};
  return ::GetWindowRect(window, &r) && ::MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

}  // namespace

long TPanel::AccessibleRole() const {
  return ROLE_SYSTEM_GROUPING;
}

TForm::TForm(TComponent* owner) : TWinControl(owner) {
  TControl::SetVisible(false);
  SetColor(clBtnFace);
  SetControlStyle(ControlStyle() | csAcceptsControls);
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  // The owned controls may still reach the form (their parent) while they go.
  DestroyComponents();
}

void TForm::FrameStyles(DWORD& style, DWORD& ex_style) const {
  style = WS_POPUP | WS_CLIPCHILDREN;
  ex_style = 0;
  switch (border_style_) {
    case TFormBorderStyle::bsNone:
      break;
    case TFormBorderStyle::bsSingle:
      style |= WS_CAPTION | WS_BORDER;
      break;
    case TFormBorderStyle::bsSizeable:
      style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case TFormBorderStyle::bsDialog:
      style |= WS_CAPTION | DS_MODALFRAME;
      ex_style |= WS_EX_DLGMODALFRAME;
      break;
    case TFormBorderStyle::bsToolWindow:
      style |= WS_CAPTION;
      ex_style |= WS_EX_TOOLWINDOW;
      break;
  }
  if (border_style_ != TFormBorderStyle::bsNone && (border_icons_ & biSystemMenu)) {
    style |= WS_SYSMENU;
    if (border_style_ != TFormBorderStyle::bsDialog &&
        border_style_ != TFormBorderStyle::bsToolWindow) {
      if (border_icons_ & biMinimize) style |= WS_MINIMIZEBOX;
      if (border_icons_ & biMaximize) style |= WS_MAXIMIZEBOX;
    }
  }
  if (form_style_ == TFormStyle::fsStayOnTop) ex_style |= WS_EX_TOPMOST;
}

void TForm::CreateParams(TCreateParams& params) {
  FrameStyles(params.Style, params.ExStyle);
  if (Visible()) params.Style |= WS_VISIBLE;
  params.Parent = nullptr;
  params.X = Left();
  params.Y = Top();
  params.Width = Width();
  params.Height = Height();
}

void TForm::RecreateHandle() {
  if (!HandleAllocated()) return;
  DestroyHandle();
  CreateHandle();
}

void TForm::SetBorderStyle(TFormBorderStyle s) {
  if (s == border_style_) return;
  border_style_ = s;
  RecreateHandle();
}

void TForm::SetBorderIcons(uint8_t icons) {
  if (icons == border_icons_) return;
  border_icons_ = icons;
  RecreateHandle();
}

void TForm::SetFormStyle(TFormStyle s) {
  if (s == form_style_) return;
  form_style_ = s;
  if (HandleAllocated()) {
    ::SetWindowPos(Handle(), s == TFormStyle::fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0,
                   0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

SIZE TForm::OuterSize(int w, int h) const {
  DWORD style = 0;
  DWORD ex_style = 0;
  FrameStyles(style, ex_style);
  RECT r{0, 0, w, h};
  ::AdjustWindowRectEx(&r, style, FALSE, ex_style);
  return {r.right - r.left, r.bottom - r.top};
}

TRect TForm::ClientRect() const {
  if (HandleAllocated()) return TWinControl::ClientRect();
  SIZE frame = OuterSize(0, 0);
  return {0, 0, Width() - frame.cx, Height() - frame.cy};
}

SIZE TForm::FrameSize() const {
  if (!HandleAllocated()) return OuterSize(0, 0);
  // The window knows its frame best (menus, themes).
  RECT wr{};
  RECT cr{};
  ::GetWindowRect(WindowHandle(), &wr);
  ::GetClientRect(WindowHandle(), &cr);
  return {(wr.right - wr.left) - cr.right, (wr.bottom - wr.top) - cr.bottom};
}

void TForm::SetClientWidth(int w) {
  SetWidth(w + FrameSize().cx);
}

void TForm::SetClientHeight(int h) {
  SetHeight(h + FrameSize().cy);
}

void TForm::SetVisible(bool visible) {
  if (visible == Visible()) return;
  TControl::SetVisible(visible);
  if (visible) {
    HWND h = Handle();
    if (h) {
      ::ShowWindow(h, SW_SHOW);
      ::UpdateWindow(h);
    }
  } else if (HandleAllocated()) {
    ::ShowWindow(WindowHandle(), SW_HIDE);
  }
}

void TForm::WaitForScreen() {
  wait_for_screen_ = true;
  SetChildWindowsWait(true);
}

void TForm::CameOnScreen() {
  wait_for_screen_ = false;
  MakeChildWindows();
  // What was taken as drawn is drawn now: shown again, a window may keep the bits it
  // had, and it had none.
  if (std::exchange(unpainted_, false)) {
    ::RedrawWindow(WindowHandle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

void TForm::TextChanged() {
  if (!HandleAllocated()) return;
  SetTargetWindowText(WindowHandle(), Widen(Caption()).c_str());
}

LRESULT TForm::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CLOSE:
      Hide();
      return 0;
    case WM_WINDOWPOSCHANGED:
      // Keep Visible in step when the window is shown or hidden by a call other than
      // SetVisible. Read from the window itself: a message's word for it (such as
      // WM_SHOWWINDOW's) may come from anyone.
      if (!WindowBeingDestroyed(WindowHandle())) {
        TControl::SetVisible((::GetWindowLongW(WindowHandle(), GWL_STYLE) & WS_VISIBLE) != 0);
        if (wait_for_screen_ && Visible() && OnAMonitor(WindowHandle())) CameOnScreen();
      }
      return DefaultHandler(msg, wp, lp);
    case WM_NCPAINT:
      if (!wait_for_screen_) return TWinControl::WndProc(msg, wp, lp);
      unpainted_ = true;
      return 0;
    case WM_ERASEBKGND:
      if (wait_for_screen_) return 1;
      return TWinControl::WndProc(msg, wp, lp);
    case WM_PAINT:
      if (wait_for_screen_) {
        // Nothing shows it: the area is taken as drawn. BeginPaint would cost the
        // display as much as a paint.
        ::RedrawWindow(WindowHandle(), nullptr, nullptr,
                       RDW_VALIDATE | RDW_NOERASE | RDW_NOFRAME | RDW_NOCHILDREN);
        unpainted_ = true;
        return 0;
      }
      return TWinControl::WndProc(msg, wp, lp);
    default:
      return TWinControl::WndProc(msg, wp, lp);
  }
}

TPanel::TPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(ControlStyle() | csAcceptsControls | csOpaque);
  SetColor(clBtnFace);
  SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelOuter(TPanelBevel b) {
  if (b == bevel_outer_) return;
  bevel_outer_ = b;
  Invalidate();
}

void TPanel::Paint() {
  TCanvas& c = Canvas();
  TRect r = ClientRect();
  c.Brush().SetColor(Color());
  c.FillRect(r);
  if (bevel_outer_ != TPanelBevel::bvNone) {
    bool raised = bevel_outer_ == TPanelBevel::bvRaised;
    c.Pen().SetColor(raised ? clBtnHighlight : clBtnShadow);
    c.MoveTo(r.Left, r.Bottom - 1);
    c.LineTo(r.Left, r.Top);
    c.LineTo(r.Right - 1, r.Top);
    c.Pen().SetColor(raised ? clBtnShadow : clBtnHighlight);
    c.LineTo(r.Right - 1, r.Bottom - 1);
    c.LineTo(r.Left - 1, r.Bottom - 1);
  }
  if (!Caption().empty()) {
    c.Font().Assign(Font());
    c.Brush().SetStyle(TBrushStyle::bsClear);
    c.DrawText(r, Caption(), DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  }
}

std::vector<PropertyInfo> ColorProperties() {
  return {
      Published<TControl, TColor>("Color", &TControl::Color, &TControl::SetColor, std::nullopt,
                                  std::nullopt),
      Published<TControl, bool>("ParentColor", &TControl::ParentColor, &TControl::SetParentColor,
                                std::nullopt, std::nullopt),
  };
}

std::vector<PropertyInfo> FontAttributeProperties(const std::optional<FontStart>& start) {
  auto font = [](TControl& c) -> TFont& { return c.Font(); };
  auto cfont = [](const TControl& c) -> const TFont& { return c.Font(); };
  // The start value of one attribute, when there is a start.
  auto at = [&start](auto member) {
    using Value = std::decay_t<decltype((*start).*member)>;
    return start ? std::optional<Value>((*start).*member) : std::nullopt;
  };
  return {
      Published<TControl, uint8_t>(
          "Font.Charset", [cfont](const TControl& c) { return cfont(c).Charset(); },
          [font](TControl& c, uint8_t v) {
            font(c).SetCharset(v);
            c.Invalidate();
          },
          at(&FontStart::Charset), std::nullopt),
      Published<TControl, TColor>(
          "Font.Color", [cfont](const TControl& c) { return cfont(c).Color(); },
          [font](TControl& c, TColor v) {
            font(c).SetColor(v);
            c.Invalidate();
          },
          at(&FontStart::Color), std::nullopt),
      AsLength(Published<TControl, int>(
          "Font.Height", [cfont](const TControl& c) { return cfont(c).Height(); },
          [font](TControl& c, int v) {
            font(c).SetHeight(v);
            c.Invalidate();
          },
          at(&FontStart::Height), std::nullopt)),
      Published<TControl, std::string>(
          "Font.Name", [cfont](const TControl& c) { return cfont(c).Name(); },
          [font](TControl& c, const std::string& v) {
            font(c).SetName(v);
            c.Invalidate();
          },
          at(&FontStart::Name), std::nullopt),
      Published<TControl, uint8_t>(
          "Font.Style", [cfont](const TControl& c) { return cfont(c).Style(); },
          [font](TControl& c, uint8_t v) {
            font(c).SetStyle(v);
            c.Invalidate();
          },
          at(&FontStart::Style), std::nullopt),
  };
}

std::vector<PropertyInfo> FontProperties() {
  std::vector<PropertyInfo> rows = FontAttributeProperties();
  rows.push_back(Published<TControl, bool>("ParentFont", &TControl::ParentFont,
                                           &TControl::SetParentFont, std::nullopt, std::nullopt));
  return rows;
}

const PropertyTable& TForm::ClassProperties() {
  static const PropertyTable table = [] {
    std::vector<PropertyInfo> own = {
        Published<TForm, std::string>("Caption", &TForm::Caption, &TForm::SetCaption, "",
                                      std::nullopt),
        // A form's place is on the screen, in the screen's own pixels: not scaled.
        Published<TForm, int>("Left", &TForm::Left, &TForm::SetLeft, 0, std::nullopt),
        Published<TForm, int>("Top", &TForm::Top, &TForm::SetTop, 0, std::nullopt),
        AsLength(Published<TForm, int>("ClientWidth", &TForm::ClientWidth, &TForm::SetClientWidth,
                                       std::nullopt, std::nullopt)),
        AsLength(Published<TForm, int>("ClientHeight", &TForm::ClientHeight,
                                       &TForm::SetClientHeight, std::nullopt, std::nullopt)),
        Published<TForm, TFormBorderStyle>("BorderStyle", &TForm::BorderStyle,
                                           &TForm::SetBorderStyle, TFormBorderStyle::bsSizeable,
                                           TFormBorderStyle::bsSizeable),
        Published<TForm, int>(
            "BorderIcons", &TForm::BorderIcons,
            [](TForm& f, int v) { f.SetBorderIcons(static_cast<uint8_t>(v)); }, 7, 7),
        Published<TForm, TFormStyle>("FormStyle", &TForm::FormStyle, &TForm::SetFormStyle,
                                     TFormStyle::fsNormal, TFormStyle::fsNormal),
    };
    for (auto& p : ColorProperties()) own.push_back(std::move(p));
    for (auto& p : FontProperties()) own.push_back(std::move(p));
    return PropertyTable(&TWinControl::ClassProperties(), std::move(own));
  }();
  return table;
}

const PropertyTable& TPanel::ClassProperties() {
  static const PropertyTable table = [] {
    std::vector<PropertyInfo> own = {
        Published<TPanel, std::string>("Caption", &TPanel::Caption, &TPanel::SetCaption, "",
                                       std::nullopt),
        Published<TPanel, TPanelBevel>("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter,
                                       TPanelBevel::bvRaised, TPanelBevel::bvRaised),
    };
    for (auto& p : ColorProperties()) own.push_back(std::move(p));
    for (auto& p : FontProperties()) own.push_back(std::move(p));
    return PropertyTable(&TWinControl::ClassProperties(), std::move(own));
  }();
  return table;
}

}  // namespace fw

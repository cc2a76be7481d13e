#include "framework/StdCtrls.h"

#include <algorithm>
#include <vector>

#include "framework/Forms.h"
#include "framework/Accessible.h"
#include "framework/HandleNames.h"
#include "framework/StageTimes.h"
#include "framework/TextEncoding.h"

namespace fw {

bool ThemesEnabled() {
  HMODULE uxtheme = ::GetModuleHandleW(L"uxtheme.dll");
  if (!uxtheme) return false;
  using Query = BOOL(WINAPI*)();
  auto app_themed =
      reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(uxtheme, "IsAppThemed")));
  auto theme_active =
      reinterpret_cast<Query>(reinterpret_cast<void*>(::GetProcAddress(uxtheme, "IsThemeActive")));
  return app_themed && theme_active && app_themed() && theme_active();
}

TLabel::TLabel(TComponent* owner) : TGraphicControl(owner) {
  SetBounds(0, 0, 65, 17);
  SetTransparent(ThemesEnabled());
}

void TLabel::SetAlignment(TAlignment a) {
  if (a == alignment_) return;
  alignment_ = a;
  Invalidate();
}

void TLabel::SetLayout(TTextLayout l) {
  if (l == layout_) return;
  layout_ = l;
  Invalidate();
}

void TLabel::SetAutoSize(bool a) {
  if (a == auto_size_) return;
  auto_size_ = a;
  AdjustBounds();
}

void TLabel::SetWordWrap(bool w) {
  if (w == word_wrap_) return;
  word_wrap_ = w;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetShowAccelChar(bool s) {
  if (s == show_accel_char_) return;
  show_accel_char_ = s;
  AdjustBounds();
  Invalidate();
}

void TLabel::SetTransparent(bool t) {
  transparent_ = t;
  // An untransparent label fills its whole area, so its parent need not.
  SetControlStyle(t ? (ControlStyle() & ~csOpaque) : (ControlStyle() | csOpaque));
  Invalidate();
}

void TLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TLabel::TextChanged() {
  Invalidate();
  AdjustBounds();
  NotifyAccessible(*this, EVENT_OBJECT_NAMECHANGE);
}

long TLabel::AccessibleRole() const {
  return ROLE_SYSTEM_STATICTEXT;
}

long TRadioButton::AccessibleRole() const {
  return ROLE_SYSTEM_RADIOBUTTON;
}

long TRadioButton::AccessibleStateBits() const {
  return checked_ ? STATE_SYSTEM_CHECKED : 0;
}

void TLabel::FontChanged() {
  Invalidate();
  AdjustBounds();
}

static_assert(kDtLeft == DT_LEFT && kDtCenter == DT_CENTER && kDtRight == DT_RIGHT &&
              kDtWordBreak == DT_WORDBREAK && kDtExpandTabs == DT_EXPANDTABS &&
              kDtNoPrefix == DT_NOPREFIX);

UINT TLabel::TextFlags() const {
  return LabelTextFormat(alignment_, word_wrap_, show_accel_char_);
}

void TLabel::AdjustBounds() {
  if (!auto_size_ || Loading()) return;
  std::string text = Caption();
  // An empty caption (or a lone "&") still takes one line's height.
  if (text.empty() || (show_accel_char_ && text == "&")) text += ' ';
  StageScope stage(Stage::kFonts);
  // A memory DC like the screen measures as the screen does, without asking the
  // display for the screen's DC.
  MemoryDC screen(nullptr);
  if (!screen) return;
  ScopedFont font = CreateFontHandle(Font());
  SelectObjectScope selected(screen.get(), font.get());
  RECT r{0, 0, word_wrap_ ? Width() : 0, 0};
  const std::wstring wide = Widen(text);
  ::DrawTextW(screen.get(), wide.data(), static_cast<int>(wide.size()), &r,
              TextFlags() | DT_CALCRECT);
  int left = Left();
  // A right-aligned label keeps its right edge.
  if (alignment_ == TAlignment::taRightJustify) left += Width() - r.right;
  SetBounds(left, Top(), r.right, r.bottom);
}

void TLabel::Paint() {
  TCanvas& c = Canvas();
  TRect client = ClientRect();
  if (!transparent_) {
    c.Brush().SetColor(Color());
    c.FillRect(client);
  }
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.Font().Assign(Font());
  if (!Enabled()) c.Font().SetColor(clGrayText);
  TRect r = client;
  if (layout_ != TTextLayout::tlTop) {
    TRect measure = client;
    RECT calc{measure.Left, measure.Top, measure.Right, measure.Bottom};
    const std::wstring text = Caption().empty() ? std::wstring(L" ") : Widen(Caption());
    ::DrawTextW(c.Handle(), text.data(), static_cast<int>(text.size()), &calc,
                TextFlags() | DT_CALCRECT);
    int h = calc.bottom - calc.top;
    r.Top = layout_ == TTextLayout::tlBottom ? client.Bottom - h : (client.Height() - h) / 2;
    r.Bottom = r.Top + h;
  }
  c.DrawText(r, Caption(), TextFlags());
}

TRadioButton::TRadioButton(TComponent* owner) : TCustomControl(owner) {
  // Clicks are judged here: only a change of selection raises OnClick.
  SetControlStyle((ControlStyle() & ~csClickEvents) | csCaptureMouse);
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  SetTabStop(checked);
  Invalidate();
  NotifyAccessible(*this, EVENT_OBJECT_STATECHANGE);
  if (!checked) return;
  NotifyAccessible(*this, EVENT_OBJECT_SELECTION);
  if (TWinControl* parent = Parent()) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i));
      if (sibling && sibling != this) sibling->SetChecked(false);
    }
  }
  if (!Designing()) Click();
}

void TRadioButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (button == TMouseButton::mbLeft) {
    pressed_ = true;
    SetFocus();
  }
  TCustomControl::MouseDown(button, shift, x, y);
}

void TRadioButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  bool select = button == TMouseButton::mbLeft && pressed_ && ClientRect().Contains({x, y});
  if (button == TMouseButton::mbLeft) pressed_ = false;
  if (select) SetChecked(true);
  TCustomControl::MouseUp(button, shift, x, y);
}

void TRadioButton::KeyDown(uint16_t& key, TShiftState shift) {
  TCustomControl::KeyDown(key, shift);
  if (key == VK_SPACE) SetChecked(true);
  // The arrows select and focus the previous or next radio button of the parent.
  int step = (key == VK_UP || key == VK_LEFT) ? -1 : (key == VK_DOWN || key == VK_RIGHT) ? 1 : 0;
  TWinControl* parent = Parent();
  if (step == 0 || !parent) return;
  std::vector<TRadioButton*> group;
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* r = dynamic_cast<TRadioButton*>(parent->Controls(i));
    if (r && r->Visible() && r->Enabled()) group.push_back(r);
  }
  auto it = std::find(group.begin(), group.end(), this);
  if (it == group.end() || group.size() < 2) return;
  size_t n = group.size();
  size_t i = static_cast<size_t>(it - group.begin());
  TRadioButton* next = group[step > 0 ? (i + 1) % n : (i + n - 1) % n];
  next->SetFocus();
  next->SetChecked(true);
}

void TRadioButton::Paint() {
  TCanvas& c = Canvas();
  TRect client = ClientRect();
  const int box = 13;
  int top = (client.Height() - box) / 2;
  RECT glyph{0, top, box, top + box};
  ::DrawFrameControl(
      c.Handle(), &glyph, DFC_BUTTON,
      DFCS_BUTTONRADIO | (checked_ ? DFCS_CHECKED : 0) | (Enabled() ? 0 : DFCS_INACTIVE));
  c.Brush().SetStyle(TBrushStyle::bsClear);
  c.Font().Assign(Font());
  if (!Enabled()) c.Font().SetColor(clGrayText);
  TRect text{box + 4, 0, client.Right, client.Bottom};
  c.DrawText(text, Caption(), DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (ShowsFocusCue()) {
    SIZE extent = c.TextExtent(Caption());
    int text_top = (client.Height() - extent.cy) / 2;
    RECT focus{text.Left - 1, text_top, std::min<LONG>(text.Left + extent.cx + 1, client.Right),
               text_top + extent.cy};
    ::DrawFocusRect(c.Handle(), &focus);
  }
}

const PropertyTable& TLabel::ClassProperties() {
  static const PropertyTable table = [] {
    std::vector<PropertyInfo> own = {
        Published<TLabel, std::string>("Caption", &TLabel::Caption, &TLabel::SetCaption,
                                       std::string(), std::nullopt),
        Published<TLabel, TAlignment>("Alignment", &TLabel::Alignment, &TLabel::SetAlignment,
                                      TAlignment::taLeftJustify, TAlignment::taLeftJustify),
        Published<TLabel, bool>("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true, true),
        Published<TLabel, TTextLayout>("Layout", &TLabel::Layout, &TLabel::SetLayout,
                                       TTextLayout::tlTop, TTextLayout::tlTop),
        Published<TLabel, bool>("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar,
                                true, true),
        Published<TLabel, bool>("Transparent", &TLabel::Transparent, &TLabel::SetTransparent,
                                std::nullopt, std::nullopt),
        Published<TLabel, bool>("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false, false),
        Published<TLabel, bool>("Enabled", &TLabel::Enabled, &TLabel::SetEnabled, true, true),
    };
    for (auto& p : ColorProperties()) own.push_back(std::move(p));
    for (auto& p : FontProperties()) own.push_back(std::move(p));
    own.push_back(PublishedEvent<TLabel>("OnClick", &TLabel::OnClick));
    return PropertyTable(&TControl::ClassProperties(), std::move(own));
  }();
  return table;
}

const PropertyTable& TRadioButton::ClassProperties() {
  static const PropertyTable table = [] {
    std::vector<PropertyInfo> own = {
        Published<TRadioButton, std::string>("Caption", &TRadioButton::Caption,
                                             &TRadioButton::SetCaption, std::string(),
                                             std::nullopt),
        Published<TRadioButton, bool>("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked,
                                      false, false),
        Published<TRadioButton, bool>("Enabled", &TRadioButton::Enabled, &TRadioButton::SetEnabled,
                                      true, true),
    };
    for (auto& p : ColorProperties()) own.push_back(std::move(p));
    for (auto& p : FontProperties()) own.push_back(std::move(p));
    own.push_back(PublishedEvent<TRadioButton>("OnClick", &TRadioButton::OnClick));
    return PropertyTable(&TWinControl::ClassProperties(), std::move(own));
  }();
  return table;
}

}  // namespace fw

#include "widgets/ZupButt.h"

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/Accessible.h"
#include "framework/FocusCue.h"
#include "framework/Module.h"
#include "framework/StageTimes.h"
#include "framework/TextEncoding.h"
#include "framework/Utf8Cut.h"
#include "framework/WinControl.h"

namespace widgets {
namespace {

struct PicturePair {
  const wchar_t* down;
  const wchar_t* up;
};

PicturePair PicturesFor(size s) {
  switch (s) {
    case size::Small:
      return {L"BUTTON39ON", L"BUTTON39OFF"};
    case size::Medium:
      return {L"BUTTON59ON", L"BUTTON59OFF"};
    case size::Big:
      return {L"BUTTON118ON", L"BUTTON118OFF"};
    case size::Grey:
      return {L"GREYKEYOFF", L"GREYKEYOFF"};
  }
  return {L"BUTTON39ON", L"BUTTON39OFF"};
}

}  // namespace

TZupButt::TZupButt(fw::TComponent* owner) : fw::TGraphicControl(owner) {
  fw::TControl::SetCaption("Zup");
  SetControlStyle(ControlStyle() | fw::csOpaque);
  ResetBitmap();
  MakeCaptionFont();
}

namespace {

// The caption font at `dpi`, and the screen's default average character width (-1
// when it could not be measured); no font without a screen DC.
fw::SharedFont MakeCaptionFontAt(int dpi) {
  fw::SharedFont made;
  made.Measure = -1;
  fw::WindowDC screen(nullptr);
  if (!screen) return made;
  made.Font = TZupButt::CreateFontAtResolution(screen.get(), "Tahoma", 80, 80, 1,
                                               static_cast<float>(dpi), static_cast<float>(dpi));
  TEXTMETRICW tm{};
  if (::GetTextMetricsW(screen.get(), &tm)) made.Measure = tm.tmAveCharWidth;
  return made;
}

}  // namespace

void TZupButt::MakeCaptionFont() {
  fw::StageScope stage(fw::Stage::kFonts);
  // Every button at one DPI has the same caption font: it is made once and shared.
  const int dpi = Scale().Dpi();
  auto shared = fw::SharedFontFor("ZupButt caption " + std::to_string(dpi),
                                  [dpi] { return MakeCaptionFontAt(dpi); });
  if (!shared->Font) return;
  caption_font_ = std::move(shared);
  // The screen DC still has its default font: its average width is the one the
  // caption is centred with. That font keeps its width at every screen DPI, so the
  // width is taken as a stored length and scaled with the button.
  if (caption_font_->Measure >= 0) char_width_ = Scale().Apply(caption_font_->Measure);
}

void TZupButt::ScaleChanged() {
  ResetBitmap();
  MakeCaptionFont();
  Invalidate();
}

TZupButt::~TZupButt() = default;

void TZupButt::SetDown(bool down) {
  bool changed = down != down_;
  down_ = down;
  Repaint();
  if (!changed) return;
  fw::NotifyAccessible(*this, EVENT_OBJECT_STATECHANGE);
  if (down && radio_) fw::NotifyAccessible(*this, EVENT_OBJECT_SELECTION);
}

long TZupButt::AccessibleRole() const {
  return radio_ ? ROLE_SYSTEM_RADIOBUTTON : ROLE_SYSTEM_PUSHBUTTON;
}

long TZupButt::AccessibleStateBits() const {
  if (!down_) return 0;
  return radio_ ? STATE_SYSTEM_CHECKED : STATE_SYSTEM_PRESSED;
}

bool TZupButt::AccessibleFocusable() const {
  // Of a group of radio buttons only the chosen one is a tab stop; the arrows move
  // within the group.
  return !radio_ || down_;
}

std::string TZupButt::AccessibleDefaultAction() const {
  return radio_ ? "Select" : "Press";
}

bool TZupButt::FocusedKey(uint16_t key) {
  if (key == VK_SPACE || key == VK_RETURN) {
    Click();
    return true;
  }
  int step = (key == VK_UP || key == VK_LEFT) ? -1 : (key == VK_DOWN || key == VK_RIGHT) ? 1 : 0;
  fw::TWinControl* parent = Parent();
  if (step == 0 || !radio_ || parent == nullptr) return false;
  // The arrows choose the previous or next button of the group, in reading order.
  std::vector<TZupButt*> group;
  for (fw::TControl* c : fw::AccessibleChildren(*parent)) {
    auto* b = dynamic_cast<TZupButt*>(c);
    if (b != nullptr && b->radio_ && b->Visible() && b->Enabled()) group.push_back(b);
  }
  auto it = std::find(group.begin(), group.end(), this);
  if (it == group.end()) return false;
  std::size_t n = group.size();
  std::size_t i = static_cast<std::size_t>(it - group.begin());
  TZupButt* next = group[step > 0 ? (i + 1) % n : (i + n - 1) % n];
  next->Click();
  next->TakeKeyboardFocus();
  return true;
}

void TZupButt::SetCaption(const std::string& caption) {
  fw::TControl::SetCaption(caption);
  Repaint();
}

void TZupButt::SetSize(size s) {
  // Only the four sizes have pictures; any other value is not one a button can take.
  if (static_cast<uint8_t>(s) > static_cast<uint8_t>(size::Grey)) return;
  size_ = s;
  ResetBitmap();
  Repaint();
}

void TZupButt::SetFontColorON(fw::TColor c) {
  font_color_on_ = c;
  Repaint();
}

void TZupButt::SetFontColorOFF(fw::TColor c) {
  font_color_off_ = c;
  Repaint();
}

void TZupButt::Click() {
  if (radio_) {
    SetDown(true);
    if (fw::TWinControl* parent = Parent()) {
      for (int i = parent->ControlCount() - 1; i >= 0; --i) {
        auto* sibling = dynamic_cast<TZupButt*>(parent->Controls(i));
        if (sibling && sibling != this) sibling->SetDown(false);
      }
    }
  }
  fw::Raise(OnClick, this);
}

void TZupButt::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TZupButt::MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TZupButt::MouseMove(fw::TShiftState shift, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, shift, x, y);
}

void TZupButt::SetBounds(int left, int top, int, int) {
  const fw::TPoint s = ZupButtSize(size_, Scale());
  fw::TGraphicControl::SetBounds(left, top, s.X, s.Y);
}

void TZupButt::ResetBitmap() {
  SetBounds(Left(), Top(), 0, 0);
  // Taken when first painted: a button read from a layout changes its size before
  // anyone sees it.
  down_image_.reset();
  up_image_.reset();
}

void TZupButt::Paint() {
  const int w = Width();
  const int h = Height();

  // The picture and caption are composed off-screen, then drawn with the
  // composition's bottom-left colour left out.
  fw::TBitmap composition(w, h);
  composition.SetTransparent(true);
  composition.SetTransparentMode(fw::TTransparentMode::tmAuto);
  fw::TCanvas& target = composition.Canvas();
  if (!down_image_ || !up_image_) {
    // Every button of one size shows the same pair: each picture is made once.
    const PicturePair names = PicturesFor(size_);
    down_image_ = fw::SharedResourcePicture(fw::ModuleHandle(), names.down, Scale());
    up_image_ = fw::SharedResourcePicture(fw::ModuleHandle(), names.up, Scale());
  }
  target.Draw(0, 0, down_ ? *down_image_ : *up_image_);

  // At most 255 characters, cut between whole characters, drawn as UTF-16.
  const std::string_view text = fw::FirstCharacters(Caption(), kMaxCaptionLength);
  const std::wstring wide = fw::Widen(text);
  HDC dc = target.Handle();
  {
    ::SetBkMode(dc, TRANSPARENT);
    fw::SelectObjectScope font(dc, CaptionFont());
    // The colour is used as it is stored: system colours are not looked up.
    fw::TColor colour = down_ ? font_color_on_ : font_color_off_;
    ::SetTextColor(dc, colour.Value() & 0xFFFFFF);
    const int length = static_cast<int>(fw::Utf8CharacterCount(text));
    CaptionPoint at = CaptionPosition(size_, w, length, char_width_, Scale());
    ::TextOutW(dc, at.X, at.Y, wide.data(), static_cast<int>(wide.size()));
  }
  if (ShowsFocusCue()) {
    // Only on pixels the composition draws, so that taking the cue away by painting
    // the button again leaves nothing behind.
    const uint32_t transparent = composition.TransparentColor().Value();
    for (fw::TPoint p : fw::FocusCueDots(FocusCueRect(size_, Scale()))) {
      if (auto colour = fw::FocusCueColour(target.Pixel(p.X, p.Y).Value(), transparent))
        target.SetPixel(p.X, p.Y, fw::TColor(*colour));
    }
  }
  Canvas().Draw(0, 0, composition);
}

fw::ScopedFont TZupButt::myCreateFont(HDC dc, const std::string& face, int height_tenths,
                                      int width_tenths, int attributes,
                                      bool use_logical_resolution) {
  float res_x = 0.0f;
  float res_y = 0.0f;
  if (!use_logical_resolution) {
    res_x = ResolutionFromSize(::GetDeviceCaps(dc, HORZRES), ::GetDeviceCaps(dc, HORZSIZE));
    res_y = ResolutionFromSize(::GetDeviceCaps(dc, VERTRES), ::GetDeviceCaps(dc, VERTSIZE));
  }
  // Logical pixels also stand in for a device that does not report its size.
  if (res_x <= 0.0f || res_y <= 0.0f) {
    res_x = static_cast<float>(::GetDeviceCaps(dc, LOGPIXELSX));
    res_y = static_cast<float>(::GetDeviceCaps(dc, LOGPIXELSY));
  }
  return CreateFontAtResolution(dc, face, height_tenths, width_tenths, attributes, res_x, res_y);
}

fw::ScopedFont TZupButt::CreateFontAtResolution(HDC dc, const std::string& face, int height_tenths,
                                                int width_tenths, int attributes, float res_x,
                                                float res_y) {
  fw::SavedDCState saved(dc);
  ::SetGraphicsMode(dc, GM_ADVANCED);
  ::ModifyWorldTransform(dc, nullptr, MWT_IDENTITY);
  ::SetViewportOrgEx(dc, 0, 0, nullptr);
  ::SetWindowOrgEx(dc, 0, 0, nullptr);

  FontPoint fp = FontPointFromTenths(width_tenths, height_tenths, res_x, res_y);
  POINT p{fp.X, fp.Y};
  ::DPtoLP(dc, &p, 1);

  LOGFONTW lf{};
  lf.lfHeight = FontHeightFromPoint(p.y);
  lf.lfWidth = 0;
  lf.lfWeight = (attributes & 1) ? FW_BOLD : FW_DONTCARE;
  lf.lfItalic = (attributes & 2) ? 1 : 0;
  lf.lfUnderline = (attributes & 4) ? 1 : 0;
  lf.lfStrikeOut = (attributes & 8) ? 1 : 0;
  lf.lfCharSet = ANSI_CHARSET;
  fw::Widen(face).copy(lf.lfFaceName, LF_FACESIZE - 1);
  fw::ScopedFont font(::CreateFontIndirectW(&lf));

  if (width_tenths != 0 && font) {
    TEXTMETRICW tm{};
    {
      fw::SelectObjectScope selected(dc, font.get());
      ::GetTextMetricsW(dc, &tm);
    }
    lf.lfWidth = FontWidthFromAverage(tm.tmAveCharWidth, p.x, p.y);
    font.reset(::CreateFontIndirectW(&lf));
  }
  return font;
}

const fw::PropertyTable& TZupButt::ClassProperties() {
  using fw::Published;
  using fw::TColor;
  static const fw::PropertyTable table(
      &fw::TControl::ClassProperties(),
      {
          Published<TZupButt, bool>("RadioButton", &TZupButt::RadioButton, &TZupButt::SetRadio,
                                    false, false),
          Published<TZupButt, bool>("Down", &TZupButt::Down, &TZupButt::SetDown, true, true),
          Published<TZupButt, std::string>("Caption", &TZupButt::Caption, &TZupButt::SetCaption,
                                           std::string("Zup"), std::nullopt),
          Published<TZupButt, size>("Size", &TZupButt::Size, &TZupButt::SetSize, size::Small,
                                    size::Small),
          Published<TZupButt, TColor>("FontColorON", &TZupButt::FontColorON,
                                      &TZupButt::SetFontColorON, fw::clWhite, fw::clCream),
          Published<TZupButt, TColor>("FontColorOFF", &TZupButt::FontColorOFF,
                                      &TZupButt::SetFontColorOFF, fw::clGray, fw::clGray),
          Published<TZupButt, bool>("Enabled", &TZupButt::Enabled, &TZupButt::SetEnabled, true,
                                    true),
          fw::PublishedEvent<TZupButt>("OnClick", &TZupButt::OnClick),
          fw::PublishedEvent<TZupButt>("OnMouseDown", &TZupButt::OnMouseDown),
          fw::PublishedEvent<TZupButt>("OnMouseUp", &TZupButt::OnMouseUp),
          fw::PublishedEvent<TZupButt>("OnMouseMove", &TZupButt::OnMouseMove),
      });
  return table;
}

}  // namespace widgets

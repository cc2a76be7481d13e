#include "widgets/DRLabel.h"

#include <windows.h>

#include <string>

namespace widgets {

TDRLabel::TDRLabel(fw::TComponent* owner) : fw::TLabel(owner) {
  saved_font_color_ = Font().Color();
  // Owned by the label: destroyed with it.
  timer_ = new fw::TTimer(this);
  timer_->SetInterval(static_cast<unsigned>(blink_interval_));
  timer_->SetEnabled(false);
  timer_->SetOnTimer([this](fw::TObject* sender) { FTimerOnTimer(sender); });
  // Room for the shadow below and right of the base label's size; only a new
  // label grows so.
  SetBounds(Left(), Top(), Width() + deep_, Height() + deep_);
}

TDRLabel::~TDRLabel() {
  // The timer's handler calls into this label: it goes first.
  DestroyComponents();
}

void TDRLabel::SetHiColor(fw::TColor c) {
  if (c == hi_color_) return;
  hi_color_ = c;
  Invalidate();
}

void TDRLabel::SetLoColor(fw::TColor c) {
  if (c == lo_color_) return;
  lo_color_ = c;
  Invalidate();
}

void TDRLabel::SetBorder(TDRBorder b) {
  if (b == border_ || !drlabel::IsBorder(b)) return;
  border_ = b;
  Invalidate();
}

void TDRLabel::SetCtl3D(bool v) {
  if (v == ctl3d_) return;
  ctl3d_ = v;
  Invalidate();
}

void TDRLabel::SetInterval(int ms) {
  if (ms == blink_interval_ || ms < 0) return;
  blink_interval_ = ms;
  timer_->SetInterval(static_cast<unsigned>(ms));
  Invalidate();
}

void TDRLabel::SetBlink(TDRBlink b) {
  if (b == blink_ || !drlabel::IsBlink(b)) return;
  const drlabel::BlinkColors next =
      drlabel::ChangeBlinkMode(blink_, b, Font().Color(), saved_font_color_);
  blink_ = b;
  saved_font_color_ = next.Saved;
  Font().SetColor(next.Font);
  timer_->SetEnabled(b != blNone);
  Invalidate();
}

void TDRLabel::SetShadowColor(fw::TColor c) {
  if (c == shadow_color_) return;
  shadow_color_ = c;
  Invalidate();
}

void TDRLabel::SetDeep(uint8_t deep) {
  if (deep == deep_ || !drlabel::IsDeep(deep)) return;
  deep_ = deep;
  Invalidate();
}

void TDRLabel::FTimerOnTimer(fw::TObject*) {
  // The font's change notification repaints the label in its next phase.
  Font().SetColor(drlabel::NextBlinkColor(blink_, Font().Color(), Color(), hi_color_, lo_color_,
                                          saved_font_color_));
}

void TDRLabel::Paint() {
  const fw::TRect client = ClientRect();
  const drlabel::PaintPlan plan = drlabel::PlanPaint({.Width = client.Width(),
                                                      .Height = client.Height(),
                                                      .Transparent = Transparent(),
                                                      .Enabled = Enabled(),
                                                      .Ctl3D = ctl3d_,
                                                      .Deep = Scale().ApplyAtLeastOne(deep_),
                                                      .Border = border_,
                                                      .Color = Color(),
                                                      .FontColor = Font().Color(),
                                                      .ShadowColor = shadow_color_});
  fw::TCanvas& c = Canvas();
  if (plan.Background) {
    c.Brush().SetColor(*plan.Background);
    c.FillRect(client);
  }
  if (plan.Frame) {
    // One-pixel edges filled as rectangles give exactly the frame's pixels.
    c.Brush().SetColor(plan.Frame->TopLeft);
    for (const fw::TRect& r : plan.FrameAt.TopLeft) c.FillRect(r);
    c.Brush().SetColor(plan.Frame->BottomRight);
    for (const fw::TRect& r : plan.FrameAt.BottomRight) c.FillRect(r);
  }
  c.Brush().SetStyle(fw::TBrushStyle::bsClear);

  const unsigned format = fw::LabelTextFormat(Alignment(), true, ShowAccelChar());
  const std::string text(drlabel::DrawnCaption(Caption()));
  c.Font().Assign(Font());
  if (plan.Shadow) {
    c.Font().SetColor(plan.ShadowColor);
    c.DrawText(*plan.Shadow, text, format);
  }
  if (plan.Text) {
    c.Font().SetColor(plan.TextColor);
    c.DrawText(*plan.Text, text, format);
  }
}

const fw::PropertyTable& TDRLabel::ClassProperties() {
  using fw::Published;
  using fw::TColor;
  using T = TDRLabel;
  static const fw::PropertyTable table(
      &fw::TLabel::ClassProperties(),
      {
          Published<T, TColor>("HiColor", &T::HiColor, &T::SetHiColor, fw::clBlue, std::nullopt),
          Published<T, TColor>("LoColor", &T::LoColor, &T::SetLoColor, fw::clNavy, std::nullopt),
          Published<T, TDRBorder>("Border", &T::Border, &T::SetBorder, boNone, std::nullopt),
          Published<T, bool>("Ctl3D", &T::Ctl3D, &T::SetCtl3D, true, std::nullopt),
          Published<T, int>("BlinkInterval", &T::BlinkInterval, &T::SetInterval, 300, std::nullopt),
          Published<T, TDRBlink>("Blink", &T::Blink, &T::SetBlink, blNone, std::nullopt),
          Published<T, TColor>("ShadowColor", &T::ShadowColor, &T::SetShadowColor,
                               fw::clBtnHighlight, fw::clBtnHighlight),
          Published<T, uint8_t>("Deep", &T::Deep, &T::SetDeep, 1, std::nullopt),
      });
  return table;
}

}  // namespace widgets

// TDRLabel: a label that draws its caption twice, a shadow copy shifted right and
// down by Deep pixels and the caption on top, for an engraved or raised look; it
// can frame itself and blink on a timer of its own.
#pragma once

#include <cstdint>

#include "framework/Properties.h"
#include "framework/StdCtrls.h"
#include "framework/Timer.h"
#include "widgets/DRLabelPaint.h"

namespace widgets {

class TDRLabel : public fw::TLabel {
 public:
  // A new label is 66 x 18 (the base label's size plus Deep), with a shadow in
  // clBtnHighlight one pixel down and right, no frame, not blinking.
  explicit TDRLabel(fw::TComponent* owner);
  // Stops and destroys the blink timer before the rest of the label goes.
  ~TDRLabel() override;

  // Each writer below ignores a value equal to the stored one and repaints later.
  fw::TColor HiColor() const { return hi_color_; }
  void SetHiColor(fw::TColor c);
  fw::TColor LoColor() const { return lo_color_; }
  void SetLoColor(fw::TColor c);
  TDRBorder Border() const { return border_; }
  // A value that names no border is ignored.
  void SetBorder(TDRBorder b);
  // Whether the shadow is drawn.
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool v);
  // Milliseconds between blink phases; the timer takes it at once. A negative
  // value is ignored; 0 stops the blinking until another interval is set.
  int BlinkInterval() const { return blink_interval_; }
  void SetInterval(int ms);
  TDRBlink Blink() const { return blink_; }
  // Starts (blBlink, blHiLo) or stops (blNone) the timer. Starting from blNone
  // saves the font colour; any other change puts the saved colour back. A value
  // that names no mode is ignored.
  void SetBlink(TDRBlink b);
  fw::TColor ShadowColor() const { return shadow_color_; }
  void SetShadowColor(fw::TColor c);
  uint8_t Deep() const { return deep_; }
  // 1 or 2; other values are ignored. The label keeps its size.
  void SetDeep(uint8_t deep);

  // The blink timer, owned by the label.
  const fw::TTimer& BlinkTimer() const { return *timer_; }

  const fw::PropertyTable& Properties() const override { return ClassProperties(); }
  static const fw::PropertyTable& ClassProperties();

 protected:
  void Paint() override;

 private:
  // One blink phase: the next font colour of the mode.
  void FTimerOnTimer(fw::TObject* sender);

  fw::TTimer* timer_ = nullptr;
  fw::TColor saved_font_color_;
  fw::TColor hi_color_ = fw::clBlue;
  fw::TColor lo_color_ = fw::clNavy;
  TDRBorder border_ = boNone;
  bool ctl3d_ = true;
  int blink_interval_ = 300;
  TDRBlink blink_ = blNone;
  fw::TColor shadow_color_ = fw::clBtnHighlight;
  uint8_t deep_ = 1;
};

}  // namespace widgets

template <>
struct fw::EnumNames<widgets::TDRBorder> {
  static constexpr std::array<std::string_view, 4> kNames = {"boNone", "boSingle", "boRaised",
                                                             "boLowered"};
};
template <>
struct fw::EnumNames<widgets::TDRBlink> {
  static constexpr std::array<std::string_view, 3> kNames = {"blNone", "blBlink", "blHiLo"};
};

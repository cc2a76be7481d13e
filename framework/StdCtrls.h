// Standard labels and radio buttons.
#pragma once

#include <cstdint>
#include <string>

#include "framework/Properties.h"
#include "framework/TextFormat.h"
#include "framework/WinControl.h"

namespace fw {

enum class TTextLayout : uint8_t { tlTop, tlCenter, tlBottom };

// True when the platform draws this program with visual themes.
bool ThemesEnabled();

// A windowless text label. A new one is 65 × 17, sizes itself to its text
// (AutoSize), shows "&x" as an underlined x (ShowAccelChar) and is transparent
// when visual themes are on.
class TLabel : public TGraphicControl {
 public:
  explicit TLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment a);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout l);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool a);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool w);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool s);
  // A transparent label draws no background and lets what is beneath show.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool t);

  void Loaded() override;

  long AccessibleRole() const override;

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

 protected:
  void Paint() override;
  void TextChanged() override;
  void FontChanged() override;
  // The DT_ flags for the caption as the properties say.
  UINT TextFlags() const;
  // Sizes the label to its text when AutoSize is on.
  void AdjustBounds();

 private:
  TAlignment alignment_ = TAlignment::taLeftJustify;
  TTextLayout layout_ = TTextLayout::tlTop;
  bool auto_size_ = true;
  bool word_wrap_ = false;
  bool show_accel_char_ = true;
  bool transparent_ = false;
};

// A radio button with its own window. Selecting one, by a click, by Space or by
// SetChecked(true), deselects every TRadioButton with the same parent and raises
// OnClick; selecting the one already selected raises nothing.
class TRadioButton : public TCustomControl {
 public:
  explicit TRadioButton(TComponent* owner);

  bool Checked() const { return checked_; }
  void SetChecked(bool checked);

  long AccessibleRole() const override;
  long AccessibleStateBits() const override;
  bool AccessibleFocusable() const override { return true; }
  std::string AccessibleDefaultAction() const override { return "Check"; }
  void DoAccessibleDefaultAction() override { SetChecked(true); }

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void KeyDown(uint16_t& key, TShiftState shift) override;
  // The dotted frame around the caption comes and goes.
  void FocusCueChanged() override { Invalidate(); }

 private:
  bool checked_ = false;
  bool pressed_ = false;
};

template <>
struct EnumNames<TAlignment> {
  static constexpr std::array<std::string_view, 3> kNames = {"taLeftJustify", "taRightJustify",
                                                             "taCenter"};
};
template <>
struct EnumNames<TTextLayout> {
  static constexpr std::array<std::string_view, 3> kNames = {"tlTop", "tlCenter", "tlBottom"};
};

}  // namespace fw

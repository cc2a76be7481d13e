// TFreeButton: a push button drawn from code. A rounded face in one base colour
// with bevel lines, a caption with an optional drop shadow, an optional glyph and
// an optional triangular lamp that toggles at every release of the left button.
// A dark shadow lies right of and below the face while it is up; pressed, the
// face moves one pixel right and down and the shadow goes.
#pragma once

#include <memory>
#include <string>

#include "framework/Bitmap.h"
#include "framework/Control.h"
#include "framework/Properties.h"
#include "widgets/FreeButtonColors.h"
#include "widgets/FreeButtonLayout.h"

namespace widgets {

class TFreeButton : public fw::TGraphicControl {
 public:
  // 83 x 31, up, lamp off, on the current button-face colour.
  explicit TFreeButton(fw::TComponent* owner);
  // Releases the font and the glyph picture with the button.
  ~TFreeButton() override;

  bool Down() const { return down_; }
  // Keeps the face drawn pressed while true, whatever the mouse does. Repaints at once.
  void setDown(bool down);

  // The colour writers store system colours resolved to their current RGB.
  // All writers below store and repaint later.
  fw::TColor DrawColor() const { return draw_color_; }
  void setDrawColor(fw::TColor c);
  fw::TColor LightColor() const { return light_color_; }
  void setLightColor(fw::TColor c);
  fw::TColor BackColor() const { return back_color_; }
  void setBackColor(fw::TColor c);
  // A preset face colour instead of DrawColor; a value beyond ccNone is ignored.
  TCustomColor CustomColor() const { return custom_color_; }
  void setCustomColor(TCustomColor cc);
  const std::string& Caption() const { return fw::TControl::Caption(); }
  void setCaption(const std::string& caption);
  // Copies every attribute of `font` into the button's own font. A change made
  // directly on Font() shows at the next repaint only.
  void setFont(const fw::TFont& font);
  // A value beyond the nine places is ignored.
  TTextPosition TextPosition() const { return text_position_; }
  void setTextPosition(TTextPosition p);
  bool DrawDropShadow() const { return draw_drop_shadow_; }
  void setDrawDropShadow(bool v);
  // The button's own picture; an empty one is not drawn. After changing it in place,
  // hand it to setGlyph.
  fw::TBitmap& Glyph() { return glyph_; }
  // Copies `picture` into the button's own glyph (the glyph itself: takes its change).
  void setGlyph(fw::TBitmap& picture);
  TGlyphPosition GlyphPosition() const { return glyph_position_; }
  void setGlyphPosition(TGlyphPosition p);
  // Leaves the glyph's top-left colour undrawn.
  bool TransparentGlyph() const { return transparent_glyph_; }
  void setTransparentGlyph(bool v);
  bool DrawLight() const { return draw_light_; }
  void setDrawLight(bool v);
  int LightSize() const { return light_size_; }
  void setLightSize(int v);
  // The lamp takes a shade of the face colour instead of LightColor.
  bool AutoLightColor() const { return auto_light_color_; }
  void setAutoLightColor(bool v);

  // Whether the face is drawn pressed, and whether the lamp is lit.
  bool Pressed() const { return pressed_; }
  bool LampLit() const { return lamp_lit_; }

  // The face's base colour: the preset's, or DrawColor resolved.
  fw::TColor BaseColor() const;
  // The caption's top-left on a face `w` x `h`, measured in the button's font.
  fw::TPoint CaptionPosition(int w, int h);
  fw::TPoint GlyphPlace(int w, int h) const;

  // Leaving lets the face up unless Down holds it.
  void CMMouseEnter() override;
  void CMMouseLeave() override;
  // Disabling lets the face up unless Down holds it: a disabled button hears no
  // release.
  void SetEnabled(bool enabled) override;

  long AccessibleRole() const override;
  long AccessibleStateBits() const override;
  bool AccessibleFocusable() const override { return true; }
  std::string AccessibleDefaultAction() const override { return "Press"; }
  // What a click does.
  void DoAccessibleDefaultAction() override { Click(); }
  // Space and Enter click.
  bool FocusedKey(uint16_t key) override;

  const fw::PropertyTable& Properties() const override { return ClassProperties(); }
  static const fw::PropertyTable& ClassProperties();

 protected:
  void Paint() override;
  // A left press draws the face pressed (a double click's second press does not);
  // a left release lets it up unless Down holds it and toggles the lamp when it is
  // shown, after the framework has raised OnClick.
  void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
  void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
  // The button repaints from its writers, not from font or caption changes.
  void TextChanged() override {}
  void FontChanged() override {}
  // The glyph is scaled again; the rest follows the scale as it is drawn.
  void ScaleChanged() override { GlyphChanged(); }

 private:
  void DrawFace(fw::TCanvas& c, int face_w, int face_h, fw::TColor base);
  void DrawShadow(fw::TCanvas& c, int w, int h);
  // Makes the glyph's top-left colour its transparent one while TransparentGlyph is
  // on, makes its copy for the scale, and repaints.
  void GlyphChanged();
  // The glyph as drawn: the stored picture at 96 DPI, else its copy for the scale.
  fw::TBitmap& ShownGlyph() { return scaled_glyph_ ? *scaled_glyph_ : glyph_; }
  const fw::TBitmap& ShownGlyph() const { return scaled_glyph_ ? *scaled_glyph_ : glyph_; }

  fw::TBitmap glyph_;
  // The glyph scaled once for a display scale other than 96 DPI; null at 96 DPI.
  std::unique_ptr<fw::TBitmap> scaled_glyph_;
  bool down_ = false;
  fw::TColor draw_color_;
  fw::TColor light_color_;
  fw::TColor back_color_;
  TCustomColor custom_color_ = ccNone;
  TTextPosition text_position_ = tpMiddleCenter;
  bool draw_drop_shadow_ = true;
  TGlyphPosition glyph_position_ = gpTopCenter;
  bool transparent_glyph_ = true;
  bool draw_light_ = true;
  int light_size_ = 8;
  bool auto_light_color_ = true;

  bool pressed_ = false;
  bool lamp_lit_ = false;
};

}  // namespace widgets

template <>
struct fw::EnumNames<widgets::TCustomColor> {
  static constexpr std::array<std::string_view, 19> kNames = {
      "ccLeather",  "ccOldGold", "ccBuffedGold",  "ccBottleGreen",  "ccEmerald",
      "ccGlass",    "ccNight",   "ccGirder",      "ccBrushedSteel", "ccTwilight",
      "ccSapphire", "ccSky",     "ccRoyalPurple", "ccShadows",      "ccPastels",
      "ccRoyal",    "ccRuby",    "ccRose",        "ccNone"};
};
template <>
struct fw::EnumNames<widgets::TTextPosition> {
  static constexpr std::array<std::string_view, 9> kNames = {
      "tpTopLeft",      "tpMiddleLeft", "tpBottomLeft",  "tpTopCenter",  "tpMiddleCenter",
      "tpMiddleBottom", "tpTopRight",   "tpMiddleRight", "tpBottomRight"};
};
template <>
struct fw::EnumNames<widgets::TGlyphPosition> {
  static constexpr std::array<std::string_view, 9> kNames = {
      "gpTopLeft",      "gpMiddleLeft", "gpBottomLeft",  "gpTopCenter",  "gpMiddleCenter",
      "gpMiddleBottom", "gpTopRight",   "gpMiddleRight", "gpBottomRight"};
};

// TZupButt: a button drawn from a pair of pictures in the module's resources, with
// a small bold caption; radio buttons among siblings behave as one group.
#pragma once

#include <memory>
#include <string>

#include "framework/Bitmap.h"
#include "framework/Control.h"
#include "framework/HandleNames.h"
#include "framework/Properties.h"
#include "framework/SharedPictures.h"
#include "widgets/ZupButtLayout.h"

namespace widgets {

class TZupButt : public fw::TGraphicControl {
 public:
  explicit TZupButt(fw::TComponent* owner);
  // Lets go of the pictures and the caption font.
  ~TZupButt() override;

  bool RadioButton() const { return radio_; }
  // Stores; no repaint.
  void SetRadio(bool radio) { radio_ = radio; }
  bool Down() const { return down_; }
  // Stores and repaints at once, also when unchanged.
  void SetDown(bool down);
  const std::string& Caption() const { return fw::TControl::Caption(); }
  // Stores and repaints at once.
  void SetCaption(const std::string& caption);
  size Size() const { return size_; }
  // Stores, takes the size's pictures and size, and repaints at once. A value that
  // names no size is ignored.
  void SetSize(size s);
  fw::TColor FontColorON() const { return font_color_on_; }
  void SetFontColorON(fw::TColor c);
  fw::TColor FontColorOFF() const { return font_color_off_; }
  void SetFontColorOFF(fw::TColor c);

  // A radio button goes down and puts every TZupButt sibling up; then OnClick.
  void Click() override;
  // Raise only their events; a press draws nothing.
  void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
  void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
  void MouseMove(fw::TShiftState shift, int x, int y) override;

  // The position is kept; the size is always the pictures' size for Size.
  void SetBounds(int left, int top, int width, int height) override;

  // Forces the size for Size; the picture pair for it is taken at the next paint.
  void ResetBitmap();

  // A font `height_tenths` by `width_tenths` tenths of a point (width 0: the
  // face's own) at the device's logical resolution or, without
  // `use_logical_resolution`, its physical one. Attribute bits: 1 bold, 2 italic,
  // 4 underline, 8 strike-out. The caller owns the font.
  static fw::ScopedFont myCreateFont(HDC dc, const std::string& face, int height_tenths,
                                     int width_tenths, int attributes, bool use_logical_resolution);
  // The same font at a resolution given in pixels per inch.
  static fw::ScopedFont CreateFontAtResolution(HDC dc, const std::string& face, int height_tenths,
                                               int width_tenths, int attributes, float res_x,
                                               float res_y);

  // The per-character width that centres the caption.
  int CharWidth() const { return char_width_; }
  HFONT CaptionFont() const { return caption_font_ ? caption_font_->Font.get() : nullptr; }

  long AccessibleRole() const override;
  long AccessibleStateBits() const override;
  bool AccessibleFocusable() const override;
  std::string AccessibleDefaultAction() const override;
  // What a click does.
  void DoAccessibleDefaultAction() override { Click(); }
  // Space and Enter click; in a group of radio buttons the arrows choose the previous
  // or next one.
  bool FocusedKey(uint16_t key) override;

  const fw::PropertyTable& Properties() const override { return ClassProperties(); }
  static const fw::PropertyTable& ClassProperties();

 protected:
  void Paint() override;
  void TextChanged() override {}
  // Takes the pictures, size and caption font for the new scale.
  void ScaleChanged() override;

 private:
  // The caption font and the character width that centres the caption, at the scale.
  void MakeCaptionFont();

  // Shared with the other buttons of the same size (pictures) and scale (font); the
  // pictures are null until the button is first painted after a change of size.
  std::shared_ptr<fw::TBitmap> down_image_;
  std::shared_ptr<fw::TBitmap> up_image_;
  std::shared_ptr<const fw::SharedFont> caption_font_;
  int char_width_ = 0;
  bool radio_ = false;
  bool down_ = true;
  size size_ = size::Small;
  fw::TColor font_color_on_ = fw::clWhite;
  fw::TColor font_color_off_ = fw::clGray;
};

}  // namespace widgets

template <>
struct fw::EnumNames<widgets::size> {
  static constexpr std::array<std::string_view, 4> kNames = {"Small", "Medium", "Big", "Grey"};
};

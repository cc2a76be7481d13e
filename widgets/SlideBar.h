// TSlideBar: a focusable slider whose masked thumb slides along a drawn trench,
// vertically or horizontally, moved by mouse and keyboard. Every setting of the
// position at run time raises OnChange.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/Bitmap.h"
#include "framework/Properties.h"
#include "framework/SharedPictures.h"
#include "framework/WinControl.h"
#include "widgets/SlideBarGeometry.h"

namespace widgets {

class TSlideBar : public fw::TCustomControl {
 public:
  // 15 x 100, vertical, range 0..100 at position 1, with the tsBar3 thumb.
  explicit TSlideBar(fw::TComponent* owner);
  ~TSlideBar() override;

  int Min() const { return min_; }
  void SetMin(int v);
  int Max() const { return max_; }
  void SetMax(int v);
  int Position() const { return position_; }
  // Moves the thumb without repainting the control; values outside [Min, Max] are
  // ignored. At run time OnChange follows every call.
  void SetPosition(int v);
  TOrientation Orientation() const { return orientation_; }
  // Turning the slider swaps its width and height and its cross-bar thumbs.
  void SetOrientation(TOrientation o);
  TBarStyle Style() const { return style_; }
  void SetStyle(TBarStyle s);
  int Thickness() const { return thickness_; }
  // 1 to 12; other values are ignored.
  void SetThickness(int v);
  TThumbStyle ThumbStyle() const { return thumb_style_; }
  // Throws fw::Exception for a value outside the 18 styles (the value is kept).
  void SetThumbStyle(TThumbStyle s);
  bool Ticks() const { return ticks_; }
  void SetTicks(bool v);
  int Frequency() const { return frequency_; }
  void SetFrequency(int v);
  int StepLine() const { return step_line_; }
  void SetStepLine(int v);
  int StepPage() const { return step_page_; }
  void SetStepPage(int v);
  fw::TColor TicksColor() const { return ticks_color_; }
  void SetTickColor(fw::TColor c);
  // The trench's fill. A plain store: the trench keeps its colour, also under thumb
  // moves, until the next full paint (a paint message or a writer that repaints).
  fw::TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(fw::TColor c);
  // While set, the trench takes a colour from a ramp that follows the position.
  bool FlashColor() const { return flash_color_; }
  void SetFlashColor(bool v);
  // Shows the slider's own hand cursor instead of the Cursor property.
  bool HandCursor() const { return hand_cursor_; }
  void SetHandCursor(bool v) { hand_cursor_ = v; }
  const std::vector<std::string>& Labels() const { return labels_; }
  void SetLabels(const std::vector<std::string>& labels) { labels_ = labels; }

  // The label for the current position, or "<Un-Defined>".
  std::string CurrentLabel() const;
  // Change the position by n, stopping at the ends.
  void MoveUp(int n);
  void MoveDown(int n);
  bool IsVert() const { return orientation_ == orVertical; }
  // The position value for the client point (x, y).
  int NewPosition(int x, int y) const;

  // Where the thumb is drawn, in client pixels (before the first drawing, where it
  // will be).
  fw::TRect ThumbRect() const { return plain_.Empty() ? ThumbPlace() : thumb_rect_; }
  // Where the thumb belongs for the current state, drawn yet or not.
  fw::TRect ThumbPlace() const;
  bool Dragging() const { return dragging_; }
  int HalfThumbWidth() const { return Thumb().Width() / 2; }
  int HalfThumbHeight() const { return Thumb().Height() / 2; }
  // The "HandPointer" cursor of the module; shared, never destroyed.
  HCURSOR HandCursorHandle() const;

  fw::TNotifyEvent OnChange;

  long AccessibleRole() const override;
  // The text its owner gave it, else the position.
  std::string AccessibleValue() const override;

  const fw::PropertyTable& Properties() const override { return ClassProperties(); }
  static const fw::PropertyTable& ClassProperties();

  // Draws the trench once the layout has given every property.
  void Loaded() override;

 protected:
  // Shows the pictures made when the state changed; remakes them only for a
  // FocusColor stored since the last full paint.
  void Paint() override;
  // Focus gained or lost, or the cues shown: the dotted frame comes or goes at once.
  void FocusCueChanged() override;
  void BoundsChanged(const fw::TRect& old_bounds) override;
  // The thumb's pictures and everything drawn from them follow the new scale.
  void ScaleChanged() override;
  void ColorChanged() override;
  LRESULT WMGetDlgCode() override;
  bool WMSetCursor(fw::TPoint p) override;
  void WMSize(int width, int height) override;
  // Capture taken away without a left release (another window took the mouse) ends
  // a drag: the thumb goes back to the position's place.
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void KeyDown(uint16_t& key, fw::TShiftState shift) override;
  void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
  void MouseMove(fw::TShiftState shift, int x, int y) override;
  void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

  // Drawing steps. `dc` is the surface the control is shown on.
  void DrawTrench(fw::TCanvas& canvas);
  void WhereIsBar();
  void SaveBackground();
  void DrawThumbBar(HDC dc);
  void RemoveThumbBar(HDC dc);
  void SetTLColor(fw::TCanvas& canvas);
  void SetBRColor(fw::TCanvas& canvas);

 private:
  slidebar::Layout CurrentLayout() const;
  // The thumb style's picture, with its mask, loaded and scaled to the control's
  // scale when first needed: a style or scale that the layout replaces before
  // anything is drawn is never loaded.
  const fw::TBitmap& Thumb() const;
  // Redraws the control without its thumb into `plain_`, the source of the thumb's
  // saved background.
  void DrawPlain();
  // Makes the pictures Paint shows from the state: the control without its thumb,
  // the thumb's place and what lies under it.
  void Rebuild();
  // Rebuild, then repaint at once.
  void Changed();
  // Moves the thumb on screen: puts back what was under it, places it anew, draws it.
  void MoveThumb(int new_position, bool accept);

  // Shared with the other sliders of the same thumb style and scale; made by Thumb.
  mutable std::shared_ptr<fw::TBitmap> thumb_bitmap_ = std::make_shared<fw::TBitmap>();
  mutable std::shared_ptr<fw::TBitmap> mask_bitmap_ = std::make_shared<fw::TBitmap>();
  // The pictures above are not those of the style and scale.
  mutable bool thumb_stale_ = true;
  // Set once the constructor is done: the size it gives draws nothing yet.
  bool constructed_ = false;
  fw::TBitmap background_bitmap_;
  // The control as painted, without the thumb.
  fw::TBitmap plain_;
  // Loaded when first asked for.
  mutable HCURSOR hand_cursor_handle_ = nullptr;

  int min_ = 0;
  int max_ = 100;
  int position_ = 1;
  TOrientation orientation_ = orVertical;
  TBarStyle style_ = bsLowered;
  int thickness_ = 2;
  TThumbStyle thumb_style_ = tsBar3;
  bool ticks_ = true;
  int frequency_ = 2;
  int step_line_ = 1;
  int step_page_ = 10;
  fw::TColor ticks_color_ = fw::clGray;
  fw::TColor focus_color_ = fw::clSilver;
  // The fill the trench is drawn with: FocusColor as of the last full paint.
  fw::TColor shown_focus_color_ = fw::clSilver;
  bool flash_color_ = false;
  bool hand_cursor_ = false;
  std::vector<std::string> labels_;

  fw::TRect thumb_rect_;
  bool dragging_ = false;
  int last_mouse_ = 0;
};

}  // namespace widgets

namespace fw {
template <>
struct EnumNames<widgets::TOrientation> {
  static constexpr std::array<std::string_view, 2> kNames = {"orVertical", "orHorizontal"};
};
template <>
struct EnumNames<widgets::TBarStyle> {
  static constexpr std::array<std::string_view, 2> kNames = {"bsLowered", "bsRaised"};
};
template <>
struct EnumNames<widgets::TThumbStyle> {
  static constexpr std::array<std::string_view, widgets::slidebar::kThumbStyleCount> kNames = {
      "tsBar1",     "tsBar2",      "tsBar3",     "tsBar4",     "tsCircle1", "tsSquare1",
      "tsDiamond1", "tsDiamond2",  "tsDiamond3", "tsDiamond4", "tsStdDown", "tsStdUp",
      "tsStdVBar",  "tsStdUpDown", "tsStdLeft",  "tsStdRight", "tsStdHBar", "stStdLeftRight"};
};
}  // namespace fw

// Top-level forms and panels.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "framework/Properties.h"
#include "framework/WinControl.h"

namespace fw {

enum class TFormBorderStyle : uint8_t { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum class TFormStyle : uint8_t { fsNormal, fsStayOnTop };
// Border icon bits.
enum TBorderIcon : uint8_t { biSystemMenu = 1, biMinimize = 2, biMaximize = 4 };

// A top-level window. It starts hidden; closing it (Alt+F4, or WM_CLOSE from anyone)
// hides it, and no message destroys it. Its
// position is in screen coordinates and Width/Height include the frame.
class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* owner);
  // Destroys the owned components while the form is still whole.
  ~TForm() override;

  TFormBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TFormBorderStyle s);
  uint8_t BorderIcons() const { return border_icons_; }
  void SetBorderIcons(uint8_t icons);
  TFormStyle FormStyle() const { return form_style_; }
  void SetFormStyle(TFormStyle s);

  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  void SetClientWidth(int w);
  void SetClientHeight(int h);

  void SetVisible(bool visible) override;
  TRect ClientRect() const override;

  // Until the form is first shown on a monitor, its child windows are not made and
  // nothing of it is drawn: a form shown where no monitor is (as a start-up may show
  // it, out of sight) costs neither. A request for a child's window or for the
  // form's accessible object makes the child windows at once. For a form not yet
  // shown.
  void WaitForScreen();
  bool WaitingForScreen() const { return wait_for_screen_; }

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

 protected:
  void CreateParams(TCreateParams& params) override;
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  void PaintWindow(HDC dc) override { PaintWithCanvas(dc); }
  void TextChanged() override;

 private:
  // Window styles for the current border settings.
  void FrameStyles(DWORD& style, DWORD& ex_style) const;
  void RecreateHandle();
  // The outer size that gives a client area of w × h.
  SIZE OuterSize(int w, int h) const;
  // Width and height that the frame adds to the client area.
  SIZE FrameSize() const;
  // Shown and on a monitor now: the child windows are made, and what was not drawn
  // is drawn.
  void CameOnScreen();

  TFormBorderStyle border_style_ = TFormBorderStyle::bsSizeable;
  uint8_t border_icons_ = biSystemMenu | biMinimize | biMaximize;
  TFormStyle form_style_ = TFormStyle::fsNormal;
  bool wait_for_screen_ = false;
  // Something was taken as drawn while waiting for the screen.
  bool unpainted_ = false;
};

enum class TPanelBevel : uint8_t { bvNone, bvLowered, bvRaised };

// A plain container with its own colour, an optional one-pixel bevel and a
// centred caption.
class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* owner);

  TPanelBevel BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TPanelBevel b);

  long AccessibleRole() const override;

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

 protected:
  void Paint() override;

 private:
  TPanelBevel bevel_outer_ = TPanelBevel::bvRaised;
};

// The property rows of a control's Color and ParentColor, and of its Font, for
// classes that publish them.
std::vector<PropertyInfo> ColorProperties();
std::vector<PropertyInfo> FontProperties();

// What a new control's font is, for a class whose constructor sets its own.
struct FontStart {
  uint8_t Charset;
  TColor Color;
  int Height;
  std::string Name;
  uint8_t Style;
};
// The five Font.* rows alone (no ParentFont). Each writer also asks for a repaint,
// for classes that do not repaint on every change made directly on their font.
// With `start`, the rows carry those constructor values.
std::vector<PropertyInfo> FontAttributeProperties(const std::optional<FontStart>& start = {});

template <>
struct EnumNames<TFormBorderStyle> {
  static constexpr std::array<std::string_view, 5> kNames = {"bsNone", "bsSingle", "bsSizeable",
                                                             "bsDialog", "bsToolWindow"};
};
template <>
struct EnumNames<TFormStyle> {
  static constexpr std::array<std::string_view, 2> kNames = {"fsNormal", "fsStayOnTop"};
};
template <>
struct EnumNames<TPanelBevel> {
  static constexpr std::array<std::string_view, 3> kNames = {"bvNone", "bvLowered", "bvRaised"};
};

}  // namespace fw

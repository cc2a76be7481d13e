// TBMShapedForm: a picture control that gives the form it sits on the outline of
// its picture. Pixels of the picture's bottom-left colour become holes in the
// form's window, the frame and caption vanish, and dragging the picture with the
// left button moves the form. At most one may sit on a form, and only directly on
// a form.
#pragma once

#include <windows.h>

#include "framework/HandleNames.h"
#include "framework/Image.h"
#include "framework/Properties.h"

namespace widgets {

class TBMShapedForm : public fw::TImage {
 public:
  // Fills its parent's client area (alClient); Moveable, neither AutoSize nor
  // Stretch. Every picture change rebuilds the shape.
  explicit TBMShapedForm(fw::TComponent* owner);
  // Releases a shape that was built but never handed to the window.
  ~TBMShapedForm() override;

  // Whether dragging with the left button moves the form.
  bool Moveable() const { return moveable_; }
  void SetMoveable(bool moveable) { moveable_ = moveable; }

  // Builds and applies the shape once the stored layout has been read.
  void Loaded() override;
  // Attaches to `parent`, then throws fw::Exception when that is not a form or
  // the form has another TBMShapedForm; the control stays attached either way.
  void SetParent(fw::TWinControl* parent) override;
  // After loading, every move or resize rebuilds and applies the shape.
  void SetBounds(int left, int top, int width, int height) override;

  // The reaction to a change of the picture: with AutoSize the form's client area
  // takes the picture's size; then the shape is built and applied.
  void PictureUpdate(fw::TObject* sender);

  // True when the last shape built had more rectangles than a window region may
  // hold (fw::kMaxWindowRegionRects). The form then shows its whole rectangle
  // instead of a shape that would end the process.
  bool ShapeTooComplex() const { return too_complex_; }

  const fw::PropertyTable& Properties() const override { return ClassProperties(); }
  static const fw::PropertyTable& ClassProperties();

 protected:
  // Builds the shape from the picture, in the parent window's coordinates,
  // unless one exists for the same size already.
  virtual void ObtainRegion();
  // Hands the shape to the parent window, which owns it from then on.
  virtual void RefreshForm();
  // Keeps exactly one of AutoSize and Stretch on, then paints the picture.
  void Paint() override;
  void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
  void MouseMove(fw::TShiftState shift, int x, int y) override;
  void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

 private:
  bool HasRegion() const { return region_ || applied_region_; }
  // Forgets the shape: releases one not yet applied; an applied one is the window's.
  void ForgetRegion();

  // Built and not yet handed to the window.
  fw::ScopedRegion region_;
  // Handed to the parent window, which owns it; never released here.
  HRGN applied_region_ = nullptr;
  int source_width_ = 0;
  int source_height_ = 0;
  int region_width_ = 0;
  int region_height_ = 0;
  bool last_stretch_ = false;
  bool last_auto_size_ = false;
  int mouse_down_x_ = 0;
  int mouse_down_y_ = 0;
  bool mouse_pressed_ = false;
  bool moveable_ = true;
  bool too_complex_ = false;
  // Set while PictureUpdate runs: the resizes it causes do not start it again.
  bool updating_ = false;
};

}  // namespace widgets

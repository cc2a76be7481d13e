// TImage: a windowless control that shows a picture, at its own size, stretched,
// scaled in proportion or centred, optionally with its bottom-left colour
// transparent; with AutoSize it takes the picture's size.
#pragma once

#include "framework/Control.h"
#include "framework/ImageLayout.h"
#include "framework/Picture.h"
#include "framework/Properties.h"

namespace fw {

class TImage : public TGraphicControl {
 public:
  // 105 x 105, no picture, every option off.
  explicit TImage(TComponent* owner);
  ~TImage() override;

  // Changes of the picture reach PictureChanged through the picture's OnChange;
  // a class that takes OnChange over replaces that reaction.
  TPicture& Picture() { return picture_; }
  const TPicture& Picture() const { return picture_; }

  // Sizes the control to its picture, now and after each picture change; an
  // aligned control takes its size from its parent instead.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool auto_size);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool stretch);
  bool Center() const { return center_; }
  void SetCenter(bool center);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool proportional);
  // Leaves the pixels of the picture's bottom-left colour undrawn.
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool transparent);

  // Where the picture is drawn now, in client coordinates.
  TRect DestRect() const;

  void Loaded() override;

  const PropertyTable& Properties() const override { return ClassProperties(); }
  static const PropertyTable& ClassProperties();

 protected:
  void Paint() override;
  // The image's own reaction to a picture change: AutoSize, then a repaint.
  virtual void PictureChanged(TObject* sender);
  // With AutoSize, gives an unaligned control its picture's size.
  void AdjustSize();

 private:
  TPicture picture_;
  bool auto_size_ = false;
  bool stretch_ = false;
  bool center_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
};

}  // namespace fw

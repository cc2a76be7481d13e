// The picture an image control shows: a bitmap read from a BMP file, from a
// bitmap resource, or copied from another bitmap. Every change raises OnChange.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Bitmap.h"
#include "framework/Component.h"

namespace fw {

class TPicture : public TObject {
 public:
  TPicture() = default;

  // The picture as a bitmap; empty when there is no picture.
  TBitmap& Bitmap() { return bitmap_; }
  int Width() const { return bitmap_.Width(); }
  int Height() const { return bitmap_.Height(); }
  bool Empty() const { return bitmap_.Empty(); }

  // Replaces the picture with the BMP file at `path` (UTF-8; a path that is not
  // valid UTF-8 is read in the ANSI code page). The file's bytes are checked
  // (CheckBmp) before any system code reads them. A file that is missing, cannot be
  // read or is refused throws Exception naming the file and the reason; the
  // picture then stays as it was and OnChange is not raised.
  void LoadFromFile(const std::string& path);
  // Replaces the picture with the bitmap resource `name` of `module`; false, with
  // the picture unchanged, when there is none of that name.
  bool LoadFromResourceName(HINSTANCE module, const std::wstring& name);
  // Replaces the picture with a 24-bit copy of `source` (none when it is empty).
  void Assign(TBitmap& source);
  // Removes the picture.
  void Clear();
  // The resource name of the last LoadFromResourceName, empty after any other change.
  const std::wstring& ResourceName() const { return resource_name_; }

  // Announces a change made by drawing on Bitmap() directly.
  void Changed();

  // Raised after every change, with the picture as sender.
  TNotifyEvent OnChange;

 private:
  // Takes ownership of `bitmap` (null: no picture) and announces the change.
  void Replace(HBITMAP bitmap);

  TBitmap bitmap_;
  std::wstring resource_name_;
};

}  // namespace fw

// Where an image control draws its picture inside its client area. No window is
// needed.
#pragma once

#include "framework/Geometry.h"

namespace fw {

struct ImagePlacement {
  bool Stretch = false;       // fill the client area
  bool Proportional = false;  // keep the picture's shape when scaling; shrink one that is too big
  bool Center = false;        // centre the drawn picture in the client area
};

// The rectangle the picture of `picture_w` x `picture_h` is drawn into, in a
// client area of `client_w` x `client_h`:
//  - Proportional, when stretching or when the picture is larger than the area:
//    the largest rectangle of the picture's shape that fits, rounded down;
//  - otherwise Stretch: the whole area; otherwise the picture's own size;
//  - at the top-left corner, or centred with Center (half the spare room, rounded
//    toward zero; a picture larger than the area then overhangs on both sides).
TRect ImageDestRect(int picture_w, int picture_h, int client_w, int client_h, ImagePlacement how);

}  // namespace fw

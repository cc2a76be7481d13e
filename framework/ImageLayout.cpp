#include "framework/ImageLayout.h"

#include <algorithm>
#include <cstdint>

namespace fw {

TRect ImageDestRect(int picture_w, int picture_h, int client_w, int client_h, ImagePlacement how) {
  picture_w = std::max(picture_w, 0);
  picture_h = std::max(picture_h, 0);
  client_w = std::max(client_w, 0);
  client_h = std::max(client_h, 0);
  int w = picture_w;
  int h = picture_h;
  bool too_big = picture_w > client_w || picture_h > client_h;
  if (how.Proportional && (how.Stretch || too_big) && picture_w > 0 && picture_h > 0) {
    // Compare the shapes by cross-multiplying, in 64 bits, instead of dividing.
    int64_t pw = picture_w, ph = picture_h, cw = client_w, ch = client_h;
    if (pw * ch >= ph * cw) {  // relatively wider than the area: full width
      w = client_w;
      h = static_cast<int>(ph * cw / pw);
    } else {
      h = client_h;
      w = static_cast<int>(pw * ch / ph);
    }
  } else if (how.Stretch) {
    w = client_w;
    h = client_h;
  }
  TRect r{0, 0, w, h};
  if (how.Center) r = r.Offset((client_w - w) / 2, (client_h - h) / 2);
  return r;
}

}  // namespace fw

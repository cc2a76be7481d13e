#include "framework/Align.h"

#include "framework/WinControl.h"

namespace fw {

TRect AlignedBounds(const TControl& control, const TRect& requested) {
  if (control.Align() == TAlign::alClient && control.Parent()) {
    return control.Parent()->ClientRect();
  }
  return requested;
}

void AlignChildren(TWinControl& parent) {
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* c = parent.Controls(i);
    if (c->Align() == TAlign::alNone) continue;
    TRect now = c->BoundsRect();
    if (AlignedBounds(*c, now) == now) continue;
    c->SetBounds(now.Left, now.Top, now.Width(), now.Height());
  }
}

}  // namespace fw

// How a control is placed in its parent's client area.
#pragma once

#include <cstdint>

#include "framework/Geometry.h"

namespace fw {

class TControl;
class TWinControl;

enum class TAlign : uint8_t {
  alNone,    // the control keeps the bounds it is given
  alClient,  // the control always fills its parent's client area
};

// The bounds `control` takes for the requested ones, given its alignment and
// its parent's client area.
TRect AlignedBounds(const TControl& control, const TRect& requested);

// Gives every aligned child of `parent` the bounds its alignment asks for; a
// child already there is left alone (its SetBounds is not called).
void AlignChildren(TWinControl& parent);

}  // namespace fw

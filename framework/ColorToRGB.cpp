// Resolving a colour to the RGB value drawn, which asks the system for system colours.
#include <windows.h>

#include "framework/Color.h"

namespace fw {

uint32_t ColorToRGB(TColor c) {
  if (c.IsSystem()) return ::GetSysColor(c.SystemIndex()) & 0xFFFFFF;
  return c.Value() & 0xFFFFFF;
}

}  // namespace fw

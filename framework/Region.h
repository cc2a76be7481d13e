// Regions made of many rectangles, built fast enough for pictures with tens of
// thousands of them, and what a window region may hold.
#pragma once

#include <windows.h>

#include <span>

#include "framework/Geometry.h"
#include "framework/HandleNames.h"

namespace fw {

// The most rectangles a window region may have here. Under X a window's shape
// goes to the server as one request of 8 bytes per rectangle, and a request over
// 256 KiB (about 32,765 rectangles) ends the connection and the process with it.
// Long before that the window becomes unusable: setting a region and taking a DC
// of its window cost time that grows with the square of its rectangles, about
// 0.7 s and 0.13 s at 8,000 rectangles, 15 s and 4.6 s at 31,000. Up to this
// many, a shaped window still moves and paints without a noticeable wait.
inline constexpr int kMaxWindowRegionRects = 8000;

// The union of `rects` (empty ones add no area), or null when GDI fails. Each
// union costs time in proportion to the rectangles already in the region, so
// the regions are merged pairwise, equal sizes first, as in a binary counter:
// the cost grows as n log n instead of n squared, and no more than about
// log2(n) regions are alive at once. With no rectangles at all the result is
// null.
ScopedRegion UnionOfRects(std::span<const TRect> rects);

// The number of rectangles that make up `region` (0 for an empty one, -1 when
// it cannot be read).
int RegionRectCount(HRGN region);

}  // namespace fw

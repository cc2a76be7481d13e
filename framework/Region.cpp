#include "framework/Region.h"

#include <utility>
#include <vector>

namespace fw {

ScopedRegion UnionOfRects(std::span<const TRect> rects) {
  // pending[i] holds the union of 2^levels[i] consecutive rectangles (the last
  // may hold fewer); levels fall from the bottom of the stack to the top.
  std::vector<ScopedRegion> pending;
  std::vector<int> levels;
  for (const TRect& r : rects) {
    ScopedRegion merged(::CreateRectRgn(r.Left, r.Top, r.Right, r.Bottom));
    if (!merged) return ScopedRegion();
    int level = 0;
    while (!levels.empty() && levels.back() == level) {
      if (::CombineRgn(pending.back().get(), pending.back().get(), merged.get(), RGN_OR) == ERROR)
        return ScopedRegion();
      merged = std::move(pending.back());
      pending.pop_back();
      levels.pop_back();
      ++level;
    }
    pending.push_back(std::move(merged));
    levels.push_back(level);
  }
  if (pending.empty()) return ScopedRegion();
  // The rest, smallest first, into the largest.
  ScopedRegion result = std::move(pending.back());
  pending.pop_back();
  while (!pending.empty()) {
    if (::CombineRgn(pending.back().get(), pending.back().get(), result.get(), RGN_OR) == ERROR)
      return ScopedRegion();
    result = std::move(pending.back());
    pending.pop_back();
  }
  return result;
}

int RegionRectCount(HRGN region) {
  if (!region) return -1;
  DWORD size = ::GetRegionData(region, 0, nullptr);
  if (size < sizeof(RGNDATAHEADER)) return -1;
  std::vector<unsigned char> data(size);
  auto* header = reinterpret_cast<RGNDATA*>(data.data());
  if (::GetRegionData(region, size, header) == 0) return -1;
  return static_cast<int>(header->rdh.nCount);
}

}  // namespace fw

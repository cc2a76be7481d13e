// Points and rectangles in pixels. A rectangle's right and bottom edges lie
// outside it, as everywhere in the platform's drawing.
#pragma once

namespace fw {

struct TPoint {
  int X = 0;
  int Y = 0;
  friend constexpr bool operator==(TPoint, TPoint) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr bool Empty() const { return Right <= Left || Bottom <= Top; }
  // Left and top edges inside, right and bottom edges outside.
  constexpr bool Contains(TPoint p) const {
    return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom;
  }
  constexpr bool Intersects(const TRect& o) const {
    return !Empty() && !o.Empty() && Left < o.Right && o.Left < Right && Top < o.Bottom &&
           o.Top < Bottom;
  }
  constexpr TRect Offset(int dx, int dy) const {
    return {Left + dx, Top + dy, Right + dx, Bottom + dy};
  }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TRect Bounds(int left, int top, int width, int height) {
  return {left, top, left + width, top + height};
}

}  // namespace fw

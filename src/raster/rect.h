// TRect: the rectangle of the pixel-buffer interfaces (Left, Top, Right,
// Bottom; Right and Bottom exclusive), and the 64-bit form the drawing code
// clips in so that hostile coordinates cannot overflow.
#pragma once

#include <algorithm>
#include <cstdint>

namespace opal {

struct TRect {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Right = 0;
  int32_t Bottom = 0;

  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  bool operator==(const TRect&) const = default;
};

inline TRect Intersect(const TRect& a, const TRect& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

inline TRect BoundingBox(const TRect& a, const TRect& b) {
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

struct TRect64 {
  int64_t Left = 0;
  int64_t Top = 0;
  int64_t Right = 0;
  int64_t Bottom = 0;

  TRect64() = default;
  TRect64(int64_t l, int64_t t, int64_t r, int64_t b) : Left(l), Top(t), Right(r), Bottom(b) {}
  explicit TRect64(const TRect& r) : Left(r.Left), Top(r.Top), Right(r.Right), Bottom(r.Bottom) {}
  bool IsEmpty() const { return Left >= Right || Top >= Bottom; }
  int64_t Width() const { return Right - Left; }
  int64_t Height() const { return Bottom - Top; }
};

inline TRect64 Intersect(const TRect64& a, const TRect64& b) {
  return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
          std::min(a.Bottom, b.Bottom)};
}

}  // namespace opal

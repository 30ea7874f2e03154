// The shapes the mask kinds fill: sectors as polygons, and square blocks.
#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "wipes/custom_wipe.h"

namespace opal {

namespace {

struct TPoint {
  double X, Y;
};

// The point at `angle` (clockwise from 12 o'clock) on the circle.
TPoint OnCircle(double cx, double cy, double radius, double angle) {
  return {cx + radius * std::sin(angle), cy - radius * std::cos(angle)};
}

// Arc vertices per whole turn for a circle of `radius`: a chord of angle a
// lies at most radius·a²/8 inside the arc, so a = √(2/radius) keeps it
// within a quarter of a pixel.
double ArcSteps(double radius) { return std::ceil(2 * std::numbers::pi / std::sqrt(2 / std::max(radius, 2.0))); }

}  // namespace

void TWipeMask::DrawSectors(const std::vector<std::pair<double, double>>& sectors, double cx,
                            double cy, double radius) {
  ClearMask();
  const double turn = 2 * std::numbers::pi;
  const int32_t w = Mask.Width(), h = Mask.Height();
  std::vector<double> crossings;
  for (const auto& [from, to] : sectors) {
    const double sweep = to - from;
    if (!(sweep > 0)) continue;
    if (sweep >= turn) {
      Mask.Clear(255);
      return;
    }
    // Centre, the rounded end of the first radius, the arc, the rounded
    // end of the second radius.
    std::vector<TPoint> poly{{cx, cy}};
    const int32_t steps = std::max(2, static_cast<int32_t>(std::ceil(sweep / turn * ArcSteps(radius))));
    for (int32_t k = 0; k <= steps; ++k) {
      TPoint p = OnCircle(cx, cy, radius, from + sweep * k / steps);
      if (k == 0 || k == steps) p = {std::round(p.X), std::round(p.Y)};
      poly.push_back(p);
    }
    const size_t n = poly.size();
    for (int32_t y = 0; y < h; ++y) {
      const double yc = y + 0.5;
      crossings.clear();
      for (size_t i = 0; i < n; ++i) {
        const TPoint& a = poly[i];
        const TPoint& b = poly[(i + 1) % n];
        if ((a.Y <= yc && yc < b.Y) || (b.Y <= yc && yc < a.Y)) {
          crossings.push_back(a.X + (yc - a.Y) * (b.X - a.X) / (b.Y - a.Y));
        }
      }
      std::sort(crossings.begin(), crossings.end());
      uint8_t* row = MaskRow(y);
      for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
        // Pixels whose centre lies on the span, its ends included.
        const double l = std::ceil(crossings[i] - 0.5);
        const double r = std::floor(crossings[i + 1] - 0.5);
        const int32_t x0 = static_cast<int32_t>(std::clamp(l, 0.0, static_cast<double>(w)));
        const int32_t x1 = static_cast<int32_t>(std::clamp(r + 1, 0.0, static_cast<double>(w)));
        if (x1 > x0) std::fill(row + x0, row + x1, uint8_t{255});
      }
    }
  }
}

int32_t TWipeMask::BlockSize(int32_t p0) const {
  return std::max(1, std::min({std::max(10, p0), Width(), Height()}));
}

void TWipeMask::DrawBlocks(const std::vector<TWipeBlock>& blocks, int32_t s, int64_t first,
                           int64_t last) {
  ClearMask();
  first = std::max<int64_t>(first, 0);
  last = std::min<int64_t>(last, static_cast<int64_t>(blocks.size()));
  for (int64_t k = first; k < last; ++k) {
    const TWipeBlock& b = blocks[static_cast<size_t>(k)];
    FillMask({b.Column * s, b.Row * s, b.Column * s + s, b.Row * s + s}, 255);
  }
}

}  // namespace opal

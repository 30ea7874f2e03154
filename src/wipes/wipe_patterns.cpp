// The mask kinds: blinds, curtains, grids, dither, shadow, sectors, circle
// and blocks.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "storage/sk_random.h"
#include "wipes/rule_image.h"
#include "wipes/wipe_rows.h"
#include "wipes/wipe_kinds.h"

namespace opal {

namespace {

int64_t CeilDiv(int64_t a, int64_t b) { return (a + b - 1) / b; }

// Rounding to the nearest integer, ties to even.
int64_t RoundEven(double v) { return static_cast<int64_t>(std::nearbyint(v)); }

}  // namespace

// --- blinds --------------------------------------------------------------------

bool TWipeBlindH::UpdateMask() {
  const int64_t p0 = Params[0], p1 = Params[1];
  const int64_t b = Progress(p1 + 2 * p0 - 2);
  if (!NewLevel(b)) return false;
  Hard = p1 < 2;
  uint8_t* row = MaskRow(0);
  for (int32_t x = 0; x < Mask.Width(); ++x) {
    const int64_t m = x % p0;
    const int64_t e = Reverse ? 2 * (p0 - m - 1) : 2 * m;
    row[x] = static_cast<uint8_t>(WipeLevel(b - e, p1));
  }
  return true;
}

int32_t TWipeBlindV::MaskHeight() const {
  return std::max(1, std::min(std::max(Params[0], 2), Height()));
}

bool TWipeBlindV::UpdateMask() {
  const int64_t p0 = Params[0], p1 = Params[1];
  const int64_t b = Progress(p1 + 2 * p0 - 2);
  if (!NewLevel(b)) return false;
  bool between = false;
  for (int32_t y = 0; y < Mask.Height(); ++y) {
    const int64_t e = Reverse ? 2 * (p0 - y - 1) : 2 * int64_t{y};
    const int32_t v = WipeLevel(b - e, p1);
    between = between || (v > 0 && v < 255);
    std::memset(MaskRow(y), v, static_cast<size_t>(Mask.Width()));
  }
  Hard = p1 < 2 && !between;
  return true;
}

// --- curtains ------------------------------------------------------------------

namespace {

void CurtainOrder(int32_t positions, int64_t p0, int64_t p1, bool reverse,
                  std::vector<int64_t>& order, int64_t& span) {
  order.resize(static_cast<size_t>(std::max(positions, 0)));
  for (int32_t i = 0; i < positions; ++i) {
    const int64_t f = reverse ? positions - i - 1 : i;
    order[static_cast<size_t>(i)] = 16 * (f / p0 + f % p0);
  }
  span = (CeilDiv(positions, p0) + p0 - 2) * 16 + p1;
}

int32_t AtLeastOne(int32_t v) { return v < 1 ? 1 : v; }

}  // namespace

void TWipeCurtainH::SetParam(int32_t index, int32_t value) {
  TCustomWipe::SetParam(index, AtLeastOne(value));
}

void TWipeCurtainH::BuildOrder(std::vector<int64_t>& order, int64_t& span) {
  CurtainOrder(Positions(), Params[0], Params[1], Reverse, order, span);
  Hard = Params[1] < 2;
}

void TWipeCurtainV::SetParam(int32_t index, int32_t value) {
  TCustomWipe::SetParam(index, AtLeastOne(value));
}

void TWipeCurtainV::BuildOrder(std::vector<int64_t>& order, int64_t& span) {
  CurtainOrder(Positions(), Params[0], Params[1], Reverse, order, span);
  Hard = Params[1] < 2;
}

// --- grids ---------------------------------------------------------------------

int64_t TWipeGrid::CellOrder(int32_t i, int32_t j, int32_t nx, int32_t ny) const {
  if (Reverse) {
    i = nx - i - 1;
    j = ny - j - 1;
  }
  return 4 * RoundEven(std::sqrt(double(i) * i + double(j) * j));
}

int64_t TWipeGrid::Span(int32_t nx, int32_t ny) const {
  const double a = nx - 1, b = ny - 1;
  return 4 * RoundEven(std::sqrt(a * a + b * b));
}

bool TWipeGrid::UpdateMask() {
  const int64_t p0 = Params[0], p1 = Params[1];
  const int32_t nx = static_cast<int32_t>(CeilDiv(std::max(Width(), 1), p0));
  const int32_t ny = static_cast<int32_t>(CeilDiv(std::max(Height(), 1), p0));
  const int64_t b = Progress(p1 + Span(nx, ny) - 4);
  if (!NewLevel(b)) return false;
  Hard = p1 < 2;
  ClearMask();
  const int32_t rows = CellRows(ny);
  for (int32_t j = 0; j < rows; ++j) {
    for (int32_t i = 0; i < nx; ++i) {
      const int64_t d = b - CellOrder(i, j, nx, ny);
      if (d < 0) continue;
      const int64_t side = std::min(p0, p0 * std::min(d, p1) / p1);
      const int64_t left = i * p0 + (p0 - side) / 2, top = j * p0 + (p0 - side) / 2;
      const int64_t limitX = Mask.Width(), limitY = Mask.Height();
      if (left >= limitX || top >= limitY) continue;
      const TRect r{static_cast<int32_t>(left), static_cast<int32_t>(top),
                    static_cast<int32_t>(std::min(left + side, limitX)),
                    static_cast<int32_t>(std::min(top + side, limitY))};
      FillMask(r, static_cast<uint8_t>(WipeLevel(d, p1)));
    }
  }
  return true;
}

int32_t TWipeGridH::MaskHeight() const {
  return std::max(1, std::min(std::max(Params[0], 2), Height()));
}

int64_t TWipeGridH::CellOrder(int32_t i, int32_t, int32_t nx, int32_t) const {
  return 4 * int64_t{Reverse ? nx - i - 1 : i};
}

int64_t TWipeGridH::Span(int32_t nx, int32_t) const { return 4 * int64_t{nx}; }

int64_t TWipeGridV::CellOrder(int32_t, int32_t j, int32_t, int32_t ny) const {
  return 4 * int64_t{Reverse ? ny - j - 1 : j};
}

int64_t TWipeGridV::Span(int32_t, int32_t ny) const { return 4 * int64_t{ny}; }

// --- dither --------------------------------------------------------------------

void TWipeDither::DoPrepare() {
  TWipeMask::DoPrepare();
  Hard = true;
  constexpr int32_t cells = kTile * kTile;
  TSkRandom random(12341);
  random.SetPool(cells);
  Order_.resize(cells);
  for (int32_t& a : Order_) a = random.Draw();
}

bool TWipeDither::UpdateMask() {
  const int64_t n = Progress(kTile * kTile);
  if (!NewLevel(n)) return false;
  uint8_t tile[kTile * kTile] = {};
  for (int64_t k = 0; k < n; ++k) tile[Order_[static_cast<size_t>(k)]] = 255;
  const int32_t w = Mask.Width();
  for (int32_t y = 0; y < Mask.Height(); ++y) {
    uint8_t* row = MaskRow(y);
    const uint8_t* src = tile + (y % kTile) * kTile;
    for (int32_t x = 0; x < w; x += kTile) {
      std::memcpy(row + x, src, static_cast<size_t>(std::min(kTile, w - x)));
    }
  }
  return true;
}

// --- shadow --------------------------------------------------------------------

void TWipeShadow::DoPrepare() {
  TWipeMask::DoPrepare();
  Rule_ = BuildRuleLevels(Context, MaskFile, Reverse, Mask.Width(), Mask.Height());
}

bool TWipeShadow::UpdateMask() {
  const int64_t level = Progress(512);
  if (!NewLevel(level)) return false;
  const int32_t w = Mask.Width();
  for (int32_t y = 0; y < Mask.Height(); ++y) {
    ShadowMaskRow(MaskRow(y), Rule_.data() + static_cast<size_t>(y) * static_cast<size_t>(w), w,
                  static_cast<int32_t>(level) - 256);
  }
  return true;
}

// --- sectors and circle ----------------------------------------------------------

namespace {

constexpr double kPi = std::numbers::pi;

double Radians(int32_t degrees) { return degrees * kPi / 180.0; }

// Progress of a sector kind in 1/65536 of its full opening: the mask is
// drawn again only when it moves.
constexpr int64_t kSectorSteps = 65536;

}  // namespace

bool TWipeClockhand::UpdateMask() {
  const int64_t level = Progress(kSectorSteps);
  if (!NewLevel(level)) return false;
  Hard = true;
  const double a0 = Radians(Params[0]);
  const double sweep = 2 * kPi * Time / Duration();
  const double cx = Width() / 2, cy = Height() / 2;
  const double radius = std::hypot(cx, cy);
  if (Reverse) {
    DrawSectors({{a0 - sweep, a0}}, cx, cy, radius);
  } else {
    DrawSectors({{a0, a0 + sweep}}, cx, cy, radius);
  }
  return true;
}

bool TWipeFan::UpdateMask() {
  const int64_t level = Progress(kSectorSteps);
  if (!NewLevel(level)) return false;
  Hard = true;
  const double a0 = Radians(Params[0]);
  const double half = kPi * Time / Duration();
  const double cx = Width() / 2, cy = Height() / 2;
  DrawSectors({{a0 - half, a0 + half}}, cx, cy, std::hypot(cx, cy));
  return true;
}

bool TWipeWFan::UpdateMask() {
  const int64_t level = Progress(kSectorSteps);
  if (!NewLevel(level)) return false;
  Hard = true;
  const double a0 = Radians(Params[0]);
  const double half = kPi / 2 * Time / Duration();
  const double cx = Width() / 2, cy = Height() / 2;
  DrawSectors({{a0 - half, a0 + half}, {a0 + kPi - half, a0 + kPi + half}}, cx, cy,
              std::hypot(cx, cy));
  return true;
}

bool TWipeCircle::UpdateMask() {
  const double cx = Width() / 2.0, cy = Height() / 2.0;
  const double d = std::hypot(cx, cy);
  const int64_t t = Time, total = Duration();
  const int64_t r = RoundEven(d * static_cast<double>(Reverse ? total - t : t) / total);
  if (!NewLevel(r)) return false;
  Hard = true;
  const uint8_t inside = Reverse ? 0 : 255;
  Mask.Clear(Reverse ? 255 : 0);
  const double r2 = static_cast<double>(r) * static_cast<double>(r);
  const int32_t w = Mask.Width();
  for (int32_t y = 0; y < Mask.Height(); ++y) {
    const double dy = y + 0.5 - cy;
    const double rest = r2 - dy * dy;
    if (rest <= 0) continue;
    // Centres x + 0.5 with (x + 0.5 − cx)² < rest.
    const double half = std::sqrt(rest);
    int64_t x0 = static_cast<int64_t>(std::floor(cx - half - 0.5)) + 1;
    int64_t x1 = static_cast<int64_t>(std::ceil(cx + half - 0.5)) - 1;
    x0 = std::max<int64_t>(x0, 0);
    x1 = std::min<int64_t>(x1, w - 1);
    if (x1 >= x0) std::memset(MaskRow(y) + x0, inside, static_cast<size_t>(x1 - x0 + 1));
  }
  return true;
}

// --- blocks --------------------------------------------------------------------

namespace {

// The blocks of an nx × ny grid in a clockwise spiral from the top-left
// corner inwards.
std::vector<TWipeBlock> Spiral(int32_t nx, int32_t ny) {
  std::vector<TWipeBlock> out;
  out.reserve(static_cast<size_t>(nx) * static_cast<size_t>(ny));
  int32_t left = 0, top = 0, right = nx - 1, bottom = ny - 1;
  while (left <= right && top <= bottom) {
    for (int32_t x = left; x <= right; ++x) out.push_back({x, top});
    for (int32_t y = top + 1; y <= bottom; ++y) out.push_back({right, y});
    if (top < bottom) {
      for (int32_t x = right - 1; x >= left; --x) out.push_back({x, bottom});
    }
    if (left < right) {
      for (int32_t y = bottom - 1; y > top; --y) out.push_back({left, y});
    }
    ++left, ++top, --right, --bottom;
  }
  return out;
}

}  // namespace

void TWipeBlockCoil::SetParam(int32_t index, int32_t value) {
  TWipeMask::SetParam(index, value);
  if (index == 0) Params[0] = BlockSize(Params[0]);
}

void TWipeBlockCoil::DoPrepare() {
  TWipeMask::DoPrepare();
  Hard = true;
  const int32_t s = BlockSize(Params[0]);
  Blocks_ = Spiral(static_cast<int32_t>(CeilDiv(Width(), s)), static_cast<int32_t>(CeilDiv(Height(), s)));
}

bool TWipeBlockCoil::UpdateMask() {
  const int64_t last = static_cast<int64_t>(Blocks_.size()) - 1;
  if (last < 0) return false;
  const int64_t first = Reverse ? last * (Duration() - int64_t{Time}) / Duration() : 0;
  const int64_t end = Reverse ? last + 1 : Progress(last) + 1;
  // One value orders both directions: the count of blocks shown.
  if (!NewLevel(end - first)) return false;
  DrawBlocks(Blocks_, BlockSize(Params[0]), first, end);
  return true;
}

void TWipeBlockRandom::SetParam(int32_t index, int32_t value) {
  TWipeMask::SetParam(index, value);
  if (index == 0) Params[0] = BlockSize(Params[0]);
}

void TWipeBlockRandom::DoPrepare() {
  TWipeMask::DoPrepare();
  Hard = true;
  const int32_t s = BlockSize(Params[0]);
  const int32_t nx = static_cast<int32_t>(CeilDiv(Width(), s));
  const int32_t ny = static_cast<int32_t>(CeilDiv(Height(), s));
  Blocks_.clear();
  for (int32_t y = 0; y < ny; ++y)
    for (int32_t x = 0; x < nx; ++x) Blocks_.push_back({x, y});
  TWipeRandom fallback(0);
  TWipeRandom& random = Context.Random != nullptr ? *Context.Random : fallback;
  for (size_t k = Blocks_.size(); k > 1; --k) {
    std::swap(Blocks_[k - 1], Blocks_[static_cast<size_t>(random.Next(static_cast<int32_t>(k)))]);
  }
}

bool TWipeBlockRandom::UpdateMask() {
  const int64_t last = static_cast<int64_t>(Blocks_.size()) - 1;
  if (last < 0) return false;
  const int64_t end = Progress(last) + 1;
  if (!NewLevel(end)) return false;
  DrawBlocks(Blocks_, BlockSize(Params[0]), 0, end);
  return true;
}

}  // namespace opal

// Stretching and rotation: nearest-neighbour sampling in 16.16 fixed point,
// the samples gathered into rows for the same kernels as unscaled drawing.
#include <cmath>
#include <numbers>

#include "raster/blit.h"
#include "raster/custom_dibx.h"

namespace opal {
using namespace raster_internal;

namespace raster_internal {

// A destination pixel samples the same source pixel whatever cuts the
// destination: a cut on the left or top advances the start by the cut times
// the ratio, and a cut on the right or bottom (by the stage, a parent's clip
// or a dirty rectangle) only shortens the walk and keeps the whole source
// rectangle. Narrowing the source to trunc(visible size × ratio) instead
// would drop the last visible column or row, whose sample lies past that
// width, and leave a line of unpainted pixels wherever one dirty rectangle
// of a stretched picture ends and the next begins.
bool MapStretch(const TRect& clip, const TRect& destRect, const TRect& srcRect,
                const TRect64& limit, bool flipV, bool flipH, TStretchMap& out) {
  const TRect64 d(destRect), s(srcRect);
  if (d.IsEmpty() || s.IsEmpty()) return false;
  out.Dst = Intersect(d, TRect64(clip));
  if (out.Dst.IsEmpty()) return false;
  const TRect64 valid = Intersect(s, limit);
  if (valid.IsEmpty()) return false;
  const double qx = static_cast<double>(s.Width()) / static_cast<double>(d.Width());
  const double qy = static_cast<double>(s.Height()) / static_cast<double>(d.Height());

  // One axis: the skipped part of the destination advances the source by
  // its whole part and keeps the fraction in 16.16.
  const auto axis = [](int64_t cut, double q, int64_t lo, int64_t hi, bool flip, int64_t vlo,
                       int64_t vhi, int64_t count, bool mirroredFromLast,
                       std::vector<int64_t>& map) {
    // A cut of 2^40 source pixels or more leaves nothing of any buffer to
    // sample; holding it there keeps every product below in range.
    constexpr double kFar = 1099511627776.0;
    const double r = std::min(static_cast<double>(cut) * q, kFar);
    const double whole = std::trunc(r);
    const int64_t f = static_cast<int64_t>((r - whole) * 65536.0);
    if (flip) hi -= static_cast<int64_t>(whole);
    else lo += static_cast<int64_t>(whole);
    int64_t step = static_cast<int64_t>(q * 65536.0);
    int64_t start;
    if (!flip) {
      start = lo * 65536 + f;
    } else {
      step = -step;
      start = mirroredFromLast ? (hi - 1) * 65536 - f : hi * 65536 - f - 1;
    }
    map.resize(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
      // start + i·step can pass 2^63 for a source 2^32 wide on a 2^15 row.
      const __int128 v = (static_cast<__int128>(start) + static_cast<__int128>(i) * step) >> 16;
      map[static_cast<size_t>(i)] = v >= vlo && v < vhi ? static_cast<int64_t>(v) : -1;
    }
  };
  axis(out.Dst.Left - d.Left, qx, s.Left, s.Right, flipH, valid.Left, valid.Right,
       out.Dst.Width(), false, out.Cols);
  axis(out.Dst.Top - d.Top, qy, s.Top, s.Bottom, flipV, valid.Top, valid.Bottom,
       out.Dst.Height(), true, out.Rows);
  return true;
}

}  // namespace raster_internal

namespace {

void StretchImage(TCustomDIBX& self, const TRect& destRect, TCustomDIBX* src, TCustomDIBX* mask,
                  bool flipV, bool flipH, const TRect& srcRect, TRowOp op, uint32_t amount,
                  bool useKey) {
  const TRect clip = self.EffectiveClip();
  if (clip.IsEmpty() || src == nullptr) return;
  const TImageOperands ops(&self, src, mask);
  if (!ops.Ok()) return;
  const TPixelAccess& d = ops.d;
  const TPixelAccess& s = ops.s;
  const TPixelAccess& m = ops.m;
  const TPixelAccess* mp = ops.Mask();
  TStretchMap map;
  if (!MapStretch(clip, destRect, srcRect, SourceLimit(s, mp), flipV, flipH, map)) return;

  TRowJob job;
  job.Amount = amount;
  job.UseKey = useKey && HasKey(*src);
  job.Key = KeyOf(*src);
  job.DstFormat = d.Format();
  job.SrcFormat = s.Format();
  const TRowKernel kernel = SelectKernel(op, *d.Format(), *s.Format());
  TSampledRows rows(map.Cols, *d.Format(), *s.Format(), mp != nullptr, op, job.UseKey);
  for (int64_t j = 0; j < map.Dst.Height(); ++j) {
    const int64_t sy = map.Rows[static_cast<size_t>(j)];
    if (sy < 0) continue;
    rows.Run(d.At(map.Dst.Left, map.Dst.Top + j), s.Row(sy), mp != nullptr ? m.Row(sy) : nullptr,
             kernel, job);
  }
}

void RotateImage(TCustomDIBX& self, int32_t cx, int32_t cy, TCustomDIBX* src, TCustomDIBX* mask,
                 bool flipV, bool flipH, int32_t angle, int32_t pivotY, int32_t pivotX,
                 const TRect& srcRect, int32_t scaleY, int32_t scaleX, TRowOp op,
                 uint32_t amount, bool useKey) {
  if (scaleX <= 0 || scaleY <= 0 || src == nullptr) return;
  const TRect clip = self.EffectiveClip();
  if (clip.IsEmpty()) return;
  const TImageOperands ops(&self, src, mask);
  if (!ops.Ok()) return;
  const TPixelAccess& d = ops.d;
  const TPixelAccess& s = ops.s;
  const TPixelAccess& m = ops.m;
  const TPixelAccess* mp = ops.Mask();
  const TRect64 sr(srcRect);
  const TRect64 valid = Intersect(sr, SourceLimit(s, mp));
  if (valid.IsEmpty()) return;

  const double theta = angle * 2.0 * std::numbers::pi / 256.0;
  const double sx = scaleX / 256.0, sy = scaleY / 256.0;
  const double c = std::cos(theta), sn = std::sin(theta);
  const int64_t dudx = static_cast<int64_t>(std::cos(-theta) / sx * 65536.0);
  const int64_t dvdx = static_cast<int64_t>(std::sin(-theta) / sy * 65536.0);
  const int64_t dudy = static_cast<int64_t>(-std::sin(-theta) / sx * 65536.0);
  const int64_t dvdy = static_cast<int64_t>(std::cos(-theta) / sy * 65536.0);

  double minX = HUGE_VAL, minY = HUGE_VAL, maxX = -HUGE_VAL, maxY = -HUGE_VAL;
  for (const int64_t px : {sr.Left, sr.Right}) {
    for (const int64_t py : {sr.Top, sr.Bottom}) {
      const double x = static_cast<double>(px) * sx - sx * pivotX;
      const double y = static_cast<double>(py) * sy - sy * pivotY;
      const double rx = x * c - y * sn + cx, ry = x * sn + y * c + cy;
      minX = std::min(minX, rx), maxX = std::max(maxX, rx);
      minY = std::min(minY, ry), maxY = std::max(maxY, ry);
    }
  }
  // The box is cut to the clip before it becomes integer, so no scale can
  // overflow the conversion.
  const auto cut = [](double v, int32_t lo, int32_t hi) {
    return static_cast<int64_t>(std::trunc(std::clamp(v, static_cast<double>(lo), static_cast<double>(hi))));
  };
  const TRect64 box(cut(minX, clip.Left, clip.Right), cut(minY, clip.Top, clip.Bottom),
                    cut(maxX + 1, clip.Left, clip.Right), cut(maxY + 1, clip.Top, clip.Bottom));
  if (box.IsEmpty()) return;

  TRowJob job;
  job.Amount = amount;
  job.UseKey = useKey && HasKey(*src);
  job.Key = KeyOf(*src);
  job.DstFormat = d.Format();
  job.SrcFormat = s.Format();
  const TRowKernel kernel = SelectKernel(op, *d.Format(), *s.Format());
  const int32_t n = static_cast<int32_t>(box.Width());
  const int32_t sb = s.Format()->Bytes;
  TGatherRow row(n, sb, mp != nullptr);
  for (int64_t y = box.Top; y < box.Bottom; ++y) {
    int64_t u = int64_t{pivotX} * 65536 + (box.Left - cx) * dudx + (y - cy) * dudy;
    int64_t v = int64_t{pivotY} * 65536 + (box.Left - cx) * dvdx + (y - cy) * dvdy;
    for (int32_t i = 0; i < n; ++i, u += dudx, v += dvdx) {
      const uint8_t* sp = nullptr;
      const uint8_t* mk = nullptr;
      if (u >= 0 && v >= 0) {
        const int64_t col = flipH ? sr.Right - (u >> 16) - 1 : u >> 16;
        const int64_t line = flipV ? sr.Bottom - (v >> 16) - 1 : v >> 16;
        if (col >= valid.Left && col < valid.Right && line >= valid.Top && line < valid.Bottom) {
          sp = s.At(col, line);
          if (mp != nullptr) mk = m.At(col, line);
        }
      }
      row.Src()[i] = sp;
      if (mp != nullptr) row.Mask()[i] = mk;
    }
    row.Run(d.At(box.Left, y), d.Format()->Bytes, kernel, job);
  }
}

}  // namespace

void TCustomDIBX::StretchDraw(const TRect& destRect, TCustomDIBX* src, int32_t opacity,
                              bool flipV, bool flipH, bool useKey, const TRect& srcRect) {
  if (opacity <= 0) return;
  if (opacity >= 255) {
    StretchImage(*this, destRect, src, nullptr, flipV, flipH, srcRect, TRowOp::CopyKey, 255, useKey);
  } else {
    StretchImage(*this, destRect, src, nullptr, flipV, flipH, srcRect, TRowOp::Alpha,
                 static_cast<uint32_t>(opacity), useKey);
  }
}

void TCustomDIBX::StretchDrawMask(const TRect& destRect, TCustomDIBX* src, int32_t opacity,
                                  TCustomDIBX* mask, bool flipV, bool flipH,
                                  const TRect& srcRect) {
  if (opacity <= 0 || mask == nullptr) return;
  if (opacity >= 255) {
    StretchImage(*this, destRect, src, mask, flipV, flipH, srcRect, TRowOp::Mask, 255, false);
  } else {
    StretchImage(*this, destRect, src, mask, flipV, flipH, srcRect, TRowOp::AlphaMask,
                 static_cast<uint32_t>(opacity), false);
  }
}

void TCustomDIBX::StretchDrawAdd(const TRect& destRect, TCustomDIBX* src, int32_t amount,
                                 bool flipV, bool flipH, bool useKey, const TRect& srcRect) {
  (void)useKey;  // as DrawAdd: the key always counts
  if (amount <= 0) return;
  StretchImage(*this, destRect, src, nullptr, flipV, flipH, srcRect, TRowOp::Add,
               static_cast<uint32_t>(std::min(amount, 255)), true);
}

void TCustomDIBX::StretchDrawAddMask(const TRect& destRect, TCustomDIBX* src, int32_t amount,
                                     TCustomDIBX* mask, bool flipV, bool flipH,
                                     const TRect& srcRect) {
  if (amount <= 0 || mask == nullptr) return;
  StretchImage(*this, destRect, src, mask, flipV, flipH, srcRect, TRowOp::AddMask,
               static_cast<uint32_t>(std::min(amount, 255)), false);
}

void TCustomDIBX::DrawRotate(int32_t cx, int32_t cy, int32_t opacity, bool flipV, bool flipH,
                             bool useKey, int32_t angle, int32_t pivotY, int32_t pivotX,
                             const TRect& srcRect, TCustomDIBX* src, int32_t scaleY,
                             int32_t scaleX) {
  if (opacity <= 0) return;
  const bool opaque = opacity >= 255;
  RotateImage(*this, cx, cy, src, nullptr, flipV, flipH, angle, pivotY, pivotX, srcRect, scaleY,
              scaleX, opaque ? TRowOp::CopyKey : TRowOp::Alpha,
              static_cast<uint32_t>(std::min(opacity, 255)), useKey);
}

void TCustomDIBX::DrawRotateMask(int32_t cx, int32_t cy, int32_t opacity, bool flipV, bool flipH,
                                 TCustomDIBX* mask, int32_t angle, int32_t pivotY,
                                 int32_t pivotX, const TRect& srcRect, TCustomDIBX* src,
                                 int32_t scaleY, int32_t scaleX) {
  if (opacity <= 0 || mask == nullptr) return;
  const bool opaque = opacity >= 255;
  RotateImage(*this, cx, cy, src, mask, flipV, flipH, angle, pivotY, pivotX, srcRect, scaleY,
              scaleX, opaque ? TRowOp::Mask : TRowOp::AlphaMask,
              static_cast<uint32_t>(std::min(opacity, 255)), false);
}

}  // namespace opal

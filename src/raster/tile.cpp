// Tiling: copies with gaps, stretched copies a step apart, and the
// pixel-wise repetition of TileFill and ZoomTile.
#include <cmath>

#include "raster/blit.h"
#include "raster/custom_dibx.h"

namespace opal {
using namespace raster_internal;

namespace {

// One axis of a gapped tiling: where each copy starts and which source
// span it shows. Only copies that reach [clipLo, clipHi) are listed; the
// caller has made sure that a whole copy and its gap advance.
struct TTileSpan {
  int64_t Pos, SrcLo, SrcHi;
};

std::vector<TTileSpan> TileSpans(int64_t destLo, int64_t clipLo, int64_t clipHi, int64_t srcLo,
                                 int64_t srcHi, int64_t offset, int64_t gap) {
  std::vector<TTileSpan> out;
  const int64_t w = srcHi - srcLo, advance = w + gap;
  const int64_t phase = offset >= 0 ? srcLo + offset % w : srcHi - (-offset) % w;
  int64_t pos = destLo;
  if (pos < clipHi && pos + (srcHi - phase) > clipLo && srcHi > phase)
    out.push_back({pos, phase, srcHi});
  pos += (srcHi - phase) + gap;
  if (pos + w <= clipLo) pos += ((clipLo - pos - w) / advance + 1) * advance;
  // Tiles wider than their advance overlap; beyond twice the clip's extent
  // only the last ones are kept (they are the ones on top), so a tile 2^32
  // wide advancing by one pixel cannot stall the caller.
  const int64_t cap = 2 * (clipHi - clipLo) + 2;
  if (pos < clipHi) {
    const int64_t n = (clipHi - pos + advance - 1) / advance;
    if (n > cap) pos += (n - cap) * advance;
  }
  for (; pos < clipHi; pos += advance) {
    if (pos + w > clipLo) out.push_back({pos, srcLo, srcHi});
  }
  return out;
}

// Repeats drawOne(x, y, part of the source) over destRect.
template <class F>
void TileImage(TCustomDIBX& self, const TRect& destRect, int32_t gapX, int32_t gapY,
               int32_t offsetX, int32_t offsetY, const TRect& srcRect, F drawOne) {
  const TRect clip = Intersect(destRect, self.EffectiveClip());
  const TRect64 s(srcRect);
  if (clip.IsEmpty() || s.IsEmpty()) return;
  if (s.Width() + gapX <= 0 || s.Height() + gapY <= 0) return;  // would never advance
  const TClipScope scope(self, clip);
  const auto cols = TileSpans(destRect.Left, clip.Left, clip.Right, s.Left, s.Right, offsetX, gapX);
  const auto rows = TileSpans(destRect.Top, clip.Top, clip.Bottom, s.Top, s.Bottom, offsetY, gapY);
  for (const TTileSpan& r : rows) {
    for (const TTileSpan& c : cols) {
      drawOne(Saturate32(c.Pos), Saturate32(r.Pos), Rect32(c.SrcLo, r.SrcLo, c.SrcHi, r.SrcHi));
    }
  }
}

// One axis of stretched tiling: 16.16 origins dx apart, the first one the
// phase before destLo.
struct TStretchAxis {
  int64_t First = 0, Step = 0, Size = 0;
};

TStretchAxis StretchAxis(int64_t destLo, int64_t srcSize, int32_t zoom, int32_t step,
                         int32_t offset) {
  TStretchAxis a;
  // Beyond 2^40 pixels nothing about a copy can show in a buffer; the caps
  // keep the 16.16 arithmetic inside 64 bits.
  constexpr double kCap = 1099511627776.0;
  a.Size = static_cast<int64_t>(std::clamp(std::trunc(static_cast<double>(srcSize) * zoom / 256.0), 1.0, kCap));
  a.Step = std::max<int64_t>(
      65536, std::llround(std::min(static_cast<double>(step) * zoom * 256.0, kCap * 65536.0 / 1024.0)));
  const double dx = static_cast<double>(a.Step) / 65536.0;
  const double f = std::fmod(offset / dx, 1.0);  // keeps the sign of offset
  const double phase = offset >= 0 ? f * dx : dx + f * dx;
  a.First = destLo * 65536 - std::llround(phase * 65536.0);
  return a;
}

// Origins of copies that reach [clipLo, clipHi) and start before destHi.
std::vector<int64_t> StretchOrigins(const TStretchAxis& a, int64_t clipLo, int64_t clipHi,
                                    int64_t destHi) {
  std::vector<int64_t> out;
  int64_t o = a.First;
  const int64_t reachLo = (clipLo - a.Size) * 65536;
  if (o < reachLo) o += (reachLo - o) / a.Step * a.Step;
  const int64_t end = std::min(clipHi, destHi) * 65536;
  // Copies no larger than the clip's extent number at most twice that
  // extent per axis. Larger ones overlap more often; of those only the last
  // ones drawn are kept, which are the ones on top.
  const int64_t cap = 2 * (clipHi - clipLo) + 2;
  if (o < end && (end - o) / a.Step > cap) o += ((end - o) / a.Step - cap) * a.Step;
  for (; o < end; o += a.Step) {
    if ((o >> 16) + a.Size > clipLo) out.push_back(o >> 16);
  }
  return out;
}

template <class F>
void TileStretch(TCustomDIBX& self, const TRect& destRect, int32_t stepX, int32_t stepY,
                 int32_t offsetX, int32_t offsetY, const TRect& srcRect, int32_t zoomX,
                 int32_t zoomY, F drawOne) {
  if (zoomX <= 0 || zoomY <= 0) return;
  const TRect clip = Intersect(destRect, self.EffectiveClip());
  const TRect64 s(srcRect);
  if (clip.IsEmpty() || s.IsEmpty()) return;
  const TStretchAxis ax = StretchAxis(destRect.Left, s.Width(), zoomX, stepX, offsetX);
  const TStretchAxis ay = StretchAxis(destRect.Top, s.Height(), zoomY, stepY, offsetY);
  const TClipScope scope(self, clip);
  const auto xs = StretchOrigins(ax, clip.Left, clip.Right, destRect.Right);
  const auto ys = StretchOrigins(ay, clip.Top, clip.Bottom, destRect.Bottom);
  for (const int64_t y : ys)
    for (const int64_t x : xs) drawOne(Rect32(x, y, x + ax.Size, y + ay.Size));
}

// TileFill and ZoomTile: every destination pixel samples the whole source,
// repeated, at a 16.16 step per destination pixel.
void RepeatImage(TCustomDIBX& self, const TRect& rect, TCustomDIBX* src, TCustomDIBX* mask,
                 bool flipV, bool flipH, int32_t offsetY, int32_t offsetX, int64_t stepX,
                 int64_t stepY, TRowOp op, uint32_t amount) {
  const TRect clip = Intersect(rect, self.EffectiveClip());
  if (clip.IsEmpty() || src == nullptr) return;
  const TImageOperands ops(&self, src, mask);
  if (!ops.Ok()) return;
  const TPixelAccess& d = ops.d;
  const TPixelAccess& s = ops.s;
  const TPixelAccess& m = ops.m;
  const TPixelAccess* mp = ops.Mask();
  const TRect64 limit = SourceLimit(s, mp);
  const int64_t periodX = limit.Width() * 65536, periodY = limit.Height() * 65536;
  stepX = std::min(stepX, periodX);
  stepY = std::min(stepY, periodY);

  // Position of a destination index in the repeated source, in 16.16; the
  // product can exceed 64 bits for hostile offsets.
  const auto start = [](int64_t index, int64_t step, int64_t period) {
    const __int128 p = static_cast<__int128>(index) * step % period;
    return static_cast<int64_t>(p < 0 ? p + period : p);
  };
  const int64_t w = limit.Width(), h = limit.Height();
  const int32_t n = clip.Right - clip.Left;
  std::vector<int64_t> cols(static_cast<size_t>(n));
  int64_t u = start(int64_t{clip.Left} - rect.Left + offsetX, stepX, periodX);
  for (int32_t i = 0; i < n; ++i) {
    const int64_t c = u >> 16;
    cols[static_cast<size_t>(i)] = flipH ? w - 1 - c : c;
    u += stepX;
    if (u >= periodX) u -= periodX;
  }
  TRowJob job;
  job.Amount = amount;
  job.DstFormat = d.Format();
  job.SrcFormat = s.Format();
  const TRowKernel kernel = SelectKernel(op, *d.Format(), *s.Format());
  TSampledRows rows(cols, *d.Format(), *s.Format(), mp != nullptr, op, false);
  int64_t v = start(int64_t{clip.Top} - rect.Top + offsetY, stepY, periodY);
  for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
    const int64_t r = v >> 16;
    const int64_t sy = flipV ? h - 1 - r : r;
    v += stepY;
    if (v >= periodY) v -= periodY;
    rows.Run(d.At(clip.Left, y), s.Row(sy), mp != nullptr ? m.Row(sy) : nullptr, kernel, job);
  }
}

// trunc(256/zoom · 65536); zoom > 0.
int64_t ZoomStep(int32_t zoom) { return static_cast<int64_t>(256.0 / zoom * 65536.0); }

}  // namespace

void TCustomDIBX::TileDraw(const TRect& destRect, int32_t gapX, int32_t offsetY, int32_t offsetX,
                           bool useKey, const TRect& srcRect, TCustomDIBX* src, int32_t gapY) {
  TileImage(*this, destRect, gapX, gapY, offsetX, offsetY, srcRect,
            [&](int32_t x, int32_t y, const TRect& part) { Draw(x, y, false, false, useKey, part, src); });
}

void TCustomDIBX::TileDrawAlpha(const TRect& destRect, int32_t gapX, int32_t offsetY,
                                int32_t offsetX, int32_t opacity, bool useKey,
                                const TRect& srcRect, TCustomDIBX* src, int32_t gapY) {
  if (opacity <= 0) return;
  TileImage(*this, destRect, gapX, gapY, offsetX, offsetY, srcRect,
            [&](int32_t x, int32_t y, const TRect& part) {
              DrawAlpha(x, y, opacity, false, false, useKey, part, src);
            });
}

void TCustomDIBX::TileDrawAdd(const TRect& destRect, int32_t gapX, int32_t offsetY,
                              int32_t offsetX, int32_t amount, bool useKey, const TRect& srcRect,
                              TCustomDIBX* src, int32_t gapY) {
  if (amount <= 0) return;
  TileImage(*this, destRect, gapX, gapY, offsetX, offsetY, srcRect,
            [&](int32_t x, int32_t y, const TRect& part) {
              DrawAdd(x, y, amount, false, false, useKey, part, src);
            });
}

void TCustomDIBX::TileDrawMask(const TRect& destRect, int32_t gapX, int32_t offsetY,
                               int32_t offsetX, TCustomDIBX* mask, const TRect& srcRect,
                               TCustomDIBX* src, int32_t gapY) {
  TileImage(*this, destRect, gapX, gapY, offsetX, offsetY, srcRect,
            [&](int32_t x, int32_t y, const TRect& part) { DrawMask(x, y, mask, false, false, part, src); });
}

void TCustomDIBX::TileDrawAlphaMask(const TRect& destRect, int32_t gapX, int32_t offsetY,
                                    int32_t offsetX, int32_t opacity, TCustomDIBX* mask,
                                    const TRect& srcRect, TCustomDIBX* src, int32_t gapY) {
  if (opacity <= 0) return;
  TileImage(*this, destRect, gapX, gapY, offsetX, offsetY, srcRect,
            [&](int32_t x, int32_t y, const TRect& part) {
              DrawAlphaMask(x, y, opacity, mask, false, false, part, src);
            });
}

void TCustomDIBX::TileDrawAddMask(const TRect& destRect, int32_t gapX, int32_t offsetY,
                                  int32_t offsetX, int32_t amount, TCustomDIBX* mask,
                                  const TRect& srcRect, TCustomDIBX* src, int32_t gapY) {
  if (amount <= 0) return;
  TileImage(*this, destRect, gapX, gapY, offsetX, offsetY, srcRect,
            [&](int32_t x, int32_t y, const TRect& part) {
              DrawAddMask(x, y, amount, mask, false, false, part, src);
            });
}

void TCustomDIBX::TileStretchDraw(const TRect& destRect, int32_t stepX, int32_t offsetY,
                                  int32_t offsetX, int32_t blend, bool useKey,
                                  const TRect& srcRect, TCustomDIBX* src, int32_t zoomY,
                                  int32_t zoomX, int32_t stepY) {
  if (blend <= 0) return;
  TileStretch(*this, destRect, stepX, stepY, offsetX, offsetY, srcRect, zoomX, zoomY,
              [&](const TRect& r) {
                if (blend <= 255) StretchDraw(r, src, blend, false, false, useKey, srcRect);
                else StretchDrawAdd(r, src, std::min(blend - 256, 255), false, false, useKey, srcRect);
              });
}

void TCustomDIBX::TileStretchDrawMask(const TRect& destRect, int32_t stepX, int32_t offsetY,
                                      int32_t offsetX, int32_t blend, TCustomDIBX* mask,
                                      const TRect& srcRect, TCustomDIBX* src, int32_t zoomY,
                                      int32_t zoomX, int32_t stepY) {
  if (blend <= 0) return;
  TileStretch(*this, destRect, stepX, stepY, offsetX, offsetY, srcRect, zoomX, zoomY,
              [&](const TRect& r) {
                if (blend <= 255) StretchDrawMask(r, src, blend, mask, false, false, srcRect);
                else StretchDrawAddMask(r, src, std::min(blend - 256, 255), mask, false, false, srcRect);
              });
}

void TCustomDIBX::TileFill(const TRect& rect, TCustomDIBX* src, bool flipV, bool flipH,
                           int32_t offsetY, int32_t offsetX) {
  RepeatImage(*this, rect, src, nullptr, flipV, flipH, offsetY, offsetX, 65536, 65536,
              TRowOp::Copy, 255);
}

void TCustomDIBX::ZoomTile(const TRect& destRect, int32_t zoomX, int32_t blend, bool flipV,
                           bool flipH, int32_t offsetY, int32_t offsetX, TCustomDIBX* src,
                           int32_t zoomY) {
  TBlendChoice b;
  if (zoomX <= 0 || zoomY <= 0 || !ChooseBlend(blend, false, b)) return;
  RepeatImage(*this, destRect, src, nullptr, flipV, flipH, offsetY, offsetX, ZoomStep(zoomX),
              ZoomStep(zoomY), b.Op, b.Amount);
}

void TCustomDIBX::ZoomTileMask(const TRect& destRect, int32_t zoomX, int32_t blend, bool flipV,
                               bool flipH, int32_t offsetY, int32_t offsetX, TCustomDIBX* src,
                               int32_t zoomY, TCustomDIBX* mask) {
  TBlendChoice b;
  if (zoomX <= 0 || zoomY <= 0 || mask == nullptr || !ChooseBlend(blend, true, b)) return;
  RepeatImage(*this, destRect, src, mask, flipV, flipH, offsetY, offsetX, ZoomStep(zoomX),
              ZoomStep(zoomY), b.Op, b.Amount);
}

}  // namespace opal

// Reduced drawing of 1-bit and 2-level sources, and the palette sources.
// These run per pixel through the reference rules; none is on a frame's
// hot path.
#include <bit>

#include "raster/blit.h"
#include "raster/custom_dibx.h"

namespace opal {
using namespace raster_internal;

namespace {

uint32_t Bit1(const uint8_t* row, int64_t x) { return (row[x >> 3] >> (7 - (x & 7))) & 1u; }
uint32_t Nibble(const uint8_t* row, int64_t x) {
  return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
}

// Walks the factor × factor source blocks of a clipped reduced drawing.
template <class F>
void ForEachBlock(const TPixelAccess& d, const TBlit& b, int64_t factor, F perPixel) {
  const int32_t bytes = d.Format()->Bytes;
  for (int64_t j = 0; j < b.Dst.Height(); ++j) {
    // The block's rows, lowest first whatever the direction.
    const int64_t y0 = b.DirY > 0 ? b.SrcY + j * factor : b.SrcY - (j + 1) * factor + 1;
    uint8_t* dp = d.At(b.Dst.Left, b.Dst.Top + j);
    for (int64_t i = 0; i < b.Dst.Width(); ++i, dp += bytes) {
      const int64_t x0 = b.DirX > 0 ? b.SrcX + i * factor : b.SrcX - (i + 1) * factor + 1;
      perPixel(dp, x0, y0);
    }
  }
}

struct TReduced {
  TPixelAccess D, S;
  TBlit B;
  bool Ok = false;
  TReduced(TCustomDIBX& self, TCustomDIBX* src, int32_t srcBits, int32_t x, int32_t y,
           int64_t factor, bool flipV, bool flipH, const TRect& srcRect)
      : D(&self), S(src) {
    const TRect clip = self.EffectiveClip();
    if (clip.IsEmpty() || !D.Ok() || D.Format() == nullptr || !S.Ok() || S.Bits() != srcBits)
      return;
    const TRect64 limit = SourceLimit(S, nullptr);
    Ok = ClipBlit(clip, x, y, TRect64(srcRect), &limit, flipV, flipH, factor, B);
  }
};

}  // namespace

void TCustomDIBX::DrawMonoReduced(int32_t x, int32_t y, int32_t factor, int32_t opacity,
                                  bool flipV, bool flipH, uint32_t pixel, const TRect& srcRect,
                                  TCustomDIBX* src) {
  if (factor <= 0 || opacity <= 0 || src == nullptr) return;
  const TReduced r(*this, src, 1, x, y, factor, flipV, flipH, srcRect);
  if (!r.Ok) return;
  const TPixelFormat& f = *r.D.Format();
  const int64_t area = int64_t{factor} * factor;
  // The fourth byte of a 32-bit pixel is not a colour and is kept.
  const int channels = f.Channels == 4 ? 3 : f.Channels;
  ForEachBlock(r.D, r.B, factor, [&](uint8_t* dp, int64_t x0, int64_t y0) {
    int64_t ink = 0;
    for (int64_t v = 0; v < factor; ++v) {
      const uint8_t* row = r.S.Row(y0 + v);
      for (int64_t u = 0; u < factor; ++u) ink += Bit1(row, x0 + u) == 0;
    }
    if (opacity < 255) ink = ink * opacity >> 8;
    const uint32_t d = LoadPixel(dp, f.Bytes);
    uint32_t out = d;
    for (int c = 0; c < channels; ++c) {
      // The divisor 16 is that of factor 4; other factors saturate rather
      // than carry into the next channel.
      const int64_t v = (int64_t{f.Get(pixel, c)} * ink + int64_t{f.Get(d, c)} * (area - ink)) >> 4;
      const uint32_t ch = static_cast<uint32_t>(std::min<int64_t>(v, f.Max(c)));
      out = (out & ~(f.Max(c) << f.Shift[c])) | (ch << f.Shift[c]);
    }
    StorePixel(dp, f.Bytes, out);
  });
}

void TCustomDIBX::DrawLevelsReduced(int32_t x, int32_t y, int32_t factor, int32_t opacity,
                                    bool flipV, bool flipH,
                                    const std::array<uint32_t, 3>& colours,
                                    const TRect& srcRect, TCustomDIBX* src) {
  if (factor <= 0 || opacity <= 0 || src == nullptr) return;
  const int32_t bits = BitCount();
  if (bits != 15 && bits != 16 && bits != 32) return;
  const TReduced r(*this, src, 4, x, y, factor, flipV, flipH, srcRect);
  if (!r.Ok) return;
  const TPixelFormat& f = *r.D.Format();
  const int64_t area = int64_t{factor} * factor;
  const int64_t full = 256 * area;
  const int shift = 63 - std::countl_zero(static_cast<uint64_t>(full));
  const int64_t unit = opacity == 255 ? 256 : opacity % 256;
  const bool additive = opacity >= 256;
  ForEachBlock(r.D, r.B, factor, [&](uint8_t* dp, int64_t x0, int64_t y0) {
    int64_t n[4] = {0, 0, 0, 0};
    for (int64_t v = 0; v < factor; ++v) {
      const uint8_t* row = r.S.Row(y0 + v);
      for (int64_t u = 0; u < factor; ++u) ++n[Nibble(row, x0 + u) & 3];
    }
    if (n[0] == area) return;
    if (opacity == 255 && (n[1] == area || n[2] == area)) {
      StorePixel(dp, f.Bytes, colours[n[1] == area ? 0 : 1]);
      return;
    }
    const int64_t w[3] = {unit * n[1], unit * n[2], unit * n[3]};
    const int64_t rest = full - w[0] - w[1] - w[2];
    const uint32_t d = LoadPixel(dp, f.Bytes);
    uint32_t out = d;
    for (int c = 0; c < 3; ++c) {
      const uint32_t mask = f.Max(c) << f.Shift[c];
      if (f.Bits == 32) {
        // Channel values at 8 bits; every blend value acts as an opacity.
        int64_t sum = int64_t{f.Get(d, c)} * rest;
        for (int k = 0; k < 3; ++k) sum += int64_t{f.Get(colours[k], c)} * w[k];
        const uint32_t ch = static_cast<uint32_t>(std::min<int64_t>(255, sum >> shift));
        out = (out & ~mask) | (ch << f.Shift[c]);
        continue;
      }
      // 15/16 bits: each channel in place; the result is cut to its mask so
      // that a divisor below 256·A cannot carry into the next channel.
      int64_t sum = 0;
      for (int k = 0; k < 3; ++k) sum += int64_t{colours[k] & mask} * w[k];
      int64_t v;
      if (additive) {
        v = std::min<int64_t>(int64_t{mask} << shift, sum + int64_t{d & mask} * full) >> shift;
      } else {
        v = (sum + int64_t{d & mask} * rest) >> shift;
      }
      out = (out & ~mask) | (static_cast<uint32_t>(std::min<int64_t>(v, mask)) & mask);
    }
    StorePixel(dp, f.Bytes, out);
  });
}

void TCustomDIBX::DrawIndexed4(int32_t x, int32_t y, const uint32_t* colourTable, int32_t blend,
                               bool flipV, bool flipH, const TRect& srcRect, TCustomDIBX* src) {
  if (colourTable == nullptr || blend <= 0 || src == nullptr) return;
  const TReduced r(*this, src, 4, x, y, 1, flipV, flipH, srcRect);
  if (!r.Ok) return;
  const TPixelFormat& f = *r.D.Format();
  const int32_t key = src->TransparentColor;
  const uint32_t amount = blend >= 256 ? static_cast<uint32_t>(std::min(blend - 256, 255)) : 0;
  ForEachBlock(r.D, r.B, 1, [&](uint8_t* dp, int64_t sx, int64_t sy) {
    const uint32_t i = Nibble(r.S.Row(sy), sx);
    if (static_cast<int32_t>(i) == key) return;
    const uint32_t s = colourTable[i], d = LoadPixel(dp, f.Bytes);
    if (blend == 255) {
      StorePixel(dp, f.Bytes, s);
    } else if (blend >= 256) {
      if (f.WordStorage() && (s == 0 || d == 0xFFFF)) return;
      StorePixel(dp, f.Bytes, f.Bits == 8 ? std::min(255u, d + s) : AddScaledPixel(f, d, s, amount));
    } else if (s != d) {
      StorePixel(dp, f.Bytes, BlendPixel(f, s, d, static_cast<uint32_t>(blend)));
    }
  });
}

void TCustomDIBX::DrawIndexedAdd(int32_t x, int32_t y, const uint32_t* colourTable,
                                 int32_t amount, bool flipV, bool flipH, const TRect& srcRect,
                                 TCustomDIBX* src) {
  if (colourTable == nullptr || amount <= 0 || src == nullptr) return;
  const TReduced r(*this, src, 8, x, y, 1, flipV, flipH, srcRect);
  if (!r.Ok) return;
  const TPixelFormat& f = *r.D.Format();
  const int32_t key = src->TransparentColor;
  const uint32_t a = static_cast<uint32_t>(std::min(amount, 255));
  ForEachBlock(r.D, r.B, 1, [&](uint8_t* dp, int64_t sx, int64_t sy) {
    const uint32_t i = r.S.Row(sy)[sx];
    if (static_cast<int32_t>(i) <= key) return;
    const uint32_t s = colourTable[i], d = LoadPixel(dp, f.Bytes);
    StorePixel(dp, f.Bytes, f.Bits == 8 ? std::min(255u, d + s) : AddScaledPixel(f, d, s, a));
  });
}

void TCustomDIBX::StretchDrawIndexed(const TRect& destRect, TCustomDIBX* src,
                                     const uint32_t* colourTable, int32_t opacity, bool flipV,
                                     bool flipH, const TRect& srcRect) {
  if (colourTable == nullptr || opacity <= 0 || src == nullptr) return;
  const TRect clip = EffectiveClip();
  if (clip.IsEmpty()) return;
  const TPixelAccess d(this);
  if (!d.Ok() || d.Format() == nullptr) return;
  const TPixelAccess s(src);
  if (!s.Ok() || s.Bits() != 8) return;
  TStretchMap map;
  if (!MapStretch(clip, destRect, srcRect, SourceLimit(s, nullptr), flipV, flipH, map)) return;
  const TPixelFormat& f = *d.Format();
  for (int64_t j = 0; j < map.Dst.Height(); ++j) {
    const int64_t sy = map.Rows[static_cast<size_t>(j)];
    if (sy < 0) continue;
    const uint8_t* srow = s.Row(sy);
    uint8_t* dp = d.At(map.Dst.Left, map.Dst.Top + j);
    for (int64_t i = 0; i < map.Dst.Width(); ++i, dp += f.Bytes) {
      const int64_t sx = map.Cols[static_cast<size_t>(i)];
      if (sx < 0) continue;
      const uint32_t sp = colourTable[srow[sx]];
      if (opacity >= 255) {
        StorePixel(dp, f.Bytes, sp);
      } else {
        const uint32_t dv = LoadPixel(dp, f.Bytes);
        if (sp != dv) StorePixel(dp, f.Bytes, BlendPixel(f, sp, dv, static_cast<uint32_t>(opacity)));
      }
    }
  }
}

}  // namespace opal

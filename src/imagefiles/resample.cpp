#include "imagefiles/resample.h"

#include <cmath>
#include <unordered_map>
#include <vector>

#include "common/error.h"

namespace opal {
namespace {

// A plane of 8-bit channels, `channels` per pixel, rows `stride` apart.
struct TPlane {
  int32_t Width, Height, Channels;
  int64_t Stride;
  uint8_t* Data;
  uint8_t* At(int32_t x, int32_t y) const { return Data + y * Stride + int64_t{x} * Channels; }
};

uint8_t RoundChannel(float v) {
  const float r = std::nearbyint(v);
  return static_cast<uint8_t>(r < 0.0f ? 0.0f : r > 255.0f ? 255.0f : r);
}

// Source index and fraction of a destination coordinate, kept inside.
void SourceAt(int32_t d, float ratio, int32_t size, int32_t& i, float& f) {
  const float s = static_cast<float>(d) / ratio;
  i = static_cast<int32_t>(s);  // s ≥ 0: trunc
  f = s - static_cast<float>(i);
  if (i >= size) i = size - 1, f = 0.0f;
}

void Enlarge(const TPlane& src, const TPlane& dst, float rx, float ry) {
  for (int32_t y = 0; y < dst.Height; ++y) {
    int32_t iy;
    float fy;
    SourceAt(y, ry, src.Height, iy, fy);
    for (int32_t x = 0; x < dst.Width; ++x) {
      int32_t ix;
      float fx;
      SourceAt(x, rx, src.Width, ix, fx);
      float w[4] = {(1.0f - fx) * (1.0f - fy), fx * (1.0f - fy), (1.0f - fx) * fy, fx * fy};
      const bool in[4] = {true, ix + 1 < src.Width, iy + 1 < src.Height,
                          ix + 1 < src.Width && iy + 1 < src.Height};
      if (!in[3]) {
        float sum = 0.0f;
        for (int k = 0; k < 4; ++k) sum += in[k] ? w[k] : 0.0f;
        for (int k = 0; k < 4; ++k) w[k] = in[k] ? w[k] / sum : 0.0f;
      }
      uint8_t* out = dst.At(x, y);
      for (int32_t c = 0; c < src.Channels; ++c) {
        float acc = 0.0f;
        for (int k = 0; k < 4; ++k)
          if (in[k]) acc += w[k] * static_cast<float>(src.At(ix + (k & 1), iy + (k >> 1))[c]);
        out[c] = RoundChannel(acc);
      }
    }
  }
}

// The block [first, last) of source positions under destination d; never
// empty and never outside the source.
void Block(int32_t d, float ratio, int32_t size, int32_t& first, int32_t& last) {
  first = static_cast<int32_t>(static_cast<float>(d) / ratio);
  last = static_cast<int32_t>(static_cast<float>(d + 1) / ratio);
  if (first > size - 1) first = size - 1;
  if (last > size) last = size;
  if (last <= first) last = first + 1;
}

void Reduce(const TPlane& src, const TPlane& dst, float rx, float ry) {
  std::vector<float> sums(static_cast<size_t>(src.Channels));
  for (int32_t y = 0; y < dst.Height; ++y) {
    int32_t y0, y1;
    Block(y, ry, src.Height, y0, y1);
    for (int32_t x = 0; x < dst.Width; ++x) {
      int32_t x0, x1;
      Block(x, rx, src.Width, x0, x1);
      std::fill(sums.begin(), sums.end(), 0.0f);
      for (int32_t sy = y0; sy < y1; ++sy)
        for (int32_t sx = x0; sx < x1; ++sx) {
          const uint8_t* p = src.At(sx, sy);
          for (int32_t c = 0; c < src.Channels; ++c) sums[static_cast<size_t>(c)] += p[c];
        }
      const float scale = 1.0f / static_cast<float>(int64_t{y1 - y0} * (x1 - x0));
      uint8_t* out = dst.At(x, y);
      for (int32_t c = 0; c < src.Channels; ++c)
        out[c] = RoundChannel(sums[static_cast<size_t>(c)] * scale);
    }
  }
}

// Resamples a picture of 24 (three channels) or 8 (one channel) bits.
TDIBSurface ResamplePlane(TDIBSurface& src, int32_t width, int32_t height) {
  TDIBSurface dst;
  dst.SetSize(width, height, src.BitCount());
  dst.ColorTable = src.ColorTable;
  const int32_t channels = src.BitCount() == 24 ? 3 : 1;
  const TPlane s{src.Width(), src.Height(), channels, src.RowBytes(), src.Bits().data()};
  const TPlane d{width, height, channels, dst.RowBytes(), dst.Bits().data()};
  const float rx = static_cast<float>(width) / static_cast<float>(src.Width());
  const float ry = static_cast<float>(height) / static_cast<float>(src.Height());
  if (width > src.Width() || height > src.Height()) Enlarge(s, d, rx, ry);
  else Reduce(s, d, rx, ry);
  return dst;
}

TDIBSurface To24(const TDIBSurface& picture) {
  TDIBSurface out;
  out.SetSize(picture.Width(), picture.Height(), 24);
  for (int32_t y = 0; y < picture.Height(); ++y)
    for (int32_t x = 0; x < picture.Width(); ++x) {
      const auto c = static_cast<uint32_t>(picture.ValueToColor(picture.GetPixel(x, y)));
      out.SetPixel(x, y, ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
    }
  return out;
}

void From24(const TDIBSurface& rgb, TDIBSurface& out) {
  std::unordered_map<uint32_t, uint32_t> nearest;  // palette lookups repeat
  for (int32_t y = 0; y < rgb.Height(); ++y)
    for (int32_t x = 0; x < rgb.Width(); ++x) {
      const uint32_t v = rgb.GetPixel(x, y);
      const auto colour =
          static_cast<int32_t>(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
      if (out.BitCount() > 8) {
        out.SetPixel(x, y, out.ColorToValue(colour));
        continue;
      }
      auto [it, fresh] = nearest.try_emplace(v, 0);
      if (fresh) it->second = out.ColorToValue(colour);
      out.SetPixel(x, y, it->second);
    }
}

}  // namespace

void Resample(TDIBSurface& picture, int32_t width, int32_t height) {
  if (width == picture.Width() && height == picture.Height()) return;
  if (picture.Empty()) {
    picture.SetSize(width, height, picture.BitCount() == 0 ? 24 : picture.BitCount());
    return;
  }
  if (width < 0 || height < 0 || width > TDIBSurface::kMaxSide ||
      height > TDIBSurface::kMaxSide ||
      TDIBSurface::RowBytesFor(width, picture.BitCount()) * height > TDIBSurface::kMaxBytes)
    throw EFormatError(Format("Invalid resampled size %d x %d", width, height));
  if (width == 0 || height == 0) {
    picture.SetSize(width, height, picture.BitCount());
    return;
  }

  std::unique_ptr<TDIBSurface> alpha;
  if (picture.HasAlpha() && picture.AlphaPlane->BitCount() == 8 &&
      picture.AlphaPlane->Width() == picture.Width() &&
      picture.AlphaPlane->Height() == picture.Height())
    alpha = std::make_unique<TDIBSurface>(ResamplePlane(*picture.AlphaPlane, width, height));

  TDIBSurface result;
  if (picture.BitCount() == 24) {
    result = ResamplePlane(picture, width, height);
  } else {
    TDIBSurface rgb = To24(picture);
    const TDIBSurface scaled = ResamplePlane(rgb, width, height);
    result.SetSize(width, height, picture.BitCount());
    result.ColorTable = picture.ColorTable;
    From24(scaled, result);
  }
  result.AlphaPlane = std::move(alpha);
  picture = std::move(result);
}

}  // namespace opal

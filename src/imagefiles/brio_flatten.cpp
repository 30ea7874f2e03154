#include "imagefiles/brio_flatten.h"

#include <algorithm>
#include <cstring>

#include "raster/pixel_format.h"

namespace opal {

namespace {

// Channel masks of the 16-bit storage depths: red, green, blue.
struct TWordMasks {
  uint32_t Mask[3];
};
constexpr TWordMasks kMasks15{{0x7C00, 0x03E0, 0x001F}};
constexpr TWordMasks kMasks16{{0xF800, 0x07E0, 0x001F}};

const TWordMasks& MasksOf(int32_t bits) { return bits == 15 ? kMasks15 : kMasks16; }

// (D·(255 − w) + S·w) >> 8 per channel of a 16-bit word.
uint32_t WordMix(const TWordMasks& m, uint32_t d, uint32_t s, uint32_t w) {
  uint32_t out = 0;
  for (uint32_t mask : m.Mask) out |= (((d & mask) * (255 - w) + (s & mask) * w) >> 8) & mask;
  return out;
}

uint32_t WordMixDiv(const TWordMasks& m, uint32_t d, uint32_t s, uint32_t w) {
  uint32_t out = 0;
  for (uint32_t mask : m.Mask) out |= (((d & mask) * (255 - w) + (s & mask) * w) / 255) & mask;
  return out;
}

// Blue and red, then green, of two 32-bit pixels, shifted by 8; the fourth
// byte becomes 0.
uint32_t PackedMix(uint32_t d, uint32_t s, uint32_t w) {
  const uint32_t rb = (((d & 0xFF00FF) * (255 - w) + (s & 0xFF00FF) * w) >> 8) & 0xFF00FF;
  const uint32_t g = (((d & 0xFF00) * (255 - w) + (s & 0xFF00) * w) >> 8) & 0xFF00;
  return rb | g;
}

constexpr uint8_t kDither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

int32_t BytesOf(int32_t bits) { return TDIBSurface::StorageBits(bits) / 8; }

bool IsKey(int32_t bits, uint32_t raw, int32_t key) {
  if (key < 0) return false;
  if (bits == 24) return (raw & 0xFFFFFF) == (static_cast<uint32_t>(key) & 0xFFFFFF);
  return raw == static_cast<uint32_t>(key);
}

}  // namespace

void CompositeAlpha(TDIBSurface& canvas, const TDIBSurface& image, const TDIBSurface& alpha) {
  const int32_t bits = canvas.BitCount();
  for (int32_t y = 0; y < canvas.Height(); ++y) {
    const uint8_t* m = alpha.Row(y);
    if (bits <= 8) {
      for (int32_t x = 0; x < canvas.Width(); ++x)
        if (m[x] >= 128) canvas.SetPixel(x, y, image.GetPixel(x, y));
      continue;
    }
    const int32_t n = BytesOf(bits);
    uint8_t* d = canvas.Row(y);
    const uint8_t* s = image.Row(y);
    for (int32_t x = 0; x < canvas.Width(); ++x, d += n, s += n) {
      const uint32_t w = m[x];
      if (w == 0) continue;
      if (w == 255) {
        std::memcpy(d, s, static_cast<size_t>(n));
        continue;
      }
      switch (bits) {
        case 15: case 16:
          StorePixel(d, 2, WordMix(MasksOf(bits), LoadPixel(d, 2), LoadPixel(s, 2), w));
          break;
        case 24:
          for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((d[c] * (255 - w) + s[c] * w) >> 8);
          break;
        default:
          StorePixel(d, 4, PackedMix(LoadPixel(d, 4), LoadPixel(s, 4), w));
          break;
      }
    }
  }
}

void BlendKeyed(TDIBSurface& canvas, const TDIBSurface& image, int32_t opacity, int32_t key) {
  if (opacity <= 0) return;
  const uint32_t a = static_cast<uint32_t>(std::min(opacity, 255));
  const int32_t bits = canvas.BitCount();
  if (bits <= 8) {
    const int32_t level = static_cast<int32_t>(a / 16);
    for (int32_t y = 0; y < canvas.Height(); ++y)
      for (int32_t x = 0; x < canvas.Width(); ++x) {
        const uint32_t s = image.GetPixel(x, y);
        if (IsKey(bits, s, key)) continue;
        if (level >= 15 || kDither[y & 3][x & 3] <= level) canvas.SetPixel(x, y, s);
      }
    return;
  }
  const int32_t n = BytesOf(bits);
  for (int32_t y = 0; y < canvas.Height(); ++y) {
    uint8_t* d = canvas.Row(y);
    const uint8_t* s = image.Row(y);
    for (int32_t x = 0; x < canvas.Width(); ++x, d += n, s += n) {
      const uint32_t sv = LoadPixel(s, n);
      if (IsKey(bits, sv, key)) continue;
      if (a >= 255) {
        std::memcpy(d, s, static_cast<size_t>(n));
        continue;
      }
      switch (bits) {
        case 15: case 16:
          StorePixel(d, 2, WordMixDiv(MasksOf(bits), LoadPixel(d, 2), sv, a));
          break;
        case 24:
          for (int c = 0; c < 3; ++c) d[c] = static_cast<uint8_t>((d[c] * (255 - a) + s[c] * a) / 255);
          break;
        default:
          StorePixel(d, 4, PackedMix(LoadPixel(d, 4), sv, a));
          break;
      }
    }
  }
}

void FlattenFrame(TBrioFrame& frame, bool opaqueBottom, uint32_t background, bool consume) {
  TDIBSurface& canvas = frame.Picture;
  bool first = true, filled = false;
  for (size_t i = 0; i < frame.Layers.size(); ++i) {
    TBrioLayer& layer = *frame.Layers[i];
    if (!layer.Visible) continue;
    TDIBSurface& image = layer.Image;
    if (image.Width() != canvas.Width() || image.Height() != canvas.Height() ||
        image.BitCount() != canvas.BitCount())
      continue;  // the reader never makes such a layer
    const bool alpha = image.HasAlpha() && layer.UseAlpha;
    if (alpha && first) canvas.AlphaPlane = std::make_unique<TDIBSurface>(*image.AlphaPlane);
    // "alpha && i > 0" composites; the first visible layer at index 0 with
    // an alpha plane is copied or blended like any other.
    const bool composite = alpha && i > 0;
    const bool copies =
        !composite && (layer.TransparentValue < 0 || (first && opaqueBottom)) && layer.Opacity >= 255;
    if (!filled && !(first && copies)) canvas.Fill(background);
    filled = true;
    if (composite) {
      CompositeAlpha(canvas, image, *image.AlphaPlane);
    } else if (copies) {
      if (consume) canvas.Bits().swap(image.Bits());
      else canvas.Bits() = image.Bits();
    } else {
      BlendKeyed(canvas, image, layer.Opacity, layer.TransparentValue);
    }
    first = false;
  }
  if (!filled) canvas.Fill(background);
}

}  // namespace opal

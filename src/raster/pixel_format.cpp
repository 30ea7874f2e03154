#include "raster/pixel_format.h"

#include <algorithm>

namespace opal {
namespace {

constexpr TPixelFormat kFormat8{8, 1, 1, {0, 0, 0, 0}, {8, 0, 0, 0}};
constexpr TPixelFormat kFormat15{15, 2, 3, {0, 5, 10, 0}, {5, 5, 5, 0}};
constexpr TPixelFormat kFormat16{16, 2, 3, {0, 5, 11, 0}, {5, 6, 5, 0}};
constexpr TPixelFormat kFormat24{24, 3, 3, {0, 8, 16, 0}, {8, 8, 8, 0}};
constexpr TPixelFormat kFormat32{32, 4, 4, {0, 8, 16, 24}, {8, 8, 8, 8}};

// Channel c of a colour pixel at 8 bits.
uint32_t Channel8(const TPixelFormat& f, uint32_t v, int c) {
  return f.Get(v, c) << (8 - f.Width[c]);
}

}  // namespace

const TPixelFormat* FormatOf(int32_t bits) {
  switch (bits) {
    case 8: return &kFormat8;
    case 15: return &kFormat15;
    case 16: return &kFormat16;
    case 24: return &kFormat24;
    case 32: return &kFormat32;
    default: return nullptr;
  }
}

uint32_t ConvertPixel(const TPixelFormat& from, const TPixelFormat& to, uint32_t v) {
  if (from.Bits == to.Bits) return v;
  uint32_t rgb8[3];
  if (from.Channels == 1) {
    rgb8[0] = rgb8[1] = rgb8[2] = v & 0xFF;
  } else {
    for (int c = 0; c < 3; ++c) rgb8[c] = Channel8(from, v, c);
  }
  if (to.Channels == 1) return (rgb8[0] + rgb8[1] + rgb8[2]) / 3;
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c) out |= (rgb8[c] >> (8 - to.Width[c])) << to.Shift[c];
  return out;
}

uint32_t BlendPixel(const TPixelFormat& f, uint32_t s, uint32_t d, uint32_t w) {
  uint32_t out = 0;
  for (int c = 0; c < f.Channels; ++c) {
    out |= ((w * f.Get(s, c) + (255 - w) * f.Get(d, c)) >> 8) << f.Shift[c];
  }
  return out;
}

uint32_t AddScaledPixel(const TPixelFormat& f, uint32_t d, uint32_t s, uint32_t a) {
  uint32_t out = 0;
  for (int c = 0; c < f.Channels; ++c) {
    out |= std::min(f.Max(c), f.Get(d, c) + ((a * f.Get(s, c)) >> 8)) << f.Shift[c];
  }
  return out;
}

uint32_t AddPixel(const TPixelFormat& f, uint32_t d, uint32_t c0) {
  uint32_t out = 0;
  for (int c = 0; c < f.Channels; ++c) {
    out |= std::min(f.Max(c), f.Get(d, c) + f.Get(c0, c)) << f.Shift[c];
  }
  return out;
}

uint32_t SubPixel(const TPixelFormat& f, uint32_t d, uint32_t c0) {
  uint32_t out = 0;
  for (int c = 0; c < f.Channels; ++c) {
    const uint32_t dc = f.Get(d, c), cc = f.Get(c0, c);
    out |= (dc > cc ? dc - cc : 0) << f.Shift[c];
  }
  return out;
}

}  // namespace opal

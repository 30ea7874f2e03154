// Pixel formats of the byte-addressed depths and the per-pixel blending rules
// in their literal form. These functions are the reference every faster path
// must reproduce byte for byte.
//
// Channel model: a 32-bit pixel is four 8-bit channels (the fourth byte is
// blended like the others and carries no meaning), 24-bit three, 16-bit
// 5-6-5, 15-bit 5-5-5 in a 16-bit word, 8-bit a single channel. Bits outside
// every channel (bit 15 of a 15-bit pixel) come out of a blend as 0.
#pragma once

#include <cstdint>
#include <cstring>

namespace opal {

struct TPixelFormat {
  int32_t Bits;      // 8, 15, 16, 24 or 32
  int32_t Bytes;     // storage bytes per pixel
  int32_t Channels;  // channels that take part in blends
  uint8_t Shift[4];  // blue, green, red, fourth byte
  uint8_t Width[4];

  uint32_t Max(int c) const { return (1u << Width[c]) - 1u; }
  uint32_t Get(uint32_t pixel, int c) const { return (pixel >> Shift[c]) & Max(c); }
  // The rule of FillMask differs on destinations with 16-bit storage.
  bool WordStorage() const { return Bytes == 2; }
};

// The format of a depth; null for depths without one (1 and 4 bits, 0).
const TPixelFormat* FormatOf(int32_t bits);

inline uint32_t LoadPixel(const uint8_t* p, int32_t bytes) {
  switch (bytes) {
    case 1: return p[0];
    case 2: { uint16_t v; std::memcpy(&v, p, 2); return v; }
    case 3: return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16);
    default: { uint32_t v; std::memcpy(&v, p, 4); return v; }
  }
}

inline void StorePixel(uint8_t* p, int32_t bytes, uint32_t v) {
  switch (bytes) {
    case 1: p[0] = static_cast<uint8_t>(v); break;
    case 2: { const uint16_t w = static_cast<uint16_t>(v); std::memcpy(p, &w, 2); break; }
    case 3:
      p[0] = static_cast<uint8_t>(v);
      p[1] = static_cast<uint8_t>(v >> 8);
      p[2] = static_cast<uint8_t>(v >> 16);
      break;
    default: std::memcpy(p, &v, 4); break;
  }
}

// Depth conversion. Colour channels move by shifting: a narrower channel
// keeps the high bits (truncation, as ColorToPixel does), a wider one gets
// zero low bits, so converting there and back returns the original. An 8-bit
// pixel is a grey level: it fills every channel, and a colour pixel becomes
// the truncated mean of its three channels taken at 8 bits. The fourth byte
// of a 32-bit result is 0.
uint32_t ConvertPixel(const TPixelFormat& from, const TPixelFormat& to, uint32_t v);

// (w·S + (255 − w)·D) >> 8 per channel.
uint32_t BlendPixel(const TPixelFormat& f, uint32_t s, uint32_t d, uint32_t w);
// min(max, D + ((a·S) >> 8)) per channel.
uint32_t AddScaledPixel(const TPixelFormat& f, uint32_t d, uint32_t s, uint32_t a);
// min(max, D + C) per channel.
uint32_t AddPixel(const TPixelFormat& f, uint32_t d, uint32_t c);
// max(0, D − C) per channel.
uint32_t SubPixel(const TPixelFormat& f, uint32_t d, uint32_t c);

// The weight of a masked blend: the opacity where the mask is full, else
// their product shifted by 8.
inline uint32_t MaskWeight(uint32_t m, uint32_t a) { return m == 255 ? a : (m * a) >> 8; }

}  // namespace opal

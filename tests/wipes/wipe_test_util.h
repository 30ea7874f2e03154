// Pictures and checks shared by the wipe tests: two 64 × 48 pictures that
// differ everywhere except in their bottom band, at any screen depth.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>

#include "raster/dibx.h"

namespace opal::wipetest {

constexpr int32_t kW = 64, kH = 48;
// Rows from here down are the same grey in both pictures.
constexpr int32_t kEqualTop = 40;
constexpr int32_t kEqualColour = 0x808080;

// 0x00RRGGBB of the old and new pictures' pixel (x, y).
inline uint32_t OldColour(int32_t x, int32_t y) {
  if (y >= kEqualTop) return kEqualColour;
  return (uint32_t(4 * x) << 16) | (uint32_t(5 * y) << 8) | 200u;
}
inline uint32_t NewColour(int32_t x, int32_t y) {
  if (y >= kEqualTop) return kEqualColour;
  return (uint32_t(255 - 3 * x) << 16) | (100u << 8) | uint32_t(4 * y + 20);
}

// A picture of `colour(x, y)` at `bits`, converted from 32 bits.
template <class F>
std::unique_ptr<TDIBX> Picture(int32_t bits, F colour, int32_t w = kW, int32_t h = kH) {
  TDIBX full;
  full.SetSize(w, h, 32);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) full.SetPixel(x, y, colour(x, y));
  auto out = std::make_unique<TDIBX>();
  out->SetSize(w, h, bits);
  out->Assign(&full);
  return out;
}

inline std::unique_ptr<TDIBX> OldPicture(int32_t bits) { return Picture(bits, OldColour); }
inline std::unique_ptr<TDIBX> NewPicture(int32_t bits) { return Picture(bits, NewColour); }

// CRC-32 of the pixels row by row from the top (no row padding).
inline uint32_t PixelCrc(TDIBX& b) {
  uLong crc = crc32(0, nullptr, 0);
  const uInt rowBytes = static_cast<uInt>(b.Width() * b.BytesPerPixel());
  for (int32_t y = 0; y < b.Height(); ++y) {
    crc = crc32(crc, b.PixelAddress(0, y), rowBytes);
    b.Unlock();
  }
  return static_cast<uint32_t>(crc);
}

inline bool SamePixels(TDIBX& a, TDIBX& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.BitCount() != b.BitCount()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

}  // namespace opal::wipetest

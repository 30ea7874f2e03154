// TDIBSurface: a device-independent bitmap as the layered-image reader and
// the image decoders produce it: a size, a depth of 1, 4, 8, 15, 16, 24 or
// 32 bits, a 256-entry colour table, rows top first padded to 4 bytes, and
// an optional 8-bit alpha plane of the same size.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "raster/custom_dibx.h"

namespace opal {

class TDIBSurface {
 public:
  // Largest picture accepted anywhere: sides and the pixel storage.
  static constexpr int32_t kMaxSide = 32768;
  static constexpr int64_t kMaxBytes = int64_t{1} << 30;

  TDIBSurface() = default;
  TDIBSurface(const TDIBSurface& other);
  TDIBSurface& operator=(const TDIBSurface& other);
  TDIBSurface(TDIBSurface&&) noexcept = default;
  TDIBSurface& operator=(TDIBSurface&&) noexcept = default;

  static bool ValidBitCount(int32_t bits);
  // Bits one pixel occupies in a row: 16 for a depth of 15.
  static int32_t StorageBits(int32_t bits) { return bits == 15 ? 16 : bits; }
  // ((width × storage bits + 31) div 32) × 4, in 64 bits.
  static int64_t RowBytesFor(int32_t width, int32_t bits);

  // Resizes and zero-fills the pixels; the colour table is kept and the
  // alpha plane dropped. Throws EFormatError for a depth not listed above, a
  // negative side, a side above kMaxSide or storage above kMaxBytes.
  void SetSize(int32_t width, int32_t height, int32_t bits);

  int32_t Width() const { return Width_; }
  int32_t Height() const { return Height_; }
  int32_t BitCount() const { return BitCount_; }
  bool Empty() const { return Width_ == 0 || Height_ == 0; }
  int64_t RowBytes() const { return RowBytes_; }
  uint8_t* Row(int32_t y) { return Bits_.data() + y * RowBytes_; }
  const uint8_t* Row(int32_t y) const { return Bits_.data() + y * RowBytes_; }
  std::vector<uint8_t>& Bits() { return Bits_; }
  const std::vector<uint8_t>& Bits() const { return Bits_; }

  // Raw values (palette index, 16-bit word, 0x00RRGGBB, 32-bit word).
  uint32_t GetPixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, uint32_t value);
  // Sets every pixel to a raw value.
  void Fill(uint32_t value);
  // A copy of the rectangle (inside the picture), colour table kept, alpha
  // plane cropped alike.
  TDIBSurface Cropped(int32_t left, int32_t top, int32_t width, int32_t height) const;
  // The colour a raw value denotes, as 0x00BBGGRR (palette entry, or the
  // channels widened to 8 bits).
  int32_t ValueToColor(uint32_t value) const;
  // The raw value nearest to a 0x00BBGGRR colour (nearest table entry for
  // palette depths).
  uint32_t ColorToValue(int32_t colour) const;

  std::array<TRGBQuad, 256> ColorTable{};

  bool HasAlpha() const { return AlphaPlane != nullptr; }
  std::unique_ptr<TDIBSurface> AlphaPlane;

 private:
  int32_t Width_ = 0, Height_ = 0, BitCount_ = 0;
  int64_t RowBytes_ = 0;
  std::vector<uint8_t> Bits_;
};

}  // namespace opal

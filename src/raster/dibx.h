// TDIBX: the ordinary memory pixel buffer, stored bottom-up (negative
// RowStep) with rows padded to 4 bytes, like a device-independent bitmap.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include "raster/custom_dibx.h"

namespace opal {

class TDIBX : public TCustomDIBX {
 public:
  // Largest accepted side and storage size; SetSize refuses anything beyond.
  static constexpr int32_t kMaxSide = 32768;
  static constexpr int64_t kMaxBytes = int64_t{1} << 30;

  // Storage of 1×1 at 15 bits; Width and Height stay 0 until SetSize.
  TDIBX();
  ~TDIBX() override;

  // When true the storage belongs to someone else and is not freed here.
  bool Shared = false;

  int32_t BitCount() const override { return BitCount_; }
  // 15 → 16-bit storage with 5-5-5 masks, 16 → 5-6-5, 1, 4, 8, 24, 32 →
  // that depth. Reallocates (contents undefined) when the depth changes.
  void SetBitCount(int32_t bitCount) override;
  uint32_t RedMask() const override;
  uint32_t GreenMask() const override;
  uint32_t BlueMask() const override;
  int32_t RowStep() const override { return Step_; }
  int32_t BlueShift() const override;
  int32_t GreenShift() const override;
  int32_t RedShift() const override;
  int32_t SurfaceBitCount() const override { return BitCount_ == 15 ? 16 : BitCount_; }
  // Throws EOpalError for a negative size, a side above kMaxSide, storage
  // above kMaxBytes or a depth other than 1, 4, 8, 15, 16, 24, 32. A zero
  // side gives an empty buffer.
  void SetSize(int32_t width, int32_t height, int32_t bitCount) override;
  uint8_t* PixelAddress(int32_t x, int32_t y) override;
  void ReleaseImage() override;
  void GetPaletteEntries(TRGBQuad* out, int32_t first, int32_t count) const override;
  void SetPaletteEntries(const TRGBQuad* in, int32_t first, int32_t count) override;
  // Copies shared storage into storage of the buffer's own.
  void Unshare() override;

  // Uses storage that someone else owns (Shared): bits holds height rows of
  // the given signed step, in the given depth.
  void AttachShared(uint8_t* bits, int32_t width, int32_t height, int32_t bitCount,
                    int32_t rowStep);

 private:
  void Allocate(int32_t width, int32_t height, int32_t bitCount);
  void FreeStorage();

  int32_t BitCount_ = 15;
  int32_t Stride_ = 0;  // bytes per row, positive
  int32_t StorageRows_ = 0;
  uint8_t* Bits_ = nullptr;   // lowest address of the storage
  uint8_t* Row0_ = nullptr;   // row 0 (the top row)
  int32_t Step_ = 0;          // signed row step
  std::array<TRGBQuad, 256> Palette_{};
};

}  // namespace opal

#include "raster/dibx.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "common/error.h"

namespace opal {
namespace {

bool ValidDepth(int32_t bits) {
  switch (bits) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32: return true;
    default: return false;
  }
}

int64_t StrideOf(int64_t width, int32_t bits) {
  const int32_t storageBits = bits == 15 ? 16 : bits;
  return (width * storageBits + 31) / 32 * 4;
}

struct TMasks {
  uint32_t Red, Green, Blue;
};

TMasks MasksOf(int32_t bits) {
  switch (bits) {
    case 15: return {0x7C00, 0x03E0, 0x001F};
    case 16: return {0xF800, 0x07E0, 0x001F};
    case 24: case 32: return {0xFF0000, 0x00FF00, 0x0000FF};
    default: return {0, 0, 0};
  }
}

}  // namespace

TDIBX::TDIBX() { Allocate(1, 1, 15); }

TDIBX::~TDIBX() { FreeStorage(); }

void TDIBX::FreeStorage() {
  if (!Shared) std::free(Bits_);
  Bits_ = Row0_ = nullptr;
  Shared = false;
}

void TDIBX::Allocate(int32_t width, int32_t height, int32_t bitCount) {
  if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide)
    throw EOpalError(Format("TDIBX.SetSize: size %dx%d refused", width, height));
  if (!ValidDepth(bitCount))
    throw EOpalError(Format("TDIBX.SetSize: depth %d refused", bitCount));
  const int64_t stride = StrideOf(width, bitCount);
  const int64_t bytes = stride * height;
  if (bytes > kMaxBytes)
    throw EOpalError(Format("TDIBX.SetSize: %dx%d at %d bits is too large", width, height, bitCount));
#if defined(__SANITIZE_ADDRESS__) || defined(OPAL_EXACT_STORAGE)
  // Exactly the rows' bytes, so that the address sanitizer sees any access
  // past either end (at least one byte so storage always exists).
  auto* bits = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(std::max<int64_t>(bytes, 1))));
#else
  // 32-byte alignment lets the wide loads of the fast paths stay within
  // cache lines on aligned rows; at least one byte so storage always exists.
  const size_t alloc = static_cast<size_t>((bytes + 31) / 32 * 32) + 32;
  auto* bits = static_cast<uint8_t*>(std::aligned_alloc(32, alloc));
#endif
  if (bits == nullptr) throw EOpalError(Format("TDIBX.SetSize: out of memory for %lld bytes", static_cast<long long>(bytes)));
  // New pixels are 0, as a new section of the system's is: what no drawing
  // reaches stays black instead of showing whatever the memory held.
  std::memset(bits, 0, static_cast<size_t>(std::max<int64_t>(bytes, 1)));
  FreeStorage();
  Bits_ = bits;
  BitCount_ = bitCount;
  Stride_ = static_cast<int32_t>(stride);
  StorageRows_ = height;
  Step_ = -Stride_;
  Row0_ = height > 0 ? Bits_ + stride * (height - 1) : Bits_;
}

void TDIBX::SetSize(int32_t width, int32_t height, int32_t bitCount) {
  Allocate(width, height, bitCount);
  Width_ = width;
  Height_ = height;
}

void TDIBX::SetBitCount(int32_t bitCount) {
  if (bitCount == BitCount_) return;
  const int32_t rows = StorageRows_;
  const int32_t width = Width_ != 0 ? Width_ : 1;
  Allocate(width, rows, bitCount);
}

uint32_t TDIBX::RedMask() const { return MasksOf(BitCount_).Red; }
uint32_t TDIBX::GreenMask() const { return MasksOf(BitCount_).Green; }
uint32_t TDIBX::BlueMask() const { return MasksOf(BitCount_).Blue; }

int32_t TDIBX::BlueShift() const { return 0; }
int32_t TDIBX::GreenShift() const {
  return BitCount_ == 15 || BitCount_ == 16 ? 5 : BitCount_ >= 24 ? 8 : 0;
}
int32_t TDIBX::RedShift() const {
  return BitCount_ == 15 ? 10 : BitCount_ == 16 ? 11 : BitCount_ >= 24 ? 16 : 0;
}

uint8_t* TDIBX::PixelAddress(int32_t x, int32_t y) {
  if (Row0_ == nullptr || Width_ == 0 || Height_ == 0) return nullptr;
  const int32_t storageBits = BitCount_ == 15 ? 16 : BitCount_;
  return Row0_ + static_cast<int64_t>(y) * Step_ + static_cast<int64_t>(x) * storageBits / 8;
}

void TDIBX::ReleaseImage() {
  Allocate(8, 8, BitCount_);
  Width_ = Height_ = 0;
}

void TDIBX::GetPaletteEntries(TRGBQuad* out, int32_t first, int32_t count) const {
  if (out == nullptr) return;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t index = int64_t{first} + i;
    out[i] = index >= 0 && index < 256 ? Palette_[index] : TRGBQuad{};
  }
}

void TDIBX::SetPaletteEntries(const TRGBQuad* in, int32_t first, int32_t count) {
  if (in == nullptr) return;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t index = int64_t{first} + i;
    if (index >= 0 && index < 256) Palette_[index] = in[i];
  }
}

void TDIBX::AttachShared(uint8_t* bits, int32_t width, int32_t height, int32_t bitCount,
                         int32_t rowStep) {
  if (bits == nullptr || width <= 0 || height <= 0 || !ValidDepth(bitCount)) return;
  const int64_t stride = rowStep < 0 ? -int64_t{rowStep} : rowStep;
  if (stride < StrideOf(width, bitCount) || stride % 4 != 0) return;
  FreeStorage();
  BitCount_ = bitCount;
  Stride_ = static_cast<int32_t>(stride);
  StorageRows_ = height;
  Step_ = rowStep;
  Row0_ = bits;
  Bits_ = rowStep < 0 ? bits + int64_t{rowStep} * (height - 1) : bits;
  Shared = true;
  Width_ = width;
  Height_ = height;
}

void TDIBX::Unshare() {
  if (!Shared) return;
  uint8_t* oldRow0 = Row0_;
  const int32_t oldStep = Step_, width = Width_, height = Height_;
  const size_t rowBytes = static_cast<size_t>(Stride_);
  Shared = false;
  Bits_ = Row0_ = nullptr;  // not ours: do not free
  SetSize(width, height, BitCount_);
  for (int32_t y = 0; y < height; ++y)
    std::memcpy(Row0_ + int64_t{y} * Step_, oldRow0 + int64_t{y} * oldStep, rowBytes);
}

}  // namespace opal

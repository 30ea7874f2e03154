// Internal helpers of the drawing operations: scoped pixel access, the
// clipping of unscaled drawing, and the row loops that feed the kernels.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "raster/custom_dibx.h"
#include "raster/pixel_format.h"
#include "raster/rect.h"
#include "raster/row_kernels.h"

namespace opal::raster_internal {

// Opens a buffer's pixels for one operation and ends the access (Unlock)
// when it goes out of scope, also on an exception. A null, empty or
// storage-less buffer gives an access that is not Ok.
class TPixelAccess {
 public:
  explicit TPixelAccess(TCustomDIBX* buffer);
  ~TPixelAccess();
  TPixelAccess(const TPixelAccess&) = delete;
  TPixelAccess& operator=(const TPixelAccess&) = delete;

  bool Ok() const { return Origin_ != nullptr; }
  uint8_t* Row(int64_t y) const { return Origin_ + y * Step_; }
  int64_t Step() const { return Step_; }
  uint8_t* At(int64_t x, int64_t y) const { return Row(y) + x * Bytes_; }
  int32_t Width() const { return Width_; }
  int32_t Height() const { return Height_; }
  int32_t Bits() const { return Bits_; }
  // Null for the sub-byte depths.
  const TPixelFormat* Format() const { return Format_; }

 private:
  TCustomDIBX* Buffer_ = nullptr;
  uint8_t* Origin_ = nullptr;
  int64_t Step_ = 0;
  int32_t Bytes_ = 0, Width_ = 0, Height_ = 0, Bits_ = 0;
  const TPixelFormat* Format_ = nullptr;
};

// An unscaled drawing after clipping: the destination rectangle and the
// source pixel that lands on its top-left corner, walked by DirX and DirY.
struct TBlit {
  TRect64 Dst;
  int64_t SrcX = 0, SrcY = 0;
  int32_t DirX = 1, DirY = 1;
};

// Clips the drawing of src (scaled down by factor) at (x, y) against clip.
// With limit, src is first cut to it, moving (x, y) so that the remaining
// pixels keep their places. False when nothing remains.
bool ClipBlit(const TRect& clip, int64_t x, int64_t y, TRect64 src, const TRect64* limit,
              bool flipV, bool flipH, int64_t factor, TBlit& out);

// The bounds of a source and, when given, of its mask.
TRect64 SourceLimit(const TPixelAccess& src, const TPixelAccess* mask);

inline bool IsMask(const TPixelAccess& m) { return m.Ok() && m.Bits() == 8; }

// The buffers of one image drawing, opened together: a destination and a
// source that both have a pixel format, and a mask, when one is given, that
// is an 8-bit buffer. Ok() is false when any of them does not qualify.
struct TImageOperands {
  TImageOperands(TCustomDIBX* dst, TCustomDIBX* src, TCustomDIBX* mask)
      : d(dst), s(src), m(mask), HasMask(mask != nullptr) {}
  bool Ok() const {
    return d.Ok() && d.Format() != nullptr && s.Ok() && s.Format() != nullptr && (!HasMask || IsMask(m));
  }
  const TPixelAccess* Mask() const { return HasMask ? &m : nullptr; }

  const TPixelAccess d, s, m;
  const bool HasMask;
};

inline uint32_t KeyOf(const TCustomDIBX& src) { return static_cast<uint32_t>(src.TransparentColor); }
inline bool HasKey(const TCustomDIBX& src) { return src.TransparentColor != -1; }

// Runs one kernel over every row of a clipped unscaled drawing.
void RunBlit(const TPixelAccess& dst, const TPixelAccess& src, const TPixelAccess* mask,
             const TBlit& b, TRowKernel kernel, TRowJob job);

// Row gathering for the sampled operations (stretch, rotation, zoomed
// tiles): the caller names, per destination pixel of a row, the source pixel
// and mask byte to use (null = leave the pixel alone); runs of named pixels
// are copied into scratch rows and handed to the kernel.
class TGatherRow {
 public:
  TGatherRow(int32_t count, int32_t srcBytes, bool withMask);
  const uint8_t** Src() { return Src_.data(); }
  const uint8_t** Mask() { return Mask_.data(); }
  void Run(uint8_t* dstRow, int32_t dstBytes, TRowKernel kernel, TRowJob job);

 private:
  int32_t Count_, SrcBytes_;
  bool WithMask_;
  std::vector<const uint8_t*> Src_, Mask_;
  std::vector<uint8_t> SrcScratch_, MaskScratch_;
};

// Rows sampled at the same source columns (stretching, TileFill, ZoomTile):
// the byte offsets of the columns and the runs of columns that have a sample
// are worked out once per call; each row then gathers its samples run by run
// and hands them to the kernel, or, for a plain copy between equal formats,
// straight into the destination.
class TSampledRows {
 public:
  // cols[i]: the source column of destination column i, −1 for none.
  TSampledRows(const std::vector<int64_t>& cols, const TPixelFormat& dst, const TPixelFormat& src,
               bool withMask, TRowOp op, bool useKey);
  void Run(uint8_t* dstRow, const uint8_t* srcRow, const uint8_t* maskRow, TRowKernel kernel,
           TRowJob job);

 private:
  std::vector<int64_t> Cols_;
  std::vector<intptr_t> Offsets_;
  std::vector<std::pair<int32_t, int32_t>> Runs_;
  int32_t DstBytes_, SrcBytes_;
  bool Direct_;
  std::vector<uint8_t> SrcScratch_, MaskScratch_;
};

// The operation and amount a blend value selects for the unmasked and the
// masked image rules; false for a blend value that draws nothing.
struct TBlendChoice {
  TRowOp Op;
  uint32_t Amount;
};
bool ChooseBlend(int32_t blend, bool masked, TBlendChoice& out);

// Rectangles built from 64-bit arithmetic, saturated to the 32-bit range.
int32_t Saturate32(int64_t v);
inline TRect Rect32(int64_t l, int64_t t, int64_t r, int64_t b) {
  return {Saturate32(l), Saturate32(t), Saturate32(r), Saturate32(b)};
}

// Restores a buffer's ClipRect when it goes out of scope.
class TClipScope {
 public:
  TClipScope(TCustomDIBX& b, const TRect& clip) : B_(b), Saved_(b.ClipRect) { b.SetClipRect(clip); }
  ~TClipScope() { B_.SetClipRect(Saved_); }
  TClipScope(const TClipScope&) = delete;
  TClipScope& operator=(const TClipScope&) = delete;

 private:
  TCustomDIBX& B_;
  TRect Saved_;
};

// Non-negative remainder.
inline int64_t Wrap(int64_t v, int64_t m) {
  const int64_t r = v % m;
  return r < 0 ? r + m : r;
}

}  // namespace opal::raster_internal

namespace opal::raster_internal {

// The nearest-neighbour sampling of a stretch: the clipped destination
// rectangle and, per destination column and row, the source column and row
// (−1 where the sample falls outside the source rectangle or limit).
struct TStretchMap {
  TRect64 Dst;
  std::vector<int64_t> Cols, Rows;
};
bool MapStretch(const TRect& clip, const TRect& destRect, const TRect& srcRect,
                const TRect64& limit, bool flipV, bool flipH, TStretchMap& out);

}  // namespace opal::raster_internal

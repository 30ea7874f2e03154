// Row kernels: the inner loops of the blending operations. The drawing
// operations clip once and hand each destination row to one kernel, chosen
// from a table by operation, pixel formats and dispatch level.
#pragma once

#include <cstdint>

#include "raster/pixel_format.h"
#include "raster/simd_dispatch.h"

namespace opal {

enum class TRowOp : int {
  Copy,        // D' = S
  CopyKey,     // skip S = key
  Alpha,       // DrawAlpha rule, opacity 1..254
  Mask,        // DrawMask rule
  AlphaMask,   // DrawAlphaMask rule, opacity 1..255
  Add,         // DrawAdd rule, amount 1..255
  AddMask,     // DrawAddMask rule, amount 1..255
  FillAlpha,   // FillRectAlpha rule, opacity 1..255
  FillAdd,     // FillRectAdd rule
  FillSub,     // FillRectSub rule
  FillMask,    // FillMask rule, opacity 1..255
  Count
};
constexpr int kRowOpCount = static_cast<int>(TRowOp::Count);

// One destination row. Src and Mask point at the first pixel to read; they
// step by Dir (+1 or −1 pixels) while Dst always steps forward. Src may be
// null for fills, Mask for unmasked operations.
struct TRowJob {
  uint8_t* Dst = nullptr;
  const uint8_t* Src = nullptr;
  const uint8_t* Mask = nullptr;
  int32_t Count = 0;
  int32_t Dir = 1;
  uint32_t Amount = 0;  // opacity or additive amount
  uint32_t Key = 0;
  bool UseKey = false;
  uint32_t Color = 0;  // fills, in the destination format
  const TPixelFormat* DstFormat = nullptr;
  const TPixelFormat* SrcFormat = nullptr;  // equal to DstFormat for fills
};

using TRowKernel = void (*)(const TRowJob&);

// The literal per-pixel form, for any pair of byte-addressed formats.
TRowKernel ReferenceKernel(TRowOp op);

// The kernel for this operation and format pair at the current dispatch
// level: a SIMD kernel for 32→32, 16→16 and 15→15 when the level has one,
// the reference otherwise.
TRowKernel SelectKernel(TRowOp op, const TPixelFormat& dst, const TPixelFormat& src);

#if defined(__x86_64__)
// Tables of the SIMD levels, indexed [format][op] with format 0 = 32 bits,
// 1 = 16 bits (5-6-5), 2 = 15 bits (5-5-5).
extern const TRowKernel kSse2Kernels[3][kRowOpCount];
extern const TRowKernel kAvx2Kernels[3][kRowOpCount];
#endif

}  // namespace opal

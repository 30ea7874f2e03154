// Inner loops of the wipes, one screen row a call. The rule-image kinds work
// from the rule levels directly, so the per-level work is a few vector
// operations and not a table look-up per pixel.
#pragma once

#include <cstdint>

#include "raster/pixel_format.h"

namespace opal {

// The hard-mask blend: each pixel is the new one where mask[x] is 255 and
// the old one where it is 0, the DrawMask rule at those two values; every
// mask byte must be 0 or 255. Pixels are `bytes` (2 or 4, others by the
// pixel) wide.
void SelectRow(uint8_t* dest, const uint8_t* oldRow, const uint8_t* newRow, const uint8_t* mask, int32_t count,
               int32_t bytes);

// Shadow's mask: out[x] = rule[x] + offset clamped to 0..255, for an offset
// in −256..255.
void ShadowMaskRow(uint8_t* out, const uint8_t* rule, int32_t count, int32_t offset);

// ShadowWhite's and ShadowBlack's picture for `level` (0..767): per pixel
// j = level + rule[x] − 256 clamped to 0..511; j ≤ 255 takes the old pixel
// with gray j added (taken away when `subtract`), otherwise the new one
// with gray 511 − j. Old, new and destination are all in `format` (15, 16
// or 32 bits); the gray is the pixel of grey level g in that format, the
// sum saturates per channel, and a 32-bit pixel's fourth byte passes.
void GlowRow(const TPixelFormat& format, bool subtract, uint8_t* dest, const uint8_t* oldRow,
             const uint8_t* newRow, const uint8_t* rule, int32_t count, int32_t level);

}  // namespace opal

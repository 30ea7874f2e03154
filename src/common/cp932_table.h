// Internal to cp932.cpp: the mapping data written by scripts/gen_cp932.py.
#pragma once

#include <cstddef>
#include <cstdint>

namespace opal::cp932::table {

inline constexpr size_t kLeadCount = 60;    // 0x81..0x9F, 0xE0..0xFC
inline constexpr size_t kTrailCount = 188;  // 0x40..0x7E, 0x80..0xFC

// Code point of each single byte; lead bytes hold U+FFFD.
extern const char16_t kSingle[256];

// Code point of each double-byte code, row by lead byte, 0 where unmapped.
// Index with DoubleIndex.
extern const char16_t kDouble[kLeadCount * kTrailCount];

// Every code point some code decodes to, ascending, with the code written
// for it: a value below 0x100 is a single byte, else lead << 8 | trail.
extern const size_t kEncodeCount;
extern const char16_t kEncodeCodePoint[];
extern const uint16_t kEncodeCode[];

// Index into kDouble, or -1 when the pair is not in the double-byte grid.
inline constexpr int DoubleIndex(uint8_t lead, uint8_t trail) {
  int row;
  if (lead >= 0x81 && lead <= 0x9F) {
    row = lead - 0x81;
  } else if (lead >= 0xE0 && lead <= 0xFC) {
    row = lead - 0xE0 + 31;
  } else {
    return -1;
  }
  int col;
  if (trail >= 0x40 && trail <= 0x7E) {
    col = trail - 0x40;
  } else if (trail >= 0x80 && trail <= 0xFC) {
    col = trail - 0x41;
  } else {
    return -1;
  }
  return row * static_cast<int>(kTrailCount) + col;
}

}  // namespace opal::cp932::table

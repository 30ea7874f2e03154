// Films written byte by byte for the film tests, independent of the writer.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <string>

#include "hand_bytes.h"

namespace opal::testing {

struct TFilmBytes : THandBytesOf<TFilmBytes> {
  TFilmBytes& F64(double v) { return I64(static_cast<int64_t>(std::bit_cast<uint64_t>(v))); }
  TFilmBytes& Pos(int32_t x, int32_t y) { return I32(x).I32(y); }
  // The kind and three digits of version.
  TFilmBytes& Magic(const char* kind, int version) {
    const std::string digits = std::to_string(version);
    return Raw(std::string(kind) + std::string(3 - std::min<size_t>(3, digits.size()), '0') + digits);
  }
  // The common record with the values as the file stores them.
  TFilmBytes& Common(int32_t link, int32_t length, int32_t start, int32_t period = 0, int32_t priority = 0,
                     int32_t reserved = 0, uint8_t flipH = 0, uint8_t flipV = 0, uint8_t otherBase = 0) {
    return I32(link).I32(length).I32(reserved).I32(start).I32(period).I32(priority).U8(flipH).U8(flipV).U8(otherBase);
  }
};

}  // namespace opal::testing

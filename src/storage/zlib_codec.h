// zlib streams of archive entries and the CRC-32 written with them.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/stream.h"

namespace opal {

// No stream inflates to more than this; a larger result is damaged data.
inline constexpr int64_t kMaxInflatedSize = int64_t{1} << 30;

// Compresses with zlib's fastest level (1), header and Adler-32 trailer.
std::vector<uint8_t> Deflate(const uint8_t* data, size_t size);

// Inflates a whole zlib stream. The result may not exceed `limit` bytes, and
// the stream must end exactly at its final block and trailer: a truncated,
// damaged or oversized stream is an EFormatError, never a short result.
std::vector<uint8_t> Inflate(const uint8_t* data, size_t size, int64_t limit = kMaxInflatedSize);

// Inflates the whole of `stream` in place and rewinds it.
void InflateInPlace(TMemoryStream& stream, int64_t limit = kMaxInflatedSize);

// CRC-32 (reflected 0xEDB88320) over the whole stream from position 0, read
// in chunks of 1 MiB; leaves the stream at its end.
uint32_t StreamCrc(TStream& stream);
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace opal

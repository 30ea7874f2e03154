// zlib streams of archive entries and layered-image blocks, and the CRC-32
// written with them.
#pragma once

#include <cstdint>
#include <vector>

#include "storage/stream.h"

namespace opal {

// No stream inflates to more than this; a larger result is damaged data.
inline constexpr int64_t kMaxInflatedSize = int64_t{1} << 30;

// Compresses at the fastest level into a zlib stream (header, deflate data,
// Adler-32 trailer) that any zlib inflater reads.
std::vector<uint8_t> Deflate(const uint8_t* data, size_t size);

// Inflates a whole zlib stream held in memory at once. The result may not
// exceed `limit` bytes, and the stream must end at its final block and
// trailer: a truncated, damaged or oversized stream is an EFormatError, never
// a short result; bytes after the trailer are not looked at. `expected` is
// the size the format says the result has or at most has (-1: unknown); the
// first try reserves that much, an unknown size grows within the limit.
// Failures are named by InflateStreaming, so both give the same errors.
std::vector<uint8_t> Inflate(const uint8_t* data, size_t size, int64_t limit = kMaxInflatedSize,
                             int64_t expected = -1);

// The same into memory of the caller's: at most `limit` bytes into `out`,
// which holds that many; returns how many the stream gave.
size_t InflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t limit);

// The same inflation with zlib's incremental inflater, a piece of input and
// output at a time: the same results and errors as Inflate.
std::vector<uint8_t> InflateStreaming(const uint8_t* data, size_t size, int64_t limit = kMaxInflatedSize);

// Inflates the whole of `stream` in place and rewinds it.
void InflateInPlace(TMemoryStream& stream, int64_t limit = kMaxInflatedSize);

// CRC-32 (reflected 0xEDB88320) over the whole stream from position 0, read
// in chunks of 1 MiB; leaves the stream at its end.
uint32_t StreamCrc(TStream& stream);
uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

}  // namespace opal

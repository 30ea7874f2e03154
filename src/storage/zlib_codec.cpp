#include "storage/zlib_codec.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "common/error.h"

namespace opal {

namespace {

struct FreeCompressor {
  void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
struct FreeDecompressor {
  void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// The first output size tried for a stream of unknown size, as a multiple
// of its compressed size; a stream that expands more is tried once more
// with room for all that its limit allows.
constexpr int64_t kFirstGuessFactor = 16;
constexpr int64_t kFirstGuessMin = 64 << 10;

}  // namespace

std::vector<uint8_t> Deflate(const uint8_t* data, size_t size) {
  const std::unique_ptr<libdeflate_compressor, FreeCompressor> compressor(libdeflate_alloc_compressor(1));
  if (!compressor) throw EFormatError("compression failed: out of memory");
  std::vector<uint8_t> out(libdeflate_zlib_compress_bound(compressor.get(), size));
  const size_t n = libdeflate_zlib_compress(compressor.get(), data, size, out.data(), out.size());
  if (n == 0) throw EFormatError("compression failed");
  out.resize(n);
  return out;
}

std::vector<uint8_t> Inflate(const uint8_t* data, size_t size, int64_t limit, int64_t expected) {
  // The whole stream is inflated at once into a buffer that must hold all of
  // it. Any outcome but success (damage, truncation, a stream past the
  // limit) goes to the incremental inflater, which names the failure.
  const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
  if (!decompressor || limit <= 0) return InflateStreaming(data, size, limit);
  size_t produced = 0;
  if (expected >= 0 && expected <= limit) {
    std::vector<uint8_t> out(static_cast<size_t>(expected));
    const libdeflate_result r =
        libdeflate_zlib_decompress(decompressor.get(), data, size, out.data(), out.size(), &produced);
    if (r == LIBDEFLATE_SUCCESS) {
      out.resize(produced);
      return out;
    }
    if (r != LIBDEFLATE_INSUFFICIENT_SPACE || expected == limit) return InflateStreaming(data, size, limit);
  }
  // An unknown size: inflated into memory left uninitialised, which costs
  // only the pages written, then copied out at its size.
  const int64_t guess = std::max<int64_t>(kFirstGuessMin, static_cast<int64_t>(size) * kFirstGuessFactor);
  for (const int64_t capacity : {std::min(limit, guess), limit}) {
    const std::unique_ptr<uint8_t[]> room(new (std::nothrow) uint8_t[static_cast<size_t>(capacity)]);
    if (!room) break;
    const libdeflate_result r = libdeflate_zlib_decompress(decompressor.get(), data, size, room.get(),
                                                           static_cast<size_t>(capacity), &produced);
    if (r == LIBDEFLATE_SUCCESS) return std::vector<uint8_t>(room.get(), room.get() + produced);
    if (r != LIBDEFLATE_INSUFFICIENT_SPACE || capacity >= limit) break;
  }
  return InflateStreaming(data, size, limit);
}

size_t InflateInto(const uint8_t* data, size_t size, uint8_t* out, size_t limit) {
  const std::unique_ptr<libdeflate_decompressor, FreeDecompressor> decompressor(libdeflate_alloc_decompressor());
  size_t produced = 0;
  if (decompressor && limit > 0 &&
      libdeflate_zlib_decompress(decompressor.get(), data, size, out, limit, &produced) == LIBDEFLATE_SUCCESS) {
    return produced;
  }
  const std::vector<uint8_t> named = InflateStreaming(data, size, static_cast<int64_t>(limit));
  if (!named.empty()) std::memcpy(out, named.data(), named.size());
  return named.size();
}

std::vector<uint8_t> InflateStreaming(const uint8_t* data, size_t size, int64_t limit) {
  z_stream zs{};
  if (inflateInit(&zs) != Z_OK) throw EFormatError("cannot start decompression");
  std::vector<uint8_t> out;
  // Deflate cannot expand more than about 1032:1, so a sound first guess
  // also bounds what a hostile stream can make us reserve up front.
  out.resize(static_cast<size_t>(std::min<int64_t>(limit, std::max<int64_t>(4096, int64_t(size) * 4))));
  size_t in_done = 0;
  int rc = Z_OK;
  while (true) {
    if (zs.total_out == out.size()) {
      if (static_cast<int64_t>(out.size()) >= limit) {
        rc = Z_BUF_ERROR;
        break;
      }
      out.resize(static_cast<size_t>(std::min<int64_t>(limit, static_cast<int64_t>(out.size()) * 2)));
    }
    const size_t in_chunk = std::min<size_t>(size - in_done, std::numeric_limits<uInt>::max());
    zs.next_in = const_cast<Bytef*>(data + in_done);
    zs.avail_in = static_cast<uInt>(in_chunk);
    zs.next_out = out.data() + zs.total_out;
    zs.avail_out = static_cast<uInt>(std::min<size_t>(out.size() - zs.total_out, std::numeric_limits<uInt>::max()));
    const uLong before_in = zs.total_in;
    const uLong before_out = zs.total_out;
    rc = inflate(&zs, Z_NO_FLUSH);
    in_done += zs.total_in - before_in;
    if (rc == Z_STREAM_END) break;
    if (rc != Z_OK && rc != Z_BUF_ERROR) break;
    if (zs.total_in == before_in && zs.total_out == before_out && zs.avail_out != 0) {
      rc = Z_DATA_ERROR;  // input exhausted before the end of the stream
      break;
    }
  }
  const uLong total = zs.total_out;
  inflateEnd(&zs);
  if (rc != Z_STREAM_END) {
    if (static_cast<int64_t>(total) >= limit && rc == Z_BUF_ERROR) {
      throw EFormatError(Format("compressed data expands past %lld bytes", static_cast<long long>(limit)));
    }
    throw EFormatError(in_done >= size ? "compressed data is truncated" : "compressed data is damaged");
  }
  out.resize(total);
  return out;
}

void InflateInPlace(TMemoryStream& stream, int64_t limit) {
  std::vector<uint8_t> result = Inflate(stream.Memory(), static_cast<size_t>(stream.Size()), limit);
  stream.Bytes() = std::move(result);
  stream.SetPosition(0);
}

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc) {
  uLong c = crc;
  while (size > 0) {
    const uInt n = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    c = crc32(c, data, n);
    data += n;
    size -= n;
  }
  return static_cast<uint32_t>(c);
}

uint32_t StreamCrc(TStream& stream) {
  stream.SetPosition(0);
  std::vector<uint8_t> buffer(0x100000);
  uint32_t crc = 0;
  while (true) {
    const int64_t n = stream.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
    if (n <= 0) break;
    crc = Crc32(buffer.data(), static_cast<size_t>(n), crc);
  }
  return crc;
}

}  // namespace opal

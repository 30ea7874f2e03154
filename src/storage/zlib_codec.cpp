#include "storage/zlib_codec.h"

#include <zlib.h>

#include <algorithm>
#include <limits>

#include "common/error.h"

namespace opal {

std::vector<uint8_t> Deflate(const uint8_t* data, size_t size) {
  uLongf bound = compressBound(static_cast<uLong>(size));
  std::vector<uint8_t> out(bound);
  if (compress2(out.data(), &bound, data, static_cast<uLong>(size), 1) != Z_OK) {
    throw EFormatError("compression failed");
  }
  out.resize(bound);
  return out;
}

std::vector<uint8_t> Inflate(const uint8_t* data, size_t size, int64_t limit) {
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

// The whole-buffer inflater against zlib's incremental one: the same bytes
// for every sound stream, the same error for every damaged one, under the
// same limits; and our compressor's streams read by zlib itself.
#include "storage/zlib_codec.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::NoiseBytes;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// Text with repeats and a stretch of noise: dynamic blocks, matches, literals.
std::string Mixed(size_t size) {
  std::string s;
  for (int i = 0; s.size() < size; ++i) {
    s += "Flip(\"bg\\\\room" + std::to_string(i % 37) + ".bri\", 12, 500)\r\n";
    if (i % 50 == 0) s += NoiseBytes(64, static_cast<uint32_t>(i));
  }
  s.resize(size);
  return s;
}

std::vector<uint8_t> ZlibCompress(const std::string& s, int level) {
  uLongf size = compressBound(static_cast<uLong>(s.size()));
  std::vector<uint8_t> out(size);
  compress2(out.data(), &size, reinterpret_cast<const Bytef*>(s.data()), static_cast<uLong>(s.size()), level);
  out.resize(size);
  return out;
}

// What one inflater gives: the bytes, or the error's message.
struct Outcome {
  std::optional<std::vector<uint8_t>> bytes;
  std::string error;
};

template <typename F>
Outcome Attempt(F inflate) {
  try {
    return {inflate(), {}};
  } catch (const EFormatError& e) {
    return {std::nullopt, e.what()};
  }
}

void ExpectSameOutcome(const std::vector<uint8_t>& stream, int64_t limit, int64_t expected = -1) {
  const Outcome whole = Attempt([&] { return Inflate(stream.data(), stream.size(), limit, expected); });
  const Outcome streaming = Attempt([&] { return InflateStreaming(stream.data(), stream.size(), limit); });
  EXPECT_EQ(whole.error, streaming.error);
  EXPECT_EQ(whole.bytes, streaming.bytes);
}

TEST(ZlibCodec, OurStreamsAreReadByZlib) {
  const std::string cases[] = {"", "a", Mixed(100000), NoiseBytes(1 << 20), std::string(3 << 20, '\0')};
  for (const std::string& content : cases) {
    SCOPED_TRACE(content.size());
    const std::vector<uint8_t> packed = Deflate(reinterpret_cast<const uint8_t*>(content.data()), content.size());
    ASSERT_GE(packed.size(), 2u);
    EXPECT_EQ(packed[0], 0x78);  // deflate with a 32 KiB window
    std::string back(content.size(), '\0');
    uLongf size = static_cast<uLongf>(back.size());
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(back.data()), &size, packed.data(), static_cast<uLong>(packed.size())),
              Z_OK);
    EXPECT_EQ(size, content.size());
    EXPECT_EQ(back, content);
  }
}

TEST(ZlibCodec, EveryDamageGivesTheSameErrorAsZlib) {
  const std::string content = Mixed(20000);
  for (const std::vector<uint8_t>& good :
       {ZlibCompress(content, 1), ZlibCompress(content, 9), Deflate(Bytes(content).data(), content.size())}) {
    // Cut short at every length, the empty stream included.
    for (size_t n = 0; n < good.size(); ++n) {
      SCOPED_TRACE("cut to " + std::to_string(n));
      ExpectSameOutcome(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<ptrdiff_t>(n)), kMaxInflatedSize);
    }
    // One byte changed, at every place, with a few patterns.
    for (size_t at = 0; at < good.size(); ++at) {
      for (uint8_t mask : {0x01, 0x80, 0xFF}) {
        SCOPED_TRACE("byte " + std::to_string(at) + " ^ " + std::to_string(mask));
        std::vector<uint8_t> damaged = good;
        damaged[at] ^= mask;
        ExpectSameOutcome(damaged, kMaxInflatedSize);
      }
    }
  }
}

TEST(ZlibCodec, LimitsTrailingBytesAndSizeHintsActAsBefore) {
  const std::string content = Mixed(300000);
  const std::vector<uint8_t> good = ZlibCompress(content, 1);
  const int64_t size = static_cast<int64_t>(content.size());
  struct Case {
    const char* what;
    std::vector<uint8_t> stream;
    int64_t limit, expected;
  };
  std::vector<uint8_t> trailing = good;
  trailing.insert(trailing.end(), {1, 2, 3, 4, 5});
  const Case cases[] = {
      {"exactly at the limit", good, size, -1},
      {"one byte past the limit", good, size - 1, -1},
      {"far past the limit", good, 1000, -1},
      {"the size known", good, kMaxInflatedSize, size},
      {"a smaller size expected", good, kMaxInflatedSize, 100},
      {"a larger size expected", good, kMaxInflatedSize, size * 3},
      {"the expected size is the limit, one byte short", good, size - 1, size - 1},
      {"bytes after the trailer", trailing, kMaxInflatedSize, -1},
      {"a limit of nothing", good, 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ExpectSameOutcome(c.stream, c.limit, c.expected);
  }
  // The outcomes themselves: bytes after the trailer are not looked at, a
  // stream cut short says so, and a stream past its limit names the limit.
  EXPECT_EQ(Inflate(trailing.data(), trailing.size()), Bytes(content));
  const Outcome cut = Attempt([&] { return Inflate(good.data(), good.size() / 2); });
  EXPECT_EQ(cut.error, "compressed data is truncated");
  const Outcome over = Attempt([&] { return Inflate(good.data(), good.size(), size - 1); });
  EXPECT_EQ(over.error, "compressed data expands past " + std::to_string(size - 1) + " bytes");
}

}  // namespace
}  // namespace opal

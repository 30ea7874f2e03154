#include "storage/stream.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "storage/sk_random.h"

namespace opal {
namespace {

TEST(StreamPrimitives, IntegersAndStringsRoundTripLittleEndian) {
  TMemoryStream s;
  WriteInt32(s, -2);
  WriteInt64(s, 0x0102030405060708ll);
  WriteByte(s, 0xAB);
  WriteString(s, "abc");
  WriteString(s, "");
  WriteExtended(s, 1.5L);
  EXPECT_EQ(s.Bytes()[0], 0xFE);
  EXPECT_EQ(s.Bytes()[4], 0x08);
  s.SetPosition(0);
  EXPECT_EQ(ReadInt32(s), -2);
  EXPECT_EQ(ReadInt64(s), 0x0102030405060708ll);
  EXPECT_EQ(ReadByte(s), 0xAB);
  EXPECT_EQ(ReadString(s), "abc");
  EXPECT_EQ(ReadString(s), "");
  EXPECT_EQ(ReadExtended(s), 1.5L);
  EXPECT_THROW(ReadByte(s), EStreamError);
}

TEST(StreamPrimitives, StringLengthsFromDataAreChecked) {
  // A negative length reads as empty and consumes only the length.
  TMemoryStream neg(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 'x'});
  EXPECT_EQ(ReadString(neg), "");
  EXPECT_EQ(neg.Position(), 4);
  // A length past the end is an error, not a 2 GiB allocation.
  TMemoryStream huge(std::vector<uint8_t>{0xFF, 0xFF, 0xFF, 0x7F, 'x'});
  EXPECT_THROW(ReadString(huge), EStreamError);
}

TEST(StreamPrimitives, CopyStreamCopiesAllOnZeroAndStopsAtTheEnd) {
  TMemoryStream src(std::vector<uint8_t>{1, 2, 3, 4, 5});
  src.SetPosition(3);
  TMemoryStream all;
  CopyStream(all, src, 0);
  EXPECT_EQ(all.Size(), 5);
  src.SetPosition(3);
  TMemoryStream part;
  CopyStream(part, src, 100);
  EXPECT_EQ(part.Bytes(), (std::vector<uint8_t>{4, 5}));
}

TEST(SkRandom, FixedSequences) {
  TSkRandom gen(TSkRandom::kArchiveSeed);
  const uint32_t expected[] = {0x5E642353, 0x3658D3F2, 0x6E20470D, 0x85058694};
  for (uint32_t e : expected) EXPECT_EQ(static_cast<uint32_t>(gen.Next()), e);

  TSkRandom draw(7);
  draw.SetPool(5);
  std::vector<int32_t> order;
  while (draw.PoolCount() > 0) order.push_back(draw.Draw());
  EXPECT_EQ(order, (std::vector<int32_t>{2, 3, 1, 0, 4}));
}

}  // namespace
}  // namespace opal

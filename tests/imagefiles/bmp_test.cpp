#include <gtest/gtest.h>

#include "common/error.h"
#include "hand_bytes.h"
#include "image_test_util.h"
#include "imagefiles/bmp_codec.h"

namespace opal {
namespace {

using testing::NoisePicture;

// A bitmap file written by hand: file header, then whatever the test adds.
struct TBmpBytes : testing::THandBytesOf<TBmpBytes> {
  TBmpBytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }
  TBmpBytes& FileHeader(uint32_t dataOffset) {
    return Raw("BM").I32(0).I32(0).I32(static_cast<int32_t>(dataOffset));
  }
  // A 40-byte info header.
  TBmpBytes& Info(int32_t w, int32_t h, uint16_t bits, uint32_t compression = 0,
                  uint32_t coloursUsed = 0) {
    I32(40).I32(w).I32(h).U16(1).U16(bits).I32(static_cast<int32_t>(compression));
    return I32(0).I32(0).I32(0).I32(static_cast<int32_t>(coloursUsed)).I32(0);
  }
};

TDIBSurface Load(const std::vector<uint8_t>& bytes) {
  TMemoryStream s(bytes);
  TDIBSurface p;
  LoadBmp(s, p);
  return p;
}

class BmpRoundTrip : public ::testing::TestWithParam<int32_t> {};

TEST_P(BmpRoundTrip, KeepsDepthPixelsAndTable) {
  const int32_t bits = GetParam();
  const TDIBSurface original = NoisePicture(11, 6, bits);
  TMemoryStream s;
  SaveBmp(original, s);
  const TDIBSurface back = Load(s.Bytes());
  ASSERT_EQ(back.BitCount(), bits);
  ASSERT_EQ(back.Width(), 11);
  ASSERT_EQ(back.Height(), 6);
  for (int32_t y = 0; y < 6; ++y)
    for (int32_t x = 0; x < 11; ++x) EXPECT_EQ(back.GetPixel(x, y), original.GetPixel(x, y));
  if (bits <= 8) {
    for (int i = 0; i < (1 << bits); ++i) EXPECT_EQ(back.ColorTable[i], original.ColorTable[i]);
  }
}

INSTANTIATE_TEST_SUITE_P(Depths, BmpRoundTrip, ::testing::Values(1, 4, 8, 15, 16, 24, 32));

TEST(Bmp, CoreHeaderWithTripleColourTable) {
  TBmpBytes b;
  b.FileHeader(14 + 12 + 6).I32(12).U16(3).U16(1).U16(1).U16(1);
  b.Raw({1, 2, 3, 4, 5, 6});        // two RGB triples (blue, green, red)
  b.Raw({0b10100000, 0, 0, 0});     // one row, bottom-up
  const TDIBSurface p = Load(b.Data);
  ASSERT_EQ(p.BitCount(), 1);
  EXPECT_EQ(p.GetPixel(0, 0), 1u);
  EXPECT_EQ(p.GetPixel(1, 0), 0u);
  EXPECT_EQ(p.GetPixel(2, 0), 1u);
  EXPECT_EQ(p.ColorTable[1], (TRGBQuad{4, 5, 6, 0}));
}

TEST(Bmp, TopDownAndBottomUpRows) {
  for (const int32_t h : {2, -2}) {
    TBmpBytes b;
    b.FileHeader(54).Info(1, h, 24);
    b.Raw({1, 2, 3, 0}).Raw({4, 5, 6, 0});  // first row in the file, second row
    const TDIBSurface p = Load(b.Data);
    ASSERT_EQ(p.Height(), 2);
    EXPECT_EQ(p.GetPixel(0, 0), h < 0 ? 0x030201u : 0x060504u) << h;
    EXPECT_EQ(p.GetPixel(0, 1), h < 0 ? 0x060504u : 0x030201u) << h;
  }
}

TEST(Bmp, SixteenBitLayouts) {
  struct Case {
    uint32_t compression;
    std::vector<uint32_t> masks;  // follow the 40-byte header
    int32_t depth;                // 0: refused
  };
  const std::vector<Case> cases = {
      {0, {}, 15},
      {3, {0xF800, 0x07E0, 0x001F}, 16},
      {3, {0x7C00, 0x03E0, 0x001F}, 15},
      {3, {0x001F, 0x07E0, 0xF800}, 0},
      {3, {0x0F00, 0x00F0, 0x000F}, 0},
  };
  for (const Case& c : cases) {
    TBmpBytes b;
    const uint32_t offset = 54 + 4 * static_cast<uint32_t>(c.masks.size());
    b.FileHeader(offset).Info(2, 1, 16, c.compression);
    for (const uint32_t m : c.masks) b.I32(static_cast<int32_t>(m));
    b.Raw({0x34, 0x12, 0xFF, 0x7F});
    if (c.depth == 0) {
      try {
        Load(b.Data);
        ADD_FAILURE() << "masks accepted";
      } catch (const EFormatError& e) {
        EXPECT_NE(std::string(e.what()).find("mask"), std::string::npos) << e.what();
      }
      continue;
    }
    const TDIBSurface p = Load(b.Data);
    EXPECT_EQ(p.BitCount(), c.depth);
    EXPECT_EQ(p.GetPixel(0, 0), 0x1234u);
    EXPECT_EQ(p.GetPixel(1, 0), 0x7FFFu);
  }
}

TEST(Bmp, ColourTableStopsAtThePixelData) {
  TBmpBytes b;  // core header, 8 bits, a table of two triples only
  b.FileHeader(14 + 12 + 6).I32(12).U16(1).U16(1).U16(1).U16(8);
  b.Raw({1, 2, 3, 4, 5, 6}).Raw({1, 0, 0, 0});
  const TDIBSurface p = Load(b.Data);
  EXPECT_EQ(p.GetPixel(0, 0), 1u);
  EXPECT_EQ(p.ColorTable[1], (TRGBQuad{4, 5, 6, 0}));
  EXPECT_EQ(p.ColorTable[2], TRGBQuad{});
}

TEST(Bmp, ThirtyTwoBitsKeepTheFourthByte) {
  TBmpBytes b;
  b.FileHeader(54).Info(1, 1, 32).Raw({1, 2, 3, 0x80});
  EXPECT_EQ(Load(b.Data).GetPixel(0, 0), 0x80030201u);
}

TEST(Bmp, ColoursUsedIsHonouredAndCapped) {
  TBmpBytes few;
  few.FileHeader(54 + 8).Info(1, 1, 8, 0, 2).Raw({1, 1, 1, 0, 9, 8, 7, 0}).Raw({1, 0, 0, 0});
  const TDIBSurface p = Load(few.Data);
  EXPECT_EQ(p.GetPixel(0, 0), 1u);
  EXPECT_EQ(p.ColorTable[1], (TRGBQuad{9, 8, 7, 0}));
  EXPECT_EQ(p.ColorTable[2], TRGBQuad{});

  TBmpBytes many;  // claims 100000 entries of a 1-bit table: two are read
  many.FileHeader(54 + 8).Info(1, 1, 1, 0, 100000).Raw({0, 0, 0, 0, 5, 5, 5, 0}).Raw({0x80, 0, 0, 0});
  EXPECT_EQ(Load(many.Data).ColorTable[1], (TRGBQuad{5, 5, 5, 0}));
}

TEST(Bmp, StartsAtTheStreamPosition) {
  TMemoryStream s;
  s.Write("junk", 4);
  SaveBmp(NoisePicture(3, 3, 8), s);
  s.SetPosition(4);
  TDIBSurface p;
  LoadBmp(s, p);
  EXPECT_EQ(p.GetPixel(2, 2), NoisePicture(3, 3, 8).GetPixel(2, 2));
}

TEST(Bmp, EmptyPictureRoundTrips) {
  TMemoryStream s;
  SaveBmp(TDIBSurface{}, s);
  EXPECT_TRUE(Load(s.Bytes()).Empty());
}

TEST(Bmp, HostileHeadersThrowFormatErrors) {
  struct Case {
    const char* name;
    TBmpBytes bytes;
  };
  std::vector<Case> cases;
  auto add = [&](const char* name) -> TBmpBytes& { return cases.emplace_back(Case{name, {}}).bytes; };
  add("not BM").Raw("BA").I32(0).I32(0).I32(54).Info(1, 1, 24).I32(0);
  add("header size 7").FileHeader(54).I32(7).I32(1).I32(1).I32(0).I32(0);
  add("header size huge").FileHeader(54).I32(1 << 30).Info(1, 1, 24);
  add("negative width").FileHeader(54).Info(-1, 1, 24).I32(0);
  add("lowest height").FileHeader(54).Info(1, INT32_MIN, 24).I32(0);
  add("huge sides, no data").FileHeader(54).Info(30000, 30000, 24);
  add("side over the limit").FileHeader(54).Info(100000, 1, 1).I32(0);
  add("data offset past the end").FileHeader(5000).Info(1, 1, 24).I32(0);
  add("data offset inside the header").FileHeader(20).Info(1, 1, 24).I32(0);
  add("data offset wraps").FileHeader(0xFFFFFFFF).Info(1, 1, 24).I32(0);
  add("rows truncated").FileHeader(54).Info(4, 4, 24).I32(0).I32(0);
  add("colour table truncated").FileHeader(54 + 1024).Info(1, 1, 8).I32(0);
  add("depth 7").FileHeader(54).Info(1, 1, 7).I32(0);
  add("run-length compressed").FileHeader(54 + 1024).Info(1, 1, 8, 1).Raw(std::string(1024, '\0')).I32(0);
  add("header cut").FileHeader(54).I32(40).I32(1);
  add("file header cut").Raw("BM").I32(0);
  for (const Case& c : cases) EXPECT_THROW(Load(c.bytes.Data), EOpalError) << c.name;
}

TEST(Bmp, TruncationsNeverCrash) {
  TMemoryStream s;
  SaveBmp(NoisePicture(5, 4, 4), s);
  for (size_t n = 0; n < s.Bytes().size(); ++n) {
    const std::vector<uint8_t> cut(s.Bytes().begin(), s.Bytes().begin() + static_cast<ptrdiff_t>(n));
    EXPECT_THROW(Load(cut), EOpalError) << n;
  }
}

}  // namespace
}  // namespace opal

#include <gtest/gtest.h>

#include "common/error.h"
#include "image_test_util.h"
#include "imagefiles/png_codec.h"

namespace opal {
namespace {

using testing::NoisePicture;
using testing::TPngSpec;
using testing::WritePng;

std::vector<uint8_t> SaveToBytes(const TDIBSurface& p) {
  TMemoryStream s;
  SavePng(p, s);
  return s.Bytes();
}

TDIBSurface LoadFromBytes(const std::vector<uint8_t>& bytes, int32_t& transparent) {
  TMemoryStream s(bytes);
  TDIBSurface p;
  LoadPng(s, p, transparent);
  return p;
}

TDIBSurface LoadFromBytes(const std::vector<uint8_t>& bytes) {
  int32_t transparent = 0;
  TDIBSurface p = LoadFromBytes(bytes, transparent);
  EXPECT_EQ(transparent, -1);
  return p;
}

class PngRoundTrip : public ::testing::TestWithParam<int32_t> {};

TEST_P(PngRoundTrip, KeepsEveryPixel) {
  const int32_t bits = GetParam();
  const TDIBSurface original = NoisePicture(13, 7, bits);
  const TDIBSurface back = LoadFromBytes(SaveToBytes(original));
  ASSERT_EQ(back.Width(), 13);
  ASSERT_EQ(back.Height(), 7);
  EXPECT_FALSE(back.HasAlpha());
  if (bits <= 8) {
    ASSERT_EQ(back.BitCount(), bits);
    EXPECT_EQ(back.Bits(), original.Bits());
    for (int i = 0; i < (1 << bits); ++i) EXPECT_EQ(back.ColorTable[i], original.ColorTable[i]) << i;
    return;
  }
  ASSERT_EQ(back.BitCount(), 24);
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 13; ++x) {
      const uint32_t v = original.GetPixel(x, y);
      const int32_t colour = back.ValueToColor(back.GetPixel(x, y));
      // Widened on the way out, truncated on the way back.
      EXPECT_EQ(original.ColorToValue(colour), bits == 32 ? v & 0xFFFFFF : v) << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(Depths, PngRoundTrip, ::testing::Values(1, 4, 8, 15, 16, 24, 32));

TEST(Png, AlphaPlaneRoundTripsAsRgba) {
  for (const int32_t bits : {8, 16, 24}) {
    TDIBSurface original = NoisePicture(9, 5, bits);
    testing::AddNoiseAlpha(original);
    const TDIBSurface back = LoadFromBytes(SaveToBytes(original));
    ASSERT_EQ(back.BitCount(), 24);
    ASSERT_TRUE(back.HasAlpha());
    EXPECT_EQ(back.AlphaPlane->Bits(), original.AlphaPlane->Bits());
    for (int32_t y = 0; y < 5; ++y)
      for (int32_t x = 0; x < 9; ++x)
        EXPECT_EQ(back.ValueToColor(back.GetPixel(x, y)),
                  original.ValueToColor(original.GetPixel(x, y)));
  }
}

TEST(Png, TwoBitPaletteBecomesFourBitWithExactPalette) {
  TPngSpec s;
  s.Width = 5, s.Height = 2, s.BitDepth = 2, s.ColorType = PNG_COLOR_TYPE_PALETTE;
  s.Palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
  s.Rows = {{0b00011011, 0b11000000}, {0b10010011, 0b01000000}};
  const TDIBSurface p = LoadFromBytes(WritePng(s));
  ASSERT_EQ(p.BitCount(), 4);
  const uint32_t want[2][5] = {{0, 1, 2, 3, 3}, {2, 1, 0, 3, 1}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(p.GetPixel(x, y), want[y][x]) << x << "," << y;
  EXPECT_EQ(p.ColorTable[2], (TRGBQuad{90, 80, 70, 0}));
  EXPECT_EQ(p.ColorTable[4], TRGBQuad{});
}

TEST(Png, PaletteTransparency) {
  struct Case {
    const char* name;
    std::vector<png_color> palette;
    std::vector<uint8_t> trans;
    int32_t transparent;  // expected colour, −1 none
    bool alpha;
  };
  const std::vector<png_color> distinct = {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}};
  const std::vector<Case> cases = {
      {"one clear entry is a key colour", distinct, {255, 0}, 0x060504, false},
      {"all opaque means nothing", distinct, {255, 255, 255}, -1, false},
      {"partial alpha gives a plane", distinct, {255, 0, 128}, -1, true},
      {"two clear entries give a plane", distinct, {0, 0}, -1, true},
      {"a shared key colour gives a plane", {{1, 2, 3}, {1, 2, 3}, {7, 8, 9}}, {0}, -1, true},
  };
  for (const Case& c : cases) {
    TPngSpec s;
    s.Width = 3, s.ColorType = PNG_COLOR_TYPE_PALETTE;
    s.Palette = c.palette;
    s.TransAlpha = c.trans;
    s.Rows = {{0, 1, 2}};
    int32_t transparent = 0;
    const TDIBSurface p = LoadFromBytes(WritePng(s), transparent);
    EXPECT_EQ(transparent, c.transparent) << c.name;
    ASSERT_EQ(p.HasAlpha(), c.alpha) << c.name;
    EXPECT_EQ(p.BitCount(), 8);
    if (!c.alpha) continue;
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(p.AlphaPlane->GetPixel(x, 0), x < static_cast<int>(c.trans.size()) ? c.trans[x] : 255)
          << c.name;
  }
}

TEST(Png, GreyBecomesEightBitsWithRamp) {
  TPngSpec s;
  s.Width = 4, s.BitDepth = 2, s.ColorType = PNG_COLOR_TYPE_GRAY;
  s.Rows = {{0b00011011}};
  s.HasTransColor = true;
  s.TransColor.gray = 2;
  int32_t transparent = 0;
  const TDIBSurface p = LoadFromBytes(WritePng(s), transparent);
  ASSERT_EQ(p.BitCount(), 8);
  EXPECT_EQ(p.GetPixel(0, 0), 0u);
  EXPECT_EQ(p.GetPixel(1, 0), 85u);
  EXPECT_EQ(p.GetPixel(3, 0), 255u);
  EXPECT_EQ(p.ColorTable[200], (TRGBQuad{200, 200, 200, 0}));
  EXPECT_EQ(transparent, 0xAAAAAA);
  EXPECT_FALSE(p.HasAlpha());
}

TEST(Png, SixteenBitChannelsKeepTheirHighBytes) {
  TPngSpec grey;
  grey.Width = 2, grey.BitDepth = 16, grey.ColorType = PNG_COLOR_TYPE_GRAY_ALPHA;
  grey.Rows = {{0x12, 0x34, 0xFF, 0xFF, 0xAB, 0xCD, 0x80, 0x01}};
  const TDIBSurface g = LoadFromBytes(WritePng(grey));
  ASSERT_EQ(g.BitCount(), 8);
  ASSERT_TRUE(g.HasAlpha());
  EXPECT_EQ(g.GetPixel(0, 0), 0x12u);
  EXPECT_EQ(g.GetPixel(1, 0), 0xABu);
  EXPECT_EQ(g.AlphaPlane->GetPixel(0, 0), 0xFFu);
  EXPECT_EQ(g.AlphaPlane->GetPixel(1, 0), 0x80u);

  TPngSpec rgba;
  rgba.BitDepth = 16, rgba.ColorType = PNG_COLOR_TYPE_RGB_ALPHA;
  rgba.Rows = {{0x11, 0, 0x22, 0, 0x33, 0, 0x44, 0}};
  const TDIBSurface c = LoadFromBytes(WritePng(rgba));
  ASSERT_EQ(c.BitCount(), 24);
  EXPECT_EQ(c.GetPixel(0, 0), 0x112233u);
  EXPECT_EQ(c.AlphaPlane->GetPixel(0, 0), 0x44u);
}

TEST(Png, RgbKeyColourIsReportedAsBgr) {
  TPngSpec s;
  s.Width = 1, s.Rows = {{1, 2, 3}};
  s.HasTransColor = true;
  s.TransColor.red = 0x10, s.TransColor.green = 0x20, s.TransColor.blue = 0x30;
  int32_t transparent = 0;
  const TDIBSurface p = LoadFromBytes(WritePng(s), transparent);
  EXPECT_EQ(transparent, 0x302010);
  EXPECT_EQ(p.GetPixel(0, 0), 0x010203u);
}

TEST(Png, InterlacedMatchesPlain) {
  TPngSpec s;
  s.Width = 11, s.Height = 9;
  uint32_t seed = 3;
  for (uint32_t y = 0; y < s.Height; ++y) {
    s.Rows.emplace_back();
    for (uint32_t i = 0; i < 3 * s.Width; ++i)
      s.Rows.back().push_back(static_cast<uint8_t>(testing::NextRandom(seed)));
  }
  const TDIBSurface plain = LoadFromBytes(WritePng(s));
  s.Interlaced = true;
  const TDIBSurface laced = LoadFromBytes(WritePng(s));
  EXPECT_EQ(laced.Bits(), plain.Bits());
  EXPECT_EQ(plain.GetPixel(10, 8),
            uint32_t{s.Rows[8][30]} << 16 | uint32_t{s.Rows[8][31]} << 8 | s.Rows[8][32]);
}

TEST(Png, DamagedFilesThrowFormatErrors) {
  const std::vector<uint8_t> good = SaveToBytes(NoisePicture(40, 30, 24));
  for (const size_t n : {size_t{0}, size_t{1}, size_t{8}, size_t{20}, size_t{33}, size_t{40},
                         good.size() / 2, good.size() - 13}) {
    const std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<ptrdiff_t>(n));
    EXPECT_THROW(LoadFromBytes(cut), EFormatError) << n;
  }
  std::vector<uint8_t> badCrc = good;
  badCrc[20] ^= 1;  // IHDR contents
  EXPECT_THROW(LoadFromBytes(badCrc), EFormatError);
  std::vector<uint8_t> notPng = good;
  notPng[1] = 'Q';
  EXPECT_THROW(LoadFromBytes(notPng), EFormatError);
}

TEST(Png, HugeSizesAreRefusedBeforeAllocating) {
  const std::vector<uint8_t> small = SaveToBytes(NoisePicture(2, 2, 24));
  struct Size { uint32_t w, h; };
  for (const Size s : {Size{32768, 32768}, Size{40000, 1}, Size{1, 0x7FFFFFFF}, Size{20000, 20000},
                           Size{10000, 10000}}) {
    std::vector<uint8_t> big = small;
    testing::PatchPngSize(big, s.w, s.h);
    EXPECT_THROW(LoadFromBytes(big), EFormatError) << s.w << "x" << s.h;
  }
}

// The size check counts the rows the file holds, not the expanded ones: a
// highly compressed 1-bit picture is accepted.
TEST(Png, HighlyCompressedSmallDepthPicturesAreAccepted) {
  TPngSpec s;
  s.Width = s.Height = 4096, s.BitDepth = 1, s.ColorType = PNG_COLOR_TYPE_GRAY;
  s.Rows.assign(4096, std::vector<uint8_t>(512, 0));
  const std::vector<uint8_t> bytes = WritePng(s);
  ASSERT_LT(bytes.size() * 1032 + 4096, size_t{4097} * 4096);  // beyond the ratio once expanded
  const TDIBSurface p = LoadFromBytes(bytes);
  EXPECT_EQ(p.Width(), 4096);
  EXPECT_EQ(p.GetPixel(4095, 4095), 0u);
}

TEST(Png, EmptyPictureCannotBeSaved) {
  TMemoryStream s;
  EXPECT_THROW(SavePng(TDIBSurface{}, s), EFormatError);
}

}  // namespace
}  // namespace opal

#include <gtest/gtest.h>

#include "common/error.h"
#include "image_test_util.h"
#include "imagefiles/resample.h"

namespace opal {
namespace {

using testing::NoisePicture;

// sum / n rounded to the nearest integer, halves to even.
uint32_t RoundedMean(uint32_t sum, uint32_t n) {
  const uint32_t q = sum / n, r = sum % n;
  if (2 * r < n) return q;
  if (2 * r > n) return q + 1;
  return (q & 1) ? q + 1 : q;
}

uint32_t Channel(uint32_t pixel, int c) { return (pixel >> (8 * c)) & 0xFF; }

TDIBSurface Uniform(int32_t w, int32_t h, int32_t bits, uint32_t value) {
  TDIBSurface p;
  p.SetSize(w, h, bits);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) p.SetPixel(x, y, value);
  return p;
}

TEST(Resample, HalvingAveragesTwoByTwoBlocks) {
  TDIBSurface p = NoisePicture(100, 100, 24);
  const TDIBSurface src = p;
  Resample(p, 50, 50);
  ASSERT_EQ(p.Width(), 50);
  ASSERT_EQ(p.BitCount(), 24);
  for (int32_t y = 0; y < 50; ++y)
    for (int32_t x = 0; x < 50; ++x)
      for (int c = 0; c < 3; ++c) {
        uint32_t sum = 0;
        for (int j = 0; j < 2; ++j)
          for (int i = 0; i < 2; ++i) sum += Channel(src.GetPixel(2 * x + i, 2 * y + j), c);
        ASSERT_EQ(Channel(p.GetPixel(x, y), c), RoundedMean(sum, 4)) << x << "," << y << " c" << c;
      }
}

TEST(Resample, DoublingInterpolatesAndDropsPixelsBeyondTheEdge) {
  TDIBSurface p = NoisePicture(50, 50, 24);
  const TDIBSurface src = p;
  Resample(p, 100, 100);
  ASSERT_EQ(p.Width(), 100);
  for (int c = 0; c < 3; ++c) {
    uint32_t sum = 0;
    for (const auto& [x, y] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) sum += Channel(src.GetPixel(x, y), c);
    EXPECT_EQ(Channel(p.GetPixel(1, 1), c), RoundedMean(sum, 4)) << c;
    // Column 99 samples 49.5: column 50 lies outside, so column 49 alone remains.
    EXPECT_EQ(Channel(p.GetPixel(99, 0), c), Channel(src.GetPixel(49, 0), c)) << c;
  }
  EXPECT_EQ(p.GetPixel(0, 0), src.GetPixel(0, 0));
  EXPECT_EQ(p.GetPixel(98, 98), src.GetPixel(49, 49));
  EXPECT_EQ(p.GetPixel(99, 99), src.GetPixel(49, 49));
}

TEST(Resample, SameSizeChangesNothing) {
  TDIBSurface p = NoisePicture(17, 9, 8);
  testing::AddNoiseAlpha(p);
  const TDIBSurface before = p;
  Resample(p, 17, 9);
  EXPECT_EQ(p.Bits(), before.Bits());
  EXPECT_EQ(p.AlphaPlane->Bits(), before.AlphaPlane->Bits());
}

// Every block holds at least one source pixel and none outside the source,
// whatever the ratios: a uniform picture stays uniform.
TEST(Resample, AwkwardRatiosKeepUniformPicturesUniform) {
  struct Size { int32_t w, h, w2, h2; };
  const Size sizes[] = {{100, 10, 50, 10}, {10, 100, 10, 3}, {7, 7, 3, 3}, {5, 5, 4, 4},
                        {3, 1, 2, 1},     {1000, 1, 999, 1}, {10, 100, 20, 50}, {1, 1, 7, 5},
                        {7, 5, 1, 1},     {3, 3, 1000, 2}};
  for (const Size& s : sizes) {
    TDIBSurface p = Uniform(s.w, s.h, 24, 0x405060);
    Resample(p, s.w2, s.h2);
    ASSERT_EQ(p.Width(), s.w2);
    ASSERT_EQ(p.Height(), s.h2);
    for (int32_t y = 0; y < s.h2; ++y)
      for (int32_t x = 0; x < s.w2; ++x)
        ASSERT_EQ(p.GetPixel(x, y), 0x405060u) << s.w << "x" << s.h << "->" << s.w2 << "x" << s.h2;
  }
}

TEST(Resample, AlphaPlaneAveragesWithHalvesToEven) {
  TDIBSurface p = Uniform(2, 2, 24, 0);
  p.AlphaPlane = std::make_unique<TDIBSurface>(Uniform(2, 2, 8, 0));
  const uint8_t alpha[4] = {255, 0, 0, 255};  // 127.5 → 128
  for (int i = 0; i < 4; ++i) p.AlphaPlane->SetPixel(i & 1, i >> 1, alpha[i]);
  TDIBSurface q = p;
  Resample(p, 1, 1);
  ASSERT_TRUE(p.HasAlpha());
  EXPECT_EQ(p.AlphaPlane->GetPixel(0, 0), 128u);
  for (int i = 0; i < 4; ++i) q.AlphaPlane->SetPixel(i & 1, i >> 1, i == 0 ? 10 : 0);  // 2.5 → 2
  Resample(q, 1, 1);
  EXPECT_EQ(q.AlphaPlane->GetPixel(0, 0), 2u);
}

TEST(Resample, OtherDepthsComeBackToTheirOwnDepth) {
  TDIBSurface pal;
  pal.SetSize(4, 4, 8);
  pal.ColorTable[0] = {0, 0, 0, 0};
  pal.ColorTable[1] = {200, 200, 200, 0};
  pal.ColorTable[2] = {100, 100, 100, 0};
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) pal.SetPixel(x, y, (x + y) & 1);  // 0/1 checkerboard
  const auto table = pal.ColorTable;
  Resample(pal, 2, 2);
  EXPECT_EQ(pal.BitCount(), 8);
  EXPECT_EQ(pal.ColorTable, table);
  EXPECT_EQ(pal.GetPixel(1, 1), 2u);  // the mean grey is entry 2

  TDIBSurface hi = Uniform(6, 6, 16, 0xF81F);
  Resample(hi, 3, 9);
  EXPECT_EQ(hi.BitCount(), 16);
  EXPECT_EQ(hi.GetPixel(2, 8), 0xF81Fu);
}

TEST(Resample, BadSizesThrowAndEmptyPicturesJustResize) {
  TDIBSurface p = NoisePicture(4, 4, 24);
  EXPECT_THROW(Resample(p, -1, 4), EFormatError);
  EXPECT_THROW(Resample(p, 40000, 4), EFormatError);
  EXPECT_EQ(p.Width(), 4);
  TDIBSurface empty;
  Resample(empty, 3, 2);
  EXPECT_EQ(empty.Width(), 3);
}

}  // namespace
}  // namespace opal

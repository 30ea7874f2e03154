// The wipes' row loops against the per-pixel rules they implement, on rows
// whose length is no multiple of the vector width, so both the vector part
// and the pixels after it are checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "raster/dibx.h"
#include "raster/pixel_format.h"
#include "wipes/create_wipe.h"
#include "wipes/wipe_rows.h"

namespace opal {
namespace {

constexpr int32_t kCount = 37;

uint32_t Hash(uint32_t v) {
  v ^= v >> 16;
  v *= 0x7FEB352Du;
  v ^= v >> 15;
  v *= 0x846CA68Bu;
  return v ^ (v >> 16);
}

// A row of `count` pixels of every bit pattern the format's bytes hold.
std::vector<uint8_t> NoiseRow(int32_t count, int32_t bytes, uint32_t seed) {
  std::vector<uint8_t> row(static_cast<size_t>(count * bytes));
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(Hash(seed + static_cast<uint32_t>(i)));
  return row;
}

// The gray pixel of level g: each channel's top bits of g.
uint32_t GrayPixel(const TPixelFormat& f, uint32_t g) {
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c) out |= (g >> (8 - f.Width[c])) << f.Shift[c];
  return out;
}

struct TGlowCase {
  int32_t Bits;
  bool Subtract;
};

class GlowRowTest : public ::testing::TestWithParam<TGlowCase> {};

TEST_P(GlowRowTest, EveryPixelFollowsTheRule) {
  const TPixelFormat& f = *FormatOf(GetParam().Bits);
  const bool subtract = GetParam().Subtract;
  const std::vector<uint8_t> oldRow = NoiseRow(kCount, f.Bytes, 1), newRow = NoiseRow(kCount, f.Bytes, 2);
  std::vector<uint8_t> rule(kCount);
  // Both ends of the rule first, then noise.
  for (int32_t x = 0; x < kCount; ++x) {
    rule[static_cast<size_t>(x)] = static_cast<uint8_t>(x < 4 ? 255 * (x & 1) : Hash(x) & 0xFF);
  }
  for (int32_t level : {0, 1, 128, 255, 256, 300, 384, 511, 512, 700, 767}) {
    std::vector<uint8_t> dest(oldRow.size(), 0xAA);
    GlowRow(f, subtract, dest.data(), oldRow.data(), newRow.data(), rule.data(), kCount, level);
    for (int32_t x = 0; x < kCount; ++x) {
      const int32_t j = std::clamp(level + rule[static_cast<size_t>(x)] - 256, 0, 511);
      const auto& from = j > 255 ? newRow : oldRow;
      const uint32_t p = LoadPixel(from.data() + x * f.Bytes, f.Bytes);
      const uint32_t gray = GrayPixel(f, static_cast<uint32_t>(j > 255 ? 511 - j : j));
      // AddPixel and SubPixel keep only the format's channels (a 32-bit
      // pixel's fourth byte with gray 0 added passes).
      const uint32_t want = subtract ? SubPixel(f, p, gray) : AddPixel(f, p, gray);
      ASSERT_EQ(LoadPixel(dest.data() + x * f.Bytes, f.Bytes), want) << "level " << level << " x " << x;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, GlowRowTest,
                         ::testing::Values(TGlowCase{32, false}, TGlowCase{32, true}, TGlowCase{16, false},
                                           TGlowCase{16, true}, TGlowCase{15, false}, TGlowCase{15, true}));

TEST(WipeRows, SelectRowTakesNewAt255AndOldAt0) {
  for (int32_t bytes : {2, 4}) {
    const std::vector<uint8_t> oldRow = NoiseRow(kCount, bytes, 3), newRow = NoiseRow(kCount, bytes, 4);
    std::vector<uint8_t> mask(kCount);
    for (int32_t x = 0; x < kCount; ++x) mask[static_cast<size_t>(x)] = (Hash(x + 9) & 1) ? 255 : 0;
    std::vector<uint8_t> dest(oldRow.size(), 0xAA);
    SelectRow(dest.data(), oldRow.data(), newRow.data(), mask.data(), kCount, bytes);
    for (int32_t x = 0; x < kCount; ++x) {
      const auto& from = mask[static_cast<size_t>(x)] ? newRow : oldRow;
      ASSERT_EQ(std::memcmp(dest.data() + x * bytes, from.data() + x * bytes, static_cast<size_t>(bytes)), 0)
          << bytes << " bytes, x " << x;
    }
  }
}

TEST(WipeRows, ShadowMaskRowClampsTheShiftedRule) {
  std::vector<uint8_t> rule(kCount);
  for (int32_t x = 0; x < kCount; ++x) rule[static_cast<size_t>(x)] = static_cast<uint8_t>(x * 7);
  rule[0] = 0;
  rule[1] = 255;
  for (int32_t offset : {-256, -255, -100, -1, 0, 1, 100, 254, 255}) {
    std::vector<uint8_t> out(kCount, 0xAA);
    ShadowMaskRow(out.data(), rule.data(), kCount, offset);
    for (int32_t x = 0; x < kCount; ++x) {
      ASSERT_EQ(out[static_cast<size_t>(x)], std::clamp(rule[static_cast<size_t>(x)] + offset, 0, 255))
          << "offset " << offset << " x " << x;
    }
  }
}

// Every mask kind on a screen whose width is no multiple of the span
// chunk: each pixel is the DrawMask rule of its mask value over the two
// pictures, whichever way the row's spans drew it.
TEST(WipeRows, MaskKindsDrawEveryPixelByTheMaskRule) {
  constexpr int32_t kW = 203, kH = 37, kDuration = 100;
  for (int32_t bits : {32, 16}) {
    const TPixelFormat& f = *FormatOf(bits);
    TDIBX oldImage, newImage, dest;
    for (TDIBX* p : {&oldImage, &newImage, &dest}) p->SetSize(kW, kH, bits);
    const uint32_t keep = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1u;
    for (int32_t y = 0; y < kH; ++y) {
      for (int32_t x = 0; x < kW; ++x) {
        const uint32_t a = Hash(static_cast<uint32_t>(y * kW + x)) & keep;
        oldImage.SetPixel(x, y, a);
        // Every seventh pixel is the same in both pictures.
        newImage.SetPixel(x, y, x % 7 == 0 ? a : Hash(static_cast<uint32_t>(y * kW + x) + 77777u) & keep);
      }
    }
    int32_t count = 0;
    const TWipeKindInfo* kinds = WipeKinds(count);
    for (int32_t i = 0; i < count; ++i) {
      auto wipe = CreateWipe(kinds[i].Kind, &dest, &oldImage, &newImage, TWipeContext{});
      auto* masked = dynamic_cast<TWipeMask*>(wipe.get());
      if (masked == nullptr) continue;
      wipe->SetDuration(kDuration);
      wipe->Prepare();
      for (int32_t t : {0, 13, 50, 71, 99}) {
        wipe->SetTime(t);
        wipe->Step();
        for (int32_t y = 0; y < kH; ++y) {
          for (int32_t x = 0; x < kW; ++x) {
            const uint32_t m = masked->Mask.GetPixel(x, y % masked->Mask.Height());
            const uint32_t o = oldImage.GetPixel(x, y), n = newImage.GetPixel(x, y);
            const uint32_t want = m == 0 ? o : m == 255 ? n : n == o ? o : BlendPixel(f, n, o, m);
            ASSERT_EQ(dest.GetPixel(x, y), want)
                << kinds[i].Name << " at " << bits << " bits, t " << t << ", (" << x << ", " << y << ")";
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace opal

#include "text/font_pixel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "platform/font_backend.h"

namespace opal {
namespace {

constexpr uint8_t kUnderline = 4, kStrikeOut = 8;

TEST(FontPixelLevels, TablesOfEveryQuality) {
  EXPECT_EQ(QualityLevelTable(0), (std::vector<uint8_t>{0, 255}));
  EXPECT_EQ(QualityLevelTable(1), (std::vector<uint8_t>{0, 79, 127, 207, 255}));
  EXPECT_EQ(QualityLevelTable(2), (std::vector<uint8_t>{0, 43, 55, 67, 79, 91, 103, 115, 159, 171, 183,
                                                        195, 207, 219, 231, 243, 255}));
  const std::vector<uint8_t>& q3 = QualityLevelTable(3);
  ASSERT_EQ(q3.size(), 65u);
  struct TLevel {
    int Level, Byte;
  };
  for (const TLevel& l : std::vector<TLevel>{{0, 0}, {1, 18}, {7, 36}, {8, 55}, {23, 100}, {24, 119},
                                             {39, 164}, {40, 183}, {63, 252}, {64, 255}}) {
    EXPECT_EQ(q3[static_cast<size_t>(l.Level)], l.Byte) << "level " << l.Level;
  }
}

// Every byte of a fetched bitmap is the table entry of the backend's level.
TEST(FontPixelLevels, BitmapsAreMappedThroughTheQualitysTable) {
  for (int32_t quality = 0; quality <= 3; ++quality) {
    TFakeFontBackend backend;
    TFontPixelManager cache(backend);
    cache.SetQuality(quality);
    const uint16_t code = 0x82A0;
    const TFontPixelRef g = cache.GetGlyph(code, "Fake", 0, 20);
    ASSERT_FALSE(g->Empty());
    EXPECT_EQ(g->Quality, quality);
    const int32_t levels = QualityLevelCount(quality);
    const std::vector<uint8_t>& table = QualityLevelTable(quality);
    TDIBX& bm = const_cast<TDIBX&>(g->Bitmap);
    EXPECT_EQ(bm.BitCount(), 8);
    for (int32_t y = 0; y < bm.Height(); ++y) {
      for (int32_t x = 0; x < bm.Width(); ++x) {
        ASSERT_EQ(bm.GetPixel(x, y), table[static_cast<size_t>((x + y + code) % levels)])
            << "quality " << quality << " at " << x << "," << y;
      }
    }
  }
}

TEST(FontPixelManager, GlyphMetrics) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  const TFontPixelRef plain = cache.GetGlyph('a', "Fake", 0, 24);
  EXPECT_EQ(cache.Ascent(), 18);
  EXPECT_EQ(plain->Bitmap.Width(), 12);
  EXPECT_EQ(plain->Bitmap.Height(), 24 - 2 - 'a' % 3);
  EXPECT_EQ(plain->LeftBearing, 1);
  EXPECT_EQ(plain->TopOffset, 1);  // ascent − origin y
  EXPECT_EQ(plain->UnderlineSize, 0);
  EXPECT_EQ(plain->StrikeSize, 0);
  EXPECT_EQ(plain->AdvanceRest, 14 - 12 - 1);
  const TFontPixelRef lined = cache.GetGlyph('a', "Fake", kUnderline | kStrikeOut, 24);
  EXPECT_EQ(lined->UnderlineSize, 3);
  EXPECT_EQ(lined->StrikeTop, 18 - 8);
  EXPECT_EQ(lined->StrikeSize, 3);
  const TFontPixelRef space = cache.GetGlyph(' ', "Fake", 0, 24);
  EXPECT_TRUE(space->Empty());
  EXPECT_EQ(space->AdvanceRest, backend.TextWidth({"Fake", 24, 0}, ' '));
}

TEST(FontPixelManager, EvictsTheLeastRecentlyUsedAndKeepsHandlesValid) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  const TFontPixelRef first = cache.GetGlyph(0x8140, "Fake", 0, 16);
  for (uint16_t c = 1; c < 256; ++c) cache.GetGlyph(static_cast<uint16_t>(0x8140 + c), "Fake", 0, 16);
  EXPECT_EQ(cache.CachedCount(), 256u);
  EXPECT_EQ(backend.GlyphRequests, 256);
  // A hit moves the first glyph to the front; the 257th evicts the second.
  EXPECT_EQ(cache.GetGlyph(0x8140, "Fake", 0, 16), first);
  EXPECT_EQ(backend.GlyphRequests, 256);
  const TFontPixelRef second = cache.GetGlyph(0x8141, "Fake", 0, 16);
  cache.GetGlyph(0x8240, "Fake", 0, 16);
  EXPECT_EQ(cache.CachedCount(), 256u);
  EXPECT_TRUE(cache.IsCached(0x8140, "Fake", 0, 16));
  EXPECT_TRUE(cache.IsCached(0x8141, "Fake", 0, 16));
  EXPECT_FALSE(cache.IsCached(0x8142, "Fake", 0, 16));
  // Keys: face case-sensitively, size, style and quality.
  EXPECT_FALSE(cache.IsCached(0x8140, "fake", 0, 16));
  EXPECT_FALSE(cache.IsCached(0x8140, "Fake", 1, 16));
  EXPECT_FALSE(cache.IsCached(0x8140, "Fake", 0, 17));
  cache.SetQuality(2);
  EXPECT_FALSE(cache.IsCached(0x8140, "Fake", 0, 16));
  // Evicted glyphs stay usable by whoever holds them.
  for (uint16_t c = 0; c < 300; ++c) cache.GetGlyph(static_cast<uint16_t>(0x8840 + c), "Fake", 0, 16);
  EXPECT_EQ(second->Code, 0x8141);
  EXPECT_EQ(second->Bitmap.Width(), 14);
  EXPECT_EQ(cache.CachedCount(), 256u);
}

TEST(FontPixelManager, FailuresLowerTheQualityForGood) {
  TFakeFontBackend backend;
  backend.FailLevelsAbove = 2;
  TFontPixelManager cache(backend);
  const TFontPixelRef g = cache.GetGlyph('x', "Fake", 0, 20);
  EXPECT_EQ(cache.Quality(), 0);
  EXPECT_EQ(g->Quality, 0);
  EXPECT_FALSE(g->Empty());
  backend.FailLevelsAbove = 65;
  cache.GetGlyph('y', "Fake", 0, 20);
  EXPECT_EQ(cache.Quality(), 0);

  backend.FailLevelsAbove = 0;  // 1-bit fails too: an empty glyph
  TFontPixelManager none(backend);
  EXPECT_TRUE(none.GetGlyph('x', "Fake", 0, 20)->Empty());
}

TEST(FontPixelManager, FontsAndFallbackFace) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  cache.GetGlyph('a', "Fake", 0, 20);
  cache.GetGlyph('b', "Fake", 0, 20);  // same font: not made again
  ASSERT_EQ(backend.MetricsRequests.size(), 1u);
  cache.GetGlyph('a', "Missing", 1, 20);
  ASSERT_EQ(backend.MetricsRequests.size(), 2u);
  EXPECT_EQ(backend.MetricsRequests[1], (TFontSpec{TFontPixelManager::kFallbackFace, 20, 1}));
  EXPECT_EQ(std::string(TFontPixelManager::kFallbackFace), "\x82\x6C\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4E");
  // Sizes are clamped before they reach the backend.
  cache.GetGlyph('a', "Fake", 0, 100000);
  EXPECT_EQ(backend.MetricsRequests.back().Height, TFontPixelManager::kMaxSize);
  backend.FailMetrics = true;
  try {
    cache.GetGlyph('a', "Fake", 0, 30);
    FAIL() << "no exception";
  } catch (const EOpalError& e) {
    EXPECT_STREQ(e.what(), "Error:GetOutlineTextMetrics");
  }
}

TEST(FontPixelManager, EnumerateFaces) {
  TFakeFontBackend backend;
  backend.Faces = {"Zeta", "@Zeta", "Alpha"};
  EXPECT_EQ(EnumerateFaces(backend, true, false, true), (std::vector<std::string>{"Alpha", "Zeta"}));
  EXPECT_EQ(EnumerateFaces(backend, false, true, false), (std::vector<std::string>{"Zeta", "@Zeta", "Alpha"}));
}

}  // namespace
}  // namespace opal

// The glyph cache on the FreeType backend with the installed IPA faces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cp932.h"
#include "platform/font_backend.h"
#include "text/font_pixel.h"

namespace opal {
namespace {

std::string Sjis(const char* utf8) { return cp932::FromUtf8(utf8); }

uint16_t CodeOf(const char* utf8) {
  const std::string s = Sjis(utf8);
  return static_cast<uint16_t>(s.size() == 2 ? static_cast<uint8_t>(s[0]) << 8 | static_cast<uint8_t>(s[1])
                                             : static_cast<uint8_t>(s[0]));
}

const char* const kJapaneseFaces[] = {"ＭＳ ゴシック", "ＭＳ 明朝", "ＭＳ Ｐゴシック", "ＭＳ Ｐ明朝",
                                      "MS Gothic",      "MS UI Gothic"};

class IpaFonts : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ExactFontFileOfFace(Sjis("ＭＳ ゴシック")).empty()) GTEST_SKIP() << "IPA fonts are not installed";
  }
  std::unique_ptr<FontBackend> Backend_ = CreateFreeTypeFontBackend();
};

// A glyph placed into its cell in an 8-bit coverage buffer of its own.
void Render(TFontPixelManager& cache, const TFontPixel& g, TDIBX& colour, TDIBX& coverage, int32_t size) {
  colour.SetSize(size * 2, size * 2, 32);
  coverage.SetSize(size * 2, size * 2, 8);
  colour.Clear(0);
  coverage.Clear(0);
  TRect touched;
  cache.ComposeGlyph(g, colour, coverage, false, touched, 0, 0, 0xFFFFFF, false, false, 0, 0, {0, 0, size, size});
}

TEST_F(IpaFonts, CellHeightIsAscentPlusDescent) {
  for (const char* face : kJapaneseFaces) {
    for (int32_t size = 8; size <= 64; ++size) {
      TFontMetrics m;
      ASSERT_TRUE(Backend_->GetMetrics({Sjis(face), size, 0}, m)) << face;
      EXPECT_LE(std::abs(m.Ascent + m.Descent - size), 1) << face << " " << size;
      EXPECT_GT(m.Ascent, m.Descent);
      EXPECT_GE(m.UnderlineSize, 1);
      EXPECT_GE(m.StrikeoutSize, 1);
    }
  }
}

TEST_F(IpaFonts, InkStaysInTheCellAndBoldCoversRegular) {
  TFontPixelManager cache(*Backend_);
  const char* const chars[] = {"あ", "漢", "「", "。", "g", "W", "j", "|"};
  for (const char* face : {"ＭＳ ゴシック", "ＭＳ 明朝"}) {
    for (int32_t size = 8; size <= 64; size += 4) {
      for (const char* ch : chars) {
        const TFontPixelRef regular = cache.GetGlyph(CodeOf(ch), Sjis(face), 0, size);
        const TFontPixelRef bold = cache.GetGlyph(CodeOf(ch), Sjis(face), 1, size);
        ASSERT_FALSE(regular->Empty()) << ch;
        EXPECT_LE(regular->TopOffset + regular->Bitmap.Height(), size) << face << " " << ch << " " << size;
        EXPECT_LE(regular->LeftBearing + regular->Bitmap.Width(), size) << face << " " << ch << " " << size;
        // In the cell, as composed: nothing outside it.
        TDIBX c1, a1;
        Render(cache, *regular, c1, a1, size);
        for (int32_t y = 0; y < size * 2; ++y) {
          for (int32_t x = 0; x < size * 2; ++x) {
            if (x >= size || y >= size) {
              ASSERT_EQ(a1.GetPixel(x, y), 0u) << ch << " " << size;
            }
          }
        }
        // At the glyph origin (composing centres narrow glyphs of either
        // width on their own), full regular ink has bold ink.
        TDIBX& r = const_cast<TDIBX&>(regular->Bitmap);
        TDIBX& b = const_cast<TDIBX&>(bold->Bitmap);
        int uncovered = 0;
        for (int32_t y = 0; y < r.Height(); ++y) {
          for (int32_t x = 0; x < r.Width(); ++x) {
            if (r.GetPixel(x, y) != 255) continue;
            const int32_t bx = x + regular->LeftBearing - bold->LeftBearing;
            const int32_t by = y + regular->TopOffset - bold->TopOffset;
            if (bx < 0 || by < 0 || bx >= b.Width() || by >= b.Height() || b.GetPixel(bx, by) == 0) ++uncovered;
          }
        }
        EXPECT_EQ(uncovered, 0) << face << " " << ch << " " << size;
      }
    }
  }
}

TEST_F(IpaFonts, SpaceHasNoInkButAnAdvance) {
  TFontPixelManager cache(*Backend_);
  const TFontPixelRef space = cache.GetGlyph(' ', Sjis("ＭＳ ゴシック"), 0, 24);
  EXPECT_TRUE(space->Empty());
  EXPECT_GT(space->AdvanceRest, 0);
  EXPECT_TRUE(cache.GetGlyph(0x8140, Sjis("ＭＳ ゴシック"), 0, 24)->Empty());  // ideographic space
}

// Missing glyphs would all look the same (the face's empty box): distinct
// Japanese characters must give distinct bitmaps, for every Japanese name,
// also for one that is not installed and falls back.
TEST_F(IpaFonts, JapaneseFaceNamesResolveToJapaneseGlyphs) {
  TFontPixelManager cache(*Backend_);
  std::vector<const char*> faces(std::begin(kJapaneseFaces), std::end(kJapaneseFaces));
  faces.push_back("メイリオ");
  faces.push_back("No Such Face");
  for (const char* face : faces) {
    const TFontPixelRef a = cache.GetGlyph(CodeOf("あ"), Sjis(face), 0, 24);
    const TFontPixelRef b = cache.GetGlyph(CodeOf("漢"), Sjis(face), 0, 24);
    ASSERT_FALSE(a->Empty()) << face;
    ASSERT_FALSE(b->Empty()) << face;
    bool differ = a->Bitmap.Width() != b->Bitmap.Width() || a->Bitmap.Height() != b->Bitmap.Height();
    for (int32_t y = 0; !differ && y < a->Bitmap.Height(); ++y) {
      for (int32_t x = 0; x < a->Bitmap.Width(); ++x) {
        differ |= const_cast<TDIBX&>(a->Bitmap).GetPixel(x, y) != const_cast<TDIBX&>(b->Bitmap).GetPixel(x, y);
      }
    }
    EXPECT_TRUE(differ) << face;
  }
  for (const char* face : kJapaneseFaces) EXPECT_TRUE(Backend_->FaceInstalled(Sjis(face))) << face;
  EXPECT_FALSE(Backend_->FaceInstalled(Sjis("No Such Face")));
  const std::vector<std::string> japanese = Backend_->FaceNames(true);
  EXPECT_NE(std::find(japanese.begin(), japanese.end(), "IPAGothic"), japanese.end());
}

TEST_F(IpaFonts, QualitiesGiveTheirLevels) {
  for (int32_t quality = 0; quality <= 3; ++quality) {
    TFontPixelManager cache(*Backend_);
    cache.SetQuality(quality);
    const TFontPixelRef g = cache.GetGlyph(CodeOf("あ"), Sjis("ＭＳ ゴシック"), 0, 32);
    EXPECT_EQ(cache.Quality(), quality);
    const std::vector<uint8_t>& table = QualityLevelTable(quality);
    for (int32_t y = 0; y < g->Bitmap.Height(); ++y) {
      for (int32_t x = 0; x < g->Bitmap.Width(); ++x) {
        const uint32_t v = const_cast<TDIBX&>(g->Bitmap).GetPixel(x, y);
        ASSERT_NE(std::find(table.begin(), table.end(), v), table.end()) << quality << ": " << v;
      }
    }
  }
}

}  // namespace
}  // namespace opal

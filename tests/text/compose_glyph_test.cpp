// ComposeGlyph on synthetic coverage bitmaps: the operator values, the
// touched rectangles and the bands.
#include <gtest/gtest.h>

#include <vector>

#include "platform/font_backend.h"
#include "text/font_pixel.h"

namespace opal {
namespace {

// A glyph of the given coverage rows, placed without A/B/C measuring.
std::shared_ptr<TFontPixel> Glyph(const std::vector<std::vector<uint8_t>>& rows, int32_t size = 8) {
  auto g = std::make_shared<TFontPixel>();
  g->Code = 'x';
  g->FaceName = "Fake";
  g->Size = size;
  const int32_t h = static_cast<int32_t>(rows.size()), w = static_cast<int32_t>(rows[0].size());
  g->Bitmap.SetSize(w, h, 8);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) g->Bitmap.SetPixel(x, y, rows[static_cast<size_t>(y)][static_cast<size_t>(x)]);
  }
  g->LeftBearing = 1;
  g->TopOffset = 2;
  g->AdvanceRest = 100;
  return g;
}

struct TBuffers {
  TDIBX Colour, Coverage;
  TBuffers(uint32_t colour = 0, uint32_t coverage = 0) {
    Colour.SetSize(48, 48, 32);
    Coverage.SetSize(48, 48, 8);
    Colour.Clear(colour);
    Coverage.Clear(coverage);
  }
};

constexpr uint32_t kText = 0xC8C8C8, kOutline = 0x102030, kShadow = 0x405060;
const TRect kCell{10, 20, 34, 44};  // the glyph's origin is (11, 22)

TEST(ComposeGlyph, PaintAndMaxWithoutOutlineOrShadow) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  TBuffers b(0x112233, 100);
  TRect touched;
  cache.ComposeGlyph(*Glyph({{255, 128, 0}, {64, 255, 1}}), b.Colour, b.Coverage, false, touched, kShadow,
                     kOutline, kText, false, false, 0, 0, kCell);
  EXPECT_EQ(touched, (TRect{11, 22, 14, 24}));
  const uint32_t colours[2][3] = {{kText, kText, 0x112233}, {kText, kText, kText}};
  const uint32_t coverage[2][3] = {{255, 128, 100}, {100, 255, 100}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      EXPECT_EQ(b.Colour.GetPixel(11 + x, 22 + y), colours[y][x]) << x << "," << y;
      EXPECT_EQ(b.Coverage.GetPixel(11 + x, 22 + y), coverage[y][x]) << x << "," << y;
    }
  }
  EXPECT_EQ(b.Coverage.GetPixel(10, 22), 100u);
}

TEST(ComposeGlyph, OverOperatorValues) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  struct TCase {
    uint8_t Q, Alpha;
    uint32_t Before, Text, Colour;
    uint8_t Coverage;
  };
  // α' = α + q(255 − α) div 255, w = q·255 div α', C = (w·k + (255 − w)·C) >> 8.
  for (const TCase& c : std::vector<TCase>{
           {128, 0, 0x000000, 0xFFFFFF, 0xFEFEFE, 128},
           {128, 100, 0x0A141E, 0xC8C8C8, 0x929598, 177},
           {255, 30, 0x0A141E, 0xC8C8C8, 0xC8C8C8, 255},
           {1, 0, 0x0A141E, 0xFFFFFF, 0xFEFEFE, 1},
       }) {
    TBuffers b(c.Before, c.Alpha);
    TRect touched;
    // A shadow without outline selects Over for the text.
    cache.ComposeGlyph(*Glyph({{c.Q}}), b.Colour, b.Coverage, false, touched, kShadow, kOutline, c.Text, false,
                       false, 1, 0, kCell);
    EXPECT_EQ(b.Colour.GetPixel(11, 22), c.Colour) << int(c.Q) << "/" << int(c.Alpha);
    EXPECT_EQ(b.Coverage.GetPixel(11, 22), c.Coverage) << int(c.Q) << "/" << int(c.Alpha);
    // The shadow: coverage copied, painted in the shadow colour.
    EXPECT_EQ(b.Colour.GetPixel(12, 23), kShadow);
    EXPECT_EQ(b.Coverage.GetPixel(12, 23), c.Q);
    EXPECT_EQ(touched, (TRect{11, 22, 13, 24}));
  }
}

TEST(ComposeGlyph, OutlineStampsAroundTheGlyph) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  for (const int32_t width : {1, 2}) {
    TBuffers b;
    TRect touched;
    cache.ComposeGlyph(*Glyph({{128}}), b.Colour, b.Coverage, false, touched, kShadow, kOutline, kText, false,
                       false, 0, width, kCell);
    // The glyph sits at (11 + b, 22 + b); (2b + 1)² − 1 stamps of one pixel each.
    const int32_t cx = 11 + width, cy = 22 + width;
    EXPECT_EQ(touched, (TRect{11, 22, 11 + 2 * width + 1, 22 + 2 * width + 1}));
    int stamped = 0;
    for (int32_t y = 16; y < 32; ++y) {
      for (int32_t x = 4; x < 24; ++x) {
        const bool ring = std::abs(x - cx) <= width && std::abs(y - cy) <= width && (x != cx || y != cy);
        if (x == cx && y == cy) {
          // Solid, then text over outline: (q·t + (255 − q)·o) >> 8.
          EXPECT_EQ(b.Coverage.GetPixel(x, y), 255u);
          const uint32_t t = 0xC8, o[3] = {0x30, 0x20, 0x10};
          uint32_t want = 0;
          for (int ch = 0; ch < 3; ++ch) want |= ((128 * t + 127 * o[ch]) >> 8) << (8 * ch);
          EXPECT_EQ(b.Colour.GetPixel(x, y), want);
        } else if (ring) {
          ++stamped;
          EXPECT_EQ(b.Coverage.GetPixel(x, y), 128u);
          uint32_t want = 0;  // Over on empty buffers: w = 255
          for (int ch = 0; ch < 3; ++ch) want |= ((255 * ((kOutline >> (8 * ch)) & 0xFF)) >> 8) << (8 * ch);
          EXPECT_EQ(b.Colour.GetPixel(x, y), want);
        } else {
          EXPECT_EQ(b.Coverage.GetPixel(x, y), 0u) << x << "," << y;
        }
      }
    }
    EXPECT_EQ(stamped, (2 * width + 1) * (2 * width + 1) - 1);
  }
  // Full coverage keeps the text pixel whole and the ring in the outline colour.
  TBuffers b;
  TRect touched;
  cache.ComposeGlyph(*Glyph({{255}}), b.Colour, b.Coverage, false, touched, kShadow, kOutline, kText, false, false,
                     0, 1, kCell);
  EXPECT_EQ(b.Colour.GetPixel(12, 23), kText);
  EXPECT_EQ(b.Colour.GetPixel(11, 22), kOutline);
  EXPECT_EQ(b.Coverage.GetPixel(13, 24), 255u);
}

TEST(ComposeGlyph, UnderlineAndStrikeoutBands) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  auto g = Glyph({{255}});
  g->UnderlineSize = 2;
  g->StrikeTop = 10;
  g->StrikeSize = 2;
  {
    TBuffers b;
    TRect touched;
    cache.ComposeGlyph(*g, b.Colour, b.Coverage, false, touched, kShadow, kOutline, kText, false, false, 0, 0, kCell);
    EXPECT_EQ(touched, (TRect{10, 22, 34, 44}));
    for (int32_t x = 10; x < 34; ++x) {
      for (int32_t y : {42, 43, 30, 31}) {
        EXPECT_EQ(b.Colour.GetPixel(x, y), kText);
        EXPECT_EQ(b.Coverage.GetPixel(x, y), 255u);
      }
      EXPECT_EQ(b.Coverage.GetPixel(x, 41), 0u);
      EXPECT_EQ(b.Coverage.GetPixel(x, 29), 0u);
      EXPECT_EQ(b.Coverage.GetPixel(x, 32), 0u);
    }
    EXPECT_EQ(b.Coverage.GetPixel(9, 42), 0u);
    EXPECT_EQ(b.Coverage.GetPixel(34, 42), 0u);
  }
  // Outline 1, shadow 2: outline-coloured bands around the text bands, and
  // at the end of a run the shadow shows past the shortened text bands.
  struct TEnds {
    bool Next, Previous;
    uint32_t LastColumn;  // colour of the underline's text row at x = 33
  };
  for (const TEnds& e : std::vector<TEnds>{{false, false, kText}, {true, true, kShadow}}) {
    TBuffers b;
    TRect touched;
    cache.ComposeGlyph(*g, b.Colour, b.Coverage, false, touched, kShadow, kOutline, kText, e.Next, e.Previous, 2,
                       1, kCell);
    // Underline: outline row 40, text rows 41–42, outline row 43.
    EXPECT_EQ(b.Colour.GetPixel(10, 40), kOutline);
    EXPECT_EQ(b.Colour.GetPixel(10, 41), kText);
    EXPECT_EQ(b.Colour.GetPixel(10, 42), kText);
    EXPECT_EQ(b.Colour.GetPixel(10, 43), kOutline);
    EXPECT_EQ(b.Colour.GetPixel(33, 41), e.LastColumn);
    EXPECT_EQ(b.Coverage.GetPixel(33, 41), 255u);
    // Strikeout: outline row 30, text rows 31–32, outline row 33.
    EXPECT_EQ(b.Colour.GetPixel(20, 30), kOutline);
    EXPECT_EQ(b.Colour.GetPixel(20, 31), kText);
    EXPECT_EQ(b.Colour.GetPixel(20, 33), kOutline);
    EXPECT_EQ(b.Colour.GetPixel(33, 32), e.LastColumn);
    EXPECT_EQ(touched, (TRect{10, 22, 34, 44}));
  }
}

TEST(ComposeGlyph, NarrowGlyphIsPlacedByItsAbcSpacing) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  struct TCase {
    TAbcWidths Abc;
    int32_t X0;
  };
  // A 5-pixel glyph in a 24-pixel cell: extra = 19.
  for (const TCase& c : std::vector<TCase>{
           {{2, 5, 3}, 10 + 1 + 7},   // (2 + 5 div 2)·19 / 10 = 7.6 → 8, less the bearing
           {{0, 5, 0}, 10 + 1 + 8},   // A + C = 0: extra div 2, less the bearing
           {{0, 1, 100}, 10 + 1 + 0},  // s − bearing below 0 → 0
       }) {
    backend.Abc = c.Abc;
    auto g = Glyph({{255, 255, 255, 255, 255}}, 24);
    g->AdvanceRest = 0;
    TBuffers b;
    TRect touched;
    cache.ComposeGlyph(*g, b.Colour, b.Coverage, false, touched, kShadow, kOutline, kText, false, false, 0, 0, kCell);
    EXPECT_EQ(touched.Left, c.X0) << c.Abc.A << "," << c.Abc.B << "," << c.Abc.C;
  }
  // Enough advance of its own: no measuring, the glyph stays at its bearing.
  backend.Abc = {2, 5, 3};
  TBuffers b;
  TRect touched;
  cache.ComposeGlyph(*Glyph({{255, 255, 255, 255, 255}}, 24), b.Colour, b.Coverage, false, touched, kShadow,
                     kOutline, kText, false, false, 0, 0, kCell);
  EXPECT_EQ(touched.Left, 11);
}

TEST(ComposeGlyph, EmptyGlyphsAndClippedBuffersTouchNothingOutside) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  TBuffers b;
  TRect touched{1, 1, 2, 2};
  const TFontPixelRef space = cache.GetGlyph(0x20, "Fake", 4, 24);
  cache.ComposeGlyph(*space, b.Colour, b.Coverage, false, touched, kShadow, kOutline, kText, false, false, 3, 3,
                     kCell);
  EXPECT_TRUE(touched.IsEmpty());
  for (int32_t y = 0; y < 48; ++y) {
    for (int32_t x = 0; x < 48; ++x) ASSERT_EQ(b.Coverage.GetPixel(x, y), 0u);
  }
  // A cell far outside the buffers, huge widths: nothing drawn, no fault.
  const TRect far{2000000000, 2000000000, 2000000100, 2000000100};
  cache.ComposeGlyph(*Glyph({{255, 9}, {7, 255}}), b.Colour, b.Coverage, false, touched, kShadow, kOutline, kText,
                     true, true, 1000000, 1000000, far);
  EXPECT_TRUE(touched.IsEmpty());
  // A clip rectangle stops the outline stamps at its edge.
  b.Coverage.SetClipRect({0, 0, 12, 48});
  cache.ComposeGlyph(*Glyph({{255}}), b.Colour, b.Coverage, false, touched, kShadow, kOutline, kText, false, false,
                     0, 1, kCell);
  EXPECT_EQ(b.Coverage.GetPixel(11, 23), 255u);
  EXPECT_EQ(b.Coverage.GetPixel(12, 23), 0u);
  EXPECT_EQ(b.Coverage.GetPixel(13, 23), 0u);
}

TEST(ComposeGlyph, SixteenBitColourChannels) {
  TFakeFontBackend backend;
  TFontPixelManager cache(backend);
  TDIBX colour, coverage;
  colour.SetSize(48, 48, 16);
  coverage.SetSize(48, 48, 8);
  colour.Clear(0);
  coverage.Clear(0);
  TRect touched;
  // 5-6-5 white over black at q = 128: each channel (255·max) >> 8.
  cache.ComposeGlyph(*Glyph({{128}}), colour, coverage, false, touched, 0, 0, 0xFFFF, false, false, 1, 0, kCell);
  EXPECT_EQ(colour.GetPixel(11, 22), (30u << 11) | (62u << 5) | 30u);
}

}  // namespace
}  // namespace opal

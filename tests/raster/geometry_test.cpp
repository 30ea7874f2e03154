// Where pixels land: clipping with flips, cut source rectangles, stretching,
// rotation, the tilings, reduced and indexed drawing, worked out by hand.
// Sources are "id" buffers whose pixel (x, y) is (y + 1) << 8 | (x + 1), so a
// destination row lists which source pixels it shows (0: untouched).
#include "raster/dibx.h"
#include "raster_test_util.h"

namespace opal::testing {
namespace {

using TRow = std::vector<uint32_t>;

std::unique_ptr<TDIBX> Ids(int32_t w, int32_t h, int32_t bits = 32) {
  auto b = MakeBuffer(w, h, bits);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b->SetPixel(x, y, static_cast<uint32_t>((y + 1) << 8 | (x + 1)));
  return b;
}

constexpr uint32_t Id(int32_t x, int32_t y) { return static_cast<uint32_t>((y + 1) << 8 | (x + 1)); }

TRow RowOf(TCustomDIBX& b, int32_t y) {
  TRow out;
  for (int32_t x = 0; x < b.Width(); ++x) out.push_back(b.GetPixel(x, y));
  return out;
}

TEST(Geometry, DrawClipsWithFlips) {
  auto src = Ids(6, 3);
  // FlipH at x = −3: the left edge shows column Right − 4, then leftwards.
  auto d = MakeBuffer(5, 1, 32);
  d->Draw(-3, 0, false, true, false, src->BoundsRect(), src.get());
  EXPECT_EQ(RowOf(*d, 0), (TRow{Id(2, 0), Id(1, 0), Id(0, 0), 0, 0}));

  // FlipV with the top row cut: the bottom edge of the source moves up.
  auto v = MakeBuffer(2, 2, 32);
  v->Draw(0, -1, true, false, false, {0, 0, 2, 3}, src.get());
  EXPECT_EQ(RowOf(*v, 0), (TRow{Id(0, 1), Id(1, 1)}));
  EXPECT_EQ(RowOf(*v, 1), (TRow{Id(0, 0), Id(1, 0)}));

  // A cut on the right under FlipH raises SrcRect.Left instead.
  auto r = MakeBuffer(4, 1, 32);
  r->SetClipRect({0, 0, 2, 1});
  r->Draw(0, 0, false, true, false, {0, 0, 6, 1}, src.get());
  EXPECT_EQ(RowOf(*r, 0), (TRow{Id(5, 0), Id(4, 0), 0, 0}));
}

TEST(Geometry, WholeRowCopiesLandRowForRow) {
  // Equal widths and row steps take the block copy; 5 pixels at 16 bits
  // leave padding at the end of every row.
  for (int32_t bits : {16, 24, 32}) {
    auto src = Ids(5, 4, bits);
    for (int32_t y : {-2, 0, 1}) {
      auto d = MakeBuffer(5, 4, bits, 0x77);
      d->Draw(0, y, false, false, false, src->BoundsRect(), src.get());
      for (int32_t row = 0; row < 4; ++row) {
        const int32_t from = row - y;
        for (int32_t x = 0; x < 5; ++x) {
          const uint32_t want = from >= 0 && from < 4 ? src->GetPixel(x, from) : 0x77u;
          ASSERT_EQ(d->GetPixel(x, row), want) << bits << " y " << y << " row " << row;
        }
      }
    }
  }
}

TEST(Geometry, SourceRectanglesAreCutToSourceAndMask) {
  auto src = Ids(3, 1);
  auto d = MakeBuffer(6, 1, 32);
  // Two columns left of the source: the rest lands where it would have.
  d->Draw(0, 0, false, false, false, {-2, 0, 3, 1}, src.get());
  EXPECT_EQ(RowOf(*d, 0), (TRow{0, 0, Id(0, 0), Id(1, 0), Id(2, 0), 0}));
  d->Clear(0);
  // Under FlipH the missing columns 3 and 4 come first.
  d->Draw(0, 0, false, true, false, {0, 0, 5, 1}, src.get());
  EXPECT_EQ(RowOf(*d, 0), (TRow{0, 0, Id(2, 0), Id(1, 0), Id(0, 0), 0}));

  // A mask narrower than the source limits the drawing to its columns.
  auto mask = MakeBuffer(2, 1, 8, 255);
  d->Clear(0);
  d->DrawMask(1, 0, mask.get(), false, false, src->BoundsRect(), src.get());
  EXPECT_EQ(RowOf(*d, 0), (TRow{0, Id(0, 0), Id(1, 0), 0, 0, 0}));
  // A mask that is not 8 bits draws nothing.
  auto wide = MakeBuffer(3, 1, 32, 255);
  d->Clear(0);
  d->DrawMask(0, 0, wide.get(), false, false, src->BoundsRect(), src.get());
  EXPECT_EQ(RowOf(*d, 0), TRow(6, 0));
}

TEST(Geometry, KeyedCopySkipsKeyPixelsOnly) {
  auto src = Ids(4, 1);
  src->TransparentColor = static_cast<int32_t>(Id(1, 0));
  auto d = MakeBuffer(4, 1, 32, 7);
  d->Draw(0, 0, false, false, true, src->BoundsRect(), src.get());
  EXPECT_EQ(RowOf(*d, 0), (TRow{Id(0, 0), 7, Id(2, 0), Id(3, 0)}));
}

TEST(Geometry, StretchSamplesInFixedPoint) {
  const struct {
    const char* Name;
    int32_t SrcW;
    TRect Dest;
    bool FlipH;
    TRow Cols;  // source column per destination column, −1 untouched
  } cases[] = {
      {"100 into 50 takes every second column", 100, {0, 0, 50, 1}, false, {}},
      // step trunc(65536 / 3) = 21845: 3·21845 >> 16 is still 0.
      {"2 into 6 truncates the step", 2, {0, 0, 6, 1}, false, {0, 0, 0, 0, 1, 1}},
      // Two columns cut on the left advance the source by 2·0.5 = 1.
      {"left cut advances the source", 3, {-2, 0, 4, 1}, false, {1, 1, 2, 2, ~0u, ~0u}},
      // FlipH starts at Right·65536 − 1.
      {"flipped", 2, {0, 0, 4, 1}, true, {1, 1, 0, 0, ~0u, ~0u}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto src = Ids(c.SrcW, 1);
    auto d = MakeBuffer(c.Dest.Right, 1, 32);
    d->StretchDraw(c.Dest, src.get(), 255, false, c.FlipH, false, src->BoundsRect());
    const TRow got = RowOf(*d, 0);
    for (int32_t x = 0; x < d->Width(); ++x) {
      const uint32_t col = c.Cols.empty() ? 2u * x : c.Cols[x];
      EXPECT_EQ(got[x], col == ~0u ? 0u : Id(static_cast<int32_t>(col), 0)) << x;
    }
  }
  // The same sampling feeds the blends: opacity 128 over black halves each id.
  auto src = Ids(2, 1);
  auto d = MakeBuffer(4, 1, 32);
  d->StretchDraw({0, 0, 4, 1}, src.get(), 128, false, false, false, src->BoundsRect());
  EXPECT_EQ(d->GetPixel(3, 0), (Id(1, 0) & 0xFF) * 128 >> 8 | ((Id(1, 0) >> 8) * 128 >> 8) << 8);
}

TEST(Geometry, StretchedMaskAndAdditiveFormsKeepTheirRules) {
  auto white = MakeBuffer(3, 1, 32, 0x00FFFFFF);
  auto mask = MakeBuffer(3, 1, 8);
  mask->SetPixel(0, 0, 255);
  mask->SetPixel(2, 0, 128);
  // At 255 a full mask byte copies; 128 blends (128·255 >> 8 = 127).
  auto d = MakeBuffer(3, 1, 32);
  d->StretchDrawMask(d->BoundsRect(), white.get(), 255, mask.get(), false, false, white->BoundsRect());
  EXPECT_EQ(RowOf(*d, 0), (TRow{0x00FFFFFF, 0, 0x007F7F7F}));
  // Below 255 the DrawAlphaMask weight: full mask → the opacity 100.
  d->Clear(0);
  d->StretchDrawMask(d->BoundsRect(), white.get(), 100, mask.get(), false, false, white->BoundsRect());
  EXPECT_EQ(RowOf(*d, 0), (TRow{0x00636363, 0, 0x00313131}));  // 100·255 >> 8; (128·100 >> 8)·255 >> 8

  // The additive stretch honours the key even without useKey.
  auto src = MakeBuffer(3, 1, 32);
  src->SetPixel(0, 0, 0x00808080);
  src->SetPixel(1, 0, 0x00404040);
  src->SetPixel(2, 0, 0x00FFFFFF);
  src->TransparentColor = 0x00404040;
  auto a = MakeBuffer(3, 1, 32, 0x000A0A0A);
  a->StretchDrawAdd(a->BoundsRect(), src.get(), 255, false, false, false, src->BoundsRect());
  // 10 + (255·128 >> 8) = 137; 10 + 254 saturates.
  EXPECT_EQ(RowOf(*a, 0), (TRow{0x00898989, 0x000A0A0A, 0x00FFFFFF}));

  // A blend value of 256..511 makes the stretched tiles additive.
  auto t = MakeBuffer(3, 1, 32, 0x00101010);
  t->TileStretchDrawMask(t->BoundsRect(), 3, 0, 0, 256 + 128, mask.get(), white->BoundsRect(),
                         white.get(), 256, 256, 1);
  // 16 + (128·255 >> 8) where the mask is full; (128·128 >> 8 = 64)·255 >> 8 = 63.
  EXPECT_EQ(RowOf(*t, 0), (TRow{0x008F8F8F, 0x00101010, 0x004F4F4F}));
}

TEST(Geometry, StretchFlipVAndRowsOutsideTheSource) {
  auto src = Ids(1, 2);
  auto d = MakeBuffer(1, 4, 32);
  d->StretchDraw({0, 0, 1, 4}, src.get(), 255, true, false, false, src->BoundsRect());
  // (Bottom − 1)·65536 stepping −32768: rows 1, 0, 0, −1 (skipped).
  EXPECT_EQ(d->GetPixel(0, 0), Id(0, 1));
  EXPECT_EQ(d->GetPixel(0, 1), Id(0, 0));
  EXPECT_EQ(d->GetPixel(0, 2), Id(0, 0));
  EXPECT_EQ(d->GetPixel(0, 3), 0u);
}

// A stretched picture redrawn through two dirty rectangles that split it,
// at every row and every column: the first rectangle, which cuts the
// picture on the bottom or the right, shows exactly the pixels of the whole
// picture, up to its last row or column, and together the two paint every
// pixel the whole picture paints; a buffer edge cutting it on the right or
// bottom keeps its pixels too. Were the source narrowed to trunc(visible
// size × ratio), the last row or column before each cut would stay empty.
TEST(Geometry, AStretchCutOnTheRightOrBottomKeepsItsSourceRectangle) {
  const struct {
    const char* Name;
    int32_t SrcW, SrcH;
    TRect Dest;
    bool FlipV, FlipH;
  } cases[] = {
      {"enlarged", 7, 5, {2, 3, 25, 20}, false, false},
      {"enlarged and flipped", 7, 5, {2, 3, 25, 20}, true, true},
      {"shrunk", 30, 20, {1, 1, 14, 10}, false, false},
      {"shrunk and flipped", 30, 20, {1, 1, 14, 10}, true, true},
      {"past the left and top", 9, 6, {-5, -4, 20, 17}, false, true},
  };
  constexpr int32_t kW = 32, kH = 24;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto src = Ids(c.SrcW, c.SrcH);
    const auto draw = [&](TCustomDIBX& d) {
      d.StretchDraw(c.Dest, src.get(), 255, c.FlipV, c.FlipH, false, src->BoundsRect());
    };
    auto whole = MakeBuffer(kW, kH, 32);
    draw(*whole);
    const auto check = [&](const TRect& first, const TRect& second) {
      auto d = MakeBuffer(kW, kH, 32);
      for (const TRect& dirty : {first, second}) {
        d->SetClipRect(dirty);
        draw(*d);
      }
      for (int32_t y = 0; y < kH; ++y) {
        for (int32_t x = 0; x < kW; ++x) {
          const bool inFirst = x >= first.Left && x < first.Right && y >= first.Top && y < first.Bottom;
          if (inFirst) ASSERT_EQ(d->GetPixel(x, y), whole->GetPixel(x, y)) << x << "," << y;
          ASSERT_EQ(d->GetPixel(x, y) != 0, whole->GetPixel(x, y) != 0) << x << "," << y;
        }
      }
    };
    for (int32_t y = 1; y < kH; ++y) {
      SCOPED_TRACE("split at row " + std::to_string(y));
      check({0, 0, kW, y}, {0, y, kW, kH});
    }
    for (int32_t x = 1; x < kW; ++x) {
      SCOPED_TRACE("split at column " + std::to_string(x));
      check({0, 0, x, kH}, {x, 0, kW, kH});
    }

    // The buffer's own edges cut it: what remains is the whole picture's.
    auto small = MakeBuffer(17, 13, 32);
    draw(*small);
    for (int32_t y = 0; y < 13; ++y)
      for (int32_t x = 0; x < 17; ++x) ASSERT_EQ(small->GetPixel(x, y), whole->GetPixel(x, y)) << x << "," << y;
  }
}

TEST(Geometry, QuarterTurnIsClockwiseOnScreen) {
  auto src = Ids(3, 3);
  auto d = MakeBuffer(10, 10, 32);
  d->DrawRotate(5, 5, 255, false, false, false, 64, 1, 1, src->BoundsRect(), src.get(), 256, 256);
  // Source (c, r) lands at (6 − r, 4 + c): the top row becomes the right column.
  for (int32_t r = 0; r < 3; ++r)
    for (int32_t c = 0; c < 3; ++c) EXPECT_EQ(d->GetPixel(6 - r, 4 + c), Id(c, r)) << c << "," << r;
  int drawn = 0;
  for (uint32_t p : Pixels(*d)) drawn += p != 0;
  EXPECT_EQ(drawn, 9);

  // Angle 0, scale 2: each source pixel covers 2×2 from the pivot.
  auto z = MakeBuffer(6, 6, 32);
  z->DrawRotate(0, 0, 255, false, false, false, 0, 0, 0, src->BoundsRect(), src.get(), 512, 512);
  EXPECT_EQ(z->GetPixel(0, 0), Id(0, 0));
  EXPECT_EQ(z->GetPixel(1, 1), Id(0, 0));
  EXPECT_EQ(z->GetPixel(2, 1), Id(1, 0));
  EXPECT_EQ(z->GetPixel(5, 5), Id(2, 2));

  // Zero or negative scales and opacity 0 draw nothing.
  auto n = MakeBuffer(6, 6, 32);
  n->DrawRotate(3, 3, 255, false, false, false, 0, 0, 0, src->BoundsRect(), src.get(), 0, 256);
  n->DrawRotate(3, 3, 255, false, false, false, 0, 0, 0, src->BoundsRect(), src.get(), 256, -1);
  n->DrawRotate(3, 3, 0, false, false, false, 0, 0, 0, src->BoundsRect(), src.get(), 256, 256);
  for (uint32_t p : Pixels(*n)) ASSERT_EQ(p, 0u);
}

TEST(Geometry, TilesWithGaps) {
  auto src = Ids(2, 1);
  auto d = MakeBuffer(9, 3, 32);
  d->SetClipRect({0, 0, 9, 3});
  // Phase 1: the first tile shows column 1 only; each tile is followed by
  // one empty column, each row of tiles by one empty row.
  d->TileDraw(d->BoundsRect(), 1, 0, 1, false, src->BoundsRect(), src.get(), 1);
  const TRow tiles{Id(1, 0), 0, Id(0, 0), Id(1, 0), 0, Id(0, 0), Id(1, 0), 0, Id(0, 0)};
  EXPECT_EQ(RowOf(*d, 0), tiles);
  EXPECT_EQ(RowOf(*d, 1), TRow(9, 0));
  EXPECT_EQ(RowOf(*d, 2), tiles);
  EXPECT_EQ(d->ClipRect, (TRect{0, 0, 9, 3}));  // restored

  // A negative offset counts back from the right edge: −1 is phase 1 too.
  auto n = MakeBuffer(9, 1, 32);
  n->TileDraw(n->BoundsRect(), 1, 0, -1, false, src->BoundsRect(), src.get(), 0);
  EXPECT_EQ(RowOf(*n, 0), tiles);

  // A gap that cancels the width would never advance: nothing is drawn.
  auto g = MakeBuffer(9, 1, 32);
  g->TileDraw(g->BoundsRect(), -2, 0, 0, false, src->BoundsRect(), src.get(), 0);
  g->TileDrawAlpha(g->BoundsRect(), 0, 0, 0, 128, false, src->BoundsRect(), src.get(), -1);
  EXPECT_EQ(RowOf(*g, 0), TRow(9, 0));
}

TEST(Geometry, StretchedTilesAStepApart) {
  auto src = Ids(2, 1);
  const struct {
    const char* Name;
    int32_t Step, Offset, Zoom;
    TRow Row;
  } cases[] = {
      {"step 3", 3, 0, 256, {Id(0, 0), Id(1, 0), 0, Id(0, 0), Id(1, 0), 0, Id(0, 0), Id(1, 0)}},
      {"phase 1", 3, 1, 256, {Id(1, 0), 0, Id(0, 0), Id(1, 0), 0, Id(0, 0), Id(1, 0), 0}},
      {"phase -1", 3, -1, 256, {0, Id(0, 0), Id(1, 0), 0, Id(0, 0), Id(1, 0), 0, Id(0, 0)}},
      // Step 0 is held at one pixel: every copy overwrites the last one's
      // second column.
      {"step 0", 0, 0, 256, TRow(8, Id(0, 0))},
      // Zoom 2: copies 4 wide, origins 2·4 = 8 apart.
      {"zoom 2", 4, 0, 512, {Id(0, 0), Id(0, 0), Id(1, 0), Id(1, 0), 0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto d = MakeBuffer(8, 1, 32);
    d->TileStretchDraw(d->BoundsRect(), c.Step, 0, c.Offset, 255, false, src->BoundsRect(),
                       src.get(), 256, c.Zoom, 1);
    EXPECT_EQ(RowOf(*d, 0), c.Row);
  }
  auto d = MakeBuffer(8, 1, 32);
  d->TileStretchDraw(d->BoundsRect(), 3, 0, 0, 255, false, src->BoundsRect(), src.get(), 256, 0, 1);
  EXPECT_EQ(RowOf(*d, 0), TRow(8, 0));
}

TEST(Geometry, TileFillAndZoomTileRepeatTheWholeSource) {
  auto src = Ids(3, 2);
  const struct {
    const char* Name;
    int32_t OffsetX;
    bool FlipH;
    TRow Cols;
  } cases[] = {
      {"offset 1", 1, false, {1, 2, 0, 1, 2, 0, 1}},
      {"offset -1", -1, false, {2, 0, 1, 2, 0, 1, 2}},
      {"offset 1 flipped", 1, true, {1, 0, 2, 1, 0, 2, 1}},
      {"offset far", 3000000, false, {0, 1, 2, 0, 1, 2, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto d = MakeBuffer(7, 3, 32);
    d->TileFill(d->BoundsRect(), src.get(), false, c.FlipH, 1, c.OffsetX);
    for (int32_t x = 0; x < 7; ++x) {
      EXPECT_EQ(d->GetPixel(x, 0), Id(static_cast<int32_t>(c.Cols[x]), 1));
      EXPECT_EQ(d->GetPixel(x, 1), Id(static_cast<int32_t>(c.Cols[x]), 0));
    }
  }
  // FlipV mirrors the rows: offsetY 0 starts at row 1.
  auto v = MakeBuffer(1, 2, 32);
  v->TileFill(v->BoundsRect(), src.get(), true, false, 0, 0);
  EXPECT_EQ(v->GetPixel(0, 0), Id(0, 1));

  // FrameTile: the four strips, no flips.
  auto f = MakeBuffer(5, 4, 32);
  f->FrameTile(f->BoundsRect(), 1, 0, 0, src.get());
  EXPECT_EQ(RowOf(*f, 0), (TRow{Id(0, 0), Id(1, 0), Id(2, 0), Id(0, 0), Id(1, 0)}));
  // Each strip starts its own phase.
  EXPECT_EQ(RowOf(*f, 1), (TRow{Id(0, 0), 0, 0, 0, Id(0, 0)}));

  // ZoomTile at 512: step 256/512·65536 = 32768, two pixels per column.
  auto z = MakeBuffer(8, 1, 32);
  z->ZoomTile(z->BoundsRect(), 512, 255, false, false, 0, 0, src.get(), 256);
  EXPECT_EQ(RowOf(*z, 0),
            (TRow{Id(0, 0), Id(0, 0), Id(1, 0), Id(1, 0), Id(2, 0), Id(2, 0), Id(0, 0), Id(0, 0)}));
  // A zoom of 1 steps by 256 pixels, capped at the source width: every
  // pixel shows the starting column.
  z->ZoomTile(z->BoundsRect(), 1, 255, false, false, 0, 0, src.get(), 1);
  EXPECT_EQ(RowOf(*z, 0), TRow(8, Id(0, 0)));
  z->Clear(0);
  z->ZoomTile(z->BoundsRect(), 0, 255, false, false, 0, 0, src.get(), 256);
  z->ZoomTile(z->BoundsRect(), 256, 0, false, false, 0, 0, src.get(), 256);
  EXPECT_EQ(RowOf(*z, 0), TRow(8, 0));
  // 256..511 is additive with value − 256.
  auto a = MakeBuffer(2, 1, 32, 0x00010101);
  auto white = MakeBuffer(1, 1, 32, 0x00FFFFFF);
  a->ZoomTile(a->BoundsRect(), 256, 256 + 128, false, false, 0, 0, white.get(), 256);
  EXPECT_EQ(a->GetPixel(1, 0), 0x00808080u);  // 1 + (128·255 >> 8)
}

// A 1-bit source whose 4×4 blocks hold the given numbers of ink (0) bits.
std::unique_ptr<TDIBX> MonoBlocks(std::initializer_list<int> inks) {
  auto b = MakeBuffer(static_cast<int32_t>(inks.size()) * 4, 4, 1, 1);
  int32_t block = 0;
  for (int ink : inks) {
    for (int k = 0; k < ink; ++k) b->SetPixel(block * 4 + k % 4, k / 4, 0);
    ++block;
  }
  return b;
}

TEST(Reduced, MonoCountsInkPerBlock) {
  auto src = MonoBlocks({4, 16, 0});
  const struct {
    const char* Name;
    int32_t Opacity;
    uint32_t D;
    TRow Row;
  } cases[] = {
      // (255·C + D·(16 − C)) >> 4 per colour byte; the fourth byte is kept.
      {"opaque on black", 255, 0xAA000000, {0xAA3F3F3F, 0xAAFFFFFF, 0xAA000000}},
      // C = 4: (1020 + 16·12) >> 4 = 75.
      {"opaque on grey", 255, 0x00101010, {0x004B4B4B, 0x00FFFFFF, 0x00101010}},
      // Opacity 128: C = 16·128 >> 8 = 8, 4·128 >> 8 = 2.
      {"half", 128, 0x00000000, {0x001F1F1F, 0x007F7F7F, 0x00000000}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto d = MakeBuffer(3, 1, 32, c.D);
    d->DrawMonoReduced(0, 0, 4, c.Opacity, false, false, 0x00FFFFFF, src->BoundsRect(), src.get());
    EXPECT_EQ(RowOf(*d, 0), c.Row);
  }
  // FlipH reads the blocks from the right.
  auto f = MakeBuffer(3, 1, 32);
  f->DrawMonoReduced(0, 0, 4, 255, false, true, 0x00FFFFFF, src->BoundsRect(), src.get());
  EXPECT_EQ(RowOf(*f, 0), (TRow{0, 0x00FFFFFF, 0x003F3F3F}));
}

TEST(Reduced, NeverSpillsIntoTheNextChannel) {
  // Factor 8: a full block gives 31·64 >> 4 = 124 for a 5-bit channel; it is
  // held at 31 instead of carrying into green.
  auto src = MakeBuffer(8, 8, 1, 0);
  auto d = MakeBuffer(1, 1, 16, 0);
  d->DrawMonoReduced(0, 0, 8, 255, false, false, 0x001F, src->BoundsRect(), src.get());
  EXPECT_EQ(d->GetPixel(0, 0), 0x001Fu);
  auto d32 = MakeBuffer(1, 1, 32, 0);
  d32->DrawMonoReduced(0, 0, 8, 255, false, false, 0x000000FF, src->BoundsRect(), src.get());
  EXPECT_EQ(d32->GetPixel(0, 0), 0x000000FFu);
  // Factor 0 and a source that is not 1 bit draw nothing.
  d32->Clear(0);
  d32->DrawMonoReduced(0, 0, 0, 255, false, false, 0xFF, src->BoundsRect(), src.get());
  auto notMono = MakeBuffer(8, 8, 8, 0);
  d32->DrawMonoReduced(0, 0, 8, 255, false, false, 0xFF, notMono->BoundsRect(), notMono.get());
  EXPECT_EQ(d32->GetPixel(0, 0), 0u);
}

// A 4-bit source of 2×2 blocks with the given levels, block by block.
std::unique_ptr<TDIBX> LevelBlocks(const std::vector<std::array<int, 4>>& blocks) {
  auto b = MakeBuffer(static_cast<int32_t>(blocks.size()) * 2, 2, 4, 0);
  for (size_t i = 0; i < blocks.size(); ++i)
    for (int k = 0; k < 4; ++k)
      b->SetPixel(static_cast<int32_t>(i) * 2 + k % 2, k / 2, static_cast<uint32_t>(blocks[i][k]) | 0xC);
  return b;
}

TEST(Reduced, LevelsWeighTheirColours) {
  // The high two bits of each nibble are set and must not count.
  auto src = LevelBlocks({{1, 1, 1, 1}, {1, 2, 0, 0}, {0, 0, 0, 0}, {3, 3, 3, 3}});
  const std::array<uint32_t, 3> colours{0x00FF0000, 0x000000FF, 0x00FFFFFF};
  const struct {
    const char* Name;
    int32_t Opacity;
    uint32_t D;
    TRow Row;
  } cases[] = {
      // A = 4, s = 10. Block 2: w1 = w2 = 256, M = 512: 255·256 >> 10 = 63.
      // Block 4 at 255: (255·1024) >> 10 = 255.
      {"opaque", 255, 0x00000000, {0x00FF0000, 0x003F003F, 0x00000000, 0x00FFFFFF}},
      // Opacity 128: w = 128·N; block 1: (255·512 + 64·512) >> 10 = 159,
      // green (64·512) >> 10 = 32. Block 2: M = 768: red (32640 + 49152)
      // >> 10 = 79, green 48.
      {"half", 128, 0x00404040, {0x009F2020, 0x004F304F, 0x00404040, 0x009F9F9F}},
      // 384 acts as opacity 128 on 32 bits.
      {"additive acts as opacity", 384, 0x00404040, {0x009F2020, 0x004F304F, 0x00404040, 0x009F9F9F}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    auto d = MakeBuffer(4, 1, 32, c.D);
    d->DrawLevelsReduced(0, 0, 2, c.Opacity, false, false, colours, src->BoundsRect(), src.get());
    EXPECT_EQ(RowOf(*d, 0), c.Row);
  }
}

TEST(Reduced, LevelsOnWordStorage) {
  // Factor 1: A = 1, s = 8. Level 1 with colour blue 31.
  auto src = LevelBlocks({{1, 1, 1, 1}});
  const std::array<uint32_t, 3> colours{0x001F, 0xF800, 0x07E0};
  const struct {
    int32_t Opacity;
    uint32_t D, Expected;
  } cases[] = {
      {255, 0x0010, 0x001F},  // a whole block at level 1 writes the colour
      {128, 0x0010, 0x0017},  // (31·128 + 16·128) >> 8 = 23
      {384, 0x0010, 0x001F},  // additive: min(31 << 8, 3968 + 16·256) >> 8
      {384, 0x0002, 0x0011},  // (3968 + 512) >> 8 = 17
      {384, 0xF802, 0xF811},  // other channels unchanged
  };
  for (const auto& c : cases) {
    auto d = MakeBuffer(1, 1, 16, c.D);
    d->DrawLevelsReduced(0, 0, 1, c.Opacity, false, false, colours, {0, 0, 1, 1}, src.get());
    EXPECT_EQ(d->GetPixel(0, 0), c.Expected) << c.Opacity << " " << std::hex << c.D;
  }
  // Other destination depths are left alone.
  auto d8 = MakeBuffer(1, 1, 8, 5);
  d8->DrawLevelsReduced(0, 0, 1, 255, false, false, colours, {0, 0, 1, 1}, src.get());
  EXPECT_EQ(d8->GetPixel(0, 0), 5u);
}

TEST(Indexed, FourBitPaletteSource) {
  auto src = MakeBuffer(4, 1, 4);
  for (int32_t x = 0; x < 4; ++x) src->SetPixel(x, 0, static_cast<uint32_t>(x));
  src->TransparentColor = 0;
  uint32_t table[16] = {0x00FFFFFF, 0x00FF0000, 0x000000FF, 0x00808080};
  const struct {
    int32_t Blend;
    TRow Row;
  } cases[] = {
      {255, {0x00101010, 0x00FF0000, 0x000000FF, 0x00808080}},
      // Alpha 128 over 0x10: (128·255 + 127·16) >> 8 = 135, 127·16 >> 8 = 7.
      {128, {0x00101010, 0x00870707, 0x00070787, 0x00474747}},
      // Additive amount 255: 16 + (255·255 >> 8) = 270 → 255.
      {511, {0x00101010, 0x00FF1010, 0x001010FF, 0x008F8F8F}},
  };
  for (const auto& c : cases) {
    auto d = MakeBuffer(4, 1, 32, 0x00101010);
    d->DrawIndexed4(0, 0, table, c.Blend, false, false, src->BoundsRect(), src.get());
    EXPECT_EQ(RowOf(*d, 0), c.Row) << c.Blend;
  }
  // On 16 bits the additive form leaves zero entries and white pixels alone.
  uint32_t table16[16] = {0, 0x0000, 0x001F, 0x001F};
  auto w = MakeBuffer(4, 1, 16, 0x0010);
  w->SetPixel(3, 0, 0xFFFF);
  w->DrawIndexed4(0, 0, table16, 511, false, false, src->BoundsRect(), src.get());
  EXPECT_EQ(RowOf(*w, 0), (TRow{0x0010, 0x0010, 0x001F, 0xFFFF}));
}

TEST(Indexed, EightBitAdditiveAndStretched) {
  auto src = MakeBuffer(4, 1, 8);
  for (int32_t x = 0; x < 4; ++x) src->SetPixel(x, 0, static_cast<uint32_t>(x));
  src->TransparentColor = 1;  // indices 0 and 1 are skipped
  std::vector<uint32_t> table(256, 0x00808080);
  table[3] = 0x00FFFFFF;
  auto d = MakeBuffer(4, 1, 32, 0x00101010);
  d->DrawIndexedAdd(0, 0, table.data(), 255, false, false, src->BoundsRect(), src.get());
  EXPECT_EQ(RowOf(*d, 0), (TRow{0x00101010, 0x00101010, 0x008F8F8F, 0x00FFFFFF}));

  auto s = MakeBuffer(2, 1, 32);
  table[2] = 0x00ABCDEF;
  s->StretchDrawIndexed(s->BoundsRect(), src.get(), table.data(), 255, false, false, src->BoundsRect());
  EXPECT_EQ(RowOf(*s, 0), (TRow{0x00808080, 0x00ABCDEF}));
}

TEST(FillMaskGeometry, DrawsNothingWhenTheCoverageRunsOut) {
  auto cover = MakeBuffer(4, 1, 8, 255);
  auto d = MakeBuffer(8, 1, 32);
  d->FillMask(0, 0, 255, 0x00FFFFFF, false, false, {0, 0, 6, 1}, cover.get());
  EXPECT_EQ(RowOf(*d, 0), TRow(8, 0));
  // Clipped to the part inside the coverage it draws.
  d->SetClipRect({0, 0, 4, 1});
  d->FillMask(0, 0, 255, 0x00FFFFFF, false, false, {0, 0, 6, 1}, cover.get());
  EXPECT_EQ(RowOf(*d, 0), (TRow{0x00FEFEFE, 0x00FEFEFE, 0x00FEFEFE, 0x00FEFEFE, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace opal::testing

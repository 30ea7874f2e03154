// Hostile arguments for every operation: extreme and inverted rectangles and
// clips, zooms, steps, gaps, factors, angles and scales, buffers of every
// depth as destination, source and mask. Nothing may be read or written
// outside a buffer (the sanitizer build gives every buffer exactly its bytes,
// so it sees either end), nothing may hang, and no pixel outside the
// destination's clip may change.
#include <climits>
#include <functional>

#include "raster/dibx.h"
#include "raster_test_util.h"

namespace opal::testing {
namespace {

constexpr int32_t kValues[] = {INT32_MIN, INT32_MIN + 1, -65536, -257, -256, -255, -3, -1, 0, 1,
                               2,        3,            4,      7,    8,    255,  256, 511, 512,
                               65535,    65536,        1 << 24, INT32_MAX - 1, INT32_MAX};

struct THostile {
  TNoise N;
  explicit THostile(uint32_t seed) : N(seed) {}
  int32_t Value() {
    // Mostly small values near the buffers, sometimes extremes.
    if (N.Next() % 3 == 0) return kValues[N.Next() % std::size(kValues)];
    return N.Range(-12, 20);
  }
  bool Flag() { return N.Next() & 1; }
  TRect Rect() { return {Value(), Value(), Value(), Value()}; }
  int32_t Depth() {
    static constexpr int32_t kDepths[] = {1, 4, 8, 15, 16, 24, 32};
    return kDepths[N.Next() % std::size(kDepths)];
  }
};

struct TWorld {
  std::unique_ptr<TDIBX> Dst, Src, Mask;
  TRect SrcRect, Rect;
  int32_t A = 0, B = 0, C = 0, D = 0, E = 0, F = 0, G = 0;
  bool V = false, H = false, K = false;
  uint32_t Pixel = 0;
};

using TOp = std::function<void(TWorld&)>;

// Colour table entries for every index a source of up to 8 bits holds.
const std::vector<uint32_t>& Table() {
  static const std::vector<uint32_t> t(256, 0x00FF00FF);
  return t;
}

const TOp kOps[] = {
    [](TWorld& w) { w.Dst->FillRect(w.Rect, w.Pixel); },
    [](TWorld& w) { w.Dst->FillRectAlpha(w.Rect, w.Pixel, w.A); },
    [](TWorld& w) { w.Dst->FillRectAdd(w.Rect, w.Pixel); },
    [](TWorld& w) { w.Dst->FillRectSub(w.Rect, w.Pixel); },
    [](TWorld& w) { w.Dst->FrameRect(w.Rect, w.A, w.Pixel); },
    [](TWorld& w) { w.Dst->FrameRectAlpha(w.Rect, w.A, w.Pixel, w.B); },
    [](TWorld& w) { w.Dst->FrameRectAdd(w.Rect, w.A, w.Pixel); },
    [](TWorld& w) { w.Dst->Draw(w.A, w.B, w.V, w.H, w.K, w.SrcRect, w.Src.get()); },
    [](TWorld& w) { w.Dst->DrawMask(w.A, w.B, w.Mask.get(), w.V, w.H, w.SrcRect, w.Src.get()); },
    [](TWorld& w) { w.Dst->DrawAlpha(w.A, w.B, w.C, w.V, w.H, w.K, w.SrcRect, w.Src.get()); },
    [](TWorld& w) {
      w.Dst->DrawAlphaMask(w.A, w.B, w.C, w.Mask.get(), w.V, w.H, w.SrcRect, w.Src.get());
    },
    [](TWorld& w) { w.Dst->DrawAdd(w.A, w.B, w.C, w.V, w.H, w.K, w.SrcRect, w.Src.get()); },
    [](TWorld& w) {
      w.Dst->DrawAddMask(w.A, w.B, w.C, w.Mask.get(), w.V, w.H, w.SrcRect, w.Src.get());
    },
    [](TWorld& w) {
      w.Dst->DrawRotate(w.A, w.B, w.C, w.V, w.H, w.K, w.D, w.E, w.F, w.SrcRect, w.Src.get(), w.G,
                        w.C);
    },
    [](TWorld& w) {
      w.Dst->DrawRotateMask(w.A, w.B, w.C, w.V, w.H, w.Mask.get(), w.D, w.E, w.F, w.SrcRect,
                            w.Src.get(), w.G, w.D);
    },
    [](TWorld& w) { w.Dst->StretchDraw(w.Rect, w.Src.get(), w.A, w.V, w.H, w.K, w.SrcRect); },
    [](TWorld& w) {
      w.Dst->StretchDrawMask(w.Rect, w.Src.get(), w.A, w.Mask.get(), w.V, w.H, w.SrcRect);
    },
    [](TWorld& w) { w.Dst->StretchDrawAdd(w.Rect, w.Src.get(), w.A, w.V, w.H, w.K, w.SrcRect); },
    [](TWorld& w) {
      w.Dst->StretchDrawAddMask(w.Rect, w.Src.get(), w.A, w.Mask.get(), w.V, w.H, w.SrcRect);
    },
    [](TWorld& w) {
      w.Dst->DrawMonoReduced(w.A, w.B, w.C, w.D, w.V, w.H, w.Pixel, w.SrcRect, w.Src.get());
    },
    [](TWorld& w) {
      w.Dst->DrawLevelsReduced(w.A, w.B, w.C, w.D, w.V, w.H, {w.Pixel, ~w.Pixel, 0xFFFFFFFF},
                               w.SrcRect, w.Src.get());
    },
    [](TWorld& w) {
      w.Dst->TileDraw(w.Rect, w.A, w.B, w.C, w.K, w.SrcRect, w.Src.get(), w.D);
    },
    [](TWorld& w) {
      w.Dst->TileDrawAlpha(w.Rect, w.A, w.B, w.C, w.E, w.K, w.SrcRect, w.Src.get(), w.D);
    },
    [](TWorld& w) {
      w.Dst->TileDrawAdd(w.Rect, w.A, w.B, w.C, w.E, w.K, w.SrcRect, w.Src.get(), w.D);
    },
    [](TWorld& w) {
      w.Dst->TileDrawMask(w.Rect, w.A, w.B, w.C, w.Mask.get(), w.SrcRect, w.Src.get(), w.D);
    },
    [](TWorld& w) {
      w.Dst->TileDrawAlphaMask(w.Rect, w.A, w.B, w.C, w.E, w.Mask.get(), w.SrcRect, w.Src.get(),
                               w.D);
    },
    [](TWorld& w) {
      w.Dst->TileDrawAddMask(w.Rect, w.A, w.B, w.C, w.E, w.Mask.get(), w.SrcRect, w.Src.get(),
                             w.D);
    },
    [](TWorld& w) {
      w.Dst->TileStretchDraw(w.Rect, w.A, w.B, w.C, w.E, w.K, w.SrcRect, w.Src.get(), w.F, w.G,
                             w.D);
    },
    [](TWorld& w) {
      w.Dst->TileStretchDrawMask(w.Rect, w.A, w.B, w.C, w.E, w.Mask.get(), w.SrcRect, w.Src.get(),
                                 w.F, w.G, w.D);
    },
    [](TWorld& w) { w.Dst->FrameTile(w.Rect, w.A, w.B, w.C, w.Src.get()); },
    [](TWorld& w) {
      w.Dst->DrawIndexed4(w.A, w.B, Table().data(), w.C, w.V, w.H, w.SrcRect, w.Src.get());
    },
    [](TWorld& w) {
      w.Dst->DrawIndexedAdd(w.A, w.B, Table().data(), w.C, w.V, w.H, w.SrcRect, w.Src.get());
    },
    [](TWorld& w) {
      w.Dst->StretchDrawIndexed(w.Rect, w.Src.get(), Table().data(), w.A, w.V, w.H, w.SrcRect);
    },
    [](TWorld& w) {
      w.Dst->ZoomTile(w.Rect, w.A, w.B, w.V, w.H, w.C, w.D, w.Src.get(), w.E);
    },
    [](TWorld& w) {
      w.Dst->ZoomTileMask(w.Rect, w.A, w.B, w.V, w.H, w.C, w.D, w.Src.get(), w.E, w.Mask.get());
    },
    [](TWorld& w) { w.Dst->TileFill(w.Rect, w.Src.get(), w.V, w.H, w.A, w.B); },
    [](TWorld& w) {
      w.Dst->FillMask(w.A, w.B, w.C, w.Pixel, w.V, w.H, w.SrcRect, w.Mask.get());
    },
    [](TWorld& w) { w.Dst->AddClipRect(w.Rect); },
    [](TWorld& w) {
      w.Dst->SetPixel(w.A, w.B, w.Pixel);
      (void)w.Dst->GetPixel(w.C, w.D);
    },
};

TWorld MakeWorld(THostile& h) {
  TWorld w;
  w.Dst = MakeBuffer(h.N.Range(1, 11), h.N.Range(1, 5), h.Depth(), h.N.Next());
  w.Src = MakeBuffer(h.N.Range(1, 11), h.N.Range(1, 5), h.Depth(), h.N.Next());
  // Usually a proper mask, sometimes one of another size or depth.
  const int32_t maskBits = h.N.Next() % 5 == 0 ? h.Depth() : 8;
  w.Mask = MakeBuffer(h.N.Next() % 3 == 0 ? h.N.Range(1, 11) : w.Src->Width(),
                      h.N.Next() % 3 == 0 ? h.N.Range(1, 5) : w.Src->Height(), maskBits,
                      h.N.Next());
  w.Src->TransparentColor = h.N.Next() % 2 ? h.Value() : static_cast<int32_t>(w.Src->GetPixel(0, 0));
  if (h.N.Next() % 2) w.Dst->SetClipRect(h.Rect());
  w.SrcRect = h.N.Next() % 4 == 0 ? w.Src->BoundsRect() : h.Rect();
  w.Rect = h.N.Next() % 4 == 0 ? w.Dst->BoundsRect() : h.Rect();
  w.A = h.Value(), w.B = h.Value(), w.C = h.Value(), w.D = h.Value();
  w.E = h.Value(), w.F = h.Value(), w.G = h.Value();
  w.V = h.Flag(), w.H = h.Flag(), w.K = h.Flag();
  w.Pixel = h.N.Next();
  return w;
}

class Hostile : public ::testing::TestWithParam<TSimdLevel> {};

TEST_P(Hostile, NothingOutsideTheClipChangesAndNothingBreaks) {
  const TLevelScope level(GetParam());
  for (uint32_t seed = 1; seed <= 400; ++seed) {
    for (size_t op = 0; op < std::size(kOps); ++op) {
      THostile h(seed * 977 + static_cast<uint32_t>(op));
      TWorld w = MakeWorld(h);
      const TRect clip = w.Dst->EffectiveClip();
      const TRect savedClip = w.Dst->ClipRect;
      const std::vector<uint32_t> before = Pixels(*w.Dst);
      kOps[op](w);
      const std::vector<uint32_t> after = Pixels(*w.Dst);
      if (op + 1 == std::size(kOps)) continue;  // SetPixel ignores the clip
      if (op + 2 != std::size(kOps)) {
        ASSERT_EQ(w.Dst->ClipRect, savedClip) << "op " << op;
      }
      for (int32_t y = 0; y < w.Dst->Height(); ++y) {
        for (int32_t x = 0; x < w.Dst->Width(); ++x) {
          const bool inside = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
          const size_t i = static_cast<size_t>(y) * w.Dst->Width() + x;
          if (!inside) {
            ASSERT_EQ(before[i], after[i]) << "op " << op << " seed " << seed;
          }
        }
      }
    }
  }
}

TEST_P(Hostile, WholeBufferOperationsAcrossDepths) {
  const TLevelScope level(GetParam());
  for (uint32_t seed = 1; seed <= 100; ++seed) {
    THostile h(seed);
    TWorld w = MakeWorld(h);
    w.Dst->Assign(w.Src.get());
    w.Dst->Clear(w.Pixel);
    (void)w.Dst->ColorToPixel(h.Value());
    w.Dst->ReleaseImage();
    w.Dst->Draw(0, 0, false, false, false, w.SrcRect, w.Src.get());
    w.Src->Draw(0, 0, false, false, false, w.SrcRect, w.Dst.get());
    EXPECT_TRUE(w.Dst->Empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Levels, Hostile, ::testing::ValuesIn(Levels()),
                         [](const auto& info) { return std::string(SimdLevelName(info.param)); });

}  // namespace
}  // namespace opal::testing

// Every fast path against the reference: the same random buffers, rectangles,
// flips, keys and masks drawn once at the reference level and once at each
// SIMD level the processor has, compared byte for byte. The pixels come from a
// small palette often enough that equal-pixel skips, keys and 0/255 mask runs
// all occur inside vectors as well as in scalar tails.
#include <functional>
#include <string>

#include "raster/dibx.h"
#include "raster_test_util.h"

namespace opal::testing {
namespace {

struct TScene {
  std::unique_ptr<TDIBX> Dst, Src, Mask;
  TRect SrcRect, DestRect;
  int32_t X = 0, Y = 0, Amount = 0;
  bool FlipV = false, FlipH = false, UseKey = false;
  uint32_t Color = 0;
};

uint32_t PixelMask(int32_t bits) { return bits == 32 ? 0xFFFFFFFFu : 0xFFFFu; }

// Random pixels, a third of them from a four-entry palette shared by the
// source and the destination.
void FillNoise(TDIBX& b, TNoise& n, const uint32_t* palette, uint32_t valueMask) {
  for (int32_t y = 0; y < b.Height(); ++y) {
    // Runs of one value make whole vectors alike.
    uint32_t run = 0;
    int32_t left = 0;
    for (int32_t x = 0; x < b.Width(); ++x) {
      if (left == 0) {
        const uint32_t kind = n.Next() % 6;
        run = kind < 2 ? palette[n.Next() % 4] : n.Next();
        left = kind == 0 ? n.Range(1, 40) : 1;
      }
      --left;
      b.SetPixel(x, y, run & valueMask);
    }
  }
}

void FillMaskNoise(TDIBX& m, TNoise& n) {
  for (int32_t y = 0; y < m.Height(); ++y) {
    int32_t x = 0;
    while (x < m.Width()) {
      const uint32_t kind = n.Next() % 4;
      const int32_t len = n.Range(1, 40);
      for (int32_t k = 0; k < len && x < m.Width(); ++k, ++x) {
        const uint32_t v = kind == 0 ? 0 : kind == 1 ? 255 : kind == 2 ? n.Next() % 4 : n.Next();
        m.SetPixel(x, y, v & 0xFF);
      }
    }
  }
}

TRect RandomRect(TNoise& n, int32_t w, int32_t h) {
  const int32_t l = n.Range(-8, w + 4), t = n.Range(-3, h + 2);
  return {l, t, l + n.Range(0, w + 8), t + n.Range(0, h + 3)};
}

TScene MakeScene(uint32_t seed, int32_t bits) {
  TNoise n(seed);
  TScene s;
  const uint32_t vm = PixelMask(bits);
  const uint32_t palette[4] = {n.Next() & vm, n.Next() & vm, 0, vm};
  const int32_t dw = n.Range(1, 90), dh = n.Range(1, 5);
  const int32_t sw = n.Range(1, 90), sh = n.Range(1, 5);
  s.Dst = MakeBuffer(dw, dh, bits);
  s.Src = MakeBuffer(sw, sh, bits);
  // The mask is sometimes smaller than the source, so its bounds cut too.
  s.Mask = MakeBuffer(n.Next() % 4 == 0 ? n.Range(1, sw) : sw, sh, 8);
  FillNoise(*s.Dst, n, palette, vm);
  FillNoise(*s.Src, n, palette, vm);
  FillMaskNoise(*s.Mask, n);
  s.Src->TransparentColor = n.Next() % 4 == 0 ? -1 : static_cast<int32_t>(palette[n.Next() % 4]);
  if (n.Next() % 3 == 0) s.Dst->SetClipRect(RandomRect(n, dw, dh));
  s.SrcRect = n.Next() % 3 == 0 ? s.Src->BoundsRect() : RandomRect(n, sw, sh);
  s.DestRect = RandomRect(n, dw, dh);
  s.X = n.Range(-sw, dw);
  s.Y = n.Range(-sh, dh);
  s.Amount = n.Next() % 5 == 0 ? 255 : n.Range(1, 254);
  s.FlipV = n.Next() & 1;
  s.FlipH = n.Next() & 1;
  s.UseKey = n.Next() & 1;
  s.Color = palette[n.Next() % 4];
  return s;
}

using TDraw = std::function<void(TScene&)>;

struct TOpCase {
  const char* Name;
  TDraw Run;
};

const TOpCase kOps[] = {
    {"Draw", [](TScene& s) { s.Dst->Draw(s.X, s.Y, s.FlipV, s.FlipH, s.UseKey, s.SrcRect, s.Src.get()); }},
    {"DrawAlpha",
     [](TScene& s) {
       s.Dst->DrawAlpha(s.X, s.Y, s.Amount, s.FlipV, s.FlipH, s.UseKey, s.SrcRect, s.Src.get());
     }},
    {"DrawMask",
     [](TScene& s) { s.Dst->DrawMask(s.X, s.Y, s.Mask.get(), s.FlipV, s.FlipH, s.SrcRect, s.Src.get()); }},
    {"DrawAlphaMask",
     [](TScene& s) {
       s.Dst->DrawAlphaMask(s.X, s.Y, s.Amount, s.Mask.get(), s.FlipV, s.FlipH, s.SrcRect, s.Src.get());
     }},
    {"DrawAdd",
     [](TScene& s) {
       s.Dst->DrawAdd(s.X, s.Y, s.Amount, s.FlipV, s.FlipH, s.UseKey, s.SrcRect, s.Src.get());
     }},
    {"DrawAddMask",
     [](TScene& s) {
       s.Dst->DrawAddMask(s.X, s.Y, s.Amount, s.Mask.get(), s.FlipV, s.FlipH, s.SrcRect, s.Src.get());
     }},
    {"FillRectAlpha", [](TScene& s) { s.Dst->FillRectAlpha(s.DestRect, s.Color, s.Amount); }},
    {"FillRectAdd", [](TScene& s) { s.Dst->FillRectAdd(s.DestRect, s.Color); }},
    {"FillRectSub", [](TScene& s) { s.Dst->FillRectSub(s.DestRect, s.Color); }},
    {"FillMask",
     [](TScene& s) {
       s.Dst->FillMask(s.X, s.Y, s.Amount, s.Color, s.FlipV, s.FlipH, s.SrcRect, s.Mask.get());
     }},
    // The sampled operations reach the same kernels through gathered rows.
    {"StretchDraw",
     [](TScene& s) {
       s.Dst->StretchDraw(s.DestRect, s.Src.get(), s.Amount, s.FlipV, s.FlipH, s.UseKey, s.SrcRect);
     }},
    {"StretchDrawAddMask",
     [](TScene& s) {
       s.Dst->StretchDrawAddMask(s.DestRect, s.Src.get(), s.Amount, s.Mask.get(), s.FlipV, s.FlipH,
                                 s.SrcRect);
     }},
    {"DrawRotateMask",
     [](TScene& s) {
       s.Dst->DrawRotateMask(s.X, s.Y, s.Amount, s.FlipV, s.FlipH, s.Mask.get(), s.Amount, 2, 3,
                             s.SrcRect, s.Src.get(), 200 + s.Amount, 300);
     }},
    {"ZoomTileMask",
     [](TScene& s) {
       s.Dst->ZoomTileMask(s.DestRect, 100 + s.Amount, s.Amount + (s.UseKey ? 256 : 0), s.FlipV,
                           s.FlipH, s.Y, s.X, s.Src.get(), 300, s.Mask.get());
     }},
};

struct TParam {
  TSimdLevel Level;
  int32_t Bits;
};

class FastPaths : public ::testing::TestWithParam<TParam> {};

TEST_P(FastPaths, MatchReferenceByteForByte) {
  const TParam p = GetParam();
  for (const TOpCase& op : kOps) {
    for (uint32_t seed = 1; seed <= 300; ++seed) {
      TScene ref = MakeScene(seed, p.Bits);
      TScene fast = MakeScene(seed, p.Bits);
      {
        const TLevelScope level(TSimdLevel::Reference);
        op.Run(ref);
      }
      {
        const TLevelScope level(p.Level);
        ASSERT_EQ(level.Active(), p.Level);
        op.Run(fast);
      }
      ASSERT_EQ(Pixels(*ref.Dst), Pixels(*fast.Dst)) << op.Name << " seed " << seed;
    }
  }
}

std::vector<TParam> Params() {
  std::vector<TParam> out;
  for (TSimdLevel l : Levels()) {
    if (l == TSimdLevel::Reference) continue;
    for (int32_t bits : {32, 16, 15}) out.push_back({l, bits});
  }
  return out;
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(FastPaths);
INSTANTIATE_TEST_SUITE_P(Levels, FastPaths, ::testing::ValuesIn(Params()), [](const auto& info) {
  return std::string(SimdLevelName(info.param.Level)) + "_" + std::to_string(info.param.Bits);
});

}  // namespace
}  // namespace opal::testing

// Flattening of layers, the edge cases of reading, masks, trimming and the
// transfer into pixel buffers, with values worked out by hand.
#include <gtest/gtest.h>

#include "brio_test_util.h"
#include "imagefiles/brio_flatten.h"
#include "raster/dibx.h"
#include "storage/zlib_codec.h"

namespace opal {
namespace {

using testing::Decode;
using testing::Encode;
using testing::NoisePicture;
using testing::SamePixels;
using testing::TBrioBytes;

std::unique_ptr<TBrioLayer> SolidLayer(int32_t w, int32_t h, int32_t bits, uint32_t value) {
  auto l = std::make_unique<TBrioLayer>();
  l->Image.SetSize(w, h, bits);
  l->Image.Fill(value);
  return l;
}

TBrioFrame Canvas(int32_t w, int32_t h, int32_t bits, uint32_t background) {
  TBrioFrame f;
  f.Picture.SetSize(w, h, bits);
  f.Picture.Fill(background);
  return f;
}

struct TKeyCase {
  int32_t Bits;
  uint32_t Bottom, Top, Key;
};

TEST(BrioFlatten, KeyedLayerAtEachDepth) {
  const TKeyCase cases[] = {{1, 1, 0, 1},           {4, 3, 9, 12},
                            {8, 7, 200, 13},        {15, 0x1234, 0x7FFF, 0x0421},
                            {16, 0xF00F, 0x1234, 0xFFFF}, {24, 0x102030, 0xABCDEF, 0x00FF00},
                            {32, 0x01020304, 0xAABBCCDD, 0x00FF00FF}};
  for (const TKeyCase& c : cases) {
    TBrioFrame f = Canvas(6, 2, c.Bits, 0);
    f.Layers.push_back(SolidLayer(6, 2, c.Bits, c.Bottom));
    auto top = SolidLayer(6, 2, c.Bits, c.Top);
    for (int32_t x = 0; x < 6; x += 2) top->Image.SetPixel(x, 1, c.Key);
    top->TransparentValue = static_cast<int32_t>(c.Key);
    f.Layers.push_back(std::move(top));
    FlattenFrame(f, false, f.Picture.GetPixel(0, 0));
    for (int32_t x = 0; x < 6; ++x) {
      EXPECT_EQ(f.Picture.GetPixel(x, 0), c.Top) << c.Bits;
      EXPECT_EQ(f.Picture.GetPixel(x, 1), x % 2 == 0 ? c.Bottom : c.Top) << c.Bits << " x " << x;
    }
  }
}

TEST(BrioFlatten, KeyComparesThreeBytesOn24AndTheWordOn32) {
  TBrioFrame f24 = Canvas(1, 1, 24, 0x111111);
  f24.Layers.push_back(SolidLayer(1, 1, 24, 0x00FF00));
  f24.Layers[0]->TransparentValue = 0x7F00FF00;  // the fourth byte is not compared
  FlattenFrame(f24, false, f24.Picture.GetPixel(0, 0));
  EXPECT_EQ(f24.Picture.GetPixel(0, 0), 0x111111u);

  TBrioFrame f32 = Canvas(1, 1, 32, 0x111111);
  f32.Layers.push_back(SolidLayer(1, 1, 32, 0x0100FF00));
  f32.Layers[0]->TransparentValue = 0x0000FF00;
  FlattenFrame(f32, false, f32.Picture.GetPixel(0, 0));
  EXPECT_EQ(f32.Picture.GetPixel(0, 0), 0x0100FF00u);
}

TEST(BrioFlatten, OpacityOnPaletteCanvasesDithers) {
  TBrioFrame f = Canvas(4, 4, 8, 0);
  f.Layers.push_back(SolidLayer(4, 4, 8, 1));
  f.Layers[0]->Opacity = 128;  // level 8
  FlattenFrame(f, false, f.Picture.GetPixel(0, 0));
  const int dither[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
  int shown = 0;
  for (int32_t y = 0; y < 4; ++y)
    for (int32_t x = 0; x < 4; ++x) {
      EXPECT_EQ(f.Picture.GetPixel(x, y), dither[y][x] <= 8 ? 1u : 0u);
      shown += f.Picture.GetPixel(x, y) == 1;
    }
  EXPECT_EQ(shown, 9);

  TBrioFrame full = Canvas(4, 4, 4, 0);
  full.Layers.push_back(SolidLayer(4, 4, 4, 5));
  full.Layers[0]->Opacity = 240;  // level 15 copies every pixel
  FlattenFrame(full, false, full.Picture.GetPixel(0, 0));
  for (int32_t i = 0; i < 16; ++i) EXPECT_EQ(full.Picture.GetPixel(i % 4, i / 4), 5u);
}

struct TMixCase {
  int32_t Bits;
  uint32_t Dest, Src, Weight, AlphaResult, OpacityResult;
};

TEST(BrioFlatten, AlphaAndOpacityBlendsPerDepth) {
  // Alpha: (D·(255 − m) + S·m) >> 8; opacity: div 255, but >> 8 on 32 bits.
  const TMixCase cases[] = {
      {32, 0x00102030, 0xFFF0E0D0, 128, 0x007F7F7F, 0x007F7F7F},
      {32, 0x00000000, 0xFFFFFFFF, 128, 0x007F7F7F, 0x007F7F7F},
      {24, 0x000000, 0xFFFFFF, 128, 0x7F7F7F, 0x808080},
      {24, 0xFFFFFF, 0x000000, 128, 0x7E7E7E, 0x7F7F7F},
      {16, 0xFFFF, 0x0000, 128, 0x7BEF, 0x7BEF},
      {15, 0x0000, 0x7FFF, 128, 0x3DEF, 0x3DEF},
  };
  for (const TMixCase& c : cases) {
    TBrioFrame f = Canvas(3, 1, c.Bits, c.Dest);
    f.Layers.push_back(SolidLayer(3, 1, c.Bits, c.Dest));
    auto top = SolidLayer(3, 1, c.Bits, c.Src);
    top->UseAlpha = true;
    top->Image.AlphaPlane = std::make_unique<TDIBSurface>();
    top->Image.AlphaPlane->SetSize(3, 1, 8);
    top->Image.AlphaPlane->SetPixel(0, 0, 0);
    top->Image.AlphaPlane->SetPixel(1, 0, c.Weight);
    top->Image.AlphaPlane->SetPixel(2, 0, 255);
    f.Layers.push_back(std::move(top));
    FlattenFrame(f, false, f.Picture.GetPixel(0, 0));
    EXPECT_EQ(f.Picture.GetPixel(0, 0), c.Dest) << c.Bits;
    EXPECT_EQ(f.Picture.GetPixel(1, 0), c.AlphaResult) << c.Bits;
    EXPECT_EQ(f.Picture.GetPixel(2, 0), c.Src) << c.Bits;
    EXPECT_FALSE(f.Picture.HasAlpha());  // the first visible layer has none

    TBrioFrame g = Canvas(1, 1, c.Bits, c.Dest);
    g.Layers.push_back(SolidLayer(1, 1, c.Bits, c.Src));
    g.Layers[0]->Opacity = static_cast<int32_t>(c.Weight);
    FlattenFrame(g, false, g.Picture.GetPixel(0, 0));
    EXPECT_EQ(g.Picture.GetPixel(0, 0), c.OpacityResult) << c.Bits;
  }
  TBrioFrame p = Canvas(2, 1, 8, 3);
  p.Layers.push_back(SolidLayer(2, 1, 8, 3));
  auto top = SolidLayer(2, 1, 8, 9);
  top->UseAlpha = true;
  top->Image.AlphaPlane = std::make_unique<TDIBSurface>();
  top->Image.AlphaPlane->SetSize(2, 1, 8);
  top->Image.AlphaPlane->SetPixel(0, 0, 127);
  top->Image.AlphaPlane->SetPixel(1, 0, 128);
  p.Layers.push_back(std::move(top));
  FlattenFrame(p, false, p.Picture.GetPixel(0, 0));
  EXPECT_EQ(p.Picture.GetPixel(0, 0), 3u);
  EXPECT_EQ(p.Picture.GetPixel(1, 0), 9u);
}

// One 24-bit frame of layers through the encoder and the reader.
TBrioFrameList ReadBack(TBrioFrameList& list, TBrioEncodeOptions o = {}) {
  TBrioFrameList back;
  Decode(Encode(list, o), back);
  return back;
}

TEST(BrioRead, FirstLayerWithAlphaIsCopiedAndGivesTheFrameItsAlpha) {
  TBrioFrameList list;
  TBrioFrame* f = list.AddFrame();
  auto l = SolidLayer(2, 1, 24, 0x445566);
  l->UseAlpha = true;
  l->TransparentValue = 0x445566;  // cleared by the alpha plane
  l->Image.AlphaPlane = std::make_unique<TDIBSurface>();
  l->Image.AlphaPlane->SetSize(2, 1, 8);
  l->Image.AlphaPlane->SetPixel(1, 0, 200);
  f->Layers.push_back(std::move(l));
  TBrioEncodeOptions o;
  o.BackgroundColor = 0x0000FF;
  const TBrioFrameList back = ReadBack(list, o);
  const TDIBSurface& p = back.Frames(0)->Picture;
  EXPECT_EQ(p.GetPixel(0, 0), 0x445566u);
  EXPECT_EQ(p.GetPixel(1, 0), 0x445566u);
  ASSERT_TRUE(p.HasAlpha());
  EXPECT_EQ(p.AlphaPlane->GetPixel(0, 0), 0u);
  EXPECT_EQ(p.AlphaPlane->GetPixel(1, 0), 200u);
}

TEST(BrioRead, BackgroundShowsWhenNoLayerIsVisible) {
  struct TCase {
    int32_t Bits;
    uint32_t Want;
  };
  // Background 0x00BBGGRR = blue 0x10, green 0x80, red 0xF0.
  for (const TCase& c : {TCase{24, 0xF08010}, TCase{32, 0xF08010}, TCase{16, 0xF402}, TCase{15, 0x7A02},
                         TCase{8, 2}}) {
    TBrioFrameList list;
    TBrioFrame* f = list.AddFrame();
    f->Layers.push_back(SolidLayer(3, 2, c.Bits, 1));
    f->Layers[0]->Visible = false;
    f->Layers[0]->Image.ColorTable[2] = {0x12, 0x7F, 0xEE, 0};
    TBrioEncodeOptions o;
    o.BackgroundColor = 0x1080F0;
    const TBrioFrameList back = ReadBack(list, o);
    for (int32_t i = 0; i < 6; ++i) EXPECT_EQ(back.Frames(0)->Picture.GetPixel(i % 3, i / 3), c.Want) << c.Bits;
  }
}

TEST(BrioRead, AlphaLayerAboveAnInvisibleOneCompositesOntoTheBackground) {
  TBrioFrameList list;
  TBrioFrame* f = list.AddFrame();
  f->Layers.push_back(SolidLayer(2, 1, 32, 0x00FFFFFF));
  f->Layers[0]->Visible = false;
  auto top = SolidLayer(2, 1, 32, 0x00123456);
  top->UseAlpha = true;
  top->Image.AlphaPlane = std::make_unique<TDIBSurface>();
  top->Image.AlphaPlane->SetSize(2, 1, 8);
  top->Image.AlphaPlane->SetPixel(1, 0, 255);
  f->Layers.push_back(std::move(top));
  TBrioEncodeOptions o;
  o.BackgroundColor = 0x0000FF;
  const TBrioFrameList back = ReadBack(list, o);
  EXPECT_EQ(back.Frames(0)->Picture.GetPixel(0, 0), 0xFF0000u);  // the background
  EXPECT_EQ(back.Frames(0)->Picture.GetPixel(1, 0), 0x123456u);
  EXPECT_TRUE(back.Frames(0)->HasAlpha());
}

TEST(BrioRead, OpaqueOnlyLayerIsAnExactCopy) {
  TBrioFrameList list;
  TBrioFrame* f = list.AddFrame();
  f->Picture = NoisePicture(5, 4, 32);
  TBrioEncodeOptions o;
  o.BackgroundColor = 0x123456;
  EXPECT_TRUE(SamePixels(ReadBack(list, o).Frames(0)->Picture, f->Picture));
}

TEST(BrioRead, OpaqueBottomFromVersion105CopiesTheKeyToo) {
  TBrioFrameList list;
  TBrioFrame* f = list.AddFrame();
  f->Layers.push_back(SolidLayer(1, 1, 24, 0x00AA00));
  f->Layers[0]->TransparentValue = 0x00AA00;
  TBrioEncodeOptions o;
  o.OpaqueBottom = true;
  o.BackgroundColor = 0x0000FF;  // red, 0xFF0000 as a raw value
  o.Version = 105;
  EXPECT_EQ(ReadBack(list, o).Frames(0)->Picture.GetPixel(0, 0), 0x00AA00u);
  o.Version = 104;  // not read before 105: the key pixel shows the background
  EXPECT_EQ(ReadBack(list, o).Frames(0)->Picture.GetPixel(0, 0), 0xFF0000u);
}

TEST(BrioRead, NoMagicIsVersionZero) {
  TBrioBytes b;
  b.I32(1).U8(0);  // frame count, skipped byte, no background
  b.Frame(1, 2, 1, 24, -1, 33);
  b.I32(0).I32(0).U8(1).I32(-1).I32(255).Str("L");  // no use-alpha byte
  const std::vector<uint8_t> row = {1, 2, 3, 4, 5, 6, 0, 0};
  b.Block(Deflate(row.data(), row.size()));  // no alpha data, no rectangles
  TBrioFrameList list;
  Decode(b.Data, list);
  EXPECT_EQ(list.Version, 0);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Frames(0)->DisplayTime, 33);
  EXPECT_EQ(list.Frames(0)->Picture.GetPixel(0, 0), 0x030201u);
  EXPECT_EQ(list.Frames(0)->Picture.GetPixel(1, 0), 0x060504u);
}

TEST(BrioRead, FirstOnlyReadsOneFrameAndStops) {
  TBrioFrameList list;
  for (int i = 0; i < 5; ++i) list.AddFrame()->Picture = NoisePicture(3, 3, 8, i);
  const std::vector<uint8_t> bytes = Encode(list, {});
  TMemoryStream s(bytes);
  TBrioFrameList back;
  back.LoadFromStream(s, true);
  EXPECT_EQ(back.Count(), 1);
  EXPECT_LT(s.Position(), s.Size());
  s.SetPosition(0);
  back.LoadFromStream(s, false);
  EXPECT_EQ(back.Count(), 5);
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(BrioRead, AlphaSizeZeroOrNegativeMeansNoPlaneAndRectCountsBelowZeroReadNothing) {
  for (int32_t alphaSize : {0, -4}) {
    TBrioBytes b;
    b.Header(104, 1, 0, 1).Frame(1, 1, 1, 8);
    for (int i = 0; i < 256; ++i) b.I32(i);
    b.Layer(5, 255, 1).Block({5, 0, 0, 0}).I32(alphaSize);
    b.I32(-3).I32(1).I32(0).I32(0).I32(1).I32(1);
    TBrioFrameList list;
    list.KeepLayers = true;
    Decode(b.Data, list);
    const TBrioFrame& f = *list.Frames(0);
    EXPECT_FALSE(f.Layers[0]->Image.HasAlpha());
    EXPECT_EQ(f.Layers[0]->TransparentValue, 5);  // kept without a plane
    EXPECT_TRUE(f.DrawRects.empty());
    EXPECT_EQ(f.AuxRects, (std::vector<TRect>{{0, 0, 1, 1}}));
    EXPECT_EQ(f.TransparentValue, -1);
  }
}

TEST(BrioFrame, MakeMaskFromTheTransparentValue) {
  TBrioFrame f = Canvas(3, 1, 16, 0x1234);
  f.Picture.SetPixel(1, 0, 0x0001);
  f.TransparentValue = 0x1234;
  f.MakeMask();
  ASSERT_TRUE(f.HasAlpha());
  EXPECT_EQ(f.Picture.AlphaPlane->GetPixel(0, 0), 0u);
  EXPECT_EQ(f.Picture.AlphaPlane->GetPixel(1, 0), 255u);
  f.Picture.AlphaPlane->SetPixel(0, 0, 77);
  f.MakeMask();  // a frame with a plane is left alone
  EXPECT_EQ(f.Picture.AlphaPlane->GetPixel(0, 0), 77u);
}

TEST(BrioFrame, TrimCases) {
  TRect r;
  TBrioFrame none = Canvas(4, 3, 24, 5);  // no transparency: nothing changes
  none.Trim(r);
  EXPECT_EQ(r, (TRect{0, 0, 4, 3}));
  EXPECT_EQ(none.Picture.Width(), 4);

  TBrioFrame all = Canvas(4, 3, 24, 5);  // transparent everywhere
  all.TransparentValue = 5;
  all.TransparentColor = all.Picture.ValueToColor(5);
  all.Trim(r);
  EXPECT_EQ(r, (TRect{0, 0, 1, 1}));
  EXPECT_EQ(all.Picture.Width(), 1);
  EXPECT_EQ(all.Picture.Height(), 1);

  TBrioFrame part = Canvas(6, 5, 8, 0);
  part.Picture.AlphaPlane = std::make_unique<TDIBSurface>();
  part.Picture.AlphaPlane->SetSize(6, 5, 8);
  part.Picture.AlphaPlane->SetPixel(2, 1, 9);
  part.Picture.AlphaPlane->SetPixel(3, 3, 9);
  part.Picture.SetPixel(2, 1, 42);
  part.Picture.ColorTable[42] = {1, 2, 3, 0};
  part.DrawRects = {{0, 0, 3, 2}, {4, 4, 6, 5}};
  part.AuxRects = {{3, 3, 10, 10}};
  part.Trim(r);
  EXPECT_EQ(r, (TRect{2, 1, 4, 4}));
  EXPECT_EQ(part.Picture.Width(), 2);
  EXPECT_EQ(part.Picture.Height(), 3);
  EXPECT_EQ(part.Picture.GetPixel(0, 0), 42u);
  EXPECT_EQ(part.Picture.ColorTable[42], (TRGBQuad{1, 2, 3, 0}));
  EXPECT_EQ(part.Picture.AlphaPlane->GetPixel(1, 2), 9u);
  EXPECT_EQ(part.DrawRects, (std::vector<TRect>{{0, 0, 1, 1}}));
  EXPECT_EQ(part.AuxRects, (std::vector<TRect>{{1, 2, 2, 3}}));
}

TEST(BrioFrame, ToPixelBufferAndMask) {
  TBrioFrame f = Canvas(2, 1, 24, 0);
  f.Picture.SetPixel(0, 0, 0x123456);
  f.Picture.SetPixel(1, 0, 0xABCDEF);
  f.DrawRects = {{0, 0, 1, 1}};
  TDIBX b;
  b.SetSize(1, 1, 32);
  f.ToPixelBuffer(b);
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.GetPixel(0, 0), 0x123456u);
  EXPECT_EQ(b.GetPixel(1, 0), 0xABCDEFu);
  EXPECT_EQ(b.DrawRects, f.DrawRects);

  TBrioFrame g = Canvas(1, 1, 32, 0xFF102030);
  g.ToPixelBuffer(b);
  EXPECT_EQ(b.GetPixel(0, 0), 0x00102030u);

  TBrioFrame p = Canvas(2, 1, 8, 1);
  p.Picture.ColorTable[1] = {0xFF, 0x00, 0x80, 0};  // red 0x80, blue 0xFF
  p.Picture.AlphaPlane = std::make_unique<TDIBSurface>();
  p.Picture.AlphaPlane->SetSize(2, 1, 8);
  p.Picture.AlphaPlane->SetPixel(1, 0, 99);
  TDIBX c;
  c.SetSize(1, 1, 32);
  p.ToPixelBuffer(c);
  EXPECT_EQ(c.GetPixel(1, 0), 0x008000FFu);
  TDIBX m;
  p.MaskToPixelBuffer(m);
  EXPECT_EQ(m.BitCount(), 8);
  EXPECT_EQ(m.GetPixel(0, 0), 0u);
  EXPECT_EQ(m.GetPixel(1, 0), 99u);
}

}  // namespace
}  // namespace opal

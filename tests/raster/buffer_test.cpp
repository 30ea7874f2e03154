// The buffer itself: sizes, formats, colour conversion, clipping, fills that
// need no blending rule, Assign and PNG output.
#include <png.h>

#include <cstring>

#include "common/error.h"
#include "raster/dibx.h"
#include "png_read.h"
#include "raster/png_writer.h"
#include "raster_test_util.h"
#include "test_util.h"

namespace opal::testing {
namespace {

TEST(DIBX, NewBufferIsEmptyWithoutKeyOrClip) {
  TDIBX b;
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_EQ(b.TransparentColor, -1);
  EXPECT_EQ(b.ClipRect.Right, 0);
  EXPECT_EQ(b.BitCount(), 15);
  // Drawing into it touches nothing and reads nothing.
  EXPECT_EQ(b.GetPixel(0, 0), 0u);
  b.FillRect({0, 0, 10, 10}, 0xFFFF);
}

TEST(DIBX, SetSizeRefusesNegativeHugeAndUnknownDepths) {
  TDIBX b;
  const struct {
    int32_t W, H, Bits;
  } bad[] = {
      {-1, 10, 32},    {10, -1, 32},         {32769, 1, 8},     {1, 32769, 8},
      {32768, 32768, 32} /* 4 GiB */,        {100, 100, 12},    {100, 100, 0},
      {INT32_MIN, INT32_MIN, 32},            {INT32_MAX, 1, 1},
  };
  b.SetSize(3, 2, 32);
  for (const auto& c : bad) {
    EXPECT_THROW(b.SetSize(c.W, c.H, c.Bits), EOpalError) << c.W << "x" << c.H << "@" << c.Bits;
    // A refused size leaves the buffer as it was.
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.BitCount(), 32);
  }
  b.SetSize(0, 5, 32);
  EXPECT_TRUE(b.Empty());
  b.FillRect({0, 0, 5, 5}, 1);
}

TEST(DIBX, FormatsReportMasksShiftsAndStorage) {
  const struct {
    int32_t Bits, Surface;
    uint32_t R, G, B;
    int32_t RS, GS;
  } cases[] = {
      {15, 16, 0x7C00, 0x03E0, 0x001F, 10, 5},
      {16, 16, 0xF800, 0x07E0, 0x001F, 11, 5},
      {24, 24, 0xFF0000, 0x00FF00, 0x0000FF, 16, 8},
      {32, 32, 0xFF0000, 0x00FF00, 0x0000FF, 16, 8},
  };
  for (const auto& c : cases) {
    TDIBX b;
    b.SetSize(5, 3, c.Bits);
    EXPECT_EQ(b.BitCount(), c.Bits);
    EXPECT_EQ(b.SurfaceBitCount(), c.Surface);
    EXPECT_EQ(b.RedMask(), c.R);
    EXPECT_EQ(b.GreenMask(), c.G);
    EXPECT_EQ(b.BlueMask(), c.B);
    EXPECT_EQ(b.RedShift(), c.RS);
    EXPECT_EQ(b.GreenShift(), c.GS);
    EXPECT_EQ(b.BlueShift(), 0);
    // Bottom-up rows padded to 4 bytes.
    EXPECT_EQ(b.RowStep(), -((5 * c.Surface + 31) / 32 * 4));
    EXPECT_EQ(b.PixelAddress(0, 1) - b.PixelAddress(0, 0), b.RowStep());
  }
}

TEST(DIBX, SetBitCountChangesDepthOnlyWhenDifferent) {
  TDIBX b;
  b.SetSize(4, 4, 32);
  b.SetPixel(1, 1, 0x123456);
  b.SetBitCount(32);
  EXPECT_EQ(b.GetPixel(1, 1), 0x123456u);
  b.SetBitCount(15);
  EXPECT_EQ(b.BitCount(), 15);
  EXPECT_EQ(b.SurfaceBitCount(), 16);
  EXPECT_EQ(b.Width(), 4);
  b.Clear(0x7FFF);  // the new storage covers the whole buffer
  EXPECT_EQ(b.GetPixel(3, 3), 0x7FFFu);
}

TEST(DIBX, ColorToPixelTruncatesEachChannel) {
  // 0x00BBGGRR in: blue 0xFF, green 0x80, red 0x44.
  const struct {
    int32_t Bits, In, Out;
  } cases[] = {
      {32, 0x00FF8044, 0x004480FF},
      {16, 0x00FF8044, (0x44 >> 3) << 11 | (0x80 >> 2) << 5 | 0x1F},  // 0x441F
      {15, 0x00FF8044, (0x44 >> 3) << 10 | (0x80 >> 3) << 5 | 0x1F},  // 0x221F
      {16, 0x00070307, 0},                                           // every channel below one step
      {8, 0x00FF8044, 0x00FF8044},
      {24, 0x00FF8044, 0x00FF8044},
      {32, -5, -1},
      {16, -1, -1},
  };
  for (const auto& c : cases) {
    TDIBX b;
    b.SetSize(1, 1, c.Bits);
    EXPECT_EQ(b.ColorToPixel(c.In), c.Out) << c.Bits << " " << std::hex << c.In;
  }
}

TEST(DIBX, SubBytePixelsSitMostSignificantFirst) {
  TDIBX mono;
  mono.SetSize(10, 2, 1);
  mono.Clear(0);
  mono.SetPixel(0, 0, 1);
  mono.SetPixel(9, 0, 1);
  EXPECT_EQ(*mono.PixelAddress(0, 0), 0x80);
  EXPECT_EQ(*(mono.PixelAddress(0, 0) + 1) & 0xC0, 0x40);  // the row's padding bits are not pixels
  EXPECT_EQ(mono.GetPixel(9, 0), 1u);
  EXPECT_EQ(mono.GetPixel(8, 0), 0u);
  TDIBX nib;
  nib.SetSize(3, 1, 4);
  nib.Clear(0);
  nib.SetPixel(0, 0, 0xA);
  nib.SetPixel(1, 0, 0x5);
  EXPECT_EQ(*nib.PixelAddress(0, 0), 0xA5);
  EXPECT_EQ(nib.GetPixel(1, 0), 5u);
}

TEST(DIBX, ClearFillsEveryDepthCompletelyWhateverTheClip) {
  for (int32_t bits : {1, 4, 8, 15, 16, 24, 32}) {
    TDIBX b;
    b.SetSize(13, 3, bits);
    b.SetClipRect({2, 1, 4, 2});
    const uint32_t v = bits == 1 ? 1 : bits == 4 ? 9 : bits == 8 ? 0xAB : bits <= 16 ? 0x7ABC
                       : bits == 24 ? 0xABCDEF : 0x89ABCDEF;
    b.Clear(v);
    for (uint32_t p : Pixels(b)) ASSERT_EQ(p, v) << bits;
    EXPECT_EQ(b.ClipRect, (TRect{2, 1, 4, 2}));
  }
}

TEST(DIBX, ClipRectangles) {
  auto b = MakeBuffer(10, 8, 32);
  // Right = 0 is no clip, whatever else the rectangle says.
  b->SetClipRect({5, 5, 0, 6});
  EXPECT_EQ(b->EffectiveClip(), (TRect{0, 0, 10, 8}));
  b->FillRect({0, 0, 10, 8}, 1);
  for (uint32_t p : Pixels(*b)) ASSERT_EQ(p, 1u);

  // A clip larger than the buffer is cut to it.
  b->SetClipRect({-5, -5, 100, 100});
  EXPECT_EQ(b->EffectiveClip(), (TRect{0, 0, 10, 8}));

  b->ResetClip();
  b->AddClipRect({20, 20, 30, 30});  // outside: no clip stays no clip
  EXPECT_EQ(b->ClipRect.Right, 0);
  b->AddClipRect({-3, 1, 2, 3});  // clamped to the buffer
  EXPECT_EQ(b->ClipRect, (TRect{0, 1, 2, 3}));
  b->AddClipRect({6, 5, 8, 7});
  EXPECT_EQ(b->ClipRect, (TRect{0, 1, 8, 7}));
  b->AddClipRect({50, 50, 60, 60});
  EXPECT_EQ(b->ClipRect, (TRect{0, 1, 8, 7}));
  b->Clear(0);
  b->FillRect({-100, -100, 100, 100}, 2);
  for (int32_t y = 0; y < 8; ++y)
    for (int32_t x = 0; x < 10; ++x)
      ASSERT_EQ(b->GetPixel(x, y), x < 8 && y >= 1 && y < 7 ? 2u : 0u) << x << "," << y;
  b->ResetClip();
  EXPECT_EQ(b->ClipRect.Right, 0);
}

TEST(DIBX, FramesDrawFourStripsInside) {
  auto b = MakeBuffer(8, 7, 32);
  b->FrameRect({1, 1, 7, 6}, 1, 9);
  const char* expected[] = {
      "........",
      ".######.",
      ".#....#.",
      ".#....#.",
      ".#....#.",
      ".######.",
      "........",
  };
  for (int32_t y = 0; y < 7; ++y)
    for (int32_t x = 0; x < 8; ++x)
      ASSERT_EQ(b->GetPixel(x, y), expected[y][x] == '#' ? 9u : 0u) << x << "," << y;

  // Thicker than half the height: only the top and bottom strips, which
  // overlap in the middle row (seen by adding twice there).
  auto a = MakeBuffer(4, 5, 32);
  a->FrameRectAdd({0, 0, 4, 5}, 3, 0x00101010);
  for (int32_t y = 0; y < 5; ++y)
    EXPECT_EQ(a->GetPixel(1, y), y == 2 ? 0x00202020u : 0x00101010u) << y;

  auto f = MakeBuffer(6, 6, 32, 0x00000000);
  f->FrameRectAlpha({0, 0, 6, 6}, 2, 0x00FFFFFF, 0);  // opacity 0 draws nothing
  for (uint32_t p : Pixels(*f)) ASSERT_EQ(p, 0u);
  f->FrameRectAlpha({0, 0, 6, 6}, 2, 0x00FFFFFF, 128);
  EXPECT_EQ(f->GetPixel(0, 3), 0x007F7F7Fu);
  EXPECT_EQ(f->GetPixel(2, 2), 0u);
}

TEST(DIBX, AssignCopiesBytesOnlyBetweenEqualDepths) {
  auto src = MakeBuffer(5, 3, 32);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) src->SetPixel(x, y, 0xFF000000u | (x * 0x40) << 16 | y);
  src->SetClipRect({0, 0, 1, 1});  // no effect on the source side

  TDIBX same;
  same.SetSize(5, 3, 32);
  same.SetClipRect({0, 0, 1, 1});  // byte copy ignores the clip
  same.Assign(src.get());
  EXPECT_EQ(Pixels(same), Pixels(*src));

  // Another depth is drawn, converting each pixel by truncation.
  TDIBX word;
  word.SetSize(5, 3, 16);
  word.Clear(0);
  word.Assign(src.get());
  EXPECT_EQ(word.GetPixel(3, 2), (0xC0u >> 3) << 11 | 0);
  EXPECT_EQ(word.GetPixel(0, 0), 0u);

  // Same depth, other size: drawn at (0, 0) into what overlaps.
  auto small = MakeBuffer(2, 2, 32, 7);
  small->Assign(src.get());
  EXPECT_EQ(small->GetPixel(1, 1), src->GetPixel(1, 1));

  // Sub-byte buffers of equal size copy; of different depth draw nothing.
  TDIBX m1, m2, n4;
  m1.SetSize(9, 2, 1);
  m1.Clear(1);
  m2.SetSize(9, 2, 1);
  m2.Clear(0);
  m2.Assign(&m1);
  for (uint32_t p : Pixels(m2)) ASSERT_EQ(p, 1u);
  n4.SetSize(9, 2, 4);
  n4.Clear(3);
  n4.Assign(&m1);
  for (uint32_t p : Pixels(n4)) ASSERT_EQ(p, 3u);
  same.Assign(nullptr);
  same.Assign(&same);
}

TEST(DIBX, SharedStorageAndUnshare) {
  std::vector<uint32_t> pixels(4 * 3, 0x00112233);
  TDIBX b;
  b.AttachShared(reinterpret_cast<uint8_t*>(pixels.data()), 4, 3, 32, 16);
  EXPECT_TRUE(b.Shared);
  b.SetPixel(1, 2, 0x00ABCDEF);
  EXPECT_EQ(pixels[2 * 4 + 1], 0x00ABCDEFu);
  b.Unshare();
  EXPECT_FALSE(b.Shared);
  b.SetPixel(1, 2, 5);
  EXPECT_EQ(pixels[2 * 4 + 1], 0x00ABCDEFu);
  EXPECT_EQ(b.GetPixel(1, 2), 5u);
  EXPECT_EQ(b.GetPixel(3, 0), 0x00112233u);
  // A row step too short for the width is refused.
  TDIBX c;
  c.AttachShared(reinterpret_cast<uint8_t*>(pixels.data()), 4, 3, 32, 8);
  EXPECT_FALSE(c.Shared);
  EXPECT_TRUE(c.Empty());
}

TEST(DIBX, ReleaseImageAndPalette) {
  TDIBX b;
  b.SetSize(20, 20, 8);
  TRGBQuad in[3] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};
  b.SetPaletteEntries(in, 254, 3);  // the third one falls off the end
  TRGBQuad out[4];
  b.GetPaletteEntries(out, 253, 4);
  EXPECT_EQ(out[1], in[0]);
  EXPECT_EQ(out[2], in[1]);
  EXPECT_EQ(out[3], TRGBQuad{});
  b.ReleaseImage();
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.BitCount(), 8);
}

TEST(PngWriter, WritesWhatTheBufferShows) {
  TempDir dir;
  auto b = MakeBuffer(3, 2, 32);
  b->SetPixel(0, 0, 0xFF102030);  // the fourth byte is dropped
  b->SetPixel(2, 1, 0x00FFFFFF);
  SavePng(*b, dir / "a.png");
  uint32_t w = 0, h = 0;
  std::vector<uint8_t> rgb = testing::ReadPngRgb(dir / "a.png", w, h);
  ASSERT_EQ(rgb.size(), 18u);
  EXPECT_EQ(w, 3u);
  EXPECT_EQ(h, 2u);
  EXPECT_EQ(rgb[0], 0x10);
  EXPECT_EQ(rgb[1], 0x20);
  EXPECT_EQ(rgb[2], 0x30);
  EXPECT_EQ(rgb[15], 0xFF);

  // 5-6-5 full intensity stays full; 5-bit 0x10 widens to 0x84.
  auto word = MakeBuffer(2, 1, 16);
  word->SetPixel(0, 0, 0xFFFF);
  word->SetPixel(1, 0, 0x10 << 11);
  SavePng(*word, dir / "w.png");
  rgb = testing::ReadPngRgb(dir / "w.png", w, h);
  ASSERT_EQ(rgb.size(), 6u);
  EXPECT_EQ(rgb[0], 0xFF);
  EXPECT_EQ(rgb[1], 0xFF);
  EXPECT_EQ(rgb[3], 0x84);
  EXPECT_EQ(rgb[4], 0x00);

  auto grey = MakeBuffer(2, 2, 8, 0x40);
  SavePng(*grey, dir / "g.png");
  rgb = testing::ReadPngRgb(dir / "g.png", w, h);
  ASSERT_EQ(rgb.size(), 12u);
  EXPECT_EQ(rgb[0], 0x40);

  TDIBX empty;
  EXPECT_THROW(SavePng(empty, dir / "e.png"), EOpalError);
  EXPECT_THROW(SavePng(*b, dir / "no/such/dir/x.png"), EOpalError);
}

}  // namespace
}  // namespace opal::testing

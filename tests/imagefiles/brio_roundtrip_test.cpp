// Encoding and decoding layered images: every depth, storage mode, row
// order, tiling and version gives back the pixels it was given.
#include <gtest/gtest.h>

#include <tuple>

#include "brio_test_util.h"
#include "hand_bytes.h"
#include "imagefiles/brio_blocks.h"
#include "storage/sk_random.h"

namespace opal {
namespace {

using testing::Decode;
using testing::Encode;
using testing::NoiseAlpha;
using testing::NoisePicture;
using testing::SamePixels;

TEST(BrioOrder, MatchesThePoolDraw) {
  for (int32_t seed : {0, 1, 12345, -7, 0x7FFFFFFF}) {
    for (int32_t n : {0, 1, 2, 17, 300}) {
      TSkRandom r(seed);
      r.SetPool(n);
      const std::vector<int32_t> order = TileSeedOrder(seed, n);
      for (int32_t i = 0; i < n; ++i) ASSERT_EQ(order[i], r.Draw()) << seed << " " << n << " " << i;
    }
  }
  const std::vector<int32_t> natural = TileSeedOrder(0, 5);
  EXPECT_EQ(natural, (std::vector<int32_t>{0, 1, 2, 3, 4}));
}

// depth, mode, scrambled, tile size, version
using TCase = std::tuple<int32_t, int32_t, bool, int32_t, int32_t>;

class BrioRoundTrip : public ::testing::TestWithParam<TCase> {};

TEST_P(BrioRoundTrip, GivesBackThePixels) {
  const auto [bits, mode, scrambled, tile, version] = GetParam();
  const int32_t seed = scrambled ? 987654 : 0;
  TBrioFrameList list(seed);
  // Two frames: the second repeats most of the first, so that tiles are
  // reused from the same image and from the earlier frame.
  for (int f = 0; f < 2; ++f) {
    TBrioFrame* frame = list.AddFrame();
    frame->Picture = NoisePicture(37, 21, bits, 11);
    if (f == 1)
      for (int32_t x = 0; x < 9; ++x) frame->Picture.SetPixel(x, 3, static_cast<uint32_t>(x));
    for (int32_t y = 8; y < 16; ++y)  // a repeated block inside the image
      for (int32_t x = 0; x < 37; ++x) frame->Picture.SetPixel(x, y, frame->Picture.GetPixel(x % 8, y - 8));
    if (version >= 101) frame->Picture.AlphaPlane = NoiseAlpha(37, 21, 5 + f);
    frame->DisplayTime = 40 + f;
    frame->Name = "f" + std::to_string(f);
    if (version >= 104) frame->DrawRects = {{1, 2, 3, 4}};
  }
  TBrioEncodeOptions o;
  o.Version = version;
  o.Mode = mode;
  o.Scrambled = scrambled;
  o.TileWidth = o.TileHeight = tile;
  o.TileSeed = seed;
  const std::vector<uint8_t> bytes = Encode(list, o);
  TBrioFrameList back(seed);
  Decode(bytes, back);
  ASSERT_EQ(back.Count(), 2);
  EXPECT_EQ(back.Version, version);
  for (int f = 0; f < 2; ++f) {
    const TBrioFrame& a = *list.Frames(f);
    const TBrioFrame& b = *back.Frames(f);
    EXPECT_TRUE(SamePixels(a.Picture, b.Picture)) << "frame " << f;
    if (bits <= 8) {
      EXPECT_EQ(a.Picture.ColorTable[(1 << bits) - 1], b.Picture.ColorTable[(1 << bits) - 1]);
    }
    EXPECT_EQ(b.DisplayTime, 40 + f);
    EXPECT_EQ(b.Name, a.Name);
    EXPECT_EQ(b.DrawRects, a.DrawRects);
    EXPECT_TRUE(b.Layers.empty());
  }
}

std::vector<TCase> RoundTripCases() {
  std::vector<TCase> out;
  for (int32_t bits : {1, 4, 8, 15, 16, 24, 32}) {
    for (int32_t version : {0, 100, 101, 102}) out.emplace_back(bits, 0, false, 0, version);
    for (int32_t version : {103, 104, 106})
      for (int32_t mode : {0, 1})
        for (bool scrambled : {false, true})
          for (int32_t tile : {0, 8}) out.emplace_back(bits, mode, scrambled, tile, version);
    out.emplace_back(bits, 0, true, 16, 105);
  }
  return out;
}

INSTANTIATE_TEST_SUITE_P(Table, BrioRoundTrip, ::testing::ValuesIn(RoundTripCases()));

TEST(BrioOrder, SeedZeroScramblesNothing) {
  TBrioFrameList list;
  list.AddFrame()->Picture = NoisePicture(13, 11, 16);
  TBrioEncodeOptions plain;
  plain.Mode = 1;
  for (int32_t tile : {0, 4}) {
    plain.TileWidth = plain.TileHeight = tile;
    TBrioEncodeOptions scrambled = plain;
    scrambled.Scrambled = true;
    std::vector<uint8_t> a = Encode(list, plain), b = Encode(list, scrambled);
    ASSERT_EQ(b[7 + 4 + 21], 1);
    b[7 + 4 + 21] = 0;
    EXPECT_EQ(a, b) << tile;
  }
}

TEST(BrioTiles, ReuseEarlierTilesAndFrames) {
  TBrioFrameList list;
  TBrioFrame* a = list.AddFrame();
  a->Picture.SetSize(16, 8, 8);
  for (int32_t x = 8; x < 16; ++x) a->Picture.SetPixel(x, 0, 1);  // tile 1 differs from tile 0
  TBrioFrame* b = list.AddFrame();
  b->Picture = a->Picture;
  b->Picture.SetPixel(9, 1, 2);  // tile 1 changes in the second frame
  TBrioEncodeOptions o;
  o.TileWidth = o.TileHeight = 8;
  const TBrioEncoder enc(o);
  EXPECT_EQ(enc.ChooseTiles(a->Picture, {}), (std::vector<TTileEntry>{{-1, 0}, {-1, 0}}));
  EXPECT_EQ(enc.ChooseTiles(b->Picture, {{&a->Picture}}), (std::vector<TTileEntry>{{0, 0}, {-1, 0}}));
  TBrioFrame* c = list.AddFrame();
  c->Picture.SetSize(16, 8, 8);  // two equal tiles
  EXPECT_EQ(enc.ChooseTiles(c->Picture, {}), (std::vector<TTileEntry>{{-1, 0}, {-2, 0}}));
  TBrioFrameList back;
  Decode(Encode(list, o), back);
  for (int f = 0; f < 3; ++f) EXPECT_TRUE(SamePixels(list.Frames(f)->Picture, back.Frames(f)->Picture));
}

TEST(BrioLayers, SeveralLayersWithNamesKeysAndOpacity) {
  TBrioFrameList list;
  TBrioFrame* f = list.AddFrame();
  for (int i = 0; i < 3; ++i) {
    auto l = std::make_unique<TBrioLayer>();
    l->Image = NoisePicture(9, 5, 24, 100 + i);
    l->Name = "layer" + std::to_string(i);
    l->Opacity = 255 - 50 * i;
    l->TransparentValue = i == 1 ? static_cast<int32_t>(l->Image.GetPixel(0, 0)) : -1;
    l->Visible = i != 2;
    f->Layers.push_back(std::move(l));
  }
  TBrioEncodeOptions o;
  o.TileWidth = o.TileHeight = 4;
  TBrioFrameList back;
  back.KeepLayers = true;
  Decode(Encode(list, o), back);
  const TBrioFrame& b = *back.Frames(0);
  ASSERT_EQ(b.Layers.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(b.Layers[i]->Name, f->Layers[i]->Name);
    EXPECT_EQ(b.Layers[i]->Opacity, f->Layers[i]->Opacity);
    EXPECT_EQ(b.Layers[i]->TransparentValue, f->Layers[i]->TransparentValue);
    EXPECT_EQ(b.Layers[i]->Visible, f->Layers[i]->Visible);
    EXPECT_TRUE(SamePixels(b.Layers[i]->Image, f->Layers[i]->Image));
  }
}

TEST(BrioJpeg, ModeTwoIsCloseAndAlphaExact) {
  for (int32_t bits : {24, 32, 16}) {
    TBrioFrameList list;
    TBrioFrame* f = list.AddFrame();
    f->Picture.SetSize(32, 16, bits);
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 32; ++x) f->Picture.SetPixel(x, y, f->Picture.ColorToValue(0x00204080 + x * 2));
    f->Picture.AlphaPlane = NoiseAlpha(32, 16);
    TBrioEncodeOptions o;
    o.Mode = 2;
    o.Quality = 95;
    TBrioFrameList back;
    Decode(Encode(list, o), back);
    const TDIBSurface& p = back.Frames(0)->Picture;
    ASSERT_EQ(p.BitCount(), bits);
    for (int32_t y = 0; y < 16; ++y)
      for (int32_t x = 0; x < 32; ++x) {
        const int32_t want = f->Picture.ValueToColor(f->Picture.GetPixel(x, y));
        const int32_t got = p.ValueToColor(p.GetPixel(x, y));
        for (int c = 0; c < 3; ++c) ASSERT_NEAR((want >> (8 * c)) & 0xFF, (got >> (8 * c)) & 0xFF, 12) << bits;
      }
    EXPECT_TRUE(SamePixels(*p.AlphaPlane, *f->Picture.AlphaPlane));
  }
}

TEST(BrioWriter, SaveToStreamModeOneLayout) {
  TBrioFrameList list;
  TBrioFrame* f = list.AddFrame();
  f->Picture.SetSize(2, 1, 24);
  f->Picture.SetPixel(0, 0, 0x112233);
  f->Picture.SetPixel(1, 0, 0x445566);
  TMemoryStream s;
  list.SaveToStream(s, 1, 70);
  testing::THandBytes want;
  want.Raw("Brio106").I32(40);
  want.I32(106).I32(2).I32(1).I32(24).I32(1).Raw({1, 0, 1, 0}).I32(0).I32(0).I32(0).Raw({0, 70, 0, 0});
  want.Str("").I32(-1).I32(100).U8(0).I32(0);
  want.I32(1).I32(2).I32(1).I32(24);
  want.I32(0).I32(0).U8(1).I32(-1).I32(255).U8(0).Str("Layer");
  want.I32(8).Raw({0x33, 0x22, 0x11, 0x66, 0x55, 0x44, 0, 0}).I32(0);
  want.I32(0).I32(0);
  EXPECT_EQ(s.Bytes(), want.Data);
}

TEST(BrioWriter, SeededListsWriteRawScrambledRows) {
  TBrioFrameList list(4242);
  TBrioFrame* f = list.AddFrame();
  f->Picture = NoisePicture(5, 9, 32);
  TMemoryStream s;
  list.SaveToStream(s, 0, 70);
  EXPECT_EQ(s.Bytes()[7 + 4 + 21], 1);
  EXPECT_EQ(s.Bytes()[7 + 4 + 22], 1);
  TBrioFrameList back(4242);
  s.SetPosition(0);
  back.LoadFromStream(s, false);
  EXPECT_TRUE(SamePixels(back.Frames(0)->Picture, f->Picture));
  TBrioFrameList wrong(1);  // another seed reads the rows in another order
  s.SetPosition(0);
  wrong.LoadFromStream(s, false);
  EXPECT_FALSE(SamePixels(wrong.Frames(0)->Picture, f->Picture));
}

TEST(BrioWriter, JpegAndZlibModes) {
  TBrioFrameList list;
  list.AddFrame()->Picture = NoisePicture(8, 8, 24);
  for (int32_t mode : {0, 2}) {
    TMemoryStream s;
    list.SaveToStream(s, mode, 50);
    EXPECT_EQ(s.Bytes()[7 + 4 + 22], mode);
    s.SetPosition(0);
    TBrioFrameList back;
    back.LoadFromStream(s, false);
    EXPECT_EQ(back.Frames(0)->Picture.Width(), 8);
  }
}

}  // namespace
}  // namespace opal

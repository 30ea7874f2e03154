#include <gtest/gtest.h>

#include <filesystem>

#include "common/error.h"
#include "hand_bytes.h"
#include "image_test_util.h"
#include "imagefiles/bmp_codec.h"
#include "imagefiles/brio_frame_list.h"
#include "imagefiles/image_loading.h"
#include "imagefiles/png_codec.h"
#include "raster/dibx.h"
#include "raster/pixel_format.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::NoisePicture;

std::vector<uint8_t> BmpBytes(const TDIBSurface& p) {
  TMemoryStream s;
  SaveBmp(p, s);
  return s.Bytes();
}

std::vector<uint8_t> PngBytes(const TDIBSurface& p) {
  TMemoryStream s;
  SavePng(p, s);
  return s.Bytes();
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  testing::WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

// A 2×1 buffer of one colour, to see whether a load changed it.
void MakeMarker(TDIBX& b, int32_t bits) {
  b.SetBitCount(bits);
  b.SetSize(2, 1, bits);
  b.Clear(5);
}

void ExpectMarker(TDIBX& b) {
  EXPECT_EQ(b.Width(), 2);
  EXPECT_EQ(b.Height(), 1);
  EXPECT_EQ(b.GetPixel(1, 0), 5u);
}

// Each pixel of a 24-bit picture, as a buffer of `bits` holds it.
void ExpectPixels(TDIBX& b, const TDIBSurface& picture24) {
  ASSERT_EQ(b.Width(), picture24.Width());
  ASSERT_EQ(b.Height(), picture24.Height());
  const TPixelFormat* to = FormatOf(b.BitCount());
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x)
      ASSERT_EQ(b.GetPixel(x, y), ConvertPixel(*FormatOf(24), *to, picture24.GetPixel(x, y)))
          << x << "," << y;
}

TEST(LoadDIBXFromStream, BitmapAndPngLandAtTheBuffersDepth) {
  const TDIBSurface picture = NoisePicture(7, 5, 24);
  for (const int32_t bits : {8, 15, 16, 24, 32}) {
    for (const bool png : {false, true}) {
      TMemoryStream s(png ? PngBytes(picture) : BmpBytes(picture));
      TDIBX b;
      MakeMarker(b, bits);
      LoadDIBXFromStream(b, &s, 0);
      EXPECT_EQ(b.BitCount(), bits);
      ExpectPixels(b, picture);
    }
  }
}

TEST(LoadDIBXFromStream, PaletteSourcesGoThroughTheirColours) {
  const TDIBSurface picture = NoisePicture(6, 3, 4);
  TDIBSurface rgb;
  rgb.SetSize(6, 3, 24);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 6; ++x) {
      const TRGBQuad& q = picture.ColorTable[picture.GetPixel(x, y)];
      rgb.SetPixel(x, y, uint32_t{q.Red} << 16 | uint32_t{q.Green} << 8 | q.Blue);
    }
  TMemoryStream s(PngBytes(picture));
  TDIBX b;
  MakeMarker(b, 16);
  LoadDIBXFromStream(b, &s, 0);
  ExpectPixels(b, rgb);
}

TEST(LoadDIBXFromStream, SignaturesAreTestedInOrderAndExactly) {
  struct Case {
    const char* name;
    std::string bytes;
    bool throws;  // recognised, then refused by its decoder
  };
  const std::vector<Case> cases = {
      {"BM first", "BM" + std::string(60, '\0'), true},
      {"PNG at offset 1", "\x89PNG" + std::string(60, '\0'), true},
      {"PNG after any first byte", "xPNG" + std::string(60, '\0'), true},
      {"Brio at 0", "Brio" + std::string(60, '\xFF'), true},
      {"PNG at 0 is not PNG", "PNG" + std::string(60, '\0'), false},
      {"lower-case bm", "bm" + std::string(60, '\0'), false},
      {"lower-case brio", "brio" + std::string(60, '\0'), false},
      {"short stream", "B", false},
      {"empty stream", "", false},
  };
  for (const Case& c : cases) {
    TMemoryStream s(std::vector<uint8_t>(c.bytes.begin(), c.bytes.end()));
    TDIBX b;
    MakeMarker(b, 24);
    if (c.throws) EXPECT_THROW(LoadDIBXFromStream(b, &s, 0), EOpalError) << c.name;
    else EXPECT_NO_THROW(LoadDIBXFromStream(b, &s, 0)) << c.name;
    ExpectMarker(b);
  }
  TDIBX b;
  MakeMarker(b, 24);
  LoadDIBXFromStream(b, nullptr, 0);
  ExpectMarker(b);
}

TEST(LoadDIBXFromStream, EmptyPictureLeavesTheBufferAlone) {
  TMemoryStream s(BmpBytes(TDIBSurface{}));
  TDIBX b;
  MakeMarker(b, 24);
  LoadDIBXFromStream(b, &s, 0);
  ExpectMarker(b);
}

TEST(LoadDIBXFromStream, LayeredFileShowsItsFirstFrameWithoutTransparency) {
  TBrioFrameList list;
  for (const uint32_t colour : {0x112233u, 0x445566u}) {
    TBrioFrame* f = list.AddFrame();
    f->Picture.SetSize(3, 2, 24);
    for (int32_t x = 0; x < 3; ++x) f->Picture.SetPixel(x, 1, colour);
    f->Picture.AlphaPlane = std::make_unique<TDIBSurface>();
    f->Picture.AlphaPlane->SetSize(3, 2, 8);  // fully transparent
  }
  TMemoryStream s;
  list.SaveToStream(s, 0, 70);
  TDIBX b;
  MakeMarker(b, 24);
  LoadDIBXFromStream(b, &s, 0);
  ASSERT_EQ(b.Width(), 3);
  EXPECT_EQ(b.GetPixel(2, 1), 0x112233u);
  EXPECT_EQ(b.GetPixel(2, 0), 0u);
}

TEST(LoadDIBXFromFile, OnlyBitmapFilesAreRead) {
  testing::TempDir dir;
  const TDIBSurface picture = NoisePicture(4, 3, 24);
  WriteBytes(dir / "a.BMP", BmpBytes(picture));
  WriteBytes(dir / "a.png", PngBytes(picture));
  WriteBytes(dir / "bitmap.dib", BmpBytes(picture));
  WriteBytes(dir / "bad.bmp", {'B', 'M', 1, 2, 3});

  TDIBX b;
  MakeMarker(b, 32);
  LoadDIBXFromFile(b, dir / "a.BMP");
  ExpectPixels(b, picture);
  for (const char* ignored : {"a.png", "bitmap.dib", "missing.bmp"}) {
    MakeMarker(b, 32);
    LoadDIBXFromFile(b, dir / ignored);
    ExpectMarker(b);
  }
  EXPECT_THROW(LoadDIBXFromFile(b, dir / "bad.bmp"), EOpalError);
}

TEST(SaveDIBXToFile, WritesTwentyFourBitBitmapsOnly) {
  testing::TempDir dir;
  TDIBX b;
  b.SetBitCount(16);
  b.SetSize(5, 2, 16);
  for (int32_t x = 0; x < 5; ++x) b.SetPixel(x, 1, 0xF800u | static_cast<uint32_t>(x));
  SaveDIBXToFile(b, dir / "shot.png");
  EXPECT_FALSE(std::filesystem::exists(dir / "shot.png"));
  SaveDIBXToFile(b, dir / "shot.Bmp");
  TMemoryStream s;
  s.LoadFromFile(dir / "shot.Bmp");
  TDIBSurface back;
  LoadBmp(s, back);
  ASSERT_EQ(back.BitCount(), 24);
  ASSERT_EQ(back.Width(), 5);
  for (int32_t x = 0; x < 5; ++x)
    EXPECT_EQ(back.GetPixel(x, 1), ConvertPixel(*FormatOf(16), *FormatOf(24), b.GetPixel(x, 1)));
}

struct TBmpBytes : testing::THandBytesOf<TBmpBytes> {};

TEST(FrameListLoadFromFile, ThirtyTwoBitBitmapSplitsIntoColourAndAlpha) {
  testing::TempDir dir;
  TBmpBytes b;  // 2×1, 32 bits, bottom-up
  b.Raw("BM").I32(0).I32(0).I32(54);
  b.I32(40).I32(2).I32(1).U8(1).U8(0).U8(32).U8(0).I32(0).I32(0).I32(0).I32(0).I32(0).I32(0);
  b.Raw({1, 2, 3, 0x40, 4, 5, 6, 0xC0});
  WriteBytes(dir / "x.bmp", b.Data);
  WriteBytes(dir / "x.DIB", b.Data);
  for (const char* name : {"x.bmp", "x.DIB"}) {
    TBrioFrameList list;
    list.AddFrame();
    list.AddFrame();
    list.LoadFromFile(dir / name, false);
    ASSERT_EQ(list.Count(), 1) << name;
    const TDIBSurface& p = list.Frames(0)->Picture;
    EXPECT_EQ(p.BitCount(), 24);
    EXPECT_EQ(p.GetPixel(0, 0), 0x030201u);
    EXPECT_EQ(p.GetPixel(1, 0), 0x060504u);
    ASSERT_TRUE(p.HasAlpha());
    EXPECT_EQ(p.AlphaPlane->GetPixel(0, 0), 0x40u);
    EXPECT_EQ(p.AlphaPlane->GetPixel(1, 0), 0xC0u);
    EXPECT_EQ(list.Frames(0)->TransparentValue, -1);
  }
}

TEST(FrameListLoadFromFile, PngKeepsAlphaOrReportsItsKeyColour) {
  testing::TempDir dir;
  TDIBSurface rgba = NoisePicture(3, 3, 24);
  testing::AddNoiseAlpha(rgba);
  WriteBytes(dir / "a.PNG", PngBytes(rgba));
  testing::TPngSpec keyed;
  keyed.Width = 2, keyed.ColorType = PNG_COLOR_TYPE_PALETTE;
  keyed.Palette = {{9, 9, 9}, {1, 2, 3}};
  keyed.TransAlpha = {255, 0};
  keyed.Rows = {{0, 1}};
  WriteBytes(dir / "k.png", testing::WritePng(keyed));

  TBrioFrameList list;
  list.LoadFromFile(dir / "a.PNG", false);
  ASSERT_EQ(list.Count(), 1);
  ASSERT_TRUE(list.Frames(0)->HasAlpha());
  EXPECT_EQ(list.Frames(0)->Picture.AlphaPlane->Bits(), rgba.AlphaPlane->Bits());
  EXPECT_EQ(list.Frames(0)->Picture.Bits(), rgba.Bits());

  list.LoadFromFile(dir / "k.png", false);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_FALSE(list.Frames(0)->HasAlpha());
  EXPECT_EQ(list.Frames(0)->TransparentValue, 1);
  EXPECT_EQ(list.Frames(0)->TransparentColor, 0x030201);
}

TEST(FrameListLoadFromFile, LayeredFilesAndOtherExtensions) {
  testing::TempDir dir;
  TBrioFrameList written;
  for (int i = 0; i < 2; ++i) {
    TBrioFrame* f = written.AddFrame();
    f->Picture.SetSize(2, 2, 24);
    f->Picture.SetPixel(1, 1, 0x0A0B0C + static_cast<uint32_t>(i));
  }
  written.SaveToFile(dir / "w.bri");
  WriteBytes(dir / "w.jpg", PngBytes(NoisePicture(2, 2, 24)));

  TBrioFrameList list;
  list.LoadFromFile(dir / "w.bri", false);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Frames(1)->Picture.GetPixel(1, 1), 0x0A0B0Du);
  list.LoadFromFile(dir / "w.jpg", false);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_THROW(list.LoadFromFile(dir / "missing.png", false), EStreamError);
}

TEST(FrameListLoadFromFile, DamagedFilesThrow) {
  testing::TempDir dir;
  std::vector<uint8_t> png = PngBytes(NoisePicture(8, 8, 24));
  png.resize(png.size() / 2);
  WriteBytes(dir / "cut.png", png);
  WriteBytes(dir / "cut.bmp", {'B', 'M', 0, 0});
  TBrioFrameList list;
  EXPECT_THROW(list.LoadFromFile(dir / "cut.png", false), EFormatError);
  EXPECT_THROW(list.LoadFromFile(dir / "cut.bmp", false), EOpalError);
}

}  // namespace
}  // namespace opal

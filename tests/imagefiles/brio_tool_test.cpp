// opaltool image encode / decode / info end to end, on PNGs this test writes
// with the project's PNG writer.
#include <gtest/gtest.h>

#include <array>

#include "brio_test_util.h"
#include "imagefiles/png_codec.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::NoisePicture;
using testing::RunTool;
using testing::TempDir;

void WritePng(const TDIBSurface& picture, const std::string& path) {
  TMemoryStream s;
  SavePng(picture, s);
  s.SaveToFile(path);
}

TDIBSurface ReadPng(const std::string& path) {
  TMemoryStream s;
  s.LoadFromFile(path);
  TDIBSurface p;
  int32_t transparent = -1;
  LoadPng(s, p, transparent);
  return p;
}

TEST(BrioTool, EncodeDecodeFramesAndLayers) {
  TempDir dir;
  const TDIBSurface a = NoisePicture(7, 5, 24, 1), b = NoisePicture(7, 5, 24, 2);
  WritePng(a, dir / "a.png");
  WritePng(b, dir / "b.png");
  auto r = RunTool({"image", "encode", "--tiles", "4x4", "--scramble", "--seed", "77", "--time", "40",
                    "--key", "0x102030", dir / "a.png", dir / "b.png", "-o", dir / "ab.bri"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  r = RunTool({"image", "info", "--seed", "77", dir / "ab.bri"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  EXPECT_NE(r.out.find("frames 2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("tiles 4x4"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("time 40 transparent 1056816"), std::string::npos) << r.out;  // 0x102030
  r = RunTool({"image", "decode", "--seed", "77", dir / "ab.bri", "-o", dir / "back.png"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  EXPECT_TRUE(testing::SamePixels(ReadPng(dir / "back-0.png"), a));
  EXPECT_TRUE(testing::SamePixels(ReadPng(dir / "back-1.png"), b));

  r = RunTool({"image", "encode", "--layers", "--version", "104", dir / "a.png", dir / "b.png", "-o", dir / "l.bri"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  r = RunTool({"image", "info", dir / "l.bri"});
  EXPECT_NE(r.out.find("frames 1"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("layers 2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("name \"b\""), std::string::npos) << r.out;
}

TEST(BrioTool, DepthConversions) {
  TempDir dir;
  TDIBSurface rgb;
  rgb.SetSize(3, 1, 24);
  rgb.SetPixel(0, 0, 0xFF8040);
  rgb.SetPixel(1, 0, 0x0F0F0F);
  rgb.SetPixel(2, 0, 0xFF8040);
  WritePng(rgb, dir / "rgb.png");
  WritePng(NoisePicture(8, 8, 24), dir / "noise.png");
  // Two colours fit one bit; truncation to 5-6-5 for 16 bits.
  for (const char* depth : {"1", "16"}) {
    auto r = RunTool({"image", "encode", "--depth", depth, dir / "rgb.png", "-o", dir / "c.bri"});
    ASSERT_EQ(r.exit_code, 0) << r.out;
    TBrioFrameList list;
    TMemoryStream s;
    s.LoadFromFile(dir / "c.bri");
    list.LoadFromStream(s, false);
    const TDIBSurface& p = list.Frames(0)->Picture;
    EXPECT_EQ(p.BitCount(), std::stoi(depth));
    if (p.BitCount() == 16) {
      EXPECT_EQ(p.GetPixel(0, 0), (0xFFu >> 3) << 11 | (0x80u >> 2) << 5 | (0x40u >> 3));
    } else {
      EXPECT_EQ(p.GetPixel(0, 0), p.GetPixel(2, 0));
      EXPECT_EQ(p.ValueToColor(p.GetPixel(1, 0)), 0x0F0F0F);
    }
  }
  auto r = RunTool({"image", "encode", "--depth", "4", dir / "noise.png", "-o", dir / "n.bri"});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.out.find("colours do not fit"), std::string::npos) << r.out;
}

TEST(BrioTool, BadInputFailsClearly) {
  TempDir dir;
  testing::WriteFile(dir / "bad.bri", "Brio106\x29");
  struct TCase {
    std::vector<std::string> Args;
    const char* Message;
  };
  const TCase cases[] = {
      {{"image", "decode", dir / "bad.bri", "-o", dir / "x.png"}, "bad.bri"},
      {{"image", "decode", dir / "missing.bri", "-o", dir / "x.png"}, "missing.bri"},
      {{"image", "encode", dir / "bad.bri", "-o", dir / "x.bri"}, "bad.bri"},
      {{"image", "encode", "--version", "101", "--mode", "1", dir / "bad.bri", "-o", dir / "x.bri"}, "bad.bri"},
      {{"image", "encode", "--tiles", "4", dir / "a.png", "-o", dir / "x.bri"}, "WxH"},
      {{"image", "frobnicate"}, "unknown subcommand"},
  };
  for (const TCase& c : cases) {
    const auto r = RunTool(c.Args);
    EXPECT_NE(r.exit_code, 0) << c.Message;
    EXPECT_NE(r.out.find(c.Message), std::string::npos) << r.out;
  }
}

TEST(BrioTool, BuildStoresPicturesAsLayeredImages) {
  for (int32_t seed : {0, 555}) {
    TempDir dir;
    testing::WriteFile(dir / "src/project.txt", "title = t\nstart = start.osb\ntile-seed = " + std::to_string(seed) + "\n");
    testing::WriteFile(dir / "src/start.ost", "Label top\n");
    const TDIBSurface picture = NoisePicture(6, 9, 24);
    WritePng(picture, dir / "src/pic.png");
    auto r = RunTool({"build", dir / "src", "-o", dir / "out"});
    ASSERT_EQ(r.exit_code, 0) << r.out;
    r = RunTool({"archive", "extract", dir / "out/game.dat", "-o", dir / "x"});
    ASSERT_EQ(r.exit_code, 0) << r.out;
    TMemoryStream s;
    s.LoadFromFile(dir / "x/pic.bri");
    EXPECT_EQ(s.Bytes()[7 + 4 + 21], seed != 0 ? 1 : 0);  // scrambled
    EXPECT_EQ(s.Bytes()[7 + 4 + 22], 1);                  // raw
    TBrioFrameList list(seed);
    list.LoadFromStream(s, false);
    EXPECT_TRUE(testing::SamePixels(list.Frames(0)->Picture, picture));
  }
}

TEST(BrioTool, BuildMakesAnimationsFromNumberedPictures) {
  TempDir dir;
  testing::WriteFile(dir / "src/project.txt", "title = t\nstart = start.osb\n");
  testing::WriteFile(dir / "src/start.ost", "Label top\n");
  // Frames in numeric order, not name order: 2 before 10.
  for (int n : {10, 2, 0}) WritePng(NoisePicture(4, 4, 24, static_cast<uint32_t>(n)), dir / ("src/run." + std::to_string(n) + ".png"));
  auto r = RunTool({"build", dir / "src", "-o", dir / "out"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  ASSERT_EQ(RunTool({"archive", "extract", dir / "out/game.dat", "-o", dir / "x"}).exit_code, 0);
  TMemoryStream s;
  s.LoadFromFile(dir / "x/run.bri");
  TBrioFrameList list;
  list.LoadFromStream(s, false);
  ASSERT_EQ(list.Count(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_TRUE(testing::SamePixels(list.Frames(i)->Picture, NoisePicture(4, 4, 24, std::array<uint32_t, 3>{0, 2, 10}[i])));

  WritePng(NoisePicture(4, 4, 24), dir / "src/run.png");  // a picture and frames of one name
  r = RunTool({"build", dir / "src", "-o", dir / "out"});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.out.find("same frame of run.bri"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace opal

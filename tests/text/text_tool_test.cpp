// opaltool text render end to end with the IPA faces: a sample page with
// ruby, outline, shadow, a link, a centred block and a picture, compared
// with the picture kept beside this test (OPAL_UPDATE_GOLDEN=1 rewrites
// it), and the page as the reveal shows it after some frames.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "imagefiles/brio_test_util.h"
#include "imagefiles/png_codec.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::RunTool;
using testing::TempDir;

TDIBSurface ReadPng(const std::string& path) {
  TMemoryStream s;
  s.LoadFromFile(path);
  TDIBSurface p;
  int32_t transparent = -1;
  LoadPng(s, p, transparent);
  return p;
}

const char kSample[] =
    "<DIV ALIGN=CENTER><FONT SIZE=24 BORDER=1 BCOLOR=#203060>中央の見出し</FONT></DIV><BR>\n"
    "<RUBY VALUE=\"かんじ\">漢字</RUBY>に<RUBY VALUE=\"ruby\">振</RUBY>り仮名、"
    "<FONT SHADOW=2 SCOLOR=#000000 COLOR=#FFE080>影付きの文字</FONT>、\n"
    "<A HREF=\"next\">リンク</A>と絵<IMG SRC=\"pic.bri\" ALIGN=CENTER>。Latin words wrap whole.\n";

struct TSample {
  TempDir Dir;
  TSample() {
    TMemoryStream png;
    SavePng(testing::NoisePicture(16, 16, 24, 3), png);
    png.SaveToFile(Dir / "pic.png");
    EXPECT_EQ(RunTool({"image", "encode", Dir / "pic.png", "-o", Dir / "pic.bri"}).exit_code, 0);
    std::ofstream(Dir / "sample.txt", std::ios::binary) << kSample;
  }
  testing::RunResult Render(const std::vector<std::string>& extra) {
    std::vector<std::string> args = {"text", "render", "--utf8", "--width", "320", "--size", "16", "--images",
                                     Dir.Path(), "--background", "0x304050"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(Dir / "sample.txt");
    return RunTool(args);
  }
};

TEST(TextTool, SamplePageMatchesTheKeptPicture) {
  TSample s;
  const auto r = s.Render({"-o", s.Dir / "page.png", "--dump", s.Dir / "page.txt"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  const std::string kept = OPAL_SOURCE_DIR "/tests/text/sample_page.png";
  if (const char* update = std::getenv("OPAL_UPDATE_GOLDEN"); update != nullptr && *update == '1') {
    std::filesystem::copy_file(s.Dir / "page.png", kept, std::filesystem::copy_options::overwrite_existing);
  }
  EXPECT_TRUE(testing::SamePixels(ReadPng(s.Dir / "page.png"), ReadPng(kept)));

  // The dump: the heading row is centred, the picture is there.
  std::ifstream dump(s.Dir / "page.txt");
  std::string line, first;
  std::getline(dump, first);
  bool picture = false;
  while (std::getline(dump, line)) picture |= line.size() > 2 && line.back() == 'I';
  EXPECT_EQ(first.substr(0, 6), "0 0 0 ") << first;
  EXPECT_NE(first.substr(6, 2), "0 ") << first;
  EXPECT_TRUE(picture);
}

TEST(TextTool, RevealFramesShowPartOfThePage) {
  TSample s;
  ASSERT_EQ(s.Render({"--frame", "1", "-o", s.Dir / "f1.png"}).exit_code, 0);
  ASSERT_EQ(s.Render({"--frame", "12", "-o", s.Dir / "f12.png"}).exit_code, 0);
  ASSERT_EQ(s.Render({"-o", s.Dir / "all.png"}).exit_code, 0);
  const TDIBSurface f1 = ReadPng(s.Dir / "f1.png"), f12 = ReadPng(s.Dir / "f12.png"), all = ReadPng(s.Dir / "all.png");
  // Frame 1 is the skipped first frame: only the background.
  uint32_t background = f1.GetPixel(0, 0);
  int ink1 = 0, ink12 = 0, inkAll = 0;
  for (int32_t y = 0; y < all.Height(); ++y)
    for (int32_t x = 0; x < all.Width(); ++x) {
      ink1 += f1.GetPixel(x, y) != background;
      ink12 += f12.GetPixel(x, y) != background;
      inkAll += all.GetPixel(x, y) != background;
    }
  EXPECT_EQ(ink1, 0);
  EXPECT_GT(ink12, 0);
  EXPECT_LT(ink12, inkAll);
}

TEST(TextTool, BadInputIsAnError) {
  TSample s;
  EXPECT_NE(RunTool({"text", "render", s.Dir / "missing.txt", "-o", s.Dir / "x.png"}).exit_code, 0);
  EXPECT_NE(RunTool({"text", "render", "--width", "-3", s.Dir / "sample.txt", "-o", s.Dir / "x.png"}).exit_code, 0);
  EXPECT_NE(RunTool({"text", "render", "--page", "9", s.Dir / "sample.txt", "-o", s.Dir / "x.png"}).exit_code, 0);
}

}  // namespace
}  // namespace opal

// opaltool wipe render: the contact sheet of every kind on the example's
// morning and evening pictures, with its rule picture, equals the sheet
// kept in tests/wipes/expected/ (checked by eye); one picture at 16 bits
// and the command's errors.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "png_read.h"
#include "test_util.h"

namespace opal {
namespace {

const std::string kSource = OPAL_SOURCE_DIR;
const std::string kPictures = kSource + "/examples/hello/pictures/";

void ExpectKept(const std::string& got, const std::string& name) {
  const std::string expected = kSource + "/tests/wipes/expected/" + name;
  if (const char* update = std::getenv("OPAL_UPDATE_GOLDEN"); update != nullptr && *update == '1') {
    std::ifstream from(got, std::ios::binary);
    std::ofstream(expected, std::ios::binary) << from.rdbuf();
  }
  uint32_t w = 0, h = 0, kw = 0, kh = 0;
  const std::vector<uint8_t> shot = testing::ReadPngRgb(got, w, h);
  const std::vector<uint8_t> kept = testing::ReadPngRgb(expected, kw, kh);
  ASSERT_FALSE(kept.empty()) << expected;
  EXPECT_TRUE(w == kw && h == kh && shot == kept) << got << " differs from " << expected;
}

TEST(WipeTool, TheSheetOfEveryKindIsKept) {
  testing::TempDir dir;
  const testing::RunResult r =
      testing::RunTool({"wipe", "render", "--sheet", kPictures + "bg.png", kPictures + "evening.png", "--rule",
                        kPictures + "rule.png", "--shrink", "8", "-o", dir / "sheet.png"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  ExpectKept(dir / "sheet.png", "sheet-hello.png");
}

TEST(WipeTool, OnePictureAtSixteenBits) {
  testing::TempDir dir;
  const testing::RunResult r =
      testing::RunTool({"wipe", "render", "2", kPictures + "bg.png", kPictures + "evening.png", "--depth", "16",
                        "--time", "300", "--duration", "1000", "--param0", "40", "--param1", "20", "--reverse",
                        "-o", dir / "blind.png"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  ExpectKept(dir / "blind.png", "blinds-16.png");
}

TEST(WipeTool, ErrorsSayWhatIsWrong) {
  testing::TempDir dir;
  struct TCase {
    std::vector<std::string> Args;
    int ExitCode;
    const char* Says;
  };
  const TCase cases[] = {
      {{"wipe", "render", "15", kPictures + "bg.png", kPictures + "evening.png", "-o", dir / "x.png"}, 2,
       "kind 15 has no wipe"},
      {{"wipe", "render", "1", kPictures + "bg.png", kPictures + "brick.png", "-o", dir / "x.png"}, 1,
       "differ in size"},
      {{"wipe", "render", "1", kPictures + "bg.png", dir / "missing.png", "-o", dir / "x.png"}, 1, "missing.png"},
      {{"wipe", "render", "19", kPictures + "bg.png", kPictures + "evening.png", "--rule", dir / "none.png", "-o",
        dir / "x.png"},
       1, "none.png"},
      {{"wipe", "render", "1", kPictures + "bg.png", kPictures + "evening.png", "--duration", "0", "-o",
        dir / "x.png"},
       2, "--duration"},
  };
  for (const TCase& c : cases) {
    const testing::RunResult r = testing::RunTool(c.Args);
    EXPECT_EQ(r.exit_code, c.ExitCode) << r.out;
    EXPECT_NE(r.out.find(c.Says), std::string::npos) << r.out;
  }
}

}  // namespace
}  // namespace opal

// The example game built with opaltool and played headless by opalplay on
// the fixed clock: its trace and its variables at exit are kept in
// tests/shell/expected/ and must come out the same on every run.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "png_read.h"
#include "test_util.h"

namespace opal {
namespace {

const std::string kSource = OPAL_SOURCE_DIR;

testing::RunResult Play(const std::string& game, const std::string& trace, const std::string& vars) {
  return testing::RunProgram("OPALPLAY", {"--headless", "--fixed-clock", "--frames", "400", "--trace", trace,
                                          "--dump-vars", vars, game});
}

TEST(PlayerRun, HelloPlaysTheSameEveryTime) {
  testing::TempDir dir;
  const std::string game = dir / "hello";
  const testing::RunResult built = testing::RunTool({"build", kSource + "/examples/hello", "-o", game});
  ASSERT_EQ(built.exit_code, 0) << built.out;

  const testing::RunResult first = Play(game, dir / "t1.txt", dir / "v1.txt");
  ASSERT_EQ(first.exit_code, 0) << first.out;
  const testing::RunResult second = Play(game, dir / "t2.txt", dir / "v2.txt");
  ASSERT_EQ(second.exit_code, 0) << second.out;

  const std::string trace = testing::ReadFile(dir / "t1.txt");
  const std::string vars = testing::ReadFile(dir / "v1.txt");
  EXPECT_EQ(trace, testing::ReadFile(dir / "t2.txt"));
  EXPECT_EQ(vars, testing::ReadFile(dir / "v2.txt"));
  EXPECT_EQ(trace, testing::ReadFile(kSource + "/tests/shell/expected/hello.trace"));
  EXPECT_EQ(vars, testing::ReadFile(kSource + "/tests/shell/expected/hello.vars"));
}

// The start-up logo, the boxes, then the pictures: each screen kept in
// tests/shell/expected/hello-N.png.
TEST(PlayerRun, HelloShowsTheLogoTheBoxesAndThePictures) {
  testing::TempDir dir;
  const std::string game = dir / "hello";
  ASSERT_EQ(testing::RunTool({"build", kSource + "/examples/hello", "-o", game}).exit_code, 0);
  const std::string shot = dir / "s.png";
  const testing::RunResult run = testing::RunProgram(
      "OPALPLAY", {"--headless", "--fixed-clock", "--frames", "200", "--screenshot-at", "30", "--screenshot-at", "100",
                   "--screenshot-at", "140", "--screenshot", shot, game});
  ASSERT_EQ(run.exit_code, 0) << run.out;
  for (const char* frame : {"30", "100", "140"}) {
    uint32_t w = 0, h = 0, kw = 0, kh = 0;
    const std::vector<uint8_t> got = testing::ReadPngRgb(dir / (std::string("s-") + frame + ".png"), w, h);
    const std::string expected = kSource + "/tests/shell/expected/hello-" + frame + ".png";
    const std::vector<uint8_t> kept = testing::ReadPngRgb(expected, kw, kh);
    // Pixels, not bytes: libpng versions compress differently.
    ASSERT_FALSE(kept.empty()) << expected;
    EXPECT_EQ(w, 640u);
    EXPECT_EQ(h, 480u);
    EXPECT_TRUE(w == kw && h == kh && got == kept) << "the screen at frame " << frame << " differs from " << expected;
  }
}

}  // namespace
}  // namespace opal

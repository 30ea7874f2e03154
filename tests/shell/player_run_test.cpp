// The example game built with opaltool and played headless by opalplay on
// the fixed clock: its trace and its variables at exit are kept in
// tests/shell/expected/ and must come out the same on every run.
#include <gtest/gtest.h>

#include <png.h>

#include <string>
#include <vector>

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

// The pixels of a PNG as 8-bit RGB, so that the comparison does not depend
// on how a libpng version compresses.
std::vector<uint8_t> PngPixels(const std::string& file, uint32_t& w, uint32_t& h) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, file.c_str())) return {};
  img.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> out(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, out.data(), 0, nullptr)) return {};
  w = img.width;
  h = img.height;
  return out;
}

TEST(PlayerRun, HelloShowsItsBoxesAtFrame100) {
  testing::TempDir dir;
  const std::string game = dir / "hello";
  ASSERT_EQ(testing::RunTool({"build", kSource + "/examples/hello", "-o", game}).exit_code, 0);
  const std::string shot = dir / "s.png";
  const testing::RunResult run = testing::RunProgram(
      "OPALPLAY", {"--headless", "--fixed-clock", "--frames", "200", "--screenshot-at", "100", "--screenshot", shot, game});
  ASSERT_EQ(run.exit_code, 0) << run.out;
  uint32_t w = 0, h = 0, kw = 0, kh = 0;
  const std::vector<uint8_t> got = PngPixels(shot, w, h);
  const std::vector<uint8_t> kept = PngPixels(kSource + "/tests/shell/expected/hello-100.png", kw, kh);
  ASSERT_FALSE(kept.empty());
  EXPECT_EQ(w, 640u);
  EXPECT_EQ(h, 480u);
  EXPECT_EQ(w, kw);
  EXPECT_EQ(h, kh);
  EXPECT_TRUE(got == kept) << "the screen at frame 100 differs from tests/shell/expected/hello-100.png";
}

}  // namespace
}  // namespace opal

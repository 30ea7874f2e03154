// A motion film on a box as the player shows it: a game built from scenario
// text and a film text, run headless past the start-up logo; the red box
// moves along its track and stays on its last frame.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "png_read.h"
#include "test_util.h"

namespace opal {
namespace {

// The first and last column of red pixels on row `y`, or {-1, -1}.
std::pair<int, int> RedSpan(const std::vector<uint8_t>& rgb, uint32_t w, int y) {
  int first = -1, last = -1;
  for (uint32_t x = 0; x < w; ++x) {
    const uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
    if (p[0] == 255 && p[1] == 0 && p[2] == 0) {
      if (first < 0) first = static_cast<int>(x);
      last = static_cast<int>(x);
    }
  }
  return {first, last};
}

TEST(FilmPlay, AMotionMovesABoxOnTheScreen) {
  testing::TempDir dir;
  testing::WriteFile(dir / "src/project.txt", "title = T\nwidth = 120\nheight = 60\nstart = start.osb\n");
  testing::WriteFile(dir / "src/start.ost",
                     "+BoxNew PR_NAME: \"back\" ; PR_LEFT: 0 ; PR_TOP: 0 ; PR_WIDTH: 120 ; PR_HEIGHT: 60 ; "
                     "PR_COLOR: 0\n"
                     "+BoxNew PR_NAME: \"mover\" ; PR_PRIORITY: 5 ; PR_LEFT: 0 ; PR_TOP: 0 ; PR_WIDTH: 4 ; "
                     "PR_HEIGHT: 4 ; PR_COLOR: 65280 ; PR_SOURCE: \"anim\\walk.omt\"\n"
                     "Wait 10000\n");
  // Two seconds from x 0 to x 100 on row 20, a 10 x 10 red box.
  testing::WriteFile(dir / "src/anim/walk.omt.txt",
                     "OpalMotion 106\n"
                     "track box\n  TrackLength 120\n  PosStart 0 20\n  PosEnd 100 20\n"
                     "  SizeStart 10 10\n  SizeEnd 10 10\n  ColorStart 0x0000FF\n  ColorEnd 0x0000FF\n");
  const auto built = testing::RunTool({"build", dir / "src", "-o", dir / "game"});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  const testing::RunResult run = testing::RunProgram(
      "OPALPLAY", {"--headless", "--fixed-clock", "--frames", "400", "--screenshot", dir / "s.png", "--screenshot-at",
                   "120", "--screenshot-at", "150", "--screenshot-at", "390", dir / "game"});
  ASSERT_EQ(run.exit_code, 0) << run.out;
  std::vector<std::pair<int, int>> spans;
  for (const char* frame : {"120", "150", "390"}) {
    uint32_t w = 0, h = 0;
    const std::vector<uint8_t> rgb = testing::ReadPngRgb(dir / ("s-" + std::string(frame) + ".png"), w, h);
    ASSERT_EQ(w, 120u);
    spans.push_back(RedSpan(rgb, w, 25));
    EXPECT_EQ(RedSpan(rgb, w, 19).first, -1) << frame;  // the box spans rows 20 to 29
    EXPECT_EQ(RedSpan(rgb, w, 30).first, -1) << frame;
  }
  for (const auto& [first, last] : spans) EXPECT_EQ(last - first + 1, 10) << first;
  EXPECT_GT(spans[0].first, 0);
  EXPECT_LT(spans[0].first, spans[1].first);
  EXPECT_EQ(spans[2].first, 100);  // the motion ended on its last frame
}

}  // namespace
}  // namespace opal

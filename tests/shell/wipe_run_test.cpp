// Flips through wipes as a player shows them: a small game flips between
// two pictures with blinds, a fade and a shadow with a rule picture, played
// headless at 32 and 16 bits. Screens in the middle of each wipe equal the
// pictures kept in tests/shell/expected/, and the trace shows each flip
// holding the page for its time.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "png_read.h"
#include "raster/dibx.h"
#include "raster/png_writer.h"
#include "test_util.h"

namespace opal {
namespace {

const std::string kSource = OPAL_SOURCE_DIR;
constexpr int kFrameMs = 15;
constexpr int kWipeMs = 600;

const char kProject[] =
    "title = Wipes\n"
    "width = 160\n"
    "height = 120\n"
    "fullscreen-width = 160\n"
    "fullscreen-height = 120\n"
    "start = start.osb\n";

// Each next picture is made on the base that is not shown (the bases are
// named "\001BASE0" and "\001BASE1"; base 0 is shown first), then the
// flip on lines 3, 5 and 7 wipes to it through vertical blinds (20-row
// slats), a fade and a shadow whose rule picture is brighter on the left.
const char kStart[] =
    "+ImgNew PR_NAME: \"a\" ; PR_SOURCE: \"pictures\\a.bri\"\n"
    "+ImgNew PR_NAME: \"b\" ; PR_SOURCE: \"pictures\\b.bri\" ; PR_PARENT: \"\001BASE1\"\n"
    "Flip 3 ; time: 600 ; clear: TRUE ; param1: 20 ; param2: 8\n"
    "+ImgNew PR_NAME: \"a\" ; PR_SOURCE: \"pictures\\a.bri\" ; PR_PARENT: \"\001BASE0\"\n"
    "Flip 1 ; time: 600 ; clear: TRUE\n"
    "+ImgNew PR_NAME: \"b\" ; PR_SOURCE: \"pictures\\b.bri\" ; PR_PARENT: \"\001BASE1\"\n"
    "Flip 19 ; time: 600 ; clear: TRUE ; text: \"pictures\\rule.bri\"\n"
    "Exit TRUE\n";

template <class F>
void WritePicture(const std::string& file, int32_t w, int32_t h, F colour) {
  TDIBX b;
  b.SetSize(w, h, 32);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) b.SetPixel(x, y, colour(x, y));
  SavePng(b, file);
}

std::string MakeGame(const testing::TempDir& dir) {
  const std::string src = dir / "src";
  std::filesystem::create_directories(src + "/pictures");
  std::ofstream(src + "/project.txt") << kProject;
  std::ofstream(src + "/start.ost") << kStart;
  WritePicture(src + "/pictures/a.png", 160, 120, [](int32_t x, int32_t y) {
    return (uint32_t(x * 255 / 159) << 16) | (uint32_t(y * 2) << 8) | 40u;
  });
  WritePicture(src + "/pictures/b.png", 160, 120, [](int32_t x, int32_t y) {
    return ((x / 20 + y / 20) % 2 == 0 ? 0x2060E0u : 0xF0F0A0u);
  });
  // Grey falling from the left (255) to the right (0), 64 columns, repeated.
  WritePicture(src + "/pictures/rule.png", 64, 8, [](int32_t x, int32_t) {
    return uint32_t(255 - x * 4) * 0x010101u;
  });
  const std::string game = dir / "game";
  const testing::RunResult built = testing::RunTool({"build", src, "-o", game});
  EXPECT_EQ(built.exit_code, 0) << built.out;
  return game;
}

// The game time (ms) of the first trace line of start.osb(line).
long TimeOf(const std::string& trace, int line) {
  const std::string mark = " : start.osb(" + std::to_string(line) + ")";
  const size_t at = trace.find(mark);
  if (at == std::string::npos || at < 8) return -1;
  return static_cast<long>(std::stoul(trace.substr(at - 8, 8), nullptr, 16));
}

struct TShot {
  const char* Name;
  int Line;  // the flip whose middle is shot
};

TEST(WipeRun, FlipsRunTheirWipesForTheirTimeAtEveryDepth) {
  testing::TempDir dir;
  const std::string game = MakeGame(dir);
  const TShot shots[] = {{"blinds", 3}, {"fade", 5}, {"shadow", 7}};
  for (int depth : {32, 16}) {
    SCOPED_TRACE("depth " + std::to_string(depth));
    // A first run finds when each flip starts.
    const std::string plain = dir / ("plain" + std::to_string(depth) + ".txt");
    ASSERT_EQ(testing::RunProgram("OPALPLAY", {"--headless", "--fixed-clock", "--frames", "400",
                                               "--screen-depth", std::to_string(depth), "--trace", plain, game})
                  .exit_code,
              0);
    const std::string trace = testing::ReadFile(plain);
    // Each flip holds its page for its time: the next command runs 600 ms
    // (and at most the two frames the flip waits before it starts the
    // clock, and one to notice the end) later.
    for (const TShot& s : shots) {
      const long begin = TimeOf(trace, s.Line), end = TimeOf(trace, s.Line + 1);
      ASSERT_GE(begin, 0) << trace;
      ASSERT_GE(end, 0) << trace;
      EXPECT_GE(end - begin, kWipeMs) << s.Name;
      EXPECT_LE(end - begin, kWipeMs + 3 * kFrameMs) << s.Name;
    }
    std::vector<std::string> args = {"--headless", "--fixed-clock", "--frames", "400", "--screen-depth",
                                     std::to_string(depth), "--screenshot", dir / "s.png"};
    std::vector<int> frames;
    for (const TShot& s : shots) {
      // Halfway through the wipe: two frames after the flip began, the clock starts.
      frames.push_back(static_cast<int>(TimeOf(trace, s.Line) / kFrameMs) + 2 + kWipeMs / 2 / kFrameMs);
      args.insert(args.end(), {"--screenshot-at", std::to_string(frames.back())});
    }
    args.push_back(game);
    const testing::RunResult run = testing::RunProgram("OPALPLAY", args);
    ASSERT_EQ(run.exit_code, 0) << run.out;
    for (size_t k = 0; k < frames.size(); ++k) {
      const std::string got = dir / ("s-" + std::to_string(frames[k]) + ".png");
      const std::string expected =
          kSource + "/tests/shell/expected/wipe-" + shots[k].Name + "-" + std::to_string(depth) + ".png";
      if (const char* update = std::getenv("OPAL_UPDATE_GOLDEN"); update != nullptr && *update == '1') {
        std::ifstream from(got, std::ios::binary);
        std::ofstream(expected, std::ios::binary) << from.rdbuf();
      }
      uint32_t w = 0, h = 0, kw = 0, kh = 0;
      const std::vector<uint8_t> shot = testing::ReadPngRgb(got, w, h);
      const std::vector<uint8_t> kept = testing::ReadPngRgb(expected, kw, kh);
      ASSERT_FALSE(kept.empty()) << expected;
      EXPECT_TRUE(w == kw && h == kh && shot == kept) << shots[k].Name << " differs from " << expected;
    }
  }
  // The 16-bit run composed at its own depth: its fade is quantised.
  uint32_t w = 0, h = 0;
  EXPECT_NE(testing::ReadPngRgb(kSource + "/tests/shell/expected/wipe-fade-16.png", w, h),
            testing::ReadPngRgb(kSource + "/tests/shell/expected/wipe-fade-32.png", w, h));
}

}  // namespace
}  // namespace opal

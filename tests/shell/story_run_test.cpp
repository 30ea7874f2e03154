// The example game's story played headless with an input script of clicks
// and a key: the screens at chosen frames (the title, text being revealed,
// a full page, the evening scene after a flip) equal the pictures kept in
// tests/shell/expected/, and the trace shows every page of text passing.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "png_read.h"
#include "test_util.h"

namespace opal {
namespace {

const std::string kSource = OPAL_SOURCE_DIR;
constexpr int kFrameMs = 15;

// The frame at which the story's first message starts, from a run without
// input, so that the scenes before it may change.
int StoryStart(const std::string& trace) {
  const size_t at = trace.find(" : scene\\story.osb(24)");
  if (at == std::string::npos || at < 8) return -1;
  return static_cast<int>(std::stoul(trace.substr(at - 8, 8), nullptr, 16)) / kFrameMs;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(StoryRun, PagesTurnOnClicksAndEnterAndTheScreensAreKept) {
  testing::TempDir dir;
  const std::string game = dir / "hello";
  ASSERT_EQ(testing::RunTool({"build", kSource + "/examples/hello", "-o", game}).exit_code, 0);
  ASSERT_EQ(testing::RunProgram("OPALPLAY", {"--headless", "--fixed-clock", "--frames", "400", "--trace",
                                             dir / "plain.txt", game})
                .exit_code,
            0);
  const int start = StoryStart(testing::ReadFile(dir / "plain.txt"));
  ASSERT_GT(start, 0);

  const std::string input = dir / "input.txt";
  std::ofstream(input) << start + 80 << " click left 300 200\n"
                       << start + 160 << " key Enter\n"
                       << start + 240 << " click left 300 200\n"
                       << start + 380 << " click left 300 200\n"
                       << start + 460 << " click left 300 200\n";
  const std::vector<std::pair<std::string, int>> shots = {
      {"title", start - 5}, {"reveal", start + 14}, {"page", start + 74}, {"evening", start + 320}};
  std::vector<std::string> args = {"--headless", "--fixed-clock", "--frames", std::to_string(start + 560),
                                   "--trace", dir / "t.txt", "--dump-vars", dir / "v.txt", "--input", input,
                                   "--screenshot", dir / "s.png"};
  for (const auto& [name, frame] : shots) args.insert(args.end(), {"--screenshot-at", std::to_string(frame)});
  args.push_back(game);
  const testing::RunResult run = testing::RunProgram("OPALPLAY", args);
  ASSERT_EQ(run.exit_code, 0) << run.out;

  // Five turns: three pages of the morning, two of the evening; the story
  // then runs to its end.
  const std::string trace = testing::ReadFile(dir / "t.txt");
  EXPECT_EQ(Count(trace, "<Event>scene\\story.osb("), 5) << trace;
  EXPECT_NE(trace.find(" : scene\\story.osb(32)"), std::string::npos);
  const std::string vars = testing::ReadFile(dir / "v.txt");
  EXPECT_NE(vars.find("turns: int [] 5\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("scene: str [] \"end\"\n"), std::string::npos) << vars;

  for (const auto& [name, frame] : shots) {
    uint32_t w = 0, h = 0, kw = 0, kh = 0;
    const std::vector<uint8_t> got = testing::ReadPngRgb(dir / ("s-" + std::to_string(frame) + ".png"), w, h);
    const std::string expected = kSource + "/tests/shell/expected/story-" + name + ".png";
    if (const char* update = std::getenv("OPAL_UPDATE_GOLDEN"); update != nullptr && *update == '1') {
      std::ifstream from(dir / ("s-" + std::to_string(frame) + ".png"), std::ios::binary);
      std::ofstream(expected, std::ios::binary) << from.rdbuf();
    }
    const std::vector<uint8_t> kept = testing::ReadPngRgb(expected, kw, kh);
    ASSERT_FALSE(kept.empty()) << expected;
    EXPECT_TRUE(w == kw && h == kh && got == kept) << "the screen at frame " << frame << " differs from " << expected;
  }
}

}  // namespace
}  // namespace opal

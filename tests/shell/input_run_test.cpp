// The example game played headless with an input script: a click on its
// pad and two keys run the pad's handler pages at the frames the script
// gives them, and a click beside the pad runs nothing. Two runs agree.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace opal {
namespace {

const std::string kSource = OPAL_SOURCE_DIR;

// The pad lies at (100, 100)-(300, 200) while the input scene waits 300 ms
// (20 frames); the frames of the script are counted from the frame the
// wait starts at, which a run without input finds, so that the scenes
// before it may change. A frame lasts 15 ms on the fixed clock.
constexpr int kFrameMs = 15;

std::string InputScript(int start) {
  return "# beside the pad, then on it; keys while it has the focus\n" + std::to_string(start + 2) +
         " click left 20 20\n" + std::to_string(start + 5) + " click left 150 170\n" + std::to_string(start + 8) +
         " key A\n" + std::to_string(start + 10) + " key Enter\n";
}

std::string Time(int frame) {
  char text[16];
  std::snprintf(text, sizeof text, "%.8x", frame * kFrameMs);
  return text;
}

testing::RunResult Play(const std::string& game, const std::string& input, const std::string& trace,
                        const std::string& vars) {
  std::vector<std::string> args = {"--headless", "--fixed-clock", "--frames", "600", "--trace", trace,
                                   "--dump-vars", vars};
  if (!input.empty()) args.insert(args.end(), {"--input", input});
  args.push_back(game);
  return testing::RunProgram("OPALPLAY", args);
}

// The trace lines of started handlers, with their game time.
std::vector<std::string> EventLines(const std::string& trace) {
  std::vector<std::string> out;
  std::istringstream in(trace);
  for (std::string line; std::getline(in, line);) {
    if (line.find("<Event>") != std::string::npos) out.push_back(line);
  }
  return out;
}

TEST(InputRun, HandlersOfTheHelloPadRunAtTheScriptedFrames) {
  testing::TempDir dir;
  const std::string game = dir / "hello";
  ASSERT_EQ(testing::RunTool({"build", kSource + "/examples/hello", "-o", game}).exit_code, 0);
  // Where the input scene's wait starts.
  ASSERT_EQ(Play(game, "", dir / "t.txt", dir / "v.txt").exit_code, 0);
  const std::string plain = testing::ReadFile(dir / "t.txt");
  const size_t at = plain.find(" : scene\\input.osb(9)");
  ASSERT_NE(at, std::string::npos) << plain;
  const int start = std::stoi(plain.substr(at - 8, 8), nullptr, 16) / kFrameMs;

  const std::string input = dir / "input.txt";
  std::ofstream(input) << InputScript(start);
  std::string traces[2], vars[2];
  for (int run = 0; run < 2; ++run) {
    const std::string t = dir / ("t" + std::to_string(run) + ".txt");
    const std::string v = dir / ("v" + std::to_string(run) + ".txt");
    const testing::RunResult r = Play(game, input, t, v);
    ASSERT_EQ(r.exit_code, 0) << r.out;
    traces[run] = testing::ReadFile(t);
    vars[run] = testing::ReadFile(v);
  }
  EXPECT_EQ(traces[0], traces[1]);
  EXPECT_EQ(vars[0], vars[1]);
  // Each handler starts in the frame its input arrived at; the click beside
  // the pad starts nothing.
  EXPECT_EQ(EventLines(traces[0]), (std::vector<std::string>{Time(start + 5) + " : <Event>scene\\input.osb(12)",
                                                             Time(start + 8) + " : <Event>scene\\input.osb(17)",
                                                             Time(start + 10) + " : <Event>scene\\input.osb(17)"}));
  EXPECT_NE(vars[0].find("clicks: int [] 1\n"), std::string::npos) << vars[0];
  EXPECT_NE(vars[0].find("clickat: str [] \"50,70\"\n"), std::string::npos) << vars[0];
  EXPECT_NE(vars[0].find("keys: str [] \"65 13 \"\n"), std::string::npos) << vars[0];
}

// --help points to the document of the script format, which exists; a
// bad script line ends the run before it starts, naming the line.
TEST(InputRun, TheHelpNamesTheFormatsDocumentAndABadLineIsNamed) {
  const testing::RunResult help = testing::RunProgram("OPALPLAY", {"--help"});
  ASSERT_EQ(help.exit_code, 0);
  const size_t at = help.out.find("docs/input-script.md");
  ASSERT_NE(at, std::string::npos) << help.out;
  EXPECT_TRUE(std::ifstream(kSource + "/docs/input-script.md").good());

  testing::TempDir dir;
  const std::string game = dir / "hello";
  ASSERT_EQ(testing::RunTool({"build", kSource + "/examples/hello", "-o", game}).exit_code, 0);
  const std::string input = dir / "input.txt";
  std::ofstream(input) << "# typed text\n10 text \"abc\"\n12 text \"abc\n";
  const testing::RunResult r = testing::RunProgram("OPALPLAY", {"--headless", "--fixed-clock", "--frames", "20",
                                                                "--input", input, game});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.out.find("opalplay: input script line 3: a quoted text without its closing quote"), std::string::npos)
      << r.out;
}

}  // namespace
}  // namespace opal

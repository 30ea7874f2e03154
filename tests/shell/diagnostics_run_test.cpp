// Run-time errors as a player sees them: small games built from scenario
// text and played headless. Each error is reported once on stderr as
// "opalplay: PAGE(LINE): message" and once in the trace as "warn PAGE(LINE):
// message", and the game goes on; under --strict the run ends with exit
// code 3 after the frame of the first error, its shut-down and trace intact.
// A game that cannot start and an unknown option end with one clear line.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace opal {
namespace {

const char kProject[] =
    "title = Diagnostics\n"
    "width = 320\n"
    "height = 240\n"
    "fullscreen-width = 320\n"
    "fullscreen-height = 240\n"
    "start = start.osb\n";

// The start-up logo runs for about 70 frames before the start page.
constexpr int kFrames = 160;

std::string BuildGame(const testing::TempDir& dir, const std::map<std::string, std::string>& files) {
  const std::string src = dir / "src";
  std::filesystem::create_directories(src);
  std::ofstream(src + "/project.txt") << kProject;
  for (const auto& [name, text] : files) testing::WriteFile(src + "/" + name, text);
  const std::string game = dir / "game";
  const testing::RunResult built = testing::RunTool({"build", src, "-o", game});
  EXPECT_EQ(built.exit_code, 0) << built.out;
  return game;
}

std::vector<std::string> LinesStartingWith(const std::string& text, const std::string& prefix) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind(prefix, 0) == 0) out.push_back(line);
  }
  return out;
}

struct TErrorCase {
  const char* Name;
  std::map<std::string, std::string> Files;  // start.ost and any other file
  std::string Input;                         // the --input script, or empty
  std::string Where;                         // "PAGE(LINE): " of the report
  std::string Says;                          // a part of its message
};

// Every start page ends by setting `after`, which shows the game went on.
const char kAfter[] = "+VarNew after ; type: int ; value: 1 ; scope: global\n";

std::vector<TErrorCase> ErrorCases() {
  return {
      {"a command that throws",
       {{"start.ost", std::string("+BoxNew PR_NAME: \"b\" ; PR_WIDTH: 10 ; PR_HEIGHT: 10\n"
                                  "+SetProp \"b\" ; prop: 1 / 0 ; value: 5\n") +
                          kAfter}},
       "",
       "start.osb(2): ",
       "SetProp: "},
      {"a call to a missing page",
       {{"start.ost", std::string("+VarNew before ; type: int ; value: 1 ; scope: global\n"
                                  "+Call nowhere.osb\n") +
                          kAfter}},
       "",
       "start.osb(2): ",
       "Call: the page nowhere.osb is not available"},
      {"a missing picture",
       {{"start.ost", std::string("# A picture the game does not have.\n"
                                  "+ImgNew PR_NAME: \"p\" ; PR_SOURCE: \"nothing.bri\"\n") +
                          kAfter}},
       "",
       "start.osb(2): ",
       "picture nothing.bri not found"},
      {"a handler page that cannot be read",
       {{"start.ost", std::string("+BoxNew PR_NAME: \"b\" ; PR_WIDTH: 320 ; PR_HEIGHT: 240 ; "
                                  "PR_ONLBTNDOWN: \"broken.osb\"\n"
                                  "Wait 600\n") +
                          kAfter},
        {"broken.osb", "this is not a page"}},
       "100 click left 20 20\n",
       "start.osb(2): ",
       "event handler broken.osb: "},
      {"a handler page that is missing",
       {{"start.ost", std::string("+BoxNew PR_NAME: \"b\" ; PR_WIDTH: 320 ; PR_HEIGHT: 240 ; "
                                  "PR_ONLBTNDOWN: \"gone.osb\"\n"
                                  "Wait 600\n") +
                          kAfter}},
       "100 click left 20 20\n130 click left 20 20\n",
       "start.osb(2): ",
       "event handler gone.osb: the page gone.osb is not available"},
      {"a condition that fails",
       {{"start.ost", std::string("+VarNew jumped ; type: int ; value: 0 ; scope: global\n"
                                  "+Jump :skip ; if: nosuch == 1\n"
                                  "+Calc jumped = 0\n"
                                  "Label skip\n") +
                          kAfter}},
       "",
       "start.osb(2): ",
       "the condition cannot be evaluated: \"nosuch\" "},
  };
}

TEST(DiagnosticsRun, EachRunTimeErrorIsReportedOnceWithPageAndLineAndTheGameGoesOn) {
  for (const TErrorCase& c : ErrorCases()) {
    SCOPED_TRACE(c.Name);
    testing::TempDir dir;
    const std::string game = BuildGame(dir, c.Files);
    std::vector<std::string> args = {"--headless", "--fixed-clock", "--frames", std::to_string(kFrames),
                                     "--trace", dir / "t.txt", "--dump-vars", dir / "v.txt"};
    if (!c.Input.empty()) {
      testing::WriteFile(dir / "input.txt", c.Input);
      args.insert(args.end(), {"--input", dir / "input.txt"});
    }
    args.push_back(game);
    const testing::RunResult run = testing::RunProgram("OPALPLAY", args);
    EXPECT_EQ(run.exit_code, 0) << run.out;

    const std::vector<std::string> said = LinesStartingWith(run.out, "opalplay: ");
    ASSERT_EQ(said.size(), 1u) << run.out;
    EXPECT_EQ(said[0].rfind("opalplay: " + c.Where, 0), 0u) << said[0];
    EXPECT_NE(said[0].find(c.Says), std::string::npos) << said[0];

    const std::string trace = testing::ReadFile(dir / "t.txt");
    const std::vector<std::string> warned = LinesStartingWith(trace, "warn ");
    ASSERT_EQ(warned.size(), 1u) << trace;
    EXPECT_EQ(warned[0].rfind("warn " + c.Where, 0), 0u) << warned[0];
    EXPECT_NE(warned[0].find(c.Says), std::string::npos) << warned[0];

    EXPECT_NE(testing::ReadFile(dir / "v.txt").find("after: int [] 1\n"), std::string::npos);
  }
}

TEST(DiagnosticsRun, StrictEndsTheRunAtTheFirstErrorWithExitCodeThree) {
  for (const TErrorCase& c : ErrorCases()) {
    SCOPED_TRACE(c.Name);
    testing::TempDir dir;
    const std::string game = BuildGame(dir, c.Files);
    std::vector<std::string> args = {"--headless", "--fixed-clock", "--frames", "100000", "--strict",
                                     "--trace", dir / "t.txt"};
    if (!c.Input.empty()) {
      testing::WriteFile(dir / "input.txt", c.Input);
      args.insert(args.end(), {"--input", dir / "input.txt"});
    }
    args.push_back(game);
    const testing::RunResult run = testing::RunProgram("OPALPLAY", args);
    EXPECT_EQ(run.exit_code, 3) << run.out;
    EXPECT_EQ(LinesStartingWith(run.out, "opalplay: ").size(), 1u) << run.out;
    // The frame loop stopped (long before 100000 frames) and shut-down ran.
    const std::string trace = testing::ReadFile(dir / "t.txt");
    EXPECT_EQ(LinesStartingWith(trace, "warn " + c.Where).size(), 1u) << trace;
    EXPECT_NE(trace.find("step FormClose\n"), std::string::npos) << trace;
  }
}

TEST(DiagnosticsRun, AGameWithoutErrorsEndsNormallyUnderStrict) {
  testing::TempDir dir;
  const std::string game = BuildGame(dir, {{"start.ost", kAfter}});
  const testing::RunResult run = testing::RunProgram(
      "OPALPLAY", {"--headless", "--fixed-clock", "--frames", std::to_string(kFrames), "--strict", game});
  EXPECT_EQ(run.exit_code, 0) << run.out;
  EXPECT_EQ(run.out, "");
}

// A game that cannot start (no install.dat, no or a damaged project file,
// a damaged archive): the player's one line names why, and the exit code
// is 1. A message box the game shows (headless: its text on stderr)
// still comes first.
TEST(DiagnosticsRun, AGameThatCannotStartExitsOneWithOneClearLine) {
  testing::TempDir dir;
  const std::string game = BuildGame(dir, {{"start.ost", kAfter}});
  const std::string empty = dir / "empty";
  std::filesystem::create_directories(empty);
  const std::string damaged = dir / "damaged";
  std::filesystem::create_directories(damaged);
  std::filesystem::copy_file(game + "/install.dat", damaged + "/install.dat");
  testing::WriteFile(damaged + "/opal.opb", "not a project file");
  const std::string bare = dir / "bare";
  std::filesystem::create_directories(bare);
  std::filesystem::copy_file(game + "/install.dat", bare + "/install.dat");
  const std::string truncated = dir / "truncated";
  std::filesystem::create_directories(truncated);
  std::filesystem::copy_file(game + "/install.dat", truncated + "/install.dat");
  const std::string archive = testing::ReadFile(game + "/game.dat");
  testing::WriteFile(truncated + "/game.dat", archive.substr(0, archive.size() / 2));

  const struct {
    const char* Name;
    std::string Folder;
    std::string Says;
  } cases[] = {
      {"an empty folder", empty, "no install.dat"},
      {"no opal.opb", bare, "opal.opb:"},
      {"a damaged opal.opb", damaged, "opal.opb: "},
      {"a truncated game.dat", truncated, "game.dat: "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const testing::RunResult run =
        testing::RunProgram("OPALPLAY", {"--headless", "--fixed-clock", "--frames", "50", c.Folder});
    EXPECT_EQ(run.exit_code, 1) << run.out;
    const std::vector<std::string> said = LinesStartingWith(run.out, "opalplay: ");
    ASSERT_EQ(said.size(), 1u) << run.out;
    EXPECT_EQ(said[0].rfind("opalplay: cannot start the game: ", 0), 0u) << said[0];
    EXPECT_NE(said[0].find(c.Says), std::string::npos) << said[0];
  }
}

// An unknown option is a usage error, and its value is never taken for the
// data folder (which would show the reinstall message instead).
TEST(DiagnosticsRun, AnUnknownOptionIsAUsageError) {
  testing::TempDir dir;
  const std::string game = BuildGame(dir, {{"start.ost", kAfter}});
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--no-such-option", dir / "elsewhere", game}, {"--audio-out", dir / "a.wav", game}, {"--frames=5", game}}) {
    SCOPED_TRACE(args[0]);
    const testing::RunResult run = testing::RunProgram("OPALPLAY", args);
    EXPECT_EQ(run.exit_code, 2) << run.out;
    EXPECT_EQ(run.out, "opalplay: unknown option " + args[0] + " (see opalplay --help)\n");
  }
}

}  // namespace
}  // namespace opal

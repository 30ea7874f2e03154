// The message history and the read marks as a player sees them: a small game
// built from scenario text and played headless. A message's pages are shown
// and turned; the page-start handler hears "1" only for a page already read
// to its end; CallHist puts recorded pages into a second window, whose
// screen equals the picture kept in tests/shell/expected/; the history's
// variables and functions answer in --dump-vars.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "png_read.h"
#include "test_util.h"

namespace opal {
namespace {

const std::string kSource = OPAL_SOURCE_DIR;

const char kProject[] =
    "title = History\n"
    "width = 320\n"
    "height = 240\n"
    "fullscreen-width = 320\n"
    "fullscreen-height = 240\n"
    "start = start.osb\n";

// Line numbers matter: the trace names the handler's "read" branch by its
// line (2 of the handler below).
const char kStart[] =
    "+VarNew starts ; type: string ; value: \"\" ; scope: global\n"                                          // 1
    // A ground below the windows (the screen is drawn only where objects are).
    "+BoxNew PR_NAME: \"ground\" ; PR_WIDTH: 320 ; PR_HEIGHT: 240 ; PR_COLOR: 2105408\n"                     // 2
    "+MesNew PR_NAME: \"msg\" ; PR_LEFT: 10 ; PR_TOP: 10 ; PR_WIDTH: 300 ; PR_HEIGHT: 40 ; PR_FONTHEIGHT: 16 ; "
    "PR_FONTCOLOR: 16777215 ; PR_DELAY: 0 ; PR_PRIORITY: 30 ; PR_ONPLAYSTART: \"start.osb:started\"\n"                          // 3
    "+MesNew PR_NAME: \"back\" ; PR_LEFT: 10 ; PR_TOP: 80 ; PR_WIDTH: 300 ; PR_HEIGHT: 150 ; PR_FONTHEIGHT: 16 ; "
    "PR_FONTCOLOR: 8454143 ; PR_DELAY: 0 ; PR_PRIORITY: 30\n"                                                  // 4
    // A quick message: both pages finish, and the first one shown again was read.
    "TextIns \"First page.<CLEAR>Second page.\" ; window: \"msg\" ; read: TRUE\n"                            // 5
    "Wait 1500\n"                                                                                             // 6
    "+SetProp \"msg\" ; prop: PR_INDEX ; value: 1\n"                                                          // 7
    "Wait 1500\n"                                                                                             // 8
    "+SetProp \"msg\" ; prop: PR_INDEX ; value: 0\n"                                                          // 9
    "Wait 1500\n"                                                                                             // 10
    "# A slow message: its first page is left before its end, then finished.\n"                              // 11
    "+SetProp \"msg\" ; prop: PR_DELAY ; value: 150\n"                                                        // 12
    "TextIns \"A slow page.<CLEAR>After it.\" ; window: \"msg\" ; read: TRUE\n"                              // 13
    "Wait 150\n"                                                                                              // 14
    "+SetProp \"msg\" ; prop: PR_INDEX ; value: 1\n"                                                          // 15
    "Wait 150\n"                                                                                              // 16
    "+SetProp \"msg\" ; prop: PR_INDEX ; value: 0\n"                                                          // 17
    "Wait 3000\n"                                                                                             // 18
    "+SetProp \"msg\" ; prop: PR_INDEX ; value: 1\n"                                                          // 19
    "Wait 150\n"                                                                                              // 20
    "+SetProp \"msg\" ; prop: PR_INDEX ; value: 0\n"                                                          // 21
    "Wait 3000\n"                                                                                             // 22
    "# Seven pages were left: entries 0 to 6. Entries 1, 2 and 3 go to the second window.\n"                 // 23
    "+VarNew count ; type: int ; value: @HistoryCount ; scope: global\n"                                     // 24
    "CallHist \"back\" ; first: 1 ; count: 3\n"                                                              // 25
    "Wait 300\n"                                                                                              // 26
    "# Without marks every page is new again.\n"                                                             // 27
    "ClrRead\n"                                                                                               // 28
    "+SetProp \"msg\" ; prop: PR_INDEX ; value: 1\n"                                                          // 29
    "Wait 150\n"                                                                                              // 30
    "+SetProp \"msg\" ; prop: PR_INDEX ; value: 0\n"                                                          // 31
    "Wait 150\n"                                                                                              // 32
    "+VarNew unknown ; type: int ; value: GetHistoryCount(\"wide\") ; scope: global\n"                       // 33
    "FormatHist \"\" ; format: \"wide\"\n"                                                                   // 34
    "+VarNew made ; type: int ; value: GetHistoryCount(\"wide\") ; scope: global\n"                          // 35
    "+VarNew set ; type: flag ; value: SetHistoryMaxCount(\"\", 20) ; scope: global\n"                       // 36
    "+VarNew max ; type: int ; value: @HistoryMaxCount ; scope: global\n"                                    // 37
    "+VarNew maxWide ; type: int ; value: GetHistoryMaxCount(\"wide\") ; scope: global\n"                    // 38
    "ClrHist\n"                                                                                               // 39
    "+VarNew cleared ; type: int ; value: @HistoryCount ; scope: global\n"                                   // 40
    "Wait 100000\n"                                                                                           // 41
    "# The page-start handler: its argument says whether the page was read.\n"                               // 42
    "Label started\n"                                                                                         // 43
    "+Calc starts = starts ++ @ParamStr[0]\n"                                                                  // 44
    "+If @ParamStr[0] == \"1\"\n"                                                                             // 45
    "  +Calc starts = starts ++ \"r\"\n"                                                                       // 46
    "Exit TRUE\n";                                                                                            // 47

std::string BuildGame(const testing::TempDir& dir) {
  const std::string src = dir / "src";
  std::filesystem::create_directories(src);
  std::ofstream(src + "/project.txt") << kProject;
  testing::WriteFile(src + "/start.ost", kStart);
  const std::string game = dir / "game";
  const testing::RunResult built = testing::RunTool({"build", src, "-o", game});
  EXPECT_EQ(built.exit_code, 0) << built.out;
  return game;
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

TEST(HistoryRun, ReadPagesStartWithOneAndCallHistShowsTheBacklog) {
  testing::TempDir dir;
  const std::string game = BuildGame(dir);
  const testing::RunResult run =
      testing::RunProgram("OPALPLAY", {"--headless", "--fixed-clock", "--frames", "1200", "--trace", dir / "t.txt",
                                       "--dump-vars", dir / "v.txt", "--screenshot", dir / "s.png", game});
  ASSERT_EQ(run.exit_code, 0) << run.out;
  EXPECT_EQ(run.out.find("opalplay:"), std::string::npos) << run.out;  // nothing was reported

  // Each start in order: the quick message's pages 0 and 1 are new, page 0
  // again was read; the slow page 0 left early starts again with "0" and,
  // once finished, with "1"; after ClrRead pages start as new.
  const std::string vars = testing::ReadFile(dir / "v.txt");
  EXPECT_NE(vars.find("starts: str [] \"001r00001r00\"\n"), std::string::npos) << vars;
  // Seven pages were left by the time of CallHist, the last one still
  // pending.
  EXPECT_NE(vars.find("count: int [] 7\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("unknown: int [] -1\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("made: int [] 0\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("set: bool [] TRUE\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("max: int [] 20\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("maxWide: int [] 0\n"), std::string::npos) << vars;
  EXPECT_NE(vars.find("cleared: int [] 0\n"), std::string::npos) << vars;

  // The handler's "read" branch runs for exactly the two pages shown again
  // after they were read.
  const std::string trace = testing::ReadFile(dir / "t.txt");
  EXPECT_EQ(Count(trace, " : start.osb(46)"), 2) << trace;

  uint32_t w = 0, h = 0, kw = 0, kh = 0;
  const std::vector<uint8_t> got = testing::ReadPngRgb(dir / "s.png", w, h);
  const std::string expected = kSource + "/tests/shell/expected/history-backlog.png";
  if (const char* update = std::getenv("OPAL_UPDATE_GOLDEN"); update != nullptr && *update == '1') {
    std::ifstream from(dir / "s.png", std::ios::binary);
    std::ofstream(expected, std::ios::binary) << from.rdbuf();
  }
  const std::vector<uint8_t> kept = testing::ReadPngRgb(expected, kw, kh);
  ASSERT_FALSE(kept.empty()) << expected;
  EXPECT_TRUE(w == kw && h == kh && got == kept) << "the screen differs from " << expected;
}

}  // namespace
}  // namespace opal

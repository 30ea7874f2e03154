// The system variables that the window, the screen modes, the image cache
// and the stage's focus answer, read and written by a page of a small game
// played headless.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_util.h"

namespace opal {
namespace {

const char kProject[] =
    "title = Sys vars 100%s\n"
    "width = 320\n"
    "height = 240\n"
    "fullscreen-width = 320\n"
    "fullscreen-height = 240\n"
    "start = start.osb\n";

// The values are copied into game variables before and after each write.
const char kStart[] =
    "+VarNew title ; type: string ; value: \"\" ; scope: global\n"
    "+VarNew modes ; type: int ; value: 0 ; scope: global\n"
    "+VarNew chosen ; type: int ; value: 0 ; scope: global\n"
    "+VarNew dither0 ; type: flag ; value: FALSE ; scope: global\n"
    "+VarNew dither1 ; type: flag ; value: FALSE ; scope: global\n"
    "+VarNew focus0 ; type: string ; value: \"\" ; scope: global\n"
    "+VarNew focus1 ; type: string ; value: \"\" ; scope: global\n"
    "+VarNew focus2 ; type: string ; value: \"\" ; scope: global\n"
    "+VarNew full0 ; type: flag ; value: FALSE ; scope: global\n"
    "+VarNew full1 ; type: flag ; value: FALSE ; scope: global\n"
    "+VarNew full2 ; type: flag ; value: FALSE ; scope: global\n"
    "+BoxNew PR_NAME: \"pad\" ; PR_LEFT: 0 ; PR_TOP: 0 ; PR_WIDTH: 10 ; PR_HEIGHT: 10 ; PR_HANDLEKEY: 1\n"
    "+BoxNew PR_NAME: \"deaf\" ; PR_LEFT: 20 ; PR_TOP: 0 ; PR_WIDTH: 10 ; PR_HEIGHT: 10\n"
    "+Calc title = @Title\n"
    "+Calc modes = @DisplayModeCount\n"
    "+Calc @DisplayModeCount = 99\n"
    "+Calc @DisplayModeIndex = 12345\n"
    "+Calc chosen = @DisplayModeIndex\n"
    "+Calc dither0 = @CGDither\n"
    "+Calc @CGDither = TRUE\n"
    "+Calc dither1 = @CGDither\n"
    "+Calc @ActiveCompo = \"deaf\"\n"
    "+Calc focus0 = @ActiveCompo\n"
    "+Calc @ActiveCompo = \"pad\"\n"
    "+Calc focus1 = @ActiveCompo\n"
    "+Calc @ActiveCompo = \"\"\n"
    "+Calc focus2 = @ActiveCompo\n"
    "+Calc full0 = @FullScr\n"
    "+Calc @FullScr = \"TRUE\"\n"
    "+Calc full1 = @FullScr\n"
    "+Calc @FullScr = \"2\"\n"
    "+Calc full2 = @FullScr\n"
    "Exit TRUE\n";

TEST(SysVarsRun, WindowImageCacheAndFocusVariablesReadAndWrite) {
  testing::TempDir dir;
  const std::string src = dir / "src";
  std::filesystem::create_directories(src);
  std::ofstream(src + "/project.txt") << kProject;
  std::ofstream(src + "/start.ost") << kStart;
  const std::string game = dir / "game";
  const testing::RunResult built = testing::RunTool({"build", src, "-o", game});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  const std::string vars = dir / "vars.txt";
  const testing::RunResult r = testing::RunProgram(
      "OPALPLAY", {"--headless", "--fixed-clock", "--frames", "200", "--dump-vars", vars, game});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  const std::string v = testing::ReadFile(vars);
  // The title comes as text, never a format.
  EXPECT_NE(v.find("title: str [] \"Sys vars 100%s\""), std::string::npos) << v;
  // Writing the mode count changes nothing; a mode index past the list is
  // kept as chosen and never used.
  EXPECT_EQ(v.find("modes: int [] 99"), std::string::npos) << v;
  EXPECT_NE(v.find("chosen: int [] 12345"), std::string::npos) << v;
  EXPECT_NE(v.find("dither0: bool [] FALSE"), std::string::npos) << v;
  EXPECT_NE(v.find("dither1: bool [] TRUE"), std::string::npos) << v;
  // A control without keys does not take the focus; an empty name keeps it.
  EXPECT_NE(v.find("focus0: str [] \"\""), std::string::npos) << v;
  EXPECT_NE(v.find("focus1: str [] \"pad\""), std::string::npos) << v;
  EXPECT_NE(v.find("focus2: str [] \"pad\""), std::string::npos) << v;
  // A headless player has no window to switch: @FullScr stays false
  // whatever is written ("TRUE" reads as 0, "2" asks for full screen).
  EXPECT_NE(v.find("full0: bool [] FALSE"), std::string::npos) << v;
  EXPECT_NE(v.find("full1: bool [] FALSE"), std::string::npos) << v;
  EXPECT_NE(v.find("full2: bool [] FALSE"), std::string::npos) << v;
}

}  // namespace
}  // namespace opal

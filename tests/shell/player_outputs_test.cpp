// The files the player writes on request, --dump-vars and screenshots, as
// a user sees them: a disk too full for them leaves the old files byte for
// byte, with one line naming each file and the cause.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "png_read.h"
#include "test_util.h"

namespace opal {
namespace {

std::set<std::string> FolderNames(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

size_t Count(const std::string& text, const std::string& line) {
  size_t n = 0;
  for (size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) ++n;
  return n;
}

TEST(PlayerOutputs, AFullDiskKeepsTheOldVariablesAndScreenshots) {
  testing::TempDir dir;
  const std::string game = dir / "hello";
  ASSERT_EQ(testing::RunTool({"build", OPAL_SOURCE_DIR "/examples/hello", "-o", game}).exit_code, 0);
  const std::string vars = dir / "out/vars.txt", shot = dir / "out/s.png";
  testing::WriteFile(vars, "the old variables\n");
  testing::WriteFile(shot, "the old picture");
  const std::vector<std::string> args = {"--headless", "--fixed-clock", "--frames", "60", "--screenshot-at", "30",
                                         "--screenshot", shot, "--dump-vars", vars, game};

  const testing::RunResult full = testing::RunProgramOnAFullDisk("OPALPLAY", 0, args);
  EXPECT_NE(full.exit_code, 0) << full.out;
  EXPECT_EQ(Count(full.out, "opalplay: cannot write " + vars + ": File too large"), 1u) << full.out;
  EXPECT_EQ(Count(full.out, "opalplay: cannot write " + shot + ": File too large"), 1u) << full.out;
  EXPECT_EQ(testing::ReadFile(vars), "the old variables\n");
  EXPECT_EQ(testing::ReadFile(shot), "the old picture");
  EXPECT_EQ(FolderNames(dir / "out"), (std::set<std::string>{"vars.txt", "s.png"}));

  // With room again both are replaced.
  const testing::RunResult room = testing::RunProgram("OPALPLAY", args);
  ASSERT_EQ(room.exit_code, 0) << room.out;
  EXPECT_NE(testing::ReadFile(vars), "the old variables\n");
  uint32_t w = 0, h = 0;
  EXPECT_FALSE(testing::ReadPngRgb(shot, w, h).empty());
  EXPECT_EQ(FolderNames(dir / "out"), (std::set<std::string>{"vars.txt", "s.png"}));
}

}  // namespace
}  // namespace opal

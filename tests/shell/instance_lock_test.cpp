#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "shell/instance_lock.h"
#include "test_util.h"

namespace opal {
namespace {

TEST(InstanceLock, KeyFollowsTheFolderNotItsSpelling) {
  EXPECT_EQ(TInstanceLock::Key("/home/me/Game"), "-HOME-ME-GAME-");
  EXPECT_EQ(TInstanceLock::Key("/home/me/game/"), "-HOME-ME-GAME-");
  EXPECT_EQ(TInstanceLock::Key("X:\\game\\"), "X:-GAME-");
  EXPECT_NE(TInstanceLock::LockPath("/run", "-A-"), TInstanceLock::LockPath("/run", "-B-"));
}

TEST(InstanceLock, SecondHolderIsRefusedUntilTheFirstLetsGo) {
  testing::TempDir dir;
  TInstanceLock first, second;
  ASSERT_EQ(first.Acquire("-GAME-", dir.Path()), TInstanceLock::TResult::Acquired);
  EXPECT_EQ(second.Acquire("-GAME-", dir.Path()), TInstanceLock::TResult::HeldElsewhere);
  EXPECT_EQ(second.Acquire("-OTHER-", dir.Path()), TInstanceLock::TResult::Acquired);
  first.Release();
  EXPECT_EQ(first.Acquire("-OTHER-", dir.Path()), TInstanceLock::TResult::HeldElsewhere);
  EXPECT_EQ(first.Acquire("-GAME-", dir.Path()), TInstanceLock::TResult::Acquired);
}

TEST(InstanceLock, ALinkInPlaceOfTheLockFileIsNotFollowed) {
  testing::TempDir dir;
  const std::string target = dir / "victim";
  testing::WriteFile(target, "keep");
  ASSERT_EQ(::symlink(target.c_str(), TInstanceLock::LockPath(dir.Path(), "-GAME-").c_str()), 0);
  TInstanceLock lock;
  EXPECT_EQ(lock.Acquire("-GAME-", dir.Path()), TInstanceLock::TResult::Unavailable);
  EXPECT_EQ(testing::ReadFile(target), "keep");
}

// Two players on one data folder: the second exits at once, without
// running a frame, while the first is still running.
TEST(InstanceLock, SecondPlayerOnTheSameFolderExitsAtOnce) {
  testing::TempDir dir;
  const std::string game = dir / "game";
  const testing::RunResult built = testing::RunTool({"build", std::string(OPAL_SOURCE_DIR) + "/examples/hello", "-o", game});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  const std::string player = testing::ProgramPath("OPALPLAY");
  const std::string first_trace = dir / "first.txt";
  const std::string cmd = testing::ShellQuote(player) + " --headless --frames 100 --trace " +
                          testing::ShellQuote(first_trace) + " " + testing::ShellQuote(game) + " >/dev/null 2>&1 &";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // Wait until the first player has started (its trace file exists).
  for (int i = 0; i < 200 && !std::filesystem::exists(first_trace); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(std::filesystem::exists(first_trace));
  const std::string second_trace = dir / "second.txt";
  const auto started = std::chrono::steady_clock::now();
  const testing::RunResult second =
      testing::RunProgram("OPALPLAY", {"--headless", "--frames", "5", "--trace", second_trace, game});
  const auto took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(second.exit_code, 0) << second.out;
  EXPECT_EQ(second.out, "");
  EXPECT_FALSE(std::filesystem::exists(second_trace));
  EXPECT_LT(took, std::chrono::seconds(2));
  // Let the first one finish, so the folder can go.
  for (int i = 0; i < 500 && testing::ReadFile(first_trace).find("step FormClose") == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

}  // namespace
}  // namespace opal

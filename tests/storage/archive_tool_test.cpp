// opaltool archive, end to end: pack a folder, read it back in every form.
#include <gtest/gtest.h>

#include <filesystem>

#include "storage/vr_files.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::NoiseBytes;
using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFile;

class ArchiveToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir / "src/readme.txt", "hello\n");
    WriteFile(dir / "src/日本語/表示.txt", std::string(5000, 'j'));
    WriteFile(dir / "src/bg/deep/noise.bin", NoiseBytes(3000));
    WriteFile(dir / "src/empty.txt", "");
  }

  // Extracts `archive` and compares every file with the source folder.
  void ExpectExtractsToSource(const std::string& archive) {
    const std::string out = dir / ("out-" + std::to_string(++extracts));
    auto r = RunTool({"archive", "extract", archive, "-o", out});
    ASSERT_EQ(r.exit_code, 0) << r.out;
    for (const char* f : {"readme.txt", "日本語/表示.txt", "bg/deep/noise.bin", "empty.txt"}) {
      EXPECT_EQ(ReadFile(out + "/" + f), ReadFile(dir / (std::string("src/") + f))) << archive << " " << f;
    }
    auto v = RunTool({"archive", "verify", archive});
    EXPECT_EQ(v.exit_code, 0) << v.out;
  }

  TempDir dir;
  int extracts = 0;
};

TEST_F(ArchiveToolTest, PackListExtract) {
  auto r = RunTool({"archive", "pack", dir / "src", "-o", dir / "game.dat"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(ReadFile(dir / "game.dat").substr(0, 6), std::string("vff\0\0\0", 6));
  auto list = RunTool({"archive", "list", dir / "game.dat"});
  ASSERT_EQ(list.exit_code, 0);
  EXPECT_NE(list.out.find("日本語\\表示.txt"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("bg\\deep\\noise.bin"), std::string::npos);
  ExpectExtractsToSource(dir / "game.dat");
}

TEST_F(ArchiveToolTest, EveryVersionAndContainerReadsBack) {
  struct Case {
    const char* name;
    std::vector<std::string> options;
  };
  const Case cases[] = {
      {"v0.dat", {"--version", "0"}},
      {"v100.dat", {"--version", "100"}},
      {"v101.dat", {"--version", "101"}},
      {"split.dat", {"--split"}},
      {"volumes.dat", {"--volume-size", "1500"}},
      {"crc.dat", {"--crc-content"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = {"archive", "pack", dir / "src", "-o", dir / c.name};
    args.insert(args.end(), c.options.begin(), c.options.end());
    auto r = RunTool(args);
    ASSERT_EQ(r.exit_code, 0) << r.out;
    ExpectExtractsToSource(dir / c.name);
  }
  // The split directory lives beside the data, and the volumes are three.
  EXPECT_TRUE(std::filesystem::exists(dir / "split.ext"));
  EXPECT_NE(ReadFile(dir / "split.dat").substr(0, 2), "vf");
  EXPECT_TRUE(std::filesystem::exists(dir / "volumes.002"));
  EXPECT_FALSE(std::filesystem::exists(dir / "volumes.003"));
  // A missing volume is an error, not a short archive.
  std::filesystem::remove(dir / "volumes.002");
  EXPECT_NE(RunTool({"archive", "list", dir / "volumes.dat"}).exit_code, 0);
}

TEST_F(ArchiveToolTest, AppendedToAnExecutable) {
  WriteFile(dir / "player", std::string("\x7F" "ELF", 4) + NoiseBytes(4000));
  auto r = RunTool({"archive", "pack", dir / "src", "-o", dir / "game-player", "--append-to", dir / "player"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  const std::string bytes = ReadFile(dir / "game-player");
  EXPECT_EQ(bytes.substr(0, 4004), ReadFile(dir / "player"));
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "oq");
  ExpectExtractsToSource(dir / "game-player");
}

TEST_F(ArchiveToolTest, BadInputFailsClearly) {
  ASSERT_EQ(RunTool({"archive", "pack", dir / "src", "-o", dir / "game.dat"}).exit_code, 0);
  // One changed byte in a stored entry fails verification.
  std::string bytes = ReadFile(dir / "game.dat");
  bytes[bytes.size() - 10] ^= 0x01;
  WriteFile(dir / "damaged.dat", bytes);
  auto v = RunTool({"archive", "verify", dir / "damaged.dat"});
  EXPECT_EQ(v.exit_code, 1);
  EXPECT_NE(v.out.find("BAD"), std::string::npos) << v.out;

  WriteFile(dir / "garbage.dat", "vf\x66\0\0\0\xFF\xFF\xFF\x7F");
  const std::vector<std::vector<std::string>> failing = {
      {"archive", "list", dir / "garbage.dat"},
      {"archive", "list", dir / "missing.dat"},
      {"archive", "pack", dir / "no-such-folder", "-o", dir / "x.dat"},
      {"archive", "pack", dir / "src"},
      {"archive", "frobnicate"},
      {"archive", "extract", dir / "game.dat", "-o", dir / "o", "no-such-entry"},
  };
  for (const auto& args : failing) {
    auto r = RunTool(args);
    EXPECT_NE(r.exit_code, 0) << args[1] << " " << args.back();
    EXPECT_NE(r.out.find("opaltool"), std::string::npos) << r.out;
  }
  // A failed pack leaves no archive behind.
  EXPECT_FALSE(std::filesystem::exists(dir / "x.dat"));
}

TEST_F(ArchiveToolTest, ExtractRefusesNamesThatLeaveTheTarget) {
  TVrFileCollection c;
  c.AddMemoryFile("..\\escape.txt")->Memory->Bytes() = {'x'};
  c.AddMemoryFile("fine.txt")->Memory->Bytes() = {'y'};
  {
    TSkBigFileStream out(dir / "evil.dat", fm::Create);
    c.Write(out);
  }
  auto r = RunTool({"archive", "extract", dir / "evil.dat", "-o", dir / "target"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "escape.txt"));
  EXPECT_EQ(ReadFile(dir / "target/fine.txt"), "y");
}

}  // namespace
}  // namespace opal

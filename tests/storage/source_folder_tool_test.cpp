// `opaltool archive pack` and `opaltool build` read a source folder the same
// way: the same files, the same rule for what is compressed, the same error
// for a folder that cannot be read; and neither leaves a half-written output
// when the disk fills up.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "test_util.h"

namespace opal {
namespace {

using testing::NoiseBytes;
using testing::ReadFile;
using testing::RunResult;
using testing::RunTool;
using testing::ShellQuote;
using testing::TempDir;
using testing::WriteFile;

// A game source: settings, one page, and files the build copies as they are.
void WriteGameSource(const std::string& src) {
  WriteFile(src + "/project.txt", "title = T\nstart = start.osb\n");
  WriteFile(src + "/start.ost", "Label here\n");
  // Media compress well here, so only the rule can keep them stored.
  WriteFile(src + "/voice/v001.ogg", std::string(20000, 'o'));
  WriteFile(src + "/se/door.wav", std::string(20000, 'w'));
  WriteFile(src + "/movie/op.wmv", std::string(20000, 'm'));
  WriteFile(src + "/notes.txt", std::string(20000, 't'));
}

// "stored" or "compressed" for each entry `archive list` shows.
std::map<std::string, std::string> Storage(const std::string& archive) {
  const RunResult list = RunTool({"archive", "list", archive});
  EXPECT_EQ(list.exit_code, 0) << list.out;
  std::map<std::string, std::string> out;
  std::istringstream lines(list.out);
  std::string line;
  std::getline(lines, line);  // "version N, M entries"
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string size, how, crc, name;
    fields >> size >> how >> crc >> name;
    out[name] = how;
  }
  return out;
}

TEST(SourceFolder, BuildStoresSoundsAndFilmsAsPackDoes) {
  TempDir dir;
  WriteGameSource(dir / "src");
  const RunResult built = RunTool({"build", dir / "src", "-o", dir / "out"});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  const RunResult packed = RunTool({"archive", "pack", dir / "src", "-o", dir / "packed.dat"});
  ASSERT_EQ(packed.exit_code, 0) << packed.out;
  const auto build = Storage(dir / "out/game.dat");
  const auto pack = Storage(dir / "packed.dat");
  const std::map<std::string, std::string> expected = {
      {"voice\\v001.ogg", "stored"}, {"se\\door.wav", "stored"}, {"movie\\op.wmv", "stored"},
      {"notes.txt", "compressed"},
  };
  for (const auto& [name, how] : expected) {
    SCOPED_TRACE(name);
    ASSERT_EQ(build.count(name), 1u);
    EXPECT_EQ(build.at(name), how);
    EXPECT_EQ(pack.at(name), how);
  }
  EXPECT_EQ(build.at("start.osb"), "compressed");
  // The copies read back as the files they came from.
  const RunResult x = RunTool({"archive", "extract", dir / "out/game.dat", "-o", dir / "x"});
  ASSERT_EQ(x.exit_code, 0) << x.out;
  EXPECT_EQ(ReadFile(dir / "x/se/door.wav"), ReadFile(dir / "src/se/door.wav"));
  EXPECT_EQ(ReadFile(dir / "x/notes.txt"), ReadFile(dir / "src/notes.txt"));
}

// The line of the tool's output that names `path`.
std::string LineNaming(const std::string& out, const std::string& path) {
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.find(path) != std::string::npos) return line;
  }
  return "";
}

TEST(SourceFolder, AnEntryThatCannotBeReadIsTheSameErrorForPackAndBuild) {
  struct Case {
    const char* what;
    const char* entry;  // below the source folder
    void (*make)(const std::string& src, const std::string& entry);
    const char* cause;  // in the message
    bool needs_non_root;
  };
  const Case cases[] = {
      {"a folder nobody may read", "locked",
       [](const std::string&, const std::string& p) {
         WriteFile(p + "/inside.txt", "x");
         ::chmod(p.c_str(), 0);
       },
       "cannot read the folder: Permission denied", true},
      {"a link to nothing", "gone.txt",
       [](const std::string& s, const std::string& p) { std::filesystem::create_symlink(s + "/nowhere.txt", p); },
       "cannot be read: No such file or directory", false},
      {"a link to itself", "self",
       [](const std::string&, const std::string& p) { std::filesystem::create_symlink(p, p); },
       "cannot be read: Too many levels of symbolic links", false},
      {"a folder linked back to its parent", "bg/up",
       [](const std::string& s, const std::string& p) {
         std::filesystem::create_directories(s + "/bg");
         std::filesystem::create_directory_symlink(s, p);
       },
       "a link leads back into a folder that holds it", false},
      {"a named pipe", "pipe",
       [](const std::string&, const std::string& p) { ::mkfifo(p.c_str(), 0644); }, "neither a file nor a folder",
       false},
      {"names that differ only in case", "NOTES.TXT",
       [](const std::string&, const std::string& p) { WriteFile(p, "upper"); },
       "the name differs only in case from", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needs_non_root && ::geteuid() == 0) continue;  // root reads a folder of mode 000
    TempDir dir;
    const std::string src = dir / "src";
    WriteGameSource(src);
    const std::string entry = src + "/" + c.entry;
    c.make(src, entry);
    const RunResult pack = RunTool({"archive", "pack", src, "-o", dir / "game.dat"});
    const RunResult build = RunTool({"build", src, "-o", dir / "out"});
    ::chmod(entry.c_str(), 0755);  // so that the folder can be removed
    EXPECT_NE(pack.exit_code, 0) << pack.out;
    EXPECT_NE(build.exit_code, 0) << build.out;
    const std::string line = LineNaming(pack.out, entry);
    EXPECT_NE(line.find(c.cause), std::string::npos) << pack.out;
    EXPECT_EQ(LineNaming(build.out, entry), line) << build.out;
    EXPECT_FALSE(std::filesystem::exists(dir / "game.dat"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out/game.dat"));
  }
}

std::set<std::string> FolderNames(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

TEST(SourceFolder, AFullDiskLeavesTheOldOutputsByteForByte) {
  TempDir dir;
  WriteFile(dir / "small/readme.txt", "hello");
  WriteFile(dir / "small/project.txt", "title = Old\nstart = start.osb\n");
  WriteFile(dir / "small/start.ost", "Label here\n");
  ASSERT_EQ(RunTool({"build", dir / "small", "-o", dir / "out"}).exit_code, 0);
  ASSERT_EQ(RunTool({"archive", "pack", dir / "small", "-o", dir / "out/packed.dat"}).exit_code, 0);
  const std::string packed = ReadFile(dir / "out/packed.dat");
  const std::string game = ReadFile(dir / "out/game.dat");
  const std::string install = ReadFile(dir / "out/install.dat");
  const std::set<std::string> before = FolderNames(dir / "out");

  WriteGameSource(dir / "big");
  WriteFile(dir / "big/noise.bin", NoiseBytes(400000));
  const std::vector<std::vector<std::string>> commands = {
      {"archive", "pack", dir / "big", "-o", dir / "out/packed.dat"},
      {"archive", "pack", dir / "big", "-o", dir / "out/packed.dat", "--volume-size", "300000"},
      {"archive", "pack", dir / "big", "-o", dir / "out/packed.dat", "--split"},
      {"build", dir / "big", "-o", dir / "out"},
  };
  for (const auto& args : commands) {
    SCOPED_TRACE(args.back());
    const RunResult r = testing::RunProgramOnAFullDisk("OPALTOOL", 200, args);  // 100 or 200 KiB a file
    EXPECT_NE(r.exit_code, 0) << r.out;
    EXPECT_NE(r.out.find("File too large"), std::string::npos) << r.out;
    EXPECT_EQ(ReadFile(dir / "out/packed.dat"), packed);
    EXPECT_EQ(ReadFile(dir / "out/game.dat"), game);
    EXPECT_EQ(ReadFile(dir / "out/install.dat"), install);
    EXPECT_EQ(FolderNames(dir / "out"), before);
  }
}

}  // namespace
}  // namespace opal

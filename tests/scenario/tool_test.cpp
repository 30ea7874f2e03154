// opaltool page, project and build, run as a person runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "test_util.h"

namespace opal {
namespace {

using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFile;

TEST(PageTool, DumpOfBuildGivesTheTextAndBuildOfDumpTheBytes) {
  TempDir dir;
  const std::string text =
      ".result flag\n"
      "Label top\n"
      "+VarNew n ; type: int ; value: 3 ; scope: global\n"
      "+WhileInit i = 0\n"
      "+While i < n\n"
      "  +If i == 1\n"
      "    +Continue TRUE\n"
      "  Wait 10 ; while: i > 5\n"
      "+WhileLoop i = i + 1\n"
      "MesNew PR_NAME: \"msg\" ; PR_LEFT: 20\n"
      "TextIns \"行一<BR>\\n行二\" ; window: \"msg\" ; wait: TRUE\n"
      "Comment a remark; with a semicolon\n"
      "!Jump :top ; if: n > 3\n";
  WriteFile(dir / "a.ost", text);
  auto built = RunTool({"page", "build", dir / "a.ost", "-o", dir / "a.osb"});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  auto dumped = RunTool({"page", "dump", dir / "a.osb", "-o", dir / "b.ost"});
  ASSERT_EQ(dumped.exit_code, 0) << dumped.out;
  std::string expected = text;
  expected.replace(expected.find("a remark; with a semicolon"), 26, "\"a remark; with a semicolon\"");
  EXPECT_EQ(ReadFile(dir / "b.ost"), expected);
  // The page's own name is in its jump to `:top`; keep it.
  auto rebuilt = RunTool({"page", "build", dir / "b.ost", "-o", dir / "b.osb", "--name", "a.osb"});
  ASSERT_EQ(rebuilt.exit_code, 0) << rebuilt.out;
  EXPECT_EQ(ReadFile(dir / "b.osb"), ReadFile(dir / "a.osb"));
}

TEST(PageTool, BadPagesAndTextsFailWithAMessage) {
  TempDir dir;
  // Version 114 and an otherwise empty page: reported, never an empty dump.
  WriteFile(dir / "new.osb", std::string("\x72\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 16));
  auto newer = RunTool({"page", "dump", dir / "new.osb"});
  EXPECT_NE(newer.exit_code, 0);
  EXPECT_NE(newer.out.find("newer"), std::string::npos) << newer.out;
  WriteFile(dir / "bad.ost", "Calc x = 1\nFrobnicate 2\n");
  auto bad = RunTool({"page", "build", dir / "bad.ost", "-o", dir / "bad.osb"});
  EXPECT_NE(bad.exit_code, 0);
  EXPECT_NE(bad.out.find("line 2: unknown command 'Frobnicate'"), std::string::npos) << bad.out;
  EXPECT_NE(RunTool({"page", "dump", dir / "missing.osb"}).exit_code, 0);
  EXPECT_NE(RunTool({"page", "frobnicate"}).exit_code, 0);
}

// Every page of a built game, dumped beside the other pages (targets in
// them written by label and index) and dumped alone (by index), builds
// again alone in an empty folder to the bytes it had.
void ExpectEachPageRebuildsAlone(const std::string& game) {
  TempDir dir;
  auto built = RunTool({"build", game, "-o", dir / "out"});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  auto extracted = RunTool({"archive", "extract", dir / "out/game.dat", "-o", dir / "x"});
  ASSERT_EQ(extracted.exit_code, 0) << extracted.out;
  int pages = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(dir / "x")) {
    if (entry.path().extension() != ".osb") continue;
    const std::string path = entry.path().string();
    const std::string name = entry.path().filename().string();
    SCOPED_TRACE(path);
    ++pages;
    TempDir alone;
    std::filesystem::copy_file(path, alone / name);
    for (const std::string& dumped_from : {path, alone / name}) {
      auto dumped = RunTool({"page", "dump", dumped_from});
      ASSERT_EQ(dumped.exit_code, 0) << dumped.out;
      TempDir empty;
      WriteFile(empty / "page.ost", dumped.out);
      auto rebuilt = RunTool({"page", "build", empty / "page.ost", "-o", empty / name});
      ASSERT_EQ(rebuilt.exit_code, 0) << rebuilt.out << "\n" << dumped.out;
      EXPECT_EQ(ReadFile(empty / name), ReadFile(path)) << dumped.out;
    }
  }
  EXPECT_GT(pages, 1);
}

TEST(PageTool, EachPageOfATwoPageGameRebuildsAlone) {
  TempDir src;
  WriteFile(src / "project.txt", "title = T\nstart = start.osb\n");
  WriteFile(src / "start.ost",
            "Label back\n"
            "+Call other.osb:sub ; result: r ; arg: 1\n"
            "+Jump other.osb:far ; if: r > 1\n"
            "+PCReset other.osb:far ; all: 1\n"
            "GameSave 1 ; resume: other.osb:sub\n");
  WriteFile(src / "other.ost",
            "Calc x = 1\n"
            "Label sub\n"
            "Exit TRUE\n"
            "Label far\n"
            "Jump start.osb:back\n");
  ExpectEachPageRebuildsAlone(src.Path());
  // Dumped beside the page it jumps to, a target carries label and index.
  TempDir dir;
  ASSERT_EQ(RunTool({"build", src.Path(), "-o", dir / "out"}).exit_code, 0);
  ASSERT_EQ(RunTool({"archive", "extract", dir / "out/game.dat", "-o", dir / "x"}).exit_code, 0);
  auto start = RunTool({"page", "dump", dir / "x/start.osb"});
  EXPECT_NE(start.out.find("+Jump other.osb:far#3 ; if: r > 1"), std::string::npos) << start.out;
}

TEST(PageTool, EachPageOfTheHelloExampleRebuildsAlone) {
  ExpectEachPageRebuildsAlone(OPAL_SOURCE_DIR "/examples/hello");
}

TEST(ProjectTool, SettingsBuildAndDumpBothFiles) {
  TempDir dir;
  const std::string settings =
      "title = 題名\nwidth = 800\nheight = 600\nstart = start.osb\nvar int score = 5\ndisc voice = 2\n";
  WriteFile(dir / "p.txt", settings);
  auto built = RunTool({"project", "build", dir / "p.txt", "-o", dir / "opal.opb"});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  auto dumped = RunTool({"project", "dump", dir / "opal.opb", "-o", dir / "q.txt"});
  ASSERT_EQ(dumped.exit_code, 0) << dumped.out;
  const std::string q = ReadFile(dir / "q.txt");
  EXPECT_NE(q.find("title = 題名\n"), std::string::npos) << q;
  EXPECT_NE(q.find("media-extensions = .wav.wma.ogg\n"), std::string::npos) << q;
  EXPECT_NE(q.find("var int score = 5\n"), std::string::npos) << q;
  ASSERT_EQ(RunTool({"project", "build", dir / "q.txt", "-o", dir / "again.opb"}).exit_code, 0);
  EXPECT_EQ(ReadFile(dir / "again.opb"), ReadFile(dir / "opal.opb"));

  WriteFile(dir / "i.txt", "install\ntitle = 題名\nfull-install = 1\ncreated = save\\a.dat\n");
  ASSERT_EQ(RunTool({"project", "build", dir / "i.txt", "-o", dir / "install.dat"}).exit_code, 0);
  EXPECT_EQ(ReadFile(dir / "install.dat").substr(0, 5), "is108");
  auto install = RunTool({"project", "dump", dir / "install.dat"});
  ASSERT_EQ(install.exit_code, 0) << install.out;
  EXPECT_NE(install.out.find("full-install = 1\n"), std::string::npos) << install.out;
  EXPECT_NE(install.out.find("created = save\\a.dat\n"), std::string::npos) << install.out;

  WriteFile(dir / "bad.txt", "title = x\ncolour = 3\n");
  auto bad = RunTool({"project", "build", dir / "bad.txt", "-o", dir / "bad.opb"});
  EXPECT_NE(bad.exit_code, 0);
  EXPECT_NE(bad.out.find("line 2: unknown setting 'colour'"), std::string::npos) << bad.out;
  WriteFile(dir / "newer.opb", std::string("\x72\x00\x00\x00", 4));
  EXPECT_NE(RunTool({"project", "dump", dir / "newer.opb"}).exit_code, 0);
}

TEST(BuildTool, TheHelloExampleBuildsIntoAnArchive) {
  TempDir dir;
  auto built = RunTool({"build", OPAL_SOURCE_DIR "/examples/hello", "-o", dir / "out"});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  auto list = RunTool({"archive", "list", dir / "out/game.dat"});
  ASSERT_EQ(list.exit_code, 0) << list.out;
  for (const char* name : {"opal.opb", "start.osb", "scene\\greet.osb", "scene\\closing.osb", "credits.txt"}) {
    EXPECT_NE(list.out.find(name), std::string::npos) << name << "\n" << list.out;
  }
  EXPECT_EQ(list.out.find(".ost"), std::string::npos) << list.out;
  EXPECT_EQ(list.out.find("project.txt"), std::string::npos) << list.out;
  // Each compiled page dumps back to its source text.
  auto extracted = RunTool({"archive", "extract", dir / "out/game.dat", "-o", dir / "x"});
  ASSERT_EQ(extracted.exit_code, 0) << extracted.out;
  EXPECT_EQ(ReadFile(dir / "x/credits.txt"), ReadFile(OPAL_SOURCE_DIR "/examples/hello/credits.txt"));
  auto start = RunTool({"page", "dump", dir / "x/start.osb"});
  ASSERT_EQ(start.exit_code, 0) << start.out;
  EXPECT_NE(start.out.find("+Call scene\\greet.osb:hello"), std::string::npos) << start.out;
}

TEST(BuildTool, BrokenSourcesFailNamingTheFile) {
  TempDir dir;
  WriteFile(dir / "src/project.txt", "title = T\nstart = start.osb\n");
  WriteFile(dir / "src/start.ost", "Jump other.osb:nowhere\n");
  WriteFile(dir / "src/other.ost", "Label here\n");
  auto r = RunTool({"build", dir / "src", "-o", dir / "out"});
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.out.find("start.ost: line 1: no label 'nowhere' in other.osb"), std::string::npos) << r.out;
  WriteFile(dir / "src/start.ost", "Jump other.osb:here\n");
  ASSERT_EQ(RunTool({"build", dir / "src", "-o", dir / "out"}).exit_code, 0);
  WriteFile(dir / "nostart/project.txt", "title = T\nstart = missing.osb\n");
  EXPECT_NE(RunTool({"build", dir / "nostart", "-o", dir / "out2"}).exit_code, 0);
  EXPECT_NE(RunTool({"build", dir / "none", "-o", dir / "out3"}).exit_code, 0);
}

}  // namespace
}  // namespace opal

#include "storage/vr_file_manager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "common/error.h"
#include "storage/disk_path.h"
#include "storage/messages.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

// Packs in-memory files into an archive file.
void MakeArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& files) {
  TVrFileCollection c;
  for (const auto& [name, data] : files) c.AddMemoryFile(name)->Memory->Bytes().assign(data.begin(), data.end());
  TSkBigFileStream out(path, fm::Create);
  c.Write(out);
}

std::string Load(TVrFileManager& m, std::string_view name) {
  TMemoryStream s;
  m.LoadToStream(s, name);
  EXPECT_EQ(s.Position(), 0);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

class FileManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeArchive(dir / "one.dat", {{"shared.txt", "from one"}, {"Folder\\a.txt", "a"}, {"only1.txt", "1"},
                                  {"zero.txt", ""}, {"media\\song.ogg", "OggS-ish bytes"}});
    MakeArchive(dir / "two.dat", {{"shared.txt", "from two"}, {"folder\\A.TXT", "a2"}, {"folder\\b.txt", "b"}});
    WriteFile(dir / "data/loose.txt", "loose");
    WriteFile(dir / "data/only1.txt", "disk wins");
    files.SetDataFolder(dir / "data");
    ASSERT_EQ(files.AddArchive(""), 0);
    ASSERT_EQ(files.AddArchive(dir / "one.dat"), 1);
    ASSERT_EQ(files.AddArchive(dir / "two.dat"), 2);
  }
  TempDir dir;
  TempDir temp;
  TVrFileManager files{{}, temp.Path()};
};

TEST_F(FileManagerTest, LookupOrders) {
  EXPECT_EQ(Load(files, "SHARED.TXT"), "from one");  // the first source wins
  EXPECT_EQ(Load(files, "only1.txt"), "disk wins");  // loading asks the data folder first
  EXPECT_TRUE(files.Exists("only1.txt"));
  EXPECT_TRUE(files.Exists("loose.txt"));
  EXPECT_FALSE(files.Exists(""));
  EXPECT_FALSE(files.Exists("\\EOF\\"));
  EXPECT_EQ(Load(files, "zero.txt"), "");
  // An in-memory entry of source 0 comes before every archive.
  files.Source(0).AddMemoryFile("shared.txt")->Memory->Bytes() = {'m'};
  EXPECT_EQ(Load(files, "shared.txt"), "m");
  EXPECT_EQ(files.FindEntry("folder\\b.txt")->Size > 0, true);
  EXPECT_EQ(files.AddArchive(dir / "data/"), 3);
  EXPECT_EQ(files.AddArchive(dir / "data/"), -1);  // a source with that base folder exists
}

TEST_F(FileManagerTest, MissingNamesRaiseTheMessage) {
  try {
    Load(files, "nothing.txt");
    FAIL();
  } catch (const EOpalError& e) {
    EXPECT_EQ(std::string(e.what()), Format(msg::kFileNotFound, "nothing.txt"));
  }
  EXPECT_THROW(files.OpenRangeStream("nothing.txt"), EOpalError);
}

TEST_F(FileManagerTest, ListFilesNamesEachFileOnce) {
  std::vector<std::string> list;
  files.ListFiles("folder\\", list);
  EXPECT_EQ(list, (std::vector<std::string>{"Folder\\a.txt", "folder\\b.txt"}));
  std::vector<std::string> root;
  files.ListFiles("", root);
  EXPECT_NE(std::find(root.begin(), root.end(), "loose.txt"), root.end());
  EXPECT_EQ(std::count(root.begin(), root.end(), "only1.txt"), 1);
  EXPECT_EQ(TVrFileManager::ExtractDir("a\\b\\c.png"), "a\\b\\");
  EXPECT_EQ(TVrFileManager::ExtractDir("c.png"), "");
}

TEST_F(FileManagerTest, RealFileNamesShareOneTemporaryFile) {
  EXPECT_EQ(files.GetRealFileName("loose.txt"), dir / "data/loose.txt");
  const std::string first = files.GetRealFileName("media\\song.ogg");
  const std::string again = files.GetRealFileName("media\\song.ogg");
  EXPECT_EQ(first, again);
  ASSERT_EQ(files.Locks().Items.size(), 1u);
  EXPECT_EQ(files.Locks().Items[0].RefCount, 2);
  EXPECT_EQ(ReadFile(first), "OggS-ish bytes");
  EXPECT_NE(first.find("/~oq00000000.ogg"), std::string::npos);
  // Inside a private folder below the temporary folder, readable by us alone.
  EXPECT_EQ(first.rfind(temp.Path() + "/opal-", 0), 0u);
  struct stat st{};
  ASSERT_EQ(::stat(first.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const std::string second = files.GetRealFileName("only1.txt");  // the data folder has it
  EXPECT_EQ(second, dir / "data/only1.txt");
}

TEST(FileManager, TemporaryFilesGoAtTheEnd) {
  TempDir dir, temp;
  MakeArchive(dir / "g.dat", {{"v.wav", "RIFF"}});
  std::string path;
  {
    TVrFileManager files({}, temp.Path());
    files.AddArchive(dir / "g.dat");
    path = files.GetRealFileName("v.wav");
    EXPECT_TRUE(TDiskPath::IsFile(path));
  }
  EXPECT_FALSE(TDiskPath::IsFile(path));
  EXPECT_TRUE(TDiskPath::List(temp.Path()).empty());
}

TEST_F(FileManagerTest, RangeStreams) {
  auto disk = files.OpenRangeStream("loose.txt");
  EXPECT_EQ(disk->Size(), 5);
  auto zero = files.OpenRangeStream("zero.txt");
  EXPECT_EQ(zero->Size(), 0);
  auto entry = files.OpenRangeStream("folder\\b.txt");
  char c = 0;
  EXPECT_EQ(entry->Read(&c, 1), 1);
  EXPECT_EQ(c, 'b');
}

class FakeHost : public TDiskRequestHost {
 public:
  std::vector<bool> answers;
  std::vector<std::string> asked;
  int wanted_index = -1;
  bool terminated = false;
  bool AskOkCancel(const std::string& text) override {
    asked.push_back(text);
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.erase(answers.begin());
    return a;
  }
  void RequestTerminate() override { terminated = true; }
  std::string DiskPrompt() override { return "insert %d %s%n"; }
  std::string ExitPrompt() override { return "quit?"; }
  bool IsGameDisc(const std::string& install_dat, int index) override {
    return index == wanted_index && TDiskPath::IsFile(install_dat);
  }
};

TEST(FileManager, DiscsFromCdRoots) {
  TempDir dir, temp;
  WriteFile(dir / "cd/Install.dat", "is108");
  MakeArchive(dir / "cd/GAME.DAT", {{"disc2.txt", "second disc"}});
  WriteFile(dir / "cd/extra/loose.txt", "on the disc");
  TVrFileManager files({dir / "cd", dir / "no-such-drive"}, temp.Path());
  ASSERT_EQ(files.CdRoots().size(), 1u);
  EXPECT_TRUE(files.Exists("extra\\loose.txt"));
  EXPECT_EQ(Load(files, "EXTRA\\LOOSE.TXT"), "on the disc");
  EXPECT_FALSE(files.Exists("disc2.txt"));

  FakeHost host;
  host.wanted_index = 1;
  host.answers = {true};
  EXPECT_TRUE(files.RequestDisk(2, host));
  // The prompt is filled in once and never used as a format string.
  EXPECT_EQ(host.asked[0], "insert 2 %s%n");
  EXPECT_EQ(Load(files, "disc2.txt"), "second disc");
  // Asking again removes the disc's source first, then mounts it anew.
  EXPECT_TRUE(files.RequestDisk(2, host));
  EXPECT_EQ(files.SourceCount(), 1);

  FakeHost wrong;
  wrong.wanted_index = 5;
  wrong.answers = {true, false, true};  // OK (wrong disc), Cancel, confirm the exit
  EXPECT_FALSE(files.RequestDisk(2, wrong));
  EXPECT_TRUE(wrong.terminated);
  EXPECT_EQ(wrong.asked.back(), "quit?");
  EXPECT_EQ(files.SourceCount(), 0);
}

TEST(FileManager, ResourceArchives) {
  TVrFileCollection c;
  c.AddMemoryFile("logo.ocm")->Memory->Bytes() = {'L'};
  TSkBigMemoryStream bytes;
  c.Write(bytes);
  TResourceModule module;
  module.Add("DUMMY", "BINTYPE", bytes.Stream.Bytes());
  module.Add("EMPTY", "BINTYPE", {});
  TVrFileManager files;
  files.AddResourceArchive(module, "dummy", "bintype");
  EXPECT_EQ(Load(files, "LOGO.OCM"), "L");
  EXPECT_THROW(files.AddResourceArchive(module, "EMPTY", "BINTYPE"), EOpalError);
  // Another module cannot be loaded: its source stays empty.
  EXPECT_EQ(files.AddResourceArchive("/no/such/module.dll", "DUMMY", "BINTYPE"), 1);
  EXPECT_EQ(files.Source(1).Count(), 0);
}

}  // namespace
}  // namespace opal

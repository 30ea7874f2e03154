// The project file, install.dat and the project's start-up checks.
#include <gtest/gtest.h>

#include "common/ext80.h"
#include "expr/param_collection.h"
#include "platform/message_boxes.h"
#include "scenario/install_set.h"
#include "scenario/messages.h"
#include "scenario/project.h"
#include "scenario/project_file.h"
#include "scenario/project_text.h"
#include "storage/disk_path.h"
#include "storage/stream.h"
#include "hand_bytes.h"
#include "test_util.h"

namespace opal {
namespace {

using TBytes = testing::THandBytes;

TMemoryStream Stream(const std::string& b) { return TMemoryStream(std::vector<uint8_t>(b.begin(), b.end())); }

std::string Bytes(const TProjectFile& f) {
  TMemoryStream s;
  f.SaveToStream(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

TEST(ProjectFile, ReadsAHandMadeVersion103File) {
  TBytes p;
  p.I32(103).Str("Game").I32(640).I32(480).I32(800).I32(600).Str("start.osb").Str("Key").I32(9);
  p.Str("disc %d").Str("bye").I32(3);
  p.U8(1).Str("n").I32(-7);
  const auto x = EncodeExtended(2.5L);
  p.U8(2).Str("r");
  p.Raw(std::string_view(reinterpret_cast<const char*>(x.data()), 10));
  p.U8(9).Str("odd");  // a type without a value
  p.I32(1).Str("voice\\").I32(2);
  TMemoryStream s = Stream(p.Text());
  TProjectFile f;
  f.LoadFromStream(s);
  EXPECT_EQ(f.Title, "Game");
  EXPECT_EQ(f.FullScreenHeight, 600);
  EXPECT_EQ(f.ClosingPage, "");
  EXPECT_EQ(f.SaveToDisk, 0);
  EXPECT_EQ(f.YieldCpu, 0);
  EXPECT_EQ(f.OptionalMediaExtensions, ".wav.wma.ogg.mid");
  EXPECT_EQ(f.ImageTileSeed, 9);
  ASSERT_EQ(f.Variables.size(), 3u);
  EXPECT_EQ(f.Variables[0].IntValue, -7);
  EXPECT_EQ(DecodeExtended(f.Variables[1].FloatBytes.data()), 2.5L);
  EXPECT_EQ(f.Variables[2].Type, 9);
  EXPECT_EQ(f.FolderDisks.DiscOf("VOICE\\A\\001.WAV"), 2);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(Bytes(f), p.Text());  // the writer gives the same layout back
}

TEST(ProjectFile, NewerDamagedAndTruncatedFilesAreRefused) {
  TProjectFile f;
  f.Title = "T";
  f.Variables.push_back({4, "s", 0, {}, 0, "v"});
  const std::string good = Bytes(f);
  for (size_t n = 0; n < good.size(); ++n) {
    TMemoryStream s = Stream(good.substr(0, n));
    TProjectFile back;
    EXPECT_THROW(back.LoadFromStream(s), EOpalError) << n;
  }
  TMemoryStream newer = Stream(TBytes().I32(114).Text());
  EXPECT_THROW(f.LoadFromStream(newer), EProjectTooNew);
  std::string many = good;
  many.replace(many.find(std::string("\x01\x00\x00\x00\x04", 5)), 4, std::string("\xff\xff\xff\x7f", 4));
  TMemoryStream s = Stream(many);
  EXPECT_THROW(f.LoadFromStream(s), EFormatError);
}

TEST(ProjectFile, SettingsTextRoundTrips) {
  TProjectFile f;
  f.Title = "題名";
  f.Width = 800;
  f.StartPage = "start.osb";
  f.ClosingPage = "bye \"quoted\".osb";
  f.Variables = {{1, "a", 5, {}, 0, ""}, {2, "b", 0, EncodeExtended(0.1L), 0, ""},
                 {3, "c", 0, {}, 2, ""}, {4, "d e", 0, {}, 0, "x = y # z"}, {7, "f", 0, {}, 0, ""}};
  // "\x95\x5C" ends in the byte of a backslash, which is no escape.
  f.FolderDisks.Items = {{"voice\\", 2}, {"bgm", 3}, {"a = b", 4}, {"", 5}, {"\x95\x5C", 6}, {"\x95\x5C\" = ", 7}};
  // Names that a damaged or odd file may hold must still read back.
  for (const char* name : {"", " ", "a=b", "x\ny", "#", "\"", "\x81\x40"}) f.Variables.push_back({1, name, 3, {}, 0, ""});
  const std::string text = WriteProjectText(f);
  TProjectFile back;
  ReadProjectText(text, back);
  EXPECT_EQ(Bytes(back), Bytes(f)) << text;
  for (int32_t version : {100, 104, 106, 109, 110, 113}) {
    f.Version = version;
    TMemoryStream s = Stream(Bytes(f));
    TProjectFile read;
    read.LoadFromStream(s);
    ReadProjectText(WriteProjectText(read), back);
    EXPECT_EQ(Bytes(back), Bytes(read)) << version;
  }
}

TEST(FolderDisks, DiscOfCutsThePathBackToAListedFolder) {
  TFolderDiskList list;
  list.Items = {{"voice\\", 2}, {"bgm\\x", 3}};
  EXPECT_EQ(list.DiscOf("VOICE\\A\\001.WAV"), 2);
  EXPECT_EQ(list.DiscOf("voice"), 2);
  EXPECT_EQ(list.DiscOf("bgm\\x\\a.ogg"), 3);
  EXPECT_EQ(list.DiscOf("bgm\\a.ogg"), 0);
  EXPECT_EQ(list.DiscOf("other\\file"), 0);
  EXPECT_EQ(list.DiscOf(""), 0);
}

std::string InstallBytes(const TOpalInstallSet& set) {
  TMemoryStream s;
  set.SaveToStream(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

TEST(InstallSet, ReadsVersion0FromTheFirstByteAndWritesIs108) {
  TBytes p;
  p.I32(1).Str("Game").Str("a").Str("b").Str("c").U8(1).Str("d").U8(0).I32(1);
  p.Str("e").I32(5).U8(1).U8(1).Str("f").Str("g");
  p.I32(10).I32(20).I32(30).I32(40);                // one item, narrow
  p.I32(1).I32(2).I32(3).I32(4).U8(1);
  TMemoryStream s = Stream(p.Text());
  TOpalInstallSet set;
  set.LoadFromStream(s);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(set.Version, 0);
  EXPECT_EQ(set.DiscIndex, 1);
  EXPECT_EQ(set.Title, "Game");
  ASSERT_EQ(set.Items.size(), 1u);
  EXPECT_EQ(set.Items[0][3], 40);
  EXPECT_EQ(set.FullInstall, 0);
  const std::string written = InstallBytes(set);
  EXPECT_EQ(written.substr(0, 5), "is108");
  TMemoryStream again = Stream(written);
  TOpalInstallSet back;
  back.LoadFromStream(again);
  EXPECT_EQ(back.Version, 108);
  EXPECT_EQ(back.Items, set.Items);
  EXPECT_EQ(InstallBytes(back), written);

  TMemoryStream bad = Stream("isX08");
  EXPECT_THROW(back.LoadFromStream(bad), EFormatError);
  TMemoryStream huge = Stream(written.substr(0, 5) + TBytes().I32(0).Str("").Str("").Str("").Str("")
                                                                       .U8(0).Str("").U8(0).I32(0x7FFFFFFF).Text());
  EXPECT_THROW(back.LoadFromStream(huge), EOpalError);
}

TEST(InstallSet, CreatedFilesNeverLeaveTheGameFolders) {
  TOpalInstallSet set;
  set.Version = 108;
  EXPECT_TRUE(set.AddCreatedFile("save\\a.dat"));
  EXPECT_FALSE(set.AddCreatedFile("SAVE\\A.DAT"));
  EXPECT_THROW(set.AddCreatedFile("..\\..\\etc\\passwd"), EFormatError);
  EXPECT_THROW(set.AddCreatedFile("C:\\boot.ini"), EFormatError);
  set.CreatedFiles.push_back("..\\evil");  // as a crafted file might list it
  TMemoryStream s = Stream(InstallBytes(set));
  TOpalInstallSet back;
  back.LoadFromStream(s);
  EXPECT_EQ(back.CreatedFiles, std::vector<std::string>{"save\\a.dat"});
}

TEST(InstallSet, SaveToFileReplacesTheOldFileAtomically) {
  testing::TempDir dir;
  const std::string path = dir / "install.dat";
  testing::WriteFile(path, "old");
  TOpalInstallSet set;
  set.Title = "New";
  set.SaveToFile(path);
  EXPECT_EQ(testing::ReadFile(path).substr(0, 5), "is108");
  EXPECT_FALSE(TDiskPath::IsFile(path + ".tmp~"));
  // A disk too full for the new file: the write fails, the old file stays,
  // and no temporary file is left beside it.
  testing::WriteFile(dir / "blocked.dat", "keep");
  {
    testing::FileSizeLimit full_disk(0);
    EXPECT_THROW(set.SaveToFile(dir / "blocked.dat"), EOpalError);
  }
  EXPECT_EQ(testing::ReadFile(dir / "blocked.dat"), "keep");
  size_t files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.Path())) files += e.is_regular_file() ? 1 : 0;
  EXPECT_EQ(files, 2u);  // install.dat and blocked.dat
}

// A game folder with install.dat and opal.opb written by our writers.
struct TGame {
  testing::TempDir dir;
  TVrFileManager files;
  TParamCollection vars;
  TScriptedMessageBoxes boxes{nullptr};

  TGame(const TProjectFile& project, uint8_t full_install = 1, bool write_project = true) {
    TOpalInstallSet set;
    set.Title = project.Title;
    set.FullInstall = full_install;
    set.SaveToFile(dir / "install.dat");
    if (write_project) {
      TMemoryStream s;
      project.SaveToStream(s);
      s.SaveToFile(dir / "opal.opb");
    }
    testing::WriteFile(dir / "start.osb", "x");
  }
  TProject Make(std::vector<std::string> args = {}) { return TProject({&files, &vars, &boxes, dir.Path(), args}); }
};

TProjectFile SmallProject() {
  TProjectFile f;
  f.Title = "Small";
  f.Width = 641;
  f.Height = 480;
  f.StartPage = "start.osb";
  f.Variables = {{1, "score", 42, {}, 0, ""}, {4, "name", 0, {}, 0, "abc"}};
  f.FolderDisks.Items = {{"bgm", 2}};
  return f;
}

TEST(Project, CreateAppliesTheFileAndKeepsRestoredVariables) {
  TGame game(SmallProject());
  TParamCollectionItem* restored = game.vars.AddVar(1);
  game.vars.NameVar(restored, "score");
  restored->Value->SetAsInteger(7);
  TProject project = game.Make();
  ASSERT_TRUE(project.Create()) << project.LastError;
  EXPECT_FALSE(project.TerminateRequested);
  EXPECT_EQ(project.Title, "Small");
  EXPECT_EQ(project.CenterX, 320);
  EXPECT_EQ(game.vars.FindVar("score")->AsInteger(), 7);
  ASSERT_NE(game.vars.FindVar("name"), nullptr);
  EXPECT_EQ(game.vars.FindVar("name")->Value->AsString(), "abc");
  EXPECT_EQ(game.vars.FindVar("name")->Persistent, 1);
  EXPECT_EQ(game.boxes.Shown, 0);
}

TEST(Project, StartUpFailuresStopThePlayer) {
  {
    TProjectFile f = SmallProject();
    f.Version = 113;
    TGame game(f);
    testing::WriteFile(game.dir / "opal.opb", TBytes().I32(114).Text());
    TProject p = game.Make();
    EXPECT_FALSE(p.Create());
    EXPECT_TRUE(p.TerminateRequested);
    EXPECT_NE(p.LastError.find("newer"), std::string::npos);
  }
  {
    TGame game(SmallProject());
    testing::WriteFile(game.dir / "opal.opb", "");
    TProject p = game.Make();
    EXPECT_FALSE(p.Create());
    EXPECT_EQ(game.boxes.LastText, msg::kNoProject);
  }
  {
    TProjectFile f = SmallProject();
    f.StartPage = "missing.osb";
    TGame game(f);
    TProject p = game.Make();
    EXPECT_FALSE(p.Create());
    EXPECT_EQ(game.boxes.LastText, msg::kNoStartPage);
    EXPECT_TRUE(p.TerminateRequested);
  }
  {
    TGame game(SmallProject());
    ::unlink((game.dir / "install.dat").c_str());
    TProject p = game.Make();
    EXPECT_FALSE(p.Create());
    EXPECT_EQ(game.boxes.LastText, msg::kReinstall);
    // With /config the install data is not looked for at all.
    game.files.SetDataFolder(game.dir.Path() + "/");
    TProject config = game.Make({"/config"});
    EXPECT_TRUE(config.Create());
  }
}

TEST(Project, AMissingDiscEndsTheSearchWhenNobodyAnswers) {
  TGame game(SmallProject(), /*full_install=*/0);
  TProject p = game.Make();
  EXPECT_FALSE(p.Create());
  EXPECT_EQ(game.boxes.Shown, 2);  // insert-disc question, then the exit question
  EXPECT_EQ(game.boxes.LastText, p.ExitPromptText);

  // Scripted answers: OK searches again; Cancel asks whether to exit, where
  // Cancel searches again; then the script runs out and the unattended
  // answers end the search.
  TGame answered(SmallProject(), 0);
  answered.boxes.Answers = {TMsgAnswer::Ok, TMsgAnswer::Cancel, TMsgAnswer::Cancel, TMsgAnswer::Ok};
  TProject q = answered.Make();
  EXPECT_FALSE(q.Create());
  const std::string disc = msg::kInsertDiscPlain, exit = q.ExitPromptText;
  EXPECT_EQ(answered.boxes.Texts, (std::vector<std::string>{disc, disc, exit, disc, disc, exit}));
}

TEST(Project, ADiscRequestEndsUnattendedWhateverThePromptsSay) {
  // Empty prompts, and prompts equal to each other: the questions cannot be
  // told apart by their text, yet an unattended request must end.
  for (const std::string& prompt : {std::string(), std::string("same")}) {
    SCOPED_TRACE(prompt);
    TProjectFile f = SmallProject();
    f.DiscPrompt = prompt;
    f.ExitPrompt = prompt;
    TGame game(f);
    TProject p = game.Make();
    ASSERT_TRUE(p.Create());
    EXPECT_FALSE(p.EnsureAvailable("bgm\\page.osb"));
    EXPECT_EQ(game.boxes.Shown, 2);
    EXPECT_TRUE(p.TerminateRequested);
    // A scripted OK at the disc question searches again, then the script
    // runs out: the disc question is cancelled and the exit accepted.
    game.boxes.Answers = {TMsgAnswer::Ok, TMsgAnswer::Cancel, TMsgAnswer::Cancel};
    game.boxes.Shown = 0;
    EXPECT_FALSE(p.EnsureAvailable("bgm\\page.osb"));
    EXPECT_EQ(game.boxes.Shown, 5);
  }
}

// A backend that gives one answer to everything, whatever the caller's
// unattended answer is.
class TStubbornBoxes final : public MessageBoxes {
 public:
  explicit TStubbornBoxes(TMsgAnswer answer) : Answer_(answer) {}
  TMsgAnswer Show(const std::string&, const std::string&, TMsgButtons, TMsgIcon, TMsgAnswer) override {
    ++Shown;
    return Answer_;
  }
  int Shown = 0;

 private:
  TMsgAnswer Answer_;
};

TEST(Project, ABackendThatAlwaysGivesOneAnswerCannotHoldTheSearch) {
  for (const TMsgAnswer answer : {TMsgAnswer::Ok, TMsgAnswer::Cancel}) {
    TGame game(SmallProject(), /*full_install=*/0);
    TStubbornBoxes boxes(answer);
    TProject p({&game.files, &game.vars, &boxes, game.dir.Path(), {}});
    EXPECT_FALSE(p.Create());
    EXPECT_EQ(boxes.Shown, 1000);
    p.Apply(SmallProject());
    boxes.Shown = 0;
    EXPECT_FALSE(p.EnsureAvailable("bgm\\page.osb"));
    EXPECT_EQ(boxes.Shown, 1000);
    EXPECT_TRUE(p.TerminateRequested);
  }
}

TEST(Project, EnsureAvailableSkipsOptionalMediaWithoutAsking) {
  TGame game(SmallProject());
  TProject p = game.Make();
  ASSERT_TRUE(p.Create());
  p.OptionalMediaExtensions = ".wav.wma.ogg";
  EXPECT_TRUE(p.EnsureAvailable("start.osb"));
  EXPECT_FALSE(p.EnsureAvailable("bgm\\x.ogg"));
  EXPECT_FALSE(p.EnsureAvailable("bgm\\x.WAV"));
  EXPECT_FALSE(p.EnsureAvailable("other\\x.osb"));  // on no disc
  // A list stored without its leading dot matches its first entry too.
  p.OptionalMediaExtensions = "WAV.ogg";
  EXPECT_FALSE(p.EnsureAvailable("bgm\\x.wav"));
  EXPECT_FALSE(p.EnsureAvailable("bgm\\x.ogg"));
  EXPECT_EQ(game.boxes.Shown, 0);
  // A page on disc 2 asks, and so does a mere part of an optional
  // extension; nobody answers, so the player is asked to stop.
  EXPECT_FALSE(p.EnsureAvailable("bgm\\x.og"));
  EXPECT_EQ(game.boxes.Shown, 2);
  EXPECT_FALSE(p.EnsureAvailable("bgm\\page.osb"));
  EXPECT_GE(game.boxes.Shown, 1);
  EXPECT_TRUE(p.TerminateRequested);
}

TEST(Project, NoteCreatedFileRewritesInstallDat) {
  TGame game(SmallProject());
  game.files.SetDataFolder(game.dir.Path() + "/");
  TProject p = game.Make();
  EXPECT_TRUE(p.NoteCreatedFile("shot\\a.bmp"));
  EXPECT_FALSE(p.NoteCreatedFile("SHOT\\A.BMP"));
  EXPECT_FALSE(p.NoteCreatedFile("..\\a.bmp"));
  TOpalInstallSet set;
  set.LoadFromFile(game.dir / "install.dat");
  EXPECT_EQ(set.CreatedFiles, std::vector<std::string>{"shot\\a.bmp"});
}

}  // namespace
}  // namespace opal

// opaltool film build|dump|info, films in `opaltool build`, and frame
// times of `image encode --times`, as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "film/film_manager.h"
#include "imagefiles/dib_surface.h"
#include "imagefiles/png_codec.h"
#include "storage/stream.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::ReadFile;
using testing::RunTool;
using testing::TempDir;
using testing::WriteFile;

constexpr const char* kText =
    "OpalMotion 108\n"
    "StageSize 64 48\n"
    "Relative 1\n"
    "LoopStart 10\n"
    "track box\n"
    "  TrackLength 60\n"
    "  PosEnd 100 0\n"
    "  ColorStart 0xFF\n"
    "track image\n"
    "  Link 0\n"
    "  TrackLength 30\n"
    "  ZoomYEnd 2\n"
    "  FileName \"..\\pic\\あ.bri\"\n"
    "track sound\n"
    "  VolumeStart 955\n";

TEST(FilmTool, DumpOfBuildGivesTheTextBackAtEveryVersion) {
  TempDir dir;
  WriteFile(dir / "a.txt", kText);
  for (int v = 100; v <= 108; ++v) {
    SCOPED_TRACE(v);
    const std::string film = dir / ("a" + std::to_string(v) + ".omt");
    const auto built = RunTool({"film", "build", dir / "a.txt", "-o", film, "--version", std::to_string(v)});
    ASSERT_EQ(built.exit_code, 0) << built.out;
    // Only 108 holds everything of the text.
    EXPECT_EQ(built.out.find("warning") == std::string::npos, v >= 106) << built.out;
    const auto dumped = RunTool({"film", "dump", film, "-o", dir / "b.txt"});
    ASSERT_EQ(dumped.exit_code, 0) << dumped.out;
    EXPECT_EQ(ReadFile(dir / "b.txt").substr(0, 15), "OpalMotion " + std::to_string(v) + "\n");
    const auto rebuilt = RunTool({"film", "build", dir / "b.txt", "-o", dir / "b.omt"});
    ASSERT_EQ(rebuilt.exit_code, 0) << rebuilt.out;
    EXPECT_EQ(rebuilt.out, "");
    EXPECT_EQ(ReadFile(dir / "b.omt"), ReadFile(film));
    const auto again = RunTool({"film", "dump", dir / "b.omt"});
    EXPECT_EQ(again.out, ReadFile(dir / "b.txt"));
  }
}

TEST(FilmTool, BuildWarnsOfFieldsTheVersionLacksAndRefusesWhatItCannotHold) {
  TempDir dir;
  WriteFile(dir / "a.txt", kText);
  const auto old = RunTool({"film", "build", dir / "a.txt", "-o", dir / "a.omt", "--version", "104"});
  EXPECT_EQ(old.exit_code, 0) << old.out;
  EXPECT_NE(old.out.find("warning: " + (dir / "a.txt") + ": track 1 (image): ZoomYEnd is left out: version 104"),
            std::string::npos)
      << old.out;
  EXPECT_NE(old.out.find("header: LoopStart is left out"), std::string::npos) << old.out;
  WriteFile(dir / "odd.txt", "OpalCinema 108\ntrack box\n  TrackLength 31\n");
  const auto odd = RunTool({"film", "build", dir / "odd.txt", "-o", dir / "odd.ocm", "--version", "106"});
  EXPECT_EQ(odd.exit_code, 1);
  EXPECT_NE(odd.out.find("track 0 (box): TrackLength 31: version 106 counts frames of 1/30 s"), std::string::npos)
      << odd.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "odd.ocm"));
  EXPECT_EQ(RunTool({"film", "build", dir / "odd.txt", "-o", dir / "odd.ocm", "--version", "107"}).exit_code, 0);
  const auto bad = RunTool({"film", "build", dir / "odd.txt", "-o", dir / "x.ocm", "--version", "109"});
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_NE(bad.out.find("109 is not a film version"), std::string::npos) << bad.out;
}

TEST(FilmTool, InfoShowsTheHeaderAndEachTrack) {
  TempDir dir;
  WriteFile(dir / "a.txt", kText);
  ASSERT_EQ(RunTool({"film", "build", dir / "a.txt", "-o", dir / "a.omt"}).exit_code, 0);
  const auto info = RunTool({"film", "info", dir / "a.omt"});
  ASSERT_EQ(info.exit_code, 0) << info.out;
  EXPECT_EQ(info.out,
            "magic OpalMotion\nversion 108\nstage 64x48\nbackground -1\nrelative 1\norigin 0,0\nloop start 10\n"
            "length 90\ntracks 3\n"
            "track 0: box start 0 length 60 link -1 priority 0\n"
            "track 1: image start 60 length 30 link 0 priority 0\n"
            "track 2: sound start 0 length 0 link -1 priority 0\n");
}

TEST(FilmTool, DamagedFilmsAreRefused) {
  TempDir dir;
  WriteFile(dir / "a.txt", kText);
  ASSERT_EQ(RunTool({"film", "build", dir / "a.txt", "-o", dir / "a.omt"}).exit_code, 0);
  const std::string film = ReadFile(dir / "a.omt");
  WriteFile(dir / "cut.omt", film.substr(0, film.size() - 5));
  WriteFile(dir / "other.omt", "OpalPicture108");
  for (const auto& [name, says] : {std::pair{"cut.omt", "track 2 (sound)"}, {"other.omt", "not a film"}}) {
    for (const char* command : {"dump", "info"}) {
      const auto r = RunTool({"film", command, dir / name});
      EXPECT_EQ(r.exit_code, 1) << command << " " << name;
      EXPECT_NE(r.out.find(says), std::string::npos) << r.out;
    }
  }
}

TEST(FilmTool, GameBuildTurnsFilmTextsIntoFilms) {
  TempDir dir;
  WriteFile(dir / "src/project.txt", "title = T\nstart = start.osb\n");
  WriteFile(dir / "src/start.ost", "Comment nothing\n");
  WriteFile(dir / "src/anim/walk.omt.txt", kText);
  WriteFile(dir / "src/op.ocm.txt", "OpalCinema 106\nStageSize 8 8\ntrack box\n  TrackLength 4\n");
  const auto built = RunTool({"build", dir / "src", "-o", dir / "out"});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  const auto extracted = RunTool({"archive", "extract", dir / "out/game.dat", "-o", dir / "x"});
  ASSERT_EQ(extracted.exit_code, 0) << extracted.out;
  EXPECT_FALSE(std::filesystem::exists(dir / "x/op.ocm.txt"));
  ASSERT_EQ(RunTool({"film", "build", dir / "src/anim/walk.omt.txt", "-o", dir / "walk.omt"}).exit_code, 0);
  EXPECT_EQ(ReadFile(dir / "x/anim/walk.omt"), ReadFile(dir / "walk.omt"));
  const auto info = RunTool({"film", "info", dir / "x/op.ocm"});
  EXPECT_NE(info.out.find("version 106\n"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("length 4\n"), std::string::npos) << info.out;

  WriteFile(dir / "src/bad.ocm.txt", "OpalCinema 108\ntrack movie\n");
  const auto bad = RunTool({"build", dir / "src", "-o", dir / "out2"});
  EXPECT_EQ(bad.exit_code, 1);
  EXPECT_NE(bad.out.find("bad.ocm.txt: line 2: 'movie' is not a track kind"), std::string::npos) << bad.out;
}

TEST(FilmTool, ImageEncodeTimesEachFrame) {
  TempDir dir;
  std::vector<std::string> args = {"image", "encode"};
  for (int i = 0; i < 3; ++i) {
    TDIBSurface picture;
    picture.SetSize(4, 3, 24);
    TMemoryStream png;
    SavePng(picture, png);
    const std::string path = dir / ("f" + std::to_string(i) + ".png");
    png.SaveToFile(path);
    args.push_back(path);
  }
  args.insert(args.end(), {"--times", "100,100,0", "-o", dir / "a.bri"});
  const auto encoded = RunTool(args);
  ASSERT_EQ(encoded.exit_code, 0) << encoded.out;
  const auto info = RunTool({"image", "info", dir / "a.bri"});
  ASSERT_EQ(info.exit_code, 0) << info.out;
  EXPECT_NE(info.out.find("frame 0: 4x3x24 time 100 "), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("frame 1: 4x3x24 time 100 "), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("frame 2: 4x3x24 time 0 "), std::string::npos) << info.out;
  args[args.size() - 3] = "100,100";
  const auto wrong = RunTool(args);
  EXPECT_EQ(wrong.exit_code, 1);
  EXPECT_NE(wrong.out.find("--times: 2 times for 3 frames"), std::string::npos) << wrong.out;
}

}  // namespace
}  // namespace opal

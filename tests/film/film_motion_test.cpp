// Films as motions on a stage's controls: a box moved, sized and coloured
// along a chain of tracks, a relative motion, an image whose track sets its
// priority offset and leaves its priority alone, a tile's scroll and size,
// and films that cannot be read.
#include <gtest/gtest.h>

#include "common/error.h"
#include "components/custom_images.h"
#include "components/image_test_util.h"
#include "components/opal_tile.h"
#include "film/film_motion.h"
#include "film/film_text.h"
#include "stage/creation.h"
#include "stage/motion.h"
#include "stage/opal_box.h"
#include "stage/stage_test_util.h"

namespace opal {
namespace {

struct FilmMotions : ::testing::Test, TStageFiles {
  FilmMotions() { s.Services.Motions = &loader; }
  void Load(std::string_view name, TStream& out) override {
    const auto it = s.Files.Files.find(std::string(name));
    if (it == s.Files.Files.end()) throw EOpalError(std::string(name) + ":ファイルがありません");
    out.WriteBuffer(it->second.data(), static_cast<int64_t>(it->second.size()));
  }
  void AddFilm(const std::string& name, const std::string& text) {
    s.Files.Files[name] = FilmBytesOfText(text, 0, nullptr);
  }
  int32_t Prop(TOpalObject& o, int id) {
    TPropValue v;
    o.GetProperty(id, v);
    return v.Int;
  }
  TFilmMotionSource& FilmOf(TOpalControl& c) { return static_cast<TFilmMotionSource&>(c.Motion->Source()); }

  testing::TImageStage s;
  std::vector<std::string> reports;
  TFilmMotionLoader loader{*this, &s.Cache, [this](const std::string& m) { reports.push_back(m); }};
};

TEST_F(FilmMotions, ABoxFollowsAChainOfTracks) {
  AddFilm("walk.omt",
          "OpalMotion 108\n"
          "track box\n  TrackLength 5\n  TrackPriority 2\n  PosStart 10 20\n  PosEnd 50 20\n"
          "  SizeStart 10 10\n  SizeEnd 30 10\n  ColorEnd 0x0000FF\n  AlphaEnd 128\n"
          "track box\n  Link 0\n  TrackLength 5\n  TrackPriority 6\n  PosEnd 90 20\n  SizeEnd 30 10\n  ColorStart 0x0000FF\n"
          "  ColorEnd 0x0000FF\n");
  TOpalBox* box = testing::AddBox(s.Stage, nullptr, 0, 0, 5, 5);
  box->SetPriority(3);
  box->SetProperty(PR_SOURCE, TPropValue::OfStr("walk.omt"));
  ASSERT_NE(box->Motion, nullptr);
  EXPECT_EQ(box->Motion->Source().FilmLength(), 10);
  s.Stage.Update(10);  // the first start-up step takes the priority and shows frame 0
  EXPECT_EQ(box->MotionX, 10);
  EXPECT_EQ(box->Priority(), 5);  // the box's 3 + the track's 2
  std::vector<int32_t> xs, widths, colours;
  for (int32_t f = 0; f < 10; ++f) {
    FilmOf(*box).SetFrame(f, *box);
    xs.push_back(box->MotionX);
    widths.push_back(Prop(*box, PR_WIDTH));
    colours.push_back(Prop(*box, PR_COLOR));
  }
  // The first track stops one step short of its end; the second starts on it.
  EXPECT_EQ(xs, (std::vector<int32_t>{10, 18, 26, 34, 42, 50, 60, 70, 80, 90}));
  EXPECT_EQ(widths, (std::vector<int32_t>{10, 14, 18, 22, 26, 30, 30, 30, 30, 30}));
  EXPECT_EQ(colours, (std::vector<int32_t>{0, 51, 102, 153, 204, 255, 255, 255, 255, 255}));
  EXPECT_EQ(box->MotionY, 20);
  EXPECT_EQ(box->Priority(), 9);  // the second track's 6
  EXPECT_EQ(FilmOf(*box).CurrentFrame(), 9);
  EXPECT_TRUE(reports.empty());
}

TEST_F(FilmMotions, ARelativeMotionMovesFromWhereTheControlStands) {
  AddFilm("hop.omt", "OpalMotion 108\nRelative 1\nFileOrigin 10 20\n"
                     "track box\n  TrackLength 3\n  PosStart 10 20\n  PosEnd 30 0\n");
  TOpalBox* box = testing::AddBox(s.Stage, nullptr, 100, 100, 5, 5);
  box->SetProperty(PR_SOURCE, TPropValue::OfStr("hop.omt"));
  s.Stage.Update(10);
  EXPECT_EQ(box->MotionX, 100);
  EXPECT_EQ(box->MotionY, 100);
  FilmOf(*box).SetFrame(2, *box);
  EXPECT_EQ(box->MotionX, 120);
  EXPECT_EQ(box->MotionY, 80);
}

TEST_F(FilmMotions, AnImageTrackSetsThePriorityOffsetNotThePriority) {
  AddFilm("spin.omt", "OpalMotion 108\n"
                      "track image\n  TrackLength 3\n  TrackPriority 4\n  PosEnd 40 30\n  AngleStart -90\n"
                      "  AngleEnd 450\n  AlphaEnd 128\n  ZoomXEnd 2\n  ZoomYEnd 0.5\n  FlipH 1\n");
  auto* image = s.Stage.Create<TOpalImages>();
  image->SetParent(s.Stage.ActiveBase());
  image->SetPriority(7);
  image->SetProperty(PR_SOURCE, TPropValue::OfStr("spin.omt"));
  ASSERT_NE(image->Motion, nullptr);
  // Setting the source applied frame 0 at once.
  EXPECT_EQ(image->PriorityOffset, 4);
  EXPECT_EQ(image->Priority(), 7);
  EXPECT_EQ(Prop(*image, PR_ANGLE), 192);
  EXPECT_EQ(Prop(*image, PR_ALPHA), 255);
  FilmOf(*image).SetFrame(2, *image);
  EXPECT_EQ(image->MotionX, 40);
  EXPECT_EQ(image->MotionY, 30);
  EXPECT_EQ(Prop(*image, PR_ANGLE), 64);
  EXPECT_EQ(Prop(*image, PR_ALPHA), 128);
  EXPECT_EQ(Prop(*image, PR_ZOOMX), 512);
  EXPECT_EQ(Prop(*image, PR_ZOOMY), 128);
  TPropValue flip;
  image->GetProperty(PR_FLIPH, flip);
  EXPECT_TRUE(flip.Flag);
  EXPECT_EQ(image->Priority(), 7);
  // Another source drops the motion.
  image->SetProperty(PR_SOURCE, TPropValue::OfStr("none.bri"));
  EXPECT_EQ(image->Motion, nullptr);
  EXPECT_EQ(image->PriorityOffset, 0);
}

TEST_F(FilmMotions, AnImageShowsTheFilmsPictureWhereTheMotionPutsIt) {
  testing::TFrameSpec red;
  red.Width = 6, red.Height = 4, red.Pixel = [](int32_t, int32_t) { return 0xFF0000u; };
  testing::TFrameSpec blue = red;
  blue.Pixel = [](int32_t, int32_t) { return 0x0000FFu; };
  s.Files.Files["pic\\two.bri"] = testing::BriFile({red, blue});
  AddFilm("anim\\show.omt", "OpalMotion 108\n"
                             "track image\n  TrackLength 20\n  PosStart 50 40\n  PosEnd 50 40\n"
                             "  ZoomXStart 2\n  ZoomXEnd 2\n  FileName \"..\\pic\\two.bri\"\n");
  auto* image = s.Stage.Create<TOpalImages>();
  image->SetParent(s.Stage.ActiveBase());
  image->SetProperty(PR_SOURCE, TPropValue::OfStr("anim\\show.omt"));
  ASSERT_NE(image->Motion, nullptr);
  s.Stage.Update(10);
  ASSERT_NE(image->ShownPixels(), nullptr);
  EXPECT_EQ(image->ShownPixels()->Width(), 6);
  EXPECT_EQ(Prop(*image, PR_WIDTH), 12);  // zoom 2
  EXPECT_EQ(Prop(*image, PR_HEIGHT), 4);
  s.Redraw();
  EXPECT_EQ(s.At(50, 40), 0xFF0000u);
  EXPECT_EQ(s.At(61, 43), 0xFF0000u);
  EXPECT_EQ(s.At(62, 40), 0x000000u);
  // Six film frames later (100 ms) the second picture shows.
  FilmOf(*image).SetFrame(6, *image);
  s.Draw();
  EXPECT_EQ(s.At(50, 40), 0x0000FFu);
  // A screen-mode change decodes the pictures again; the motion shows its
  // own frame (0) from the new ones.
  s.Cache.RecreatePixels();
  image->RecreatePixels();
  const auto& track = static_cast<const TImageFrameList&>(*FilmOf(*image).Film().Track(0));
  EXPECT_EQ(image->ShownPixels(), track.Picture(0)->Pixels.get());
  s.Redraw();
  EXPECT_EQ(s.At(55, 42), 0xFF0000u);
  // Without the motion the film's picture goes with it.
  image->SetProperty(PR_SOURCE, TPropValue::OfStr(""));
  EXPECT_EQ(image->ShownPixels(), nullptr);
  EXPECT_TRUE(reports.empty()) << reports[0];
}

TEST_F(FilmMotions, ATileScrollsAndResizes) {
  AddFilm("scroll.omt", "OpalMotion 108\n"
                        "track tile\n  TrackLength 5\n  TrackPriority 1\n  SizeStart 20 10\n  SizeEnd 40 10\n"
                        "  ScrollEnd 40 0\n  DistanceX 3\n");
  auto* tile = s.Stage.Create<TOpalTile>();
  tile->SetParent(s.Stage.ActiveBase());
  tile->SetPriority(2);
  tile->SetProperty(PR_SOURCE, TPropValue::OfStr("scroll.omt"));
  ASSERT_NE(tile->Motion, nullptr);
  s.Stage.Update(10);
  FilmOf(*tile).SetFrame(2, *tile);
  EXPECT_EQ(Prop(*tile, PR_SCROLLX), 20);
  EXPECT_EQ(Prop(*tile, PR_WIDTH), 30);
  EXPECT_EQ(Prop(*tile, PR_HEIGHT), 10);
  EXPECT_EQ(Prop(*tile, PR_DISTANCEX), 3);
  EXPECT_EQ(tile->Priority(), 3);
}

TEST_F(FilmMotions, AFilmThatCannotBeReadGivesNoMotionAndSaysWhy) {
  s.Files.Files["bad.omt"] = {'O', 'p', 'a', 'l', 'M', 'o', 't', 'i', 'o', 'n', '1', '0', '9'};
  TOpalBox* box = testing::AddBox(s.Stage, nullptr, 0, 0, 5, 5);
  for (const char* name : {"missing.omt", "bad.omt"}) {
    box->SetProperty(PR_SOURCE, TPropValue::OfStr(name));
    EXPECT_EQ(box->Motion, nullptr) << name;
  }
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_NE(reports[0].find("missing.omt"), std::string::npos) << reports[0];
  EXPECT_NE(reports[1].find("bad.omt: film version 109 is not supported"), std::string::npos) << reports[1];
}

}  // namespace
}  // namespace opal

// The film format: every version of the header and the track records read
// from hand-made bytes into current units and written back to the same
// bytes; the film text; links, chains and effective starts; frames of a
// picture; names against the film's folder; files that must be refused.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "common/error.h"
#include "components/brio_collection.h"
#include "film/film_manager.h"
#include "film/film_text.h"
#include "film_test_util.h"
#include "storage/stream.h"

namespace opal {
namespace {

using testing::TFilmBytes;

constexpr int32_t kMax = std::numeric_limits<int32_t>::max();

// One film of five tracks in current units; every version writes what it
// can hold of it.
constexpr const char* kFilmText = R"(OpalCinema 108
StageSize 320 240
BackColor -1
Relative 1
FileOrigin 5 6
LoopStart 20
track image
  TrackLength 40
  Reserved 7
  StartFrame 8
  TrackPriority 3
  FlipH 1
  OtherBase 1
  Anchor 1 2
  PosStart 10 20
  PosEnd 30 40
  PosModeX 1
  PosModeY 2
  AngleEnd 90
  ZoomXStart 1.5
  ZoomXEnd 2.5
  ZoomXMode 1
  AlphaEnd 128
  AngleMode 2
  SrcPosStart 1 1
  SrcSizeStart 8 9
  SrcPosEnd 2 2
  SrcSizeEnd 10 11
  SrcModeX 1
  SrcModeY 2
  ZoomYStart 0.5
  ZoomYEnd 0.75
  ZoomYMode 2
  FileName "pic.bri"
track label
  Link 0
  TrackLength 10
  StartFrame 100
  PosStart 7 7
  PosEnd 50 60
  Text "hi\{0A}there"
  AntiAlias 1
  FontName "gothic"
  FontHeight 20
  LineSpace 4
  FontStyle 1
  FontColor 0x00FF00
  HAlign 2
track sound
  TrackLength 60
  FileName "se.wav"
  VolumeStart 950
  VolumeEnd 1000
  PanStart -10
  PanEnd 10
  PanMode 1
track wipe
  StartFrame 30
  TrackLength 20
  WipeKind 5
  MaskFile "mask.bri"
  WipeParam0 7
  WipeParam1 8
  WipeValue 9
track box
  TrackLength 2
  PosStart 1 2
  PosEnd 3 4
  PosModeX 2
  AlphaStart 10
  AlphaEnd 20
  SizeStart 5 6
  SizeEnd 7 8
  ColorStart 0x0000FF
  ColorEnd 0xFF0000
  BorderWidthStart 1
  BorderWidthEnd 3
  BorderColorStart 0x111111
  BorderColorEnd 0x222222
  SrcSizeStart 4 4
  SrcSizeEnd 4 4
)";

// kFilmText as version `v` stores it, written field by field.
std::vector<uint8_t> HandFilm(int v) {
  const auto fr = [v](int32_t frames) { return v <= 106 ? frames / 2 : frames; };
  TFilmBytes b;
  b.Magic("OpalCinema", v).Pos(320, 240).I32(-1);
  if (v >= 102) b.U8(1);
  if (v >= 104) b.Pos(5, 6);
  if (v >= 106) b.I32(fr(20));
  b.I32(5);
  const auto source = [&](int32_t a, int32_t w, int32_t h, int32_t c, int32_t ew, int32_t eh, uint8_t mx, uint8_t my) {
    b.Pos(a, a).Pos(w, h).Pos(c, c).Pos(ew, eh).U8(mx).U8(my);
  };
  // image
  b.U8(0).Common(-1, fr(40), fr(8), 0, 3, 7, 1, 0, 1);
  b.Pos(1, 2).Pos(10, 20).Pos(30, 40).U8(1).U8(2).I32(0).I32(90).F64(1.5).F64(2.5).U8(1).I32(0).I32(128).U8(2);
  if (v >= 101) source(1, 8, 9, 2, 10, 11, 1, 2);
  if (v >= 105) b.F64(0.5).F64(0.75).U8(2);
  b.Str("pic.bri");
  // label, chained to the image
  b.U8(1).Common(0, fr(10), fr(100));
  b.Pos(0, 0).Pos(7, 7).Pos(50, 60).U8(0).U8(0).I32(0).I32(0).F64(1).F64(1).U8(0).I32(0).I32(0).U8(0);
  if (v >= 101) source(0, 0, 0, 0, 0, 0, 0, 0);
  if (v >= 105) b.F64(1).F64(1).U8(0);
  b.Str("hi\nthere").U8(1).Str("gothic").I32(20).I32(v >= 103 ? 4 : 0).U8(1).I32(0x00FF00);
  if (v >= 103) b.U8(2);
  // sound
  b.U8(4).Common(-1, fr(60), 0).Str("se.wav");
  if (v <= 107) b.I32(-500).I32(0);
  else b.I32(950).I32(1000);
  b.I32(-10).I32(10).U8(0).U8(1);
  // wipe
  b.U8(3).Common(-1, fr(20), fr(30)).U8(5);
  if (v >= 101) b.Str("mask.bri").I32(7).I32(8).U8(9);
  // box
  b.U8(2).Common(-1, fr(2), 0).Pos(1, 2).Pos(3, 4).U8(2).U8(0).I32(10).I32(20).Pos(5, 6).Pos(7, 8);
  b.I32(0x0000FF).I32(0xFF0000).I32(1).I32(3).I32(0x111111).I32(0x222222);
  if (v >= 101) source(0, 4, 4, 0, 4, 4, 0, 0);
  return b.Data;
}

std::vector<uint8_t> Save(const TFilmManager& film, int32_t version) {
  TMemoryStream out;
  film.SaveToStream(out, version);
  return out.Bytes();
}

void LoadBytes(TFilmManager& film, const std::vector<uint8_t>& bytes, const std::string& name = "film.ocm") {
  TMemoryStream s(bytes);
  film.SkipMediaLoad = true;
  film.Load(s, name);
}

template <typename T>
T& TrackAs(const TFilmManager& film, int32_t i) {
  auto* t = dynamic_cast<T*>(film.Track(i));
  if (t == nullptr) throw std::runtime_error("track " + std::to_string(i) + " is not of the class asked");
  return *t;
}

class EveryVersion : public ::testing::TestWithParam<int> {};

TEST_P(EveryVersion, HandMadeBytesLoadIntoCurrentUnitsAndWriteBackTheSame) {
  const int v = GetParam();
  const std::vector<uint8_t> hand = HandFilm(v);
  TFilmManager film;
  LoadBytes(film, hand);
  ASSERT_EQ(film.Count(), 5);
  EXPECT_EQ(film.Version, v);
  EXPECT_EQ(film.StageSize, (TFilmPos{320, 240}));
  EXPECT_EQ(film.Relative, v >= 102);
  EXPECT_EQ(film.FileOrigin, (v >= 104 ? TFilmPos{5, 6} : TFilmPos{}));
  EXPECT_EQ(film.LoopStart, v >= 106 ? 20 : 0);

  const auto& image = TrackAs<TImageFrameList>(film, 0);
  EXPECT_EQ(image.TrackLength, 40);
  EXPECT_EQ(image.StartFrame, 8);
  EXPECT_EQ(image.Reserved, 7);
  EXPECT_EQ(image.FlipH, 1);
  EXPECT_EQ(image.OtherBase, 1);
  EXPECT_EQ(image.SrcSizeEnd, (v >= 101 ? TFilmPos{10, 11} : TFilmPos{}));
  // Before 105 the Y zoom copies the X zoom.
  EXPECT_EQ(image.ZoomYStart, v >= 105 ? 0.5 : 1.5);
  EXPECT_EQ(image.ZoomYEnd, v >= 105 ? 0.75 : 2.5);
  EXPECT_EQ(image.ZoomYMode, v >= 105 ? 2 : 1);
  EXPECT_EQ(image.FileName, "pic.bri");

  const auto& label = TrackAs<TLabelFrameList>(film, 1);
  EXPECT_EQ(label.Link, &image);
  EXPECT_EQ(image.Follower(), &label);
  EXPECT_EQ(label.EffectiveStart(), 48);
  EXPECT_EQ(label.LineSpace, v >= 103 ? 4 : 0);
  EXPECT_EQ(label.HAlign, v >= 103 ? 2 : 0);
  EXPECT_EQ(label.FontStyle, 1);
  EXPECT_EQ(label.FontColor, 0x00FF00);

  const auto& sound = TrackAs<TSoundFrameList>(film, 2);
  // Below 108, -500 and 0 are stored for 950 and 1000.
  EXPECT_EQ(sound.VolumeStart, 950);
  EXPECT_EQ(sound.VolumeEnd, 1000);
  EXPECT_EQ(sound.PanMode, 1);

  const auto& wipe = TrackAs<TWipeFrameList>(film, 3);
  EXPECT_EQ(wipe.WipeKind, 5);
  EXPECT_EQ(wipe.MaskFile, v >= 101 ? "mask.bri" : "");
  EXPECT_EQ(wipe.WipeValue, v >= 101 ? 9 : 0);
  EXPECT_EQ(wipe.EffectiveStart(), 30);

  const auto& box = TrackAs<TBoxFrameList>(film, 4);
  EXPECT_EQ(box.BorderColorEnd, 0x222222);
  EXPECT_EQ(box.SrcSizeStart, (v >= 101 ? TFilmPos{4, 4} : TFilmPos{}));
  EXPECT_EQ(film.FilmLength(), 60);

  EXPECT_EQ(Save(film, v), hand);
  std::vector<std::string> lost;
  EXPECT_EQ(FilmBytesOfText(kFilmText, v, &lost), hand);
  // Loop starts come with 106; every later field is older.
  EXPECT_EQ(lost.empty(), v >= 106) << ::testing::PrintToString(lost);
}

TEST_P(EveryVersion, DumpThenBuildGivesTheSameBytesAndText) {
  const int v = GetParam();
  const std::vector<uint8_t> bytes = FilmBytesOfText(kFilmText, v, nullptr);
  TFilmManager film;
  LoadBytes(film, bytes);
  const std::string text = DumpFilmText(film, film.Version);
  EXPECT_EQ(text.substr(0, 15), "OpalCinema " + std::to_string(v) + "\n");
  std::vector<std::string> lost;
  EXPECT_EQ(FilmBytesOfText(text, 0, &lost), bytes);
  EXPECT_TRUE(lost.empty()) << ::testing::PrintToString(lost);
  TFilmManager again;
  ReadFilmText(text, again);
  EXPECT_EQ(DumpFilmText(again, again.Version), text);
}

INSTANTIATE_TEST_SUITE_P(Film, EveryVersion, ::testing::Range(100, 109));

TEST(FilmFormat, AMotionKeepsItsMagic) {
  std::vector<uint8_t> bytes = HandFilm(105);
  std::copy_n("OpalMotion", 10, bytes.begin());
  TFilmManager film;
  LoadBytes(film, bytes);
  EXPECT_EQ(film.Magic, kFilmMagicMotion);
  EXPECT_EQ(film.Count(), 5);
  EXPECT_EQ(Save(film, 105), bytes);
}

TEST(FilmFormat, AVersion106TrackAt10For30PlaysFrames20To79) {
  TFilmBytes b;
  b.Magic("OpalCinema", 106).Pos(10, 10).I32(-1).U8(0).Pos(0, 0).I32(15).I32(1);
  b.U8(2).Common(-1, 30, 10, 4).Pos(0, 0).Pos(0, 0).U8(0).U8(0).I32(0).I32(0).Pos(1, 1).Pos(1, 1);
  b.I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).Pos(0, 0).Pos(0, 0).Pos(0, 0).Pos(0, 0).U8(0).U8(0);
  TFilmManager film;
  LoadBytes(film, b.Data);
  const TCustomFrameList& t = *film.Track(0);
  EXPECT_EQ(t.EffectiveStart(), 20);
  EXPECT_EQ(t.Period, 8);
  EXPECT_EQ(film.LoopStart, 30);
  for (const auto& [frame, shown] : {std::pair{19, false}, {20, true}, {79, true}, {80, false}})
    EXPECT_EQ(t.Covers(frame), shown) << frame;
  EXPECT_EQ(film.FilmLength(), 80);
}

std::vector<uint8_t> LinkedBoxes(const std::vector<int32_t>& links);

TEST(FilmFormat, TheTypeBytesHighBitIsNotPartOfTheCode) {
  const std::vector<uint8_t> plain = LinkedBoxes({-1});
  std::vector<uint8_t> marked = plain;
  constexpr size_t kFirstTypeByte = 13 + 8 + 4 + 1 + 8 + 4 + 4;
  ASSERT_EQ(marked[kFirstTypeByte], 2);
  marked[kFirstTypeByte] = 0x82;
  TFilmManager film;
  LoadBytes(film, marked);
  ASSERT_EQ(film.Count(), 1);
  EXPECT_EQ(film.Track(0)->Type(), TFilmTrackType::Box);
  EXPECT_EQ(Save(film, 108), plain);
}

TEST(FilmFormat, TileParticleAndFireRecordsInFileOrder) {
  for (const int v : {100, 101, 108}) {
    SCOPED_TRACE(v);
    const auto fr = [v](int32_t frames) { return v <= 106 ? frames / 2 : frames; };
    TFilmBytes b;
    b.Magic("OpalCinema", v).Pos(200, 100).I32(-1);
    if (v >= 102) b.U8(0);
    if (v >= 104) b.Pos(0, 0);
    if (v >= 106) b.I32(0);
    b.I32(3);
    // A tile: image record, name, its own fields, then the source block again.
    b.U8(5).Common(-1, fr(8), 0).Pos(1, 1).Pos(2, 2).Pos(3, 3).U8(0).U8(0).I32(0).I32(0).F64(1).F64(1).U8(0);
    b.I32(0).I32(0).U8(0);
    if (v >= 101) b.Pos(9, 9).Pos(9, 9).Pos(9, 9).Pos(9, 9).U8(1).U8(1);
    if (v >= 105) b.F64(1).F64(1).U8(0);
    b.Str("t.bri").Pos(20, 10).Pos(40, 10).Pos(0, 0).Pos(40, 0).U8(1).U8(2).I32(3).I32(4);
    if (v >= 101) b.Pos(5, 6).Pos(7, 8).Pos(9, 10).Pos(11, 12).U8(2).U8(0);
    // A particle without a picture name still has every later field.
    b.U8(6).Common(-1, fr(10), 0).Str("").U8(2).I32(3).I32(50).I32(60).I32(2).I32(3);
    b.I32(1).I32(2).I32(3).I32(4).I32(5).I32(6).I32(7).I32(8).U8(1).U8(2);
    b.F64(0.5).F64(1.5).F64(2.5).F64(3.5).F64(4.5).F64(5.5);
    b.Pos(10, 11).Pos(12, 13).U8(1).U8(0).Pos(20, 21).Pos(22, 23);
    b.Pos(1, 1).Pos(2, 2).Pos(3, 3).Pos(4, 4).U8(0).U8(1).I32(100).I32(200);
    // A fire.
    b.U8(7).Common(-1, fr(4), 0).Pos(1, 2).Pos(3, 4).U8(0).U8(2).Pos(5, 6).Pos(7, 8);
    b.Pos(0, 0).Pos(0, 0).Pos(0, 0).Pos(0, 0).U8(0).U8(0).F64(1).F64(2).F64(3).F64(4).U8(1).U8(2).I32(77);
    TFilmManager film;
    LoadBytes(film, b.Data);
    ASSERT_EQ(film.Count(), 3);
    const auto& tile = TrackAs<TTileFrameList>(film, 0);
    EXPECT_EQ(tile.FileName, "t.bri");
    EXPECT_EQ(tile.ScrollEnd, (TFilmPos{40, 0}));
    EXPECT_EQ(tile.DistanceY, 4);
    // The later source block replaces the first.
    EXPECT_EQ(tile.SrcPosStart, (v >= 101 ? TFilmPos{5, 6} : TFilmPos{}));
    EXPECT_EQ(tile.SrcSizeEnd, (v >= 101 ? TFilmPos{11, 12} : TFilmPos{}));
    EXPECT_EQ(tile.SrcModeX, v >= 101 ? 2 : 0);
    const auto& particle = TrackAs<TParticleFrameList>(film, 1);
    EXPECT_EQ(particle.FileName, "");
    EXPECT_EQ(particle.MotionKind, 2);
    EXPECT_EQ(particle.EmitRangeYEnd, 8);
    EXPECT_EQ(particle.Param2Start, 1.5);
    EXPECT_EQ(particle.Param3End, 5.5);
    EXPECT_EQ(particle.SizeEnd, (TFilmPos{22, 23}));
    EXPECT_EQ(particle.SrcModeY, 1);
    EXPECT_EQ(particle.AlphaEnd, 200);
    const auto& fire = TrackAs<TFireFrameList>(film, 2);
    EXPECT_EQ(fire.PosModeY, 2);
    EXPECT_EQ(fire.ZoomYStart, 2.0);
    EXPECT_EQ(fire.ZoomXEnd, 3.0);
    EXPECT_EQ(fire.ZoomYMode, 2);
    EXPECT_EQ(fire.Power, 77);
    // Written back, the tile holds its one source rectangle in both places.
    TFilmManager again;
    LoadBytes(again, Save(film, v));
    EXPECT_EQ(DumpFilmText(again, 108), DumpFilmText(film, 108));
  }
}

TEST(FilmFormat, NewTracksStartFromTheFilmsStage) {
  TFilmManager film;
  ReadFilmText("OpalCinema 108\nStageSize 200 100\ntrack particle\ntrack fire\ntrack box\ntrack label\n", film);
  EXPECT_EQ(TrackAs<TParticleFrameList>(film, 0).SizeStart, (TFilmPos{200, 100}));
  EXPECT_EQ(TrackAs<TFireFrameList>(film, 1).SizeEnd, (TFilmPos{50, 30}));
  EXPECT_EQ(TrackAs<TFireFrameList>(film, 1).ZoomXStart, 4.0);
  EXPECT_EQ(TrackAs<TBoxFrameList>(film, 2).SizeStart, (TFilmPos{100, 100}));
  EXPECT_EQ(film.Track(2)->TrackLength, 1);
  EXPECT_EQ(film.Track(3)->TrackLength, 5);
  EXPECT_EQ(TrackAs<TLabelFrameList>(film, 3).FontHeight, 12);
  EXPECT_EQ(TrackAs<TLabelFrameList>(film, 3).FontColor, 0xFFFFFF);
}

TEST(FilmFormat, ALabelBelow103SkipsFourBytesAndKeepsTheDefaultLineSpace) {
  TFilmBytes b;
  b.Magic("OpalCinema", 102).Pos(10, 10).I32(-1).U8(0).I32(1);
  b.U8(1).Common(-1, 5, 0).Pos(0, 0).Pos(0, 0).Pos(0, 0).U8(0).U8(0).I32(0).I32(0).F64(1).F64(1).U8(0);
  b.I32(0).I32(0).U8(0).Pos(0, 0).Pos(0, 0).Pos(0, 0).Pos(0, 0).U8(0).U8(0);
  b.Str("x").U8(0).Str("f").I32(16).I32(static_cast<int32_t>(0xDEADBEEF)).U8(3).I32(0x123456);
  TFilmManager film;
  LoadBytes(film, b.Data);
  const auto& label = TrackAs<TLabelFrameList>(film, 0);
  EXPECT_EQ(label.LineSpace, 0);
  EXPECT_EQ(label.FontHeight, 16);
  EXPECT_EQ(label.FontStyle, 3);
  EXPECT_EQ(label.FontColor, 0x123456);
}

// A film of boxes with the given link indices, all of length 10 from 0.
std::vector<uint8_t> LinkedBoxes(const std::vector<int32_t>& links) {
  TFilmBytes b;
  b.Magic("OpalCinema", 108).Pos(10, 10).I32(-1).U8(0).Pos(0, 0).I32(0).I32(static_cast<int32_t>(links.size()));
  for (const int32_t link : links) {
    b.U8(2).Common(link, 10, 0).Pos(0, 0).Pos(0, 0).U8(0).U8(0).I32(0).I32(0).Pos(1, 1).Pos(1, 1);
    b.I32(0).I32(0).I32(0).I32(0).I32(0).I32(0).Pos(0, 0).Pos(0, 0).Pos(0, 0).Pos(0, 0).U8(0).U8(0);
  }
  return b.Data;
}

TEST(FilmFormat, LinksOutsideTheTracksOrClosingACycleAreNone) {
  struct TCase {
    const char* Name;
    std::vector<int32_t> Links;
    std::vector<int32_t> Resolved;  // index or -1
    std::vector<int32_t> Starts;
  };
  const TCase cases[] = {
      {"none", {-1, -1}, {-1, -1}, {0, 0}},
      {"N", {2, -1}, {-1, -1}, {0, 0}},
      {"far beyond", {kMax, std::numeric_limits<int32_t>::min()}, {-1, -1}, {0, 0}},
      {"chain", {-1, 0, 1}, {-1, 0, 1}, {0, 10, 20}},
      {"chain written backwards", {1, 2, -1}, {1, 2, -1}, {20, 10, 0}},
      {"itself", {0}, {-1}, {0}},
      {"two in a cycle", {1, 0}, {1, -1}, {10, 0}},
      {"three in a cycle", {1, 2, 0}, {1, 2, -1}, {20, 10, 0}},
      {"a cycle beside a chain", {-1, 0, 3, 2}, {-1, 0, 3, -1}, {0, 10, 10, 0}},
  };
  for (const TCase& c : cases) {
    TFilmManager film;
    LoadBytes(film, LinkedBoxes(c.Links));
    for (int32_t i = 0; i < film.Count(); ++i) {
      const TCustomFrameList& t = *film.Track(i);
      EXPECT_EQ(film.IndexOf(t.Link), c.Resolved[i]) << c.Name << " track " << i;
      EXPECT_EQ(t.LinkIndex, c.Resolved[i]) << c.Name << " track " << i;
      EXPECT_EQ(t.EffectiveStart(), c.Starts[i]) << c.Name << " track " << i;
    }
  }
}

TEST(FilmFormat, TheFollowerIsTheFirstTrackLinkedToATrack) {
  TFilmManager film;
  LoadBytes(film, LinkedBoxes({-1, 0, 0, -1}));
  EXPECT_EQ(film.Track(0)->Follower(), film.Track(1));
  EXPECT_EQ(film.Track(1)->Follower(), nullptr);
  EXPECT_EQ(film.Track(3)->Follower(), nullptr);
}

TEST(FilmFormat, AChainedTrackStartsOnItsLinksEndValues) {
  TFilmManager film;
  ReadFilmText(R"(OpalCinema 108
track image
  TrackLength 50
  PosStart 1 1
  PosEnd 30 40
  AngleEnd 90
  ZoomXEnd 2.5
  ZoomYEnd 3
  AlphaEnd 128
  SrcSizeEnd 5 6
track image
  Link 0
  StartFrame 7
  TrackLength 10
  PosStart 99 99
  ZoomXStart 9
track box
  Link 1
  TrackLength 10
  SizeStart 4 4
  ColorStart 3
)", film);
  const TCustomFrameList& second = *film.Track(1);
  EXPECT_EQ(second.EffectiveStart(), 50);
  EXPECT_EQ(film.Track(2)->EffectiveStart(), 60);
  TFilmValues starts = film.Track(1)->StartValues();
  EXPECT_EQ(std::get<TFilmPos>(starts["PosStart"]), (TFilmPos{30, 40}));
  EXPECT_EQ(std::get<double>(starts["ZoomXStart"]), 2.5);
  EXPECT_EQ(std::get<double>(starts["ZoomYStart"]), 3.0);
  EXPECT_EQ(std::get<int32_t>(starts["AngleStart"]), 90);
  EXPECT_EQ(std::get<int32_t>(starts["AlphaStart"]), 128);
  EXPECT_EQ(std::get<TFilmPos>(starts["SrcSizeStart"]), (TFilmPos{5, 6}));
  // A box after an image takes what the image has and keeps the rest.
  starts = film.Track(2)->StartValues();
  EXPECT_EQ(std::get<TFilmPos>(starts["PosStart"]), (TFilmPos{0, 0}));  // the second image's end
  EXPECT_EQ(std::get<TFilmPos>(starts["SizeStart"]), (TFilmPos{4, 4}));
  EXPECT_EQ(std::get<int32_t>(starts["ColorStart"]), 3);
  // The stored start stays what the file says.
  EXPECT_EQ(TrackAs<TImageFrameList>(film, 1).PosStart, (TFilmPos{99, 99}));
}

TEST(FilmFormat, FrameCountsAndChainSumsSaturate) {
  TFilmManager film;
  ReadFilmText("OpalCinema 108\ntrack box\n  StartFrame 2147483600\n  TrackLength 1000\n"
               "track box\n  Link 0\n  TrackLength 1000\ntrack box\n  StartFrame 5\n  TrackLength -5\n",
               film);
  EXPECT_EQ(film.Track(1)->EffectiveStart(), kMax);
  EXPECT_EQ(film.FilmLength(), kMax);
  EXPECT_FALSE(film.Track(2)->Covers(5));
  EXPECT_FALSE(film.Track(2)->Covers(0));

  TFilmBytes b;  // version 106 doubles a start of 2^31 - 1
  b.Magic("OpalCinema", 106).Pos(10, 10).I32(-1).U8(0).Pos(0, 0).I32(kMax).I32(1);
  b.U8(3).Common(-1, kMax, std::numeric_limits<int32_t>::min(), kMax).U8(1).Str("").I32(0).I32(0).U8(0);
  TFilmManager old;
  LoadBytes(old, b.Data);
  // Doubled counts stop at the largest even value, which the version holds.
  EXPECT_EQ(old.LoopStart, kMax - 1);
  EXPECT_EQ(old.Track(0)->TrackLength, kMax - 1);
  EXPECT_EQ(old.Track(0)->StartFrame, std::numeric_limits<int32_t>::min());
  EXPECT_EQ(old.Track(0)->Period, kMax - 1);
  EXPECT_EQ(old.FilmLength(), 0);  // it ends at frame -2
  EXPECT_NO_THROW(Save(old, 106));
}

TEST(FilmFormat, DoublesSaturateBeforeTheyBecomeIntegers) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  const std::pair<double, int32_t> cases[] = {
      {nan, 0}, {inf, kMax}, {-inf, std::numeric_limits<int32_t>::min()}, {1e300, kMax},
      {-1e300, std::numeric_limits<int32_t>::min()}, {2.5 * 256, 640}, {-1.9, -1}, {2147483647.5, kMax},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(FilmSaturatedTrunc(in), out) << in;
  EXPECT_EQ(FilmSaturate(int64_t{1} << 40), kMax);
  EXPECT_EQ(FilmSaturate(-(int64_t{1} << 40)), std::numeric_limits<int32_t>::min());
}

TEST(FilmFormat, BadFilesFailNamingTheTrackAndLeaveNothingHalfRead) {
  const auto header = [](int v) {
    TFilmBytes b;
    b.Magic("OpalCinema", v).Pos(10, 10).I32(-1).U8(0).Pos(0, 0).I32(0);
    return b;
  };
  const std::vector<uint8_t> good = HandFilm(108);
  struct TCase {
    const char* Name;
    std::vector<uint8_t> Bytes;
    const char* Says;
  };
  std::vector<TCase> cases;
  {
    TFilmBytes b = header(108);
    b.I32(2).U8(3).Common(-1, 1, 0).U8(1).Str("").I32(0).I32(0).U8(0).U8(8).Raw(std::string(40, '\0'));
    cases.push_back({"type code 8", b.Data, "track 1: type code 8 is not a track type"});
  }
  {
    TFilmBytes b = header(108);
    b.I32(1).U8(0x7F).Raw(std::string(40, '\0'));
    cases.push_back({"type code 127", b.Data, "track 0: type code 127"});
  }
  {
    TFilmBytes b = header(108);
    b.I32(1000).U8(3).Common(-1, 1, 0).U8(1).Str("").I32(0).I32(0).U8(0);
    cases.push_back({"count beyond the bytes", b.Data, "track count 1000 beyond the bytes left"});
  }
  {
    TFilmBytes b = header(108);
    b.I32(-1);
    cases.push_back({"negative count", b.Data, "track count -1"});
  }
  {
    TFilmBytes b = header(108);
    b.I32(1).U8(3).Common(-1, 1, 0).U8(1).I32(0x7FFFFFF0).Raw(std::string(40, 'x'));
    cases.push_back({"string beyond the bytes", b.Data, "track 0 (wipe)"});
  }
  cases.push_back({"cut in a record", std::vector<uint8_t>(good.begin(), good.end() - 3), "track 4 (box)"});
  cases.push_back({"cut in the header", std::vector<uint8_t>(good.begin(), good.begin() + 20), "film.ocm"});
  cases.push_back({"version 109", header(109).Data, "film version 109 is not supported"});
  cases.push_back({"version 099", header(99).Data, "film version 99 is not supported"});
  {
    TFilmBytes b;
    b.Raw("OpalCinema1x8").Raw(std::string(30, '\0'));
    cases.push_back({"version not a number", b.Data, "film version '1x8' is not a number"});
  }
  for (const TCase& c : cases) {
    TFilmManager film;
    LoadBytes(film, good);
    ASSERT_EQ(film.Count(), 5);
    try {
      LoadBytes(film, c.Bytes);
      ADD_FAILURE() << c.Name << ": loaded";
    } catch (const EOpalError& e) {
      EXPECT_NE(std::string(e.what()).find(c.Says), std::string::npos) << c.Name << ": " << e.what();
      EXPECT_EQ(std::string(e.what()).rfind("film.ocm: ", 0), 0u) << c.Name << ": " << e.what();
    }
    EXPECT_EQ(film.Count(), 0) << c.Name;
    EXPECT_EQ(film.FilmLength(), 0) << c.Name;
    EXPECT_EQ(film.LoopStart, 0) << c.Name;
  }
}

TEST(FilmFormat, AnotherMagicIsAnEmptyFilm) {
  for (const std::string bytes : {"OpalPicture108", "", "Opal", "OpalMotio"}) {
    TFilmManager film;
    LoadBytes(film, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    EXPECT_EQ(film.Count(), 0) << bytes;
    EXPECT_EQ(film.FilmLength(), 0) << bytes;
  }
}

TEST(FilmFormat, TheWriterRefusesValuesTheVersionCannotHold) {
  TFilmManager film;
  ReadFilmText("OpalCinema 108\ntrack box\n  TrackLength 31\ntrack sound\n  VolumeStart 2147483647\n", film);
  for (const auto& [version, says] : {std::pair{106, "track 0 (box): TrackLength 31: version 106"},
                                      {100, "track 0 (box): TrackLength 31"},
                                      {107, "track 1 (sound): VolumeStart 2147483647"}}) {
    try {
      Save(film, version);
      ADD_FAILURE() << version << ": written";
    } catch (const EFormatError& e) {
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
    }
  }
  EXPECT_NO_THROW(Save(film, 108));
  TFilmManager odd;
  ReadFilmText("OpalCinema 108\nLoopStart 3\n", odd);
  EXPECT_THROW(Save(odd, 106), EFormatError);
  EXPECT_NO_THROW(Save(odd, 105));  // 105 has no loop start
  EXPECT_THROW(Save(odd, 109), EFormatError);
}

TEST(FilmFormat, FieldsAVersionLacksAreNamed) {
  TFilmManager film;
  ReadFilmText("OpalCinema 108\nRelative 1\ntrack label\n  TrackLength 6\n  ZoomXStart 2\n  ZoomYStart 2\n  ZoomYEnd 3\n"
               "  LineSpace 4\ntrack wipe\n  WipeValue 3\n",
               film);
  const auto lost = [&](int32_t v) {
    std::string all;
    for (const std::string& l : FieldsLostAt(film, v)) all += l + "\n";
    return all;
  };
  EXPECT_EQ(lost(108), "");
  EXPECT_EQ(lost(105), "");
  // At 104 the Y zoom reads back as a copy of X: ZoomYStart happens to
  // match, ZoomYEnd does not.
  EXPECT_EQ(lost(104), "track 0 (label): ZoomYEnd is left out: version 104 has no such field\n");
  EXPECT_EQ(lost(100),
            "header: Relative is left out: version 100 has no such field\n"
            "track 0 (label): ZoomYEnd is left out: version 100 has no such field\n"
            "track 0 (label): LineSpace is left out: version 100 has no such field\n"
            "track 1 (wipe): WipeValue is left out: version 100 has no such field\n");
}

TEST(FilmFormat, NamesResolveAgainstTheFilmsFolder) {
  struct TCase {
    const char* Film;
    const char* Name;
    const char* Resolved;
  };
  const TCase cases[] = {
      {"movie\\op.ocm", "pic.bri", "movie\\pic.bri"},
      {"movie\\op.ocm", "", ""},
      {"movie\\op.ocm", "a", "a"},
      {"movie\\op.ocm", "\\bg\\a.bri", "\\bg\\a.bri"},
      {"movie\\op.ocm", "c:\\a.bri", "c:\\a.bri"},
      {"a\\b\\op.ocm", "..\\pic.bri", "a\\pic.bri"},
      {"a\\b\\op.ocm", "..\\..\\pic.bri", "pic.bri"},
      // Climbing beyond the root drops the rest of the "..\".
      {"a\\b\\op.ocm", "..\\..\\..\\..\\pic.bri", "pic.bri"},
      {"op.ocm", "..\\pic.bri", "pic.bri"},
      {"\\films\\op.ocm", "..\\..\\pic.bri", "\\pic.bri"},
      {"op.ocm", "sub\\pic.bri", "sub\\pic.bri"},
  };
  for (const TCase& c : cases) {
    TFilmManager film;
    LoadBytes(film, HandFilm(108), c.Film);
    EXPECT_EQ(film.ResolveName(c.Name), c.Resolved) << c.Film << " " << c.Name;
  }
  TFilmManager film;
  LoadBytes(film, HandFilm(108), "movie\\op.ocm");
  EXPECT_EQ(TrackAs<TWipeFrameList>(film, 3).ResolvedMaskFile(), "movie\\mask.bri");
  TrackAs<TWipeFrameList>(film, 3).MaskFile = "\\m.bri";
  EXPECT_EQ(TrackAs<TWipeFrameList>(film, 3).ResolvedMaskFile(), "\\m.bri");
}

// An image cache whose files are frames of the display times a test gives.
struct FilmMedia : ::testing::Test {
  FilmMedia() {
    Cache.Knows = [](std::string_view) { return true; };
    Cache.Reader = [this](std::string_view name, TStream& out) {
      Asked.emplace_back(name);
      if (name == "broken.bri") throw EOpalError("broken.bri: damaged");
      WriteByte(out, 0);
    };
    Cache.Decoder = [this](TStream&, const TBrioDecodeRequest&, std::vector<TBrioItemFrame>& frames) {
      for (const int32_t ms : Times) {
        TBrioItemFrame f;
        f.Pixels = std::make_unique<TDIBX>();
        f.Pixels->SetSize(12, 7, 32);
        f.DisplayTime = ms;
        f.OffsetX = 2;
        frames.push_back(std::move(f));
      }
    };
    Film.ImageCache = &Cache;
  }
  void Load(const std::string& text, const std::string& name = "movie\\op.ocm") {
    TFilmManager built;
    ReadFilmText(text, built);
    TMemoryStream bytes;
    built.SaveToStream(bytes, 108);
    bytes.SetPosition(0);
    Film.Load(bytes, name);
  }
  TBrioCollection Cache;
  TFilmManager Film;
  std::vector<int32_t> Times{100, 100, 0};
  std::vector<std::string> Asked;
};

TEST_F(FilmMedia, AnImageOf100And100And0MsLasts6And6And1Frames) {
  Load("OpalCinema 108\ntrack image\n  TrackLength 100\n  Period 5\n  FileName \"..\\pic\\a.bri\"\n");
  ASSERT_EQ(Asked, std::vector<std::string>{"pic\\a.bri"});
  const TCustomFrameList& t = *Film.Track(0);
  ASSERT_EQ(t.Frames.size(), 3u);
  EXPECT_EQ(t.Frames[0].Duration, 6);
  EXPECT_EQ(t.Frames[1].Duration, 6);
  EXPECT_EQ(t.Frames[2].Duration, 1);
  EXPECT_EQ(t.Frames[0].Width, 12);
  EXPECT_EQ(t.Frames[0].OffsetX, 2);
  const auto& image = TrackAs<TImageFrameList>(Film, 0);
  ASSERT_NE(image.Picture(2), nullptr);
  EXPECT_EQ(image.Picture(2)->DisplayTime, 0);
  EXPECT_EQ(image.Picture(3), nullptr);
  // Decoded again (a screen-mode change), the frames are found anew.
  Cache.RecreatePixels();
  ASSERT_NE(image.Picture(0), nullptr);
  EXPECT_EQ(image.Picture(0)->Pixels->Width(), 12);
  EXPECT_EQ(t.Period, 13);
  EXPECT_EQ(t.TrackLength, 100);
  const std::pair<int64_t, int32_t> at[] = {{0, 0}, {5, 0}, {6, 1}, {11, 1}, {12, 2}, {13, 0}, {14, 0}, {-1, 2}};
  for (const auto& [time, frame] : at) EXPECT_EQ(t.FrameAt(time), frame) << time;
  EXPECT_EQ(Cache.Count(), 1u);
  Film.Clear();
  EXPECT_EQ(Cache.Count(), 0u);  // the track released its picture
}

TEST_F(FilmMedia, ATileOfSize0TakesTheFirstPicturesSize) {
  Load("OpalCinema 108\ntrack tile\n  FileName \"t.bri\"\n  SizeStart 0 5\n  SizeEnd 3 0\n");
  const auto& tile = TrackAs<TTileFrameList>(Film, 0);
  EXPECT_EQ(tile.SizeStart, (TFilmPos{12, 5}));
  EXPECT_EQ(tile.SizeEnd, (TFilmPos{3, 7}));
}

TEST_F(FilmMedia, SkipMediaLoadLeavesTheCacheAlone) {
  Film.SkipMediaLoad = true;
  Load("OpalCinema 108\ntrack image\n  FileName \"a.bri\"\n");
  EXPECT_TRUE(Asked.empty());
  EXPECT_TRUE(Film.Track(0)->Frames.empty());
  EXPECT_EQ(Film.Track(0)->FrameAt(0), -1);
}

TEST_F(FilmMedia, APictureThatFailsLeavesItsTrackWithoutFramesAndSaysWhy) {
  Load("OpalCinema 108\ntrack image\n  FileName \"broken.bri\"\ntrack image\n  FileName \"a.bri\"\n", "broken.ocm");
  EXPECT_TRUE(Film.Track(0)->Frames.empty());
  EXPECT_EQ(Film.Track(1)->Frames.size(), 3u);
  ASSERT_EQ(Film.MediaErrors.size(), 1u);
  EXPECT_NE(Film.MediaErrors[0].find("damaged"), std::string::npos);
}

struct TLineLengths : TFilmTextMeasurer {
  int32_t LineWidth(const TLabelFrameList&, std::string_view line) override {
    return static_cast<int32_t>(line.size()) * 10;
  }
};

TEST_F(FilmMedia, ALabelMeasuresItsText) {
  TLineLengths measure;
  Film.Measurer = &measure;
  Load("OpalCinema 108\ntrack label\n  Text \"ab\\{0A}abcd\\{0A}c\"\n  FontHeight 20\n  LineSpace 3\n");
  const TCustomFrameList& t = *Film.Track(0);
  ASSERT_EQ(t.Frames.size(), 1u);
  EXPECT_EQ(t.Frames[0].Width, 40);
  EXPECT_EQ(t.Frames[0].Height, 3 * 20 + 2 * 3);
}

TEST(FilmText, StringsKeepEveryByte) {
  struct TCase {
    std::string Cp932;
    const char* Text;
  };
  const TCase cases[] = {
      {"..\\pic\\a.bri", R"("..\pic\a.bri")"},
      {"a\\nb", R"("a\nb")"},  // no escape: backslashes in names stay as they are
      {"bg\\title.bri", R"("bg\title.bri")"},
      {"a\\{b", R"("a\\{b")"},
      {"end\\", R"("end\\")"},
      {"q\"uote\r\n", R"("q\"uote\{0D}\{0A}")"},
      {"\x82\xA0", "\"\xE3\x81\x82\""},  // a kana, as UTF-8
      {"\x82", R"("\{82}")"},             // a lone lead byte
      {std::string("\x01", 1), R"("\{01}")"},
  };
  for (const TCase& c : cases) {
    TFilmManager film;
    ReadFilmText("OpalCinema 108\ntrack image\n  FileName " + std::string(c.Text) + "\n", film);
    EXPECT_EQ(TrackAs<TImageFrameList>(film, 0).FileName, c.Cp932) << c.Text;
    const std::string dump = DumpFilmText(film, 108);
    EXPECT_NE(dump.find(std::string("FileName ") + c.Text + "\n"), std::string::npos) << dump;
  }
}

TEST(FilmText, MistakesNameTheirLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "line 1: the text is empty"},
      {"OpalPicture 108\n", "line 1: the first line"},
      {"OpalCinema 109\n", "line 1: 109 is not within 100 to 108"},
      {"OpalCinema 108\n\ntrack movie\n", "line 3: 'movie' is not a track kind"},
      {"OpalCinema 108\ntrack box\n  FileName \"a\"\n", "line 3: box has no field FileName"},
      {"OpalCinema 108\nTrackLength 3\n", "line 2: the header has no field TrackLength"},
      {"OpalCinema 108\ntrack box\n  PosModeX 256\n", "line 3: 256 is not within 0 to 255"},
      {"OpalCinema 108\ntrack box\n  PosStart 1\n", "line 3: expected two numbers"},
      {"OpalCinema 108\ntrack box\n  TrackLength ten\n", "line 3: 'ten' is not a number"},
      {"OpalCinema 108\ntrack image\n  ZoomXStart 1.5x\n", "line 3: '1.5x' is not a number"},
      {"OpalCinema 108\ntrack image\n  FileName a.bri\n", "line 3: expected a quoted string"},
      {"OpalCinema 108\ntrack image\n  FileName \"\\{8\"\n", "line 3: \\{ takes two hexadecimal digits"},
  };
  for (const auto& [text, says] : cases) {
    TFilmManager film;
    try {
      ReadFilmText(text, film);
      ADD_FAILURE() << text << ": read";
    } catch (const EFormatError& e) {
      EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << text << ": " << e.what();
    }
    EXPECT_EQ(film.Count(), 0);
  }
}

}  // namespace
}  // namespace opal

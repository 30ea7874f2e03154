// Values between start and end: the linear and eased modes over a track,
// with and without a follower, the floating form, and angles, zooms and
// alphas as properties.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "film/film_manager.h"
#include "film/film_text.h"
#include "film/interpolate.h"

namespace opal {
namespace {

std::vector<int32_t> Steps(uint8_t mode, int32_t from, int32_t to, int64_t count, int64_t steps) {
  std::vector<int32_t> out;
  for (int64_t s = 0; s < steps; ++s) out.push_back(Interpolate(mode, from, to, {s, count}));
  return out;
}

TEST(Interpolate, TheModesOverFiveFrames) {
  struct TCase {
    const char* Name;
    uint8_t Mode;
    int64_t Count;
    std::vector<int32_t> Values;
  };
  const TCase cases[] = {
      {"linear", 0, 5, {0, 25, 50, 75, 100}},
      {"linear with a follower", 0, 6, {0, 20, 40, 60, 80}},
      {"slow end", 2, 5, {0, 31, 59, 81, 100}},
      {"slow end, any mode above 1", 7, 5, {0, 31, 59, 81, 100}},
      {"slow start", 1, 5, {0, 19, 41, 69, 100}},
  };
  for (const TCase& c : cases) EXPECT_EQ(Steps(c.Mode, 0, 100, c.Count, 5), c.Values) << c.Name;
  // Linear division truncates toward zero.
  EXPECT_EQ(Steps(0, 0, -10, 4, 4), (std::vector<int32_t>{0, -3, -6, -10}));
  // Alpha 0 -> 128 over 3 frames, 0 standing for 255.
  EXPECT_EQ(Steps(0, FilmAlpha(0), FilmAlpha(128), 3, 3), (std::vector<int32_t>{255, 192, 128}));
}

TEST(Interpolate, AFollowerStartsOnTheEndValue) {
  TFilmManager film;
  ReadFilmText("OpalCinema 108\ntrack box\n  TrackLength 5\n  PosEnd 100 0\n"
               "track box\n  Link 0\n  TrackLength 5\n  PosEnd 200 0\n",
               film);
  std::vector<int32_t> xs;
  for (int32_t f = 0; f < 10; ++f) {
    for (int32_t i = 0; i < film.Count(); ++i) {
      TCustomFrameList& t = *film.Track(i);
      if (!t.Covers(f)) continue;
      const TFilmPos start = std::get<TFilmPos>(t.StartValues()["PosStart"]);
      xs.push_back(Interpolate(0, start.X, static_cast<TBoxFrameList&>(t).PosEnd.X, StepOf(t, f)));
    }
  }
  EXPECT_EQ(xs, (std::vector<int32_t>{0, 20, 40, 60, 80, 100, 125, 150, 175, 200}));
}

TEST(Interpolate, FloatingValuesDivideLinearlyByTheCount) {
  std::vector<double> out;
  for (int64_t s = 0; s < 4; ++s) out.push_back(InterpolateF(0, 0.0, 90.0, {s, 4}));
  EXPECT_EQ(out, (std::vector<double>{0, 22.5, 45, 90}));
  EXPECT_DOUBLE_EQ(InterpolateF(2, 0.0, 100.0, {1, 5}), 100 * std::sin(M_PI / 10));
  EXPECT_DOUBLE_EQ(InterpolateF(1, 0.0, 100.0, {1, 5}), 100 - 100 * std::sin(3 * M_PI / 10));
}

TEST(Interpolate, ExtremesSaturate) {
  constexpr int32_t kMax = std::numeric_limits<int32_t>::max(), kMin = std::numeric_limits<int32_t>::min();
  EXPECT_EQ(Interpolate(0, kMin, kMax, {1, 3}), -1);
  EXPECT_EQ(Interpolate(0, kMin, kMax, {kMax - 1, kMax}), kMax);
  // Halfway (sin 30 degrees) across the whole range: the middle, with no
  // overflow on the way.
  EXPECT_EQ(Interpolate(2, kMin, kMax, {1, 3}), -1);
  EXPECT_EQ(Interpolate(1, kMax, kMin, {1, 3}), -1);
  EXPECT_EQ(Interpolate(0, 5, 9, {0, 1}), 5);
}

TEST(Interpolate, AnglesZoomsAndAlphasAsProperties) {
  const std::pair<double, int32_t> angles[] = {{-90, 192}, {450, 64}, {0, 0},  {360, 0},
                                               {1.4, 1},   {-1.4, 255}, {std::nan(""), 0},
                                               {1e300, 0}, {std::numeric_limits<double>::infinity(), 0}};
  for (const auto& [degrees, value] : angles) EXPECT_EQ(AngleProperty(degrees), value) << degrees;
  const std::pair<double, int32_t> zooms[] = {{1.0, 256}, {2.5, 640}, {0.999, 255}, {-0.5, -128},
                                              {std::nan(""), 0}, {1e30, std::numeric_limits<int32_t>::max()}};
  for (const auto& [zoom, value] : zooms) EXPECT_EQ(ZoomFixed(zoom), value) << zoom;
  EXPECT_EQ(FilmAlpha(0), 255);
  EXPECT_EQ(FilmAlpha(7), 7);
}

}  // namespace
}  // namespace opal

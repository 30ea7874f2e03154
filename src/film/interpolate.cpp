#include "film/interpolate.h"

#include <cmath>
#include <numbers>

#include "film/film_manager.h"
#include "film/frame_lists.h"

namespace opal {

namespace {

int32_t Rounded(double v) { return FilmSaturatedTrunc(std::nearbyint(v)); }

}  // namespace

TTrackStep StepOf(const TCustomFrameList& track, int64_t f) {
  return {f - track.EffectiveStart(), int64_t{track.TrackLength} + (track.Follower() != nullptr ? 1 : 0)};
}

int32_t Interpolate(uint8_t mode, int32_t from, int32_t to, const TTrackStep& at) {
  if (at.Step == 0) return from;
  if (at.Step == at.Count - 1) return to;
  const int64_t span = int64_t{to} - from;
  const double count = static_cast<double>(at.Count);
  const double step = static_cast<double>(at.Step);
  if (mode == 0) {
    if (at.Count <= 1) return from;
    // |span| < 2^32 and |step| < 2^33: the product fits.
    return FilmSaturate(from + span * at.Step / (at.Count - 1));
  }
  if (mode == 1)
    return FilmSaturate(to - int64_t{Rounded(static_cast<double>(span) *
                                             std::sin((count - step - 1) * std::numbers::pi / 2 / count))});
  return FilmSaturate(from + int64_t{Rounded(std::sin(step * std::numbers::pi / 2 / count) * static_cast<double>(span))});
}

double InterpolateF(uint8_t mode, double from, double to, const TTrackStep& at) {
  if (at.Step == 0) return from;
  if (at.Step == at.Count - 1) return to;
  const double count = static_cast<double>(at.Count);
  const double step = static_cast<double>(at.Step);
  if (mode == 0) return at.Count == 0 ? from : from + (to - from) * step / count;
  if (mode == 1) return to - (to - from) * std::sin((count - step - 1) * std::numbers::pi / 2 / count);
  return from + std::sin(step * std::numbers::pi / 2 / count) * (to - from);
}

int32_t ZoomFixed(double zoom) { return FilmSaturatedTrunc(zoom * 256); }

int32_t AngleProperty(double degrees) {
  const double turns = std::nearbyint(degrees * 256 / 360);
  if (!std::isfinite(turns)) return 0;
  const double reduced = std::fmod(turns, 256.0);  // exact for every double
  const int32_t v = static_cast<int32_t>(reduced);
  return v < 0 ? v + 256 : v;
}

}  // namespace opal

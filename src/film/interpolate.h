// Values between a track's start and end values at one step of the track,
// and the conversions of film values into property values.
#pragma once

#include <cstdint>

namespace opal {

class TCustomFrameList;

// Where frame `f` of the film lies in a track: Step = f - the track's
// effective start; Count = its length, one more when another track follows
// it, so that it stops one step short of its end value and the follower
// starts on it.
struct TTrackStep {
  int64_t Step = 0;
  int64_t Count = 0;
};
TTrackStep StepOf(const TCustomFrameList& track, int64_t f);

// Mode 0 linear, 1 slow start, any other slow end. Step 0 gives `from`,
// step Count - 1 gives `to`. Integer results are computed in 64 bits and
// saturated; Round is to the nearest, halves to even.
int32_t Interpolate(uint8_t mode, int32_t from, int32_t to, const TTrackStep& at);
// The same without rounding; its linear mode divides by Count.
double InterpolateF(uint8_t mode, double from, double to, const TTrackStep& at);

// A zoom (1.0 = 100 %) in 1/256 steps, saturated (NaN is 0).
int32_t ZoomFixed(double zoom);
// Degrees as an angle property: Round(a x 256 / 360) reduced into 0..255.
int32_t AngleProperty(double degrees);
// An alpha from the file, 0 standing for 255.
inline int32_t FilmAlpha(int32_t alpha) { return alpha == 0 ? 255 : alpha; }

}  // namespace opal

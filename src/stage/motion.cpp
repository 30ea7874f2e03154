#include "stage/motion.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "stage/base_list.h"

namespace opal {

namespace {

constexpr uint8_t kPlayEndEvent = PR_ONPLAYEND;

// Motion time to frame and back, rounded to the nearest, ties to even.
int32_t FrameAt(int64_t elapsedMs) {
  const double f = std::nearbyint(static_cast<double>(elapsedMs) / TOpalMotion::kFrameMs);
  return static_cast<int32_t>(std::clamp(f, 0.0, static_cast<double>(std::numeric_limits<int32_t>::max())));
}

int64_t TimeAt(int32_t frame) { return static_cast<int64_t>(std::nearbyint(frame * TOpalMotion::kFrameMs)); }

int32_t TrackValue(const std::vector<int32_t>& track, int32_t frame) {
  return frame >= 0 && static_cast<size_t>(frame) < track.size() ? track[static_cast<size_t>(frame)] : 0;
}

}  // namespace

void TTrackMotionSource::SetFrame(int32_t frame, TOpalControl& target) {
  if (frame < 0 || frame >= FilmLength()) return;
  target.Invalidate();
  target.MotionX = ClampToInt32(int64_t{Origin[0]} + TrackValue(Left, frame));
  target.MotionY = ClampToInt32(int64_t{Origin[1]} + TrackValue(Top, frame));
  if (!PriorityOffset.empty()) target.PriorityOffset = TrackValue(PriorityOffset, frame);
  target.Invalidate();
  Current = frame;
  ++FramesSet;
}

TOpalMotion::TOpalMotion(std::unique_ptr<TMotionSource> source) : Source_(std::move(source)) {}

void TOpalMotion::Restart() {
  Elapsed = 0;
  Startup = 2;
  Finished = false;
}

bool TOpalMotion::Step(TOpalControl& c, int32_t elapsedMs, bool repeat) {
  TMotionSource& film = *Source_;
  bool apply = false;
  // A script moved a relative motion's control: it goes on from there.
  if (Startup <= 0 && film.Relative() && (c.Left() != LastX || c.Top() != LastY)) {
    film.SetMotionOrigin(c.Left(), c.Top());
    Finished = false;
    apply = true;
  }
  if (Finished) return false;
  if (Startup == 2) {
    if (film.Relative()) {
      film.SetMotionOrigin(c.Left(), c.Top());
    } else {
      film.SetMotionOrigin(0, 0);
    }
    film.SetBasePriority(c.Priority());
    LastX = c.Left(), LastY = c.Top();
  }
  if (Startup < 1 && !c.AniPaused) Elapsed += std::max(elapsedMs, 0);
  Frame = FrameAt(Elapsed);
  const int32_t count = std::max(film.FilmLength(), 0);
  if (Frame >= count) {
    if (repeat) {
      // A film without frames stands at frame 0 (and never divides by 0).
      Frame = count == 0 ? 0 : std::clamp(Frame % count + film.LoopStart(), 0, count - 1);
      Elapsed = TimeAt(Frame);
      return false;
    }
    Frame = std::max(count - 1, 0);
    Finished = true;
    return true;
  }
  if (Startup == 2 || film.CurrentFrame() != Frame || apply) film.SetFrame(Frame, c);
  if (Startup > 0) --Startup;
  LastX = c.Left(), LastY = c.Top();
  return false;
}

void TOpalMotion::Reapply(TOpalControl& c) {
  if (Frame >= 0 && Frame < Source_->FilmLength()) Source_->SetFrame(Frame, c);
}

// --- the control's side ---------------------------------------------------------

void TOpalControl::AttachMotion(const std::string& file) {
  DestroyMotion();
  TOpalBaseList* stage = Owner();
  TMotionLoader* loader = stage != nullptr ? stage->Services().Motions : nullptr;
  std::unique_ptr<TMotionSource> source = loader != nullptr ? loader->LoadMotion(file) : nullptr;
  if (source == nullptr) return;
  Motion = std::make_unique<TOpalMotion>(std::move(source));
  Motion->Restart();
}

void TOpalControl::DestroyMotion() {
  if (Motion == nullptr) return;
  ShowMotionPicture(nullptr, nullptr);  // the pixels go with the film
  Motion.reset();
  Invalidate();
  MotionX = MotionY = 0;
  PriorityOffset = 0;
  Invalidate();
}

bool TOpalControl::StepMotion(int32_t elapsedMs, bool repeat, bool autoScrap, const std::string& onPlayEnd) {
  if (Motion == nullptr || !Motion->Step(*this, elapsedMs, repeat)) return false;
  if (autoScrap) return true;
  if (!onPlayEnd.empty() && !Closing() && Owner() != nullptr) Owner()->Events.Post(this, onPlayEnd, {}, kPlayEndEvent);
  return false;
}

bool TOpalControl::MotionPlaying() const { return Motion != nullptr && !Motion->Finished && !Paused() && !AniPaused; }

}  // namespace opal

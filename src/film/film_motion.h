// A film played as a motion: no objects of its own; every visual track in
// range writes its values for the frame onto the one control that carries
// the motion. TFilmMotionLoader gives the stage such motions from ".omt"
// files.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "film/film_fields.h"
#include "film/film_manager.h"
#include "stage/motion.h"
#include "stage/stage_services.h"

namespace opal {

class TFilmMotionSource : public TMotionSource {
 public:
  explicit TFilmMotionSource(std::unique_ptr<TFilmManager> film);
  int32_t FilmLength() const override { return Film_->FilmLength(); }
  int32_t LoopStart() const override { return Film_->LoopStart; }
  bool Relative() const override { return Film_->Relative; }
  int32_t CurrentFrame() const override { return Current_; }
  void SetMotionOrigin(int32_t x, int32_t y) override { Origin_ = {x, y}; }
  void SetBasePriority(int32_t priority) override { BasePriority_ = priority; }
  // Every image, tile, label, box, particle and fire track that covers
  // `frame` sets its values on `target`: MotionX / MotionY for the
  // position, the priority (images: PriorityOffset; the others: the base
  // priority + the track's), and the properties the track drives.
  void SetFrame(int32_t frame, TOpalControl& target) override;
  TFilmManager& Film() { return *Film_; }

 private:
  std::unique_ptr<TFilmManager> Film_;
  // Each track's start values (a chained track's come from its link).
  std::vector<TFilmValues> Starts_;
  int32_t Current_ = -1;
  TFilmPos Origin_;
  int32_t BasePriority_ = 0;
};

class TFilmMotionLoader : public TMotionLoader {
 public:
  // Reports a film that cannot be read, or media that cannot be loaded, once.
  using TReport = std::function<void(const std::string& message)>;
  TFilmMotionLoader(TStageFiles& files, TBrioCollection* images, TReport report)
      : Files_(files), Images_(images), Report_(std::move(report)) {}
  // None (reported) when the file cannot be read or is no film.
  std::unique_ptr<TMotionSource> LoadMotion(const std::string& file) override;

 private:
  TStageFiles& Files_;
  TBrioCollection* Images_;
  TReport Report_;
};

}  // namespace opal

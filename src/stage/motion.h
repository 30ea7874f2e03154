// TOpalMotion: a film-driven motion carried by one control. The film is
// reached through TMotionSource, which knows the frame tracks and writes a
// frame's values into the control; the motion keeps the time, at 60 frames
// a second, with repeat, loop start and a relative origin.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace opal {

class TOpalControl;

// What a motion needs of its film player.
class TMotionSource {
 public:
  virtual ~TMotionSource() = default;
  // Frames in the film (may be 0), and the frame a repeat starts again at.
  virtual int32_t FilmLength() const = 0;
  virtual int32_t LoopStart() const = 0;
  // A relative film moves the control from where it stands.
  virtual bool Relative() const = 0;
  // The frame applied last, or -1.
  virtual int32_t CurrentFrame() const = 0;
  virtual void SetMotionOrigin(int32_t x, int32_t y) = 0;
  virtual void SetBasePriority(int32_t priority) = 0;
  // Writes frame `frame` (0 <= frame < FilmLength) into the control's
  // MotionX / MotionY and the other properties its tracks drive.
  virtual void SetFrame(int32_t frame, TOpalControl& target) = 0;
};

// A source of plain frame tracks: a Left and a Top value per frame, offset
// by the origin, and a priority offset per frame (tracks may be empty).
class TTrackMotionSource : public TMotionSource {
 public:
  int32_t FilmLength() const override { return static_cast<int32_t>(Left.size()); }
  int32_t LoopStart() const override { return Loop; }
  bool Relative() const override { return IsRelative; }
  int32_t CurrentFrame() const override { return Current; }
  void SetMotionOrigin(int32_t x, int32_t y) override { Origin = {x, y}; }
  void SetBasePriority(int32_t priority) override { BasePriority = priority; }
  void SetFrame(int32_t frame, TOpalControl& target) override;

  std::vector<int32_t> Left, Top, PriorityOffset;
  int32_t Loop = 0;
  bool IsRelative = false;
  int32_t Current = -1;
  std::array<int32_t, 2> Origin{0, 0};
  int32_t BasePriority = 0;
  int32_t FramesSet = 0;  // how often SetFrame wrote a frame
};

class TOpalMotion {
 public:
  static constexpr double kFrameMs = 16.666666666666668;

  explicit TOpalMotion(std::unique_ptr<TMotionSource> source);
  // Elapsed 0, Startup 2, Finished cleared.
  void Restart();
  // One frame of motion time on `c`; true when the motion reached its end
  // now. `repeat` is the control's PR_REPEAT.
  bool Step(TOpalControl& c, int32_t elapsedMs, bool repeat);
  // Writes the current frame again (after the screen mode changed).
  void Reapply(TOpalControl& c);
  TMotionSource& Source() { return *Source_; }

  int64_t Elapsed = 0;  // ms of motion time
  int32_t Startup = 2;
  bool Finished = false;
  int32_t Frame = 0;
  int32_t LastX = 0, LastY = 0;

 private:
  std::unique_ptr<TMotionSource> Source_;
};

}  // namespace opal

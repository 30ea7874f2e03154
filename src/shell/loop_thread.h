// TLoopThread: the frame timing. Frames come about every 15 ms; the
// caller's loop waits on a Clock itself and this class keeps the timing
// rule pure:
//   wait max(1, wait) ms; d = now - a; if d < 300 the frame counts:
//   GameTimeMs += d, FrameDeltaMs = d, LastTickMs = now, run the frame,
//   wait = 15 - d; otherwise wait = 1. Either way a = now.
// A gap of 300 ms or more (a stall, a dragged window) is not counted into
// the game clock, so timers never jump.
#pragma once

#include <cstdint>
#include <functional>

#include "common/run_state.h"
#include "platform/clock.h"

namespace opal {

class TLoopThread {
 public:
  static constexpr uint32_t kStallMs = 300;
  static constexpr int32_t kFrameMs = 15;

  explicit TLoopThread(TRunState& state) : State_(state) {}

  void Start(uint32_t now);
  // How long to wait before the next Wake.
  int32_t NextWaitMs() const { return Wait_ < 1 ? 1 : Wait_; }
  // The wait ended at `now`. True when the interval counts and the frame
  // callback must run; the timing globals are already updated then.
  bool Wake(uint32_t now);

  // A counted frame that woke at `started` finished at `ended`: the next
  // wait is what is left of its 15 ms. Wake's own rule (15 − the interval
  // since the last wake) assumes waits that last a whole coarse timer tick;
  // with exact waits it would alternate 1 ms and
  // 14 ms waits and run frames twice as often. The game clock is the same
  // either way.
  void FrameDone(uint32_t started, uint32_t ended);
  // Runs frames on `clock` until `keep_going` says no (it is asked before
  // every wait). `frame` is called for each counted frame unless a screen
  // switch is in progress, when the frame is dropped.
  void Run(Clock& clock, const std::function<bool()>& keep_going, const std::function<void()>& frame);

  // A suspended loop runs no frames and counts no time; resuming starts
  // the next interval at `now`.
  void Suspend() { Suspended_ = true; }
  void Resume(uint32_t now);
  bool Suspended() const { return Suspended_; }

 private:
  TRunState& State_;
  uint32_t A_ = 0;
  int32_t Wait_ = 1;
  bool Suspended_ = false;
};

}  // namespace opal

// Clock: the millisecond clock the frame loop measures and waits on.
#pragma once

#include <cstdint>

namespace opal {

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds since an arbitrary start, wrapping at 2^32 as scripts
  // expect of the game clock. Never goes backwards between two calls.
  virtual uint32_t NowMs() = 0;
  // Lets at least `ms` milliseconds pass (ms < 1 counts as 1) before it
  // returns. A fake clock may advance itself by its own rule instead.
  virtual void WaitMs(int32_t ms) = 0;
};

// The monotonic system clock; WaitMs sleeps.
class TSystemClock : public Clock {
 public:
  TSystemClock();
  uint32_t NowMs() override;
  void WaitMs(int32_t ms) override;

 private:
  int64_t StartNs_;
};

// A clock that never sleeps: every wait lasts exactly `step` ms, whatever
// was asked, so each frame of a run takes the same time and runs repeat.
class TFixedClock : public Clock {
 public:
  explicit TFixedClock(uint32_t step, uint32_t start = 0) : Step_(step), Now_(start) {}
  uint32_t NowMs() override { return Now_; }
  void WaitMs(int32_t) override { Now_ += Step_; }

 private:
  uint32_t Step_;
  uint32_t Now_;
};

}  // namespace opal

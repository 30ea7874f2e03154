#include "shell/loop_thread.h"

namespace opal {

void TLoopThread::Start(uint32_t now) {
  A_ = now;
  Wait_ = 1;
}

void TLoopThread::FrameDone(uint32_t started, uint32_t ended) {
  Wait_ = kFrameMs - static_cast<int32_t>(ended - started);
}

void TLoopThread::Resume(uint32_t now) {
  if (!Suspended_) return;
  Suspended_ = false;
  A_ = now;
  Wait_ = 1;
}

bool TLoopThread::Wake(uint32_t now) {
  const uint32_t d = now - A_;  // the clock wraps like a 32-bit tick count
  A_ = now;
  Wait_ = 1;
  if (d >= kStallMs) return false;
  State_.GameTimeMs += d;
  State_.FrameDeltaMs = static_cast<int32_t>(d);
  State_.LastTickMs = now;
  Wait_ = kFrameMs - static_cast<int32_t>(d);
  return true;
}

void TLoopThread::Run(Clock& clock, const std::function<bool()>& keep_going, const std::function<void()>& frame) {
  Start(clock.NowMs());
  while (keep_going()) {
    clock.WaitMs(NextWaitMs());
    if (Suspended_) {  // no interval counts while suspended
      A_ = clock.NowMs();
      Wait_ = 1;
      continue;
    }
    const uint32_t now = clock.NowMs();
    if (!Wake(now)) continue;
    if (!State_.InFullScreenSwitch) frame();
    FrameDone(now, clock.NowMs());
  }
}

}  // namespace opal

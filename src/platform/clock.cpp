#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace opal {

namespace {
int64_t SteadyNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}
}  // namespace

TSystemClock::TSystemClock() : StartNs_(SteadyNs()) {}

uint32_t TSystemClock::NowMs() { return static_cast<uint32_t>((SteadyNs() - StartNs_) / 1000000); }

void TSystemClock::WaitMs(int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms < 1 ? 1 : ms)); }

}  // namespace opal

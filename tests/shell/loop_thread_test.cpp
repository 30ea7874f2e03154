#include <gtest/gtest.h>

#include <vector>

#include "shell/loop_thread.h"

namespace opal {
namespace {

// A clock that plays back a list of wake-up times, one per wait, and
// records how long each wait asked for.
class TScriptedClock : public Clock {
 public:
  explicit TScriptedClock(std::vector<uint32_t> times) : Times_(std::move(times)) {}
  uint32_t NowMs() override { return Now_; }
  void WaitMs(int32_t ms) override {
    Waits.push_back(ms);
    Now_ = Next_ < Times_.size() ? Times_[Next_++] : Now_ + 15;
  }
  bool Done() const { return Next_ >= Times_.size(); }
  std::vector<int32_t> Waits;

 private:
  std::vector<uint32_t> Times_;
  size_t Next_ = 0;
  uint32_t Now_ = 0;
};

TEST(LoopThread, CountsShortIntervalsAndDropsStalls) {
  TRunState state;
  TLoopThread loop(state);
  loop.Start(1000);
  EXPECT_EQ(loop.NextWaitMs(), 1);

  ASSERT_TRUE(loop.Wake(1010));  // a 10 ms frame
  EXPECT_EQ(state.GameTimeMs, 10u);
  EXPECT_EQ(state.FrameDeltaMs, 10);
  EXPECT_EQ(state.LastTickMs, 1010u);
  EXPECT_EQ(loop.NextWaitMs(), 5);  // 15 - 10

  EXPECT_FALSE(loop.Wake(1310));  // exactly 300 ms: a stall, not counted
  EXPECT_EQ(state.GameTimeMs, 10u);
  EXPECT_EQ(state.FrameDeltaMs, 10);
  EXPECT_EQ(state.LastTickMs, 1010u);
  EXPECT_EQ(loop.NextWaitMs(), 1);

  ASSERT_TRUE(loop.Wake(1609));  // 299 ms still counts, from the stall's end
  EXPECT_EQ(state.GameTimeMs, 309u);
  EXPECT_EQ(loop.NextWaitMs(), 1);  // 15 - 299 is below 1
}

TEST(LoopThread, SurvivesTheClockWrapping) {
  TRunState state;
  TLoopThread loop(state);
  loop.Start(0xFFFFFFF8u);
  ASSERT_TRUE(loop.Wake(4));  // 12 ms across the wrap
  EXPECT_EQ(state.FrameDeltaMs, 12);
  EXPECT_EQ(loop.NextWaitMs(), 3);
}

TEST(LoopThread, RunDropsFramesDuringAScreenSwitch) {
  TRunState state;
  TLoopThread loop(state);
  TScriptedClock clock({10, 20, 400, 410, 420});
  int frames = 0;
  loop.Run(
      clock, [&] { return !clock.Done(); },
      [&] {
        ++frames;
        state.InFullScreenSwitch = frames == 2;  // a switch starts in the second frame
      });
  // Frames at 10 and 20 run; 400 is a stall; 410 and 420 still count into
  // the game clock but are dropped while the switch lasts.
  EXPECT_EQ(frames, 2);
  EXPECT_EQ(state.GameTimeMs, 40u);
  // After a counted frame the wait is what its 15 ms leave (no time passes
  // in these frames); after a stall it is 1.
  EXPECT_EQ(clock.Waits, (std::vector<int32_t>{1, 15, 15, 1, 15}));
}

TEST(LoopThread, FixedClockMakesEveryFrameTheSameLength) {
  TRunState state;
  TLoopThread loop(state);
  TFixedClock clock(15);
  int frames = 0;
  loop.Run(clock, [&] { return frames < 100; }, [&] { ++frames; });
  EXPECT_EQ(state.GameTimeMs, 1500u);
  EXPECT_EQ(state.FrameDeltaMs, 15);
}

}  // namespace
}  // namespace opal

// Film-driven motions on a control: 60 frames a second with two start-up
// frames, repeat from the loop start, the end with a play-end event or
// auto-destroy, a relative origin, anipause, and films without frames.
#include <gtest/gtest.h>

#include <algorithm>

#include "stage/motion.h"
#include "stage_test_util.h"

namespace opal {
namespace {

using testing::AddBox;

// A film of `frames` frames whose Left track is 10 x frame and Top 100 + frame.
std::unique_ptr<TTrackMotionSource> Film(int32_t frames, int32_t loop = 0, bool relative = false) {
  auto film = std::make_unique<TTrackMotionSource>();
  for (int32_t f = 0; f < frames; ++f) film->Left.push_back(10 * f), film->Top.push_back(100 + f);
  film->Loop = loop;
  film->IsRelative = relative;
  return film;
}

const auto Flag = &TPropValue::OfFlag;

struct MotionStage : ::testing::Test, TMotionLoader {
  static constexpr int32_t kStepMs = 50;  // three frames of film a step
  MotionStage() {
    services.Motions = this;
    stage.SetSize(100, 100);
    box = AddBox(stage, nullptr, 5, 6, 10, 10, 0, "mover");
  }
  std::unique_ptr<TMotionSource> LoadMotion(const std::string& file) override {
    if (file == "missing.omt") return nullptr;
    return Film(frames, loop, relative);
  }
  TTrackMotionSource& Source() { return static_cast<TTrackMotionSource&>(box->Motion->Source()); }

  int32_t frames = 10, loop = 0;
  bool relative = false;
  TStageServices services;
  TOpalBaseList stage{services};
  TOpalBox* box = nullptr;
};

TEST_F(MotionStage, RepeatGoesBackToTheLoopStart) {
  loop = 4;
  box->SetProperty(PR_REPEAT, Flag(true));
  box->SetProperty(PR_SOURCE, [] { TPropValue v; v.Str = "walk.OMT"; return v; }());
  ASSERT_NE(box->Motion, nullptr);
  EXPECT_TRUE(box->HasMotion());
  // Two start-up steps at frame 0, then 50 ms a step: frames 3, 6, 9; frame
  // 12 is past the end and wraps to 12 mod 10 + 4 = 6, shown at the next step.
  std::vector<int32_t> frameSeen, applied;
  for (int step = 0; step < 9; ++step) {
    stage.Update(kStepMs);
    frameSeen.push_back(box->Motion->Frame);
    applied.push_back(Source().Current);
  }
  EXPECT_EQ(frameSeen, (std::vector<int32_t>{0, 0, 3, 6, 9, 6, 9, 6, 9}));
  EXPECT_EQ(applied, (std::vector<int32_t>{0, 0, 3, 6, 9, 9, 9, 9, 9}));
  EXPECT_EQ(box->Motion->Elapsed, 150);
  EXPECT_EQ(box->MotionX, 90);
  EXPECT_EQ(box->MotionY, 109);
  TPropValue playing;
  box->GetProperty(PR_PLAYING, playing);
  EXPECT_TRUE(playing.Flag);
  // Another source drops the motion and its offsets.
  box->SetProperty(PR_SOURCE, TPropValue{});
  EXPECT_EQ(box->Motion, nullptr);
  EXPECT_EQ(box->MotionX, 0);
}

TEST_F(MotionStage, TheEndQueuesPlayEndOrDestroysTheControl) {
  for (bool autoScrap : {false, true}) {
    TOpalBox* b = AddBox(stage, nullptr, 0, 0, 5, 5, 0, autoScrap ? "scrap" : "plain");
    b->OnPlayEnd = "end.osb";
    b->SetProperty(PR_AUTOSCRAP, Flag(autoScrap));
    b->AttachMotion("run.omt");
    const uint64_t id = b->Id();
    for (int step = 0; step < 10; ++step) stage.Update(kStepMs);
    if (autoScrap) {
      EXPECT_EQ(stage.ById(id), nullptr);
    } else {
      ASSERT_EQ(stage.ById(id), b);
      EXPECT_TRUE(b->Motion->Finished);
      EXPECT_EQ(b->Motion->Frame, 9);
      EXPECT_EQ(b->MotionX, 90);  // the last frame stays
      TPropValue playing;
      b->GetProperty(PR_PLAYING, playing);
      EXPECT_FALSE(playing.Flag);
    }
    // Once: a finished motion answers nothing more; a destroyed control
    // queues nothing.
    const int ends = static_cast<int>(std::count_if(stage.Events.Items.begin(), stage.Events.Items.end(),
                                                    [](const TTimerData& t) { return t.Kind == PR_ONPLAYEND; }));
    EXPECT_EQ(ends, autoScrap ? 0 : 1) << autoScrap;
    stage.Events.Clear();
  }
}

TEST_F(MotionStage, FilmsWithoutFramesNeverDivideByZero) {
  frames = 0;
  for (bool repeat : {false, true}) {
    TOpalBox* b = AddBox(stage, nullptr, 0, 0, 5, 5, 0, repeat ? "r" : "n");
    b->SetProperty(PR_REPEAT, Flag(repeat));
    b->AttachMotion("empty.omt");
    for (int step = 0; step < 5; ++step) stage.Update(kStepMs);
    EXPECT_EQ(b->Motion->Frame, 0);
    EXPECT_EQ(b->Motion->Finished, !repeat);
    EXPECT_EQ(b->MotionX, 0);
  }
  box->AttachMotion("missing.omt");  // a file the loader does not give
  EXPECT_EQ(box->Motion, nullptr);
}

TEST_F(MotionStage, RelativeMotionFollowsTheControlAndAnipauseHoldsIt) {
  relative = true;
  box->SetProperty(PR_REPEAT, Flag(true));
  box->AttachMotion("walk.omt");
  for (int step = 0; step < 3; ++step) stage.Update(kStepMs);
  EXPECT_EQ(box->Motion->Frame, 3);
  EXPECT_EQ(box->MotionX, 5 + 30);
  EXPECT_EQ(box->MotionY, 6 + 103);
  box->AniPaused = true;
  for (int step = 0; step < 3; ++step) stage.Update(kStepMs);
  EXPECT_EQ(box->Motion->Frame, 3);  // stands still, keeps its frame
  EXPECT_EQ(box->MotionX, 35);
  TPropValue playing;
  box->GetProperty(PR_PLAYING, playing);
  EXPECT_FALSE(playing.Flag);
  // A script moves the control: the motion goes on from the new place.
  box->SetLeft(50);
  stage.Update(kStepMs);
  EXPECT_EQ(Source().Origin, (std::array<int32_t, 2>{50, 6}));
  EXPECT_EQ(box->MotionX, 50 + 30);
}

}  // namespace
}  // namespace opal

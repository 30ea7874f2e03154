// Raw input as the window records it on the stage, and the recording parts
// of the input step: edges latched for one step, key repeat after 300 ms
// and then every 50 ms.
#include <gtest/gtest.h>

#include "stage/base_list.h"
#include "stage/opal_base.h"

namespace opal {
namespace {

TEST(WindowInput, ButtonsAndWheelAreEdgesOfOneStep) {
  TOpalBaseList stage;
  stage.MouseMove(30, 40);
  stage.MouseDown(TMouseButton::Left);
  stage.WheelUp();
  TMouseState& active = stage.ActiveBase()->Mouse;
  EXPECT_TRUE(active.Moved);
  EXPECT_TRUE(stage.OtherBase()->Mouse.LeftHeld);
  EXPECT_FALSE(stage.OtherBase()->Mouse.LeftEdge);  // the edge goes to the active base only
  stage.InputStep(15);
  EXPECT_TRUE(active.LeftNow);
  EXPECT_TRUE(active.WheelUpNow);
  EXPECT_FALSE(active.LeftEdge);
  stage.MouseUp();
  stage.InputStep(15);
  EXPECT_FALSE(active.LeftNow);
  EXPECT_FALSE(active.LeftHeld);
  EXPECT_EQ(active.PointerX, 30);
  stage.MouseMove(30, 40);  // the same place again is no move
  active.Moved = false;
  stage.MouseMove(30, 40);
  EXPECT_FALSE(active.Moved);
}

TEST(WindowInput, KeyRepeatFirstAfter300ThenEvery50) {
  struct TCase {
    int32_t heldMs;
    int repeats;  // repeat steps after the press, at 10 ms a step
  };
  for (const TCase& c : {TCase{0, 0}, TCase{290, 0}, TCase{300, 1}, TCase{350, 2}, TCase{400, 3}}) {
    TOpalBaseList stage;
    stage.KeyDown(65);
    EXPECT_TRUE(stage.Keys.AnyDown);
    stage.InputStep(0);
    EXPECT_TRUE(stage.Keys.PressedSincePreviousStep(65));
    EXPECT_TRUE(stage.Keys.RepeatedAtPreviousStep(65));  // the press itself is the first repeat
    int repeats = 0;
    for (int32_t t = 10; t <= c.heldMs; t += 10) {
      stage.InputStep(10);
      repeats += stage.Keys.Key(65).RepeatNow ? 1 : 0;
    }
    EXPECT_EQ(repeats, c.repeats) << c.heldMs;
    stage.KeyDown(65);  // a held key pressed again does nothing
    EXPECT_TRUE(stage.Keys.WentDown.empty());
    stage.KeyUp(65);
    EXPECT_FALSE(stage.Keys.Held(65));
    EXPECT_TRUE(stage.Keys.AnyUp);
  }
}

TEST(WindowInput, ClearInputForgetsEveryKeyAndCodesAbove255AreIgnored) {
  TOpalBaseList stage;
  stage.KeyDown(300);
  EXPECT_FALSE(stage.Keys.AnyDown);
  stage.KeyDown(13);
  stage.ClearInput();
  EXPECT_FALSE(stage.Keys.Held(13));
  EXPECT_FALSE(stage.Keys.AnyDown);
  EXPECT_TRUE(stage.Keys.WentDown.empty());
}

}  // namespace
}  // namespace opal

// The dirty-rectangle list's 20-pixel merge, and what reaches it from
// invalidations.
#include <gtest/gtest.h>

#include <vector>

#include "stage/clip_list.h"
#include "stage_test_util.h"

namespace opal {
namespace {

using testing::AddBox;

struct TClipCase {
  const char* Label;
  std::vector<TRect> Adds;
  std::vector<TRect> Expected;
};

TEST(ClipList, MergeTable) {
  const TClipCase cases[] = {
      {"moved box", {{0, 0, 10, 10}, {5, 0, 15, 10}}, {{0, 0, 15, 10}}},
      {"25 apart stay two", {{0, 0, 10, 10}, {35, 0, 45, 10}}, {{0, 0, 10, 10}, {35, 0, 45, 10}}},
      {"15 apart merge", {{0, 0, 10, 10}, {25, 0, 35, 10}}, {{0, 0, 35, 10}}},
      {"exactly 20 apart merge", {{0, 0, 10, 10}, {30, 0, 40, 10}}, {{0, 0, 40, 10}}},
      {"21 apart stay two", {{0, 0, 10, 10}, {31, 0, 41, 10}}, {{0, 0, 10, 10}, {31, 0, 41, 10}}},
      {"21 above stay two", {{0, 31, 10, 41}, {0, 0, 10, 10}}, {{0, 31, 10, 41}, {0, 0, 10, 10}}},
      {"21 left of stay two", {{31, 0, 41, 10}, {0, 0, 10, 10}}, {{31, 0, 41, 10}, {0, 0, 10, 10}}},
      {"inside changes nothing", {{0, 0, 100, 100}, {10, 10, 20, 20}}, {{0, 0, 100, 100}}},
      {"empty ignored", {{0, 0, 10, 10}, {50, 50, 50, 60}, {70, 70, 60, 80}}, {{0, 0, 10, 10}}},
      {"a bridge merges a chain",
       {{0, 0, 10, 10}, {60, 0, 70, 10}, {25, 0, 45, 10}},
       {{0, 0, 70, 10}}},
      {"the merged rectangle moves to the end",
       {{0, 0, 10, 10}, {100, 100, 110, 110}, {200, 0, 210, 10}, {105, 105, 120, 120}},
       {{0, 0, 10, 10}, {200, 0, 210, 10}, {100, 100, 120, 120}}},
      {"only near on every side", {{0, 0, 10, 10}, {0, 100, 10, 110}}, {{0, 0, 10, 10}, {0, 100, 10, 110}}},
  };
  for (const TClipCase& c : cases) {
    TClipList list;
    for (const TRect& r : c.Adds) list.Add(r);
    EXPECT_EQ(list.Items(), c.Expected) << c.Label;
  }
}

TEST(ClipList, ChangedFlag) {
  TClipList list;
  list.Add({0, 0, 10, 10});
  EXPECT_TRUE(list.Changed);
  list.Changed = false;
  list.Add({2, 2, 5, 5});
  EXPECT_FALSE(list.Changed);
  list.Clear();
  EXPECT_TRUE(list.Changed);
  EXPECT_EQ(list.Count(), 0);
}

TEST(ClipList, FarCoordinatesDoNotOverflow) {
  TClipList list;
  list.Add({INT32_MAX - 10, INT32_MAX - 10, INT32_MAX, INT32_MAX});
  list.Add({INT32_MIN, INT32_MIN, INT32_MIN + 10, INT32_MIN + 10});
  EXPECT_EQ(list.Count(), 2);
}

struct TInvalidateCase {
  const char* Label;
  TRect Parent;   // on the base
  TRect Child;    // relative to the parent
  TRect Clip;     // the child's clip (left, top, width, height); width 0: none
  std::vector<TRect> Dirty;
};

TEST(Invalidate, CutByTheParentTheClipAndTheBase) {
  const TInvalidateCase cases[] = {
      {"inside", {100, 100, 50, 50}, {10, 10, 5, 5}, {}, {{110, 110, 115, 115}}},
      {"cut at the parent", {100, 100, 50, 50}, {40, 40, 30, 30}, {}, {{140, 140, 150, 150}}},
      {"outside the parent", {100, 100, 50, 50}, {60, 0, 5, 5}, {}, {}},
      {"own clip", {100, 100, 50, 50}, {0, 0, 40, 40}, {0, 0, 10, 40}, {{100, 100, 110, 140}}},
      {"cut at the base", {300, 220, 50, 50}, {0, 0, 40, 40}, {}, {{300, 220, 320, 240}}},
  };
  for (const TInvalidateCase& c : cases) {
    TOpalBaseList stage;
    stage.SetSize(320, 240);
    TOpalBox* parent = AddBox(stage, nullptr, c.Parent.Left, c.Parent.Top, c.Parent.Right, c.Parent.Bottom);
    TOpalBox* child = AddBox(stage, parent, c.Child.Left, c.Child.Top, c.Child.Right, c.Child.Bottom);
    for (int i = 0; i < 4; ++i) child->SetClip(i, (&c.Clip.Left)[i]);
    stage.ClearDirty();
    child->Invalidate();
    EXPECT_EQ(stage.ActiveBase()->DirtyList.Items(), c.Dirty) << c.Label;
  }
}

TEST(Invalidate, MovingABoxMergesOldAndNewAreas) {
  TOpalBaseList stage;
  stage.SetSize(320, 240);
  TOpalBox* box = AddBox(stage, nullptr, 0, 0, 10, 10);
  stage.ClearDirty();
  box->SetLeft(5);
  EXPECT_EQ(stage.ActiveBase()->DirtyList.Items(), (std::vector<TRect>{{0, 0, 15, 10}}));
  // Unchanged values invalidate nothing; hidden controls invalidate nothing.
  stage.ClearDirty();
  box->SetLeft(5);
  box->SetColor(box->Color());
  EXPECT_EQ(stage.ActiveBase()->DirtyList.Count(), 0);
  box->SetVisible(false);
  stage.ClearDirty();
  box->SetLeft(100);
  EXPECT_EQ(stage.ActiveBase()->DirtyList.Count(), 0);
}

}  // namespace
}  // namespace opal

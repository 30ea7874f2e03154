// Naming, the sibling order, re-parenting, visibility and placement of
// controls.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "stage_test_util.h"

namespace opal {
namespace {

using testing::AddBox;
using testing::TTestControl;
using testing::TTestSound;

// --- naming ---

TEST(Naming, AutomaticNamesTakeTheFirstFreeNumber) {
  TOpalBaseList stage;
  TOpalBox* a = stage.Create<TOpalBox>();
  TOpalBox* b = stage.Create<TOpalBox>();
  EXPECT_EQ(a->Name(), "object0");
  EXPECT_EQ(b->Name(), "object1");
  stage.DeleteObject(a);
  EXPECT_EQ(a->Name(), "");  // free at once, before the update destroys it
  EXPECT_EQ(stage.Create<TOpalBox>()->Name(), "object0");
  EXPECT_EQ(stage.UniqueName("btn"), "btn0");
}

struct TClashCase {
  std::vector<std::string> Existing;  // control names, in creation order
  std::string NewName;                // a new control takes this name
  std::vector<std::string> After;     // the existing controls' names afterwards
};

TEST(Naming, ControlClashesRenameTheOlderControl) {
  const TClashCase cases[] = {
      {{"btn"}, "btn", {"btn_2"}},
      {{"btn", "btn_2"}, "btn", {"btn_3", "btn_2"}},
      {{"a_5"}, "a_5", {"a_6"}},
      {{"a_5", "a_6"}, "a_5", {"a_7", "a_6"}},
      {{"x_1"}, "x_1", {"x_1_2"}},      // 1 is not above 1
      {{"x_007"}, "x_007", {"x_7"}},    // counts from 7
      {{"y_"}, "y_", {"y__2"}},
      {{"z_2x"}, "z_2x", {"z_2x_2"}},
      {{"n_99999999999999999999"}, "n_99999999999999999999", {"n_99999999999999999999_2"}},
  };
  for (const TClashCase& c : cases) {
    TOpalBaseList stage;
    std::vector<TOpalBox*> boxes;
    for (const std::string& name : c.Existing) boxes.push_back(AddBox(stage, nullptr, 0, 0, 1, 1, 0, name));
    TOpalBox* fresh = stage.Create<TOpalBox>();
    fresh->SetName(c.NewName);
    EXPECT_EQ(fresh->Name(), c.NewName);
    for (size_t i = 0; i < boxes.size(); ++i) EXPECT_EQ(boxes[i]->Name(), c.After[i]) << c.NewName;
    EXPECT_EQ(stage.FindObject(c.NewName), fresh);
  }
}

TEST(Naming, NonVisualClashDeletesTheOlderAtTheEndOfTheUpdate) {
  TOpalBaseList stage;
  TTestSound* old = stage.Create<TTestSound>();
  old->SetName("bgm");
  const uint64_t oldId = old->Id();
  TTestSound* fresh = stage.Create<TTestSound>();
  fresh->SetName("bgm");
  EXPECT_EQ(stage.FindObject("bgm"), fresh);
  ASSERT_EQ(stage.ById(oldId), old);  // still registered, nameless
  EXPECT_EQ(old->Name(), "");
  EXPECT_TRUE(old->MarkedForDeletion());
  stage.Update(0);
  EXPECT_EQ(stage.ById(oldId), nullptr);
  EXPECT_EQ(stage.FindObject("bgm"), fresh);
}

TEST(Naming, SpecialNamesFindTheBases) {
  TOpalBaseList stage;
  stage.Active = 1;
  EXPECT_EQ(stage.FindObject(""), stage.BaseAt(1));
  EXPECT_EQ(stage.FindObject("\001BASE0"), stage.BaseAt(1));  // the active base
  EXPECT_EQ(stage.FindObject("\001"), stage.BaseAt(0));
  EXPECT_EQ(stage.FindControl(""), stage.BaseAt(1));
  EXPECT_EQ(stage.FindControl("\001"), stage.BaseAt(0));
  EXPECT_EQ(stage.FindControl("\001BASE0"), stage.BaseAt(0));
  EXPECT_EQ(stage.FindControl("\001BASE1"), stage.BaseAt(1));
  TTestSound* s = stage.Create<TTestSound>();
  s->SetName("snd");
  EXPECT_EQ(stage.FindObject("snd"), s);
  EXPECT_EQ(stage.FindControl("snd"), nullptr);  // not a control
  EXPECT_EQ(stage.FindObject("SND"), nullptr);   // exact, case-sensitive
}

TEST(Naming, IdsAreNeverReused) {
  TOpalBaseList stage;
  TOpalBox* a = stage.Create<TOpalBox>();
  uint64_t id = a->Id();
  stage.Destroy(a);
  EXPECT_EQ(stage.ById(id), nullptr);
  TOpalBox* b = stage.Create<TOpalBox>();
  EXPECT_NE(b->Id(), id);
  EXPECT_EQ(stage.ById(id), nullptr);
}

// --- sibling order ---

struct TSibling {
  std::string Name;
  int32_t Priority;
};

TEST(SiblingOrder, Table) {
  struct TCase {
    std::vector<TSibling> Children;
    std::vector<std::string> Order;
  };
  const TCase cases[] = {
      {{{"b", 0}, {"a", 0}, {"c", 0}}, {"a", "b", "c"}},            // equal: by name
      {{{"b", 0}, {"a", 1}}, {"b", "a"}},                            // higher on top
      {{{"a", 5}, {"\001sys", 9}}, {"\001sys", "a"}},                 // system names below
      {{{"\001\001", -100}, {"a", 100}, {"\001x", 0}}, {"\001x", "a", "\001\001"}},  // snapshot on top
      {{{"B", 0}, {"a", 0}, {"\x82\xA0", 0}}, {"B", "a", "\x82\xA0"}},  // byte-wise, unsigned
      {{{"lo", INT_MIN}, {"hi", INT_MAX}}, {"lo", "hi"}},
  };
  for (const TCase& c : cases) {
    TOpalBaseList stage;
    for (const TSibling& s : c.Children) {
      TOpalBox* box = AddBox(stage, nullptr, 0, 0, 1, 1, 0, s.Name);
      box->SetPriority(s.Priority);
    }
    std::vector<std::string> got;
    for (TOpalControl* child : stage.ActiveBase()->Children()) got.push_back(child->Name());
    EXPECT_EQ(got, c.Order);
  }
}

TEST(SiblingOrder, PriorityOffsetCountsAndIsResetBySetPriority) {
  TOpalBaseList stage;
  TOpalBox* a = AddBox(stage, nullptr, 0, 0, 1, 1, 0, "a");
  TOpalBox* b = AddBox(stage, nullptr, 0, 0, 1, 1, 0, "b");
  a->PriorityOffset = 2;
  stage.ActiveBase()->SortChildren();
  EXPECT_EQ(stage.ActiveBase()->ChildAt(1), a);
  a->SetPriority(1);  // offset back to 0: 1 + 0 > 0
  EXPECT_EQ(a->PriorityOffset, 0);
  EXPECT_EQ(stage.ActiveBase()->ChildAt(1), a);
  b->SetPriority(2);
  EXPECT_EQ(stage.ActiveBase()->ChildAt(1), b);
}

// --- re-parenting, visibility, cabinets ---

TEST(Parent, RefusesItselfAndItsDescendants) {
  TOpalBaseList stage;
  TOpalBox* outer = AddBox(stage, nullptr, 0, 0, 50, 50, 0, "outer");
  TOpalBox* inner = AddBox(stage, outer, 0, 0, 10, 10, 0, "inner");
  TPropValue v;
  v.Str = "inner";
  SetPropValue(*outer, PR_PARENT, v);
  EXPECT_EQ(outer->GetParent(), stage.ActiveBase());
  v.Str = "outer";
  SetPropValue(*outer, PR_PARENT, v);
  EXPECT_EQ(outer->GetParent(), stage.ActiveBase());
  v.Str = "nobody";
  SetPropValue(*inner, PR_PARENT, v);
  EXPECT_EQ(inner->GetParent(), outer);
  v.Str = "\001";
  SetPropValue(*inner, PR_PARENT, v);
  EXPECT_EQ(inner->GetParent(), stage.OtherBase());
  EXPECT_EQ(inner->GetBase(), stage.OtherBase());
  // A base never moves.
  v.Str = "outer";
  SetPropValue(*stage.BaseAt(1), PR_PARENT, v);
  EXPECT_EQ(stage.BaseAt(1)->GetParent(), nullptr);
}

TEST(Parent, CabinetsParkTheirContents) {
  TOpalBaseList stage;
  TOpalCabinet* cabinet = stage.Create<TOpalCabinet>();
  cabinet->SetParent(stage.ActiveBase());
  TOpalBox* box = AddBox(stage, nullptr, 0, 0, 10, 10);
  TOpalBox* child = AddBox(stage, box, 0, 0, 5, 5);
  EXPECT_FALSE(child->InCabinet());
  box->SetParent(cabinet);
  EXPECT_TRUE(box->InCabinet());
  EXPECT_TRUE(child->InCabinet());
  EXPECT_FALSE(cabinet->InCabinet());
  box->SetParent(stage.ActiveBase());
  EXPECT_FALSE(child->InCabinet());
}

TEST(Visibility, HidingFreesTheFocusInside) {
  TOpalBaseList stage;
  TOpalBox* outer = AddBox(stage, nullptr, 0, 0, 50, 50);
  TOpalBox* inner = AddBox(stage, outer, 0, 0, 10, 10);
  stage.Focus = inner;
  stage.RefocusPending = false;
  outer->SetVisible(false);
  EXPECT_EQ(stage.Focus, nullptr);
  EXPECT_TRUE(stage.RefocusPending);
  EXPECT_FALSE(outer->Shown());
  EXPECT_FALSE(inner->Shown());
  EXPECT_TRUE(inner->Visible());  // its own flag
}

// --- placement ---

struct TPlaceCase {
  const char* Label;
  // Parent: left, top, width, scroll x, zoom x, image width (0: none), child of a base when false.
  bool HasParent;
  int32_t ParentLeft, ParentWidth, ParentScroll, ParentZoom, ParentImage;
  // The object.
  int32_t Left, Width, OffsetX, Zoom, PlusX;
  bool FlipH, PosZoomed;
  int32_t Image;  // its picture width, 0: none
  int64_t ScreenLeft;
};

TEST(Placement, HorizontalTable) {
  const TPlaceCase cases[] = {
      {"plain", false, 0, 0, 0, 256, 0, 200, 100, 0, 256, 0, false, false, 0, 200},
      {"anchor", false, 0, 0, 0, 256, 0, 200, 100, 50, 256, 0, false, false, 0, 150},
      {"anchor zoomed", false, 0, 0, 0, 256, 0, 200, 100, 50, 512, 0, false, false, 0, 100},
      {"anchor zoom truncates toward zero", false, 0, 0, 0, 256, 0, 0, 10, -3, 128, 0, false, false, 0, 1},
      {"flip", false, 0, 0, 0, 256, 0, 200, 100, 0, 256, 0, true, false, 0, 101},
      {"flip zoomed", false, 0, 0, 0, 256, 0, 200, 100, 10, 512, 0, true, false, 0, 121},
      {"position zoomed", false, 0, 0, 0, 256, 0, 10, 100, 0, 512, 0, false, true, 0, 20},
      {"plus", false, 0, 0, 0, 256, 0, 10, 100, 0, 256, 7, false, false, 0, 17},
      {"child of a box", true, 100, 100, 0, 256, 0, 10, 10, 0, 256, 0, false, false, 0, 110},
      {"scrolled parent", true, 100, 100, 30, 256, 0, 10, 10, 0, 256, 0, false, false, 0, 80},
      {"in a zoomed image", true, 100, 100, 0, 256, 200, 40, 10, 0, 256, 0, false, true, 20, 120},
      {"in a zoomed image, rounding up", true, 0, 4, 0, 256, 3, 2, 1, 0, 256, 0, false, true, 1, 3},
      {"in a zoomed image, flipped", true, 100, 100, 0, 256, 200, 40, 10, 0, 256, 0, true, true, 20, 170},
      {"zero-width parent image: usual rule", true, 100, 0, 0, 256, 200, 40, 10, 0, 256, 0, false, true, 20, 140},
      {"zoom differs: usual rule", true, 100, 100, 0, 512, 200, 40, 10, 0, 256, 0, false, true, 20, 140},
      {"64-bit sums", true, INT_MAX, 10, INT_MIN, 256, 0, INT_MAX, 10, INT_MIN, 256, INT_MAX, false, false, 0,
       int64_t{INT_MAX} * 5 + 2},
  };
  for (const TPlaceCase& c : cases) {
    TOpalBaseList stage;
    TTestControl* parent = nullptr;
    if (c.HasParent) {
      parent = stage.Create<TTestControl>();
      parent->SetParent(stage.ActiveBase());
      parent->SetBounds(c.ParentLeft, 0, c.ParentWidth, 10);
      parent->Scroll[0] = c.ParentScroll;
      parent->Zoom[0] = c.ParentZoom;
      parent->Image[0] = c.ParentImage;
      parent->HasImage = c.ParentImage > 0;
    }
    TTestControl* obj = stage.Create<TTestControl>();
    obj->SetParent(parent ? static_cast<TOpalControl*>(parent) : stage.ActiveBase());
    obj->SetBounds(c.Left, 0, c.Width, 10);
    obj->SetOffsetX(c.OffsetX);
    obj->Zoom[0] = c.Zoom;
    obj->SetPlus(0, c.PlusX);
    obj->Flip[0] = c.FlipH;
    obj->SetPosZoomed(c.PosZoomed);
    obj->Image[0] = c.Image;
    obj->HasImage = c.Image > 0;
    EXPECT_EQ(obj->ScreenLeft64(), c.ScreenLeft) << c.Label;
    EXPECT_EQ(obj->ScreenRect().Left, ClampToInt32(c.ScreenLeft)) << c.Label;
  }
}

TEST(Placement, VerticalAxisUsesItsOwnFields) {
  TOpalBaseList stage;
  TTestControl* parent = stage.Create<TTestControl>();
  parent->SetParent(stage.ActiveBase());
  parent->SetBounds(0, 100, 10, 10);
  parent->Scroll[1] = 5;
  TTestControl* obj = stage.Create<TTestControl>();
  obj->SetParent(parent);
  obj->SetBounds(1000, 20, 10, 40);
  obj->SetOffsetY(4);
  obj->Zoom[1] = 512;
  obj->Flip[1] = true;
  obj->SetPlus(1, 3);
  // a = 40 - 512*4/256 - 1 = 31; 20 - 31 + 3 + 100 - 5.
  EXPECT_EQ(obj->ScreenTop(), 87);
  EXPECT_EQ(obj->ScreenLeft(), 1000);
}

TEST(Placement, ClipRectIsRelativeAndEmptyBelowOne) {
  TOpalBaseList stage;
  TOpalBox* box = AddBox(stage, nullptr, 100, 50, 40, 30);
  EXPECT_TRUE(box->ClipRect().IsEmpty());
  box->SetClip(0, 5);
  box->SetClip(1, 6);
  box->SetClip(2, 10);
  EXPECT_TRUE(box->ClipRect().IsEmpty());  // no height yet
  box->SetClip(3, 1);
  EXPECT_EQ(box->ClipRect(), (TRect{105, 56, 115, 57}));
  box->SetClip(3, -4);
  EXPECT_TRUE(box->ClipRect().IsEmpty());
  // Rectangles of huge placements are clamped, not wrapped.
  box->SetBounds(INT_MAX, 0, INT_MAX, 10);
  EXPECT_EQ(box->ScreenRect().Right, INT_MAX);
}

}  // namespace
}  // namespace opal

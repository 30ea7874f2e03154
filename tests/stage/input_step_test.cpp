// The stage's input step: which object hears which click, capture while a
// button is held, hover, wheel and key events, cursors, and objects that
// are destroyed while events, hover or focus still name them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "stage/base_list.h"
#include "stage/cursor_file.h"
#include "stage_test_util.h"
#include "storage/stream.h"

namespace opal {
namespace {

using testing::AddBox;

struct TSeen {
  std::string Sender;
  int Kind;
  std::vector<std::string> Args;
  bool operator==(const TSeen&) const = default;
};

// The queued events in order, as (sender name, kind, args).
std::vector<TSeen> Queue(const TOpalBaseList& stage) {
  std::vector<TSeen> out;
  for (const TTimerData& t : stage.Events.Items) {
    const TOpalObject* s = t.Sender;
    out.push_back({s != nullptr ? s->Name() : "-", t.Kind, t.Args});
  }
  return out;
}

TPropValue IntValue(int32_t v) {
  TPropValue p;
  p.Int = v;
  return p;
}

// Every mouse handler of a box set to "<name>.osb".
void SetMouseHandlers(TOpalBox& b) {
  for (std::string& h : b.MouseHandlers) h = b.Name() + ".osb";
}

struct InputStepStage : ::testing::Test {
  InputStepStage() {
    stage.SetSize(200, 100);
    below = AddBox(stage, nullptr, 0, 0, 200, 100, 0, "below");
    button = AddBox(stage, nullptr, 50, 20, 40, 30, 0, "button");
    button->SetPriority(1);
    SetMouseHandlers(*below);
    SetMouseHandlers(*button);
  }
  // Two frames: the press, then the release.
  void Click(TMouseButton b, int32_t x, int32_t y) {
    stage.MouseMove(x, y);
    stage.MouseDown(b);
    stage.InputStep(15);
    stage.MouseUp();
    stage.InputStep(15);
  }
  // The first event of this kind, or null.
  const TTimerData* First(int kind) const {
    for (const TTimerData& t : stage.Events.Items) {
      if (t.Kind == kind) return &t;
    }
    return nullptr;
  }
  std::string SenderOf(int kind) const {
    const TTimerData* t = First(kind);
    const TOpalObject* s = t != nullptr ? t->Sender.Get() : nullptr;
    return t == nullptr ? "none" : s != nullptr ? s->Name() : "-";
  }

  TStageServices services;
  TOpalBaseList stage{services};
  TOpalBox* below = nullptr;
  TOpalBox* button = nullptr;
};

TEST_F(InputStepStage, IgnoreMouseMatrix) {
  struct TCase {
    int ignore;
    const char* left;   // who gets PR_ONLBTNDOWN
    const char* right;  // who gets PR_ONRBTNDOWN
    const char* hover;  // who gets PR_ONMOUSEIN when the pointer only moves
  };
  const TCase cases[] = {
      {0, "button", "button", "button"}, {1, "below", "below", "below"}, {2, "below", "below", "button"},
      {3, "below", "button", "button"},  {4, "button", "below", "button"}, {5, "below", "below", "below"},
      {7, "below", "below", "below"},    {8, "below", "below", "below"},   {255, "below", "below", "below"},
  };
  for (const TCase& c : cases) {
    for (int action = 0; action < 3; ++action) {
      TOpalBaseList s;
      s.SetSize(200, 100);
      TOpalBox* b0 = AddBox(s, nullptr, 0, 0, 200, 100, 0, "below");
      TOpalBox* b1 = AddBox(s, nullptr, 50, 20, 40, 30, 0, "button");
      b1->SetPriority(1);
      SetMouseHandlers(*b0);
      SetMouseHandlers(*b1);
      b1->IgnoreMouse = static_cast<uint8_t>(c.ignore);
      s.MouseMove(60, 30);
      if (action == 0) s.MouseDown(TMouseButton::Left);
      if (action == 1) s.MouseDown(TMouseButton::Right);
      s.InputStep(15);
      const int kind = action == 0 ? PR_ONLBTNDOWN : action == 1 ? PR_ONRBTNDOWN : PR_ONMOUSEIN;
      const char* want = action == 0 ? c.left : action == 1 ? c.right : c.hover;
      std::string got = "none";
      for (const TTimerData& t : s.Events.Items) {
        if (t.Kind == kind) {
          got = t.Sender.Get()->Name();
          break;
        }
      }
      EXPECT_EQ(got, want) << "PR_IGNOREMOUSE " << c.ignore << " action " << action;
    }
  }
}

TEST_F(InputStepStage, ChildOfAMouseTransparentBoxIsHitButNotOutsideItsParent) {
  TOpalBox* box = AddBox(stage, nullptr, 100, 0, 50, 50, 0, "box");
  box->SetPriority(2);
  box->IgnoreMouse = 1;
  SetMouseHandlers(*box);
  TOpalBox* child = AddBox(stage, box, 10, 10, 60, 20, 0, "child");  // reaches past the box
  SetMouseHandlers(*child);
  Click(TMouseButton::Left, 115, 15);
  EXPECT_EQ(SenderOf(PR_ONLBTNDOWN), "child");
  stage.Events.Clear();
  Click(TMouseButton::Left, 165, 15);  // on the child's part outside the box
  EXPECT_EQ(SenderOf(PR_ONLBTNDOWN), "below");
  stage.Events.Clear();
  Click(TMouseButton::Left, 140, 45);  // in the box, off the child
  EXPECT_EQ(SenderOf(PR_ONLBTNDOWN), "below");
}

TEST_F(InputStepStage, DragCaptureSendsEverythingToThePressedObject) {
  stage.MouseMove(60, 30);
  stage.InputStep(15);  // hover: enter and move on the button
  stage.Events.Clear();
  stage.MouseDown(TMouseButton::Left);
  stage.InputStep(15);
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"button", PR_ONLBTNDOWN, {"10", "10"}}}));
  EXPECT_EQ(stage.ActiveBase()->Mouse.Pressed, 4);
  EXPECT_FALSE(stage.ActiveBase()->Mouse.LeftNow);  // consumed
  EXPECT_FALSE(stage.LeftHeldFree());
  stage.Events.Clear();
  stage.MouseMove(150, 80);  // off the button, over "below"
  stage.InputStep(15);
  stage.InputStep(15);
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"button", PR_ONMOUSEMOVE, {"100", "60"}}}));
  stage.Events.Clear();
  stage.MouseUp();
  stage.InputStep(15);
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"button", PR_ONLBTNUP, {"100", "60"}}}));
  stage.Events.Clear();
  stage.InputStep(15);  // free again: hover moves to what lies under the pointer
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"button", PR_ONMOUSEOUT, {}},
                                              {"below", PR_ONMOUSEIN, {}},
                                              {"below", PR_ONMOUSEMOVE, {"150", "80"}}}));
}

TEST_F(InputStepStage, QueuedEventsAreNotQueuedTwice) {
  Click(TMouseButton::Left, 60, 30);
  Click(TMouseButton::Left, 60, 30);  // the first handler is still pending
  stage.Events.Items[0].State = 1;    // ... or running
  stage.InputStep(15);
  Click(TMouseButton::Left, 60, 30);
  for (int i = 0; i < 3; ++i) {
    stage.WheelDown();
    stage.InputStep(15);
  }
  stage.MouseMove(61, 30);
  stage.InputStep(15);
  auto count = [this](int kind) {
    return std::count_if(stage.Events.Items.begin(), stage.Events.Items.end(),
                         [kind](const TTimerData& t) { return t.Kind == kind; });
  };
  EXPECT_EQ(count(PR_ONLBTNDOWN), 1);
  EXPECT_EQ(count(PR_ONWHEELDOWN), 1);
  EXPECT_EQ(count(PR_ONMOUSEMOVE), 1);
  EXPECT_EQ(count(PR_ONMOUSEIN), 1);
  stage.Events.RemoveRunning();  // the handler returned
  Click(TMouseButton::Left, 60, 30);
  EXPECT_EQ(count(PR_ONLBTNDOWN), 1);
  EXPECT_EQ(stage.Events.Items[static_cast<size_t>(stage.Events.Find(button, PR_ONLBTNDOWN))].State, 0);
}

TEST_F(InputStepStage, WheelEventsAndClicksOnTheBareBase) {
  stage.MouseMove(60, 30);
  stage.WheelUp();
  stage.InputStep(15);
  EXPECT_EQ(SenderOf(PR_ONWHEELUP), "button");
  // A click on the bare base reaches no object and stays a click for scripts.
  TOpalBaseList bare;
  bare.SetSize(100, 100);
  bare.MouseMove(5, 5);
  bare.MouseDown(TMouseButton::Left);
  bare.InputStep(15);
  EXPECT_TRUE(bare.ActiveBase()->Mouse.LeftNow);
  EXPECT_TRUE(bare.Events.Items.empty());
  EXPECT_EQ(bare.Hovered(), bare.ActiveBase());
}

TEST(InputStep, KeyEventsOfTheFocusAtTheRightFrames) {
  TOpalBaseList stage;
  stage.SetSize(100, 100);
  TOpalBox* box = AddBox(stage, nullptr, 0, 0, 10, 10, 0, "keys");
  box->KeyHandlers[0] = "down.osb";
  box->KeyHandlers[1] = "up.osb";
  box->KeyHandlers[2] = "repeat.osb";
  box->SetProperty(PR_HANDLEKEY, IntValue(1));
  stage.InputStep(10);
  ASSERT_EQ(stage.Focus.Get(), box);
  // The interpreter runs each event at once: the queue is emptied every frame.
  std::vector<std::pair<int, TSeen>> seen;  // (time in ms, event)
  stage.KeyDown(65);
  stage.KeyDown(66);
  for (int t = 0; t <= 400; t += 10) {
    if (t == 400) stage.KeyUp(65);
    stage.InputStep(10);
    for (const TSeen& e : Queue(stage)) seen.push_back({t, e});
    stage.Events.Clear();
  }
  std::vector<std::pair<int, TSeen>> want = {
      {0, {"keys", PR_ONKEYDOWN, {"65", "66"}}}, {0, {"keys", PR_ONKEYREPEAT, {"65", "66"}}},
      {300, {"keys", PR_ONKEYREPEAT, {"65", "66"}}}, {350, {"keys", PR_ONKEYREPEAT, {"65", "66"}}},
      {400, {"keys", PR_ONKEYREPEAT, {"65", "66"}}}, {400, {"keys", PR_ONKEYUP, {"65"}}},
  };
  EXPECT_EQ(seen, want);
}

TEST(InputStep, FocusSearchFindsTheTopmostDeepestFocusableControl) {
  TOpalBaseList stage;
  stage.SetSize(100, 100);
  auto focusable = [&](TOpalControl* parent, const char* name, int priority) {
    TOpalBox* b = AddBox(stage, parent, 0, 0, 10, 10, 0, name);
    b->SetPriority(priority);
    b->SetProperty(PR_HANDLEKEY, IntValue(1));
    b->KeyHandlers[3] = std::string(name) + "_in.osb";
    b->KeyHandlers[4] = std::string(name) + "_out.osb";
    return b;
  };
  TOpalBox* a = focusable(nullptr, "a", 1);
  TOpalBox* b = focusable(nullptr, "b", 2);
  TOpalBox* c = focusable(b, "c", 0);
  TOpalBox* hidden = focusable(nullptr, "hidden", 3);
  hidden->SetVisible(false);
  TOpalBox* paused = focusable(nullptr, "paused", 4);
  paused->PausedFlag = true;
  TOpalBox* plain = AddBox(stage, nullptr, 0, 0, 10, 10, 0, "plain");  // handles no keys
  plain->SetPriority(5);
  EXPECT_EQ(stage.FindFocusCandidate(stage.ActiveBase()), c);
  stage.InputStep(10);
  EXPECT_EQ(stage.Focus.Get(), c);
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"c", PR_ONFOCUSIN, {}}}));
  stage.Events.Clear();
  // Hidden while focused: the focus goes at once, the next step finds b.
  c->SetVisible(false);
  EXPECT_EQ(stage.Focus.Get(), nullptr);
  stage.InputStep(10);
  EXPECT_EQ(stage.Focus.Get(), b);
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"b", PR_ONFOCUSIN, {}}}));
  stage.Events.Clear();
  // A click on a focusable control moves the focus there.
  a->SetPriority(10);
  stage.MouseMove(5, 5);
  stage.MouseDown(TMouseButton::Left);
  stage.InputStep(10);
  EXPECT_EQ(stage.Focus.Get(), a);
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"b", PR_ONFOCUSOUT, {}}, {"a", PR_ONFOCUSIN, {}}}));
  stage.Events.Clear();
  // Clearing PR_HANDLEKEY on the focus asks for a search; destroying it too.
  a->SetProperty(PR_HANDLEKEY, IntValue(0));
  EXPECT_TRUE(stage.RefocusPending);
  stage.InputStep(10);
  EXPECT_EQ(stage.Focus.Get(), b);
  stage.Destroy(b);
  EXPECT_EQ(stage.Focus.Get(), nullptr);
  EXPECT_TRUE(stage.RefocusPending);
  stage.InputStep(10);
  EXPECT_EQ(stage.Focus.Get(), nullptr);  // c is hidden, a and plain handle no keys
}

// A control whose right-click close and cursor are set by the test.
class TClosable : public TOpalControl {
 public:
  using TOpalControl::TOpalControl;
  bool RightClickScrap() const override { return Scrap; }
  bool DoRightClickClose() override {
    ++Asked;
    return Accept;
  }
  bool Scrap = true, Accept = true;
  int Asked = 0;
};

TEST_F(InputStepStage, RightClickCloseConsumesTheFirstAcceptingControl) {
  auto make = [&](bool scrap, bool accept, bool visible) {
    TClosable* c = stage.Create<TClosable>();
    c->SetParent(stage.ActiveBase());
    c->SetBounds(0, 0, 5, 5);
    c->Scrap = scrap, c->Accept = accept;
    c->SetVisible(visible);
    stage.RightClickList.push_back(c->Id());
    return c;
  };
  TClosable* noScrap = make(false, true, true);
  TClosable* invisible = make(true, true, false);
  TClosable* refuses = make(true, false, true);
  TClosable* accepts = make(true, true, true);
  TClosable* after = make(true, true, true);
  Click(TMouseButton::Right, 60, 30);
  EXPECT_EQ(noScrap->Asked + invisible->Asked, 0);
  EXPECT_EQ(refuses->Asked, 1);
  EXPECT_EQ(accepts->Asked, 1);
  EXPECT_EQ(after->Asked, 0);
  EXPECT_EQ(SenderOf(PR_ONRBTNDOWN), "none");  // the click was consumed
  EXPECT_FALSE(stage.ActiveBase()->Mouse.RightNow);
}

TEST_F(InputStepStage, CursorOfTheTargetOrTheDefaultOrTheArrow) {
  TRecordingCursors cursors;
  services.CursorDevice = &cursors;
  struct TCursorFiles : TStageFiles {
    void Load(std::string_view name, TStream& out) override {
      ++Reads;
      if (name == "broken.cur") return;  // no bytes
      TCursorImage image{2, 2, 1, 1, {0xFF0000FF, 0, 0, 0xFFFFFFFF}};
      std::vector<uint8_t> bytes = WriteCursorFile(image);
      out.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    }
    int Reads = 0;
  } files;
  services.Files = &files;
  const int& reads = files.Reads;
  button->Cursor = "hand.cur";
  stage.MouseMove(60, 30);
  stage.InputStep(15);
  stage.MouseMove(61, 30);
  stage.InputStep(15);
  EXPECT_EQ(cursors.Installed, std::vector<std::string>{"hand.cur"});  // read once
  EXPECT_TRUE(cursors.CustomShown);
  EXPECT_EQ(cursors.Last.HotX, 1);
  stage.MouseMove(150, 80);  // "below" has no cursor and there is no default
  stage.InputStep(15);
  EXPECT_FALSE(cursors.CustomShown);
  below->Cursor = "broken.cur";
  stage.InputStep(15);
  stage.InputStep(15);
  EXPECT_FALSE(cursors.CustomShown);
  EXPECT_EQ(reads, 2);  // the unreadable file is not read again every frame
}

TEST_F(InputStepStage, DestroyedObjectsAreNeverTouchedNorInherited) {
  stage.MouseMove(60, 30);
  stage.InputStep(15);  // the button is hovered; its enter and move are pending
  ASSERT_EQ(stage.Hovered(), button);
  stage.Events.Items[0].State = 1;  // the enter handler runs
  stage.Destroy(button);
  // The running entry stays without a sender; the pending ones are gone.
  ASSERT_EQ(stage.Events.Items.size(), 1u);
  EXPECT_EQ(stage.Events.Items[0].Sender.Get(), nullptr);
  EXPECT_EQ(stage.Hovered(), nullptr);
  // A new object where the button was is entered afresh and shares nothing.
  TOpalBox* fresh = AddBox(stage, nullptr, 50, 20, 40, 30, 0, "fresh");
  fresh->SetPriority(1);
  SetMouseHandlers(*fresh);
  EXPECT_FALSE(stage.Events.Queued(fresh, PR_ONMOUSEIN));
  stage.InputStep(15);
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"-", PR_ONMOUSEIN, {}},
                                              {"fresh", PR_ONMOUSEIN, {}},
                                              {"fresh", PR_ONMOUSEMOVE, {"10", "10"}}}));
  // A reaction that destroys its own object ends the step without it.
  stage.Events.Clear();
  class TSelfDestroying : public TOpalControl {
   public:
    using TOpalControl::TOpalControl;
    void DoLeftDown(TMouseState& m) override {
      m.LeftNow = false;
      Owner()->Destroy(this);
    }
  };
  TSelfDestroying* gone = stage.Create<TSelfDestroying>();
  gone->SetParent(stage.ActiveBase());
  gone->SetBounds(0, 0, 10, 10);
  gone->SetPriority(5);
  gone->SetProperty(PR_HANDLEKEY, IntValue(1));
  stage.MouseMove(5, 5);
  stage.MouseDown(TMouseButton::Left);
  stage.InputStep(15);
  EXPECT_EQ(stage.Focus.Get(), nullptr);
  EXPECT_EQ(stage.Hovered(), nullptr);
  EXPECT_EQ(Queue(stage), (std::vector<TSeen>{{"fresh", PR_ONMOUSEOUT, {}}}));
}

// While the interpreter is held nothing leaves the queue: a pointer that
// goes in and out of the button for ever piles up only to the bound.
TEST_F(InputStepStage, AHeldInterpreterLetsTheQueueGrowOnlyToItsBound) {
  for (int i = 0; i < 500; ++i) {
    stage.MouseMove(i % 2 == 0 ? 60 : 150, 30);
    stage.InputStep(15);
  }
  const size_t bound = TTimerList::kMaxPendingPerKind;
  EXPECT_LE(stage.Events.Items.size(), 4 * bound + 2);  // enter and leave of two objects, two moves
  EXPECT_GT(stage.Events.Refused, 0u);
  EXPECT_TRUE(stage.Events.Queued(button, PR_ONMOUSEMOVE));
}

}  // namespace
}  // namespace opal

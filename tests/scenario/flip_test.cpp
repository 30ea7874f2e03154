// Flip run by the interpreter on pages compiled from scenario text, on a
// small stage whose wipes record what they are told.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "components/custom_image.h"
#include "scenario/call_man.h"
#include "scenario/commands_object.h"
#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "stage/base_list.h"
#include "stage/opal_base.h"
#include "stage/opal_box.h"
#include "storage/stream.h"
#include "scenario_host.h"

namespace opal {
namespace {

constexpr int32_t kW = 32, kH = 24;

// What the wipes were asked, in order, across all wipes made.
struct TWipeLog {
  std::vector<TWipeRequest> Made;
  std::vector<std::string> Calls;
};

class TLoggedWipe : public TStageWipe {
 public:
  TLoggedWipe(const TWipeRequest& r, TWipeLog& log) : R(r), Log(log) {}
  int32_t Duration() const override { return R.Duration; }
  void SetParam(int32_t index, int32_t value) override {
    Log.Calls.push_back("p" + std::to_string(index) + "=" + std::to_string(value));
  }
  void SetMaskFile(const std::string& name) override { Log.Calls.push_back("mask=" + name); }
  void Prepare() override { Log.Calls.push_back("prepare"); }
  void SetTime(int32_t ms) override {
    Time = ms;
    Log.Calls.push_back("t=" + std::to_string(ms));
  }
  bool Step() override { return Time >= R.Duration; }
  TRect UpdateRect() const override { return R.Dest->BoundsRect(); }
  TWipeRequest R;
  TWipeLog& Log;
  int32_t Time = 0;
};

// Records every wipe it makes.
class TLoggedWipes : public TWipeFactory {
 public:
  explicit TLoggedWipes(TWipeLog& log) : Log_(log) {}
  std::unique_ptr<TStageWipe> MakeWipe(const TWipeRequest& r) override {
    Log_.Made.push_back(r);
    return std::make_unique<TLoggedWipe>(r, Log_);
  }

 private:
  TWipeLog& Log_;
};

class FlipTest : public ::testing::Test, public testing::TScenarioHost {
 protected:
  FlipTest() : TScenarioHost(kW, kH) {
    Vars.Declare("after", kTagInt, 0);
    Vars.Declare("names", kTagStr, 0);
    Services.Wipes = &Wipes;
  }

  TOpalBox* Box(const std::string& name, int32_t base, int32_t left = 0, int32_t top = 0, int32_t colour = 0x00FF00) {
    auto* box = Stage.Create<TOpalBox>();
    box->SetName(name);
    box->SetParent(Stage.BaseAt(base));
    box->SetBounds(left, top, 4, 4);
    box->SetColor(colour);
    return box;
  }
  TOpalCabinet* Cabinet(const std::string& name, int32_t base) {
    auto* cabinet = Stage.Create<TOpalCabinet>();
    cabinet->SetName(name);
    cabinet->SetParent(Stage.BaseAt(base));
    return cabinet;
  }

  int32_t After() { return Vars.FindVar("after")->Value->AsInteger(); }
  // The names of a base's children, sorted.
  std::string NamesOn(int32_t base) {
    std::vector<std::string> names;
    for (const TOpalControl* c : Stage.BaseAt(base)->Children()) names.push_back(c->Name());
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& n : names) out += (out.empty() ? "" : ",") + n;
    return out;
  }
  bool Marked(const TOpalObject* obj) { return obj->MarkedForDeletion(); }
  // Deleted: marked, or already destroyed by a frame's stage update (the
  // object is looked up by id, so a destroyed one is never touched).
  bool Deleted(uint64_t id) {
    const TOpalObject* obj = Stage.ById(id);
    return obj == nullptr || obj->MarkedForDeletion();
  }

  TWipeLog Log;
  TLoggedWipes Wipes{Log};
};

// With time 0 the selected children change bases and the other base is
// shown in the very frame of the flip, without a snapshot or a wipe.
TEST_F(FlipTest, SelectionModesMoveTheNamedChildrenOrTheOthers) {
  struct Case {
    const char* mode;
    const char* names;  // the name fields
    const char* text;   // the value of `names`
    const char* moved;  // children of the base shown afterwards
  };
  const Case cases[] = {
      {"1", "name: names", "msg\nbtn", "btn,msg"},
      {"1", "name: names", "msg\r\nbtn\r\n", "btn,msg"},
      {"1", "name: \"msg\" ; name: \"btn\"", "", "btn,msg"},
      {"1", "name: names", "msg\rcg", "cg,msg"},
      {"0", "name: names", "msg\nbtn", "bg,cg"},
      {"0", "name: names", "", "bg,btn,cg,msg"},
      {"2", "name: names", "msg\nbtn", ""},
      {"-1", "name: names", "bg", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.names + " [" + c.text + "]");
    Stage.Reset();
    Stage.Active = 0;
    Log = {};
    for (const char* name : {"msg", "btn", "bg", "cg"}) Box(name, 0);
    Vars.FindVar("names")->Value->SetAsString(c.text);
    Vars.FindVar("after")->Value->SetAsInteger(0);
    Page("main.osb", std::string("+Flip 1 ; time: 0 ; mode: ") + c.mode + " ; " + c.names + "\n+Calc after = 1\n");
    Start("main.osb");
    Frames(1);
    EXPECT_EQ(After(), 1) << "the flip finished in its first frame";
    EXPECT_EQ(Stage.Active, 1);
    EXPECT_EQ(NamesOn(1), c.moved);
    EXPECT_EQ(Stage.Objects().size(), 4u) << "no snapshot";
    EXPECT_TRUE(Log.Made.empty()) << "no wipe";
  }
}

// Enter and Execute called as the interpreter calls them.
TEST_F(FlipTest, PhasesAndYieldingFollowTheTime) {
  Interpreter();
  struct Case {
    const char* line;
    int32_t phase;  // after Enter
    bool yields;
    int executes;  // until the index moves on, with no wipe of the kind
  };
  const Case cases[] = {
      {"Flip 0 ; time: 0 ; mode: 1", 3, false, 1},
      {"Flip 0 ; mode: 1", 3, false, 1},
      {"Flip 0 ; time: 100 ; mode: 1", 0, true, 3},
      {"Flip 0 ; time: 100", 0, true, 3},
      // Nothing selected and no time: the phases still have to be gone
      // through, one frame each, however long the wipe.
      {"Flip 0 ; time: 0", 0, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TPage page;
    ReadPageText(c.line, page);
    auto& flip = static_cast<TComFlip&>(*page.Commands[0]);
    flip.Enter(*Calls);
    EXPECT_EQ(flip.Phase, c.phase);
    EXPECT_EQ(flip.Yields(), c.yields);
    TPage* at = &page;
    int32_t index = 0;
    int executes = 0;
    while (index == 0 && executes < 10) {
      flip.Execute(*Calls, at, index);
      ++executes;
    }
    EXPECT_EQ(executes, c.executes);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(at, &page);
    Stage.Active = 0;
  }
}

TEST_F(FlipTest, ATimedFlipSnapshotsRunsTheWipeAndShowsTheOtherBase) {
  Stage.SetColor(0x0000FF);
  Box("bg", 0, 0, 0, 0x00FF00);
  TOpalBox* msg = Box("msg", 0, 10, 10, 0xFF0000);
  Box("next", 1, 20, 0, 0x00FFFF);
  Page("main.osb",
       "+Flip 1 ; time: 100 ; reverse: TRUE ; mode: 1 ; name: \"msg\" ; param1: 7 ; param2: 9 ; text: \"rule\" ; "
       "block: TRUE\n"
       "+Calc after = 1\n");
  Start("main.osb");
  Frames(1);  // entered at 15; phase 0 → 1

  TOpalObject* found = Stage.FindObject(kSnapshotName);
  ASSERT_NE(found, nullptr);
  auto* snapshot = dynamic_cast<TOpalImage*>(found);
  ASSERT_NE(snapshot, nullptr);
  const uint64_t snapshotId = snapshot->Id();
  EXPECT_EQ(snapshot->GetParent(), Stage.BaseAt(0));
  EXPECT_EQ(Stage.BaseAt(0)->Children().back(), snapshot) << "drawn on top";
  EXPECT_TRUE(snapshot->Visible());
  EXPECT_EQ(snapshot->Width(), kW);
  EXPECT_EQ(snapshot->Height(), kH);
  // The picture of the shown base at the flip, the moved window included.
  TDIBX& shot = snapshot->Buffer;
  EXPECT_EQ(shot.GetPixel(1, 1), static_cast<uint32_t>(shot.ColorToPixel(0x00FF00)));
  EXPECT_EQ(shot.GetPixel(11, 11), static_cast<uint32_t>(shot.ColorToPixel(0xFF0000)));
  EXPECT_EQ(shot.GetPixel(30, 20), static_cast<uint32_t>(shot.ColorToPixel(0x0000FF)));
  EXPECT_EQ(msg->GetParent(), Stage.BaseAt(1));
  EXPECT_EQ(NamesOn(0), std::string(kSnapshotName) + ",bg");

  ASSERT_EQ(Log.Made.size(), 1u);
  EXPECT_EQ(Log.Made[0].Kind, 1);
  EXPECT_EQ(Log.Made[0].Param, 1) << "reversed";
  EXPECT_EQ(Log.Made[0].Duration, 100);
  EXPECT_EQ(Log.Made[0].OldImage, &Stage.BaseAt(0)->Canvas);
  EXPECT_EQ(Log.Made[0].NewImage, &Stage.BaseAt(1)->Canvas);
  EXPECT_EQ(Log.Calls, (std::vector<std::string>{"t=0", "p0=7", "p1=9", "mask=rule", "prepare"}));
  EXPECT_TRUE(Stage.TransitionRunning);
  EXPECT_TRUE(Calls->CurrentPage->Commands[0]->BlocksEvents());
  Log.Calls.clear();

  Frames(1);  // 30: the start time
  EXPECT_TRUE(Log.Calls.empty());
  // 45 … 120: the wipe is told 15 … 90 ms.
  for (int32_t elapsed = 15; elapsed <= 90; elapsed += 15) {
    Frames(1);
    EXPECT_EQ(Stage.Active, 0);
    EXPECT_EQ(After(), 0);
  }
  EXPECT_EQ(Log.Calls, (std::vector<std::string>{"t=15", "t=30", "t=45", "t=60", "t=75", "t=90"}));
  // 135: 105 ms have passed. The pass alone: the snapshot it marks is
  // destroyed by the stage's update that follows.
  Passes(1);
  EXPECT_EQ(Stage.Active, 1);
  EXPECT_EQ(After(), 1);
  EXPECT_EQ(Stage.Transition(), nullptr);
  EXPECT_FALSE(Stage.TransitionRunning);
  ASSERT_NE(Stage.ById(snapshotId), nullptr);
  EXPECT_TRUE(Marked(Stage.ById(snapshotId)));
  EXPECT_EQ(Stage.FindObject(kSnapshotName), nullptr);
  EXPECT_FALSE(Marked(Stage.FindObject("bg"))) << "nothing is cleared without the flag";
  Stage.Update(kFrameMs);
  EXPECT_EQ(Stage.ById(snapshotId), nullptr);
  EXPECT_EQ(NamesOn(1), "msg,next");
}

// Kinds outside 1..38 run no wipe; with none the flip is an instant switch
// that ends as soon as its phases allow, whatever its time.
TEST_F(FlipTest, KindsWithoutAWipeSwitchAtOnce) {
  struct Case {
    const char* kind;
    int32_t made;  // the kind the stage was asked for, 0: none
  };
  const Case cases[] = {{"1", 1}, {"38", 38}, {"39", 0}, {"0", 0}, {"", 0}, {"-1", 0}, {"1000", 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string("kind [") + c.kind + "]");
    Stage.Active = 0;
    Log = {};
    Vars.FindVar("after")->Value->SetAsInteger(0);
    Page("main.osb", std::string("+Flip ") + c.kind + " ; time: 1000\n+Calc after = 1\n");
    Start("main.osb");
    Frames(2);
    EXPECT_EQ(Stage.Active, 0);
    Frames(1);
    if (c.made == 0) {
      EXPECT_TRUE(Log.Made.empty());
      EXPECT_EQ(Stage.Active, 1);
      EXPECT_EQ(After(), 1);
    } else {
      ASSERT_EQ(Log.Made.size(), 1u);
      EXPECT_EQ(Log.Made[0].Kind, c.made);
      EXPECT_EQ(Stage.Active, 0);
      Frames(70);
      EXPECT_EQ(Stage.Active, 1);
    }
  }
}

// A flip without a time but with phases to go ends the pass on each of
// them: a wipe of 1 ms never holds the frame.
TEST_F(FlipTest, AnUntimedFlipWithAWipeDoesNotHoldTheFrame) {
  Page("main.osb", "+Flip 1 ; time: 0\n+Calc after = 1\n");
  Start("main.osb");
  Frames(2);
  EXPECT_EQ(After(), 0);
  ASSERT_EQ(Log.Made.size(), 1u);
  EXPECT_EQ(Log.Made[0].Duration, 1) << "at least 1 ms";
  Frames(1);
  EXPECT_EQ(After(), 1);
  EXPECT_EQ(Stage.Active, 1);
}

TEST_F(FlipTest, ClearOtherRemovesTheOldScreenButKeepsCabinets) {
  const uint64_t old = Box("old", 0)->Id();
  TOpalCabinet* shelf = Cabinet("shelf", 0);
  TOpalBox* kept = Box("kept", 0);
  kept->SetParent(shelf);
  Box("new", 1);
  Page("main.osb", "+Flip 1 ; time: 0 ; mode: 2 ; clear: TRUE\n");
  Start("main.osb");
  Frames(1);
  EXPECT_EQ(Stage.Active, 1);
  EXPECT_TRUE(Deleted(old));
  EXPECT_FALSE(Deleted(shelf->Id()));
  EXPECT_FALSE(Deleted(kept->Id()));
  EXPECT_FALSE(Marked(Stage.FindObject("new")));
}

// A PCReset from a handler drops the waiting flip: it finishes at once,
// and with ClearOther cabinets go as well.
TEST_F(FlipTest, AbandonFinishesAtOnceAndClearsCabinetsToo) {
  Box("old", 0);
  TOpalBox* msg = Box("msg", 0);
  const uint64_t shelf = Cabinet("shelf", 0)->Id();
  TOpalBox* sender = Box("sender", 1);
  Page("main.osb",
       "+Flip 1 ; time: 1000 ; mode: 1 ; name: \"msg\" ; clear: TRUE\n"
       "+Calc after = 1\n"
       "Label restart\n");
  Page("handler.osb", "+PCReset main.osb#2 ; all: 1\n");
  Start("main.osb");
  Frames(3);
  ASSERT_EQ(Log.Made.size(), 1u);
  ASSERT_NE(Stage.Transition(), nullptr);
  TOpalObject* snapshot = Stage.FindObject(kSnapshotName);
  ASSERT_NE(snapshot, nullptr);
  const uint64_t snapshotId = snapshot->Id();
  Stage.Events.Post(sender, "handler.ost", {}, 113);
  Frames(1);
  EXPECT_EQ(After(), 0) << "the flip did not go on";
  EXPECT_EQ(Stage.Active, 1);
  EXPECT_EQ(Stage.Transition(), nullptr);
  EXPECT_TRUE(Deleted(snapshotId));
  EXPECT_EQ(Stage.FindObject("old"), nullptr);
  EXPECT_EQ(Stage.FindObject("shelf"), nullptr);
  EXPECT_TRUE(Deleted(shelf));
  EXPECT_FALSE(Marked(msg));
  EXPECT_EQ(msg->GetParent(), Stage.ActiveBase());
}

// A running flip whose wipe has gone (the stage was reset, or its pixels
// were released for a screen-mode change) ends on its next frame.
TEST_F(FlipTest, AFlipWhoseWipeIsGoneFinishes) {
  struct Case {
    const char* what;
    void (*act)(TOpalBaseList&);
  };
  const Case cases[] = {
      {"reset", [](TOpalBaseList& s) { s.Reset(); }},
      {"pixels released", [](TOpalBaseList& s) {
         s.ReleasePixels();
         s.RecreatePixels();
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Stage.Reset();
    Stage.Active = 0;
    Log = {};
    Vars.FindVar("after")->Value->SetAsInteger(0);
    Box("msg", 0);
    Page("main.osb", "+Flip 1 ; time: 1000 ; mode: 1 ; name: \"msg\"\n+Calc after = 1\n");
    Start("main.osb");
    Frames(3);
    ASSERT_NE(Stage.Transition(), nullptr);
    c.act(Stage);
    Log.Calls.clear();
    Frames(1);
    EXPECT_EQ(After(), 1);
    EXPECT_EQ(Stage.Active, 1);
    EXPECT_EQ(Stage.Transition(), nullptr);
    EXPECT_TRUE(Log.Calls.empty()) << "no wipe was told a time";
  }
}

// After a load the flip's state record is read into a command that was
// never entered: it goes through its phases and ends without a wipe.
TEST_F(FlipTest, AFlipReadBackFromASaveEndsWithoutItsWipe) {
  Interpreter();
  TPage page;
  ReadPageText("Flip 1 ; time: 1000 ; clear: TRUE", page);
  auto& flip = static_cast<TComFlip&>(*page.Commands[0]);
  TMemoryStream record;
  WriteStateHeader(record);
  WriteByte(record, 1);  // Block
  WriteByte(record, 1);  // ClearOther
  record.SetPosition(0);
  flip.LoadState(record);
  EXPECT_TRUE(flip.BlocksEvents());
  TOpalBox* old = Box("old", 0);
  TPage* at = &page;
  int32_t index = 0;
  for (int i = 0; i < 3 && index == 0; ++i) {
    State.GameTimeMs += 15;
    EXPECT_TRUE(flip.Yields());
    flip.Execute(*Calls, at, index);
  }
  EXPECT_EQ(index, 1);
  EXPECT_EQ(Stage.Active, 1);
  EXPECT_TRUE(Marked(old));
  EXPECT_TRUE(Log.Made.empty());
}

// Block holds queued handlers back until the flip has ended.
TEST_F(FlipTest, BlockEventsHoldsHandlersUntilTheEnd) {
  for (const bool block : {true, false}) {
    SCOPED_TRACE(block);
    Stage.Reset();
    Stage.Active = 0;
    Vars.FindVar("after")->Value->SetAsInteger(0);
    TOpalBox* sender = Box("sender", 0);
    Page("main.osb", std::string("Flip 1 ; time: 100 ; block: ") + (block ? "TRUE" : "FALSE") + "\n");
    Page("handler.osb", "+Calc after = after + 1\n");
    Start("main.osb");
    Frames(1);
    Stage.Events.Post(sender, "handler.ost", {}, 113);
    Frames(2);
    EXPECT_EQ(After(), block ? 0 : 1);
    Frames(10);
    EXPECT_EQ(Stage.Active, 1);
    EXPECT_EQ(After(), 1);
  }
}

}  // namespace
}  // namespace opal

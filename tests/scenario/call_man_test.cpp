// The interpreter run on pages compiled from scenario text at test time.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "scenario/call_man.h"
#include "stage/base_list.h"
#include "stage/properties.h"
#include "stage/opal_base.h"
#include "scenario_host.h"

namespace opal {
namespace {

// Frames of the scenario host: 15 ms each, as the fixed clock gives them.
class CallManTest : public ::testing::Test, public testing::TScenarioHost {};

TEST_F(CallManTest, IfChainRunsExactlyOneBranch) {
  for (int x = 1; x <= 4; ++x) {
    SCOPED_TRACE(x);
    Page("if.osb",
         "+VarNew r ; type: int ; value: 0\n"
         "+If x == 1\n"
         "  +Calc r = 10\n"
         "+Elseif x == 2\n"
         "  +Calc r = 20\n"
         "+Elseif x == 3\n"
         "  +Calc r = 30\n"
         "  +Calc r = r + 1\n"
         "+Else\n"
         "  +Calc r = 40\n"
         "+Calc r = r + 100\n");
    Vars.ResetVars();
    Vars.Declare("x", kTagInt, 0)->SetAsInteger(x);
    Start("if.osb");
    Frames(1);
    EXPECT_EQ(Var("r"), "int [] " + std::to_string(x == 3 ? 131 : x * 10 + 100));
  }
}

TEST_F(CallManTest, BreakAndContinueInNestedLoops) {
  // Sums i * 10 + j over i = 1..4 and j = 1..5, leaving out odd j, stopping
  // the inner loop once j reaches 4 and the outer once i reaches 3.
  Page("loops.osb",
       "+VarNew sum ; type: int ; value: 0\n"
       "+VarNew trips ; type: int ; value: 0\n"
       "+WhileInit i = 1\n"
       "+While i <= 4\n"
       "  +Break i == 3\n"
       "  +WhileInit j = 0\n"
       "  +While TRUE\n"
       "    +Calc j = j + 1\n"
       "    +Continue j % 2 == 1\n"
       "    +Calc sum = sum + i * 10 + j\n"
       "    +Break j >= 4\n"
       "  +WhileLoop trips = trips + 1\n"
       "+WhileLoop i = i + 1\n"
       "+Calc done = 1\n");
  Vars.Declare("i", kTagInt, 0);
  Vars.Declare("j", kTagInt, 0);
  Vars.Declare("done", kTagInt, 0);
  Start("loops.osb");
  Frames(1);
  // i = 1: j = 2, 4 -> 12 + 14; i = 2: 22 + 24; then i = 3 breaks.
  EXPECT_EQ(Var("sum"), "int [] 72");
  EXPECT_EQ(Var("done"), "int [] 1");
}

TEST_F(CallManTest, CallPassesArgumentsAndItsResultLandsInAnArrayElement) {
  Page("main.osb",
       "+Call sub.osb#2 ; result: a[2] ; arg: 6 ; arg: \"7\" ; arg: a[0]\n"
       "+Calc after = @ParamCount\n");
  Page("sub.osb",
       ".result string\n"
       "+Calc @Result = \"never\"\n"
       "Label entry\n"
       "+VarNew local ; type: int ; value: 1 ; scope: local\n"
       "+Calc count = @ParamCount\n"
       "+Calc @Result = @ParamStr[0] ++ @ParamStr[1] ++ @ParamStr[2]\n");
  const int32_t dims[] = {4};
  Vars.Declare("a", kTagStr, 0)->Value->SetDims(dims);
  Vars.FindVar("a")->Value->SetStr(0, "x");
  Vars.Declare("after", kTagInt, 0)->SetAsInteger(-1);
  Vars.Declare("count", kTagInt, 0);
  Start("main.osb");
  Frames(1);
  EXPECT_EQ(Var("a"), "str [4] \"x\", \"\", \"67x\", \"\"");
  EXPECT_EQ(Var("count"), "int [] 3");
  EXPECT_EQ(Var("after"), "int [] 0");  // the caller's own arguments are back (none)
  EXPECT_EQ(Vars.FindVar("local"), nullptr) << "a local variable ends with its call";
  EXPECT_EQ(Vars.CurrentLevel, 0);
}

TEST_F(CallManTest, ACallResultAssignsToAWholeVariableWithConversion) {
  Page("main.osb", "+Call sub.osb ; result: n\n");
  Page("sub.osb", ".result string\n+Calc @Result = \"42\"\n");
  Vars.Declare("n", kTagInt, 0);
  Start("main.osb");
  Frames(1);
  EXPECT_EQ(Vars.FindVar("n")->AsInteger(), 42);
  EXPECT_EQ(Vars.FindVar("n")->Value->ValueType(), kTagInt);
}

TEST_F(CallManTest, WaitEndsOnTheFrameItsTimeRunsOut) {
  Page("wait.osb",
       "+Calc start = @TickCount\n"
       "Wait 100\n"
       "+Calc end = @TickCount\n");
  Vars.Declare("start", kTagInt, 0);
  Vars.Declare("end", kTagInt, 0)->SetAsInteger(-1);
  Start("wait.osb");
  // Frame 1 enters the wait; frame 2 only uses up its first frame; from
  // frame 3 on each frame takes 15 ms off: 100 - 7 * 15 <= 0 on frame 9.
  Frames(8);
  EXPECT_EQ(Var("end"), "int [] -1");
  Frames(1);
  EXPECT_EQ(Var("start"), "int [] 15");
  EXPECT_EQ(Var("end"), "int [] 135");
}

TEST_F(CallManTest, AnEventRunsAtANewLevelAndTheWaitResumesWithItsTime) {
  Page("main.osb",
       "+Calc log = log ++ \"a\"\n"
       "Wait 60\n"
       "+Calc log = log ++ \"c\"\n");
  Page("handler.osb",
       "+Calc count = @ParamCount\n"
       "+Calc log = log ++ \"b\" ++ @ParamStr[0]\n"
       "+VarNew inside ; type: int ; value: 1 ; scope: level\n");
  Vars.Declare("log", kTagStr, 0);
  Vars.Declare("count", kTagInt, 0);
  Start("main.osb");
  Frames(3);  // in the wait: 15 ms of its 60 used
  Stage.Events.Post(nullptr, "handler.ost:", {"x"}, 113);
  Frames(1);  // the handler runs first, then the main flow's wait goes on
  EXPECT_EQ(Var("log"), "str [] \"abx\"");
  EXPECT_EQ(Var("count"), "int [] 1");
  EXPECT_TRUE(Stage.Events.Items.empty());
  EXPECT_EQ(Vars.FindVar("inside"), nullptr);
  Frames(1);  // 60 - 4 * 15: the wait ends, and the pass with it
  EXPECT_EQ(Var("log"), "str [] \"abx\"");
  Frames(1);
  EXPECT_EQ(Var("log"), "str [] \"abxc\"");
}

// The handler runs through the very Wait the main flow is waiting in; the
// main flow's remaining time comes back with it when the handler returns.
TEST_F(CallManTest, AWaitInterruptedByAHandlerGetsItsStateBack) {
  Page("main.osb",
       "+Calc log = log ++ \"a\"\n"
       "+Label w\n"
       "Wait 60\n"
       "+Calc log = log ++ \"c\"\n"
       "+Exit TRUE\n");
  Vars.Declare("log", kTagStr, 0);
  Start("main.osb");
  Frames(3);  // 30 ms left
  Stage.Events.Post(nullptr, "main.ost:w", {}, 113);
  Frames(5);  // the handler's own 60 ms wait
  EXPECT_EQ(Var("log"), "str [] \"a\"");
  Frames(1);  // the handler ends; the main wait is back at 30 and takes 15
  EXPECT_EQ(Var("log"), "str [] \"ac\"");
  Frames(1);  // its last 15 ms
  EXPECT_EQ(Var("log"), "str [] \"ac\"");
  Frames(1);
  EXPECT_EQ(Var("log"), "str [] \"acc\"");
}

TEST_F(CallManTest, DisabledCommandsAndTheEndOfThePage) {
  Page("main.osb",
       "+Calc n = 1\n"
       "!Calc n = 99\n"
       "+Jump :skip\n"
       "+Calc n = 50\n"
       "Label skip\n"
       "+Exit n == 2\n"
       "+Calc n = n + 1\n");
  Vars.Declare("n", kTagInt, 0);
  Start("main.osb");
  Frames(3);
  EXPECT_EQ(Var("n"), "int [] 2");
  // Parked after the end: later passes end at once, events still run.
  Stage.Events.Post(nullptr, "main.ost:skip", {}, 1);
  Frames(1);
  EXPECT_EQ(Var("n"), "int [] 2");  // Exit n == 2 ended the handler
  EXPECT_TRUE(Stage.Events.Items.empty());
}

TEST_F(CallManTest, TraceHasALinePerCommandWithTheGameClock) {
  Page("t.osb", "+Calc a = 1\nLabel x\n");
  Vars.Declare("a", kTagInt, 0);
  Start("t.osb");
  Frames(2);
  EXPECT_EQ(Trace.Lines, (std::vector<std::string>{"0000000f : t.osb(1)", "0000000f : t.osb(2)"}));
}

TEST_F(CallManTest, TerminateStopsThePass) {
  Page("t.osb", "+Calc a = 1\n+Terminate\n+Calc a = 2\n");
  Vars.Declare("a", kTagInt, 0);
  Start("t.osb");
  Frames(5);
  EXPECT_TRUE(State.TerminateRequested);
  EXPECT_EQ(Closes, 1);
  EXPECT_EQ(Var("a"), "int [] 1");
}

TEST_F(CallManTest, TheEleventhPageEvictsTheLeastRecentlyUsedButNeverTheCurrent) {
  std::string chain;
  for (int i = 0; i < 12; ++i) {
    Page("p" + std::to_string(i) + ".osb",
         i < 11 ? "+Calc visited = visited + 1\n+Jump p" + std::to_string(i + 1) + ".osb#0\n" : "Label end\n");
  }
  Vars.Declare("visited", kTagInt, 0);
  Start("p0.osb");
  Frames(1);
  EXPECT_EQ(Var("visited"), "int [] 11");
  // p11 is current and every page loaded once more replaces the oldest.
  EXPECT_EQ(Calls->CurrentPage->Name, "p11.osb");
}

TEST_F(CallManTest, VarNewScopesAndThePersistentRule) {
  Page("main.osb",
       "+VarNew keep ; type: int ; value: 5 ; scope: persistent\n"
       "+VarNew g ; type: string ; value: 1 + 2\n"
       "+Call sub.osb\n"
       "+Calc after = g\n"
       "+VarDel g\n"
       "+VarNew f ; type: float ; value: 7\n");
  Page("sub.osb",
       "+VarNew keep ; type: int ; value: 9 ; scope: persistent\n"
       "+VarNew g ; type: string ; value: \"inner\" ; scope: local\n"
       "+Calc seen = g\n");
  Vars.Declare("after", kTagStr, 0);
  Vars.Declare("seen", kTagStr, 0);
  Start("main.osb");
  Frames(1);
  EXPECT_EQ(Var("keep"), "int [] 5");      // a persistent variable keeps its value
  EXPECT_EQ(Var("seen"), "str [] \"inner\"");  // the local one, beside the global
  EXPECT_EQ(Var("after"), "str [] \"3\"");     // the global one, untouched
  EXPECT_EQ(Vars.FindVar("g"), nullptr);
  EXPECT_EQ(Var("f"), "float [] 7.0");
}

TEST_F(CallManTest, VarNewWithoutANameFailsAndTheFlowGoesOn) {
  Page("main.osb", "+VarNew \"\" ; type: int\n+Calc n = 1\n");
  Vars.Declare("n", kTagInt, 0);
  Start("main.osb");
  Frames(1);
  EXPECT_EQ(Var("n"), "int [] 1");
}

// PCReset from a handler: with all levels it restarts at the target at
// once; without, the handler goes on and the main flow continues at the
// target once it returns.
TEST_F(CallManTest, PCResetBothWays) {
  for (const bool all : {true, false}) {
    SCOPED_TRACE(all);
    Page("main.osb",
         "+Calc log = log ++ \"m\"\n"
         "Wait 1000\n"
         "+Calc log = log ++ \"never\"\n"
         "+Label target\n"
         "+Calc log = log ++ \"t\"\n"
         "+Exit TRUE\n");
    Page("handler.osb",
         std::string("+PCReset main.osb#3 ; all: ") + (all ? "1" : "0") + "\n"
         "+Calc log = log ++ \"h\"\n");
    Vars.ResetVars();
    Vars.Declare("log", kTagStr, 0);
    Start("main.osb");
    Frames(2);
    // Handlers come from objects.
    TOpalObject* sender = Stage.CreateByKind(LT_BOX);
    Stage.Events.Post(sender, "handler.ost", {}, 113);
    Stage.Events.Post(sender, "handler.ost", {}, 113);  // only a full reset drops it
    Frames(2);
    EXPECT_EQ(Var("log"), all ? "str [] \"mt\"" : "str [] \"mhht\"");
    EXPECT_TRUE(Stage.Events.Items.empty());
    EXPECT_EQ(Calls->Stack.Count(), 0);
  }
}

TEST_F(CallManTest, EndlessRecursionFailsItsDeepestCallAndUnwinds) {
  Page("r.osb", "+Calc n = n + 1\n+Call r.osb\n");
  Vars.Declare("n", kTagInt, 0);
  Start("r.osb");
  Frames(1);
  EXPECT_EQ(Var("n"), "int [] " + std::to_string(TCallMan::kMaxCallDepth + 1));
  EXPECT_EQ(Calls->Stack.Count(), 0);
}

TEST_F(CallManTest, ObjectCommandsCreateQueryChangeAndDeleteBoxes) {
  Stage.SetSize(64, 48);
  Page("main.osb",
       "+BoxNew PR_NAME: \"a\" ; PR_LEFT: 3 ; PR_WIDTH: 10 ; PR_HEIGHT: 4 ; PR_COLOR: 255\n"
       "+BoxNew PR_NAME: \"b\"\n"
       "+BoxNew\n"
       "+SetProp \"a\" ; prop: PR_LEFT ; value: left + 5\n"
       "+GetProp \"a\" ; prop: PR_LEFT ; var: left\n"
       "+GetProp \"a\" ; prop: PR_WIDTH ; var: text\n"
       "+GetProp \"nobody\" ; prop: PR_LEFT ; var: missing\n"
       "+GetProp \"a\" ; prop: nothing ; var: missing\n"
       "+ObjDel \"b\"\n"
       "+ObjDel \"\"\n");
  Vars.Declare("left", kTagInt, 0)->SetAsInteger(1);
  Vars.Declare("text", kTagStr, 0);
  Vars.Declare("missing", kTagInt, 0)->SetAsInteger(-7);
  Vars.Declare("nothing", kTagInt, 0);
  Vars.DeleteVar(Vars.FindVar("nothing"));  // an id expression that yields nothing fails its GetProp
  Start("main.osb");
  Frames(1);
  TOpalObject* a = Stage.FindObject("a");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(Var("left"), "int [] 6");
  EXPECT_EQ(Var("text"), "str [] \"10\"");  // converted to the variable's type
  EXPECT_EQ(Var("missing"), "int [] -7");
  EXPECT_EQ(GetPropValue(*a, PR_COLOR).Int, 255);
  TOpalObject* b = Stage.FindObject("b");
  EXPECT_TRUE(b == nullptr || b->MarkedForDeletion());
  int automatic = 0;
  for (const auto& obj : Stage.Objects()) automatic += obj->Name().rfind("object", 0) == 0;
  EXPECT_EQ(automatic, 1) << "an unnamed box is named objectN";
}

// What the frame composes is what the display shows.
TEST_F(CallManTest, ABoxShowsOnTheScreenAfterItsFrame) {
  Page("main.osb",
       "+BoxNew PR_NAME: \"a\" ; PR_LEFT: 3 ; PR_TOP: 2 ; PR_WIDTH: 10 ; PR_HEIGHT: 4 ; PR_COLOR: 255\n"
       "Wait 1000\n");
  Start("main.osb");
  const uint32_t black = static_cast<uint32_t>(Screen().ColorToPixel(0));
  EXPECT_EQ(Screen().GetPixel(5, 3), black) << "nothing was presented yet";
  Frames(1);
  TDIBX& shown = Screen();
  const uint32_t red = static_cast<uint32_t>(shown.ColorToPixel(255));
  EXPECT_EQ(shown.GetPixel(3, 2), red);
  EXPECT_EQ(shown.GetPixel(12, 5), red);
  EXPECT_NE(shown.GetPixel(13, 5), red);
  EXPECT_NE(shown.GetPixel(2, 2), red);
}

TEST_F(CallManTest, CabinetsTakeAndGiveBackTheInactiveBasesChildren) {
  Stage.SetSize(64, 48);
  for (const char* name : {"x", "y", "z"}) {
    TOpalObject* box = Stage.CreateByKind(LT_BOX);
    box->SetName(name);
    box->SetParent(Stage.OtherBase());
  }
  Page("main.osb",
       "+SaveCabinet PR_NAME: \"shelf\" ; name: \"x\" ; name: \"y\"\n"
       "Calc step = 1\n"
       "LoadCabinet PR_NAME: \"shelf\" ; exclude: TRUE ; name: \"y\"\n"
       "+SaveCabinet PR_NAME: \"empty\" ; name: \"nothing\"\n");
  Vars.Declare("step", kTagInt, 0);
  Start("main.osb");
  Frames(1);
  TOpalBase* inactive = Stage.OtherBase();
  auto names = [](const TOpalControl& parent) {
    std::string out;
    for (const TOpalControl* c : parent.Children()) out += c->Name();
    return out;
  };
  TOpalObject* shelf = Stage.FindObject("shelf");
  ASSERT_NE(shelf, nullptr);
  EXPECT_EQ(shelf->ChildCount(), 2);
  EXPECT_EQ(names(*inactive), "z");
  Frames(1);
  EXPECT_EQ(names(*inactive).size(), 2u);  // x came back, y stayed in the shelf
  EXPECT_EQ(shelf->ChildCount(), 1);
  TOpalObject* empty = Stage.FindObject("empty");
  EXPECT_TRUE(empty == nullptr || empty->MarkedForDeletion()) << "a cabinet left empty goes again";
}

// @Sender names the object whose event runs, and nothing once that object
// has left the stage, even while its handler goes on.
TEST_F(CallManTest, TheSenderIsNamedWhileItExists) {
  TOpalObject* button = Stage.CreateByKind(LT_BOX);
  button->SetName("btn");
  Page("main.osb", "Label idle\n");
  Page("click.osb", "+Calc who = @Sender\nDoEvent\n+Calc after = @Sender\n");
  Vars.Declare("who", kTagStr, 0);
  Vars.Declare("after", kTagStr, 0)->Value->SetAsString("unset");
  Start("main.osb");
  Frames(1);
  Stage.Events.Post(button, "click.ost", {}, PR_ONLBTNDOWN);
  Frames(1);
  EXPECT_EQ(Var("who"), "str [] \"btn\"");
  Stage.Destroy(button);
  Frames(1);
  EXPECT_EQ(Var("after"), "str [] \"\"");
  EXPECT_EQ(Calls->Stack.Count(), 0);
}

TEST(SplitHandler, PageAndLabel) {
  struct Case {
    const char* handler;
    const char* page;
    const char* label;
  };
  const Case cases[] = {
      {"scene\\a.ost:top", "scene\\a.osb", "top"},
      {"a.ost", "a.osb", ""},
      {"a:b.ost", "a:b.osb", ""},  // a ':' before the '.' is part of the name
      {"c:\\x.ost", "c:\\x.osb", ""},
      {"x.ost:", "x.osb", ""},
  };
  for (const Case& c : cases) {
    std::string page, label;
    SplitHandler(c.handler, page, label);
    EXPECT_EQ(page, c.page) << c.handler;
    EXPECT_EQ(label, c.label) << c.handler;
  }
}

}  // namespace
}  // namespace opal

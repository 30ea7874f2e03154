// The main window's input forwarding, activation and exit question,
// through TFormView with a recording runtime.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cp932.h"
#include "platform/input_script.h"
#include "platform/window.h"
#include "shell/form_view.h"
#include "shell/loop_thread.h"

namespace opal {
namespace {

class TInputParts : public TRuntimeParts {
 public:
  void MouseDown(TPointerButton b) override { Log.push_back("down " + std::to_string(static_cast<int>(b))); }
  void MouseUp() override { Log.push_back("up"); }
  void MouseMove(int32_t x, int32_t y) override { Log.push_back("move " + std::to_string(x) + "," + std::to_string(y)); }
  void WheelDown() override { Log.push_back("wheel down"); }
  void WheelUp() override { Log.push_back("wheel up"); }
  void KeyDown(int32_t k) override { Log.push_back("key down " + std::to_string(k)); }
  void KeyUp(int32_t k) override { Log.push_back("key up " + std::to_string(k)); }
  void TextInput(const std::string& t) override { Log.push_back("text " + cp932::ToUtf8(t)); }
  void Composition(const std::string& t, int32_t cursor, int32_t length) override {
    Log.push_back("compose " + cp932::ToUtf8(t) + " " + std::to_string(cursor) + " " + std::to_string(length));
  }
  void ClearInput() override { Log.push_back("clear input"); }
  void SuspendMedia() override { Log.push_back("suspend media"); }
  void ResumeMedia() override { Log.push_back("resume media"); }
  std::string Title() override { return TitleText; }
  bool PauseWhenInactive() override { return Pause; }

  std::vector<std::string> Log;
  std::string TitleText = "Game";
  bool Pause = true;
};

class FormInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunState() = TRunState();
    Form.PanelLeft = 0;
    Form.PanelTop = 22;
    Form.PanelWidth = 640;
    Form.PanelHeight = 480;
  }
  TInputEvent Event(TInputKind kind, int32_t x = 0, int32_t y = 0, int32_t key = 0) {
    TInputEvent e;
    e.Kind = kind;
    e.X = x;
    e.Y = y;
    e.Key = key;
    return e;
  }

  TVrFileManager Files;
  TScriptedMessageBoxes Boxes{nullptr};
  TInputParts Parts;
  TFormView Form{RunState(), Files, Boxes, Parts};
};

TEST_F(FormInputTest, TheStageGetsRawInputInPanelCoordinates) {
  Form.HandleInput(Event(TInputKind::MouseMove, 100, 72));
  Form.HandleInput(Event(TInputKind::MouseDown, 100, 72));
  Form.HandleInput(Event(TInputKind::MouseDown, 100, 10));  // on the toolbar strip, not the panel
  Form.HandleInput(Event(TInputKind::MouseUp, 100, 10));    // a release anywhere counts
  Form.HandleInput(Event(TInputKind::WheelDown));
  Form.HandleInput(Event(TInputKind::KeyDown, 0, 0, 13));
  TInputEvent repeat = Event(TInputKind::KeyDown, 0, 0, 13);
  repeat.Repeat = true;  // the window system's own repeats are not keys pressed
  Form.HandleInput(repeat);
  Form.HandleInput(Event(TInputKind::KeyDown, 0, 0, 256));
  Form.HandleInput(Event(TInputKind::KeyUp, 0, 0, 13));
  EXPECT_EQ(Parts.Log, (std::vector<std::string>{"move 100,50", "down 0", "up", "wheel down", "key down 13",
                                                 "key up 13"}));
}

TEST_F(FormInputTest, InactiveTakesNoPressesAndTheCloseBoxDoesNotAsk) {
  Form.Active = false;
  Form.HandleInput(Event(TInputKind::MouseDown, 10, 30));
  Form.HandleInput(Event(TInputKind::KeyDown, 0, 0, 32));
  EXPECT_TRUE(Parts.Log.empty());
  Form.HandleInput(Event(TInputKind::Close));
  EXPECT_TRUE(Form.CloseRequested());
  EXPECT_EQ(Boxes.Shown, 0);
}

TEST_F(FormInputTest, ActivationFollowsPauseWhenInactive) {
  TLoopThread loop(RunState());
  Form.LoopThread = &loop;
  Form.HasProject = true;
  Parts.Pause = false;  // the game runs on in the background
  Form.ApplicationDeactivate();
  EXPECT_TRUE(Form.Active);
  EXPECT_FALSE(loop.Suspended());
  EXPECT_TRUE(Parts.Log.empty());

  Parts.Pause = true;
  Form.ApplicationDeactivate();
  EXPECT_FALSE(Form.Active);
  EXPECT_TRUE(loop.Suspended());
  Form.ApplicationActivate(5000);
  EXPECT_TRUE(Form.Active);
  EXPECT_FALSE(loop.Suspended());
  EXPECT_EQ(RunState().LastTickMs, 5000u);
  EXPECT_EQ(Parts.Log, (std::vector<std::string>{"suspend media", "clear input", "resume media"}));
}

TEST_F(FormInputTest, ExitQuestionByLanguageWithTheTitleAsText) {
  EXPECT_EQ(TFormView::ExitQuestion("100%s%n", false), "Do you want to exit 100%s%n?");
  EXPECT_EQ(cp932::ToUtf8(TFormView::ExitQuestion(cp932::FromUtf8("旅"), true)), "「旅」を終了しますか？");
}

TEST_F(FormInputTest, ExitAsksYesOrNoAndNoRestoresTheStopFlag) {
  struct TCase {
    bool stopBefore;
    TMsgAnswer answer;
    bool closes, stopAfter;
  };
  for (const TCase& c : {TCase{false, TMsgAnswer::No, false, false}, TCase{true, TMsgAnswer::No, false, true},
                         TCase{false, TMsgAnswer::Yes, true, true}}) {
    TVrFileManager files;
    TScriptedMessageBoxes boxes{nullptr};
    TFormView form(RunState(), files, boxes, Parts);
    RunState().TerminateRequested = c.stopBefore;
    boxes.Answers = {c.answer};
    form.HandleInput(Event(TInputKind::ToolbarExit));
    EXPECT_EQ(boxes.Shown, 1);
    EXPECT_EQ(boxes.LastText, "Do you want to exit Game?");
    EXPECT_EQ(form.CloseRequested(), c.closes);
    EXPECT_EQ(RunState().TerminateRequested, c.stopAfter);
  }
}

TEST(LoopThreadSuspend, NoTimeCountsWhileSuspended) {
  TRunState state;
  TLoopThread loop(state);
  TFixedClock clock(15);
  int frames = 0, wakes = 0;
  loop.Run(
      clock,
      [&] {
        ++wakes;
        if (wakes == 3) loop.Suspend();
        if (wakes == 10) loop.Resume(clock.NowMs());
        return wakes <= 12;
      },
      [&] { ++frames; });
  EXPECT_EQ(frames, 5);  // wakes 1, 2, then 10 (the first after the resume), 11, 12
  EXPECT_EQ(state.GameTimeMs, 5u * 15u);
}

}  // namespace
}  // namespace opal

namespace opal {
namespace {

TEST_F(FormInputTest, CursorMovesKeepTheOtherCoordinate) {
  Form.HandleInput(Event(TInputKind::MouseMove, 100, 72));
  Form.SetCursorX(300);  // headless: the move reaches the stage at once
  Form.SetCursorY(10);
  EXPECT_EQ(Parts.Log, (std::vector<std::string>{"move 100,50", "move 300,50", "move 300,10"}));
}

TEST_F(FormInputTest, DeveloperMenuItems) {
  for (const int32_t d : {1, 2, 4, 10}) {
    Form.FPSAUTO1Click();
    Form.FPS111Click(d);
    EXPECT_EQ(RunState().DrawDivisor, d);
    EXPECT_FALSE(Form.AutoFrameRate);
  }
  Form.FPSAUTO1Click();
  EXPECT_TRUE(Form.AutoFrameRate);
  for (const int32_t tag : {16, 64, 128, 1}) {
    Form.N11Click(tag);
    EXPECT_EQ(Form.TargetFrameMs, tag);
    EXPECT_EQ(RunState().DrawDivisor, 10);  // the pacing items change nothing that runs
  }
}

}  // namespace
}  // namespace opal

namespace opal {
namespace {

// Text typed by a script reaches the form's handler as text, committed
// text only while active (as key presses), a composition always.
TEST_F(FormInputTest, ScriptedTextReachesTheStageAsText) {
  const TInputScript script = TInputScript::Parse(
      "1 compose \"にほん\" 3 0\n"
      "1 compose \"日本\" 0 2\n"
      "1 compose \"\" 0 0\n"
      "1 text \"日本\"\n"
      "2 text \"x\"\n"
      "2 compose \"y\" 1 0\n");
  TScriptedEvents source(script, nullptr);
  source.SetTextInput(true);  // as a text control with the focus would
  auto wake = [&] {
    source.BeginWake();
    for (TInputEvent e; source.Poll(e);) Form.HandleInput(e);
  };
  wake();
  EXPECT_EQ(Parts.Log, (std::vector<std::string>{"compose にほん 3 0", "compose 日本 0 2", "compose  0 0",
                                                 "text 日本"}));
  Parts.Log.clear();
  Form.Active = false;
  wake();
  EXPECT_EQ(Parts.Log, (std::vector<std::string>{"compose y 1 0"}));
}

}  // namespace
}  // namespace opal

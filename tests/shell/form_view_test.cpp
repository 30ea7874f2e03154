#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/trace.h"
#include "shell/form_view.h"
#include "test_util.h"

namespace opal {
namespace {

class TRecordingTrace : public TTraceSink {
 public:
  void Step(std::string_view name) override { Lines.emplace_back(name); }
  void Line(std::string_view text) override { Lines.push_back("| " + std::string(text)); }
  std::vector<std::string> Lines;
};

// Records each call into the same list as the trace, so the order of
// steps and parts shows in one place.
class TRecordingParts : public TRuntimeParts {
 public:
  explicit TRecordingParts(std::vector<std::string>& log) : Log(log) {}
  void InitSound() override { Log.push_back("+sound"); throw std::runtime_error("no device"); }
  void InitStage() override { Log.push_back("+stage"); }
  bool CreateProject(TFormView&) override {
    Log.push_back("+project");
    return true;
  }
  void MediaInit() override { Log.push_back("+media"); }
  void InitColor() override { Log.push_back("+color"); }
  void RunInterpreter() override {
    Log.push_back("run");
    if (StopInInterpreter) RunState().TerminateRequested = true;
  }
  void AdvanceStage() override { Log.push_back("advance"); }
  bool ServiceSaveLoad() override {
    const bool loaded = LoadNext;
    LoadNext = false;
    return loaded;
  }
  void ComposeAndPresent() override { Log.push_back("present"); }
  void FreeProject() override { Log.push_back("-project"); }
  void FreeStage() override { Log.push_back("-stage"); }
  void MediaFinal() override { Log.push_back("-media"); }

  std::vector<std::string>& Log;
  bool StopInInterpreter = false;
  bool LoadNext = false;
};

class FormViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunState() = TRunState();
    SetTrace(&Trace);
  }
  void TearDown() override { SetTrace(nullptr); }
  TStartOptions Options() {
    TStartOptions o;
    o.Executable = Dir / "opalplay";
    o.Args = {Dir.Path()};
    o.FixedClock = true;
    return o;
  }

  opal::testing::TempDir Dir;
  TRecordingTrace Trace;
  TVrFileManager Files;
  TScriptedMessageBoxes Boxes{nullptr};
  TRecordingParts Parts{Trace.Lines};
};

TEST_F(FormViewTest, CreatesAndFreesTheRuntimeInItsOrder) {
  {
    TFormView form(RunState(), Files, Boxes, Parts);
    form.FormCreate(Options());
    EXPECT_FALSE(form.CloseRequested());
    ASSERT_NE(form.ParamMan(), nullptr);
    form.FormClose();
    EXPECT_TRUE(RunState().TerminateRequested);
    EXPECT_EQ(form.ParamMan(), nullptr);
  }
  const std::vector<std::string> want = {
      "DXSound.Initialize", "+sound", "OpalInitialize", "+stage", "TProject.Create", "+project",
      "MediaInit", "+media", "OpalInitColor", "+color",
      "Project.Free", "-project", "SysFuncMan.Free", "ParamMan.Free", "OpalFinalize", "-stage",
      "MediaFinal", "-media", "FormClose"};
  EXPECT_EQ(Trace.Lines, want);  // the failing sound device was swallowed
  EXPECT_EQ(Files.SourceCount(), 1);  // the empty source 0; the folder holds no game.dat
}

TEST_F(FormViewTest, DrawDivisorPresentsEveryFourthFrameWhileEverythingElseAdvances) {
  TFormView form(RunState(), Files, Boxes, Parts);
  form.FormCreate(Options());
  RunState().DrawDivisor = 4;
  Trace.Lines.clear();
  for (int i = 0; i < 8; ++i) form.FrameStep();
  int runs = 0, presents = 0;
  for (const std::string& l : Trace.Lines) {
    runs += l == "run";
    presents += l == "present";
  }
  EXPECT_EQ(runs, 8);
  EXPECT_EQ(presents, 2);
  EXPECT_EQ(RunState().FrameCounter, 8u);
}

TEST_F(FormViewTest, ALoadSkipsOneDrawAndAStopEndsTheFrameAfterTheInterpreter) {
  TFormView form(RunState(), Files, Boxes, Parts);
  form.FormCreate(Options());
  Trace.Lines.clear();
  Parts.LoadNext = true;
  form.FrameStep();  // loaded: drawing skipped
  form.FrameStep();
  EXPECT_EQ(Trace.Lines, (std::vector<std::string>{"run", "advance", "run", "advance", "present"}));

  Trace.Lines.clear();
  Parts.StopInInterpreter = true;
  form.FrameStep();
  EXPECT_EQ(Trace.Lines, (std::vector<std::string>{"run"}));
  EXPECT_EQ(RunState().FrameCounter, 2u);
}

TEST_F(FormViewTest, FindsGameDatInTheDataFolder) {
  testing::WriteFile(Dir / "src/a.txt", "x");
  const testing::RunResult r = testing::RunTool({"archive", "pack", Dir / "src", "-o", Dir / "game.dat"});
  ASSERT_EQ(r.exit_code, 0) << r.out;
  TFormView form(RunState(), Files, Boxes, Parts);
  form.FormCreate(Options());
  ASSERT_EQ(Files.SourceCount(), 2);
  EXPECT_EQ(Files.Source(1).EntryCount(), 1);
}

}  // namespace
}  // namespace opal

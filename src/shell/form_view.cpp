#include "shell/form_view.h"

#include <ctime>
#include <exception>
#include <sys/time.h>
#include <unistd.h>

#include "common/diagnostics.h"
#include "common/trace.h"
#include "platform/window.h"
#include "shell/data_sources.h"
#include "shell/game_ini.h"
#include "shell/screen_manager.h"

namespace opal {

namespace {

// ((hour * 60 + minute) * 60 + second) * 1000 + millisecond, local time.
uint32_t ClockSeed() {
  timeval tv{};
  ::gettimeofday(&tv, nullptr);
  std::tm local{};
  const time_t seconds = tv.tv_sec;
  ::localtime_r(&seconds, &local);
  return static_cast<uint32_t>(((local.tm_hour * 60 + local.tm_min) * 60 + local.tm_sec) * 1000 +
                               static_cast<int>(tv.tv_usec / 1000));
}

}  // namespace

TFormView::TFormView(TRunState& state, TVrFileManager& files, MessageBoxes& boxes, TRuntimeParts& parts)
    : State_(state), Files_(files), Boxes_(boxes), Parts_(parts) {}

TFormView::~TFormView() { FinalizeRuntime(); }

void TFormView::FormCreate(const TStartOptions& options) {
  ExeFolder_ = options.Executable.substr(0, options.Executable.find_last_of('/') + 1);
  Args_ = options.Args;
  ::unlink((ExeFolder_ + "opalplay.log").c_str());
  RandomSeed = options.FixedClock ? 0 : ClockSeed();
  PlayerSettings() = ReadGameIni(ExeFolder_ + "game.ini", PlayerSettings());
  Files_.AddArchive("");  // source 0: the in-memory files (save slots)
  try {
    FindDataSources(Files_, options.Executable, options.Args);
  } catch (const std::exception& e) {
    StartFailed(e.what());
    return;
  }
  ParamMan_ = std::make_unique<TParamCollection>();
  SysFuncMan_ = std::make_unique<TSysFuncMan>();
  ParamMan_->SysFuncs = SysFuncMan_.get();
  ParamMan_->CreateSystemVars();
  try {
    InitializeRuntime();
  } catch (const std::exception& e) {
    Boxes_.Show(e.what(), "", TMsgButtons::Ok, TMsgIcon::Warning);
    StartFailed(e.what());
  }
  if (State_.TerminateRequested) PostClose();
}

void TFormView::StartFailed(const std::string& why) {
  if (StartFailure_.empty()) StartFailure_ = why.empty() ? std::string("the game cannot start") : why;
  PostClose();
}

void TFormView::InitializeRuntime() {
  Trace().Step("DXSound.Initialize");
  if (PlayerSettings().DirectSound) {
    try {
      Parts_.InitSound();
    } catch (const std::exception& e) {
      // The other sound output paths take over.
      ReportError(std::string("sound output: ") + e.what());
    }
  }
  Trace().Step("OpalInitialize");
  Parts_.InitStage();
  Trace().Step("TProject.Create");
  HasProject = Parts_.CreateProject(*this);
  Trace().Step("MediaInit");
  Parts_.MediaInit();
  Trace().Step("OpalInitColor");
  Parts_.InitColor();
  PlaceWindow();
}

// The client area holds the stage below the toolbar strip; the window is
// centred in the work area and the panel placed under the strip.
void TFormView::PlaceWindow() {
  if (ScreenMan == nullptr) return;
  PanelWidth = ScreenMan->Width;
  PanelHeight = ScreenMan->Height;
  if (MainWindow == nullptr) return;
  MainWindow->SetClientSize(PanelWidth, PanelHeight + MainWindow->DockHeight());
  MainWindow->CenterOnWorkArea();
  PanelLeft = (MainWindow->ClientWidth() - PanelWidth) / 2;
  PanelTop = ScreenMan->FullScreenActive ? (MainWindow->ClientHeight() - PanelHeight) / 2 : MainWindow->DockHeight();
  MainWindow->PlacePanel(PanelLeft, PanelTop, PanelWidth, PanelHeight);
}

void TFormView::FrameStep() {
  if (!HasProject) return;
  Files_.Housekeeping();
  Parts_.BeginInputFrame();
  if (LogoDone) {
    Parts_.RunInterpreter();
  } else {
    Parts_.RunLogo(*this);
  }
  if (State_.TerminateRequested) return;
  Parts_.AdvanceStage();
  ++State_.FrameCounter;
  if (Parts_.ServiceSaveLoad()) SkipDraw = 1;
  if (SkipDraw >= 1) {
    --SkipDraw;
    return;
  }
  const int32_t divisor = State_.DrawDivisor > 0 ? State_.DrawDivisor : 1;
  DrawPhase = (DrawPhase + 1) % divisor;
  if (DrawPhase != 0) return;
  Parts_.ComposeAndPresent();
}

void TFormView::FormClose() {
  State_.TerminateRequested = true;
  FinalizeRuntime();
  Trace().Step("FormClose");
}

void TFormView::FinalizeRuntime() {
  if (Finalized_) return;
  Finalized_ = true;
  Trace().Step("Project.Free");
  if (HasProject) Parts_.FreeProject();
  HasProject = false;
  Trace().Step("SysFuncMan.Free");
  if (ParamMan_) ParamMan_->SysFuncs = nullptr;
  SysFuncMan_.reset();
  Trace().Step("ParamMan.Free");
  ParamMan_.reset();
  Trace().Step("OpalFinalize");
  Parts_.FreeStage();
  Trace().Step("MediaFinal");
  Parts_.MediaFinal();
}

}  // namespace opal

// TFormView: the player's main form without its window: the start-up
// order, the runtime's creation and teardown with their step names, and
// the frame step. The window itself, the stage, the project and the media
// are reached through TRuntimeParts, whose places are fixed here; each
// subsystem fills its own.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/run_state.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "platform/input_event.h"
#include "platform/message_boxes.h"
#include "storage/vr_file_manager.h"

namespace opal {

class TFormView;
class TLoopThread;
class TScreenManager;
class Window;

// The runtime parts the shell drives, in the order it calls them. Every
// default does nothing, which is what a player without that part does.
class TRuntimeParts {
 public:
  virtual ~TRuntimeParts() = default;
  virtual void InitSound() {}   // "DXSound.Initialize"; the caller reports a failure and goes on
  virtual void InitStage() {}   // "OpalInitialize"
  // "TProject.Create": creates the project; it may set TerminateRequested,
  // and tells the form with StartFailed when the game cannot start.
  // Returns whether a project exists afterwards.
  virtual bool CreateProject(TFormView&) { return false; }
  virtual void MediaInit() {}   // "MediaInit"
  virtual void InitColor() {}   // "OpalInitColor"

  virtual void BeginInputFrame() {}
  virtual void RunInterpreter() {}     // the project's run step
  virtual void RunLogo(TFormView&) {}  // a frame of the start-up logo
  virtual void AdvanceStage() {}       // objects, timers, motions, deferred deletions
  virtual bool ServiceSaveLoad() { return false; }  // true when a game was loaded
  virtual void ComposeAndPresent() {}  // compose, present, clear dirty lists, video overlays

  // The stage's pixel buffers before and after a screen switch, and the
  // video overlays around it.
  virtual void ReleasePixels() {}
  virtual void RecreatePixels() {}
  virtual void SuspendVideo() {}
  virtual void ResumeVideo() {}

  // Raw input for the stage (panel coordinates), only while active.
  virtual void MouseDown(TPointerButton) {}
  virtual void MouseUp() {}
  virtual void MouseMove(int32_t, int32_t) {}
  virtual void WheelDown() {}
  virtual void WheelUp() {}
  virtual void KeyDown(int32_t) {}
  virtual void KeyUp(int32_t) {}
  // Committed text and the composition in progress (CP932; cursor and
  // selection in characters), as TInputKind::Text and Compose describe
  // them. Nothing on the stage takes text yet, so the defaults drop it.
  virtual void TextInput(const std::string&) {}
  virtual void Composition(const std::string&, int32_t, int32_t) {}
  virtual void ClearInput() {}
  // Media paused while the application is inactive, and resumed.
  virtual void SuspendMedia() {}
  virtual void ResumeMedia() {}
  // The project's title and its PauseWhenInactive setting.
  virtual std::string Title() { return ""; }
  virtual bool PauseWhenInactive() { return true; }

  virtual void FreeProject() {}  // "Project.Free": closing page and status data
  virtual void FreeStage() {}    // "OpalFinalize"
  virtual void MediaFinal() {}   // "MediaFinal"
};

struct TStartOptions {
  std::string Executable;          // the player's own path
  std::vector<std::string> Args;   // the game's command line, options taken out
  bool FixedClock = false;         // repeatable runs: the clock-derived seed is 0
};

class TFormView {
 public:
  TFormView(TRunState& state, TVrFileManager& files, MessageBoxes& boxes, TRuntimeParts& parts);
  ~TFormView();
  TFormView(const TFormView&) = delete;
  TFormView& operator=(const TFormView&) = delete;

  // The start-up of the form, its steps named in the trace. Data sources that
  // cannot be opened, or a failure of InitializeRuntime (shown in a warning
  // box), close the form with a start failure.
  void FormCreate(const TStartOptions& options);
  void InitializeRuntime();
  void FrameStep();
  // Sets TerminateRequested and frees the runtime; safe to call twice.
  void FormClose();
  void FinalizeRuntime();

  // Window and full screen, with the switch's named steps. Both need a
  // screen manager and a window; without them they do nothing.
  void SetFullScreen(bool full);
  void ApplyScreenMode();

  // Input from the window or an input script (client coordinates). Keys
  // and committed text are taken only while active; a composition always
  // passes on, so that what shows it never keeps a stale one.
  void HandleInput(const TInputEvent& e);
  void ApplicationActivate(uint32_t now);
  void ApplicationDeactivate();
  // The mouse pointer to stage x (or y) on the panel, keeping the other
  // coordinate (the system variables @MouseX and @MouseY).
  void SetCursorX(int32_t x);
  void SetCursorY(int32_t y);
  // The developer menu: a target frame interval that nothing reads (x1 16,
  // x4 64, x8 128, No Wait 1), the draw divisor, the automatic-rate flag.
  void N11Click(int32_t tag) { TargetFrameMs = tag; }
  void FPS111Click(int32_t divisor);
  void FPSAUTO1Click() { AutoFrameRate = true; }
  void actFullScrExecute();
  int32_t TargetFrameMs = 16;
  bool AutoFrameRate = false;

  // The toolbar's exit button: a Yes/No question captioned with the title.
  void ConfirmExit();
  // "Do you want to exit %s?" or, on a Japanese system, its Japanese form,
  // with the title put in as text.
  static std::string ExitQuestion(const std::string& title, bool japanese);

  // The form was asked to close (a close request was posted).
  bool CloseRequested() const { return CloseRequested_; }
  void PostClose() { CloseRequested_ = true; }
  // The game cannot start: the first reason given (one line, CP932) is
  // kept, and the form closes. Empty while nothing failed.
  void StartFailed(const std::string& why);
  const std::string& StartFailure() const { return StartFailure_; }

  TVrFileManager& Files() { return Files_; }
  MessageBoxes& Boxes() { return Boxes_; }
  TRunState& State() { return State_; }
  // The variable table and the function dispatcher, program-wide from step
  // 9 of FormCreate until FinalizeRuntime; null outside that time.
  TParamCollection* ParamMan() { return ParamMan_.get(); }
  TSysFuncMan* SysFuncMan() { return SysFuncMan_.get(); }
  const std::string& ExecutableFolder() const { return ExeFolder_; }
  // The game's command line, options taken out.
  const std::vector<std::string>& Args() const { return Args_; }

  bool HasProject = false;
  bool LogoDone = true;     // without a logo, frames run the project at once
  int32_t DrawPhase = 0;
  int32_t SkipDraw = 0;
  uint32_t RandomSeed = 0;  // the run-time generator's seed from the clock
  // Not owned; set by the platform part that makes them.
  TScreenManager* ScreenMan = nullptr;
  Window* MainWindow = nullptr;
  TLoopThread* LoopThread = nullptr;
  int32_t PanelLeft = 0, PanelTop = 0;
  int32_t PanelWidth = 0, PanelHeight = 0;
  bool Active = true;          // input and frames are taken only while set
  bool JapaneseSystem = false; // the exit question's language
  bool WindowSaved = false;  // a window placement was saved on the way to full screen

 private:
  TRunState& State_;
  TVrFileManager& Files_;
  MessageBoxes& Boxes_;
  TRuntimeParts& Parts_;
  std::unique_ptr<TParamCollection> ParamMan_;
  std::unique_ptr<TSysFuncMan> SysFuncMan_;
  std::string ExeFolder_;
  std::vector<std::string> Args_;
  void RestoreWindowAfterFailedSwitch();
  void PlaceWindow();
  void SetBoundsAndReload();

  bool CloseRequested_ = false;
  std::string StartFailure_;
  int32_t PointerX_ = 0, PointerY_ = 0;  // the pointer's last client position
  bool Finalized_ = false;
};

}  // namespace opal

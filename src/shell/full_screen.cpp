// The change between a window and full screen, step by step. Every step
// has its name in the trace; frame callbacks are dropped while it runs.
#include "common/trace.h"
#include "platform/window.h"
#include "shell/form_view.h"
#include "shell/screen_manager.h"

namespace opal {

namespace {

// Raises InFullScreenSwitch for its lifetime, however the switch ends.
class TSwitchFlag {
 public:
  explicit TSwitchFlag(TRunState& s) : S_(s) { S_.InFullScreenSwitch = true; }
  ~TSwitchFlag() { S_.InFullScreenSwitch = false; }
  TSwitchFlag(const TSwitchFlag&) = delete;
  TSwitchFlag& operator=(const TSwitchFlag&) = delete;

 private:
  TRunState& S_;
};

}  // namespace

void TFormView::RestoreWindowAfterFailedSwitch() {
  Trace().Step("SetFullScreen.Full.SetScreenManIndexFail");
  if (WindowSaved) {
    MainWindow->RestorePlacement();
    WindowSaved = false;
  }
  MainWindow->SetBorderless(false);
  MainWindow->SetClientSize(ScreenMan->Width, ScreenMan->Height + MainWindow->DockHeight());
}

void TFormView::SetBoundsAndReload() {
  Trace().Step("SetFullScreen.SetBounds");
  PanelLeft = (MainWindow->ClientWidth() - ScreenMan->Width) / 2;
  PanelTop = ScreenMan->FullScreenActive ? (MainWindow->ClientHeight() - ScreenMan->Height) / 2
                                         : MainWindow->DockHeight();
  PanelWidth = ScreenMan->Width;
  PanelHeight = ScreenMan->Height;
  MainWindow->PlacePanel(PanelLeft, PanelTop, PanelWidth, PanelHeight);
  Trace().Step("SetFullScreen.Bases.Reload");
  Parts_.RecreatePixels();
  Trace().Step("SetFullScreen.MediaResume");
  Parts_.ResumeVideo();
}

void TFormView::SetFullScreen(bool full) {
  if (ScreenMan == nullptr || MainWindow == nullptr) return;
  Trace().Step("SetFullScreen");
  TSwitchFlag flag(State_);
  if (full == ScreenMan->FullScreenActive) return;
  if (full) {
    Trace().Step("SetFullScreen.Full");
    if (ScreenMan->ChosenModeIndex < 0 || !ScreenMan->DisplayAvailable()) return;
    Trace().Step("SetFullScreen.Full.Bases.FreeDX");
    Parts_.ReleasePixels();
    Trace().Step("SetFullScreen.Full.MediaSuspend");
    Parts_.SuspendVideo();
    MainWindow->ShowToolbar(false);
    Trace().Step("SetFullScreen.Full.ScreenMan.FreeDX");
    ScreenMan->FreeDX();
    Trace().Step("SetFullScreen.Full.StoreWindow");
    WindowSaved = MainWindow->SavePlacement();
    MainWindow->SetBorderless(true);
    MainWindow->SetPosition(0, 0);
    MainWindow->SetClientSize(ScreenMan->Width, ScreenMan->Height);
    Trace().Step("SetFullScreen.Full.SetScreenManIndex");
    ScreenMan->SetModeIndex(ScreenMan->ChosenModeIndex);
    if (ScreenMan->ModeIndex != ScreenMan->ChosenModeIndex) RestoreWindowAfterFailedSwitch();
  } else {
    Trace().Step("SetFullScreen.Normal");
    Trace().Step("SetFullScreen.Normal.Bases.FreeDX");
    Parts_.ReleasePixels();
    Trace().Step("SetFullScreen.Normal.MediaSuspend");
    Parts_.SuspendVideo();
    MainWindow->ShowToolbar(true);
    Trace().Step("SetFullScreen.Normal.ScreenMan.FreeDX");
    ScreenMan->FreeDX();
    Trace().Step("SetFullScreen.Normal.RestoreWindow");
    if (WindowSaved) {
      MainWindow->RestorePlacement();
      WindowSaved = false;
    }
    MainWindow->SetBorderless(false);
    MainWindow->SetClientSize(ScreenMan->Width, ScreenMan->Height + MainWindow->DockHeight());
    ScreenMan->SetModeIndex(-1);
  }
  SetBoundsAndReload();
}

void TFormView::ApplyScreenMode() {
  if (ScreenMan == nullptr || MainWindow == nullptr) return;
  const int32_t chosen = ScreenMan->ChosenModeIndex;
  if (!ScreenMan->FullScreenActive || chosen < 0 || chosen == ScreenMan->ModeIndex) return;
  Parts_.ReleasePixels();
  Parts_.SuspendVideo();
  ScreenMan->SetModeIndex(chosen);
  if (ScreenMan->ModeIndex != chosen) RestoreWindowAfterFailedSwitch();
  SetBoundsAndReload();
}

}  // namespace opal

// The main window's input, activation and exit question. The form does not
// interpret input: it hands the stage raw records in panel coordinates.
#include <string>

#include "platform/window.h"
#include "shell/form_view.h"
#include "shell/loop_thread.h"
#include "shell/screen_manager.h"

namespace opal {

namespace {

// "Do you want to exit %s?" and "「%s」を終了しますか？" (CP932).
constexpr const char* kExitQuestionEnglish = "Do you want to exit %s?";
constexpr const char* kExitQuestionJapanese =
    "\x81\x75%s\x81\x76\x82\xF0\x8F\x49\x97\xB9\x82\xB5\x82\xDC\x82\xB7\x82\xA9\x81\x48";

bool InPanel(const TFormView& f, int32_t x, int32_t y) {
  return x >= f.PanelLeft && y >= f.PanelTop && x < f.PanelLeft + f.PanelWidth && y < f.PanelTop + f.PanelHeight;
}

}  // namespace

std::string TFormView::ExitQuestion(const std::string& title, bool japanese) {
  // The title is put in as text: a '%' in it is shown, never interpreted.
  std::string q = japanese ? kExitQuestionJapanese : kExitQuestionEnglish;
  q.replace(q.find("%s"), 2, title);
  return q;
}

void TFormView::ConfirmExit() {
  const bool saved = State_.TerminateRequested;
  State_.TerminateRequested = true;
  const std::string title = Parts_.Title();
  const TMsgAnswer a = Boxes_.Show(ExitQuestion(title, JapaneseSystem), title, TMsgButtons::YesNo,
                                   TMsgIcon::Question, TMsgAnswer::No);
  if (a == TMsgAnswer::Yes) {
    PostClose();
  } else {
    State_.TerminateRequested = saved;
  }
}

void TFormView::HandleInput(const TInputEvent& e) {
  switch (e.Kind) {
    case TInputKind::MouseDown:
      if (Active && InPanel(*this, e.X, e.Y)) Parts_.MouseDown(e.Button);
      break;
    case TInputKind::MouseUp:
      Parts_.MouseUp();
      break;
    case TInputKind::MouseMove:
      PointerX_ = e.X;
      PointerY_ = e.Y;
      Parts_.MouseMove(e.X - PanelLeft, e.Y - PanelTop);
      // In full screen the toolbar shows while the pointer is on the top row.
      if (MainWindow != nullptr && ScreenMan != nullptr && ScreenMan->FullScreenActive)
        MainWindow->ShowToolbar(e.Y == 0);
      break;
    case TInputKind::WheelDown: Parts_.WheelDown(); break;
    case TInputKind::WheelUp: Parts_.WheelUp(); break;
    case TInputKind::KeyDown:
      if (Active && !e.Repeat && e.Key >= 0 && e.Key < 256) Parts_.KeyDown(e.Key);
      break;
    case TInputKind::KeyUp:
      if (e.Key >= 0 && e.Key < 256) Parts_.KeyUp(e.Key);
      break;
    case TInputKind::Text:
      if (Active) Parts_.TextInput(e.Text);
      break;
    case TInputKind::Compose: Parts_.Composition(e.Text, e.Cursor, e.SelLength); break;
    case TInputKind::FocusIn: ApplicationActivate(State_.LastTickMs); break;
    case TInputKind::FocusOut: ApplicationDeactivate(); break;
    case TInputKind::Close: PostClose(); break;  // the close box does not ask
    case TInputKind::ToolbarExit: ConfirmExit(); break;
    case TInputKind::ToolbarScreen: actFullScrExecute(); break;
  }
}

void TFormView::SetCursorX(int32_t x) {
  TInputEvent e;
  e.X = PanelLeft + x;
  e.Y = PointerY_;
  if (MainWindow != nullptr) {
    MainWindow->WarpPointer(e.X, e.Y);  // the window system reports the move
  } else {
    HandleInput(e);
  }
}

void TFormView::SetCursorY(int32_t y) {
  TInputEvent e;
  e.X = PointerX_;
  e.Y = PanelTop + y;
  if (MainWindow != nullptr) {
    MainWindow->WarpPointer(e.X, e.Y);
  } else {
    HandleInput(e);
  }
}

void TFormView::FPS111Click(int32_t divisor) {
  State_.DrawDivisor = divisor;
  AutoFrameRate = false;
}

void TFormView::actFullScrExecute() {
  if (ScreenMan != nullptr) SetFullScreen(!ScreenMan->FullScreenActive);
}

void TFormView::ApplicationDeactivate() {
  if (HasProject && !Parts_.PauseWhenInactive()) return;  // the game runs on in the background
  if (LoopThread != nullptr) LoopThread->Suspend();
  Active = false;
  Parts_.SuspendMedia();
  Parts_.ClearInput();
}

void TFormView::ApplicationActivate(uint32_t now) {
  if (!HasProject || Parts_.PauseWhenInactive()) {
    if (LoopThread != nullptr) LoopThread->Resume(now);
    Active = true;
    State_.LastTickMs = now;
    Parts_.ResumeMedia();
    return;
  }
  Active = true;
  State_.LastTickMs = now;
}

}  // namespace opal

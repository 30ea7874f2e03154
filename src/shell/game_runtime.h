// TGameRuntime: the runtime parts of a player that runs a game: the project,
// the interpreter on its start page, and the event queue that the stage
// will own. What has no part yet keeps the empty defaults.
#pragma once

#include <memory>
#include <string>

#include "components/brio_collection.h"
#include "components/word_host.h"
#include "film/film_motion.h"
#include "history/history_format.h"
#include "history/read_list.h"
#include "platform/font_backend.h"
#include "text/font_pixel.h"
#include "scenario/call_man.h"
#include "scenario/call_sys_vars.h"
#include "scenario/page_messages.h"
#include "scenario/project.h"
#include "platform/display.h"
#include "shell/form_view.h"
#include "shell/screen_manager.h"
#include "stage/base_list.h"
#include "stage/stage_services.h"
#include "stage/timer_list.h"
#include "wipes/create_wipe.h"

namespace opal {

class TGameRuntime : public TRuntimeParts, public TCallManHost {
 public:
  // `display` is the screen the game is shown on (a headless one without a
  // window); not owned.
  explicit TGameRuntime(Display& display) : Display_(display) {}

  // TRuntimeParts
  void InitStage() override;
  bool CreateProject(TFormView& form) override;
  void MediaInit() override;
  void BeginInputFrame() override;
  void RunLogo(TFormView& form) override;
  // Whether the player carries its start-up logo.
  static bool HasLogo();
  void RunInterpreter() override;
  void AdvanceStage() override;
  void ComposeAndPresent() override;
  void ReleasePixels() override;
  void RecreatePixels() override;
  void MouseDown(TPointerButton button) override;
  void MouseUp() override;
  void MouseMove(int32_t x, int32_t y) override;
  void WheelDown() override;
  void WheelUp() override;
  void KeyDown(int32_t code) override;
  void KeyUp(int32_t code) override;
  void ClearInput() override;
  std::string Title() override { return Project_ != nullptr ? Project_->Title : ""; }
  bool PauseWhenInactive() override { return Project_ == nullptr || Project_->PauseWhenInactive; }
  void FreeProject() override;
  void FreeStage() override;
  void MediaFinal() override;

  // TCallManHost
  bool EnsureAvailable(std::string_view page) override;
  TTimerList* Events() override { return Stage_ != nullptr ? &Stage_->Events : nullptr; }
  TOpalBaseList* Stage() override { return Stage_.get(); }
  uint64_t ObjectId(TOpalObject* obj) override { return obj != nullptr ? obj->Id() : 0; }
  std::string ObjectNameById(uint64_t id) override;
  void PostClose() override;
  void SetCursorX(int32_t x) override {
    if (Form_ != nullptr) Form_->SetCursorX(x);
  }
  void SetCursorY(int32_t y) override {
    if (Form_ != nullptr) Form_->SetCursorY(y);
  }
  bool ReadSysVar(uint8_t id, TSysValue& out) override;
  bool WriteSysVar(uint8_t id, const TSysValue& value) override;

  // Writes what the screen shows now as a PNG; false (and a message on
  // stderr) when there is no screen or the file cannot be written.
  bool Screenshot(const std::string& path);
  TScreenManager* ScreenMan() { return Screen_.get(); }

  // The window's cursors, for the stage's input step (none: the cursor is
  // left alone); set before the stage is made. Not owned.
  void SetCursors(Cursors* cursors) { Cursors_ = cursors; }

  TProject* Project() { return Project_.get(); }
  TBrioCollection* ImageCache() { return ImageCache_.get(); }
  TCallMan* CallMan() { return CallMan_.get(); }

 private:
  Display& Display_;
  Cursors* Cursors_ = nullptr;
  TFormView* Form_ = nullptr;
  void EndLogo(TFormView& form);
  // The stage's cursor files, from the game data once the form is known.
  class TFormFiles : public TStageFiles {
   public:
    explicit TFormFiles(TGameRuntime& runtime) : Runtime_(runtime) {}
    void Load(std::string_view name, TStream& out) override;

   private:
    TGameRuntime& Runtime_;
  };
  int LogoSourceIndex_ = -1;
  uint64_t LogoId_ = 0;
  uint32_t LogoStartMs_ = 0;
  // Declared before the stage: the stage's images release into it.
  std::unique_ptr<TBrioCollection> ImageCache_;
  // The program's glyph cache and what the text engines ask of the game.
  std::unique_ptr<FontBackend> FontBackend_;
  std::unique_ptr<TFontPixelManager> Fonts_;
  TGameWordHost WordHost_;
  TFormFiles StageFiles_{*this};
  // The transitions of Flip; rule images come from the game data.
  TWipeMaker Wipes_;
  // The films of motion files, read as the stage's files.
  std::unique_ptr<TFilmMotionLoader> Motions_;
  // What the stage's objects use; filled as the parts come up (the
  // variables and messages with the project, the screen with the media).
  TStageServices Services_;
  // The messages of the interpreter's pages (its interpreter comes with
  // the project), the message history and the read marks: made with the
  // stage, and they outlive it.
  TPageMessageStore Messages_;
  std::unique_ptr<TOpalHistoryFormatManager> History_;
  std::unique_ptr<TOpalReadList> ReadMarks_;
  std::unique_ptr<TOpalBaseList> Stage_;
  std::unique_ptr<TScreenManager> Screen_;
  std::unique_ptr<TProject> Project_;
  std::unique_ptr<TCallMan> CallMan_;
  TCallMan* Calls_ = nullptr;  // what the system variables ask; null without an interpreter
  std::unique_ptr<TCallManSysVars> SysVars_;
};

}  // namespace opal

#include "shell/game_runtime.h"

#include <exception>

#include "common/cp932.h"
#include "common/diagnostics.h"
#include "common/trace.h"
#include "components/image_components.h"
#include "components/opal_mes.h"
#include "history/history_format.h"
#include "history/read_list.h"
#include "scenario/history_funcs.h"
#include "raster/png_writer.h"
#include "expr/param_collection.h"
#include "scenario/messages.h"

namespace opal {

bool TGameRuntime::CreateProject(TFormView& form) {
  Form_ = &form;
  TProjectEnvironment env;
  env.Files = &form.Files();
  env.Vars = form.ParamMan();
  env.Boxes = &form.Boxes();
  env.ExeFolder = form.ExecutableFolder();
  env.Args = form.Args();
  Project_ = std::make_unique<TProject>(env);
  TRunState& run = form.State();
  SysVars_ = std::make_unique<TCallManSysVars>(Calls_, run);
  // The functions go with the function table, before the stage's history.
  if (form.ParamMan()->SysFuncs != nullptr)
    RegisterHistoryFuncs(*form.ParamMan()->SysFuncs, [this] { return History_.get(); });
  form.ParamMan()->SysVarHost = SysVars_.get();
  if (!Project_->Create()) {
    form.StartFailed(Project_->LastError);
    run.TerminateRequested = true;
    return true;  // the project exists; it only failed to start
  }
  if (ImageCache_ != nullptr) ImageCache_->Seed = Project_->ImageTileSeed;
  Wipes_.Context.Seed = Project_->ImageTileSeed;
  Wipes_.Random = TWipeRandom(form.RandomSeed);
  Services_.Vars = form.ParamMan();
  CallMan_ = std::make_unique<TCallMan>(form.Files(), *form.ParamMan(), run, *this);
  // A restored message window and the history find their messages on the
  // scenario pages.
  Messages_.SetCalls(CallMan_.get());
  WordHost_.Vars = form.ParamMan();
  Calls_ = CallMan_.get();
  try {
    CallMan_->StartPage(Project_->StartPage);
  } catch (const std::exception& e) {  // a page too old to play says so in its message
    form.Boxes().Show(e.what(), msg::kWarning, TMsgButtons::Ok, TMsgIcon::Warning);
    form.StartFailed(e.what());
    run.TerminateRequested = true;
  }
  run.TerminateRequested = run.TerminateRequested || Project_->TerminateRequested;
  return true;
}

void TGameRuntime::InitStage() {
  ImageCache_ = std::make_unique<TBrioCollection>();
  // The project and the file manager come later; the cache asks them when
  // it decodes.
  ImageCache_->Knows = [this](std::string_view name) {
    if (Project_ != nullptr) return Project_->EnsureAvailable(name);
    return Form_ != nullptr && Form_->Files().Exists(name);
  };
  ImageCache_->Reader = [this](std::string_view name, TStream& out) {
    if (Form_ != nullptr) Form_->Files().LoadToStream(out, name);
  };
  FontBackend_ = CreateFreeTypeFontBackend();
  Fonts_ = std::make_unique<TFontPixelManager>(*FontBackend_);
  WordHost_.Reader = [this](const std::string& name, TStream& out) {
    if (Form_ == nullptr || !Form_->Files().Exists(name)) return false;
    Form_->Files().LoadToStream(out, name);
    return true;
  };
  Services_.ImageCache = ImageCache_.get();
  Services_.CursorDevice = Cursors_;
  Services_.Files = &StageFiles_;
  Services_.Fonts = Fonts_.get();
  Services_.WordHost = &WordHost_;
  Wipes_.Context.Files = &StageFiles_;
  Wipes_.Context.Warn = [](const std::string& message) { ReportError(message); };
  Services_.Wipes = &Wipes_;
  // A motion film that cannot be read is reported; its control goes without.
  Motions_ = std::make_unique<TFilmMotionLoader>(StageFiles_, ImageCache_.get(), [](const std::string& message) { ReportError(message); });
  Services_.Motions = Motions_.get();
  Services_.Messages = &Messages_;
  Services_.MessagePages = &Messages_;
  History_ = std::make_unique<TOpalHistoryFormatManager>(TOpalHistoryContext{Fonts_.get(), &WordHost_, &Messages_});
  ReadMarks_ = std::make_unique<TOpalReadList>();
  Services_.History = History_.get();
  Services_.ReadMarks = ReadMarks_.get();
  Stage_ = std::make_unique<TOpalBaseList>(Services_);
  RegisterImageComponents(*Stage_);
  RegisterMessageComponents(*Stage_);
}

// The screen manager comes only with a positive project size; the stage then
// composes into its screen buffer, at its depth.
void TGameRuntime::MediaInit() {
  if (Project_ == nullptr || Project_->Width <= 0 || Project_->Height <= 0 || Stage_ == nullptr) return;
  Screen_ = std::make_unique<TScreenManager>(Display_, Project_->Width, Project_->Height, Project_->FullScreenWidth,
                                             Project_->FullScreenHeight);
  if (Form_ != nullptr) Form_->ScreenMan = Screen_.get();
  RecreatePixels();
}

void TGameRuntime::ReleasePixels() {
  if (Stage_ != nullptr) Stage_->ReleasePixels();
  if (ImageCache_ != nullptr) ImageCache_->ReleasePixels();
}

void TGameRuntime::RecreatePixels() {
  if (Stage_ == nullptr || Screen_ == nullptr) return;
  Stage_->BitCount = Screen_->ScreenBitCount;
  // The objects show the cache's frames: those are decoded again first.
  if (ImageCache_ != nullptr) {
    ImageCache_->ScreenBitCount = Screen_->ScreenBitCount;
    ImageCache_->RecreatePixels();
  }
  Services_.Screen = Screen_->ScreenBuffer.get();
  if (Stage_->Width() == Screen_->Width && Stage_->Height() == Screen_->Height) {
    Stage_->RecreatePixels();
  } else {
    Stage_->SetSize(Screen_->Width, Screen_->Height);
  }
}

void TGameRuntime::BeginInputFrame() {
  if (Stage_ != nullptr && Form_ != nullptr) Stage_->InputStep(Form_->State().FrameDeltaMs);
}

void TGameRuntime::RunInterpreter() {
  if (CallMan_ != nullptr) CallMan_->RunStep();
}

void TGameRuntime::AdvanceStage() {
  if (Stage_ == nullptr || Form_ == nullptr) return;
  // What fails while the objects move is reported at the command the
  // interpreter stands at.
  const TSourcePosScope at(CallMan_ != nullptr ? CallMan_->Position() : TSourcePos{});
  Stage_->Update(Form_->State().FrameDeltaMs);
}

void TGameRuntime::ComposeAndPresent() {
  if (Stage_ == nullptr || Screen_ == nullptr || Services_.Screen == nullptr) return;
  Stage_->Draw();
  Screen_->Present(Stage_->PresentRects(), {});
  Stage_->ClearDirty();
}

bool TGameRuntime::Screenshot(const std::string& path) {
  if (Screen_ == nullptr || Screen_->ScreenBuffer == nullptr) {
    ReportError("no screen to take " + cp932::FromUtf8(path) + " from");
    return false;
  }
  try {
    // What the window shows: black until something was presented.
    TDIBX presented;
    if (!Display_.CopyPresented(presented)) {
      presented.SetSize(Screen_->Width, Screen_->Height, 32);
      presented.Clear(0);
    }
    SavePng(presented, path);
  } catch (const std::exception& e) {
    ReportError(e.what());
    return false;
  }
  return true;
}

void TGameRuntime::MouseDown(TPointerButton button) {
  if (Stage_ == nullptr) return;
  static constexpr TMouseButton kButtons[] = {TMouseButton::Left, TMouseButton::Right, TMouseButton::Middle};
  Stage_->MouseDown(kButtons[static_cast<int>(button)]);
}

void TGameRuntime::MouseUp() {
  if (Stage_ != nullptr) Stage_->MouseUp();
}

void TGameRuntime::MouseMove(int32_t x, int32_t y) {
  if (Stage_ != nullptr) Stage_->MouseMove(x, y);
}

void TGameRuntime::WheelDown() {
  if (Stage_ != nullptr) Stage_->WheelDown();
}

void TGameRuntime::WheelUp() {
  if (Stage_ != nullptr) Stage_->WheelUp();
}

void TGameRuntime::KeyDown(int32_t code) {
  if (Stage_ != nullptr) Stage_->KeyDown(code);
}

void TGameRuntime::KeyUp(int32_t code) {
  if (Stage_ != nullptr) Stage_->KeyUp(code);
}

void TGameRuntime::ClearInput() {
  if (Stage_ != nullptr) Stage_->ClearInput();
}

// The read marks, the history formats, the stage, the image cache, each
// after its step. The windows keep no pointer into the marks or the
// history beyond their services.
void TGameRuntime::FreeStage() {
  Trace().Step("TextRead.Free");
  Services_.ReadMarks = nullptr;
  ReadMarks_.reset();
  Trace().Step("TextHistoryFormats.Free");
  Services_.History = nullptr;
  History_.reset();
  Trace().Step("Bases.Free");
  Stage_.reset();
  Services_ = TStageServices{};
  Trace().Step("BrioMan.Free");
  ImageCache_.reset();
}

void TGameRuntime::MediaFinal() {
  if (Form_ != nullptr) Form_->ScreenMan = nullptr;
  Services_.Screen = nullptr;
  Screen_.reset();
}

void TGameRuntime::FreeProject() {
  if (Project_ != nullptr && CallMan_ != nullptr && !Project_->ClosingPage.empty()) {
    TRunState& run = Form_->State();
    try {
      CallMan_->StartPage(Project_->ClosingPage);
      run.TerminateRequested = false;
      CallMan_->RunStep();
    } catch (const std::exception& e) {
      ReportError(std::string("closing page: ") + e.what());
    }
    run.TerminateRequested = true;
  }
  // The status data is saved here once saving exists.
  if (Form_ != nullptr && Form_->ParamMan() != nullptr) Form_->ParamMan()->SysVarHost = nullptr;
  Calls_ = nullptr;
  Messages_.SetCalls(nullptr);
  CallMan_.reset();
  Project_.reset();
}

void TGameRuntime::TFormFiles::Load(std::string_view name, TStream& out) {
  if (Runtime_.Form_ != nullptr) Runtime_.Form_->Files().LoadToStream(out, name);
}

bool TGameRuntime::EnsureAvailable(std::string_view page) {
  return Project_ != nullptr && Project_->EnsureAvailable(page);
}

std::string TGameRuntime::ObjectNameById(uint64_t id) {
  const TOpalObject* obj = Stage_ != nullptr && id != 0 ? Stage_->ById(id) : nullptr;
  return obj != nullptr ? obj->Name() : std::string();
}

namespace {
constexpr uint8_t kSysFullScr = 26, kSysCGDither = 31, kSysDisplayModeCount = 37,
                  kSysDisplayModeIndex = 38, kSysTitle = 39;
}  // namespace

bool TGameRuntime::ReadSysVar(uint8_t id, TSysValue& out) {
  switch (id) {
    case kSysFullScr: out.Flag = Screen_ != nullptr && Screen_->FullScreenActive; return true;
    case kSysCGDither: out.Flag = ImageCache_ != nullptr && ImageCache_->DepthMode() != 0; return true;
    case kSysDisplayModeCount: out.Int = Screen_ != nullptr ? Screen_->ModeCount() : 0; return true;
    case kSysDisplayModeIndex: out.Int = Screen_ != nullptr ? Screen_->ChosenModeIndex : -1; return true;
    case kSysTitle: out.Str = Project_ != nullptr ? Project_->Title : ""; return true;
    default: return false;
  }
}

bool TGameRuntime::WriteSysVar(uint8_t id, const TSysValue& value) {
  switch (id) {
    case kSysFullScr:
      // Runs inside the frame step that executes the write.
      if (Form_ != nullptr) Form_->SetFullScreen(value.Flag);
      return true;
    case kSysCGDither: {
      const uint8_t mode = value.Flag ? 1 : 0;
      if (ImageCache_ == nullptr || ImageCache_->DepthMode() == mode) return true;
      ImageCache_->SetDepthMode(mode);
      if (Stage_ != nullptr)
        for (int32_t b = 0; b < 2; ++b) Stage_->BaseAt(b)->MarkAllDirty();
      return true;
    }
    case kSysDisplayModeIndex:
      // Any integer is kept (a negative one meaning none); the switch uses
      // only an index inside the mode list.
      if (Screen_ != nullptr) Screen_->ChosenModeIndex = value.Int < 0 ? -1 : value.Int;
      if (Form_ != nullptr) Form_->ApplyScreenMode();
      return true;
    case kSysDisplayModeCount:
    case kSysTitle: return true;  // read only
    default: return false;
  }
}

void TGameRuntime::PostClose() {
  if (Form_ != nullptr) Form_->PostClose();
}

}  // namespace opal

#include "shell/game_runtime.h"

#include <exception>

#include "common/cp932.h"
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
  form.ParamMan()->SysVarHost = SysVars_.get();
  if (!Project_->Create()) {
    if (!Project_->LastError.empty()) std::fprintf(stderr, "opalplay: %s\n", cp932::ToUtf8(Project_->LastError).c_str());
    run.TerminateRequested = true;
    return true;  // the project exists; it only failed to start
  }
  CallMan_ = std::make_unique<TCallMan>(form.Files(), *form.ParamMan(), run, *this);
  Calls_ = CallMan_.get();
  try {
    CallMan_->StartPage(Project_->StartPage);
  } catch (const EPageTooOld& e) {
    form.Boxes().Show(e.what(), msg::kWarning, TMsgButtons::Ok, TMsgIcon::Warning);
    run.TerminateRequested = true;
  } catch (const std::exception& e) {
    form.Boxes().Show(e.what(), msg::kWarning, TMsgButtons::Ok, TMsgIcon::Warning);
    run.TerminateRequested = true;
  }
  run.TerminateRequested = run.TerminateRequested || Project_->TerminateRequested;
  return true;
}

void TGameRuntime::RunInterpreter() {
  if (CallMan_ != nullptr) CallMan_->RunStep();
}

void TGameRuntime::FreeProject() {
  if (Project_ != nullptr && CallMan_ != nullptr && !Project_->ClosingPage.empty()) {
    TRunState& run = Form_->State();
    try {
      CallMan_->StartPage(Project_->ClosingPage);
      run.TerminateRequested = false;
      CallMan_->RunStep();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "opalplay: %s\n", cp932::ToUtf8(e.what()).c_str());
    }
    run.TerminateRequested = true;
  }
  // The status data is saved here once saving exists.
  if (Form_ != nullptr && Form_->ParamMan() != nullptr) Form_->ParamMan()->SysVarHost = nullptr;
  Calls_ = nullptr;
  CallMan_.reset();
  Project_.reset();
}

bool TGameRuntime::EnsureAvailable(std::string_view page) {
  return Project_ != nullptr && Project_->EnsureAvailable(page);
}

void TGameRuntime::PostClose() {
  if (Form_ != nullptr) Form_->PostClose();
}

}  // namespace opal

// TGameRuntime: the runtime parts of a player that runs a game: the project,
// the interpreter on its start page, and the event queue that the stage
// will own. What has no part yet keeps the empty defaults.
#pragma once

#include <memory>
#include <string>

#include "scenario/call_man.h"
#include "scenario/call_sys_vars.h"
#include "scenario/project.h"
#include "shell/form_view.h"
#include "stage/timer_list.h"

namespace opal {

class TGameRuntime : public TRuntimeParts, public TCallManHost {
 public:
  TGameRuntime() = default;

  // TRuntimeParts
  bool CreateProject(TFormView& form) override;
  void RunInterpreter() override;
  void FreeProject() override;

  // TCallManHost
  bool EnsureAvailable(std::string_view page) override;
  TTimerList* Events() override { return &Events_; }
  void PostClose() override;

  TProject* Project() { return Project_.get(); }
  TCallMan* CallMan() { return CallMan_.get(); }

 private:
  TFormView* Form_ = nullptr;
  std::unique_ptr<TProject> Project_;
  std::unique_ptr<TCallMan> CallMan_;
  TCallMan* Calls_ = nullptr;  // what the system variables ask; null without an interpreter
  std::unique_ptr<TCallManSysVars> SysVars_;
  TTimerList Events_;
};

}  // namespace opal

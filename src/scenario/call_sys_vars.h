// The system variables the interpreter answers: the running call's result
// (@Result), its arguments (@ParamCount, @ParamStr), its sender (@Sender),
// the game clock (@TickCount), and the stage's mouse and key records
// (@LClick, @RClick, @LPush, @RPush, @MouseX, @MouseY, @KeyPush, @KeyClick,
// @KeyRepeat), and the stage's focus (@ActiveCompo). The interpreter's host
// answers the window's and the image cache's (TCallManHost::ReadSysVar).
// Every other id reads its default until the part of the player that owns
// it answers it.
#pragma once

#include "common/run_state.h"
#include "expr/sys_vars.h"

namespace opal {

class TCallMan;
class TOpalBaseList;

class TCallManSysVars : public TSysVarHost {
 public:
  TCallManSysVars(TCallMan*& calls, TRunState& run) : Calls_(calls), Run_(run) {}
  void Read(uint8_t id, TSysValue& out) override;
  void Write(uint8_t id, const TSysValue& value) override;
  int32_t ArrayCount(uint8_t id) override;
  bool ReadFlagAt(uint8_t id, int32_t index) override;
  std::string ReadStrAt(uint8_t id, int32_t index) override;
  TCustomParam* ResultValue() override;

 private:
  TOpalBaseList* Stage() const;
  static void FocusByName(TOpalBaseList& stage, const std::string& name);
  TCallMan*& Calls_;  // the interpreter, once there is one
  TRunState& Run_;
};

}  // namespace opal

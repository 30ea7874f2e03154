#include "scenario/call_sys_vars.h"

#include "history/history_format.h"
#include "scenario/call_man.h"
#include "stage/base_list.h"
#include "stage/opal_base.h"
#include "stage/opal_control.h"

namespace opal {

namespace {
constexpr uint8_t kSysParamCount = 9;
constexpr uint8_t kSysSender = 11;
constexpr uint8_t kSysTickCount = 14;
constexpr uint8_t kSysLClick = 1, kSysRClick = 2, kSysLPush = 3, kSysRPush = 4, kSysMouseX = 5, kSysMouseY = 6;
constexpr uint8_t kSysActiveCompo = 41;
constexpr uint8_t kSysHistoryCount = 8, kSysHistoryMaxCount = 43;
constexpr int32_t kWheelDownIndex = 256, kWheelUpIndex = 257;
}  // namespace

TOpalBaseList* TCallManSysVars::Stage() const { return Calls_ != nullptr ? Calls_->Host.Stage() : nullptr; }

void TCallManSysVars::Read(uint8_t id, TSysValue& out) {
  if (Calls_ != nullptr && Calls_->Host.ReadSysVar(id, out)) return;
  switch (id) {
    case kSysParamCount: out.Int = Calls_ != nullptr ? Calls_->ArgCount() : 0; break;
    case kSysSender: out.Str = Calls_ != nullptr ? Calls_->SenderName() : ""; break;
    case kSysTickCount: out.Int = static_cast<int32_t>(Run_.GameTimeMs); break;
    default: break;
  }
  TOpalBaseList* stage = Stage();
  if (stage == nullptr) return;
  const TMouseState& m = stage->ActiveBase()->Mouse;
  switch (id) {
    case kSysLClick: out.Flag = m.LeftNow; break;
    case kSysRClick: out.Flag = m.RightNow; break;
    case kSysLPush: out.Flag = m.LeftHeld; break;
    case kSysRPush: out.Flag = m.RightHeld; break;
    case kSysMouseX: out.Int = m.PointerX; break;
    case kSysMouseY: out.Int = m.PointerY; break;
    case kSysActiveCompo: out.Str = stage->Focus != nullptr ? stage->Focus->Name() : ""; break;
    default: break;
  }
  // The default history: its size (clamped to int32) and MaxCount.
  if (const TOpalHistoryFormatManager* history = stage->Services().History) {
    if (id == kSysHistoryCount) out.Int = HistoryCountOf(&history->DefaultFormat());
    if (id == kSysHistoryMaxCount) out.Int = history->DefaultFormat().History().MaxCount;
  }
}

// The focus goes to a named control that could take it: shown, handling
// keys, not paused and not closing.
void TCallManSysVars::FocusByName(TOpalBaseList& stage, const std::string& name) {
  if (name.empty()) return;
  TOpalControl* c = stage.FindControl(name);
  if (c == nullptr || !c->Visible() || !c->HandleKey || c->Paused() || c->Closing()) return;
  stage.SetFocus(c);
}

void TCallManSysVars::Write(uint8_t id, const TSysValue& value) {
  if (Calls_ != nullptr && Calls_->Host.WriteSysVar(id, value)) return;
  if (Calls_ != nullptr && id == kSysMouseX) Calls_->Host.SetCursorX(value.Int);
  if (Calls_ != nullptr && id == kSysMouseY) Calls_->Host.SetCursorY(value.Int);
  TOpalBaseList* stage = Stage();
  if (stage == nullptr) return;
  TMouseState& m = stage->ActiveBase()->Mouse;
  if (id == kSysLClick) m.LeftNow = value.Flag;
  if (id == kSysRClick) m.RightNow = value.Flag;
  if (id == kSysActiveCompo) FocusByName(*stage, value.Str);
  if (id == kSysHistoryMaxCount && stage->Services().History != nullptr)
    stage->Services().History->DefaultFormat().History().MaxCount = value.Int;
}

bool TCallManSysVars::ReadFlagAt(uint8_t id, int32_t index) {
  TOpalBaseList* stage = Stage();
  if (stage == nullptr || index < 0 || index > kWheelUpIndex) return false;
  const TMouseState& m = stage->ActiveBase()->Mouse;
  if (index == kWheelDownIndex) return m.WheelDownNow;
  if (index == kWheelUpIndex) return m.WheelUpNow;
  switch (id) {
    case kSysKeyPush: return stage->Keys.Held(index);
    case kSysKeyClick: return stage->Keys.PressedSincePreviousStep(index);
    case kSysKeyRepeat: return stage->Keys.RepeatedAtPreviousStep(index);
    default: return false;
  }
}

int32_t TCallManSysVars::ArrayCount(uint8_t id) {
  return id == kSysParamStr && Calls_ != nullptr ? Calls_->ArgCount() : 0;
}

std::string TCallManSysVars::ReadStrAt(uint8_t id, int32_t index) {
  return id == kSysParamStr && Calls_ != nullptr ? Calls_->Arg(index) : "";
}

TCustomParam* TCallManSysVars::ResultValue() { return Calls_ != nullptr ? Calls_->CallResult() : nullptr; }

}  // namespace opal

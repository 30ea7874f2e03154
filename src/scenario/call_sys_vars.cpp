#include "scenario/call_sys_vars.h"

#include "scenario/call_man.h"

namespace opal {

namespace {
constexpr uint8_t kSysParamCount = 9;
constexpr uint8_t kSysSender = 11;
constexpr uint8_t kSysTickCount = 14;
}  // namespace

void TCallManSysVars::Read(uint8_t id, TSysValue& out) {
  switch (id) {
    case kSysParamCount: out.Int = Calls_ != nullptr ? Calls_->ArgCount() : 0; break;
    case kSysSender: out.Str = Calls_ != nullptr ? Calls_->SenderName() : ""; break;
    case kSysTickCount: out.Int = static_cast<int32_t>(Run_.GameTimeMs); break;
    default: break;
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

#include "expr/sys_vars.h"

#include <numbers>

#include "common/error.h"
#include "expr/convert.h"
#include "expr/messages.h"
#include "expr/param_collection.h"

namespace opal {

const std::array<TSysVarInfo, kSysVarCount> kSysVarTable = {{
    {"@Result", 0},          {"@LClick", 3},         {"@RClick", 3},        {"@LPush", 3},
    {"@RPush", 3},           {"@MouseX", 1},         {"@MouseY", 1},        {"@TextDelay", 1},
    {"@HistoryCount", 1},    {"@ParamCount", 1},     {"@ParamStr", 4},      {"@Sender", 4},
    {"@ScrWidth", 1},        {"@ScrHeight", 1},      {"@TickCount", 1},     {"@PCTickCount", 1},
    {"@UpdateCount", 1},     {"@Year", 1},           {"@Month", 1},         {"@Day", 1},
    {"@Week", 1},            {"@Hour", 1},           {"@Min", 1},           {"@Sec", 1},
    {"@Fonts", 4},           {"@FixedFonts", 4},     {"@FullScr", 3},       {"@Cursor", 4},
    {"@SelStr", 4},          {"@SelIndex", 1},       {"@Pi", 2},            {"@CGDither", 3},
    {"@1Hour", 2},           {"@1Min", 2},           {"@1Sec", 2},          {"@KeyPush", 3},
    {"@KeyClick", 3},        {"@DisplayModeCount", 1}, {"@DisplayModeIndex", 1}, {"@Title", 4},
    {"@SoundON", 3},         {"@ActiveCompo", 4},    {"@KeyRepeat", 3},     {"@HistoryMaxCount", 1},
    {"@Temp", 0},            {"@MidiPort", 4},       {"@MidiPorts", 4},     {"@WheelDown", 3},
    {"@WheelUp", 3},         {"@IsDebug", 3},
}};

namespace {

constexpr int32_t kKeyArraySize = 258;

}  // namespace

uint8_t TParamSystem::OwnType() const {
  if (Id_ >= kSysVarCount) throw EOpalError(msg::kInternal);
  return kSysVarTable[Id_].Type;
}

TCustomParam* TParamSystem::Forwarded() const {
  if (Table_ == nullptr) return nullptr;
  if (Id_ == kSysTemp) {
    if (Table_->TempTarget.empty()) return nullptr;
    TParamCollectionItem* target = Table_->FindVar(Table_->TempTarget);
    // @Temp aliasing itself would forward forever.
    return target && target->Value.get() != this ? target->Value.get() : nullptr;
  }
  return Table_->SysVarHost ? Table_->SysVarHost->ResultValue() : nullptr;
}

// The ids that the table or constants back; the rest ask the host.
TSysValue TParamSystem::ReadNative() const {
  TSysValue v;
  switch (Id_) {
    case kSysTextDelay: v.Int = Table_ ? Table_->TextDelay : 50; break;
    case kSysCursor: v.Str = Table_ ? Table_->CursorName : std::string(); break;
    case kSysSelStr: v.Str = Table_ ? Table_->SelStr : std::string(); break;
    case kSysSelIndex: v.Int = Table_ ? Table_->SelIndex : -1; break;
    case 30: v.Float = std::numbers::pi_v<Extended>; break;
    case 32: v.Float = 1.0L / 24; break;
    case 33: v.Float = 1.0L / 1440; break;
    case 34: v.Float = 1.0L / 86400; break;
    case 49: v.Flag = false; break;
    default:
      OwnType();
      if (Table_ && Table_->SysVarHost) Table_->SysVarHost->Read(Id_, v);
  }
  return v;
}

void TParamSystem::WriteNative(const TSysValue& v) {
  switch (Id_) {
    case kSysTextDelay: if (Table_) Table_->TextDelay = v.Int; break;
    case kSysCursor: if (Table_) Table_->CursorName = v.Str; break;
    case kSysSelStr: if (Table_) Table_->SelStr = v.Str; break;
    case kSysSelIndex: if (Table_) Table_->SelIndex = v.Int; break;
    case 30: case 32: case 33: case 34: case 49: break;
    default:
      OwnType();
      if (Table_ && Table_->SysVarHost) Table_->SysVarHost->Write(Id_, v);
  }
}

int32_t TParamSystem::Count() const {
  if (IsForwarding()) {
    const TCustomParam* f = Forwarded();
    return f ? f->Count() : 1;
  }
  if (IsKeyArray()) return kKeyArraySize;
  if (Id_ == kSysParamStr || Id_ == kSysMidiPorts) {
    return Table_ && Table_->SysVarHost ? Table_->SysVarHost->ArrayCount(Id_) : 0;
  }
  return 1;
}

void TParamSystem::SetCount(int32_t n) {
  if (TCustomParam* f = IsForwarding() ? Forwarded() : nullptr) f->SetCount(n);
}

uint8_t TParamSystem::ValueType() const {
  if (IsForwarding()) {
    const TCustomParam* f = Forwarded();
    return f ? f->ValueType() : kTagVar;
  }
  return OwnType();
}

int32_t TParamSystem::AsInteger() const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->AsInteger() : 0;
  if (IsKeyArray()) return 0;
  const TSysValue v = ReadNative();
  switch (OwnType()) {
    case kTagInt: return v.Int;
    case kTagFloat: return conv::FloatToInt(v.Float);
    case kTagFlag: return v.Flag ? 1 : 0;
    default: return conv::ParseInt(v.Str).value_or(0);
  }
}

Extended TParamSystem::AsFloat() const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->AsFloat() : 0;
  if (IsKeyArray()) return 0;
  const TSysValue v = ReadNative();
  switch (OwnType()) {
    case kTagInt: return v.Int;
    case kTagFloat: return v.Float;
    case kTagFlag: return v.Flag ? 1 : 0;
    default: return conv::ParseFloat(v.Str).value_or(0);
  }
}

bool TParamSystem::AsFlag() const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->AsFlag() : false;
  if (IsKeyArray()) return false;
  const TSysValue v = ReadNative();
  switch (OwnType()) {
    case kTagInt: return v.Int != 0;
    case kTagFloat: return v.Float != 0;
    case kTagFlag: return v.Flag;
    default: return !v.Str.empty();  // unlike ordinary strings
  }
}

std::string TParamSystem::AsString() const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->AsString() : std::string();
  if (IsKeyArray()) return conv::FlagToStr(false);
  if (Id_ == kSysParamStr) return {};
  if (Id_ == kSysMidiPorts) return Count() > 0 ? Table_->SysVarHost->ReadStrAt(Id_, 0) : std::string();
  const TSysValue v = ReadNative();
  switch (OwnType()) {
    case kTagInt: return conv::IntToStr(v.Int);
    case kTagFloat: return conv::FloatToStr(v.Float);
    case kTagFlag: return conv::FlagToStr(v.Flag);
    default: return v.Str;
  }
}

void TParamSystem::SetAsInteger(int32_t x) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetAsInteger(x);
    return;
  }
  TSysValue v;
  v.Int = x;
  v.Float = x;
  v.Flag = x != 0;
  v.Str = conv::IntToStr(x);
  WriteNative(v);
}

void TParamSystem::SetAsFloat(Extended x) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetAsFloat(x);
    return;
  }
  TSysValue v;
  v.Int = conv::FloatToInt(x);
  v.Float = x;
  v.Flag = x != 0;
  v.Str = conv::FloatToStr(x);
  WriteNative(v);
}

void TParamSystem::SetAsFlag(bool b) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetAsFlag(b);
    return;
  }
  TSysValue v;
  v.Int = b ? 1 : 0;
  v.Float = b ? 1 : 0;
  v.Flag = b;
  v.Str = conv::FlagToStr(b);
  WriteNative(v);
}

void TParamSystem::SetAsString(std::string_view s) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetAsString(s);
    return;
  }
  TSysValue v;
  v.Str = std::string(s);
  switch (OwnType()) {
    case kTagInt: {
      const auto parsed = conv::ParseInt(s);
      if (!parsed) return;  // the variable keeps its value
      v.Int = *parsed;
      break;
    }
    case kTagFloat: {
      const auto parsed = conv::ParseFloat(s);
      if (!parsed) return;
      v.Float = *parsed;
      break;
    }
    case kTagFlag: v.Flag = conv::ParseInt(s).value_or(0) != 0; break;
    default: break;
  }
  WriteNative(v);
}

int32_t TParamSystem::GetInt(int32_t i) const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->GetInt(i) : 0;
  if (IsKeyArray()) return GetFlag(i) ? 1 : 0;
  if (Id_ == kSysParamStr || Id_ == kSysMidiPorts) return conv::ParseInt(GetStr(i)).value_or(0);
  return AsInteger();
}

Extended TParamSystem::GetFloat(int32_t i) const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->GetFloat(i) : 0;
  if (IsKeyArray()) return GetFlag(i) ? 1 : 0;
  if (Id_ == kSysParamStr || Id_ == kSysMidiPorts) return conv::ParseFloat(GetStr(i)).value_or(0);
  return AsFloat();
}

bool TParamSystem::GetFlag(int32_t i) const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->GetFlag(i) : false;
  if (IsKeyArray()) {
    if (i < 0 || i >= kKeyArraySize || !Table_ || !Table_->SysVarHost) return false;
    return Table_->SysVarHost->ReadFlagAt(Id_, i);
  }
  if (Id_ == kSysParamStr || Id_ == kSysMidiPorts) return !GetStr(i).empty();
  return AsFlag();
}

std::string TParamSystem::GetStr(int32_t i) const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->GetStr(i) : std::string();
  if (IsKeyArray()) return conv::FlagToStr(GetFlag(i));
  if (Id_ == kSysParamStr || Id_ == kSysMidiPorts) {
    if (i < 0 || i >= Count()) throw EOpalError(msg::kBadSubscript);
    return Table_->SysVarHost->ReadStrAt(Id_, i);
  }
  return AsString();
}

void TParamSystem::SetInt(int32_t i, int32_t v) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetInt(i, v);
  } else if (!IsKeyArray()) {
    SetAsInteger(v);
  }
}

void TParamSystem::SetFloat(int32_t i, Extended x) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetFloat(i, x);
  } else if (!IsKeyArray()) {
    SetAsFloat(x);
  }
}

void TParamSystem::SetFlag(int32_t i, bool b) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetFlag(i, b);
  } else if (!IsKeyArray()) {
    SetAsFlag(b);
  }
}

void TParamSystem::SetStr(int32_t i, std::string_view s) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetStr(i, s);
  } else if (!IsKeyArray()) {
    SetAsString(s);
  }
}

int32_t TParamSystem::DimCount() const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->DimCount() : 1;
  return Dims_.empty() ? 1 : static_cast<int32_t>(Dims_.size());
}

int32_t TParamSystem::DimSize(int32_t k) const {
  if (IsForwarding()) return Forwarded() ? Forwarded()->DimSize(k) : 1;
  return k == 0 ? Count() : 1;
}

void TParamSystem::SetDims(std::span<const int32_t> sizes) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->SetDims(sizes);
    return;
  }
  Dims_.assign(sizes.begin(), sizes.end());
}

void TParamSystem::FillInt(int32_t v) {
  if (TCustomParam* f = IsForwarding() ? Forwarded() : nullptr) f->FillInt(v);
}
void TParamSystem::FillFloat(Extended x) {
  if (TCustomParam* f = IsForwarding() ? Forwarded() : nullptr) f->FillFloat(x);
}
void TParamSystem::FillFlag(bool b) {
  if (TCustomParam* f = IsForwarding() ? Forwarded() : nullptr) f->FillFlag(b);
}
void TParamSystem::FillStr(std::string_view s) {
  if (TCustomParam* f = IsForwarding() ? Forwarded() : nullptr) f->FillStr(s);
}

void TParamSystem::CopyFrom(const TCustomParam& other) {
  if (IsForwarding()) {
    if (TCustomParam* f = Forwarded()) f->CopyFrom(other);
    return;
  }
  Dims_.clear();
  for (int32_t k = 0, n = other.DimCount(); k < n; ++k) Dims_.push_back(other.DimSize(k));
}

void TParamSystem::MakeScalar() {
  if (TCustomParam* f = IsForwarding() ? Forwarded() : nullptr) f->MakeScalar();
}

std::unique_ptr<TCustomParam> TParamSystem::Clone() const { return std::make_unique<TParamSystem>(Id_, Table_); }

}  // namespace opal

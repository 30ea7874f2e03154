// The stream form of operation lists.
#include "common/error.h"
#include "expr/opal_parser.h"
#include "storage/stream.h"

namespace opal {

namespace {

// Code, target length and operand count.
constexpr int64_t kMinRecordBytes = 1 + 4 + 4;
// A tag and the shortest payload (a boolean).
constexpr int64_t kMinOperandBytes = 2;

std::unique_ptr<TCustomParam> ReadOperand(TStream& s) {
  const uint8_t tag = ReadByte(s);
  switch (tag) {
    case kTagInt: {
      auto v = std::make_unique<TParamInt>();
      v->Items()[0] = ReadInt32(s);
      return v;
    }
    case kTagFloat: {
      auto v = std::make_unique<TParamFloat>();
      v->Items()[0] = ReadExtended(s);
      return v;
    }
    case kTagFlag: {
      auto v = std::make_unique<TParamFlag>();
      v->Items()[0] = ReadByte(s) != 0 ? 1 : 0;
      return v;
    }
    case kTagStr: {
      auto v = std::make_unique<TParamStr>();
      v->Items()[0] = ReadString(s);
      return v;
    }
    default: return std::make_unique<TParamVar>(ReadString(s));
  }
}

void WriteOperand(TStream& s, const TCustomParam& v) {
  if (const TParamVar* ref = v.AsVarRef()) {
    WriteByte(s, kTagVar);
    WriteString(s, ref->RefName);
    return;
  }
  const uint8_t tag = v.ValueType();
  WriteByte(s, tag);
  switch (tag) {
    case kTagInt: WriteInt32(s, v.AsInteger()); break;
    case kTagFloat: WriteExtended(s, v.AsFloat()); break;
    case kTagFlag: WriteByte(s, v.AsFlag() ? 1 : 0); break;
    default: WriteString(s, v.AsString()); break;
  }
}

}  // namespace

std::string OpeCodeName(uint8_t code) {
  static const char* const kNames[kOpeCodeCount] = {
      "ocNone",  "ocTo",    "ocPlus",  "ocMinus", "ocMul",    "ocDiv",    "ocMod",
      "ocOr",    "ocAnd",   "ocXor",   "ocDimTo", "ocFunc",   "ocEqual",  "ocBig",
      "ocSmall", "ocEBig",  "ocESmall", "ocShiftL", "ocShiftR", "ocComboStr", "ocNEqual"};
  return code < kOpeCodeCount ? kNames[code] : std::to_string(code);
}

void TOpalParser::Clear() {
  Ops.clear();
  Result_.reset();
  Error_.clear();
}

void TOpalParser::LoadFromStream(TStream& s) {
  const int32_t count = ReadInt32(s);
  if (count < 0 || count > s.Remaining() / kMinRecordBytes) {
    throw EFormatError(Format("operation list: %d records do not fit the data", count));
  }
  std::vector<TOpeData> ops;
  for (int32_t r = 0; r < count; ++r) {
    TOpeData op;
    op.Code = ReadByte(s);
    op.Target = ReadString(s);
    const int32_t n = ReadInt32(s);
    if (n < 0 || n > s.Remaining() / kMinOperandBytes) {
      throw EFormatError(Format("operation record %d: %d operands do not fit the data", r, n));
    }
    if (op.Code == ocFunc) op.FuncId = ReadByte(s);
    for (int32_t k = 0; k < n; ++k) op.Operands.push_back(ReadOperand(s));
    ops.push_back(std::move(op));
  }
  Clear();
  Ops = std::move(ops);
}

void TOpalParser::SaveToStream(TStream& s) const {
  WriteInt32(s, static_cast<int32_t>(Ops.size()));
  for (const TOpeData& op : Ops) {
    WriteByte(s, op.Code);
    WriteString(s, op.Target);
    WriteInt32(s, static_cast<int32_t>(op.Operands.size()));
    if (op.Code == ocFunc) WriteByte(s, op.FuncId);
    for (const auto& v : op.Operands) WriteOperand(s, *v);
  }
}

void TOpalParser::Assign(const TOpalParser& other) {
  if (&other == this) return;
  std::vector<TOpeData> ops;
  for (const TOpeData& src : other.Ops) {
    TOpeData op{src.Code, src.Target, src.FuncId, {}, {}};
    for (const auto& v : src.Operands) op.Operands.push_back(v->Clone());
    ops.push_back(std::move(op));
  }
  Clear();
  Ops = std::move(ops);
}

}  // namespace opal

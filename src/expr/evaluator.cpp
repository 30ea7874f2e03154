// Execution of operation lists against the variable table.
#include <array>
#include <span>
#include <cmath>

#include "common/error.h"
#include "expr/build_parser.h"
#include "expr/messages.h"
#include "expr/opal_parser.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "storage/stream.h"

namespace opal {

namespace {

// Calc and page-call returns may nest evaluations; deeper ones yield nothing.
constexpr int32_t kMaxExecuteDepth = 32;

constexpr std::string_view kTempPrefix = "____";
constexpr std::string_view kArgName = "____arg";

// Operands each code reads; shorter records fail instead of reading past them.
constexpr uint8_t kMinOperands[kOpeCodeCount] = {0, 1, 2, 2, 2, 2, 2, 2, 2, 2, 1, 0, 2, 2, 2, 2, 2, 2, 2, 2, 2};

bool IsTempName(std::string_view name) { return name.substr(0, kTempPrefix.size()) == kTempPrefix; }

using TTemp = TParamCollection::TTempVar;

// One record at work: its target and its bound operands.
struct TExec {
  TParamCollection& Vars;
  TOpeData& Op;
  TParamCollectionItem& Target;
  const TCustomParam& A() const { return *Op.Operands[0]; }
  const TCustomParam& B() const { return *Op.Operands[1]; }
  TCustomParam& T() const { return *Target.Value; }
  bool FloatTarget() const { return T().ValueType() == kTagFloat; }
};

[[noreturn]] void BadExpression(const TOpeData& op) {
  std::string text = std::string(msg::kBadExprHead) + op.Target + msg::kBadExprCode + OpeCodeName(op.Code);
  for (const auto& v : op.Operands) text += "\r\n" + v->AsString();
  throw EOpalError(text);
}

// Overflow and invalid operations end the evaluation like a zero divisor.
Extended CheckedFloat(Extended r) {
  if (!std::isfinite(r)) throw EOpalError("floating-point overflow or invalid operation");
  return r;
}

uint32_t U(int32_t v) { return static_cast<uint32_t>(v); }
int32_t S(uint32_t v) { return static_cast<int32_t>(v); }

void DoTo(TExec& e) {
  switch (e.T().ValueType()) {
    case kTagInt: e.T().SetAsInteger(e.A().AsInteger()); break;
    case kTagFloat: e.T().SetAsFloat(e.A().AsFloat()); break;
    case kTagFlag: e.T().SetAsFlag(e.A().AsFlag()); break;
    case kTagStr: e.T().SetAsString(e.A().AsString()); break;
    default: break;  // a target without a type is left alone
  }
}

void DoPlus(TExec& e) {
  if (e.FloatTarget()) return e.T().SetAsFloat(CheckedFloat(e.A().AsFloat() + e.B().AsFloat()));
  e.T().SetAsInteger(S(U(e.A().AsInteger()) + U(e.B().AsInteger())));
}

void DoMinus(TExec& e) {
  if (e.FloatTarget()) return e.T().SetAsFloat(CheckedFloat(e.A().AsFloat() - e.B().AsFloat()));
  e.T().SetAsInteger(S(U(e.A().AsInteger()) - U(e.B().AsInteger())));
}

void DoMul(TExec& e) {
  if (e.FloatTarget()) return e.T().SetAsFloat(CheckedFloat(e.A().AsFloat() * e.B().AsFloat()));
  e.T().SetAsInteger(S(U(e.A().AsInteger()) * U(e.B().AsInteger())));
}

[[noreturn]] void ZeroDivisor() { throw EOpalError("division by zero"); }

void DoDiv(TExec& e) {
  if (e.FloatTarget()) {
    const Extended b = e.B().AsFloat();
    if (b == 0) ZeroDivisor();
    return e.T().SetAsFloat(CheckedFloat(e.A().AsFloat() / b));
  }
  const int32_t a = e.A().AsInteger(), b = e.B().AsInteger();
  if (b == 0) ZeroDivisor();
  // INT_MIN / -1 wraps to INT_MIN, as two's complement arithmetic does.
  e.T().SetAsInteger(b == -1 ? S(0u - U(a)) : a / b);
}

void DoMod(TExec& e) {
  const int32_t a = e.A().AsInteger(), b = e.B().AsInteger();
  if (b == 0) ZeroDivisor();
  e.T().SetAsInteger(b == -1 ? 0 : a % b);
}

void DoOr(TExec& e) { e.T().SetAsInteger(e.A().AsInteger() | e.B().AsInteger()); }
void DoAnd(TExec& e) { e.T().SetAsInteger(e.A().AsInteger() & e.B().AsInteger()); }
void DoXor(TExec& e) { e.T().SetAsInteger(e.A().AsInteger() ^ e.B().AsInteger()); }
// The count is taken mod 32 in two's complement (a negative count too),
// as the processor's shift does.
void DoShiftL(TExec& e) { e.T().SetAsInteger(S(U(e.A().AsInteger()) << (U(e.B().AsInteger()) & 31))); }
void DoShiftR(TExec& e) { e.T().SetAsInteger(S(U(e.A().AsInteger()) >> (U(e.B().AsInteger()) & 31))); }

void DoComboStr(TExec& e) { e.T().SetAsString(e.A().AsString() + e.B().AsString()); }

// -1, 0, 1 by A's kind; unordered floats give 2, which no ordering matches.
int Compare(const TCustomParam& a, const TCustomParam& b) {
  switch (a.ValueType()) {
    case kTagStr: {
      const int c = a.AsString().compare(b.AsString());
      return (c > 0) - (c < 0);
    }
    case kTagFloat: {
      const Extended x = a.AsFloat(), y = b.AsFloat();
      if (x < y) return -1;
      if (x > y) return 1;
      return x == y ? 0 : 2;
    }
    case kTagFlag: return static_cast<int>(a.AsFlag()) - static_cast<int>(b.AsFlag());
    default: {
      const int32_t x = a.AsInteger(), y = b.AsInteger();
      return (x > y) - (x < y);
    }
  }
}

void DoEqual(TExec& e) { e.T().SetAsFlag(Compare(e.A(), e.B()) == 0); }
void DoNEqual(TExec& e) { e.T().SetAsFlag(Compare(e.A(), e.B()) != 0); }
void DoBig(TExec& e) { e.T().SetAsFlag(Compare(e.A(), e.B()) == 1); }
void DoSmall(TExec& e) { e.T().SetAsFlag(Compare(e.A(), e.B()) == -1); }
void DoEBig(TExec& e) {
  const int c = Compare(e.A(), e.B());
  e.T().SetAsFlag(c == 0 || c == 1);
}
void DoESmall(TExec& e) {
  const int c = Compare(e.A(), e.B());
  e.T().SetAsFlag(c == 0 || c == -1);
}

void DoDimTo(TExec&) {}  // bound when its temporary was made

void DoFunc(TExec& e) {
  if (e.Vars.SysFuncs == nullptr) throw EOpalError("no system functions");
  std::vector<TCustomParam*> args;
  args.reserve(e.Op.Operands.size());
  for (const auto& v : e.Op.Operands) args.push_back(v.get());
  e.Vars.SysFuncs->Call(e.Vars, e.Target, e.Op.FuncId, args);
}

using TOperation = void (*)(TExec&);
constexpr TOperation kOperations[kOpeCodeCount] = {
    nullptr, DoTo,    DoPlus,   DoMinus, DoMul,    DoDiv,    DoMod,    DoOr,       DoAnd,   DoXor,   DoDimTo,
    DoFunc,  DoEqual, DoBig,    DoSmall, DoEBig,   DoESmall, DoShiftL, DoShiftR,   DoComboStr, DoNEqual};

uint8_t TempType(const TOpeData& op) {
  switch (op.Code) {
    case ocTo: return op.Operands[0]->ValueType();
    case ocPlus: {
      const uint8_t a = op.Operands[0]->ValueType();
      return a == kTagStr || a == kTagFloat ? a : kTagInt;
    }
    case ocMinus:
    case ocMul:
    case ocDiv: return op.Operands[0]->ValueType() == kTagFloat ? kTagFloat : kTagInt;
    case ocEqual:
    case ocBig:
    case ocSmall:
    case ocEBig:
    case ocESmall:
    case ocNEqual: return kTagFlag;
    case ocComboStr: return kTagStr;
    case ocDimTo: return kTagVar;
    case ocFunc: {
      if (op.FuncId >= kSysFuncCount) return kTagInt;
      const uint8_t type = kSysFuncTable[op.FuncId].ResultType;
      if (type != kResultOfProperty) return type;
      const int32_t prop = op.Operands.size() >= 2 ? op.Operands[1]->AsInteger() : -1;
      if (prop < 0 || prop >= kPropertyCount) throw EOpalError(msg::kGetPropArg);
      return PropertyValueType(prop);
    }
    default: return kTagInt;  // ocMod, the bitwise operators and the shifts
  }
}

TParamCollectionItem* CreateTemp(TParamCollection& vars, TOpeData& op, std::vector<TTemp>& temps) {
  const uint8_t tag = TempType(op);
  TParamCollectionItem* t = nullptr;
  std::unique_ptr<TParamCollectionItem> spare = vars.TakeSpare();
  if (spare != nullptr && TParamCollection::IsValidVarName(op.Target)) {
    if (spare->Value == nullptr || spare->Value->ValueType() != tag || !spare->Value->ResetToNew()) {
      spare->Value = CreateValue(tag);
      if (spare->Value == nullptr) throw EFormatError(Format("unknown value type %u", tag));
    }
    t = vars.AddVar(std::move(spare), op.Target);
    temps.push_back({t, t->Id(), t->Index()});
  } else {
    vars.KeepSpare(std::move(spare));
    t = vars.AddVar(tag);
    temps.push_back({t, t->Id(), t->Index()});
    vars.NameVar(t, op.Target);
  }
  if (op.Code == ocDimTo) {
    const TParamVar* array = op.Operands[0]->AsVarRef();
    if (array == nullptr || array->Target() == nullptr) {
      throw EOpalError(Format(msg::kVarNotFound, op.Operands[0]->AsString().c_str()));
    }
    // Up to eight indices without an allocation.
    std::array<int32_t, 8> small{};
    std::vector<int32_t> large;
    const size_t n = op.Operands.size() - 1;
    int32_t* indices = small.data();
    if (n > small.size()) {
      large.resize(n);
      indices = large.data();
    }
    for (size_t k = 0; k < n; ++k) indices[k] = op.Operands[k + 1]->AsInteger();
    vars.BindElement(*t->Value->AsVarRef(), array->Target()->Name(), std::span<const int32_t>(indices, n));
  }
  return t;
}

// Unbinds every operand when the record ends, however it ends.
class TOperandBinding {
 public:
  explicit TOperandBinding(TOpeData& op) : Op_(op) {}
  ~TOperandBinding() {
    for (auto& v : Op_.Operands) {
      if (TParamVar* r = v->AsVarRef()) r->Unbind();
    }
  }
  TOperandBinding(const TOperandBinding&) = delete;
  TOperandBinding& operator=(const TOperandBinding&) = delete;

 private:
  TOpeData& Op_;
};

void ExecuteRecord(TParamCollection& vars, TOpeData& op, std::vector<TTemp>& temps) {
  TOperandBinding binding(op);
  for (auto& v : op.Operands) {
    if (TParamVar* r = v->AsVarRef()) r->Resolve(vars);
  }
  if (op.Code == ocNone || op.Code >= kOpeCodeCount) BadExpression(op);
  if (op.Operands.size() < kMinOperands[op.Code]) throw EOpalError("operation record with too few operands");
  TParamCollectionItem* target = vars.FindVar(op.Target, &op.TargetCache);
  if (target == nullptr && IsTempName(op.Target)) target = CreateTemp(vars, op, temps);
  if (target == nullptr) throw EOpalError(Format(msg::kVarNotFound, op.Target.c_str()));
  TExec e{vars, op, *target};
  kOperations[op.Code](e);
}

// Temporaries go in reverse order of creation. Each is looked up by pointer
// and id from its index downwards (deletions only move items down), so one
// that has already left the table is never touched.
void FreeTemps(TParamCollection& vars, size_t base) {
  std::vector<TTemp>& temps = vars.Temps;
  for (size_t k = temps.size(); k-- > base;) {
    const TTemp t = temps[k];
    for (int32_t i = std::min(t.Index, vars.Count() - 1); i >= 0; --i) {
      if (vars.Item(i) == t.Var && vars.Item(i)->Id() == t.Id) {
        vars.KeepSpare(vars.ExtractVar(i));
        break;
      }
    }
  }
  temps.resize(base);
}

}  // namespace

void TOpalParser::Execute(TParamCollection& vars) {
  Result_.reset();
  Error_.clear();
  if (vars.ExecuteDepth >= kMaxExecuteDepth) {
    Error_ = "expressions nest too deep";
    return;
  }
  ++vars.ExecuteDepth;
  const size_t base = vars.Temps.size();
  bool failed = false;
  try {
    for (TOpeData& op : Ops) ExecuteRecord(vars, op, vars.Temps);
  } catch (const std::exception& e) {
    // A failing record ends the list; its message is kept for callers that
    // report. The "____arg" record is last, so a failure anywhere leaves no
    // result, even when that record's own temporary was already made.
    failed = true;
    Error_ = e.what();
  }
  if (!failed && !Ops.empty() && Ops.back().Code == ocTo && Ops.back().Target == kArgName) {
    try {
      Result_ = vars.CopyVarValue(kArgName);
    } catch (const std::exception& e) {
      Result_.reset();
      Error_ = e.what();
    }
  }
  FreeTemps(vars, base);
  --vars.ExecuteDepth;
}

bool CompileText(std::string_view text, TOpalParser& out) {
  out.Clear();
  size_t b = 0, e = text.size();
  while (b < e && static_cast<uint8_t>(text[b]) <= ' ') ++b;
  while (e > b && static_cast<uint8_t>(text[e - 1]) <= ' ') --e;
  if (b == e) return false;
  try {
    TBuildOpalParser compiler;
    compiler.Build(text.substr(b, e - b));
    TMemoryStream stream;
    compiler.WriteOps(stream);
    stream.SetPosition(0);
    out.LoadFromStream(stream);
  } catch (const std::exception&) {
    out.Clear();
    return false;
  }
  return true;
}

bool EvaluateText(TParamCollection& vars, std::string_view text) {
  TOpalParser list;
  if (!CompileText(text, list)) return false;
  list.Execute(vars);
  return true;
}

}  // namespace opal

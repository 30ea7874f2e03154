// opaltool expr compile|eval|roundtrip: thin commands over the player's own
// compiler, record reader and evaluator. Text on the command line and on
// the terminal is UTF-8; the expression language sees CP932.
#include <cstdio>
#include <cstring>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "common/cp932.h"
#include "common/error.h"
#include "expr/build_parser.h"
#include "expr/convert.h"
#include "expr/opal_parser.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "expr/value_text.h"
#include "storage/stream.h"

namespace opaltool {

namespace {

using namespace opal;

constexpr const char* kUsage =
    "usage:\n"
    "  opaltool expr compile [--hex] [--] TEXT\n"
    "  opaltool expr eval [--decl NAME:TYPE[DIMS][=EXPR]]... [--vars] [--] TEXT\n"
    "      TYPE is int, float, bool, str or ref; DIMS like [3,4]\n"
    "  opaltool expr roundtrip TEXT...\n";


std::string Utf8(std::string_view cp932) { return cp932::ToUtf8(cp932); }

std::string OperandText(const TCustomParam& v) {
  if (const TParamVar* r = v.AsVarRef()) return r->RefName.empty() ? "<empty>" : Utf8(r->RefName);
  return ElementText(v, 0);
}

void PrintRecords(const TOpalParser& list) {
  for (const TOpeData& op : list.Ops) {
    std::string line = OpeCodeName(op.Code) + " " + Utf8(op.Target) + " =";
    std::string args;
    for (size_t k = 0; k < op.Operands.size(); ++k) args += (k ? ", " : "") + OperandText(*op.Operands[k]);
    if (op.Code == ocFunc) {
      const char* name = op.FuncId < kSysFuncCount ? kSysFuncTable[op.FuncId].Name : "?";
      line += " " + std::string(name) + "(" + args + ")";
    } else if (!args.empty()) {
      line += " " + args;
    }
    std::printf("%s\n", line.c_str());
  }
}

std::vector<uint8_t> CompileToBytes(const std::string& utf8) {
  TBuildOpalParser compiler;
  compiler.Build(cp932::FromUtf8(utf8));
  TMemoryStream stream;
  compiler.WriteOps(stream);
  return stream.Bytes();
}

void LoadList(TOpalParser& list, std::vector<uint8_t> bytes) {
  TMemoryStream stream(std::move(bytes));
  list.LoadFromStream(stream);
}

int Compile(const Args& args) {
  bool hex = false;
  std::string text;
  bool haveText = false;
  TArgWalker w(args);
  while (w.Next()) {
    if (w.Flag("--hex")) {
      hex = true;
      continue;
    }
    const std::string& operand = w.Operand();
    if (haveText) throw EUsageError("one expression at a time");
    text = operand;
    haveText = true;
  }
  if (!haveText) throw EUsageError("missing expression");
  const std::vector<uint8_t> bytes = CompileToBytes(text);
  if (hex) {
    std::string line;
    for (size_t i = 0; i < bytes.size(); ++i) line += Format(i ? " %02X" : "%02X", bytes[i]);
    std::printf("%s\n", line.c_str());
    return 0;
  }
  TOpalParser list;
  LoadList(list, bytes);
  PrintRecords(list);
  return 0;
}

// NAME:TYPE[DIMS][=EXPR]
void Declare(TParamCollection& vars, const std::string& decl) {
  const size_t colon = decl.find(':');
  if (colon == std::string::npos) throw EOpalError("declaration needs NAME:TYPE: " + decl);
  const std::string name = cp932::FromUtf8(decl.substr(0, colon));
  std::string rest = decl.substr(colon + 1);
  std::string init;
  if (const size_t eq = rest.find('='); eq != std::string::npos) {
    init = rest.substr(eq + 1);
    rest.resize(eq);
  }
  std::vector<int32_t> dims;
  if (const size_t br = rest.find('['); br != std::string::npos) {
    const size_t end = rest.find(']', br);
    if (end == std::string::npos) throw EOpalError("unclosed dimensions: " + decl);
    std::string list = rest.substr(br + 1, end - br - 1);
    for (size_t p = 0; p <= list.size();) {
      const size_t comma = std::min(list.find(',', p), list.size());
      const auto d = conv::ParseInt(list.substr(p, comma - p));
      if (!d) throw EOpalError("bad dimension in " + decl);
      dims.push_back(*d);
      p = comma + 1;
    }
    rest.resize(br);
  }
  static const char* const kTypes[] = {"ref", "int", "float", "bool", "str"};
  int tag = -1;
  for (int t = 0; t <= kTagStr; ++t) {
    if (rest == kTypes[t]) tag = t;
  }
  if (tag < 0) throw EOpalError("unknown type '" + rest + "' in " + decl);
  TParamCollectionItem* var = vars.Declare(name, static_cast<uint8_t>(tag), kScopeGlobal);
  if (var == nullptr) return;
  if (!dims.empty()) var->Value->SetDims(dims);
  if (init.empty()) return;
  TOpalParser list;
  LoadList(list, CompileToBytes(init));
  list.Execute(vars);
  const TCustomParam* result = list.Result();
  if (result == nullptr) throw EOpalError("initial value of " + decl + " gives no result");
  switch (tag) {
    case kTagInt: var->Value->SetAsInteger(result->AsInteger()); break;
    case kTagFloat: var->Value->SetAsFloat(result->AsFloat()); break;
    case kTagFlag: var->Value->SetAsFlag(result->AsFlag()); break;
    case kTagStr: var->Value->SetAsString(result->AsString()); break;
    default: break;
  }
}

int Eval(const Args& args) {
  TParamCollection vars;
  TSysFuncMan funcs;
  vars.SysFuncs = &funcs;
  vars.CreateSystemVars();
  std::string text;
  bool haveText = false, dumpVars = false;
  TArgWalker w(args);
  std::string declaration;
  while (w.Next()) {
    if (w.Option("--decl", declaration)) {
      Declare(vars, declaration);
    } else if (w.Flag("--vars")) {
      dumpVars = true;
    } else {
      const std::string& operand = w.Operand();
      if (haveText) throw EUsageError("one expression at a time");
      text = operand;
      haveText = true;
    }
  }
  if (!haveText) throw EUsageError("missing expression");
  TOpalParser list;
  LoadList(list, CompileToBytes(text));
  list.Execute(vars);
  if (const TCustomParam* result = list.Result()) {
    std::printf("%s\n", DescribeValue(*result).c_str());
  } else {
    std::printf("no result\n");
  }
  if (dumpVars) {
    std::fputs(DescribeVariables(vars).c_str(), stdout);
  }
  return list.Result() ? 0 : 1;
}

int Roundtrip(const Args& args) {
  std::vector<std::string> texts;
  TArgWalker w(args);
  while (w.Next()) texts.push_back(w.Operand());
  if (texts.empty()) throw EUsageError("missing expression");
  int failures = 0;
  for (const std::string& text : texts) {
    const std::vector<uint8_t> first = CompileToBytes(text);
    TOpalParser list;
    LoadList(list, first);
    TMemoryStream again;
    list.SaveToStream(again);
    if (again.Bytes() == first) {
      std::printf("ok %s\n", text.c_str());
    } else {
      std::printf("DIFFER %s\n", text.c_str());
      ++failures;
    }
  }
  return failures ? 1 : 0;
}

}  // namespace

int CmdExpr(const Args& args) {
  return RunSubcommands("expr", kUsage, args, {{"compile", Compile}, {"eval", Eval}, {"roundtrip", Roundtrip}});
}

}  // namespace opaltool

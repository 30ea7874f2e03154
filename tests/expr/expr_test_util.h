// Helpers shared by the expression tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "expr/build_parser.h"
#include "expr/opal_parser.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "storage/stream.h"
#include "hand_bytes.h"

namespace opal::test {

using TBytes = opal::testing::THandBytes;

inline std::vector<uint8_t> CompileBytes(const std::string& text) {
  TBuildOpalParser compiler;
  compiler.Build(text);
  TMemoryStream s;
  compiler.WriteOps(s);
  return s.Bytes();
}

inline void LoadList(TOpalParser& list, const std::vector<uint8_t>& bytes) {
  TMemoryStream s(bytes);
  list.LoadFromStream(s);
}

// A table with the system variables and a dispatcher without functions.
class TExprEnv {
 public:
  TExprEnv() {
    Vars.SysFuncs = &Funcs;
    Vars.CreateSystemVars();
  }
  TParamCollectionItem* Decl(const std::string& name, uint8_t tag) { return Vars.Declare(name, tag, kScopeGlobal); }
  // Compiles and runs the text; the result's string form, or "none".
  std::string Eval(const std::string& text) {
    TOpalParser list;
    LoadList(list, CompileBytes(text));
    list.Execute(Vars);
    return list.Result() ? std::to_string(list.Result()->ValueType()) + ":" + list.Result()->AsString() : "none";
  }
  TParamCollection Vars;
  TSysFuncMan Funcs;
};

}  // namespace opal::test

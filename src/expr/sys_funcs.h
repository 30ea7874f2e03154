// The catalogue of the 155 system functions as data (name, argument bounds,
// result type), which the compiler checks calls against and the evaluator
// types temporaries by, and `TSysFuncMan`, the dispatcher that runs them.
// Functions are registered into the dispatcher by id; a call of one that
// has no implementation fails like any other failing function.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "expr/params.h"

namespace opal {

class TParamCollection;
class TParamCollectionItem;

inline constexpr int kSysFuncCount = 155;
inline constexpr uint8_t kFuncGetProp = 2;
inline constexpr uint8_t kFuncCalc = 136;
// Result type of GetProp: the type of the property it reads.
inline constexpr uint8_t kResultOfProperty = 0xFF;
inline constexpr int kPropertyCount = 163;

struct TSysFuncInfo {
  const char* Name;
  int8_t MinArgs;
  int8_t MaxArgs;  // -1: no maximum
  uint8_t ResultType;
};
extern const std::array<TSysFuncInfo, kSysFuncCount> kSysFuncTable;

// Case-sensitive; -1 when the name is not listed.
int FindSysFunc(std::string_view name);
// Declared type tag of property 0..162.
uint8_t PropertyValueType(int id);

// One call in progress: the target, the id and the bound arguments.
class TSysFuncCall {
 public:
  TSysFuncCall(TParamCollection& vars, TParamCollectionItem& target, uint8_t id,
               std::span<TCustomParam* const> args)
      : Vars(vars), Target(target), Id(id), Args_(args) {}

  TParamCollection& Vars;
  TParamCollectionItem& Target;
  const uint8_t Id;

  size_t ArgCount() const { return Args_.size(); }
  int32_t HighIndex() const { return static_cast<int32_t>(Args_.size()) - 1; }
  // Read-only: arguments may be literals of a compiled page.
  const TCustomParam& Arg(size_t i) const { return *Args_[i]; }
  // The argument when it names a bound variable, else nullptr (a literal).
  TCustomParam* VarArg(size_t i) const;
  // Somewhere to write an argument back: the variable, or for a literal a
  // scratch copy that the call drops, so a page's constants never change.
  TCustomParam& WritableArg(size_t i);

 private:
  std::span<TCustomParam* const> Args_;
  std::vector<std::unique_ptr<TCustomParam>> Scratch_;
};

// A function or a callable that carries what it works on (the history
// functions hold their history manager, say).
using TSysFunc = std::function<void(TSysFuncCall& call)>;

class TSysFuncMan {
 public:
  void Register(uint8_t id, TSysFunc f);
  // An id outside the catalogue does nothing; a listed function without an
  // implementation throws.
  void Call(TParamCollection& vars, TParamCollectionItem& target, uint8_t id, std::span<TCustomParam* const> args);

 private:
  std::array<TSysFunc, kSysFuncCount> Funcs_{};
};

}  // namespace opal

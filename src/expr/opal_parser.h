// Operation records: a compiled expression is a flat list of records, each
// computing one step into a named variable. `TOpalParser` owns a list, reads
// and writes its stream form, and executes it against the variable table.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/hash_collection.h"

#include "expr/params.h"

namespace opal {

class TStream;
class TParamCollection;

enum TOpeCode : uint8_t {
  ocNone = 0,
  ocTo = 1,
  ocPlus = 2,
  ocMinus = 3,
  ocMul = 4,
  ocDiv = 5,
  ocMod = 6,
  ocOr = 7,
  ocAnd = 8,
  ocXor = 9,
  ocDimTo = 10,
  ocFunc = 11,
  ocEqual = 12,
  ocBig = 13,
  ocSmall = 14,
  ocEBig = 15,
  ocESmall = 16,
  ocShiftL = 17,
  ocShiftR = 18,
  ocComboStr = 19,
  ocNEqual = 20,
};
inline constexpr int kOpeCodeCount = 21;

// "ocPlus" and so on; for a code outside the table its number.
std::string OpeCodeName(uint8_t code);

// Run-time record. Literal operands hold their constant; every other operand
// is a TParamVar carrying a name, bound only while the record executes.
struct TOpeData {
  uint8_t Code = ocNone;
  std::string Target;
  uint8_t FuncId = 0;  // meaningful for ocFunc
  std::vector<std::unique_ptr<TCustomParam>> Operands;
  THashNameCache TargetCache;  // where the target was last found; never streamed
};

class TOpalParser {
 public:
  TOpalParser() = default;
  TOpalParser(const TOpalParser&) = delete;
  TOpalParser& operator=(const TOpalParser&) = delete;

  void Clear();
  // Replaces the list with the stream's records; every count and length is
  // checked against the bytes that remain, so a damaged stream throws.
  void LoadFromStream(TStream& s);
  void SaveToStream(TStream& s) const;
  // Deep copy (operands included) of another list.
  void Assign(const TOpalParser& other);

  // Runs the records in order against `vars`; a failing record ends the run
  // silently. Afterwards Result is the value of a "____arg" record, or none.
  void Execute(TParamCollection& vars);
  const TCustomParam* Result() const { return Result_.get(); }
  // The message of the failure that ended the last Execute (CP932); empty
  // when it ran to its end. Callers that report failures read it.
  const std::string& LastError() const { return Error_; }

  std::vector<TOpeData> Ops;

 private:
  std::unique_ptr<TCustomParam> Result_;
  std::string Error_;
};

// Trims the text and compiles it into `out`; false (and `out` cleared) when
// the text is blank or fails to compile.
bool CompileText(std::string_view text, TOpalParser& out);

// Trims the text, compiles it, executes it and drops the list. False when
// the text is blank or fails to compile; a failing execution still counts
// as evaluated.
bool EvaluateText(TParamCollection& vars, std::string_view text);

}  // namespace opal

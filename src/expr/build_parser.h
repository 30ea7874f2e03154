// The expression compiler: a string rewriter that cuts literals, calls,
// array elements and groups out of the text into temporaries, then reduces
// the flat token list by operator precedence. The types of intermediate
// values follow from the records it emits, so its exact order matters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace opal {

class TStream;

// Compile-time record; operands are texts (for ocFunc the first one is the
// function's name, for ocDimTo the array's name).
struct TBuildOpeData {
  uint8_t Code = 0;
  std::string Target;
  uint8_t FuncId = 0;
  std::vector<std::string> Operands;
};

class TBuildOpalParser {
 public:
  // Compiles one expression text; compile failures throw EOpalError with
  // the system's messages.
  void Build(std::string_view text);
  // Resolves function names, checks argument counts and classifies operand
  // texts into constants and names while writing the stream form.
  void WriteOps(TStream& s);

  std::vector<TBuildOpeData> Ops;

 private:
  void Compile(std::string text, int depth);
  void CompileArgument(std::string arg, std::vector<std::string>& operands, int depth);
  void Propagate();
  std::string NewTemp();
  std::string NewElementTemp();

  int Counter_ = 0;
};

}  // namespace opal

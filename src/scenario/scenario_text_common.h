// Pieces shared by the scenario text reader and writer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scenario/command.h"

namespace opal {

class TPage;

namespace scenario_text {

inline constexpr int kMaxIndentBySpaces = 64;
// Beyond this many blank lines the writer gives a line number explicitly.
inline constexpr int kMaxLinePadding = 200;

// Splits at ';' outside double-quoted strings (a backslash inside a string
// escapes the next character; double-byte characters are stepped over).
// Fields are trimmed of spaces. `open_quote` is set when a string runs to
// the end.
std::vector<std::string> SplitFields(std::string_view text, bool* open_quote = nullptr);

// "key: value" or "key:" with an identifier key: the key and the value.
bool SplitKey(const std::string& field, std::string& key, std::string& value);

std::string Trim(std::string_view s);

// The targets of While, WhileLoop, Break and Continue that their nesting
// gives: a While's matching WhileLoop is the next unmatched one; a While
// exits behind it; a loop goes back to its While; Break leaves behind the
// WhileLoop of the innermost open While, Continue goes to that WhileLoop.
// Nothing for other commands and for unmatched ones.
std::vector<std::optional<int32_t>> ComputeLoopTargets(const TPage& page);

// The keys of a command's fields ("" for the main field), which of them
// are texts, and whether it holds object properties.
struct TFieldKeys final : TFieldVisitor {
  std::vector<std::string> Keys;
  std::vector<bool> IsText;
  bool Props = false;
  void Expr(const char* k, TOpalParser&, int32_t) override { Add(k, false); }
  void ExprList(const char* k, TExprList&) override { Add(k, false); }
  void Text(const char* k, std::string&) override { Add(k, true); }
  void Byte(const char* k, uint8_t&, const TEnumNames*) override { Add(k, false); }
  void Target(const char* k, std::string&, int32_t&, int32_t) override { Add(k, false); }
  void LoopTarget(const char* k, int32_t&, TLoopRole) override { Add(k, false); }
  void Message(const char* k, std::string&) override { Add(k, false); }
  void Properties(TPropertyExprs&) override { Props = true; }

 private:
  void Add(const char* k, bool text) {
    Keys.push_back(k);
    IsText.push_back(text);
  }
};
TFieldKeys KeysOf(const TCommandInfo& info);

// A command whose one field is its main text (Label, Comment, VarDel)
// takes the rest of the line as that text, semicolons and spaces and all;
// a rest that is one quoted string is read as that string.
bool TakesWholeLine(const TCommandInfo& info);

// Names of the page result types, index = value.
const char* ResultTypeName(uint8_t t);

}  // namespace scenario_text
}  // namespace opal

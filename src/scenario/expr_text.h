// Expressions in scenario text. An expression is written in the expression
// language and compiled by the player's own compiler. A compiled list that
// no text reproduces exactly is written in the literal record form
//   ops{CODE "target" [fn=NAME] OPERAND..., ...}
// with operands i:INT, f:REAL (or f:x and the 20 hex digits of the 10
// stored bytes), b:0|1, s:"text" and v:"name"; `ops{}` is an empty list.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "expr/opal_parser.h"

namespace opal {

// Fills `out` from expression text or the literal form (CP932). An empty
// text is the absent expression (no records). Compile errors throw with the
// compiler's message.
void ExprFromText(std::string_view text, TOpalParser& out);

// The text for `e`: empty for an absent expression; expression text when
// it compiles back to the identical records and `usable` accepts it;
// otherwise the literal form.
std::string ExprToText(const TOpalParser& e, const std::function<bool(const std::string&)>& usable);

// The records of `e` in their stream form, for comparisons.
std::string ExprBytes(const TOpalParser& e);

// Quoting shared by scenario text and settings files: a double-quoted
// string with \\ \" \n \r \t and \xHH escapes. Bytes that would not survive
// the trip to UTF-8 and back are written as \xHH.
std::string QuoteText(std::string_view cp932);
// Reads a quoted string starting at `pos` (at the opening quote); advances
// `pos` past the closing quote. Throws on a malformed string.
std::string UnquoteText(std::string_view text, size_t& pos);
// True when the CP932 text survives conversion to UTF-8 and back.
bool SurvivesUtf8(std::string_view cp932);

}  // namespace opal

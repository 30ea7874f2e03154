// The tokeniser of the tag language: message text (its lines joined with
// CR) is cut into text runs and complete tags. It also applies the
// whitespace rules, the backslash escapes, and the PRE and TEXTAREA modes
// in which line breaks and tabs are kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace opal {

// A text run, or one tag from '<' to its matching '>' (a comment-like block
// <!-- -->, <SCRIPT>, <STYLE> is one tag token). Text that only looks like a
// tag, such as the escaped "\\<B\\>" or an unclosed "<B", is a text token.
struct TTagToken {
  std::string Text;
  bool IsTag = false;
  bool operator==(const TTagToken&) const = default;
};

// Runs in time and memory linear in the text; never fails.
std::vector<TTagToken> TokenizeTags(std::string_view text);

}  // namespace opal

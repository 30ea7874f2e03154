// TTag: one token of message text in parsed form. The head is the tag name
// between angle brackets ("<FONT>"), or the whole token for text and for
// comment-like blocks; each attribute is one item "NAME\rVALUE", or "NAME"
// alone when it was written without '='.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace opal {

// Tag ids; Text and Unknown are not tags of the table.
enum class TTagId : uint8_t {
  Text = 0, Unknown, A, EndA, B, EndB, Font, EndFont, I, EndI, S, EndS, U, EndU, NoBr, EndNoBr,
  Ruby, EndRuby, Div, EndDiv, Indent, Undent, Br, Clear, Event, Wait, EndWait, Var, Img,
};

class TTag {
 public:
  // Parses one token of TokenizeTags; a text token (isTag false) stays text
  // whatever it looks like. Never fails; a token of n bytes costs O(n).
  explicit TTag(std::string_view token, bool isTag = true);

  const std::string& Head() const { return Head_; }
  const std::vector<std::string>& Items() const { return Items_; }
  TTagId Id() const { return Id_; }

  // The value of the first attribute of that name (ignoring case): "" for
  // one written without '=', `fallback` when there is none.
  std::string Value(std::string_view name, std::string_view fallback = "") const;
  bool Has(std::string_view name) const;

 private:
  std::string Head_;
  std::vector<std::string> Items_;
  TTagId Id_ = TTagId::Text;
};

// Link targets and event texts: \" and \\ lose their backslash, \n becomes
// CR LF; other backslashes stay. Trail bytes are never escapes.
std::string UnescapeTagText(std::string_view s);

}  // namespace opal

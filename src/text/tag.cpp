#include "text/tag.h"

#include "common/cp932.h"

namespace opal {

namespace {

struct TTagName {
  std::string_view Name;
  TTagId Id;
};
constexpr TTagName kTagNames[] = {
    {"A", TTagId::A},           {"/A", TTagId::EndA},         {"B", TTagId::B},
    {"/B", TTagId::EndB},       {"FONT", TTagId::Font},       {"/FONT", TTagId::EndFont},
    {"I", TTagId::I},           {"/I", TTagId::EndI},         {"S", TTagId::S},
    {"/S", TTagId::EndS},       {"U", TTagId::U},             {"/U", TTagId::EndU},
    {"NOBR", TTagId::NoBr},     {"/NOBR", TTagId::EndNoBr},   {"RUBY", TTagId::Ruby},
    {"/RUBY", TTagId::EndRuby}, {"DIV", TTagId::Div},         {"/DIV", TTagId::EndDiv},
    {"INDENT", TTagId::Indent}, {"UNDENT", TTagId::Undent},   {"BR", TTagId::Br},
    {"CLEAR", TTagId::Clear},   {"EVENT", TTagId::Event},     {"WAIT", TTagId::Wait},
    {"/WAIT", TTagId::EndWait}, {"VAR", TTagId::Var},         {"IMG", TTagId::Img},
};

bool IsBlock(std::string_view token) {
  return cp932::StartsWithText(token, "<!--") || cp932::StartsWithText(token, "<SCRIPT") ||
         cp932::StartsWithText(token, "<STYLE");
}

// Position of the first single-byte `a` or `b` at or after `from` (double-byte
// characters stepped over), or s.size().
size_t FindByte(std::string_view s, size_t from, char a, char b) {
  size_t i = from;
  while (i < s.size() && !(cp932::CharLen(s, i) == 1 && (s[i] == a || s[i] == b))) {
    i = cp932::NextChar(s, i);
  }
  return i;
}

std::string_view TrimSpaces(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  // One pass: the end of the last character that is not a single-byte space
  // (a 0x20 after a lead byte belongs to its character).
  size_t end = 0;
  for (size_t i = 0; i < s.size(); i = cp932::NextChar(s, i)) {
    if (cp932::CharLen(s, i) != 1 || s[i] != ' ') end = cp932::NextChar(s, i);
  }
  return s.substr(0, end);
}

TTagId Classify(std::string_view head) {
  if (head.size() < 3 || head.front() != '<' || head.back() != '>') return TTagId::Text;
  const std::string_view name = head.substr(1, head.size() - 2);
  for (const TTagName& t : kTagNames) {
    if (cp932::SameText(name, t.Name)) return t.Id;
  }
  return TTagId::Unknown;
}

}  // namespace

TTag::TTag(std::string_view token, bool isTag) {
  if (!isTag) {
    Head_ = token;
    return;
  }
  if (token.size() <= 1 || token.front() != '<' || token.back() != '>' || IsBlock(token)) {
    Head_ = token;
    Id_ = Classify(Head_);
    return;
  }
  const std::string_view in = TrimSpaces(token.substr(1, token.size() - 2));
  size_t i = 0;
  bool first = true;
  while (i < in.size()) {
    const size_t nameEnd = FindByte(in, i, ' ', '=');
    std::string item(in.substr(i, nameEnd - i));
    i = nameEnd;
    if (i < in.size() && in[i] == '=') {
      ++i;
      size_t valueEnd;
      if (i < in.size() && (in[i] == '"' || in[i] == '\'')) {
        const char quote = in[i++];
        valueEnd = FindByte(in, i, quote, quote);
        if (valueEnd >= in.size()) valueEnd = FindByte(in, i, ' ', ' ');
        item += '\r';
        item.append(in.substr(i, valueEnd - i));
        i = valueEnd < in.size() && in[valueEnd] == quote ? valueEnd + 1 : valueEnd;
      } else {
        valueEnd = FindByte(in, i, ' ', ' ');
        item += '\r';
        item.append(in.substr(i, valueEnd - i));
        i = valueEnd;
      }
    }
    while (i < in.size() && in[i] == ' ') ++i;
    if (first) {
      Head_ = "<" + item.substr(0, item.find('\r')) + ">";
      first = false;
    } else {
      Items_.push_back(std::move(item));
    }
  }
  if (first) Head_ = "<>";
  Id_ = Classify(Head_);
}

std::string TTag::Value(std::string_view name, std::string_view fallback) const {
  for (const std::string& item : Items_) {
    const size_t cr = item.find('\r');
    const std::string_view n = std::string_view(item).substr(0, cr);
    if (!cp932::SameText(n, name)) continue;
    return cr == std::string::npos ? std::string() : item.substr(cr + 1);
  }
  return std::string(fallback);
}

bool TTag::Has(std::string_view name) const {
  for (const std::string& item : Items_) {
    if (cp932::SameText(std::string_view(item).substr(0, item.find('\r')), name)) return true;
  }
  return false;
}

std::string UnescapeTagText(std::string_view s) { return cp932::Unescape(s); }

}  // namespace opal

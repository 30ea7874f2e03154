#include "expr/build_parser.h"

#include <algorithm>

#include "common/cp932.h"
#include "common/error.h"
#include "expr/convert.h"
#include "expr/messages.h"
#include "expr/opal_parser.h"
#include "expr/sys_funcs.h"
#include "storage/stream.h"

namespace opal {

namespace {

// Groups, calls and elements each recurse once per level of nesting.
constexpr int kMaxCompileDepth = 64;

constexpr std::string_view kOperatorChars = "+-*/%|&^=[](),<>";
constexpr std::string_view kTempPrefix = "____";
constexpr std::string_view kElementPrefix = "____d_";
constexpr std::string_view kArgName = "____arg";

[[noreturn]] void SyntaxError() { throw EOpalError(msg::kSyntax); }

// Text is CP932: a position is a character start, and a character is an
// operator, space or identifier character only when it is a single byte
// (a trail byte may look like '[', ']', '\', '|' or a letter).
struct TChar {
  size_t Pos;
  size_t Len;
};

std::vector<TChar> Chars(const std::string& text) {
  std::vector<TChar> out;
  for (size_t i = 0; i < text.size();) {
    const size_t len = cp932::CharLen(text, i);
    out.push_back({i, len});
    i += len;
  }
  return out;
}

// The single-byte character at c, or 0 for a double-byte one.
char Single(const std::string& text, const TChar& c) { return c.Len == 1 ? text[c.Pos] : '\0'; }

bool IsOperatorChar(char c) { return c != '\0' && kOperatorChars.find(c) != std::string_view::npos; }
bool IsIdentChar(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool IsSpace(char c) { return c == ' '; }

std::string Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

bool StartsWith(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

// Removes parentheses that enclose the whole text, pass by pass.
std::string StripEnclosing(std::string s) {
  for (;;) {
    s = Trim(s);
    if (s.size() < 2 || s.front() != '(' || s.back() != ')') return s;
    const std::vector<TChar> cs = Chars(s);
    int depth = 0;
    bool enclosed = true;
    for (size_t k = 0; k < cs.size(); ++k) {
      const char c = Single(s, cs[k]);
      if (c == '(') ++depth;
      if (c == ')') --depth;
      if (depth == 0 && k + 1 < cs.size()) {
        enclosed = false;
        break;
      }
    }
    if (!enclosed || depth != 0) return s;
    s = s.substr(1, s.size() - 2);
  }
}

// Index into `cs` of the nearest non-space character before k, or -1.
int PrevNonSpace(const std::string& text, const std::vector<TChar>& cs, int k) {
  for (int j = k - 1; j >= 0; --j) {
    if (!IsSpace(Single(text, cs[static_cast<size_t>(j)]))) return j;
  }
  return -1;
}

// Splits at top-level separators; `bracketsOnly` counts square brackets as
// the only nesting (function arguments), otherwise every comma splits.
std::vector<std::string> SplitList(const std::string& text, bool bracketsOnly) {
  std::vector<std::string> pieces;
  const std::vector<TChar> cs = Chars(text);
  int depth = 0;
  size_t start = 0;
  for (const TChar& ch : cs) {
    const char c = Single(text, ch);
    if (bracketsOnly && c == '[') ++depth;
    if (bracketsOnly && c == ']' && --depth < 0) SyntaxError();
    if (c == ',' && depth == 0) {
      pieces.push_back(Trim(std::string_view(text).substr(start, ch.Pos - start)));
      start = ch.Pos + 1;
    }
  }
  if (depth != 0) SyntaxError();
  pieces.push_back(Trim(std::string_view(text).substr(start)));
  return pieces;
}

constexpr std::string_view kTwoCharOps[] = {"==", ">=", "<=", "++", "<>", "<<", ">>"};

struct TLevelOp {
  std::string_view Token;
  uint8_t Code;
};
// Precedence levels, highest first; "=" is handled on its own.
const std::vector<std::vector<TLevelOp>> kLevels = {
    {{"*", ocMul}, {"/", ocDiv}, {"%", ocMod}},
    {{"+", ocPlus}, {"-", ocMinus}},
    {{"<<", ocShiftL}, {">>", ocShiftR}},
    {{"==", ocEqual}, {">=", ocEBig}, {"<=", ocESmall}, {">", ocBig}, {"<", ocSmall}, {"<>", ocNEqual}},
    {{"++", ocComboStr}},
    {{"&", ocAnd}},
    {{"^", ocXor}},
    {{"|", ocOr}},
    {{"=", ocTo}},
};

bool FirstCharIn(const std::string& token, std::string_view set) {
  return !token.empty() && set.find(token[0]) != std::string_view::npos;
}

void WriteOperand(TStream& s, const std::string& text) {
  if (const auto i = conv::ParseInt(text)) {
    WriteByte(s, kTagInt);
    WriteInt32(s, *i);
  } else if (const auto x = conv::ParseFloat(text)) {
    WriteByte(s, kTagFloat);
    WriteExtended(s, *x);
  } else if (text == "TRUE" || text == "FALSE") {
    WriteByte(s, kTagFlag);
    WriteByte(s, text == "TRUE" ? 1 : 0);
  } else if (text.size() > 1 && text.front() == '"' && text.back() == '"') {
    WriteByte(s, kTagStr);
    WriteString(s, std::string_view(text).substr(1, text.size() - 2));
  } else {
    WriteByte(s, kTagVar);
    WriteString(s, text);
  }
}

}  // namespace

std::string TBuildOpalParser::NewTemp() { return std::string(kTempPrefix) + conv::IntToStr(Counter_++); }
std::string TBuildOpalParser::NewElementTemp() { return std::string(kElementPrefix) + conv::IntToStr(Counter_++); }

void TBuildOpalParser::Build(std::string_view text) {
  Compile(std::string(text), 0);
  Propagate();
}

void TBuildOpalParser::CompileArgument(std::string arg, std::vector<std::string>& operands, int depth) {
  arg = StripEnclosing(std::move(arg));
  const std::vector<TChar> cs = Chars(arg);
  const bool hasOperator =
      std::any_of(cs.begin(), cs.end(), [&](const TChar& c) { return IsOperatorChar(Single(arg, c)); });
  if (!hasOperator) {
    operands.push_back(std::move(arg));
    return;
  }
  std::string name = NewTemp();
  operands.push_back(name);
  Compile(name + " = " + arg, depth + 1);
}

void TBuildOpalParser::Compile(std::string text, int depth) {
  if (depth > kMaxCompileDepth) throw EOpalError("expression nested too deeply");

  // 1. String literals.
  for (;;) {
    const std::vector<TChar> cs = Chars(text);
    size_t k = 0;
    while (k < cs.size() && Single(text, cs[k]) != '"') ++k;
    if (k == cs.size()) break;
    const size_t open = cs[k].Pos;
    std::string content;
    size_t close = std::string::npos;
    for (size_t j = k + 1; j < cs.size(); ++j) {
      const char c = Single(text, cs[j]);
      if (c == '"') {
        close = cs[j].Pos;
        break;
      }
      if (c == '\\' && j + 1 < cs.size()) {
        const char next = Single(text, cs[j + 1]);
        if (next == '"' || next == '\\') {
          content += next;
          ++j;
          continue;
        }
        if (next == 'n') {
          content += "\r\n";
          ++j;
          continue;
        }
      }
      content.append(text, cs[j].Pos, cs[j].Len);
    }
    if (close == std::string::npos) break;  // an unclosed quote stays in the text
    const std::string name = NewTemp();
    Ops.push_back({ocTo, name, 0, {"\"" + content + "\""}});
    text.replace(open, close + 1 - open, name);
  }

  // 2. Function calls, the last one first, so inner calls come before outer.
  for (;;) {
    const std::vector<TChar> cs = Chars(text);
    std::vector<int> match(cs.size(), -1);
    std::vector<int> stack;
    for (size_t k = 0; k < cs.size(); ++k) {
      const char c = Single(text, cs[k]);
      if (c == '(') stack.push_back(static_cast<int>(k));
      if (c == ')') {
        if (stack.empty()) SyntaxError();
        match[static_cast<size_t>(stack.back())] = static_cast<int>(k);
        stack.pop_back();
      }
    }
    if (!stack.empty()) SyntaxError();
    int open = -1, nameEnd = -1;
    for (int k = static_cast<int>(cs.size()) - 1; k >= 0 && open < 0; --k) {
      if (Single(text, cs[static_cast<size_t>(k)]) != '(') continue;
      const int p = PrevNonSpace(text, cs, k);
      if (p >= 0 && IsIdentChar(Single(text, cs[static_cast<size_t>(p)]))) open = k, nameEnd = p;
    }
    if (open < 0) break;
    int nameStart = nameEnd;
    while (nameStart > 0 && IsIdentChar(Single(text, cs[static_cast<size_t>(nameStart - 1)]))) --nameStart;
    const size_t from = cs[static_cast<size_t>(nameStart)].Pos;
    const size_t close = cs[static_cast<size_t>(match[static_cast<size_t>(open)])].Pos;
    const size_t argsFrom = cs[static_cast<size_t>(open)].Pos + 1;
    const std::string funcName = text.substr(from, cs[static_cast<size_t>(nameEnd)].Pos + 1 - from);
    const std::string args = Trim(std::string_view(text).substr(argsFrom, close - argsFrom));

    TBuildOpeData rec{ocFunc, NewTemp(), 0, {funcName}};
    if (!args.empty()) {
      std::vector<std::string> pieces = SplitList(args, true);
      if (pieces.back().empty()) pieces.pop_back();
      for (std::string& arg : pieces) CompileArgument(std::move(arg), rec.Operands, depth);
    }
    const std::string target = rec.Target;
    Ops.push_back(std::move(rec));
    text.replace(from, close + 1 - from, target);
  }

  // 3. Array elements, the last "[" first.
  for (;;) {
    const std::vector<TChar> cs = Chars(text);
    int opens = 0, closes = 0, last = -1;
    for (size_t k = 0; k < cs.size(); ++k) {
      const char c = Single(text, cs[k]);
      if (c == '[') ++opens, last = static_cast<int>(k);
      if (c == ']') ++closes;
    }
    if (opens != closes) SyntaxError();
    if (last < 0) break;
    int close = -1;
    for (size_t k = static_cast<size_t>(last) + 1; k < cs.size() && close < 0; ++k) {
      if (Single(text, cs[k]) == ']') close = static_cast<int>(k);
    }
    if (close < 0) SyntaxError();
    int j = last - 1;
    while (j >= 0 && IsSpace(Single(text, cs[static_cast<size_t>(j)]))) --j;
    if (j >= 0 && IsOperatorChar(Single(text, cs[static_cast<size_t>(j)]))) SyntaxError();
    const int nameEnd = j;
    while (j >= 0) {
      const char c = Single(text, cs[static_cast<size_t>(j)]);
      if (IsSpace(c) || IsOperatorChar(c)) break;
      --j;
    }
    const int nameStart = j + 1;
    const size_t from = nameStart <= nameEnd ? cs[static_cast<size_t>(nameStart)].Pos : cs[static_cast<size_t>(last)].Pos;
    const size_t nameBytesEnd = nameStart <= nameEnd ? cs[static_cast<size_t>(nameEnd)].Pos + cs[static_cast<size_t>(nameEnd)].Len : from;
    const size_t idxFrom = cs[static_cast<size_t>(last)].Pos + 1;
    const size_t closePos = cs[static_cast<size_t>(close)].Pos;
    const std::string indexText = text.substr(idxFrom, closePos - idxFrom);
    if (Trim(indexText).empty()) throw EOpalError(msg::kEmptyIndex);

    TBuildOpeData rec{ocDimTo, NewElementTemp(), 0, {text.substr(from, nameBytesEnd - from)}};
    for (std::string& index : SplitList(indexText, false)) CompileArgument(std::move(index), rec.Operands, depth);
    const std::string target = rec.Target;
    Ops.push_back(std::move(rec));
    text.replace(from, closePos + 1 - from, target);
  }

  // 4. Parenthesised groups, the last one first.
  for (;;) {
    const std::vector<TChar> cs = Chars(text);
    int open = -1;
    for (int k = static_cast<int>(cs.size()) - 1; k >= 0 && open < 0; --k) {
      if (Single(text, cs[static_cast<size_t>(k)]) != '(') continue;
      const int p = PrevNonSpace(text, cs, k);
      if (p < 0 || !IsIdentChar(Single(text, cs[static_cast<size_t>(p)]))) open = k;
    }
    if (open < 0) break;
    int depthHere = 0, close = -1;
    for (size_t k = static_cast<size_t>(open); k < cs.size() && close < 0; ++k) {
      const char c = Single(text, cs[k]);
      if (c == '(') ++depthHere;
      if (c == ')' && --depthHere == 0) close = static_cast<int>(k);
    }
    if (close < 0) SyntaxError();
    const size_t from = cs[static_cast<size_t>(open)].Pos;
    const size_t to = cs[static_cast<size_t>(close)].Pos;
    const std::string inner = Trim(std::string_view(text).substr(from + 1, to - from - 1));
    const std::string name = NewTemp();
    text.replace(from, to + 1 - from, name);
    Compile(name + " = " + inner, depth + 1);
  }

  // 5. Tokens. Spaces do not separate operands.
  std::vector<std::string> tokens;
  {
    const std::vector<TChar> cs = Chars(text);
    size_t start = 0;
    for (size_t k = 0; k < cs.size(); ++k) {
      const char c = Single(text, cs[k]);
      if (!IsOperatorChar(c)) continue;
      std::string operand = Trim(std::string_view(text).substr(start, cs[k].Pos - start));
      if (!operand.empty()) tokens.push_back(std::move(operand));
      std::string op(1, c);
      if (k + 1 < cs.size()) {
        const std::string two = op + Single(text, cs[k + 1]);
        if (std::find(std::begin(kTwoCharOps), std::end(kTwoCharOps), two) != std::end(kTwoCharOps)) {
          op = two;
          ++k;
        }
      }
      tokens.push_back(std::move(op));
      start = cs[k].Pos + 1;
    }
    std::string rest = Trim(std::string_view(text).substr(std::min(start, text.size())));
    if (!rest.empty()) tokens.push_back(std::move(rest));
  }

  // 6. Nothing at all: the (blank) text itself is the value.
  if (tokens.empty()) {
    Ops.push_back({ocTo, std::string(kArgName), 0, {text}});
    return;
  }

  // 7. Unary signs after an operator.
  for (int s = static_cast<int>(tokens.size()) - 2; s >= 1; --s) {
    const std::string& t = tokens[static_cast<size_t>(s)];
    if ((t != "+" && t != "-") || !FirstCharIn(tokens[static_cast<size_t>(s - 1)], "=+-*/%&^|[(,<>")) continue;
    if (t == "-") {
      const std::string name = NewTemp();
      Ops.push_back({ocMinus, name, 0, {"0", tokens[static_cast<size_t>(s + 1)]}});
      tokens[static_cast<size_t>(s + 1)] = name;
    }
    tokens.erase(tokens.begin() + s);
  }

  // 8. Reduction by precedence, the leftmost operator of the highest level first.
  bool assigned = false;
  while (!tokens.empty()) {
    int at = -1;
    uint8_t code = ocNone;
    for (const auto& level : kLevels) {
      for (size_t i = 0; i < tokens.size() && at < 0; ++i) {
        for (const TLevelOp& op : level) {
          if (tokens[i] == op.Token) {
            at = static_cast<int>(i);
            code = op.Code;
            break;
          }
        }
      }
      if (at >= 0) break;
    }
    if (at < 0) {
      if (assigned || tokens.size() > 1) SyntaxError();
      Ops.push_back({ocTo, std::string(kArgName), 0, {tokens[0]}});
      tokens.clear();
      break;
    }
    const size_t i = static_cast<size_t>(at);
    if (i + 1 >= tokens.size()) SyntaxError();
    if (code == ocTo) {
      if (i == 0) SyntaxError();
      Ops.push_back({ocTo, tokens[i - 1], 0, {tokens[i + 1]}});
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i - 1), tokens.begin() + static_cast<std::ptrdiff_t>(i + 2));
      assigned = true;
    } else if (i > 0) {
      if (FirstCharIn(tokens[i - 1], "+-*/%|&^=[(<>")) SyntaxError();
      const std::string name = NewTemp();
      Ops.push_back({code, name, 0, {tokens[i - 1], tokens[i + 1]}});
      tokens[i - 1] = name;
      tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(i), tokens.begin() + static_cast<std::ptrdiff_t>(i + 2));
    } else {
      if (code != ocPlus && code != ocMinus) SyntaxError();
      const std::string name = NewTemp();
      Ops.push_back({code, name, 0, {"0", tokens[1]}});
      tokens[0] = name;
      tokens.erase(tokens.begin() + 1);
    }
  }
}

// Drops the assignments of one temporary to another that groups and
// arguments leave behind, renaming the target in every later record.
void TBuildOpalParser::Propagate() {
  auto plainTemp = [](const std::string& s) {
    return StartsWith(s, kTempPrefix) && !StartsWith(s, kElementPrefix) && s != kArgName;
  };
  for (size_t i = 0; i < Ops.size();) {
    const TBuildOpeData& op = Ops[i];
    if (op.Code == ocTo && !op.Operands.empty() && plainTemp(op.Target) && plainTemp(op.Operands[0])) {
      const std::string from = op.Target, to = op.Operands[0];
      for (size_t j = i + 1; j < Ops.size(); ++j) {
        if (Ops[j].Target == from) Ops[j].Target = to;
        for (std::string& operand : Ops[j].Operands) {
          if (operand == from) operand = to;
        }
      }
      Ops.erase(Ops.begin() + static_cast<std::ptrdiff_t>(i));
      continue;
    }
    ++i;
  }
}

void TBuildOpalParser::WriteOps(TStream& s) {
  // Check every call first, so a failure writes nothing.
  for (TBuildOpeData& op : Ops) {
    if (op.Code != ocFunc) continue;
    const std::string name = op.Operands.empty() ? std::string() : op.Operands[0];
    const int id = FindSysFunc(name);
    if (id < 0) throw EOpalError(Format(msg::kNoFunction, name.c_str()));
    const TSysFuncInfo& info = kSysFuncTable[static_cast<size_t>(id)];
    const int args = static_cast<int>(op.Operands.size()) - 1;
    if ((info.MinArgs >= 0 && args < info.MinArgs) || (info.MaxArgs >= 0 && args > info.MaxArgs)) {
      throw EOpalError(name + msg::kBadArgCount);
    }
    op.FuncId = static_cast<uint8_t>(id);
  }
  WriteInt32(s, static_cast<int32_t>(Ops.size()));
  for (const TBuildOpeData& op : Ops) {
    WriteByte(s, op.Code);
    WriteString(s, op.Target);
    const size_t first = op.Code == ocFunc ? 1 : 0;
    WriteInt32(s, static_cast<int32_t>(op.Operands.size() - first));
    if (op.Code == ocFunc) WriteByte(s, op.FuncId);
    for (size_t k = first; k < op.Operands.size(); ++k) WriteOperand(s, op.Operands[k]);
  }
}

}  // namespace opal

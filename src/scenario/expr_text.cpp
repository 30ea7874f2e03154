// Expression text both ways: compiling through the player's compiler, and
// turning records back into text that the compiler maps onto the very same
// records, or else into the literal record form.
#include "scenario/expr_text.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <vector>

#include "common/cp932.h"
#include "common/error.h"
#include "expr/build_parser.h"
#include "expr/convert.h"
#include "expr/sys_funcs.h"
#include "storage/stream.h"

namespace opal {

namespace {

constexpr std::string_view kTemp = "____";
constexpr std::string_view kLiteralOpen = "ops{";

bool IsTemp(std::string_view name) { return name.substr(0, 4) == kTemp && name != "____arg"; }

bool SameBits(Extended a, Extended b) { return EncodeExtended(a) == EncodeExtended(b); }

// The shortest decimal text that reads back as exactly `x`.
std::optional<std::string> FloatText(Extended x) {
  char buf[64];
  for (int prec = 1; prec <= 21; ++prec) {
    std::snprintf(buf, sizeof buf, "%.*Lg", prec, x);
    const auto back = conv::ParseFloat(buf);
    if (back && SameBits(*back, x)) return std::string(buf);
  }
  return std::nullopt;
}

// --- records to text ---------------------------------------------------

struct TNode {
  std::string Text;
  int Level = -1;  // precedence level of its operator; -1 for an atom
};

int LevelOf(uint8_t code) {
  switch (code) {
    case ocMul: case ocDiv: case ocMod: return 0;
    case ocPlus: case ocMinus: return 1;
    case ocShiftL: case ocShiftR: return 2;
    case ocEqual: case ocBig: case ocSmall: case ocEBig: case ocESmall: case ocNEqual: return 3;
    case ocComboStr: return 4;
    case ocAnd: return 5;
    case ocXor: return 6;
    case ocOr: return 7;
    default: return -1;
  }
}

const char* TokenOf(uint8_t code) {
  switch (code) {
    case ocPlus: return "+";
    case ocMinus: return "-";
    case ocMul: return "*";
    case ocDiv: return "/";
    case ocMod: return "%";
    case ocOr: return "|";
    case ocAnd: return "&";
    case ocXor: return "^";
    case ocEqual: return "==";
    case ocBig: return ">";
    case ocSmall: return "<";
    case ocEBig: return ">=";
    case ocESmall: return "<=";
    case ocShiftL: return "<<";
    case ocShiftR: return ">>";
    case ocComboStr: return "++";
    case ocNEqual: return "<>";
    default: return nullptr;
  }
}

// A string constant as the compiler's literal syntax writes it.
std::optional<std::string> StringLiteral(const std::string& s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size();) {
    const size_t len = cp932::CharLen(s, i);
    if (len == 2) {
      out.append(s, i, 2);
    } else if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      out += "\\n";
      i += 2;
      continue;
    } else if (s[i] == '\r' || s[i] == '\n') {
      return std::nullopt;
    } else if (s[i] == '"' || s[i] == '\\') {
      out += '\\';
      out += s[i];
    } else {
      out += s[i];
    }
    i += len;
  }
  return out + "\"";
}

class TDecompiler {
 public:
  explicit TDecompiler(bool unary_signs) : UnarySigns_(unary_signs) {}

  std::optional<std::string> Run(const TOpalParser& e) {
    std::vector<std::string> statements;
    for (const TOpeData& op : e.Ops) {
      if (op.Code == ocTo) {
        if (op.Operands.size() != 1) return std::nullopt;
        auto value = Operand(*op.Operands[0]);
        if (!value) return std::nullopt;
        if (op.Target == "____arg") {
          statements.push_back(value->Text);
        } else if (IsTemp(op.Target) && !Temps_.count(op.Target)) {
          Temps_[op.Target] = *value;
        } else {
          const auto t = Temps_.find(op.Target);
          statements.push_back((t != Temps_.end() ? t->second.Text : op.Target) + " = " + value->Text);
        }
        continue;
      }
      if (!IsTemp(op.Target) || Temps_.count(op.Target)) return std::nullopt;
      std::optional<TNode> node;
      if (op.Code == ocFunc) {
        node = Call(op);
      } else if (op.Code == ocDimTo) {
        node = Element(op);
      } else if (LevelOf(op.Code) >= 0 && op.Operands.size() == 2) {
        node = Binary(op);
      }
      if (!node) return std::nullopt;
      Temps_[op.Target] = *node;
    }
    if (statements.size() != 1) return std::nullopt;
    return statements[0];
  }

 private:
  std::optional<TNode> Operand(const TCustomParam& v) {
    if (const TParamVar* ref = v.AsVarRef()) {
      const auto t = Temps_.find(ref->RefName);
      if (t != Temps_.end()) return t->second;
      return TNode{ref->RefName, -1};
    }
    switch (v.ValueType()) {
      case kTagInt: return TNode{conv::IntToStr(v.AsInteger()), -1};
      case kTagFloat: {
        auto text = FloatText(v.AsFloat());
        if (!text) return std::nullopt;
        // A float that reads like an integer would come back as one.
        if (conv::ParseInt(*text)) *text += ".0";
        return TNode{*text, -1};
      }
      case kTagFlag: return TNode{v.AsFlag() ? "TRUE" : "FALSE", -1};
      default: {
        auto lit = StringLiteral(v.AsString());
        if (!lit) return std::nullopt;
        return TNode{*lit, -1};
      }
    }
  }

  std::optional<TNode> Binary(const TOpeData& op) {
    auto a = Operand(*op.Operands[0]);
    auto b = Operand(*op.Operands[1]);
    if (!a || !b) return std::nullopt;
    const int level = LevelOf(op.Code);
    if (UnarySigns_ && op.Code == ocMinus && a->Text == "0" && b->Level < 0) return TNode{"-" + b->Text, -1};
    auto wrap = [level](const TNode& n, bool right) {
      return n.Level > level || (right && n.Level == level) ? "(" + n.Text + ")" : n.Text;
    };
    return TNode{wrap(*a, false) + " " + TokenOf(op.Code) + " " + wrap(*b, true), level};
  }

  std::optional<std::string> Args(const TOpeData& op, size_t first, const char* sep) {
    std::string out;
    for (size_t i = first; i < op.Operands.size(); ++i) {
      auto n = Operand(*op.Operands[i]);
      if (!n) return std::nullopt;
      if (i > first) out += sep;
      out += n->Text;
    }
    return out;
  }

  std::optional<TNode> Call(const TOpeData& op) {
    if (op.FuncId >= kSysFuncCount) return std::nullopt;
    auto args = Args(op, 0, ", ");
    if (!args) return std::nullopt;
    return TNode{std::string(kSysFuncTable[op.FuncId].Name) + "(" + *args + ")", -1};
  }

  std::optional<TNode> Element(const TOpeData& op) {
    if (op.Operands.size() < 2) return std::nullopt;
    const TParamVar* array = op.Operands[0]->AsVarRef();
    if (array == nullptr || Temps_.count(array->RefName)) return std::nullopt;
    auto index = Args(op, 1, ", ");
    if (!index) return std::nullopt;
    return TNode{array->RefName + "[" + *index + "]", -1};
  }

  bool UnarySigns_;
  std::map<std::string, TNode> Temps_;
};

std::optional<std::string> CompiledBytes(const std::string& text) {
  try {
    TBuildOpalParser b;
    b.Build(text);
    TMemoryStream s;
    b.WriteOps(s);
    return std::string(s.Bytes().begin(), s.Bytes().end());
  } catch (const EOpalError&) {
    return std::nullopt;
  }
}

// --- the literal form ----------------------------------------------------

std::string HexBytes(const uint8_t* p, size_t n) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    out += kDigits[p[i] >> 4];
    out += kDigits[p[i] & 15];
  }
  return out;
}

std::string LiteralForm(const TOpalParser& e) {
  std::string out(kLiteralOpen);
  for (size_t r = 0; r < e.Ops.size(); ++r) {
    const TOpeData& op = e.Ops[r];
    if (r > 0) out += ", ";
    out += op.Code < kOpeCodeCount ? OpeCodeName(op.Code) : conv::IntToStr(op.Code);
    out += " " + QuoteText(op.Target);
    if (op.Code == ocFunc) {
      out += " fn=";
      out += op.FuncId < kSysFuncCount ? kSysFuncTable[op.FuncId].Name : conv::IntToStr(op.FuncId);
    }
    for (const auto& v : op.Operands) {
      if (const TParamVar* ref = v->AsVarRef()) {
        out += " v:" + QuoteText(ref->RefName);
        continue;
      }
      switch (v->ValueType()) {
        case kTagInt: out += " i:" + conv::IntToStr(v->AsInteger()); break;
        case kTagFloat: {
          const auto text = FloatText(v->AsFloat());
          if (text) {
            out += " f:" + *text;
          } else {
            const auto bytes = EncodeExtended(v->AsFloat());
            out += " f:x" + HexBytes(bytes.data(), bytes.size());
          }
          break;
        }
        case kTagFlag: out += v->AsFlag() ? " b:1" : " b:0"; break;
        default: out += " s:" + QuoteText(v->AsString()); break;
      }
    }
  }
  return out + "}";
}

class TLiteralReader {
 public:
  explicit TLiteralReader(std::string_view text) : T_(text) {}

  void Read(TOpalParser& out) {
    P_ = kLiteralOpen.size();
    std::vector<TOpeData> ops;
    Skip();
    if (Peek() == '}') {
      ++P_;
    } else {
      while (true) {
        ops.push_back(Record());
        Skip();
        const char c = Next();
        if (c == '}') break;
        if (c != ',') Fail("',' or '}' expected");
      }
    }
    Skip();
    if (P_ != T_.size()) Fail("text after '}'");
    out.Clear();
    out.Ops = std::move(ops);
  }

 private:
  TOpeData Record() {
    TOpeData op;
    Skip();
    const std::string code = Word();
    int value = -1;
    for (int c = 0; c < kOpeCodeCount; ++c) {
      if (code == OpeCodeName(static_cast<uint8_t>(c))) value = c;
    }
    if (value < 0) {
      const auto n = conv::ParseInt(code);
      if (!n || *n < 0 || *n > 255) Fail("unknown operation " + code);
      value = *n;
    }
    op.Code = static_cast<uint8_t>(value);
    Skip();
    op.Target = Quoted();
    while (true) {
      Skip();
      if (Peek() == ',' || Peek() == '}' || Peek() == '\0') break;
      const std::string word = Word();
      if (word.rfind("fn=", 0) == 0) {
        const std::string name = word.substr(3);
        int id = FindSysFunc(name);
        if (id < 0) {
          const auto n = conv::ParseInt(name);
          if (!n || *n < 0 || *n > 255) Fail("unknown function " + name);
          id = *n;
        }
        op.FuncId = static_cast<uint8_t>(id);
      } else if (word == "v:") {
        op.Operands.push_back(std::make_unique<TParamVar>(Quoted()));
      } else if (word == "s:") {
        auto v = std::make_unique<TParamStr>();
        v->Items()[0] = Quoted();
        op.Operands.push_back(std::move(v));
      } else if (word.rfind("i:", 0) == 0) {
        const auto n = conv::ParseInt(word.substr(2));
        if (!n) Fail("bad integer " + word);
        auto v = std::make_unique<TParamInt>();
        v->Items()[0] = *n;
        op.Operands.push_back(std::move(v));
      } else if (word == "b:0" || word == "b:1") {
        auto v = std::make_unique<TParamFlag>();
        v->Items()[0] = word == "b:1" ? 1 : 0;
        op.Operands.push_back(std::move(v));
      } else if (word.rfind("f:", 0) == 0) {
        auto v = std::make_unique<TParamFloat>();
        v->Items()[0] = Real(word.substr(2));
        op.Operands.push_back(std::move(v));
      } else {
        Fail("unknown operand " + word);
      }
    }
    return op;
  }

  Extended Real(const std::string& text) {
    if (text.size() == 21 && text[0] == 'x') {
      uint8_t bytes[10];
      for (int i = 0; i < 10; ++i) {
        const std::string pair = text.substr(1 + 2 * static_cast<size_t>(i), 2);
        char* end = nullptr;
        bytes[i] = static_cast<uint8_t>(std::strtoul(pair.c_str(), &end, 16));
        if (end != pair.c_str() + 2) Fail("bad real " + text);
      }
      return DecodeExtended(bytes);
    }
    const auto x = conv::ParseFloat(text);
    if (!x) Fail("bad real " + text);
    return *x;
  }

  // A run up to a space, ',', '}' or a quote (a quote right after "v:" or
  // "s:" ends the word so the string can follow).
  std::string Word() {
    const size_t start = P_;
    while (P_ < T_.size() && T_[P_] != ' ' && T_[P_] != ',' && T_[P_] != '}' && T_[P_] != '"') ++P_;
    if (P_ == start) Fail("word expected");
    return std::string(T_.substr(start, P_ - start));
  }
  std::string Quoted() {
    if (Peek() != '"') Fail("quoted string expected");
    return UnquoteText(T_, P_);
  }
  void Skip() {
    while (P_ < T_.size() && T_[P_] == ' ') ++P_;
  }
  char Peek() const { return P_ < T_.size() ? T_[P_] : '\0'; }
  char Next() { return P_ < T_.size() ? T_[P_++] : '\0'; }
  [[noreturn]] void Fail(const std::string& what) {
    throw EFormatError("literal records: " + what + " at column " + std::to_string(P_ + 1));
  }

  std::string_view T_;
  size_t P_ = 0;
};

}  // namespace

std::string ExprBytes(const TOpalParser& e) {
  TMemoryStream s;
  e.SaveToStream(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

void ExprFromText(std::string_view text, TOpalParser& out) {
  out.Clear();
  if (text.empty()) return;
  if (text.substr(0, kLiteralOpen.size()) == kLiteralOpen) {
    TLiteralReader(text).Read(out);
    return;
  }
  TBuildOpalParser b;
  b.Build(text);
  TMemoryStream s;
  b.WriteOps(s);
  s.SetPosition(0);
  out.LoadFromStream(s);
}

std::string ExprToText(const TOpalParser& e, const std::function<bool(const std::string&)>& usable) {
  if (e.Ops.empty()) return {};
  const std::string want = ExprBytes(e);
  // Signs first: `-b` reads better than `0 - b`, which compiles the same.
  for (const bool unary : {true, false}) {
    const auto text = TDecompiler(unary).Run(e);
    if (!text || text->empty() || text->substr(0, kLiteralOpen.size()) == kLiteralOpen) continue;
    if (!usable(*text)) continue;
    if (CompiledBytes(*text) == want) return *text;
  }
  return LiteralForm(e);
}

bool SurvivesUtf8(std::string_view cp932) { return cp932::FromUtf8(cp932::ToUtf8(cp932)) == cp932; }

std::string QuoteText(std::string_view s) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string out = "\"";
  auto hex = [&](uint8_t b) {
    out += "\\x";
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  };
  for (size_t i = 0; i < s.size();) {
    const size_t len = cp932::CharLen(s, i);
    const uint8_t b = static_cast<uint8_t>(s[i]);
    if (len == 2 || b >= 0x80) {
      if (SurvivesUtf8(s.substr(i, len))) {
        out.append(s.substr(i, len));
      } else {
        for (size_t k = 0; k < len; ++k) hex(static_cast<uint8_t>(s[i + k]));
      }
    } else if (b == '"' || b == '\\') {
      out += '\\';
      out += static_cast<char>(b);
    } else if (b == '\n') {
      out += "\\n";
    } else if (b == '\r') {
      out += "\\r";
    } else if (b == '\t') {
      out += "\\t";
    } else if (b < 0x20 || b == 0x7F) {
      hex(b);
    } else {
      out += static_cast<char>(b);
    }
    i += len;
  }
  return out + "\"";
}

std::string UnquoteText(std::string_view t, size_t& pos) {
  if (pos >= t.size() || t[pos] != '"') throw EFormatError("quoted string expected");
  std::string out;
  size_t i = pos + 1;
  while (true) {
    if (i >= t.size()) throw EFormatError("unterminated string");
    const size_t len = cp932::CharLen(t, i);
    if (len == 2) {
      out.append(t.substr(i, 2));
      i += 2;
      continue;
    }
    const char c = t[i];
    if (c == '"') break;
    if (c != '\\') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 >= t.size()) throw EFormatError("unterminated string");
    const char e = t[i + 1];
    i += 2;
    switch (e) {
      case 'n': out += '\n'; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '"': case '\\': out += e; break;
      case 'x': {
        if (i + 2 > t.size()) throw EFormatError("bad \\x escape");
        const std::string pair(t.substr(i, 2));
        char* end = nullptr;
        const unsigned long v = std::strtoul(pair.c_str(), &end, 16);
        if (end != pair.c_str() + 2) throw EFormatError("bad \\x escape");
        out += static_cast<char>(v);
        i += 2;
        break;
      }
      default: throw EFormatError(std::string("unknown escape \\") + e);
    }
  }
  pos = i + 1;
  return out;
}

}  // namespace opal

// Scenario text to a page.
#include <map>

#include "common/cp932.h"
#include "common/error.h"
#include "expr/convert.h"
#include "scenario/commands_flow.h"
#include "scenario/expr_text.h"
#include "scenario/message_body.h"
#include "scenario/page.h"
#include "scenario/property_names.h"
#include "scenario/scenario_text.h"
#include "scenario/scenario_text_common.h"

namespace opal {

using namespace scenario_text;

namespace {

struct TLine {
  int LineNo = 0;
  int32_t Indent = 0;
  uint8_t Disabled = 0, RunOn = 0;
  int32_t Line = 0;
  const TCommandInfo* Info = nullptr;
  bool HasPrimary = false;
  std::string Primary;
  std::vector<std::pair<std::string, std::string>> Keyed;
};

[[noreturn]] void Fail(int line, const std::string& what) {
  throw EFormatError("line " + std::to_string(line) + ": " + what);
}

int32_t ParseNumber(const std::string& s, int line, const char* what) {
  const auto v = conv::ParseInt(s);
  if (!v) Fail(line, std::string("bad ") + what + " '" + s + "'");
  return *v;
}

// A text field's value: a quoted string, or the bare text as it stands.
std::string TextOf(const std::string& v) {
  if (v.empty() || v[0] != '"') return v;
  size_t pos = 0;
  std::string s = UnquoteText(v, pos);
  if (pos != v.size()) throw EFormatError("text after the closing quote");
  return s;
}

// A target's label, with the command index that may follow it: `label`,
// `label#index`, `"label"` or `"label"#index`.
std::string LabelOf(const std::string& v, std::optional<int32_t>& index) {
  std::string label = v, tail;
  if (!v.empty() && v[0] == '"') {
    size_t pos = 0;
    label = UnquoteText(v, pos);
    tail = v.substr(pos);
  } else if (const size_t hash = v.rfind('#'); hash != std::string::npos && conv::ParseInt(v.substr(hash + 1))) {
    label = v.substr(0, hash);
    tail = v.substr(hash);
  }
  if (tail.empty()) return label;
  const auto n = tail[0] == '#' ? conv::ParseInt(tail.substr(1)) : std::nullopt;
  if (!n) throw EFormatError("'#index' or nothing expected after the label, not '" + tail + "'");
  index = *n;
  return label;
}

std::string FromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) throw EFormatError("odd number of hex digits");
  std::string out;
  for (size_t i = 0; i < hex.size(); i += 2) {
    const std::string pair = hex.substr(i, 2);
    char* end = nullptr;
    const unsigned long v = std::strtoul(pair.c_str(), &end, 16);
    if (end != pair.c_str() + 2) throw EFormatError("bad hex digits");
    out += static_cast<char>(v);
  }
  return out;
}

struct TLabelFixup {
  int LineNo;
  std::string Page;  // empty: this page
  std::string Label;
  int32_t* Index;
  // The index written after the label (`page:label#index`), used when the
  // other page's labels are not at hand.
  std::optional<int32_t> Given;
};

struct TLoopFixup {
  int LineNo;
  size_t Command;
  int32_t* Index;
};

class TTextFieldReader final : public TFieldVisitor {
 public:
  TTextFieldReader(TPage& page, TLine& line, size_t index, std::vector<TLabelFixup>& labels,
                   std::vector<TLoopFixup>& loops)
      : Page_(page), L_(line), Index_(index), Labels_(labels), Loops_(loops), Used_(line.Keyed.size(), false) {}

  void Finish() {
    if (L_.HasPrimary && !PrimaryUsed_) Fail(L_.LineNo, std::string(L_.Info->Name) + " takes no main field");
    for (size_t i = 0; i < L_.Keyed.size(); ++i) {
      if (!Used_[i]) Fail(L_.LineNo, "unknown field '" + L_.Keyed[i].first + "' for " + L_.Info->Name);
    }
  }

  void Expr(const char* key, TOpalParser& e, int32_t since) override {
    const auto v = Take(key);
    if (v && !v->empty() && Page_.Version < since) {
      Fail(L_.LineNo, Format("field '%s' needs page version %d", *key ? key : "main", since));
    }
    Compile(key, v.value_or(""), e);
  }
  void PropIdExpr(const char* key, TOpalParser& e) override {
    std::string v = Take(key).value_or("");
    if (const int id = FindPropertyName(v); id >= 0) v = conv::IntToStr(id);
    Compile(key, v, e);
  }
  void ExprList(const char* key, TExprList& list) override {
    list.clear();
    for (size_t i = 0; i < L_.Keyed.size(); ++i) {
      if (L_.Keyed[i].first != key) continue;
      Used_[i] = true;
      auto e = std::make_unique<TOpalParser>();
      Compile(key, L_.Keyed[i].second, *e);
      list.push_back(std::move(e));
    }
  }
  void Text(const char* key, std::string& s) override {
    if (const auto v = Take(key)) s = Guard(key, [&] { return TextOf(*v); });
  }
  void Byte(const char* key, uint8_t& b, const TEnumNames* names) override {
    const auto v = Take(key);
    if (!v) return;
    if (names != nullptr) {
      for (int i = 0; i < names->Count; ++i) {
        if (*names->Names[i] != '\0' && *v == names->Names[i]) {
          b = static_cast<uint8_t>(i);
          return;
        }
      }
    }
    const int32_t n = ParseNumber(*v, L_.LineNo, key);
    if (n < 0 || n > 255) Fail(L_.LineNo, std::string("field '") + key + "' takes 0 to 255");
    b = static_cast<uint8_t>(n);
  }
  void Target(const char* key, std::string& page, int32_t& index, int32_t since) override {
    const auto v = Take(key);
    if (!v) return;
    Guard(key, [&] {
      std::string rest;
      if (!v->empty() && (*v)[0] == '"') {
        size_t pos = 0;
        page = UnquoteText(*v, pos);
        rest = v->substr(pos);
      } else {
        const size_t colon = v->find(':');
        size_t cut = colon;
        if (colon == std::string::npos) {
          const size_t hash = v->rfind('#');
          cut = hash != std::string::npos && conv::ParseInt(v->substr(hash + 1)) ? hash : v->size();
        }
        page = v->substr(0, cut);
        rest = v->substr(cut);
        if (page.empty()) page = Page_.Name;
      }
      index = 0;
      if (rest.empty()) return 0;
      if (rest[0] == '#') {
        const auto n = conv::ParseInt(rest.substr(1));
        if (!n) throw EFormatError("bad command index '" + rest + "'");
        if (Page_.Version >= since) index = *n;
        return 0;
      }
      if (rest[0] != ':') throw EFormatError("':label' or '#index' expected after the page");
      std::optional<int32_t> given;
      const std::string label = LabelOf(rest.substr(1), given);
      if (Page_.Version < since) given.reset();
      Labels_.push_back({L_.LineNo, page == Page_.Name ? std::string() : page, label, &index, given});
      return 0;
    });
  }
  void LoopTarget(const char* key, int32_t& index, TLoopRole) override {
    const auto v = Take(key);
    if (!v) {
      Loops_.push_back({L_.LineNo, Index_, &index});
      return;
    }
    if (v->empty() || (*v)[0] != '#') Fail(L_.LineNo, std::string("field '") + key + "' takes #index");
    index = ParseNumber(v->substr(1), L_.LineNo, "command index");
  }
  void Message(const char* key, std::string& bytes) override {
    const auto v = Take(key);
    if (!v) return;
    bytes = Guard(key, [&] { return v->rfind("hex:", 0) == 0 ? FromHex(v->substr(4)) : CompileMessage(TextOf(*v)); });
  }
  void Properties(TPropertyExprs& props) override {
    for (TPropertyExpr& p : props) Compile(PropertyName(p.Id), Take(PropertyName(p.Id)).value_or(""), *p.Expr);
  }

 private:
  std::optional<std::string> Take(const char* key) {
    if (*key == '\0') {
      PrimaryUsed_ = true;
      return L_.HasPrimary ? std::optional<std::string>(L_.Primary) : std::nullopt;
    }
    std::optional<std::string> found;
    for (size_t i = 0; i < L_.Keyed.size(); ++i) {
      if (L_.Keyed[i].first != key) continue;
      if (found) Fail(L_.LineNo, std::string("field '") + key + "' given twice");
      found = L_.Keyed[i].second;
      Used_[i] = true;
    }
    return found;
  }

  template <typename F>
  auto Guard(const char* key, F f) -> decltype(f()) {
    try {
      return f();
    } catch (const EOpalError& e) {
      Fail(L_.LineNo, std::string(*key ? key : L_.Info->Name) + ": " + e.what());
    }
  }

  void Compile(const char* key, const std::string& text, TOpalParser& e) {
    Guard(key, [&] {
      ExprFromText(text, e);
      return 0;
    });
  }

  TPage& Page_;
  TLine& L_;
  size_t Index_;
  std::vector<TLabelFixup>& Labels_;
  std::vector<TLoopFixup>& Loops_;
  std::vector<bool> Used_;
  bool PrimaryUsed_ = false;
};

// Reads one command line (after its indentation).
TLine ParseCommandLine(const std::string& raw, int line_no) {
  TLine l;
  l.LineNo = line_no;
  l.Line = line_no;
  size_t spaces = 0;
  while (spaces < raw.size() && raw[spaces] == ' ') ++spaces;
  if (spaces % 2 != 0) Fail(line_no, "indentation is two spaces a level");
  l.Indent = static_cast<int32_t>(spaces / 2);
  std::string rest = raw.substr(spaces);
  if (!rest.empty() && rest[0] == '{') {
    const size_t close = rest.find('}');
    if (close == std::string::npos) Fail(line_no, "'{' without '}'");
    for (const std::string& attr : SplitFields(rest.substr(1, close - 1))) {
      for (size_t at = 0; at < attr.size();) {
        size_t end = attr.find(' ', at);
        if (end == std::string::npos) end = attr.size();
        const std::string item = attr.substr(at, end - at);
        at = end + 1;
        if (item.empty()) continue;
        const size_t eq = item.find('=');
        if (eq == std::string::npos) Fail(line_no, "attribute '" + item + "' needs a value");
        const std::string k = item.substr(0, eq);
        const int32_t v = ParseNumber(item.substr(eq + 1), line_no, k.c_str());
        if (k == "line") {
          l.Line = v;
        } else if (k == "indent") {
          l.Indent = v;
        } else if ((k == "disabled" || k == "runon") && v >= 0 && v <= 255) {
          (k == "disabled" ? l.Disabled : l.RunOn) = static_cast<uint8_t>(v);
        } else {
          Fail(line_no, "bad attribute '" + item + "'");
        }
      }
    }
    rest = Trim(rest.substr(close + 1));
  }
  size_t p = 0;
  for (; p < rest.size() && (rest[p] == '!' || rest[p] == '+'); ++p) (rest[p] == '!' ? l.Disabled : l.RunOn) = 1;
  size_t name_end = p;
  while (name_end < rest.size() && rest[name_end] != ' ') ++name_end;
  const std::string name = rest.substr(p, name_end - p);
  l.Info = FindCommandInfo(name);
  if (l.Info == nullptr) Fail(line_no, "unknown command '" + name + "'");
  const std::string fields_text = rest.substr(name_end);
  if (Trim(fields_text).empty()) return l;
  if (TakesWholeLine(*l.Info)) {
    l.HasPrimary = true;
    l.Primary = Trim(fields_text);
    if (l.Primary[0] == '"') {
      size_t pos = 0;
      bool quoted = true;
      try {
        UnquoteText(l.Primary, pos);
      } catch (const EOpalError&) {
        quoted = false;
      }
      if (!quoted || pos != l.Primary.size()) l.Primary = QuoteText(l.Primary);
    }
    return l;
  }
  bool open = false;
  std::vector<std::string> fields = SplitFields(fields_text, &open);
  if (open) Fail(line_no, "a string is not closed");
  // An empty field (a stray or trailing ';') says nothing.
  std::erase_if(fields, [](const std::string& f) { return f.empty(); });
  for (size_t i = 0; i < fields.size(); ++i) {
    std::string key, value;
    if (SplitKey(fields[i], key, value)) {
      l.Keyed.emplace_back(key, value);
    } else if (i == 0) {
      l.HasPrimary = true;
      l.Primary = fields[i];
    } else {
      Fail(line_no, "field '" + fields[i] + "' needs a key");
    }
  }
  return l;
}

// A first field that reads as a key this command does not have is its main
// field after all (an expression such as `a: b` is unusual but legal).
void SettleMainField(TLine& l) {
  if (l.HasPrimary || l.Keyed.empty()) return;
  const TFieldKeys keys = KeysOf(*l.Info);
  const std::string& first = l.Keyed[0].first;
  bool known = keys.Props && FindPropertyName(first) >= 0;
  for (const std::string& k : keys.Keys) known = known || (!k.empty() && k == first);
  bool has_main = false;
  for (const std::string& k : keys.Keys) has_main = has_main || k.empty();
  if (!known && has_main) {
    l.HasPrimary = true;
    l.Primary = first + ":" + (l.Keyed[0].second.empty() ? "" : " " + l.Keyed[0].second);
    l.Keyed.erase(l.Keyed.begin());
  }
}

}  // namespace

void ReadPageText(std::string_view text, TPage& page, const TLabelLookup& other_labels) {
  const std::string default_name = page.Name;
  page.Clear();
  page.Version = kPageVersionCurrent;
  std::vector<TLine> lines;
  std::array<TPropertySet, kCommandCodeCount> extras{};
  int line_no = 0;
  for (size_t at = 0; at <= text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string raw(text.substr(at, end - at));
    at = end + 1;
    ++line_no;
    if (end == text.size() && raw.empty()) break;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    const std::string trimmed = Trim(raw);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    if (trimmed[0] != '.') {
      lines.push_back(ParseCommandLine(raw, line_no));
      continue;
    }
    const size_t space = trimmed.find(' ');
    const std::string directive = trimmed.substr(0, space);
    const std::string arg = space == std::string::npos ? "" : Trim(trimmed.substr(space));
    if (directive == ".version") {
      page.Version = ParseNumber(arg, line_no, "version");
      if (page.Version < kPageVersionMin || page.Version > kPageVersionMax) {
        Fail(line_no, Format("page version %d is outside %d..%d", page.Version, kPageVersionMin, kPageVersionMax));
      }
    } else if (directive == ".result") {
      int32_t t = -1;
      for (uint8_t i = 1; i <= 4; ++i) {
        if (arg == ResultTypeName(i)) t = i;
      }
      if (t < 0) t = ParseNumber(arg, line_no, "result type");
      if (t < 0 || t > 255) Fail(line_no, "result type takes 0 to 255");
      page.ResultType = static_cast<uint8_t>(t);
    } else if (directive == ".name") {
      try {
        page.Name = TextOf(arg);
      } catch (const EOpalError& e) {
        Fail(line_no, e.what());
      }
    } else if (directive == ".props") {
      const auto words = SplitFields(arg);  // one field: split at spaces below
      std::vector<std::string> items;
      for (size_t p = 0; p < words[0].size();) {
        size_t e = words[0].find(' ', p);
        if (e == std::string::npos) e = words[0].size();
        if (e > p) items.push_back(words[0].substr(p, e - p));
        p = e + 1;
      }
      if (items.empty()) Fail(line_no, ".props needs a command name");
      const TCommandInfo* info = FindCommandInfo(items[0]);
      if (info == nullptr) Fail(line_no, "unknown command '" + items[0] + "'");
      for (size_t i = 1; i < items.size(); ++i) {
        int id = FindPropertyName(items[i]);
        if (id < 0) id = ParseNumber(items[i], line_no, "property");
        if (id < 0 || id >= kPropertySetBytes * 8) Fail(line_no, "property id outside 0..167");
        TPage::AddToSet(extras[info->Code], id);
      }
    } else {
      Fail(line_no, "unknown directive '" + directive + "'");
    }
  }
  if (page.Name.empty()) page.Name = default_name;

  page.PropertySets = extras;
  for (TLine& l : lines) {
    SettleMainField(l);
    if (!l.Info->CreatesObject) continue;
    for (const auto& [key, value] : l.Keyed) {
      const int id = FindPropertyName(key);
      if (id >= 0) TPage::AddToSet(page.PropertySets[l.Info->Code], id);
    }
  }

  std::vector<TLabelFixup> labels;
  std::vector<TLoopFixup> loops;
  for (TLine& l : lines) {
    std::unique_ptr<TCommand> c = page.CreateCommand(l.Info->Code);
    c->Indent = l.Indent;
    c->StoredDisabled = l.Disabled;
    c->StoredRunOn = l.RunOn;
    c->Line = l.Line;
    TTextFieldReader reader(page, l, page.Commands.size(), labels, loops);
    c->Fields(reader);
    reader.Finish();
    page.Commands.push_back(std::move(c));
  }
  for (const TLabelFixup& f : labels) {
    std::optional<int> index;
    if (f.Page.empty()) {
      const int i = page.IndexOfLabel(f.Label);
      if (i >= 0) index = i;
    } else if (other_labels) {
      index = other_labels(f.Page, f.Label);
    } else if (f.Given) {
      index = *f.Given;
    } else {
      Fail(f.LineNo, "label '" + f.Label + "' of page '" + f.Page + "' is unknown here; give " + f.Page + ":" +
                         f.Label + "#index");
    }
    if (!index) Fail(f.LineNo, "no label '" + f.Label + "'" + (f.Page.empty() ? "" : " in " + f.Page));
    *f.Index = *index;
  }
  const auto computed = ComputeLoopTargets(page);
  for (const TLoopFixup& f : loops) {
    if (!computed[f.Command]) Fail(f.LineNo, "no matching While/WhileLoop; give to: #index");
    *f.Index = *computed[f.Command];
  }
}

}  // namespace opal

// Page to scenario text.
#include <map>
#include <set>

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

bool HasControl(std::string_view s) {
  for (size_t i = 0; i < s.size(); i += cp932::CharLen(s, i)) {
    const auto b = static_cast<uint8_t>(s[i]);
    if (b < 0x20 || b == 0x7F) return true;
  }
  return false;
}

bool LooksKeyed(const std::string& s) {
  std::string k, v;
  return SplitKey(s, k, v);
}

// Whether a text can stand in a field without quotes.
bool BareUsable(const std::string& s, bool primary) {
  if (s.empty() || s != Trim(s) || HasControl(s) || !SurvivesUtf8(s)) return false;
  if (s.find('"') != std::string::npos || s.find(';') != std::string::npos) return false;
  if (s.rfind("hex:", 0) == 0) return false;
  return !(primary && LooksKeyed(s));
}

std::string TextValue(const std::string& s, bool primary) { return BareUsable(s, primary) ? s : QuoteText(s); }

std::string Hex(std::string_view bytes) {
  static const char* const kDigits = "0123456789ABCDEF";
  std::string out = "hex:";
  for (char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    out += kDigits[b >> 4];
    out += kDigits[b & 15];
  }
  return out;
}

class TTextFieldWriter final : public TFieldVisitor {
 public:
  TTextFieldWriter(const TPage& page, int index, const std::optional<int32_t>& loop_target,
                   const TPageLookup& other_pages)
      : Page_(page), Index_(index), LoopTarget_(loop_target), OtherPages_(other_pages) {}

  std::string Primary;
  std::vector<std::pair<std::string, std::string>> Keyed;

  void Expr(const char* key, TOpalParser& e, int32_t since) override {
    if (Page_.Version < since) return;
    Put(key, ExprText(e, *key == '\0', false));
  }
  void PropIdExpr(const char* key, TOpalParser& e) override {
    std::string text = ExprText(e, *key == '\0', true);
    if (const auto id = conv::ParseInt(text); id && PropertyName(*id) != nullptr) text = PropertyName(*id);
    Put(key, text);
  }
  void ExprList(const char* key, TExprList& list) override {
    for (const auto& e : list) Keyed.emplace_back(key, ExprText(*e, false, false));
  }
  void Text(const char* key, std::string& s) override {
    if (s.empty()) return;
    // A text among other fields is quoted when it has spaces, so that the
    // line reads as fields; a whole-line text stays as it is.
    const TCommand& c = *Page_.Commands[static_cast<size_t>(Index_)];
    const bool whole = *key == '\0' && TakesWholeLine(*CommandInfo(c.Code()));
    Put(key, !whole && s.find(' ') != std::string::npos ? QuoteText(s) : TextValue(s, *key == '\0'));
  }
  void Byte(const char* key, uint8_t& b, const TEnumNames* names) override {
    if (names != nullptr) {
      const bool named = b < names->Count && *names->Names[b] != '\0';
      Put(key, named ? std::string(names->Names[b]) : conv::IntToStr(b));
    } else if (b != 0) {
      Put(key, conv::IntToStr(b));
    }
  }
  void Target(const char* key, std::string& page, int32_t& index, int32_t since) override {
    if (*key != '\0' && page.empty() && index == 0) return;
    std::string text;
    const bool own = page == Page_.Name;
    if (!own) {
      const bool bare = BareUsable(page, false) && page.find_first_of(":#") == std::string::npos;
      text = bare ? page : QuoteText(page);
    }
    if (Page_.Version < since) {
      Put(key, text + "#0");  // the index is not stored; it reads as 0
      return;
    }
    const TPage* target = own ? &Page_ : (OtherPages_ ? OtherPages_(page) : nullptr);
    std::string label;
    if (target != nullptr && index >= 0 && index < static_cast<int32_t>(target->Commands.size())) {
      const TCommand& c = *target->Commands[static_cast<size_t>(index)];
      if (c.Code() == 3 || c.Code() == 27) {
        const std::string& name = static_cast<const TComLabel&>(c).LabelName;
        const bool bare = BareUsable(name, false) && name.find('#') == std::string::npos;
        if (target->IndexOfLabel(name) == index) label = ":" + (bare ? name : QuoteText(name));
      }
    }
    // A label of another page carries its index too, so the page builds
    // alone, without that page at hand.
    if (label.empty() || !own) label += "#" + conv::IntToStr(index);
    Put(key, text + label);
  }
  void LoopTarget(const char* key, int32_t& index, TLoopRole) override {
    if (!LoopTarget_ || *LoopTarget_ != index) Put(key, "#" + conv::IntToStr(index));
  }
  void Message(const char* key, std::string& bytes) override {
    if (bytes.empty()) return;
    const auto text = DecompileMessage(bytes);
    Put(key, text ? TextValue(*text, *key == '\0') : Hex(bytes));
  }
  void Properties(TPropertyExprs& props) override {
    for (TPropertyExpr& p : props) {
      const std::string text = ExprText(*p.Expr, false, false);
      if (!text.empty()) Keyed.emplace_back(PropertyName(p.Id), text);
    }
  }

 private:
  void Put(const char* key, std::string value) {
    if (*key == '\0') {
      Primary = std::move(value);
    } else if (!value.empty()) {
      Keyed.emplace_back(key, std::move(value));
    }
  }

  static std::string ExprText(const TOpalParser& e, bool primary, bool prop_id) {
    return ExprToText(e, [&](const std::string& t) {
      if (t != Trim(t) || HasControl(t) || !SurvivesUtf8(t)) return false;
      bool open = false;
      if (SplitFields(t, &open).size() != 1 || open) return false;
      if (primary && LooksKeyed(t)) return false;
      return !(prop_id && FindPropertyName(t) >= 0);
    });
  }

  const TPage& Page_;
  int Index_;
  const std::optional<int32_t>& LoopTarget_;
  const TPageLookup& OtherPages_;
};

// The ids used by the commands of each code, with a non-absent expression.
std::map<int, std::set<int>> UsedProperties(const TPage& page) {
  std::map<int, std::set<int>> used;
  for (const auto& c : page.Commands) {
    const TCommandInfo* info = CommandInfo(c->Code());
    if (info == nullptr || !info->CreatesObject) continue;
    for (const TPropertyExpr& p : static_cast<const TComComponent&>(*c).Props) {
      if (!p.Expr->Ops.empty()) used[c->Code()].insert(p.Id);
    }
  }
  return used;
}

}  // namespace

std::string WritePageText(const TPage& page, const std::string& default_name, const TPageLookup& other_pages) {
  std::vector<std::string> lines;
  if (page.Version != kPageVersionCurrent) lines.push_back(".version " + conv::IntToStr(page.Version));
  if (page.ResultType != 1) {
    const char* name = ResultTypeName(page.ResultType);
    lines.push_back(".result " + (name ? std::string(name) : conv::IntToStr(page.ResultType)));
  }
  if (page.Name != default_name) lines.push_back(".name " + TextValue(page.Name, false));
  const auto used = UsedProperties(page);
  for (int code = 0; code < kCommandCodeCount; ++code) {
    std::string extras;
    const auto u = used.find(code);
    for (int id = 0; id < kPropertySetBytes * 8; ++id) {
      if (!TPage::InSet(page.PropertySets[static_cast<size_t>(code)], id)) continue;
      if (u != used.end() && u->second.count(id)) continue;
      const char* name = PropertyName(id);
      extras += " " + (name ? std::string(name) : conv::IntToStr(id));
    }
    if (!extras.empty()) lines.push_back(std::string(".props ") + CommandInfo(code)->Name + extras);
  }

  const auto loops = ComputeLoopTargets(page);
  for (size_t i = 0; i < page.Commands.size(); ++i) {
    TCommand& c = *page.Commands[i];
    const int32_t next_line = static_cast<int32_t>(lines.size()) + 1;
    std::string attrs;
    if (c.Line >= next_line && c.Line - next_line <= kMaxLinePadding) {
      lines.resize(static_cast<size_t>(c.Line) - 1);
    } else {
      attrs += " line=" + conv::IntToStr(c.Line);
    }
    const bool spaced = c.Indent >= 0 && c.Indent <= kMaxIndentBySpaces;
    if (!spaced) attrs += " indent=" + conv::IntToStr(c.Indent);
    if (c.StoredDisabled > 1) attrs += " disabled=" + conv::IntToStr(c.StoredDisabled);
    if (c.StoredRunOn > 1) attrs += " runon=" + conv::IntToStr(c.StoredRunOn);

    std::string line(spaced ? static_cast<size_t>(c.Indent) * 2 : 0, ' ');
    if (!attrs.empty()) line += "{" + attrs.substr(1) + "} ";
    if (c.StoredDisabled == 1) line += '!';
    if (c.StoredRunOn == 1) line += '+';
    line += CommandInfo(c.Code())->Name;

    TTextFieldWriter w(page, static_cast<int>(i), loops[i], other_pages);
    c.Fields(w);
    bool first = true;
    if (!w.Primary.empty()) {
      line += " " + w.Primary;
      first = false;
    }
    for (const auto& [key, value] : w.Keyed) {
      line += first ? " " : " ; ";
      line += key + ":";
      if (!value.empty()) line += " " + value;
      first = false;
    }
    lines.push_back(std::move(line));
  }
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

}  // namespace opal

// The word: settings, the glyph list, variables and source positions.
#include "text/sk_word.h"

#include <algorithm>
#include <unordered_set>

#include "text/font_pixel.h"
#include "text/tag_parser.h"

namespace opal {

const char TSkWord::kDefaultFace[] = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";

TSkWord::TSkWord(TFontPixelManager& fonts, TWordHost* host) : Fonts_(fonts), Host_(host) {}
// Glyphs release their styles into the decoration list, so they go first.
TSkWord::~TSkWord() { Clear(); }

int32_t TSkWord::IndexOf(const TWdGlyph* g) const {
  for (size_t i = 0; i < Glyphs_.size(); ++i)
    if (Glyphs_[i].get() == g) return static_cast<int32_t>(i);
  return -1;
}

void TSkWord::Insert(size_t at, TWdGlyphPtr g) {
  Glyphs_.insert(Glyphs_.begin() + static_cast<std::ptrdiff_t>(std::min(at, Glyphs_.size())), std::move(g));
}

// The glyph leaves the list before it is freed: a variable's destructor
// deletes the glyphs it inserted.
void TSkWord::Delete(size_t at) {
  if (at >= Glyphs_.size()) return;
  TWdGlyphPtr g = std::move(Glyphs_[at]);
  Glyphs_.erase(Glyphs_.begin() + static_cast<std::ptrdiff_t>(at));
}

void TSkWord::AddGlyphs(const TTagGlyphList& list) {
  // Runs of characters share one style record of the parse.
  const TCharStyle* lastStyle = nullptr;
  TDecorate style;
  for (const TTagGlyph& t : list) {
    if (t.Style != nullptr && t.Style.get() != lastStyle) {
      lastStyle = t.Style.get();
      style = ToDecorate(*t.Style);
    }
    TWdGlyphPtr g;
    switch (t.Kind) {
      case TGlyphKind::Char: {
        auto c = std::make_unique<TWdChar>(*this);
        c->CodeValue = t.Code;
        c->Link = t.LinkTarget();
        c->WaitValue = t.Wait;
        if (t.Style != nullptr) c->SetDecorate(style);
        g = std::move(c);
        break;
      }
      case TGlyphKind::Align: {
        auto a = std::make_unique<TWdOpeAlign>(*this);
        a->Code_ = t.Align;
        g = std::move(a);
        break;
      }
      case TGlyphKind::Return: {
        auto r = std::make_unique<TWdOpeReturn>(*this);
        r->Clear = t.Clear;
        g = std::move(r);
        break;
      }
      case TGlyphKind::Indent: g = std::make_unique<TWdOpeIndent>(*this); break;
      case TGlyphKind::Undent: g = std::make_unique<TWdOpeUndent>(*this); break;
      case TGlyphKind::Event: {
        auto e = std::make_unique<TWdOpeEvent>(*this);
        e->HoldFlag = t.Holds();
        e->EventText = e->HoldFlag ? t.Text.substr(1) : t.Text;
        g = std::move(e);
        break;
      }
      case TGlyphKind::Var: {
        auto v = std::make_unique<TWdOpeVar>(*this);
        v->Expression = t.Text;
        v->Link = t.LinkTarget();
        v->WaitValue = t.Wait;
        if (t.Style != nullptr) v->SetDecorate(style);
        g = std::move(v);
        break;
      }
      case TGlyphKind::Image: {
        auto m = std::make_unique<TWdImg>(*this);
        m->FileName = t.Text;
        m->ImgAlign = t.Align;
        m->Link = t.LinkTarget();
        m->WaitValue = t.Wait;
        g = std::move(m);
        break;
      }
    }
    if (g != nullptr) Glyphs_.push_back(std::move(g));
  }
}

void TSkWord::Parse(const std::string& text) {
  Clear();
  TTagGlyphList list;
  try {
    ParseTagText(text, DefaultWait, list);
  } catch (...) {
    AddGlyphs(list);
    throw;
  }
  AddGlyphs(list);
}

namespace {
// A range first..last of n glyphs, last < 0 meaning the end; empty when
// nothing lies in it.
bool ClampRange(int32_t n, int32_t& first, int32_t& last) {
  if (first < 0) first = 0;
  if (last < 0 || last >= n) last = n - 1;
  return first <= last;
}
}  // namespace

// Both go through the list once, so a text of many variables costs its
// length, not its length for every variable.
void TSkWord::CollapseVars(int32_t first, int32_t last) {
  if (!ClampRange(static_cast<int32_t>(Glyphs_.size()), first, last)) return;
  std::unordered_set<const TWdGlyph*> made;
  for (int32_t i = first; i <= last; ++i) {
    if (auto* v = dynamic_cast<TWdOpeVar*>(Glyphs_[static_cast<size_t>(i)].get())) {
      made.insert(v->Inserted.begin(), v->Inserted.end());
      v->Inserted.clear();
    }
  }
  if (!made.empty()) std::erase_if(Glyphs_, [&made](const TWdGlyphPtr& g) { return made.contains(g.get()); });
}

void TSkWord::ExpandVars(int32_t first, int32_t last) {
  if (!ClampRange(static_cast<int32_t>(Glyphs_.size()), first, last)) return;
  // What the variables of the range showed before goes first.
  std::vector<TWdOpeVar*> vars;
  std::unordered_set<const TWdGlyph*> made;
  for (int32_t i = first; i <= last; ++i) {
    if (auto* v = dynamic_cast<TWdOpeVar*>(Glyphs_[static_cast<size_t>(i)].get())) {
      vars.push_back(v);
      made.insert(v->Inserted.begin(), v->Inserted.end());
      v->Inserted.clear();
    }
  }
  if (vars.empty()) return;
  // Values are taken from the last variable to the first.
  std::vector<std::vector<TWdGlyphPtr>> values(vars.size());
  for (size_t k = vars.size(); k-- > 0;) values[k] = vars[k]->ValueGlyphs();
  std::vector<TWdGlyphPtr> list;
  list.reserve(Glyphs_.size());
  size_t next = 0;
  for (TWdGlyphPtr& g : Glyphs_) {
    if (made.contains(g.get())) continue;  // freed with the old list
    TWdGlyph* kept = g.get();
    list.push_back(std::move(g));
    if (next < vars.size() && kept == vars[next]) {
      for (TWdGlyphPtr& shown : values[next]) list.push_back(std::move(shown));
      ++next;
    }
  }
  Glyphs_.swap(list);
}

std::optional<std::string> TSkWord::VariableValue(const TWdOpeVar& v) const {
  const std::string prefix = v.Expression + "=";
  for (const std::string& entry : FixedValues) {
    if (v.Expression.empty() || entry.compare(0, prefix.size(), prefix) != 0) continue;
    std::string value = entry.substr(prefix.size());
    std::replace(value.begin(), value.end(), '\1', '\r');
    return value;
  }
  if (Host_ == nullptr) return std::nullopt;
  if (!v.Expression.empty()) return Host_->EvaluateText(v.Expression);
  if (!v.Compiled.empty()) return Host_->EvaluateCompiled(v.Compiled);
  return std::nullopt;
}

int32_t TSkWord::CellSize(const TDecorate& d) const {
  const int32_t s = d.Size > 0 ? d.Size : DefaultSize;
  return std::clamp(s, 1, TFontPixelManager::kMaxSize);
}

int32_t TSkWord::OutlineOf(const TDecorate& d) const {
  return std::clamp(d.OutlineWidth < 0 ? DefaultOutline : d.OutlineWidth, 0, TFontPixelManager::kMaxOutlineWidth);
}

int32_t TSkWord::ShadowOf(const TDecorate& d) const {
  return std::clamp(d.ShadowWidth < 0 ? DefaultShadow : d.ShadowWidth, 0, TFontPixelManager::kMaxShadowWidth);
}

int32_t TSkWord::TextColourOf(const TWdGlyph& g) const {
  if (g.Active()) return ActiveLinkColor;
  const TDecorate* d = g.Decorate();
  if (d != nullptr && d->Color != -1) return d->Color;
  return g.LinkTarget().empty() ? DefaultColor : LinkColor;
}

int32_t TSkWord::SourceToGlyph(int32_t n) const {
  int32_t at = 0;
  for (size_t i = 0; i < Glyphs_.size(); ++i) {
    if (Glyphs_[i]->SourceCount() == 0) continue;
    if (at == n) return static_cast<int32_t>(i);
    at += Glyphs_[i]->SourceCount();
  }
  return -1;
}

int32_t TSkWord::GlyphToSource(const TWdGlyph* g) const {
  int32_t at = 0;
  for (const TWdGlyphPtr& p : Glyphs_) {
    if (p.get() == g) return at;
    at += p->SourceCount();
  }
  return -1;
}

void TSkWord::StartAnimations() {
  for (const TWdGlyphPtr& g : Glyphs_) g->StartAnimation();
}

void TSkWord::StopAnimations() {
  for (const TWdGlyphPtr& g : Glyphs_) g->StopAnimation();
}

void TSkWord::Clear() {
  // Variables forget what they inserted, which goes with the list.
  for (const TWdGlyphPtr& g : Glyphs_)
    if (auto* v = dynamic_cast<TWdOpeVar*>(g.get())) v->Inserted.clear();
  Glyphs_.clear();
  Decorations_.Clear();
  FixedValues.clear();
  DecorationBase = 0;
}

}  // namespace opal

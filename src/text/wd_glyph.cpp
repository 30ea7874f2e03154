// Glyph structure, accessors and measuring.
#include "text/wd_glyph.h"

#include <algorithm>

#include "common/cp932.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace opal {

namespace {
const std::string kNoText;
}

TWdPage* TWdGlyph::OwnerPage() const {
  for (TWdComposite* p = Parent; p != nullptr; p = p->Parent)
    if (auto* page = dynamic_cast<TWdPage*>(p)) return page;
  return nullptr;
}

int32_t TWdGlyph::AbsX() const {
  int32_t x = X;
  for (const TWdComposite* p = Parent; p != nullptr; p = p->Parent) x += p->X;
  return x;
}

// Rows of a scrolling page stand higher by its scroll offset.
int32_t TWdGlyph::AbsY() const {
  int32_t y = Y;
  for (const TWdComposite* p = Parent; p != nullptr; p = p->Parent) {
    y += p->Y;
    if (auto* page = dynamic_cast<const TWdPage*>(p)) y -= page->ScrollOffset;
  }
  return y;
}

const std::string& TWdGlyph::LinkTarget() const { return kNoText; }

// --- composites ---

TWdComposite::~TWdComposite() = default;

int32_t TWdComposite::IndexOf(const TWdGlyph* g) const {
  if (g != nullptr && g->Parent == this && g->IndexInParent >= 0 &&
      static_cast<size_t>(g->IndexInParent) < Items_.size() && Items_[static_cast<size_t>(g->IndexInParent)] == g) {
    return g->IndexInParent;
  }
  const auto it = std::find(Items_.begin(), Items_.end(), g);
  return it == Items_.end() ? -1 : static_cast<int32_t>(it - Items_.begin());
}

void TWdComposite::Add(TWdGlyph* g) {
  g->Parent = this;
  g->IndexInParent = static_cast<int32_t>(Items_.size());
  Items_.push_back(g);
}

void TWdComposite::Adopt(TWdGlyphPtr g) {
  Add(g.get());
  Owned_.push_back(std::move(g));
}

void TWdComposite::Reset() {
  for (TWdGlyph* g : Items_)
    if (g->Parent == this) g->Parent = nullptr;
  Items_.clear();
  Owned_.clear();
}

std::string TWdComposite::CharText() const {
  std::string s;
  for (const TWdGlyph* g : Items_) s += g->CharText();
  return s;
}

// Rows go before the glyphs they point at would: they only forget them.
TWdPage::~TWdPage() {
  for (size_t i = 0; i < Count(); ++i) Row(i)->Reset();
}

void TWdPage::AdoptRow(std::unique_ptr<TWdRow> row) { Adopt(std::move(row)); }

void TWdPage::RemoveLastRow() {
  if (Items_.empty()) return;
  TWdGlyph* last = Items_.back();
  static_cast<TWdRow*>(last)->Reset();
  Items_.pop_back();
  const auto it = std::find_if(Owned_.begin(), Owned_.end(), [last](const TWdGlyphPtr& p) { return p.get() == last; });
  if (it != Owned_.end()) Owned_.erase(it);
}

std::vector<std::unique_ptr<TWdRow>> TWdPage::TakeRows() {
  std::vector<std::unique_ptr<TWdRow>> rows;
  for (TWdGlyph* item : Items_) {
    const auto it = std::find_if(Owned_.begin(), Owned_.end(), [item](const TWdGlyphPtr& p) { return p.get() == item; });
    if (it == Owned_.end()) continue;  // shown here, owned elsewhere
    it->release();
    item->Parent = nullptr;
    item->IndexInParent = -1;
    rows.emplace_back(static_cast<TWdRow*>(item));
  }
  Items_.clear();
  Owned_.clear();
  return rows;
}

void TWdPage::ResetReveal() {
  NextRow = NextGlyph = 0;
  WaitAcc = FadeAcc = 0;
  Fading.clear();
  Animated.clear();
  PendingEvents.clear();
  EventDispatched = false;
  Finished = FinishedReported = false;
  Owner.CaretX = Owner.CaretY = Owner.CaretHeight = 0;
}

// --- characters ---

TWdChar::TWdChar(TSkWord& owner) : TWdReal(owner) { Decor = owner.Decorations().Acquire(TDecorate{}); }
TWdChar::~TWdChar() { Owner.Decorations().Release(Decor); }

void TWdChar::SetDecorate(const TDecorate& style) { Decor = Owner.Decorations().Change(Decor, style); }

std::string TWdChar::CharText() const {
  if (CodeValue > 0xFF) return {static_cast<char>(CodeValue >> 8), static_cast<char>(CodeValue & 0xFF)};
  return std::string(1, static_cast<char>(CodeValue));
}

void TWdChar::Measure() {
  const int32_t s = Owner.CellSize(*Decor);
  Width = s + ((Decor->Style & 2) != 0 ? s / 5 : 0);
  Height = s + (Decor->Ruby.empty() ? 0 : std::max(1, s / 2));
  const int32_t extra = 2 * Owner.OutlineOf(*Decor) + Owner.ShadowOf(*Decor);
  Width += extra;
  Height += extra;
}

void TWdImg::Measure() {
  Picture = Owner.Host() != nullptr && !FileName.empty() ? Owner.Host()->LoadPicture(FileName) : nullptr;
  if (Picture != nullptr && !Picture->Frames.empty() && Picture->Frames[0].Pixels != nullptr) {
    Width = Picture->Frames[0].Pixels->Width();
    Height = Picture->Frames[0].Pixels->Height();
  } else {
    Picture = nullptr;
    Width = Height = 0;
  }
  Frame = FrameTime = 0;
}

// The height depends on the row; the arrangement sets it.
void TWdOpeReturn::Measure() { Width = Height = 0; }

// --- variables ---

TWdOpeVar::TWdOpeVar(TSkWord& owner) : TWdGlyph(owner) { Decor = owner.Decorations().Acquire(TDecorate{}); }

TWdOpeVar::~TWdOpeVar() {
  Collapse();
  Owner.Decorations().Release(Decor);
}

void TWdOpeVar::SetDecorate(const TDecorate& style) { Decor = Owner.Decorations().Change(Decor, style); }

std::vector<TWdGlyphPtr> TWdOpeVar::ValueGlyphs() {
  std::vector<TWdGlyphPtr> glyphs;
  const std::optional<std::string> value = Owner.VariableValue(*this);
  if (!value) return glyphs;
  for (const uint16_t code : cp932::CharCodes(*value)) {
    // Other control characters insert nothing.
    if (code == 13) {
      glyphs.push_back(std::make_unique<TWdVarReturn>(Owner));
    } else if (code >= 32) {
      auto c = std::make_unique<TWdVarChar>(Owner);
      c->CodeValue = code;
      c->SetDecorate(*Decor);
      c->WaitValue = WaitValue;
      c->Link = Link;
      glyphs.push_back(std::move(c));
    } else {
      continue;
    }
    Inserted.push_back(glyphs.back().get());
  }
  return glyphs;
}

void TWdOpeVar::Expand() {
  Collapse();
  const int32_t at = Owner.IndexOf(this);
  if (at < 0) return;
  std::vector<TWdGlyphPtr> glyphs = ValueGlyphs();
  for (size_t k = 0; k < glyphs.size(); ++k) Owner.Insert(static_cast<size_t>(at) + 1 + k, std::move(glyphs[k]));
}

void TWdOpeVar::Collapse() {
  for (TWdGlyph* g : Inserted) {
    const int32_t i = Owner.IndexOf(g);
    if (i >= 0) Owner.Delete(static_cast<size_t>(i));
  }
  Inserted.clear();
}

}  // namespace opal

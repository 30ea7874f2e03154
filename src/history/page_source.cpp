// Pages of a word mapped back to their message.
#include "history/page_source.h"

#include <set>

#include "text/sk_word.h"
#include "text/wd_glyph.h"

namespace opal {

TOpalSourceMap::TOpalSourceMap(const TSkWord& word) : Word_(word) {
  int32_t at = 0;
  Places_.reserve(word.GlyphCount());
  for (size_t i = 0; i < word.GlyphCount(); ++i) {
    const TWdGlyph* g = word.Glyph(i);
    const int32_t n = g->SourceCount();
    Places_.emplace(g, TPlace{static_cast<int32_t>(i), n > 0 ? at : std::max(at - 1, 0)});
    at += n;
  }
}

const TOpalSourceMap::TPlace* TOpalSourceMap::Place(const TWdGlyph* g) const {
  const auto it = Places_.find(g);
  return it == Places_.end() ? nullptr : &it->second;
}

bool TOpalSourceMap::Bounds(const TWdPage& page, int32_t& first, int32_t& last) const {
  first = last = -1;
  for (size_t r = 0; r < page.Count(); ++r) {
    const TWdRow& row = *page.Row(r);
    for (size_t i = 0; i < row.Count(); ++i) {
      const TPlace* p = Place(row.Item(i));
      if (p == nullptr) continue;
      if (first < 0) first = p->Index;
      last = p->Index;
    }
  }
  return first >= 0;
}

TOpalPageSpan TOpalSourceMap::Span(const TWdPage& page) const {
  int32_t first, last;
  if (!Bounds(page, first, last)) return {};
  return {Place(Word_.Glyph(static_cast<size_t>(first)))->Source, Place(Word_.Glyph(static_cast<size_t>(last)))->Source};
}

std::string TOpalSourceMap::Values(const TWdPage& page) const {
  int32_t first, last;
  if (!Bounds(page, first, last)) return {};
  // A variable whose inserted glyphs begin the page stands just before it.
  while (first > 0 && Word_.Glyph(static_cast<size_t>(first))->SourceCount() == 0) --first;
  std::string out;
  std::set<std::string> seen;
  for (int32_t i = first; i <= last; ++i) {
    const auto* v = dynamic_cast<const TWdOpeVar*>(Word_.Glyph(static_cast<size_t>(i)));
    if (v == nullptr || v->Expression.empty() || !seen.insert(v->Expression).second) continue;
    std::string value;
    for (const TWdGlyph* g : v->Inserted) value += g->Kind() == wkReturn ? std::string(1, '\1') : g->CharText();
    if (!out.empty()) out += "\r\n";
    out += v->Expression + "=" + value;
  }
  return out;
}

bool GlyphRange(const TSkWord& word, int32_t first, int32_t last, int32_t& glyphFirst, int32_t& glyphLast) {
  const int32_t n = static_cast<int32_t>(word.GlyphCount());
  glyphFirst = word.SourceToGlyph(std::max(first, 0));
  if (glyphFirst < 0) return false;
  glyphLast = n - 1;
  if (last >= 0 && last < INT32_MAX) {
    const int32_t after = word.SourceToGlyph(last + 1);
    if (after >= 0) glyphLast = after - 1;
  }
  return glyphLast >= glyphFirst;
}

}  // namespace opal

// Building a window's pages from its message data through the message cache.
#include "history/mes_data_cache.h"

#include <algorithm>
#include <climits>

#include "common/cp932.h"
#include "common/error.h"
#include "history/page_source.h"
#include "storage/stream.h"

namespace opal {

TMesDataCacheList::TMesDataCacheList(TOpalMessageStore* store, TFontPixelManager& fonts, TWordHost* host)
    : Store_(store), Fonts_(fonts), Host_(host) {}

void TMesDataCacheList::Clear() { Pages_.clear(); }

std::vector<std::string> TMesDataCacheList::TakeErrors() { return std::exchange(Errors_, {}); }

const TSkWord* TMesDataCacheList::Message(const std::string& page, int32_t command) {
  if (Store_ == nullptr || page.empty()) return nullptr;
  auto hit = std::find_if(Pages_.begin(), Pages_.end(), [&](const TMesDataCache& c) { return cp932::SameText(c.Name, page); });
  if (hit != Pages_.end()) {
    std::rotate(Pages_.begin(), hit, hit + 1);
  } else {
    TOpalMessagePagePtr loaded = Store_->CachedPage(page);
    if (loaded == nullptr) loaded = Store_->LoadPage(page);
    if (loaded == nullptr) return nullptr;
    Pages_.insert(Pages_.begin(), TMesDataCache{page, std::move(loaded), {}});
    if (Pages_.size() > kMaxPages) Pages_.resize(kMaxPages);
  }
  TMesDataCache& cache = Pages_.front();
  auto word = std::find_if(cache.Words.begin(), cache.Words.end(),
                           [command](const TMesDataCacheWord& w) { return w.Command == command; });
  if (word != cache.Words.end()) {
    std::rotate(cache.Words.begin(), word, word + 1);
    return cache.Words.front().Word.get();
  }
  const std::optional<std::string_view> message = cache.Page->Message(command);
  if (!message) return nullptr;
  auto loaded = std::make_unique<TSkWord>(Fonts_, Host_);
  try {
    TMemoryStream s(std::vector<uint8_t>(message->begin(), message->end()));
    loaded->LoadGlyphs(s);
  } catch (const EOpalError& e) {
    Errors_.push_back(Format("%s(%d): %s", page.c_str(), command, e.what()));
    loaded.reset();
  }
  cache.Words.insert(cache.Words.begin(), TMesDataCacheWord{command, std::move(loaded)});
  if (cache.Words.size() > kMaxWords) cache.Words.resize(kMaxWords);
  return cache.Words.front().Word.get();
}

namespace {

std::vector<std::string> ValueLines(const std::string& values) {
  std::vector<std::string> lines;
  for (std::string& line : cp932::SplitLines(values))
    if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

// The rows of `from` moved into `to`, `y` pixels lower; returns the bottom
// of the last one, or nothing when there was none.
std::optional<int64_t> MoveRows(TWdPage& from, TWdPage& to, int64_t y) {
  std::optional<int64_t> bottom;
  for (auto& row : from.TakeRows()) {
    row->Y = static_cast<int32_t>(std::clamp<int64_t>(row->Y + y, INT32_MIN, INT32_MAX));
    bottom = int64_t{row->Y} + row->Height;
    to.AdoptRow(std::move(row));
  }
  if (bottom) to.Height = static_cast<int32_t>(std::clamp<int64_t>(*bottom, 0, INT32_MAX));
  return bottom;
}

// Keeps the engine's size settings across a build.
struct TKeepSize {
  TSkWord& W;
  int32_t Width = W.TextWidth, Height = W.ViewHeight;
  ~TKeepSize() {
    W.TextWidth = Width;
    W.ViewHeight = Height;
  }
};

void BuildFromEntries(TMesDataCacheList& cache, TSkWord& engine, TWdPageList& pages, const TOpalNewMesData& data,
                      bool flag) {
  TOpalMessageStore* store = cache.Store();
  const size_t n = data.EntryCount();
  const auto size = [&](size_t k) {
    engine.TextWidth = ClampExtent(data.EntrySizes[k].first);
    engine.ViewHeight = ClampExtent(data.EntrySizes[k].second);
  };
  if (n == 1 && data.EntryPageIndices[0] < 0) {
    if (store == nullptr || !store->Exists(data.EntryNames[0])) return;
    const TSkWord* message = cache.Message(data.EntryNames[0], data.EntryCommands[0]);
    if (message == nullptr) return;
    engine.CopyGlyphs(*message, 0, -1);
    size(0);
    engine.ExpandVars(0, -1);
    engine.Layout(pages, 0, -1);
    return;
  }
  pages.push_back(std::make_unique<TWdPage>(engine));
  TWdPage& page = *pages.back();
  int64_t y = 0;
  for (size_t k = 0; k < n; ++k) {
    const std::string& name = data.EntryNames[k];
    if (name.empty()) continue;
    if (store == nullptr || !store->Exists(name)) break;
    const TSkWord* message = cache.Message(name, data.EntryCommands[k]);
    if (message == nullptr) continue;
    const int32_t start = static_cast<int32_t>(engine.GlyphCount());
    engine.CopyGlyphs(*message, 0, -1);
    if (static_cast<int32_t>(engine.GlyphCount()) == start) continue;
    size(k);
    engine.ExpandVars(start, -1);
    TWdPageList laid;
    engine.Layout(laid, start, -1);
    const int32_t index = data.EntryPageIndices[k];
    if (index < 0 || static_cast<size_t>(index) >= laid.size()) continue;
    const std::optional<int64_t> bottom = MoveRows(*laid[static_cast<size_t>(index)], page, y);
    if (flag) {
      if (bottom) y = *bottom + engine.LineSpacing;
    } else {
      y += std::max(data.EntrySizes[k].second, 0);
    }
  }
}

void BuildFromPieces(TMesDataCacheList& cache, TSkWord& engine, TWdPageList& pages, const TOpalHistData& pieces,
                     int32_t offset) {
  TOpalMessageStore* store = cache.Store();
  if (pieces.Count() == 1 && pieces.TotalHeight == 0) {
    const std::string name = pieces.ResolvedName(0);
    if (store == nullptr || !store->Exists(name)) return;
    const TSkWord* message = cache.Message(name, pieces.Commands[0]);
    int32_t first, last;
    if (message == nullptr || !GlyphRange(*message, pieces.Firsts[0], pieces.Lasts[0], first, last)) return;
    engine.CopyGlyphs(*message, first, last);
    engine.FixedValues = ValueLines(pieces.Values[0]);
    engine.ExpandVars(0, -1);
    engine.Layout(pages, 0, -1);
    return;
  }
  pages.push_back(std::make_unique<TWdPage>(engine));
  TWdPage& page = *pages.back();
  int64_t y = offset;
  for (size_t k = 0; k < pieces.Count(); ++k) {
    const std::string name = pieces.ResolvedName(k);
    if (name.empty()) continue;  // no page before it names one
    if (store == nullptr || !store->Exists(name)) break;
    const TSkWord* message = cache.Message(name, pieces.Commands[k]);
    int32_t first, last;
    if (message == nullptr || !GlyphRange(*message, pieces.Firsts[k], pieces.Lasts[k], first, last)) continue;
    const int32_t start = static_cast<int32_t>(engine.GlyphCount());
    engine.CopyGlyphs(*message, first, last);
    if (static_cast<int32_t>(engine.GlyphCount()) == start) continue;
    engine.FixedValues = ValueLines(pieces.Values[k]);
    engine.ExpandVars(start, -1);
    TWdPageList laid;
    engine.Layout(laid, start, -1);
    engine.DecorationBase = static_cast<int32_t>(engine.Decorations().Count());
    if (laid.empty()) continue;
    if (const std::optional<int64_t> bottom = MoveRows(*laid.front(), page, y)) y = *bottom + engine.LineSpacing;
  }
}

}  // namespace

void BuildPages(TMesDataCacheList& cache, TSkWord& engine, TWdPageList& pages, const TOpalNewMesData& data,
                bool flag, int32_t offset) {
  // The pages point into the engine's glyphs: they go first.
  pages.clear();
  engine.Clear();
  TKeepSize keep{engine};
  if (data.Pieces.Count() == 0) {
    BuildFromEntries(cache, engine, pages, data, flag);
  } else {
    BuildFromPieces(cache, engine, pages, data.Pieces, offset);
  }
}

}  // namespace opal

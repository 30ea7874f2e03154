// Recording, committing and showing one format's history.
#include "history/opal_new_history.h"

#include <algorithm>

#include "common/cp932.h"
#include "common/error.h"
#include "history/history_format.h"
#include "history/page_source.h"
#include "storage/stream.h"

namespace opal {

TOpalNewHistory::TOpalNewHistory(TOpalHistoryFormat& format, TFontPixelManager& fonts, TWordHost* host,
                                 TOpalMessageStore* store)
    : Format_(format), Engine_(fonts, host), Store_(store) {}

void TOpalNewHistory::Record(const TOpalRecordedPage& page) {
  Pending_.Page = page.Page;
  Pending_.Command = page.Command;
  Pending_.First = page.First;
  Pending_.Last = page.Last;
  Pending_.Values = page.Values;
  Pending_.Window = page.Window;
  if (Format_.Settings.DefaultSize == 0) {
    Pending_.Width = page.Width;
    Pending_.Height = page.Height;
    Pending_.PageIndex = page.PageIndex;
  }
  if (HistPages_.empty()) {
    const TOpalHistorySettings& f = Format_.Settings;
    Engine_.DefaultSize = f.DefaultSize;
    Engine_.DefaultOutline = f.DefaultOutline;
    Engine_.DefaultShadow = f.DefaultShadow;
    Engine_.TextWidth = f.TextWidth;
    Engine_.ViewHeight = f.ViewHeight;
    Engine_.LineSpacing = f.LineSpacing;
  }
}

void TOpalNewHistory::Close(const std::string& window) {
  if (Pending_.Page.empty() || Pending_.Window != window) return;
  if (PageMode()) {
    CommitPage();
  } else {
    CommitEntry();
  }
}

void TOpalNewHistory::NoteEntryName(const THistoryOldData& e) {
  if (!e.Name.empty()) LastName_ = e.Name;
}

void TOpalNewHistory::RecountNames() {
  LastName_.clear();
  for (auto it = Entries_.rbegin(); it != Entries_.rend(); ++it)
    if (!it->Name.empty()) {
      LastName_ = it->Name;
      break;
    }
}

void TOpalNewHistory::CommitEntry() {
  THistoryOldData e;
  const bool repeats = !Entries_.empty() && cp932::SameText(LastName_, Pending_.Page);
  e.Name = repeats ? std::string() : Pending_.Page;
  e.Command = Pending_.Command;
  e.PageIndex = Pending_.PageIndex;
  e.Width = Pending_.Width;
  e.Height = Pending_.Height;
  NoteEntryName(e);
  Entries_.push_back(std::move(e));
  TrimEntries();
  Pending_.Page.clear();
}

void TOpalNewHistory::TrimEntries() {
  const size_t keep = static_cast<size_t>(std::max(MaxCount, 0));
  if (keep == 0) return;
  while (Entries_.size() > keep) {
    if (Entries_.size() > 1 && Entries_[1].Name.empty() && !Entries_[0].Name.empty())
      Entries_[1].Name = std::move(Entries_[0].Name);
    Entries_.pop_front();
  }
}

void TOpalNewHistory::TrimPages() {
  const size_t keep = static_cast<size_t>(std::max(MaxCount, 0));
  if (keep == 0) return;
  while (HistPages_.size() > keep) {
    PagesHeight_ -= HistPages_.front().TotalHeight;
    HistPages_.pop_front();
  }
}

void TOpalNewHistory::AddHistPage(TOpalHistData page) {
  PagesHeight_ += page.TotalHeight;
  HistPages_.push_back(std::move(page));
}

void TOpalNewHistory::CommitPage() {
  // Whatever happens below, nothing is pending afterwards.
  struct TDone {
    TOpalNewHistory& H;
    ~TDone() { H.Pending_.Page.clear(); }
  } done{*this};
  const std::string name = Pending_.Page;
  if (Store_ == nullptr || !Store_->Exists(name)) return;
  TOpalMessagePagePtr page = Store_->CachedPage(name);
  if (page == nullptr) page = Store_->LoadPage(name);
  if (page == nullptr) return;
  const std::optional<std::string_view> message = page->Message(Pending_.Command);
  if (!message) return;
  const bool same = Cached_ != nullptr && Cached_->Generation == page->Generation() &&
                    Cached_->Command == Pending_.Command && cp932::SameText(Cached_->Page, name);
  if (!same) {
    Cached_.reset();
    Engine_.Clear();
    TMemoryStream s(std::vector<uint8_t>(message->begin(), message->end()));
    try {
      Engine_.LoadGlyphs(s);
    } catch (const EOpalError&) {
      Engine_.Clear();
      throw;
    }
    Cached_ = std::make_unique<TCached>(TCached{name, Pending_.Command, page->Generation(), page});
  }
  int32_t first, last;
  if (!GlyphRange(Engine_, Pending_.First, Pending_.Last, first, last)) return;
  // The pages and the expanded variables go however the layout ends.
  struct TTidy {
    TOpalNewHistory& H;
    int32_t First, Last;
    ~TTidy() {
      H.Pages_.clear();
      H.Engine_.CollapseVars(First, Last);
    }
  } tidy{*this, first, last};
  Engine_.ExpandVars(first, last);
  // The variables' glyphs stand inside the range now.
  int32_t expandedLast = last;
  if (!GlyphRange(Engine_, Pending_.First, Pending_.Last, first, expandedLast)) return;
  tidy.Last = expandedLast;
  const int32_t width = Engine_.TextWidth;
  Engine_.TextWidth = LayoutWidth(width);
  Engine_.ViewHeight = ClampExtent(Engine_.ViewHeight);
  Engine_.LineSpacing = ClampSpacing(Engine_.LineSpacing);
  try {
    Engine_.Layout(Pages_, first, expandedLast);
  } catch (...) {
    Engine_.TextWidth = width;
    throw;
  }
  Engine_.TextWidth = width;
  const TOpalSourceMap map(Engine_);
  const int64_t view = Engine_.ViewHeight;
  for (const auto& laid : Pages_) {
    const int32_t h = ClampHeight(int64_t{laid->Height} + Engine_.LineSpacing);
    TOpalPageSpan span = map.Span(*laid);
    if (span.First < 0) span = {Pending_.First, Pending_.Last};
    if (!HistPages_.empty() && int64_t{HistPages_.back().TotalHeight} + h <= view) {
      HistPages_.back().AddPacked(name, Pending_.Command, span.First, span.Last, h, Pending_.Values);
      PagesHeight_ += h;
    } else {
      TOpalHistData fresh;
      fresh.AddPacked(name, Pending_.Command, span.First, span.Last, h, Pending_.Values);
      AddHistPage(std::move(fresh));
    }
  }
  TrimPages();
}

void TOpalNewHistory::Clear() {
  Pages_.clear();
  HistPages_.clear();
  PagesHeight_ = 0;
  Entries_.clear();
  LastName_.clear();
  Pending_.Page.clear();
  Pending_.Values.clear();
  Cached_.reset();
}

int32_t TOpalNewHistory::EntryCount() const {
  return static_cast<int32_t>(PageMode() ? HistPages_.size() : Entries_.size());
}

int64_t TOpalNewHistory::HistorySize() const {
  return PageMode() ? PagesHeight_ : static_cast<int64_t>(Entries_.size());
}

TOpalShowResult TOpalNewHistory::Show(int64_t first, int64_t count, TOpalNewMesData& data) const {
  TOpalShowResult result;
  if (first < 0 || count <= 0) return result;
  const int64_t end = first + count;  // both are below 2^63 / 2 in every call that shows anything
  if (!PageMode()) {
    const int64_t n = static_cast<int64_t>(Entries_.size());
    if (first >= n) return result;
    // The pieces go too: a window builds from its entries only when it has
    // no pieces, and the shown entries must not give way to the message a
    // TextIns left there.
    data.ClearEntries();
    data.Pieces.Clear();
    // The name in force at `first`: the nearest earlier entry with one.
    std::string name;
    for (int64_t k = first; k >= 0; --k)
      if (!Entries_[static_cast<size_t>(k)].Name.empty()) {
        name = Entries_[static_cast<size_t>(k)].Name;
        break;
      }
    for (int64_t k = first; k < std::min(end, n); ++k) {
      const THistoryOldData& e = Entries_[static_cast<size_t>(k)];
      if (!e.Name.empty()) name = e.Name;
      data.AddEntry(name, e.Command, e.PageIndex, e.Width, e.Height);
    }
    result.Shown = true;
    return result;
  }
  // Page mode. The first history page is the first whose running sum
  // exceeds `first`.
  const size_t pages = HistPages_.size();
  size_t p = 0;
  int64_t pageTop = 0;
  while (p < pages && pageTop + HistPages_[p].TotalHeight <= first) pageTop += HistPages_[p++].TotalHeight;
  if (p == pages) return result;
  // Its first piece: the first whose bottom exceeds `first`.
  const TOpalHistData& firstPage = HistPages_[p];
  size_t i = 0;
  int64_t pieceTop = pageTop;
  while (i + 1 < firstPage.Count() && pieceTop + firstPage.Heights[i] <= first) pieceTop += firstPage.Heights[i++];
  // The last history page: the first from there on whose running sum
  // reaches `end`, else the last; its last piece likewise.
  size_t q = p;
  int64_t qTop = pageTop;
  while (q + 1 < pages && qTop + HistPages_[q].TotalHeight < end) qTop += HistPages_[q++].TotalHeight;
  const TOpalHistData& lastPage = HistPages_[q];
  size_t j = 0;
  int64_t bottom = qTop;
  while (j < lastPage.Count()) {
    bottom += lastPage.Heights[j];
    if (bottom >= end || j + 1 == lastPage.Count()) break;
    ++j;
  }
  TOpalHistData pieces;
  for (size_t k = p; k <= q; ++k) {
    const TOpalHistData& hp = HistPages_[k];
    const size_t from = k == p ? i : 0;
    const size_t to = k == q ? std::min(j + 1, hp.Count()) : hp.Count();
    for (size_t m = from; m < to; ++m)
      pieces.Add(hp.ResolvedName(m), hp.Commands[m], hp.Firsts[m], hp.Lasts[m], hp.Heights[m], hp.Values[m]);
  }
  data.Pieces = std::move(pieces);
  result.Shown = true;
  result.PageMode = true;
  result.HistoryNumber = static_cast<int32_t>(std::clamp<int64_t>(pieceTop - first, INT32_MIN, 0));
  return result;
}

// --- stream form ---

namespace {

void SaveEntries(TStream& s, const THistoryOldDataList& entries) {
  WriteInt32(s, static_cast<int32_t>(entries.size()));
  for (const THistoryOldData& e : entries) {
    WriteString(s, e.Name);
    for (int32_t v : {e.Command, e.PageIndex, e.Width, e.Height}) WriteInt32(s, v);
  }
}

THistoryOldDataList LoadEntries(TStream& s, int32_t version) {
  THistoryOldDataList entries;
  // Either layout takes at least 20 bytes an entry.
  const int32_t n = history_stream::ReadCount(s, 20, "history entries");
  if (version >= history_version::kRowEntries) {
    for (int32_t i = 0; i < n; ++i) {
      THistoryOldData e;
      e.Name = ReadString(s);
      e.Command = ReadInt32(s);
      e.PageIndex = ReadInt32(s);
      e.Width = ReadInt32(s);
      e.Height = ReadInt32(s);
      entries.push_back(std::move(e));
    }
    return entries;
  }
  entries.resize(static_cast<size_t>(n));
  for (THistoryOldData& e : entries) e.Name = ReadString(s);
  for (THistoryOldData& e : entries) e.Command = ReadInt32(s);
  for (THistoryOldData& e : entries) e.PageIndex = ReadInt32(s);
  for (THistoryOldData& e : entries) {
    e.Width = ReadInt32(s);
    e.Height = ReadInt32(s);
  }
  return entries;
}

}  // namespace

void TOpalNewHistory::Save(TStream& s) const {
  SaveEntries(s, Entries_);
  WriteString(s, Pending_.Page);
  WriteInt32(s, Pending_.Command);
  WriteInt32(s, Pending_.PageIndex);
  WriteInt32(s, Pending_.Width);
  WriteInt32(s, Pending_.Height);
  WriteString(s, Pending_.Window);
  WriteInt32(s, MaxCount);
  for (int32_t v : {Engine_.DefaultSize, Engine_.DefaultOutline, Engine_.DefaultShadow, Engine_.TextWidth,
                    Engine_.ViewHeight, Engine_.LineSpacing})
    WriteInt32(s, v);
  WriteInt32(s, Pending_.First);
  WriteInt32(s, Pending_.Last);
  WriteInt32(s, static_cast<int32_t>(HistPages_.size()));
  for (const TOpalHistData& page : HistPages_) page.Save(s);
  WriteString(s, Pending_.Values);
}

void TOpalNewHistory::Load(TStream& s, int32_t version) {
  THistoryOldDataList entries;
  std::deque<TOpalHistData> pages;
  TPending pending;
  int32_t maxCount = 0;
  std::array<int32_t, 6> settings{Engine_.DefaultSize, Engine_.DefaultOutline, Engine_.DefaultShadow,
                                  Engine_.TextWidth,   Engine_.ViewHeight,     Engine_.LineSpacing};
  history_stream::Guarded("history", [&] {
    if (version < history_version::kRowEntries) (void)ReadString(s);
    entries = LoadEntries(s, version);
    pending.Page = ReadString(s);
    pending.Command = ReadInt32(s);
    pending.PageIndex = ReadInt32(s);
    pending.Width = ReadInt32(s);
    pending.Height = ReadInt32(s);
    pending.Window = ReadString(s);
    if (version < history_version::kRowEntries) return;
    maxCount = ReadInt32(s);
    for (int32_t& v : settings) v = ReadInt32(s);
    pending.First = ReadInt32(s);
    pending.Last = ReadInt32(s);
    // A history page takes its count and its total at least.
    const int32_t count = history_stream::ReadCount(s, 8, "history pages");
    for (int32_t i = 0; i < count; ++i) {
      TOpalHistData page;
      page.Load(s, version);
      pages.push_back(std::move(page));
    }
    if (version >= history_version::kValues) pending.Values = ReadString(s);
  });
  Pages_.clear();
  Entries_ = std::move(entries);
  RecountNames();
  HistPages_ = std::move(pages);
  PagesHeight_ = 0;
  for (const TOpalHistData& page : HistPages_) PagesHeight_ += page.TotalHeight;
  Pending_ = std::move(pending);
  MaxCount = maxCount;
  Engine_.DefaultSize = settings[0];
  Engine_.DefaultOutline = settings[1];
  Engine_.DefaultShadow = settings[2];
  Engine_.TextWidth = settings[3];
  Engine_.ViewHeight = settings[4];
  Engine_.LineSpacing = settings[5];
  Cached_.reset();
  Engine_.Clear();
}

}  // namespace opal

// TOpalNewHistory: the history of one format. Every message page a window
// shows with read marks is recorded as pending and committed when the
// window leaves it. In entry mode (the engine's TextWidth 0) a commit adds
// an entry naming the page; in page mode (TextWidth not 0) it lays the
// message out with the format's settings and packs the laid-out pages as
// pieces into history pages no higher than ViewHeight.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>

#include "history/hist_data.h"
#include "history/message_store.h"
#include "text/sk_word.h"

namespace opal {

class TFontPixelManager;
class TOpalHistoryFormat;
class TStream;
class TWordHost;

// The six layout settings of a history format, in their stream order.
struct TOpalHistorySettings {
  int32_t DefaultSize = 0, DefaultOutline = 0, DefaultShadow = 0;
  int32_t TextWidth = 0, ViewHeight = 0, LineSpacing = 0;
  std::array<int32_t, 6> Values() const {
    return {DefaultSize, DefaultOutline, DefaultShadow, TextWidth, ViewHeight, LineSpacing};
  }
  static TOpalHistorySettings From(const std::array<int32_t, 6>& v) { return {v[0], v[1], v[2], v[3], v[4], v[5]}; }
  bool operator==(const TOpalHistorySettings&) const = default;
};

// One rule for every use: a non-zero width is page mode; page mode lays out
// at least one pixel and at most the largest text area wide.
inline bool IsPageMode(int32_t textWidth) { return textWidth != 0; }
inline int32_t LayoutWidth(int32_t textWidth) { return textWidth > 0 ? std::min(textWidth, kMaxHistoryExtent) : 1; }

// What a message window hands over when it shows a page.
struct TOpalRecordedPage {
  std::string Window;      // the window's name
  int32_t Width = 0, Height = 0;  // its PR_WIDTH, PR_HEIGHT
  std::string Page;        // SourcePage: the scenario page's name
  int32_t Command = 0;     // SourceCommand: the TextIns command's index
  int32_t PageIndex = 0;   // which page of the message is shown
  int32_t First = 0, Last = -1;  // source positions of its first and last glyph
  std::string Values;      // the values its variables show (TOpalSourceMap::Values)
};

// What Show gives the window's message data.
struct TOpalShowResult {
  bool Shown = false;        // false: nothing was put into the data
  bool PageMode = false;     // the pieces were replaced (else the entries)
  int32_t HistoryNumber = 0;  // page mode: top of the first piece − first (≤ 0)
};

class TOpalNewHistory {
 public:
  // `store` may be null: page-mode commits then record nothing.
  TOpalNewHistory(TOpalHistoryFormat& format, TFontPixelManager& fonts, TWordHost* host, TOpalMessageStore* store);
  TOpalNewHistory(const TOpalNewHistory&) = delete;
  TOpalNewHistory& operator=(const TOpalNewHistory&) = delete;

  TOpalHistoryFormat& Format() const { return Format_; }
  // The engine that lays pages out in page mode; its TextWidth decides the
  // mode. It takes the format's settings at every Record while the history
  // has no history pages.
  TSkWord& Engine() { return Engine_; }
  const TSkWord& Engine() const { return Engine_; }
  bool PageMode() const { return IsPageMode(Engine_.TextWidth); }

  // Replaces the pending record with this page (a second Record before the
  // Close simply overwrites the first). Size and page index are taken only
  // when the format's DefaultSize is 0.
  void Record(const TOpalRecordedPage& page);
  // Commits the pending record when there is one and it came from the
  // window of this name (compared case-sensitively); afterwards nothing is
  // pending. A message that cannot be read (a damaged glyph stream) is
  // thrown as EOpalError after the history has been left consistent.
  void Close(const std::string& window);
  // Empties entries and history pages and forgets the pending record and
  // the cached message; settings and MaxCount stay.
  void Clear();

  // Entry mode: entries; page mode: history pages.
  int32_t EntryCount() const;
  // Entry mode: the number of entries; page mode: the height of all history
  // pages in pixels (a 64-bit sum).
  int64_t HistorySize() const;
  // The most entries (entry mode) or history pages (page mode) kept; 0 is
  // unlimited, a negative value counts as 0. Applied at the next commit.
  int32_t MaxCount = 0;

  // Puts history into a window's message data. The caller has clipped
  // count to HistorySize() − first and calls only with count > 0 and first
  // ≥ 0 (other calls show nothing). Entry mode: the data holds entries
  // first .. first + count − 1 with their names resolved and no pieces (the
  // pages are built from the pieces whenever there are any). Page mode: the
  // pieces are replaced by those covering the pixels [first, first +
  // count), names resolved (the entries stay, unused).
  // The window then sets ReadMode 2, PR_OFFSETY 0 (entry mode) or
  // HistoryNumber (page mode), rebuilds with the start handler and selects
  // page 0.
  TOpalShowResult Show(int64_t first, int64_t count, TOpalNewMesData& data) const;

  const THistoryOldDataList& Entries() const { return Entries_; }
  const std::deque<TOpalHistData>& HistPages() const { return HistPages_; }

  // The pending record.
  struct TPending {
    int32_t Width = 0, Height = 0;
    int32_t PageIndex = 0;
    std::string Window;
    std::string Page;  // empty: nothing pending
    int32_t Command = 0;
    int32_t First = 0, Last = 0;
    std::string Values;
    bool operator==(const TPending&) const = default;
  };
  const TPending& Pending() const { return Pending_; }

  // The history block of a game save (written in the current layout; read
  // by version: below 113 a string, entries by columns and no pages; the
  // values from 124). A damaged block is an EFormatError and changes
  // nothing. Afterwards no message is cached.
  void Save(TStream& s) const;
  void Load(TStream& s, int32_t version);

 private:
  void CommitEntry();
  void CommitPage();
  void AddHistPage(TOpalHistData page);
  void TrimEntries();
  void TrimPages();
  void NoteEntryName(const THistoryOldData& e);
  void RecountNames();

  TOpalHistoryFormat& Format_;
  TSkWord Engine_;
  TWdPageList Pages_;  // laid out during a commit only
  std::deque<TOpalHistData> HistPages_;
  int64_t PagesHeight_ = 0;  // sum of the history pages' TotalHeight
  THistoryOldDataList Entries_;
  std::string LastName_;     // nearest non-empty name of the last entry
  TPending Pending_;
  TOpalMessageStore* Store_;
  // The message the engine holds: its page's load, name and command.
  struct TCached {
    std::string Page;
    int32_t Command = 0;
    uint64_t Generation = 0;
    TOpalMessagePagePtr Source;  // keeps the load's generation unique
  };
  std::unique_ptr<TCached> Cached_;
};

}  // namespace opal

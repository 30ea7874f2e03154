// The read marks: which pages of which messages the player has read to the
// end, across all saved games. A page is named as the history names it: the
// scenario page, the index of the TextIns command and the page number of
// its message. The marks live in the status data, not in game saves.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/hash_collection.h"

namespace opal {

class TStream;

// The marks of one scenario page (its name looked up ignoring case): pairs
// (Commands[i], PageIndices[i]), appended and never removed singly.
class TOpalRead : public THashCollectionItem {
 public:
  std::vector<int32_t> Commands, PageIndices;
  bool Has(int32_t command, int32_t pageIndex) const;
  // Appends the pair unless it is there; false when it was.
  bool Add(int32_t command, int32_t pageIndex);

 private:
  static uint64_t Key(int32_t command, int32_t pageIndex);
  std::unordered_set<uint64_t> Pairs_;
};

class TOpalReadList {
 public:
  // The message window calls it right after it records a page in the
  // history: the pending mark becomes this page (any earlier one is
  // dropped, so a page left before it finished is not marked).
  void NotePage(const std::string& window, const std::string& page, int32_t pageIndex, int32_t command);
  // The window's current page has played to its end: when the pending mark
  // came from this window (name compared case-sensitively), its pair is
  // added to the page's item (made when missing); a pair already there
  // changes nothing, else the pending mark is cleared.
  void MarkRead(const std::string& window);
  // Whether that page of that command's message has been read.
  bool IsRead(const std::string& page, int32_t command, int32_t pageIndex) const;
  // ClrRead: every item and the pending mark go.
  void ClearMarks();

  int32_t Count() const { return Items_.Count(); }
  const TOpalRead& Item(int32_t i) const { return static_cast<const TOpalRead&>(*Items_.Item(i)); }

  // The pending mark.
  std::string PendingPage;  // empty: nothing pending
  int32_t PendingCommand = 0, PendingPageIndex = 0;
  std::string PendingWindow;

  // int32 item count; per item its name, int32 n, n commands, n page
  // indices; then the pending mark (page, command, page index, window).
  // LoadMarks clears the marks; below version 100 it reads nothing more.
  // A damaged block is an EFormatError and leaves the marks empty; items
  // of one name in any case are merged into one.
  void SaveMarks(TStream& s) const;
  void LoadMarks(TStream& s, int32_t version);

 private:
  TOpalRead* Find(const std::string& page) const;
  TOpalRead& Obtain(const std::string& page);
  THashCollection Items_;
};

}  // namespace opal

// The records of the message history: entries (one shown message page each),
// history pages (pieces of laid-out messages packed up to a view height) and
// the message data of a window (what its pages are built from). None of them
// holds text: a piece or entry names a scenario page and the index of the
// TextIns command whose compiled message is laid out again when it is shown.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

namespace opal {

class TStream;

// Stream versions (game-save versions) at which the history's forms change.
namespace history_version {
inline constexpr int32_t kRowEntries = 113;      // entries by rows, pieces, MaxCount, settings
inline constexpr int32_t kValues = 124;          // the pieces' values, PendingValues
inline constexpr int32_t kFormats = 135;         // the block of every format
inline constexpr int32_t kMarks = 100;           // read marks in a block at all
inline constexpr int32_t kCurrent = 138;         // what the writers produce
}  // namespace history_version

// The largest width, height or spacing the history takes from a save or a
// script (the largest text area a window has).
inline constexpr int32_t kMaxHistoryExtent = 1 << 15;
int32_t ClampExtent(int64_t v);  // to 0..kMaxHistoryExtent
int32_t ClampSpacing(int64_t v);  // to -kMaxHistoryExtent..kMaxHistoryExtent
int32_t ClampHeight(int64_t v);  // to 0..INT32_MAX

// One entry of entry mode.
struct THistoryOldData {
  std::string Name;  // empty: the page of the nearest earlier entry with a name
  int32_t Command = 0;
  int32_t PageIndex = 0;  // the page of the message that was shown
  int32_t Width = 0, Height = 0;  // the window's size when it was recorded
  bool operator==(const THistoryOldData&) const = default;
};
// Trimmed at the front as the history grows, so a deque.
using THistoryOldDataList = std::deque<THistoryOldData>;

// A history page, also the pieces of a window's message data: parallel
// arrays of one length, one element per piece.
struct TOpalHistData {
  std::vector<std::string> Names;  // empty: the nearest earlier non-empty name of this page
  std::vector<int32_t> Commands, Firsts, Lasts, Heights;
  std::vector<std::string> Values;  // "expression=value" lines the variables showed
  int32_t TotalHeight = 0;          // sum of Heights, at most INT32_MAX

  size_t Count() const { return Names.size(); }
  void Clear() { *this = TOpalHistData{}; }
  // Appends a piece as given (the name stored as it stands); the height is
  // clamped to 0 or more and TotalHeight grows by it (saturating).
  void Add(const std::string& name, int32_t command, int32_t first, int32_t last, int32_t height,
           const std::string& values);
  // Appends a piece of a history page: its name stored empty when the
  // nearest earlier non-empty name of this page equals it ignoring case;
  // the first piece always stores its name.
  void AddPacked(const std::string& name, int32_t command, int32_t first, int32_t last, int32_t height,
                 const std::string& values);
  // The name piece i stands for: the nearest non-empty name at or before i
  // in this page; empty ("no page") when there is none.
  std::string ResolvedName(size_t i) const;
  bool operator==(const TOpalHistData&) const = default;

  // int32 m; per piece name, command, first, last, height, values; then
  // TotalHeight. Load reads values only from version 124, checks m against
  // the bytes left, clamps heights to 0 or more and sets TotalHeight to
  // their sum; a damaged block leaves the data as it was (EFormatError).
  void Save(TStream& s) const;
  void Load(TStream& s, int32_t version);
};

// The message data of one message window: the entries it shows (entry mode)
// and the pieces (page mode, or the one piece a TextIns gives).
struct TOpalNewMesData {
  std::vector<std::string> EntryNames;  // resolved: never empty for a shown entry
  std::vector<int32_t> EntryCommands, EntryPageIndices;
  std::vector<std::pair<int32_t, int32_t>> EntrySizes;  // width, height
  TOpalHistData Pieces;

  size_t EntryCount() const { return EntryNames.size(); }
  bool Empty() const { return EntryNames.empty() && Pieces.Count() == 0; }
  void Clear() { *this = TOpalNewMesData{}; }
  void ClearEntries();
  void AddEntry(const std::string& name, int32_t command, int32_t pageIndex, int32_t width, int32_t height);
  // The form TextIns gives: one piece naming the whole message (first 0,
  // last -1, height 0, no values), no entries.
  void SetMessage(const std::string& page, int32_t command);
  bool operator==(const TOpalNewMesData&) const = default;

  // int32 n; n names; n commands; n page indices; n pairs; then the pieces
  // as one history page from version 113. A damaged block leaves the data
  // as it was (EFormatError).
  void Save(TStream& s) const;
  void Load(TStream& s, int32_t version);
};

// The readers' shared checks.
namespace history_stream {
// An int32 count, refused (EFormatError naming `what`) when negative or
// when `minEach` bytes per item do not fit in the bytes left.
int32_t ReadCount(TStream& s, int64_t minEach, const char* what);
// Runs `read`, turning a stream that ends early into an EFormatError that
// names the block.
template <class F>
void Guarded(const char* block, F&& read);
}  // namespace history_stream

}  // namespace opal

#include "history/hist_data_inl.h"

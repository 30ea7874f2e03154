// The history formats: a name and six layout settings, each with a history
// that records every message page. The format with the empty name is the
// default history (@HistoryCount, @HistoryMaxCount); CallHist, ClrHist,
// FormatHist and the history functions address formats by name.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "history/opal_new_history.h"

namespace opal {

class TFontPixelManager;
class TOpalMessageStore;
class TStream;
class TWordHost;

// What every history needs from the game: the glyph cache its engine draws
// with, the host that evaluates variables (may be null) and the store of
// messages (may be null: page mode then records nothing). All must outlive
// the manager.
struct TOpalHistoryContext {
  TFontPixelManager* Fonts = nullptr;
  TWordHost* Host = nullptr;
  TOpalMessageStore* Store = nullptr;
};

class TOpalHistoryFormat {
 public:
  TOpalHistoryFormat(std::string name, const TOpalHistoryContext& context);
  TOpalHistoryFormat(const TOpalHistoryFormat&) = delete;
  TOpalHistoryFormat& operator=(const TOpalHistoryFormat&) = delete;

  // Compared exactly (case-sensitively).
  const std::string Name;
  // All 0 in a new format. FormatHist with an object sets them from its
  // PR_FONTHEIGHT, PR_FONTBORDER, PR_FONTSHADOW, PR_WIDTH, PR_HEIGHT and
  // PR_LINESPACE; without one it resets them to TOpalHistorySettings{}.
  // The history takes them at its next record while it has no history
  // pages.
  TOpalHistorySettings Settings;
  TOpalNewHistory& History() { return History_; }
  const TOpalNewHistory& History() const { return History_; }

 private:
  TOpalNewHistory History_;
};

// What @HistoryCount and GetHistoryCount answer: the history's size
// clamped to int32, -1 without a format.
int32_t HistoryCountOf(const TOpalHistoryFormat* format);

class TOpalHistoryFormatManager {
 public:
  // Holds the default format from the start.
  explicit TOpalHistoryFormatManager(const TOpalHistoryContext& context);
  TOpalHistoryFormatManager(const TOpalHistoryFormatManager&) = delete;
  TOpalHistoryFormatManager& operator=(const TOpalHistoryFormatManager&) = delete;

  // The first format of that exact name, or null.
  TOpalHistoryFormat* FindFormat(const std::string& name) const;
  // That format, created with all settings 0 and appended when missing.
  TOpalHistoryFormat& ObtainFormat(const std::string& name);
  // The format with the empty name (always there).
  TOpalHistoryFormat& DefaultFormat() const;
  size_t Count() const { return Formats_.size(); }
  TOpalHistoryFormat& Format(size_t i) const { return *Formats_[i]; }

  // Forwarded to every format's history in list order. The message window
  // calls RecordPage when it shows a page of a TextIns message with
  // ReadMode 1, and ClosePage with its own name before it changes page,
  // rebuilds or takes plain text. ClosePage commits every history; the
  // first error a history met (a message that cannot be read) is thrown
  // after all of them have committed.
  void RecordPage(const TOpalRecordedPage& page);
  void ClosePage(const std::string& window);

  // ClrHist: Clear on every history.
  void ClearHistories();
  // Reset and old games: every format freed, then a new default one.
  void ResetFormats();

  // The formats block of a game save: int32 count, then per format its name,
  // six int32 settings and its history block. LoadFormats reads it from
  // version 135, replacing every format (a block without a default format
  // gets one); below 135 it resets the formats and the default history
  // reads the single-history block. A damaged block is an EFormatError
  // and leaves the formats as they were.
  void SaveFormats(TStream& s) const;
  void LoadFormats(TStream& s, int32_t version);

 private:
  TOpalHistoryContext Context_;
  std::vector<std::unique_ptr<TOpalHistoryFormat>> Formats_;
};

}  // namespace opal

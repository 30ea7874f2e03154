// A message window's pages built from its message data, and the cache of
// messages that spares replaying history from reloading scenario pages: at
// most 4 pages and 16 messages of each, most recently used first. The
// message window owns one cache beside its message data.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "history/hist_data.h"
#include "history/message_store.h"
#include "text/sk_word.h"

namespace opal {

class TFontPixelManager;
class TWordHost;

// One message loaded into a word of its own.
struct TMesDataCacheWord {
  int32_t Command = 0;
  std::unique_ptr<TSkWord> Word;  // null: the message could not be read
};

// One scenario page and its messages.
struct TMesDataCache {
  std::string Name;
  TOpalMessagePagePtr Page;
  std::vector<TMesDataCacheWord> Words;  // most recently used first
};

class TMesDataCacheList {
 public:
  static constexpr size_t kMaxPages = 4;
  static constexpr size_t kMaxWords = 16;

  // `store` may be null (no message is ever found). The store, the glyph
  // cache and the host outlive the cache.
  TMesDataCacheList(TOpalMessageStore* store, TFontPixelManager& fonts, TWordHost* host);

  TOpalMessageStore* Store() const { return Store_; }
  // The message of command `command` of the page (its name compared
  // ignoring case), loaded when missing; both move to the front. Null when
  // the page cannot be had, the command is outside it or is no TextIns, or
  // its glyph stream is damaged (that failure is kept for TakeErrors once;
  // the damaged message is remembered as such).
  const TSkWord* Message(const std::string& page, int32_t command);
  // The failures met since the last call, each once.
  std::vector<std::string> TakeErrors();
  void Clear();

  const std::vector<TMesDataCache>& Pages() const { return Pages_; }

 private:
  TOpalMessageStore* Store_;
  TFontPixelManager& Fonts_;
  TWordHost* Host_;
  std::vector<TMesDataCache> Pages_;  // most recently used first
  std::vector<std::string> Errors_;
};

// Builds a window's pages from its message data into `pages` (emptied
// first) with the window's engine (cleared first; its TextWidth and
// ViewHeight are kept). `flag` is the window's HistoryFlag, `offset` its
// HistoryNumber.
// - One piece of height total 0 (the form TextIns gives): that piece's
//   glyphs laid out directly with the engine's settings and the piece's
//   values as fixed values.
// - Other pieces: one page; each piece's glyphs laid out alone and the rows
//   of its first laid-out page moved into it, the first at `offset`, each
//   next one LineSpacing below the last row before it.
// - No pieces: the entries. One entry of a negative page index: its whole
//   message laid out directly at the entry's size. Otherwise one page; each
//   entry's message laid out at its size and the rows of its page PageIndex
//   moved in, each next entry below the last row (+ LineSpacing) when
//   `flag` is set, else the entry's height below the one before.
// Building stops at a page file the store does not know; a piece or entry
// without a message, or without a name, shows nothing. Empty message data
// gives one empty page.
void BuildPages(TMesDataCacheList& cache, TSkWord& engine, TWdPageList& pages, const TOpalNewMesData& data,
                bool flag, int32_t offset);

}  // namespace opal

// Where the history finds its messages again. A history entry or piece names
// a scenario page and the index of a TextIns command; the store answers with
// the compiled message (a glyph stream) of that command. The interpreter
// implements it over its page cache and the game's files; the tests and the
// fuzz targets use TOpalMemoryMessageStore.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace opal {

// One loaded scenario page, seen as its messages.
class TOpalMessagePage {
 public:
  virtual ~TOpalMessagePage() = default;
  // The compiled message of command `command`; nothing when the index lies
  // outside the page or the command is not a TextIns.
  virtual std::optional<std::string_view> Message(int32_t command) const = 0;
  // Tells loads apart: every load of a page from its file gets a number no
  // other load in this run has, so a page freed and loaded again (perhaps at
  // the same address) is never taken for the one before.
  virtual uint64_t Generation() const = 0;
};
// Shared: a page stays alive while the history or a cache still uses it.
using TOpalMessagePagePtr = std::shared_ptr<const TOpalMessagePage>;

class TOpalMessageStore {
 public:
  virtual ~TOpalMessageStore() = default;
  // Whether the game data holds the page file of this name.
  virtual bool Exists(const std::string& page) = 0;
  // The page as the interpreter holds it now (its page cache), names
  // compared ignoring case; null when it is not held.
  virtual TOpalMessagePagePtr CachedPage(const std::string& page) = 0;
  // The page loaded from its file, a load of its own; null when it cannot
  // be loaded (a failure the store reports itself).
  virtual TOpalMessagePagePtr LoadPage(const std::string& page) = 0;
};

// A store of pages given as compiled messages, for tests and fuzzing. Names
// are compared ignoring case; every LoadPage is a new load (a new
// generation), CachedPage answers the pages marked cached.
class TOpalMemoryMessageStore : public TOpalMessageStore {
 public:
  // Command i of the page is messages[i]; an empty optional is a command
  // that is not a TextIns.
  void AddPage(const std::string& name, std::vector<std::optional<std::string>> messages, bool cached = false);
  void SetCached(const std::string& name, bool cached);
  bool Exists(const std::string& page) override;
  TOpalMessagePagePtr CachedPage(const std::string& page) override;
  TOpalMessagePagePtr LoadPage(const std::string& page) override;
  // How many times LoadPage loaded a page.
  int32_t Loads = 0;

 private:
  struct TStored {
    std::vector<std::optional<std::string>> Messages;
    bool Cached = false;
    TOpalMessagePagePtr Held;  // the interpreter's load, while cached
  };
  TStored* Find(const std::string& page);
  TOpalMessagePagePtr Make(const TStored& stored);
  std::map<std::string, TStored> Pages_;  // by lower-cased name
  uint64_t NextGeneration_ = 1;
};

}  // namespace opal

// TPageMessageStore: the message stores over the interpreter's pages. A
// message is the compiled message of the TextIns command at its index in
// its page, so pages must not change between saving and loading a game.
// The store exists before the interpreter and after it: without one it
// finds nothing.
#pragma once

#include <cstdint>
#include <string>

#include "history/message_store.h"
#include "stage/stage_services.h"

namespace opal {

class TCallMan;
class TPage;

class TPageMessageStore : public TMessageStore, public TOpalMessageStore {
 public:
  // The interpreter (or null); it outlives its use here.
  void SetCalls(TCallMan* calls);
  // Loads the page when the interpreter does not hold it (without making
  // it the most recently used); empty when it cannot be loaded or the
  // command is no TextIns.
  std::string Message(const std::string& page, int32_t command) override;

  // The history's side. A page's messages are copied once per load and
  // known by that load's number; a load that fails is reported.
  bool Exists(const std::string& page) override;
  TOpalMessagePagePtr CachedPage(const std::string& page) override;
  TOpalMessagePagePtr LoadPage(const std::string& page) override;

 private:
  TOpalMessagePagePtr Messages(const TPage& page);
  // A load's number for the history: the interpreter's own number of the
  // load (below 2^40) under the count of interpreters this store served.
  static constexpr int kLoadBits = 40;
  uint64_t LoadNumber(uint64_t generation) const;
  TCallMan* Calls_ = nullptr;
  uint64_t Interpreter_ = 0;
  TOpalMessagePagePtr Last_;  // the messages of the load asked for last
};

}  // namespace opal

// TPageMessageStore: the message store over the interpreter's pages. A
// message is the compiled message of the TextIns command at its index in
// its page, so pages must not change between saving and loading a game.
#pragma once

#include <cstdint>
#include <string>

#include "stage/stage_services.h"

namespace opal {

class TCallMan;

class TPageMessageStore : public TMessageStore {
 public:
  // `calls` outlives the store.
  explicit TPageMessageStore(TCallMan& calls) : Calls_(calls) {}
  // Loads the page when the interpreter does not hold it (without making
  // it the most recently used); empty when it cannot be loaded or the
  // command is no TextIns.
  std::string Message(const std::string& page, int32_t command) override;

 private:
  TCallMan& Calls_;
};

}  // namespace opal

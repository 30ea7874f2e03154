#include "scenario/page_messages.h"

#include "common/diagnostics.h"
#include "common/error.h"
#include "scenario/call_man.h"
#include "scenario/commands_text.h"
#include "scenario/page.h"

namespace opal {

std::string TPageMessageStore::Message(const std::string& page, int32_t command) {
  TPage* p = nullptr;
  try {
    p = Calls_.FindPage(page, false);
  } catch (const EOpalError& e) {
    // The restored window stays empty.
    ReportError("message of " + page + ": " + e.what());
    return {};
  }
  if (p == nullptr || command < 0 || static_cast<size_t>(command) >= p->Commands.size()) return {};
  const auto* ins = dynamic_cast<const TComTextIns*>(p->Commands[static_cast<size_t>(command)].get());
  return ins != nullptr ? ins->MessageData : std::string();
}

}  // namespace opal

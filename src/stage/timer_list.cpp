#include "stage/timer_list.h"

#include <algorithm>

namespace opal {

void TTimerList::Post(TOpalObject* sender, const std::string& handler, const std::vector<std::string>& args,
                      uint8_t kind) {
  Items.push_back({sender, handler, kind, 0, args});
}

int TTimerList::Find(const TOpalObject* sender, uint8_t kind) const {
  for (size_t i = 0; i < Items.size(); ++i) {
    if (Items[i].Sender == sender && Items[i].Kind == kind) return static_cast<int>(i);
  }
  return -1;
}

TTimerData* TTimerList::NextPending() {
  for (TTimerData& t : Items) {
    if (t.State == 0) return &t;
  }
  return nullptr;
}

void TTimerList::RemoveLevel(int32_t level) {
  std::erase_if(Items, [level](const TTimerData& t) { return t.State == level; });
}

void TTimerList::RemoveRunning() {
  std::erase_if(Items, [](const TTimerData& t) { return t.State != 0; });
}

void TTimerList::RemovePendingOf(const TOpalObject* sender) {
  std::erase_if(Items, [sender](const TTimerData& t) { return t.State == 0 && t.Sender == sender; });
}

void TTimerList::ForgetSender(const TOpalObject* sender) {
  for (TTimerData& t : Items) {
    if (t.Sender == sender) t.Sender = nullptr;
  }
}

}  // namespace opal

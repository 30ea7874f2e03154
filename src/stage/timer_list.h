// TTimerList: the stage's event queue. Display objects post their handler
// pages here; the interpreter takes the oldest pending entry, runs it at a
// call level of its own and removes the entries of a level when it returns.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace opal {

class TOpalObject;

struct TTimerData {
  TOpalObject* Sender = nullptr;  // not owned; none for events without an object
  std::string Handler;            // "page.osb" or "page.osb:label"
  uint8_t Kind = 0;               // the handler property that produced the event
  int32_t State = 0;              // 0 pending; else the call level that runs it
  std::vector<std::string> Args;
};

class TTimerList {
 public:
  void Post(TOpalObject* sender, const std::string& handler, const std::vector<std::string>& args, uint8_t kind);
  // The first entry, pending or running, of this sender and kind, or -1.
  int Find(const TOpalObject* sender, uint8_t kind) const;
  // The first pending entry, or null. Valid until the list changes.
  TTimerData* NextPending();
  void RemoveLevel(int32_t level);
  void RemoveRunning();
  void RemovePendingOf(const TOpalObject* sender);
  // The sender is being destroyed: its running entries keep going without it.
  void ForgetSender(const TOpalObject* sender);
  void Clear() { Items.clear(); }

  std::vector<TTimerData> Items;  // oldest first
};

}  // namespace opal

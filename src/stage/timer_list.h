// TTimerList: the stage's event queue. Display objects post their handler
// pages here; the interpreter takes the oldest pending entry, runs it at a
// call level of its own and removes the entries of a level when it returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "stage/object_ref.h"

namespace opal {

class TStream;

struct TTimerData {
  // Held by id: none once the sender is destroyed, and never a later object.
  TObjectRef<TOpalObject> Sender;
  std::string Handler;  // "page.osb" or "page.osb:label"
  uint8_t Kind = 0;     // the handler property that produced the event
  int32_t State = 0;    // 0 pending; else the call level that runs it
  std::vector<std::string> Args;
};

class TTimerList {
 public:
  // Pending entries of one sender and kind (senderless events counting as
  // one sender) kept at once. De-duplicated kinds (idle, mouse-move, button
  // down, wheel, keys) never have more than one, so no event of a kind that
  // is not pending yet is ever refused; the bound stops only the repeating
  // kinds (enter/leave, button-up, focus, map areas) from piling up without
  // end while the interpreter is held.
  static constexpr size_t kMaxPendingPerKind = 64;
  // Longest argument list and argument a saved entry may carry.
  static constexpr int32_t kMaxArgs = 4096;

  // Appends a pending entry (copying the arguments); false when the sender
  // already has kMaxPendingPerKind pending entries of this kind (nothing is
  // queued then).
  bool Post(TOpalObject* sender, const std::string& handler, const std::vector<std::string>& args, uint8_t kind);
  // The first entry, pending or running, of this sender and kind, or -1.
  int Find(const TOpalObject* sender, uint8_t kind) const;
  // True when an entry of this sender and kind is pending or running.
  bool Queued(const TOpalObject* sender, uint8_t kind) const { return Find(sender, kind) >= 0; }
  // The first pending entry, or null. Valid until the list changes.
  TTimerData* NextPending();
  void RemoveLevel(int32_t level);
  void RemoveRunning();
  void RemovePendingOf(const TOpalObject* sender);
  // The sender is being destroyed: its running entries keep going without it.
  void ForgetSender(const TOpalObject* sender);
  void Clear() { Items.clear(); }
  size_t PendingOf(const TOpalObject* sender, uint8_t kind) const;
  // Posts refused by the bound since the list was made.
  uint64_t Refused = 0;

  // The saved record: count, then per entry handler, sender name (empty for
  // none), kind, state (a byte up to version 113, read as 1 when non-zero),
  // the arguments. Loading replaces the list and finds each sender by name.
  void SaveToStream(TStream& s) const;
  void LoadFromStream(TStream& s, int32_t version, const TOpalBaseList& stage);

  std::vector<TTimerData> Items;  // oldest first
};

}  // namespace opal

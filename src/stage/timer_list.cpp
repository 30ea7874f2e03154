#include "stage/timer_list.h"

#include <algorithm>

#include "common/error.h"
#include "stage/base_list.h"
#include "storage/stream.h"

namespace opal {

namespace {

// A sender the record names: by name, on the stage (none for an empty name).
TOpalObject* SenderByName(const TOpalBaseList& stage, const std::string& name) {
  return name.empty() ? nullptr : stage.FindObject(name);
}

}  // namespace

size_t TTimerList::PendingOf(const TOpalObject* sender, uint8_t kind) const {
  return static_cast<size_t>(std::count_if(Items.begin(), Items.end(), [sender, kind](const TTimerData& t) {
    return t.State == 0 && t.Kind == kind && t.Sender.Get() == sender;
  }));
}

bool TTimerList::Post(TOpalObject* sender, const std::string& handler, const std::vector<std::string>& args,
                      uint8_t kind) {
  if (PendingOf(sender, kind) >= kMaxPendingPerKind) {
    ++Refused;
    return false;
  }
  Items.push_back({sender, handler, kind, 0, args});
  return true;
}

int TTimerList::Find(const TOpalObject* sender, uint8_t kind) const {
  for (size_t i = 0; i < Items.size(); ++i) {
    if (Items[i].Kind == kind && Items[i].Sender.Get() == sender) return static_cast<int>(i);
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
  if (sender == nullptr) return;
  std::erase_if(Items, [sender](const TTimerData& t) { return t.State == 0 && t.Sender.Get() == sender; });
}

void TTimerList::ForgetSender(const TOpalObject* sender) {
  if (sender == nullptr) return;
  for (TTimerData& t : Items) {
    if (t.Sender.Get() == sender) t.Sender = nullptr;
  }
}

void TTimerList::SaveToStream(TStream& s) const {
  WriteInt32(s, static_cast<int32_t>(Items.size()));
  for (const TTimerData& t : Items) {
    const TOpalObject* sender = t.Sender.Get();
    WriteString(s, t.Handler);
    WriteString(s, sender != nullptr ? sender->Name() : std::string());
    WriteByte(s, t.Kind);
    WriteInt32(s, t.State);
    WriteInt32(s, static_cast<int32_t>(t.Args.size()));
    for (const std::string& a : t.Args) WriteString(s, a);
  }
}

void TTimerList::LoadFromStream(TStream& s, int32_t version, const TOpalBaseList& stage) {
  Items.clear();
  // Every entry takes at least 14 bytes, every argument 4: a count the rest
  // of the stream cannot hold is damage, not a reason to allocate.
  const int32_t count = ReadInt32(s);
  if (count < 0 || count > s.Remaining() / 14) throw EFormatError(Format("bad event count %d", count));
  std::vector<TTimerData> items;
  for (int32_t i = 0; i < count; ++i) {
    TTimerData t;
    t.Handler = ReadString(s);
    t.Sender = SenderByName(stage, ReadString(s));
    t.Kind = ReadByte(s);
    t.State = version <= 113 ? (ReadByte(s) != 0 ? 1 : 0) : ReadInt32(s);
    const int32_t args = ReadInt32(s);
    if (args < 0 || args > kMaxArgs || args > s.Remaining() / 4) {
      throw EFormatError(Format("bad argument count %d of event %d", args, i));
    }
    t.Args.reserve(static_cast<size_t>(args));
    for (int32_t k = 0; k < args; ++k) t.Args.push_back(ReadString(s));
    items.push_back(std::move(t));
  }
  Items = std::move(items);
}

}  // namespace opal

// The in-memory message store.
#include "history/message_store.h"

#include "common/cp932.h"

namespace opal {

namespace {

class TMemoryPage : public TOpalMessagePage {
 public:
  TMemoryPage(std::vector<std::optional<std::string>> messages, uint64_t generation)
      : Messages_(std::move(messages)), Generation_(generation) {}
  std::optional<std::string_view> Message(int32_t command) const override {
    if (command < 0 || static_cast<size_t>(command) >= Messages_.size() || !Messages_[static_cast<size_t>(command)])
      return std::nullopt;
    return std::string_view(*Messages_[static_cast<size_t>(command)]);
  }
  uint64_t Generation() const override { return Generation_; }

 private:
  std::vector<std::optional<std::string>> Messages_;
  uint64_t Generation_;
};

}  // namespace

void TOpalMemoryMessageStore::AddPage(const std::string& name, std::vector<std::optional<std::string>> messages,
                                      bool cached) {
  TStored& s = Pages_[cp932::LowerAscii(name)];
  s.Messages = std::move(messages);
  s.Held = nullptr;
  s.Cached = false;
  SetCached(name, cached);
}

void TOpalMemoryMessageStore::SetCached(const std::string& name, bool cached) {
  TStored* s = Find(name);
  if (s == nullptr) return;
  s->Cached = cached;
  s->Held = cached ? Make(*s) : nullptr;
}

TOpalMemoryMessageStore::TStored* TOpalMemoryMessageStore::Find(const std::string& page) {
  const auto it = Pages_.find(cp932::LowerAscii(page));
  return it == Pages_.end() ? nullptr : &it->second;
}

TOpalMessagePagePtr TOpalMemoryMessageStore::Make(const TStored& stored) {
  return std::make_shared<TMemoryPage>(stored.Messages, NextGeneration_++);
}

bool TOpalMemoryMessageStore::Exists(const std::string& page) { return !page.empty() && Find(page) != nullptr; }

TOpalMessagePagePtr TOpalMemoryMessageStore::CachedPage(const std::string& page) {
  TStored* s = Find(page);
  return s != nullptr && s->Cached ? s->Held : nullptr;
}

TOpalMessagePagePtr TOpalMemoryMessageStore::LoadPage(const std::string& page) {
  TStored* s = Find(page);
  if (s == nullptr) return nullptr;
  ++Loads;
  return Make(*s);
}

}  // namespace opal

#include "scenario/page_messages.h"

#include <optional>
#include <vector>

#include "common/diagnostics.h"
#include "common/error.h"
#include "scenario/call_man.h"
#include "scenario/commands_text.h"
#include "scenario/page.h"
#include "storage/vr_file_manager.h"

namespace opal {

namespace {

// The messages of one page load: command i's compiled message, or none
// for a command that is not a TextIns.
class TPageMessages : public TOpalMessagePage {
 public:
  TPageMessages(const TPage& page, uint64_t generation) : Generation_(generation) {
    Messages_.reserve(page.Commands.size());
    for (const auto& c : page.Commands) {
      const auto* ins = dynamic_cast<const TComTextIns*>(c.get());
      Messages_.push_back(ins != nullptr ? std::optional<std::string>(ins->MessageData) : std::nullopt);
    }
  }
  std::optional<std::string_view> Message(int32_t command) const override {
    if (command < 0 || static_cast<size_t>(command) >= Messages_.size()) return std::nullopt;
    const auto& m = Messages_[static_cast<size_t>(command)];
    if (!m) return std::nullopt;
    return std::string_view(*m);
  }
  uint64_t Generation() const override { return Generation_; }

 private:
  std::vector<std::optional<std::string>> Messages_;
  uint64_t Generation_;
};

}  // namespace

// Every interpreter numbers its loads from 1: the loads of each new one
// get numbers of their own above all earlier ones.
void TPageMessageStore::SetCalls(TCallMan* calls) {
  Calls_ = calls;
  Last_.reset();
  if (calls != nullptr) ++Interpreter_;
}

uint64_t TPageMessageStore::LoadNumber(uint64_t generation) const {
  return (Interpreter_ << kLoadBits) | (generation & ((uint64_t{1} << kLoadBits) - 1));
}

std::string TPageMessageStore::Message(const std::string& page, int32_t command) {
  if (Calls_ == nullptr) return {};
  TPage* p = nullptr;
  try {
    p = Calls_->FindPage(page, false);
  } catch (const EOpalError& e) {
    // The restored window stays empty.
    ReportError("message of " + page + ": " + e.what());
    return {};
  }
  if (p == nullptr || command < 0 || static_cast<size_t>(command) >= p->Commands.size()) return {};
  const auto* ins = dynamic_cast<const TComTextIns*>(p->Commands[static_cast<size_t>(command)].get());
  return ins != nullptr ? ins->MessageData : std::string();
}

bool TPageMessageStore::Exists(const std::string& page) { return Calls_ != nullptr && Calls_->Files.Exists(page); }

TOpalMessagePagePtr TPageMessageStore::Messages(const TPage& page) {
  const uint64_t number = LoadNumber(page.Generation);
  if (Last_ == nullptr || Last_->Generation() != number) Last_ = std::make_shared<TPageMessages>(page, number);
  return Last_;
}

TOpalMessagePagePtr TPageMessageStore::CachedPage(const std::string& page) {
  const TPage* p = Calls_ != nullptr ? Calls_->CachedPage(page) : nullptr;
  return p != nullptr ? Messages(*p) : nullptr;
}

TOpalMessagePagePtr TPageMessageStore::LoadPage(const std::string& page) {
  if (Calls_ == nullptr) return nullptr;
  TPage temporary;
  try {
    temporary.Load(Calls_->Files, page);
  } catch (const EOpalError& e) {
    ReportError("message of " + page + ": " + e.what());
    return nullptr;
  }
  return std::make_shared<TPageMessages>(temporary, LoadNumber(Calls_->NextGeneration()));
}

}  // namespace opal

#include "common/hash_collection.h"

#include <atomic>

#include "common/cp932.h"

namespace opal {

namespace {

// Epochs are drawn from one counter, so no two collections (nor two states
// of one) ever share one, and a cache made for another never matches.
uint64_t NewEpoch() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

uint8_t FoldLower(uint8_t c) { return c >= 'A' && c <= 'Z' ? static_cast<uint8_t>(c - 'A' + 'a') : c; }

// Slots empty of items that may stay before they are dropped, beyond one per item.
constexpr size_t kSpareEmptySlots = 256;

}  // namespace

void THashCollectionItem::SetName(std::string_view name) {
  if (Name_ == name) return;
  if (Collection_ == nullptr) {
    Name_ = name;
    return;
  }
  Collection_->Unlink(this);
  Name_ = name;
  Collection_->Link(this);
  Collection_->DropEmptySlots();
}

THashCollection::THashCollection() : Epoch_(NewEpoch()) {}

THashCollection::~THashCollection() = default;

// The lower-cased string is never built: byte 0 always starts a character
// (and a lead byte is no letter), byte L-2 folds unless it trails a lead byte.
uint8_t THashCollection::HashName(std::string_view name) {
  const size_t len = name.size();
  if (len < 2) return static_cast<uint8_t>(16 * len);
  size_t i = 0;
  while (i < len - 2) i += cp932::CharLen(name, i);
  uint8_t second = static_cast<uint8_t>(name[len - 2]);
  if (i == len - 2) second = FoldLower(second);
  return static_cast<uint8_t>(16 * len + second + FoldLower(static_cast<uint8_t>(name[0])));
}

// FNV-1a over the bytes as LowerAscii would leave them.
size_t THashCollection::TFoldHash::operator()(std::string_view name) const {
  uint64_t h = 14695981039346656037ull;
  for (size_t i = 0; i < name.size();) {
    const size_t len = cp932::CharLen(name, i);
    for (size_t k = 0; k < len; ++k, ++i) {
      const uint8_t b = static_cast<uint8_t>(name[i]);
      h = (h ^ (len == 1 ? FoldLower(b) : b)) * 1099511628211ull;
    }
  }
  return static_cast<size_t>(h);
}

bool THashCollection::TFoldEqual::operator()(std::string_view a, std::string_view b) const {
  return a.size() == b.size() && (a == b || cp932::SameText(a, b));
}

THashCollectionItem* THashCollection::Add(std::unique_ptr<THashCollectionItem> item, std::string_view name) {
  THashCollectionItem* raw = item.get();
  raw->Collection_ = this;
  raw->Id_ = NextId_++;
  raw->Index_ = Count();
  // An item added again under its old name (a reused temporary) keeps the
  // bucket hash of that name.
  const bool hash_known = raw->LastEpoch_ != 0 && raw->Name_ == name;
  raw->Name_ = name;
  Items_.push_back(std::move(item));
  Link(raw, hash_known);
  return raw;
}

int32_t THashCollection::IndexOf(std::string_view name) const {
  const THashCollectionItem* item = Find(name);
  return item ? item->Index_ : -1;
}

// The bucket walk's first match is the newest link of the name.
THashCollectionItem* THashCollection::Find(std::string_view name) const {
  const THashNameSlot* slot = Slot(name);
  return slot != nullptr && !slot->second.empty() ? slot->second.back() : nullptr;
}

const THashNameSlot* THashCollection::Slot(std::string_view name, THashNameCache* cache) const {
  if (cache != nullptr && cache->Epoch == Epoch_ && cache->Slot != nullptr &&
      TFoldEqual()(cache->Slot->first, name)) {
    return cache->Slot;
  }
  const auto it = Names_.find(name);
  if (it == Names_.end()) return nullptr;
  if (cache != nullptr) *cache = {&*it, Epoch_};
  return &*it;
}

void THashCollection::Delete(int32_t index) { Extract(index); }

std::unique_ptr<THashCollectionItem> THashCollection::Extract(int32_t index) {
  if (index < 0 || index >= Count()) return nullptr;
  std::unique_ptr<THashCollectionItem> item = std::move(Items_[static_cast<size_t>(index)]);
  Unlink(item.get());
  for (size_t i = static_cast<size_t>(index) + 1; i < Items_.size(); ++i) --Items_[i]->Index_;
  Items_.erase(Items_.begin() + index);
  item->Collection_ = nullptr;
  item->Index_ = -1;
  DropEmptySlots();
  return item;
}

void THashCollection::Clear() {
  Items_.clear();
  Buckets_.fill(nullptr);
  Names_.clear();
  EmptySlots_ = 0;
  Epoch_ = NewEpoch();
}

void THashCollection::Link(THashCollectionItem* item, bool hash_known) {
  if (!hash_known) item->Hash_ = HashName(item->Name_);
  THashCollectionItem*& head = Buckets_[item->Hash_];
  item->Prev_ = nullptr;
  item->Next_ = head;
  if (head != nullptr) head->Prev_ = item;
  head = item;

  THashNameSlot* slot = nullptr;
  if (item->LastSlot_ != nullptr && item->LastEpoch_ == Epoch_ && TFoldEqual()(item->LastSlot_->first, item->Name_)) {
    slot = item->LastSlot_;
  } else {
    auto it = Names_.find(std::string_view(item->Name_));
    if (it == Names_.end()) {
      it = Names_.emplace(cp932::LowerAscii(item->Name_), std::vector<THashCollectionItem*>()).first;
      ++EmptySlots_;  // counted down again just below
    }
    slot = &*it;
  }
  if (slot->second.empty()) --EmptySlots_;
  slot->second.push_back(item);
  item->Slot_ = slot;
}

void THashCollection::Unlink(THashCollectionItem* item) {
  if (item->Prev_ != nullptr) {
    item->Prev_->Next_ = item->Next_;
  } else {
    Buckets_[item->Hash_] = item->Next_;
  }
  if (item->Next_ != nullptr) item->Next_->Prev_ = item->Prev_;
  item->Prev_ = item->Next_ = nullptr;

  std::vector<THashCollectionItem*>& same = item->Slot_->second;
  for (size_t k = same.size(); k-- > 0;) {
    if (same[k] == item) {
      same.erase(same.begin() + static_cast<std::ptrdiff_t>(k));
      break;
    }
  }
  if (same.empty()) ++EmptySlots_;
  item->LastSlot_ = item->Slot_;
  item->LastEpoch_ = Epoch_;
  item->Slot_ = nullptr;
}

void THashCollection::DropEmptySlots() {
  if (EmptySlots_ <= Items_.size() + kSpareEmptySlots) return;
  std::erase_if(Names_, [](const auto& slot) { return slot.second.empty(); });
  EmptySlots_ = 0;
  Epoch_ = NewEpoch();
}

}  // namespace opal

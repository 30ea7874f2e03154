#include "common/hash_collection.h"

#include "common/cp932.h"

namespace opal {

void THashCollectionItem::SetName(std::string_view name) {
  if (Name_ == name) return;
  if (Collection_ == nullptr) {
    Name_ = name;
    return;
  }
  Collection_->Unlink(this);
  Name_ = name;
  Collection_->Link(this);
}

THashCollection::~THashCollection() = default;

uint8_t THashCollection::HashName(std::string_view name) {
  const size_t len = name.size();
  if (len < 2) return static_cast<uint8_t>(16 * len);
  std::string lower = cp932::LowerAscii(name);
  return static_cast<uint8_t>(16 * len + static_cast<uint8_t>(lower[len - 2]) + static_cast<uint8_t>(lower[0]));
}

THashCollectionItem* THashCollection::Add(std::unique_ptr<THashCollectionItem> item, std::string_view name) {
  THashCollectionItem* raw = item.get();
  raw->Collection_ = this;
  raw->Id_ = NextId_++;
  raw->Index_ = Count();
  raw->Name_ = name;
  Items_.push_back(std::move(item));
  Link(raw);
  return raw;
}

int32_t THashCollection::IndexOf(std::string_view name) const {
  const THashCollectionItem* item = Find(name);
  return item ? item->Index_ : -1;
}

THashCollectionItem* THashCollection::Find(std::string_view name) const {
  for (THashCollectionItem* p = Buckets_[HashName(name)]; p != nullptr; p = p->Next_) {
    if (p->Name_.size() == name.size() && cp932::SameText(p->Name_, name)) return p;
  }
  return nullptr;
}

void THashCollection::Delete(int32_t index) {
  if (index < 0 || index >= Count()) return;
  THashCollectionItem* item = Items_[static_cast<size_t>(index)].get();
  Unlink(item);
  for (size_t i = static_cast<size_t>(index) + 1; i < Items_.size(); ++i) --Items_[i]->Index_;
  Items_.erase(Items_.begin() + index);
}

void THashCollection::Clear() {
  Items_.clear();
  Buckets_.fill(nullptr);
}

void THashCollection::Link(THashCollectionItem* item) {
  item->Hash_ = HashName(item->Name_);
  THashCollectionItem*& head = Buckets_[item->Hash_];
  item->Prev_ = nullptr;
  item->Next_ = head;
  if (head != nullptr) head->Prev_ = item;
  head = item;
}

void THashCollection::Unlink(THashCollectionItem* item) {
  if (item->Prev_ != nullptr) {
    item->Prev_->Next_ = item->Next_;
  } else {
    Buckets_[item->Hash_] = item->Next_;
  }
  if (item->Next_ != nullptr) item->Next_->Prev_ = item->Prev_;
  item->Prev_ = item->Next_ = nullptr;
}

}  // namespace opal

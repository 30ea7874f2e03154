#include "db/db_field.h"

#include "common/cp932.h"
#include "db/db_table.h"

namespace opal {

int32_t DBFieldSize(uint8_t type, int32_t length) {
  switch (type) {
    case kDBInteger:
      return 4;
    case kDBFloat:
      return 10;
    case kDBBoolean:
      return 1;
    case kDBString:
      if (length < 0) length = 0;
      return length > kDBMaxStringLength ? -1 : length + 1;
    default:
      return -1;
  }
}

bool DBSizeFits(uint8_t type, int32_t size) {
  if (type == kDBString) return size >= 1 && size <= kDBMaxStringLength + 1;
  const int32_t want = DBFieldSize(type, 0);
  return want > 0 && size == want;
}

const char* DBTypeName(uint8_t type) {
  static const char* const kNames[] = {"?", "int", "float", "bool", "str"};
  return type <= kDBString ? kNames[type] : "?";
}

int32_t TDBFieldList::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < Items_.size(); ++i) {
    if (cp932::SameText(Items_[i].Name, name)) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t TDBFieldList::Add(std::string_view name, uint8_t type, int32_t length) {
  const int32_t size = DBFieldSize(type, length);
  if (size < 0) return -1;
  return AddField(TDBField{size, std::string(name), type});
}

int32_t TDBFieldList::AddField(const TDBField& field) {
  if (!DBSizeFits(field.Type, field.Size) || field.Size > kDBMaxRecordSize - RecordSize_) return -1;
  if (Table_ != nullptr) Table_->FieldAdded(field.Type, field.Size);
  Items_.push_back(field);
  Offsets_.push_back(RecordSize_);
  RecordSize_ += field.Size;
  return Count() - 1;
}

bool TDBFieldList::Remove(int32_t index) {
  if (index < 0 || index >= Count()) return false;
  if (Table_ != nullptr) Table_->FieldRemoved(index);
  const int32_t size = Items_[static_cast<size_t>(index)].Size;
  Items_.erase(Items_.begin() + index);
  Offsets_.erase(Offsets_.begin() + index);
  for (size_t i = static_cast<size_t>(index); i < Offsets_.size(); ++i) Offsets_[i] -= size;
  RecordSize_ -= size;
  return true;
}

void TDBFieldList::Clear() {
  Items_.clear();
  Offsets_.clear();
  RecordSize_ = 0;
}

bool TDBFieldList::SameLayout(const TDBFieldList& other) const {
  if (Count() != other.Count()) return false;
  for (size_t i = 0; i < Items_.size(); ++i) {
    const TDBField& a = Items_[i];
    const TDBField& b = other.Items_[i];
    if (a.Name != b.Name || a.Type != b.Type || a.Size != b.Size) return false;
  }
  return true;
}

}  // namespace opal

#include "stage/opal_object.h"

#include "stage/base_list.h"
#include "stage/property_table.h"
#include "storage/stream.h"

namespace opal {

TOpalObject::TOpalObject(TOpalBaseList* owner) : Owner_(owner) {
  if (owner != nullptr) Id_ = owner->NextId();
}

TOpalObject::~TOpalObject() = default;

const TPropertyTable& TOpalObject::Properties() const {
  using R = TPropertyRows<TOpalObject>;
  static const TPropertyRow rows[] = {
      R::Computed<PR_NAME, &TOpalObject::Name, &TOpalObject::SetName>(),
      R::Computed<PR_PRIORITY, &TOpalObject::Priority, &TOpalObject::SetPriority>(),
      R::Field<PR_TAG, &TOpalObject::Tag>(),
      R::Computed<PR_COMPOTYPE, &TOpalObject::Kind>(),
      R::Fixed<PR_APPEARX, 0>(),
      R::Fixed<PR_APPEARY, 0>(),
  };
  static const TPropertyTable table(rows);
  return table;
}

bool TOpalObject::GetProperty(int id, TPropValue& v) const {
  const TPropertyRow* row = Properties().Find(id);
  if (row == nullptr) return false;
  row->Get(*this, v);
  return true;
}

bool TOpalObject::SetProperty(int id, const TPropValue& v) {
  const TPropertyRow* row = Properties().Find(id);
  if (row == nullptr) return false;
  if (row->Set != nullptr) row->Set(*this, v);
  return true;
}

void TOpalObject::SetName(std::string_view name) {
  if (name == Name_) return;
  if (Owner_ == nullptr) {
    Name_ = name;
    return;
  }
  Owner_->Rename(*this, name);
}

void TOpalObject::ResolveNameClash(TOpalObject& other) { Owner_->DeleteObject(&other); }

void TOpalObject::SetPriority(int32_t priority) {
  if (priority == Priority_) return;
  Priority_ = priority;
  PriorityOffset = 0;
}

TCustomDIBX* TOpalObject::GetCanvas() {
  TOpalBase* base = GetBase();
  return base ? base->GetCanvas() : nullptr;
}

void TOpalObject::SaveToStream(TStream& s) const {
  WriteString(s, Name_);
  WriteInt32(s, Priority_);
  WriteInt32(s, PriorityOffset);
  WriteString(s, Tag);
}

void TOpalObject::LoadFromStream(TStream& s, int32_t version) {
  SetName(ReadString(s));
  Priority_ = ReadInt32(s);
  if (version > 103) PriorityOffset = ReadInt32(s);
  if (version >= 120) Tag = ReadString(s);
}

}  // namespace opal

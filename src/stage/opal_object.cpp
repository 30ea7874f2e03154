#include "stage/opal_object.h"

#include "stage/base_list.h"
#include "storage/stream.h"

namespace opal {

TOpalObject::TOpalObject(TOpalBaseList* owner) : Owner_(owner) {
  if (owner != nullptr) Id_ = owner->NextId();
}

TOpalObject::~TOpalObject() = default;

bool TOpalObject::GetProperty(int id, TPropValue& v) const {
  switch (id) {
    case PR_NAME: v.Str = Name_; return true;
    case PR_PRIORITY: v.Int = Priority_; return true;
    case PR_TAG: v.Str = Tag; return true;
    case PR_COMPOTYPE: v.Int = Kind(); return true;
    case PR_APPEARX:
    case PR_APPEARY: v.Int = 0; return true;
    default: return false;
  }
}

bool TOpalObject::SetProperty(int id, const TPropValue& v) {
  switch (id) {
    case PR_NAME: SetName(v.Str); return true;
    case PR_PRIORITY: SetPriority(v.Int); return true;
    case PR_TAG: Tag = v.Str; return true;
    default: return false;
  }
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

#include "expr/param_collection.h"

#include "common/error.h"
#include "expr/convert.h"
#include "expr/messages.h"
#include "expr/sys_vars.h"

namespace opal {

TParamCollectionItem::~TParamCollectionItem() { DropReferrers(); }

void TParamCollectionItem::DropReferrers() {
  for (TParamVar* r : Referrers_) r->Target_ = nullptr;
  Referrers_.clear();
}

TParamCollection::~TParamCollection() {
  // Items may refer to each other; the item destructors take care of that,
  // but the base must not free them after this class's state is gone.
  Clear();
}

// Both lookups visit the variables of the name as the bucket chain holds
// them, newest link first, which is the slot read backwards.
TParamCollectionItem* TParamCollection::FindVar(std::string_view name, THashNameCache* cache) const {
  const THashNameSlot* slot = Slot(name, cache);
  if (slot == nullptr) return nullptr;
  TParamCollectionItem* global = nullptr;
  for (size_t k = slot->second.size(); k-- > 0;) {
    auto* v = static_cast<TParamCollectionItem*>(slot->second[k]);
    if (v->IsLocal) {
      if (v->OwnerLevel == CurrentLevel) return v;
    } else {
      global = v;  // the last one met is the oldest
    }
  }
  return global;
}

TParamCollectionItem* TParamCollection::FindScoped(std::string_view name, bool local) const {
  const THashNameSlot* slot = Slot(name);
  if (slot == nullptr) return nullptr;
  for (size_t k = slot->second.size(); k-- > 0;) {
    auto* v = static_cast<TParamCollectionItem*>(slot->second[k]);
    if (local ? (v->IsLocal && v->OwnerLevel == CurrentLevel) : !v->IsLocal) return v;
  }
  return nullptr;
}

TParamCollectionItem* TParamCollection::AddVar(uint8_t tag) {
  std::unique_ptr<TCustomParam> value = CreateValue(tag);
  if (!value) throw EFormatError(Format("unknown value type %u", tag));
  return static_cast<TParamCollectionItem*>(Add(std::make_unique<TParamCollectionItem>(std::move(value)), ""));
}

TParamCollectionItem* TParamCollection::AddVar(std::unique_ptr<TParamCollectionItem> var, std::string_view name) {
  return static_cast<TParamCollectionItem*>(Add(std::move(var), name));
}

bool TParamCollection::IsValidVarName(std::string_view name) {
  return !name.empty() && name.find(' ') == std::string_view::npos && !(name[0] >= '0' && name[0] <= '9');
}

void TParamCollection::NameVar(TParamCollectionItem* var, std::string_view name) {
  if (!IsValidVarName(name)) throw EOpalError(Format(msg::kBadVarName, std::string(name).c_str()));
  var->SetName(name);
}

void TParamCollection::DeleteVar(TParamCollectionItem* var) { Delete(var->Index()); }

std::unique_ptr<TParamCollectionItem> TParamCollection::ExtractVar(int32_t index) {
  std::unique_ptr<TParamCollectionItem> var(static_cast<TParamCollectionItem*>(Extract(index).release()));
  if (var) var->DropReferrers();
  return var;
}

std::unique_ptr<TParamCollectionItem> TParamCollection::TakeSpare() {
  if (Spares_.empty()) return nullptr;
  std::unique_ptr<TParamCollectionItem> var = std::move(Spares_.back());
  Spares_.pop_back();
  return var;
}

void TParamCollection::KeepSpare(std::unique_ptr<TParamCollectionItem> var) {
  if (var == nullptr || Spares_.size() >= kMaxSpares) return;
  // A reference is unbound at once and kept; a small plain value is kept
  // for the next temporary; a large array is let go.
  if (var->Value != nullptr) {
    if (var->Value->AsVarRef() != nullptr) {
      var->Value->ResetToNew();
    } else if (var->Value->SystemId() >= 0 || var->Value->Count() > 64) {
      var->Value.reset();
    }
  }
  var->Reserved = 0;
  var->Persistent = 0;
  var->OwnerLevel = -1;
  var->IsLocal = 0;
  Spares_.push_back(std::move(var));
}

std::unique_ptr<TCustomParam> TParamCollection::CopyVarValue(std::string_view name) const {
  const TParamCollectionItem* var = FindVar(name);
  if (var == nullptr) return nullptr;
  const uint8_t tag = var->Value->ValueType();
  std::unique_ptr<TCustomParam> copy = tag >= kTagInt && tag <= kTagStr ? CreateValue(tag) : nullptr;
  if (!copy) throw EOpalError(Format(msg::kInvalidVar, std::string(name).c_str()));
  if (var->Value->AsVarRef() == nullptr && var->Value->SystemId() < 0) {
    copy->AssignExact(*var->Value);
  } else {
    copy->AssignConvert(*var->Value);
  }
  return copy;
}

void TParamCollection::BindElement(TParamVar& ref, std::string_view name, std::span<const int32_t> indices) const {
  TParamCollectionItem* target = FindVar(name);
  if (target == nullptr) throw EOpalError(Format(msg::kVarNotFound, std::string(name).c_str()));
  BindElement(ref, *target, name, indices);
}

void TParamCollection::BindElement(TParamVar& ref, TParamCollectionItem& target, std::string_view name,
                                   std::span<const int32_t> indices) const {
  auto fail = [&](const char* what) {
    throw EOpalError(std::string(name) + "[" + JoinSizes(indices) + "]\r\n" + what);
  };
  const TCustomParam& v = *target.Value;
  if (static_cast<int64_t>(indices.size()) != v.DimCount()) fail(msg::kBadIndexCount);
  // Horner's rule with a clamp: no count reaches 2^40, so a clamped value
  // is out of range either way and the products never overflow.
  constexpr __int128 kClamp = __int128(1) << 40;
  __int128 flat = 0;
  for (size_t k = 0; k < indices.size(); ++k) {
    flat = flat * v.DimSize(static_cast<int32_t>(k)) + indices[k];
    if (flat > kClamp) flat = kClamp;
    if (flat < -kClamp) flat = -kClamp;
  }
  if (flat >= v.Count()) fail(msg::kIndexBeyond);
  ref.Bind(&target);
  ref.RefName.assign(name);
  ref.ElementIndex = flat < 0 ? -1 : static_cast<int32_t>(flat);
}

TParamCollectionItem* TParamCollection::Declare(std::string_view name, uint8_t tag, uint8_t scope) {
  TParamCollectionItem* var = FindScoped(name, scope == kScopeLocal);
  if (var != nullptr) return var->Persistent ? nullptr : var;
  var = AddVar(tag);
  try {
    NameVar(var, name);
  } catch (...) {
    DeleteVar(var);
    throw;
  }
  switch (scope) {
    case kScopeLevel: var->OwnerLevel = CurrentLevel; break;
    case kScopeLocal: var->OwnerLevel = CurrentLevel; var->IsLocal = 1; break;
    case kScopePersistent: var->Persistent = 1; break;
    default: break;
  }
  return var;
}

void TParamCollection::DropLevel(int32_t level) {
  for (int32_t i = Count(); i-- > 0;) {
    if (Var(i)->OwnerLevel == level) Delete(i);
  }
}

void TParamCollection::DeleteOrdinary() {
  for (int32_t i = Count(); i-- > 0;) {
    const TParamCollectionItem* v = Var(i);
    if (!v->IsSystem() && !v->Persistent) Delete(i);
  }
}

void TParamCollection::ResetVars() {
  DeleteOrdinary();
  TextDelay = 50;
  CursorName.clear();
}

void TParamCollection::CreateSystemVars() {
  for (int id = 0; id < kSysVarCount; ++id) {
    auto item = std::make_unique<TParamCollectionItem>(std::make_unique<TParamSystem>(static_cast<uint8_t>(id), this));
    Add(std::move(item), kSysVarTable[static_cast<size_t>(id)].Name);
  }
}

}  // namespace opal

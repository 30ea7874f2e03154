// What the object commands that need only the stage do when run: creating
// boxes, reading and writing properties by number, deleting objects, and
// parking objects in cabinets. "Find" is the stage's lookup by exact name.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
#include "expr/param_collection.h"
#include "scenario/call_man.h"
#include "scenario/commands_object.h"
#include "stage/base_list.h"
#include "stage/creation.h"
#include "stage/opal_base.h"
#include "stage/properties.h"

namespace opal {

namespace {

// "プロパティ指定が不正です"
constexpr const char* kBadPropertyId =
    "\x83\x76\x83\x8D\x83\x70\x83\x65\x83\x42\x8E\x77\x92\xE8\x82\xAA\x95\x73\x90\xB3\x82\xC5\x82\xB7";

// The value of an expression, or nothing when it is absent or yields nothing.
const TCustomParam* Evaluate(TCallMan& cm, TOpalParser* e) {
  if (e == nullptr || e->Ops.empty()) return nullptr;
  e->Execute(cm.Vars);
  return e->Result();
}

// An expression that yields nothing counts as an empty string.
std::string StringOf(TCallMan& cm, TOpalParser* e) {
  const TCustomParam* r = Evaluate(cm, e);
  return r != nullptr ? r->AsString() : std::string();
}

TPropValue ToPropValue(const TCustomParam& v) {
  TPropValue out;
  out.Int = v.AsInteger();
  out.Real = v.AsFloat();
  out.Flag = v.AsFlag();
  out.Str = v.AsString();
  return out;
}

int32_t PropertyIdOf(TCallMan& cm, TOpalParser& e) {
  const TCustomParam* r = Evaluate(cm, &e);
  if (r == nullptr) throw EOpalError(kBadPropertyId);
  return r->AsInteger();
}

// The cabinet commands' selection: a name listed (or, in exclude mode, not
// listed) among the command's names.
std::vector<std::string> NamesOf(TCallMan& cm, TExprList& list) {
  std::vector<std::string> names;
  for (const auto& e : list) names.push_back(StringOf(cm, e.get()));
  return names;
}

bool Selected(const TOpalObject& child, const std::vector<std::string>& names, bool exclude) {
  const bool listed = std::find(names.begin(), names.end(), child.Name()) != names.end();
  return listed != exclude;
}

TOpalCabinet* AsCabinet(TOpalObject* obj) { return obj != nullptr && obj->Kind() == LT_CABINET ? static_cast<TOpalCabinet*>(obj) : nullptr; }

}  // namespace

TCreationValue TComComponent::CreationValues(TCallMan& cm) {
  return [this, &cm](int id) -> std::optional<TPropValue> {
    const TCustomParam* r = Evaluate(cm, Property(id));
    if (r == nullptr) return std::nullopt;
    return ToPropValue(*r);
  };
}

void TComBoxNew::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  if (stage == nullptr) return;
  TOpalObject* box = stage->CreateByKind(LT_BOX);
  ApplyCreationProperties(*box, CreationValues(cm));
}

void TComGetProp::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  TOpalObject* obj = stage != nullptr ? stage->FindObject(StringOf(cm, &Object)) : nullptr;
  if (obj == nullptr) return;
  const int32_t id = PropertyIdOf(cm, PropId);
  if (TParamCollectionItem* var = cm.Vars.FindVar(Variable)) GetProp(*obj, id, *var->Value);
}

void TComSetProp::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  TOpalObject* obj = stage != nullptr ? stage->FindObject(StringOf(cm, &Object)) : nullptr;
  if (obj == nullptr) return;
  const int32_t id = PropertyIdOf(cm, PropId);
  if (const TCustomParam* value = Evaluate(cm, &Value)) SetProp(*obj, id, *value);
}

void TComObjDel::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  const std::string name = StringOf(cm, &Object);
  if (stage == nullptr || name.empty()) return;
  if (TOpalObject* obj = stage->FindObject(name)) stage->DeleteObject(obj);
}

void TComCabinetSave::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  if (stage == nullptr) return;
  const std::string name = StringOf(cm, Property(PR_NAME));
  TOpalCabinet* cabinet = AsCabinet(name.empty() ? nullptr : stage->FindObject(name));
  if (cabinet == nullptr) {
    cabinet = AsCabinet(stage->CreateByKind(LT_CABINET));
    if (cabinet == nullptr) return;
    if (!name.empty()) cabinet->SetName(name);
    cabinet->SetParent(stage->BaseAt(0));
  }
  const TCustomParam* mode = Evaluate(cm, &ExcludeMode);
  const bool exclude = mode != nullptr && mode->AsFlag();
  const std::vector<std::string> names = NamesOf(cm, Names);
  TOpalBase* inactive = stage->OtherBase();
  const std::vector<TOpalControl*> children = inactive->Children();
  for (size_t k = children.size(); k-- > 0;) {
    if (Selected(*children[k], names, exclude)) children[k]->SetParent(cabinet);
  }
  if (cabinet->ChildCount() == 0) stage->DeleteObject(cabinet);
}

void TComCabinetLoad::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalBaseList* stage = cm.Host.Stage();
  if (stage == nullptr) return;
  TOpalCabinet* cabinet = AsCabinet(stage->FindObject(StringOf(cm, Property(PR_NAME))));
  if (cabinet == nullptr) return;
  const TCustomParam* mode = Evaluate(cm, &ExcludeMode);
  const bool exclude = mode != nullptr && mode->AsFlag();
  const std::vector<std::string> names = NamesOf(cm, Names);
  const std::vector<TOpalControl*> children = cabinet->Children();
  for (size_t k = children.size(); k-- > 0;) {
    if (Selected(*children[k], names, exclude)) children[k]->SetParent(stage->OtherBase());
  }
  if (cabinet->ChildCount() == 0) stage->DeleteObject(cabinet);
}

}  // namespace opal

#include "stage/object_ref.h"

#include "stage/base_list.h"

namespace opal {

TOpalObject* ResolveObjectId(const TOpalBaseList* stage, uint64_t id) {
  if (stage == nullptr) return nullptr;
  if (TOpalObject* o = stage->ById(id)) return o;
  // The bases are owned by the stage, not registered.
  for (int32_t i = 0; i < 2; ++i) {
    TOpalBase* base = stage->BaseAt(i);
    if (base != nullptr && base->Id() == id) return base;
  }
  return nullptr;
}

uint64_t ObjectIdOf(const TOpalObject* obj) { return obj->Id(); }

TOpalBaseList* ObjectStageOf(const TOpalObject* obj) { return obj->Owner(); }

TOpalControl* ObjectAsControl(TOpalObject* obj) { return obj != nullptr ? obj->AsControl() : nullptr; }

}  // namespace opal

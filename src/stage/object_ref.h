// TObjectRef: a reference to a display object by its id, which the stage
// never reuses. It answers the object only while that very object is still
// registered, so a destroyed object is never touched and an object made
// later (even at the same address) never inherits the reference.
#pragma once

#include <cstdint>

namespace opal {

class TOpalBaseList;
class TOpalObject;
class TOpalControl;

// The registered object of this id on `stage`, or none (defined with the stage).
TOpalObject* ResolveObjectId(const TOpalBaseList* stage, uint64_t id);
// Ids and stages of objects, without their full declaration here.
uint64_t ObjectIdOf(const TOpalObject* obj);
TOpalBaseList* ObjectStageOf(const TOpalObject* obj);
TOpalControl* ObjectAsControl(TOpalObject* obj);

template <class T>
class TObjectRef {
 public:
  TObjectRef() = default;
  TObjectRef(std::nullptr_t) {}  // NOLINT: null assigns like a pointer
  TObjectRef(T* obj) { Set(obj); }  // NOLINT: a pointer converts

  TObjectRef& operator=(T* obj) {
    Set(obj);
    return *this;
  }
  TObjectRef& operator=(std::nullptr_t) {
    Id_ = 0, Stage_ = nullptr;
    return *this;
  }

  T* Get() const;
  operator T*() const { return Get(); }  // NOLINT: reads like a pointer
  T* operator->() const { return Get(); }
  uint64_t Id() const { return Id_; }

 private:
  void Set(T* obj) {
    Id_ = obj != nullptr ? ObjectIdOf(obj) : 0;
    Stage_ = obj != nullptr ? ObjectStageOf(obj) : nullptr;
  }

  uint64_t Id_ = 0;
  TOpalBaseList* Stage_ = nullptr;
};

template <>
inline TOpalObject* TObjectRef<TOpalObject>::Get() const {
  return Id_ != 0 ? ResolveObjectId(Stage_, Id_) : nullptr;
}

template <>
inline TOpalControl* TObjectRef<TOpalControl>::Get() const {
  return Id_ != 0 ? ObjectAsControl(ResolveObjectId(Stage_, Id_)) : nullptr;
}

}  // namespace opal

// The keyboard focus of the stage: who has it, who gets it next.
#include "stage/base_list.h"

namespace opal {

namespace {

constexpr uint8_t kFocusInEvent = PR_ONFOCUSIN;
constexpr uint8_t kFocusOutEvent = PR_ONFOCUSOUT;
constexpr size_t kFocusIn = 3, kFocusOut = 4;  // in TOpalControl::KeyHandlers

}  // namespace

void TOpalBaseList::SetFocus(TOpalControl* obj) {
  TOpalControl* old = Focus;
  if (old == obj && Focus.Id() == (obj != nullptr ? obj->Id() : 0)) return;
  if (old != nullptr && !old->Name().empty() && !old->KeyHandlers[kFocusOut].empty() && !old->Closing()) {
    Events.Post(old, old->KeyHandlers[kFocusOut], {}, kFocusOutEvent);
  }
  Focus = obj;
  if (obj != nullptr && !obj->KeyHandlers[kFocusIn].empty() && !obj->Closing()) {
    Events.Post(obj, obj->KeyHandlers[kFocusIn], {}, kFocusInEvent);
  }
  RefocusPending = false;
  if (obj != nullptr) obj->TakeNativeFocus();
}

TOpalControl* TOpalBaseList::FindFocusCandidate(TOpalControl* c) const {
  if (c == nullptr) return nullptr;
  const std::vector<TOpalControl*>& children = c->Children();
  for (size_t i = children.size(); i-- > 0;) {
    if (!children[i]->Visible()) continue;
    if (TOpalControl* found = FindFocusCandidate(children[i])) return found;
  }
  return c->HandleKey && !c->Paused() ? c : nullptr;
}

void TOpalControl::SetHandleKey(bool v) {
  if (v == HandleKey) return;
  HandleKey = v;
  TOpalBaseList* stage = Owner();
  if (stage == nullptr) return;
  TOpalControl* focus = stage->Focus;
  if ((v && focus == nullptr) || (!v && focus == this)) stage->RequestFocusSearch();
}

}  // namespace opal

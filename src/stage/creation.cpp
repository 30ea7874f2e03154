#include "stage/creation.h"

#include "stage/base_list.h"

namespace opal {

void ApplyCreationProperties(TOpalObject& obj, const TCreationValue& valueOf) {
  const auto& order = CreationOrder();
  TOpalControl* control = obj.AsControl();
  for (int i = 0; i < CreationOrderCount(); ++i) {
    const int id = order[static_cast<size_t>(i)];
    const TPropertyInfo& info = *PropertyInfo(id);
    std::optional<TPropValue> given = valueOf ? valueOf(id) : std::nullopt;
    TPropValue v = given ? *given : CreationDefault(info);
    if (id == PR_NAME) {
      if (!v.Str.empty()) obj.SetName(v.Str);
      continue;
    }
    if (id == PR_PARENT) {
      if (control != nullptr && obj.Owner() != nullptr && !control->IsBase()) {
        TOpalControl* parent = obj.Owner()->FindControl(v.Str);
        control->SetParent(parent != nullptr ? parent : obj.Owner()->ActiveBase());
      }
      continue;
    }
    if (id == PR_LEFT && control != nullptr) control->UpdatePendingSize();
    obj.SetProperty(id, v);
  }
  if (control != nullptr) control->Invalidate();
}

}  // namespace opal

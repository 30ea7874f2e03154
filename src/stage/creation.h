// Applying an object-creating command's properties: every property in the
// creation order, through its setter, with the command's value or the
// creation default.
#pragma once

#include <functional>
#include <optional>

#include "stage/properties.h"

namespace opal {

class TOpalObject;

// The command's value of a property, or nothing when it has no expression
// for it or the expression yields nothing.
using TCreationValue = std::function<std::optional<TPropValue>(int id)>;

// An empty PR_NAME keeps the automatic name; an empty PR_PARENT, or one that
// names no control, puts a control on the active base. The object is
// invalidated once at the end.
void ApplyCreationProperties(TOpalObject& obj, const TCreationValue& valueOf);

}  // namespace opal

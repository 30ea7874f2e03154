// The `PR_` names of the display-object property numbers 0..162. The
// numbers are stored in pages and saves; the names are how scenario text
// writes them.
#pragma once

#include <string_view>

namespace opal {

inline constexpr int kPropertyNameCount = 163;

// "PR_NAME" for 0 and so on; nullptr outside 0..162.
const char* PropertyName(int id);
// The number of a `PR_` name (exact spelling), or -1.
int FindPropertyName(std::string_view name);

}  // namespace opal

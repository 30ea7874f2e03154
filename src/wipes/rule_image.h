// The rule of the shadow kinds: one grey level per screen pixel, read from a
// picture of the game data (a layered image, first frame) repeated from the
// top-left corner. Bright pixels change first; under Reverse each level v
// becomes 255 − v. Without a picture (no name, no such file, a picture that
// cannot be read or is empty) every level is 255.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "wipes/custom_wipe.h"

namespace opal {

// width × height levels, row by row from the top. A picture that cannot
// be read is reported once through the context's Warn.
std::vector<uint8_t> BuildRuleLevels(const TWipeContext& context, const std::string& name,
                                     bool reverse, int32_t width, int32_t height);

}  // namespace opal

#include "common/run_state.h"

namespace opal {

TRunState& RunState() {
  static TRunState state;
  return state;
}

TPlayerSettings& PlayerSettings() {
  static TPlayerSettings settings;
  return settings;
}

}  // namespace opal

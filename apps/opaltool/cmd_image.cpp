#include <cstdio>

#include "commands.h"

namespace opaltool {

int CmdImage(const Args& args) {
  (void)args;
  std::fprintf(stderr, "opaltool: image: not built yet\n");
  return 2;
}

}  // namespace opaltool

#include <cstdio>

#include "commands.h"

namespace opaltool {

int CmdExpr(const Args&) {
  std::fprintf(stderr, "opaltool: expr is not available yet\n");
  return 2;
}

}  // namespace opaltool

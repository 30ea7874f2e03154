#include "platform/system_locale.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace opal {

bool SystemLanguageIsJapanese() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') continue;
    return std::strncmp(v, "ja", 2) == 0 && (v[2] == '\0' || v[2] == '_' || v[2] == '.' || v[2] == '@');
  }
  return false;
}

}  // namespace opal

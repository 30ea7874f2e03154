// The language of the user's system, as the player's own texts need it.
#pragma once

namespace opal {

// True when the messages locale (LC_ALL, else LC_MESSAGES, else LANG)
// names Japanese ("ja", "ja_JP.UTF-8", …).
bool SystemLanguageIsJapanese();

}  // namespace opal

// game.ini: the player's machine-wide settings beside the executable.
// Plain INI text; sections and keys compare without regard to ASCII case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/run_state.h"

namespace opal {

class TIniFile {
 public:
  // A missing or unreadable file reads as empty; a file over 1 MiB is not
  // a settings file and reads as empty too.
  void Load(const std::string& path);
  void Parse(std::string_view text);

  std::optional<std::string> ReadString(std::string_view section, std::string_view key) const;
  // Decimal, or hexadecimal after "0x"; a value that is missing, not an
  // integer or outside int32 gives `fallback`.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const;
  // Any non-zero integer is true.
  bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

 private:
  struct TEntry {
    std::string Section, Key, Value;
  };
  std::vector<TEntry> Entries_;
};

// DelayTime as the player uses it: truncated to a multiple of 100, then
// clamped to 100..500.
int32_t NormalizeDelayTime(int32_t value);

// Reads Sound/DirectSound, Sound/DelayTime and Video/UseWMP; what the file
// lacks keeps the value `current` holds.
TPlayerSettings ReadGameIni(const std::string& path, const TPlayerSettings& current = {});

}  // namespace opal

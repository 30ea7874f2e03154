// game.ini: the player's machine-wide settings beside the executable.
// Plain INI text; sections and keys compare without regard to ASCII case.
// The file is kept line by line, so a rewrite changes only the values it
// sets and keeps unknown keys, comments and line ends as they were.
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

  // Sets the value in place, or adds the key at the end of its section, or
  // the section at the end of the file.
  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  std::string Text() const;
  // Writes a temporary file beside `path` and renames it over the old one;
  // false (the old file untouched, `error` set) when that fails.
  bool Save(const std::string& path, std::string* error = nullptr) const;

 private:
  struct TLine {
    std::string Raw;      // the line as it stands, without its line end
    std::string Eol;      // "\r\n", "\n" or "" (the last line)
    std::string Section;  // the section it belongs to
    std::string Key;      // empty for anything but a key line
    std::string Value;
  };
  std::vector<TLine> Lines_;
};

// DelayTime as the player uses it: truncated to a multiple of 100, then
// clamped to 100..500.
int32_t NormalizeDelayTime(int32_t value);

// Reads Sound/DirectSound, Sound/DelayTime and Video/UseWMP; what the file
// lacks keeps the value `current` holds.
TPlayerSettings ReadGameIni(const std::string& path, const TPlayerSettings& current = {});

}  // namespace opal

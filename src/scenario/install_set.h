// `install.dat`, the install settings the authoring tool's installer writes
// beside the game data (TOpalInstallSet). The player uses DiscIndex, Title
// and FullInstall and appends to CreatedFiles; every other field belongs to
// the installer and is kept as read. Fields are named by their order in the
// file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace opal {

class TStream;

class TOpalInstallSet {
 public:
  // The version the writer produces ("is108").
  static constexpr int32_t kWriteVersion = 108;

  // Every count and length is checked against the bytes that remain.
  void LoadFromStream(TStream& s);
  // Always the full layout of version 108. Names in CreatedFiles that could
  // leave the game's folders are left out.
  void SaveToStream(TStream& s) const;
  void LoadFromFile(const std::string& native_path);
  // Writes a temporary file beside `native_path` and renames it over the
  // old one; on failure the old file stays and EOpalError is thrown.
  void SaveToFile(const std::string& native_path) const;

  // Adds a file the game wrote into its data folder, unless listed
  // (compared without case). Returns whether it was added; a name that
  // could leave the game's folders throws.
  bool AddCreatedFile(std::string_view name);

  int32_t Version = 0;  // as read
  int32_t DiscIndex = 0;
  std::string Title;
  std::array<std::string, 3> Text3to5;
  uint8_t Flag6 = 0;
  std::string Text7;
  uint8_t Flag8 = 0;
  std::string Text10;
  int32_t Number11 = 0;
  uint8_t Flag12 = 0, Flag13 = 0;
  std::string Text14, Text15;
  std::vector<std::array<int64_t, 4>> Items;  // order 16; its count is field 9
  std::array<int64_t, 4> Numbers17{};
  uint8_t Flag18 = 0;
  uint8_t Flag19 = 0;                     // version >= 101
  std::vector<std::string> CreatedFiles;  // version >= 102
  uint8_t FullInstall = 0;                // version >= 103
  uint8_t Flag22 = 0;                     // version >= 104
  uint8_t Flag23 = 0;                     // version >= 105
  std::vector<std::string> List24;        // version >= 106
  std::string Text25;                     // version >= 107
  std::string Text26, Text27;             // version >= 108
};

}  // namespace opal

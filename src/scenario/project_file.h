// The project file `opal.opb` as a plain record, with the folder-to-disc
// list it ends with. TProject applies a loaded record; the writer produces
// the layout of the record's version.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/error.h"

namespace opal {

class TStream;

inline constexpr int32_t kProjectVersionMax = 113;

// A project file of a version newer than the player reads.
class EProjectTooNew : public EFormatError {
 public:
  using EFormatError::EFormatError;
};

// Type 1 integer, 2 float, 3 flag, 4 string; any other type stores no value.
struct TVarDeclaration {
  uint8_t Type = 1;
  std::string Name;
  int32_t IntValue = 0;
  std::array<uint8_t, 10> FloatBytes{};  // the 80-bit real as stored
  uint8_t FlagValue = 0;
  std::string StrValue;
};

// Folders (game names with '\') and the disc each is on.
class TFolderDiskList {
 public:
  // The disc of the nearest listed folder that holds `path`, or 0.
  int32_t DiscOf(std::string_view path) const;
  void LoadFromStream(TStream& s);
  void SaveToStream(TStream& s) const;

  std::vector<std::pair<std::string, int32_t>> Items;
};

struct TProjectFile {
  int32_t Version = kProjectVersionMax;
  std::string Title;
  int32_t Width = 0, Height = 0;
  int32_t FullScreenWidth = 0, FullScreenHeight = 0;
  std::string StartPage;
  std::string ClosingPage;  // version >= 110
  std::string RegistryKey;
  int32_t ImageTileSeed = 0;
  uint8_t SaveToDisk = 1;                              // version >= 104, else 0
  uint8_t YieldCpu = 1;                                // version >= 106, else 0
  std::string OptionalMediaExtensions = ".wav.wma.ogg";  // version >= 109
  uint8_t PauseWhenInactive = 0;                       // version >= 113
  std::string DiscPrompt, ExitPrompt;
  std::vector<TVarDeclaration> Variables;
  TFolderDiskList FolderDisks;

  // Every count and length is checked against the bytes that remain.
  // Throws EProjectTooNew above version 113, EFormatError/EStreamError for
  // damaged data.
  void LoadFromStream(TStream& s);
  // Writes the fields of `Version` (at most 113).
  void SaveToStream(TStream& s) const;
};

}  // namespace opal

// TPage: one compiled scenario page (.osb), a flat list of commands with the
// page's property sets, read by the loader and written back by the writer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/error.h"
#include "scenario/command.h"
#include "scenario/commands_object.h"

namespace opal {

class TStream;
class TVrFileManager;
class TParamCollection;

inline constexpr int32_t kPageVersionMin = 103;
inline constexpr int32_t kPageVersionMax = 113;
// The version the writer produces for new pages.
inline constexpr int32_t kPageVersionCurrent = 113;
inline constexpr int kPropertySetBytes = 21;

// A page older than the player reads. The message is the page's name, a
// line break and the request to rebuild; the player shows it and stops.
class EPageTooOld : public EFormatError {
 public:
  using EFormatError::EFormatError;
};

// A page of a version newer than the player knows.
class EPageTooNew : public EFormatError {
 public:
  using EFormatError::EFormatError;
};

class TPage {
 public:
  // `vars`, when given, loses the page's private variable (code 1 and the
  // page's name) when the page goes.
  explicit TPage(TParamCollection* vars = nullptr) : Vars_(vars) {}
  ~TPage();
  TPage(const TPage&) = delete;
  TPage& operator=(const TPage&) = delete;

  // Clears the page, remembers `name` and reads the file through the file
  // manager; the file manager's error reaches the caller.
  void Load(TVrFileManager& files, std::string_view name);
  // Replaces the content with a page file's bytes. Throws EPageTooOld,
  // EPageTooNew, or EFormatError/EStreamError naming the command and the
  // offset where the data stopped making sense; the page is then empty.
  void LoadFromStream(TStream& s);
  // Writes the page in the layout of `Version` (103..113): 61 property sets
  // of 21 bytes, then the commands.
  void SaveToStream(TStream& s) const;

  // A new command of `code` (0..60) belonging to this page, with the
  // property slots of the page's set for its code; other codes throw the
  // system's invalid-command error.
  std::unique_ptr<TCommand> CreateCommand(uint8_t code);
  int IndexOfLabel(std::string_view name) const;
  int IndexOf(const TCommand* command) const;
  void Clear();

  static bool InSet(const TPropertySet& set, int id) {
    return id >= 0 && id < kPropertySetBytes * 8 && (set[static_cast<size_t>(id / 8)] >> (id % 8)) & 1;
  }
  static void AddToSet(TPropertySet& set, int id) {
    set[static_cast<size_t>(id / 8)] = static_cast<uint8_t>(set[static_cast<size_t>(id / 8)] | (1u << (id % 8)));
  }

  uint8_t ResultType = 1;
  std::vector<std::unique_ptr<TCommand>> Commands;
  std::string Name;
  std::array<TPropertySet, kCommandCodeCount> PropertySets{};
  int32_t Version = 104;
  // Tells loads apart: the interpreter numbers every page it loads, so a
  // page freed and loaded again is never taken for the one before (0: not
  // numbered).
  uint64_t Generation = 0;

 private:
  TParamCollection* Vars_;
};

}  // namespace opal

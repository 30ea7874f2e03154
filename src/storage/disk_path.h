// Game names on a Linux disk. A game names its files relative to its own
// folders, in CP932 with '\' between components and without regard to case;
// the disk has UTF-8 names and is case-sensitive. The resolver walks a
// name component by component below a base folder, matching each component
// case-insensitively, and refuses names that could leave the base: "..",
// absolute names, drive letters and device names never reach the disk.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace opal {

class TDiskPath {
 public:
  // True when the game name may be resolved below a folder: not empty, not
  // absolute, no drive or stream colon, no ".." component, no device name.
  static bool IsSafeName(std::string_view cp932_name);

  // The native path of `cp932_name` below `base` (a native folder), if the
  // name is safe and every component exists. `want_dir` asks for a folder
  // instead of a regular file.
  static std::optional<std::string> Resolve(const std::string& base, std::string_view cp932_name,
                                            bool want_dir = false);
  static bool FileExists(const std::string& base, std::string_view cp932_name) {
    return Resolve(base, cp932_name).has_value();
  }

  // Entries of a native folder with their names in CP932 (names that have
  // no CP932 form are left out). Folders carry a trailing '\'-free name and
  // is_dir set. Sorted by name.
  struct Entry {
    std::string cp932_name;
    std::string native_path;
    bool is_dir;
  };
  static std::vector<Entry> List(const std::string& native_dir);

  // Appends '/' unless the path already ends in one (empty stays empty).
  static std::string WithSlash(std::string path);
  // Whether a native path names an existing regular file.
  static bool IsFile(const std::string& native_path);
  static bool IsDir(const std::string& native_path);
};

}  // namespace opal

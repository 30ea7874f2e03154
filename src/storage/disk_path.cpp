#include "storage/disk_path.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>

#include "common/cp932.h"

namespace opal {

namespace {

// Components split at '\' or '/' ('/' is never a trail byte).
std::vector<std::string> Components(std::string_view name) {
  std::vector<std::string> parts;
  std::string cur;
  for (size_t i = 0; i < name.size();) {
    const size_t len = cp932::CharLen(name, i);
    if (len == 1 && (name[i] == '\\' || name[i] == '/')) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur.append(name.substr(i, len));
    }
    i += len;
  }
  parts.push_back(cur);
  return parts;
}

bool IsDeviceName(const std::string& component) {
  static constexpr std::array<const char*, 4> kPlain = {"CON", "PRN", "AUX", "NUL"};
  std::string stem = cp932::UpperAscii(component);
  const size_t dot = stem.find('.');
  if (dot != std::string::npos) stem.resize(dot);
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (const char* d : kPlain) {
    if (stem == d) return true;
  }
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '1' && stem[3] <= '9';
}

}  // namespace

bool TDiskPath::IsSafeName(std::string_view name) {
  if (name.empty() || name[0] == '\\' || name[0] == '/') return false;
  for (size_t i = 0; i < name.size(); i += cp932::CharLen(name, i)) {
    if (cp932::CharLen(name, i) == 1 && (name[i] == ':' || name[i] == '\0')) return false;
  }
  for (const std::string& c : Components(name)) {
    if (c == ".." || IsDeviceName(c)) return false;
  }
  return true;
}

std::optional<std::string> TDiskPath::Resolve(const std::string& base, std::string_view name, bool want_dir) {
  if (base.empty() || !IsSafeName(name)) return std::nullopt;
  std::string path = WithSlash(base);
  const std::vector<std::string> parts = Components(name);
  for (size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    const bool last = i + 1 == parts.size();
    if (part.empty() || part == ".") {
      if (last && !want_dir) return std::nullopt;  // "a\" names a folder, not a file
      continue;
    }
    const std::string native = cp932::ToUtf8(part);
    std::string found;
    if (!native.empty() && native.find('/') == std::string::npos) {
      struct stat st{};
      if (::stat((path + native).c_str(), &st) == 0) found = native;
    }
    if (found.empty()) {
      // No exact match: the first entry whose CP932 name equals ignoring case.
      for (const Entry& e : List(path)) {
        if (cp932::SameText(e.cp932_name, part)) {
          found = e.native_path.substr(path.size());
          break;
        }
      }
    }
    if (found.empty()) return std::nullopt;
    path += found;
    if (!last) path += '/';
  }
  if (want_dir ? !IsDir(path) : !IsFile(path)) return std::nullopt;
  return path;
}

std::vector<TDiskPath::Entry> TDiskPath::List(const std::string& native_dir) {
  std::vector<Entry> out;
  const std::string dir = WithSlash(native_dir);
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) return out;
  while (dirent* e = ::readdir(d)) {
    const std::string native = e->d_name;
    if (native == "." || native == "..") continue;
    bool lossless = true;
    std::string cp = cp932::FromUtf8(native, &lossless);
    if (!lossless) continue;
    const std::string full = dir + native;
    out.push_back({std::move(cp), full, IsDir(full)});
  }
  ::closedir(d);
  std::sort(out.begin(), out.end(), [](const Entry& a, const Entry& b) { return a.native_path < b.native_path; });
  return out;
}

std::string TDiskPath::WithSlash(std::string path) {
  if (!path.empty() && path.back() != '/') path += '/';
  return path;
}

bool TDiskPath::IsFile(const std::string& native_path) {
  struct stat st{};
  return ::stat(native_path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool TDiskPath::IsDir(const std::string& native_path) {
  struct stat st{};
  return ::stat(native_path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace opal

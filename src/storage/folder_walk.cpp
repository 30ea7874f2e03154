#include "storage/folder_walk.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <utility>

#include "common/cp932.h"
#include "common/error.h"
#include "storage/disk_path.h"

namespace opal {

namespace {

class TFolderWalk {
 public:
  explicit TFolderWalk(std::vector<TFolderFile>& out) : Out_(out) {}

  void Folder(const std::string& dir, const std::string& prefix) {
    struct stat st{};
    if (::stat(dir.c_str(), &st) != 0) Unreadable(dir, errno);
    const std::pair<dev_t, ino_t> id{st.st_dev, st.st_ino};
    if (std::find(Open_.begin(), Open_.end(), id) != Open_.end()) {
      throw EOpalError(Format("%s: a link leads back into a folder that holds it", dir.c_str()));
    }
    Open_.push_back(id);
    std::map<std::string, std::string> seen;  // upper-case CP932 name -> native path
    for (const std::string& n : Names(dir)) {
      const std::string full = TDiskPath::WithSlash(dir) + n;
      bool lossless = true;
      const std::string cp = cp932::FromUtf8(n, &lossless);
      if (!lossless) throw EOpalError(Format("%s: the name has no form in code page 932", full.c_str()));
      const auto [at, fresh] = seen.emplace(cp932::UpperAscii(cp), full);
      if (!fresh) {
        throw EOpalError(Format("%s: the name differs only in case from %s", full.c_str(), at->second.c_str()));
      }
      struct stat entry{};
      if (::stat(full.c_str(), &entry) != 0) Unreadable(full, errno);
      if (S_ISDIR(entry.st_mode)) {
        Folder(full, prefix + cp + "\\");
      } else if (S_ISREG(entry.st_mode)) {
        Out_.push_back({prefix + cp, full});
      } else {
        throw EOpalError(Format("%s: neither a file nor a folder", full.c_str()));
      }
    }
    Open_.pop_back();
  }

 private:
  [[noreturn]] static void Unreadable(const std::string& path, int error) {
    throw EOpalError(Format("%s: cannot be read: %s", path.c_str(), std::strerror(error)));
  }

  static std::vector<std::string> Names(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
      throw EOpalError(Format("%s: cannot read the folder: %s", dir.c_str(), std::strerror(errno)));
    }
    std::vector<std::string> names;
    while (true) {
      errno = 0;
      const dirent* ent = ::readdir(d);
      if (ent == nullptr) break;
      const std::string n = ent->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    const int error = errno;
    ::closedir(d);
    if (error != 0) {
      throw EOpalError(Format("%s: cannot read the folder: %s", dir.c_str(), std::strerror(error)));
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  std::vector<TFolderFile>& Out_;
  std::vector<std::pair<dev_t, ino_t>> Open_;  // the folders being walked, outermost first
};

}  // namespace

std::vector<TFolderFile> WalkFolder(const std::string& root) {
  std::vector<TFolderFile> out;
  TFolderWalk(out).Folder(root, "");
  return out;
}

}  // namespace opal

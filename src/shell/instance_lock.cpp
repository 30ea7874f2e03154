#include "shell/instance_lock.h"

#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace opal {

TInstanceLock::~TInstanceLock() { Release(); }

std::string TInstanceLock::Key(std::string_view data_folder) {
  std::string key(data_folder);
  if (key.empty() || (key.back() != '/' && key.back() != '\\')) key += '/';
  for (char& c : key) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    if (c == '/' || c == '\\') c = '-';
  }
  return key;
}

std::string TInstanceLock::LockPath(const std::string& folder, std::string_view key) {
  uint64_t hash = 0xcbf29ce484222325ull;  // FNV-1a
  for (unsigned char c : key) hash = (hash ^ c) * 0x100000001b3ull;
  char name[48];
  std::snprintf(name, sizeof name, "opalplay-%016" PRIx64 ".lock", hash);
  return folder + "/" + name;
}

std::string TInstanceLock::LockFolder() {
  if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg != nullptr && xdg[0] == '/') {
    struct stat st;
    if (::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode)) return xdg;
  }
  const std::string folder = "/tmp/opalplay-" + std::to_string(::getuid());
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
  struct stat st;
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
      (st.st_mode & 0077) != 0) {
    return "";
  }
  return folder;
}

TInstanceLock::TResult TInstanceLock::Acquire(std::string_view key, std::string folder) {
  Release();
  if (folder.empty()) folder = LockFolder();
  if (folder.empty()) return TResult::Unavailable;
  const std::string path = LockPath(folder, key);
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return TResult::Unavailable;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held ? TResult::HeldElsewhere : TResult::Unavailable;
  }
  Fd_ = fd;
  return TResult::Acquired;
}

void TInstanceLock::Release() {
  if (Fd_ >= 0) ::close(Fd_);  // closing drops the flock
  Fd_ = -1;
}

}  // namespace opal

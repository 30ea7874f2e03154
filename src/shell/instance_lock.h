// The single-instance rule: one player per data folder. The key is the
// data folder upper-cased, with a trailing delimiter, every delimiter
// replaced by '-'; the lock is an flock on a file named by a hash of the
// key in the user's runtime folder, held until the process ends.
#pragma once

#include <string>
#include <string_view>

namespace opal {

class TInstanceLock {
 public:
  TInstanceLock() = default;
  ~TInstanceLock();
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  static std::string Key(std::string_view data_folder);
  // The lock file for `key` inside `folder`.
  static std::string LockPath(const std::string& folder, std::string_view key);
  // $XDG_RUNTIME_DIR when set, else a folder of this user's own under /tmp
  // (created 0700; refused when it is a link or belongs to someone else).
  // Empty when there is none to be had.
  static std::string LockFolder();

  enum class TResult { Acquired, HeldElsewhere, Unavailable };
  // Takes the lock of `key` in `folder` (LockFolder() when empty).
  // Unavailable: no lock file could be made; the caller decides.
  TResult Acquire(std::string_view key, std::string folder = "");
  void Release();

 private:
  int Fd_ = -1;
};

}  // namespace opal

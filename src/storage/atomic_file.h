// Files replaced whole. A new file is written as a temporary beside its
// destination (created exclusively, never through a link), flushed and
// synced to the device, renamed over the destination, and the folder synced,
// so a reader sees the old file or the new one and never a part of either.
// On any failure the temporary goes, the old file stays byte for byte, and
// the error (EStreamError) names the file and the cause.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "storage/stream.h"

namespace opal {

// The system calls the atomic writer makes that can fail on a sound
// program's watch (a full disk, a failing device, a folder it may not
// write), one virtual each so a test can make any of them fail.
class TFileSystemCalls {
 public:
  virtual ~TFileSystemCalls() = default;
  virtual int Open(const std::string& path, int flags, mode_t mode);
  virtual ssize_t PWrite(int fd, const void* data, size_t size, off_t at);
  virtual int FSync(int fd);
  virtual int Close(int fd);
  virtual int Rename(const std::string& from, const std::string& to);
  // The process's own calls.
  static TFileSystemCalls& System();
};

// A file being written that replaces `path` on Commit. Small writes are
// gathered into pieces of up to 1 MiB before they go to the temporary file;
// writes may seek back over what was written (directories patched after
// their data), and reads give back what was written. The new file gets the old file's permission bits, or 0666 less the
// umask. A destination that is a link is replaced where the link points.
// Destroyed without Commit, the temporary goes and the old file stays.
class TAtomicFile : public TStream {
 public:
  explicit TAtomicFile(const std::string& path, TFileSystemCalls& calls = TFileSystemCalls::System());
  ~TAtomicFile() override;
  TAtomicFile(const TAtomicFile&) = delete;
  TAtomicFile& operator=(const TAtomicFile&) = delete;

  // Writes all `count` bytes or throws EStreamError; never a short count.
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return Size_; }
  void SetSize(int64_t size) override;

  // Flushes the buffer, syncs and closes the temporary: after this only
  // Install remains, and it cannot fail for want of room.
  void Seal();
  // Seals, renames the temporary over the destination, and syncs the
  // folder unless told the caller syncs it after more renames.
  void Commit(bool sync_folder = true);
  // Removes the temporary; the destination stays as it was.
  void Discard();

  // The destination (a link's target when the given path was a link).
  const std::string& Path() const { return Path_; }
  const std::string& TemporaryPath() const { return Temp_; }
  const std::string& Folder() const { return Folder_; }
  bool Committed() const { return State_ == EState::Committed; }

  // Syncs a folder so that renames in it reach the device.
  static void SyncFolder(const std::string& folder, TFileSystemCalls& calls = TFileSystemCalls::System());

 private:
  enum class EState { Discarded, Open, Sealed, Committed };

  [[noreturn]] void Fail(const char* what, int error);
  void RequireOpen() const;
  void WriteAt(const uint8_t* data, size_t size, int64_t at);
  void FlushPending();

  TFileSystemCalls& Calls_;
  std::string Path_, Folder_, Temp_;
  int Fd_ = -1;
  int64_t Pos_ = 0, Size_ = 0;
  std::vector<uint8_t> Pending_;  // bytes for [PendingAt_, PendingAt_ + size)
  int64_t PendingAt_ = 0;
  EState State_ = EState::Discarded;
};

// Replaces the file at `path` with `size` bytes.
void WriteFileAtomic(const std::string& path, const void* data, size_t size,
                     TFileSystemCalls& calls = TFileSystemCalls::System());
inline void WriteFileAtomic(const std::string& path, std::string_view bytes,
                            TFileSystemCalls& calls = TFileSystemCalls::System()) {
  WriteFileAtomic(path, bytes.data(), bytes.size(), calls);
}
inline void WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes,
                            TFileSystemCalls& calls = TFileSystemCalls::System()) {
  WriteFileAtomic(path, bytes.data(), bytes.size(), calls);
}

}  // namespace opal

#include "storage/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/error.h"

namespace opal {

namespace {

constexpr size_t kBufferSize = size_t{1} << 20;
constexpr int kNameTries = 100;

// Six letters and digits, different for every try of every file.
std::string UniqueSuffix(const void* owner, int attempt) {
  uint64_t x = static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  x ^= static_cast<uint64_t>(::getpid()) << 32;
  x ^= reinterpret_cast<uintptr_t>(owner);
  x += static_cast<uint64_t>(attempt) * 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 31)) * 0xBF58476D1CE4E5B9ull;
  x ^= x >> 29;
  static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
  std::string s(6, '0');
  for (char& c : s) {
    c = kDigits[x % 36];
    x /= 36;
  }
  return s;
}

// The file a link points to, so that the link itself stays a link.
std::string Destination(const std::string& path) {
  struct stat st{};
  if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
  char resolved[PATH_MAX];
  return ::realpath(path.c_str(), resolved) != nullptr ? std::string(resolved) : path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

// --- TFileSystemCalls ---

int TFileSystemCalls::Open(const std::string& path, int flags, mode_t mode) {
  return ::open(path.c_str(), flags, mode);
}
ssize_t TFileSystemCalls::PWrite(int fd, const void* data, size_t size, off_t at) {
  return ::pwrite(fd, data, size, at);
}
int TFileSystemCalls::FSync(int fd) { return ::fsync(fd); }
int TFileSystemCalls::Close(int fd) { return ::close(fd); }
int TFileSystemCalls::Rename(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str());
}
TFileSystemCalls& TFileSystemCalls::System() {
  static TFileSystemCalls calls;
  return calls;
}

// --- TAtomicFile ---

TAtomicFile::TAtomicFile(const std::string& path, TFileSystemCalls& calls)
    : Calls_(calls), Path_(Destination(path)), Folder_(FolderOf(Path_)) {
  struct stat old{};
  const bool replaces = ::stat(Path_.c_str(), &old) == 0;
  if (replaces && S_ISDIR(old.st_mode)) Fail("cannot write", EISDIR);
  for (int attempt = 0; attempt < kNameTries; ++attempt) {
    Temp_ = Path_ + "." + UniqueSuffix(this, attempt) + ".tmp";
    Fd_ = Calls_.Open(Temp_, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (Fd_ >= 0 || errno != EEXIST) break;
  }
  if (Fd_ < 0) Fail("cannot write", errno);
  State_ = EState::Open;
  if (replaces && ::fchmod(Fd_, old.st_mode & 07777) != 0) Fail("cannot write", errno);
}

TAtomicFile::~TAtomicFile() {
  if (State_ != EState::Committed) Discard();
}

void TAtomicFile::Fail(const char* what, int error) {
  Discard();
  throw EStreamError(Format("%s %s: %s", what, Path_.c_str(), std::strerror(error)));
}

void TAtomicFile::Discard() {
  if (Fd_ >= 0) ::close(Fd_);
  Fd_ = -1;
  if (State_ == EState::Open || State_ == EState::Sealed) ::unlink(Temp_.c_str());
  if (State_ != EState::Committed) State_ = EState::Discarded;
  Pending_.clear();
}

void TAtomicFile::RequireOpen() const {
  if (State_ != EState::Open) throw EStreamError(Format("cannot write %s: the file is closed", Path_.c_str()));
}

void TAtomicFile::WriteAt(const uint8_t* data, size_t size, int64_t at) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = Calls_.PWrite(Fd_, data + done, size - done, static_cast<off_t>(at + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) Fail("cannot write", n == 0 ? ENOSPC : errno);
    done += static_cast<size_t>(n);
  }
}

void TAtomicFile::FlushPending() {
  if (Pending_.empty()) return;
  WriteAt(Pending_.data(), Pending_.size(), PendingAt_);
  Pending_.clear();
}

int64_t TAtomicFile::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  RequireOpen();
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  const bool follows = Pos_ == PendingAt_ + static_cast<int64_t>(Pending_.size());
  if (!follows || Pending_.size() + static_cast<size_t>(count) > kBufferSize) FlushPending();
  if (static_cast<size_t>(count) >= kBufferSize) {
    WriteAt(bytes, static_cast<size_t>(count), Pos_);  // large writes go straight to the file
  } else {
    if (Pending_.empty()) PendingAt_ = Pos_;
    Pending_.insert(Pending_.end(), bytes, bytes + count);
  }
  Pos_ += count;
  Size_ = std::max(Size_, Pos_);
  return count;
}

int64_t TAtomicFile::Read(void* buffer, int64_t count) {
  if (count <= 0) return 0;
  RequireOpen();
  FlushPending();
  int64_t done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (done < count) {
    const ssize_t n = ::pread(Fd_, out + done, static_cast<size_t>(count - done), static_cast<off_t>(Pos_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  Pos_ += done;
  return done;
}

int64_t TAtomicFile::Seek(int64_t offset, SeekOrigin origin) {
  const int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? Pos_ : Size_;
  if (base + offset < 0) throw EStreamError(Format("cannot seek before the start of %s", Path_.c_str()));
  Pos_ = base + offset;
  return Pos_;
}

void TAtomicFile::SetSize(int64_t size) {
  RequireOpen();
  FlushPending();
  if (::ftruncate(Fd_, static_cast<off_t>(size)) != 0) Fail("cannot write", errno);
  Size_ = size;
}

void TAtomicFile::Seal() {
  if (State_ == EState::Sealed || State_ == EState::Committed) return;
  if (State_ == EState::Discarded) {
    throw EStreamError(Format("cannot write %s: the write was abandoned", Path_.c_str()));
  }
  FlushPending();
  if (Calls_.FSync(Fd_) != 0) Fail("cannot write", errno);
  const int fd = Fd_;
  Fd_ = -1;
  if (Calls_.Close(fd) != 0) Fail("cannot write", errno);
  State_ = EState::Sealed;
}

void TAtomicFile::Commit(bool sync_folder) {
  if (State_ == EState::Committed) return;
  Seal();
  if (Calls_.Rename(Temp_, Path_) != 0) Fail("cannot replace", errno);
  State_ = EState::Committed;
  if (sync_folder) SyncFolder(Folder_, Calls_);
}

void TAtomicFile::SyncFolder(const std::string& folder, TFileSystemCalls& calls) {
  const int fd = calls.Open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
  if (fd < 0) throw EStreamError(Format("cannot sync the folder %s: %s", folder.c_str(), std::strerror(errno)));
  // EINVAL: a file system that cannot sync folders keeps its own schedule.
  const bool synced = calls.FSync(fd) == 0 || errno == EINVAL;
  const int error = errno;
  ::close(fd);
  if (!synced) throw EStreamError(Format("cannot sync the folder %s: %s", folder.c_str(), std::strerror(error)));
}

void WriteFileAtomic(const std::string& path, const void* data, size_t size, TFileSystemCalls& calls) {
  TAtomicFile file(path, calls);
  file.Write(data, static_cast<int64_t>(size));
  file.Commit();
}

}  // namespace opal

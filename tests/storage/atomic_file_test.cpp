// The atomic writer: a file is replaced whole or not at all, and a failure
// names the file and its cause.
#include "storage/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>

#include "common/error.h"
#include "storage/big_stream.h"
#include "test_util.h"

namespace opal {
namespace {

using testing::FileSizeLimit;
using testing::NoiseBytes;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

std::set<std::string> FolderNames(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat st{};
  EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
  return st.st_mode & 07777;
}

// The system's calls with one of them failing: "open", "write" (after
// `allow` bytes have gone through), "fsync", "close" or "rename".
class TFailingCalls : public TFileSystemCalls {
 public:
  TFailingCalls(std::string call, int error, int64_t allow = 0) : Call_(std::move(call)), Error_(error), Allow_(allow) {}

  int Open(const std::string& path, int flags, mode_t mode) override {
    // The folder is opened to sync it; only the temporary's creation fails.
    if (Call_ == "open" && (flags & O_CREAT) != 0) return Fail();
    return TFileSystemCalls::Open(path, flags, mode);
  }
  ssize_t PWrite(int fd, const void* data, size_t size, off_t at) override {
    if (Call_ != "write") return TFileSystemCalls::PWrite(fd, data, size, at);
    if (Allow_ <= 0) return Fail();
    const size_t n = std::min<size_t>(size, static_cast<size_t>(Allow_));
    Allow_ -= static_cast<int64_t>(n);
    return TFileSystemCalls::PWrite(fd, data, n, at);  // a short write, then the failure
  }
  int FSync(int fd) override { return Call_ == "fsync" ? Fail() : TFileSystemCalls::FSync(fd); }
  int Close(int fd) override {
    if (Call_ != "close") return TFileSystemCalls::Close(fd);
    TFileSystemCalls::Close(fd);  // closed all the same, as close(2) does
    return Fail();
  }
  int Rename(const std::string& from, const std::string& to) override {
    return Call_ == "rename" ? Fail() : TFileSystemCalls::Rename(from, to);
  }

 private:
  int Fail() {
    errno = Error_;
    return -1;
  }
  std::string Call_;
  int Error_;
  int64_t Allow_;
};

TEST(AtomicFile, ReplacesTheFileAndKeepsNothingElse) {
  TempDir dir;
  const std::string path = dir / "save.dat";
  WriteFile(path, "old content that is longer than the new");
  ::chmod(path.c_str(), 0640);
  WriteFileAtomic(path, std::string("new"));
  EXPECT_EQ(ReadFile(path), "new");
  EXPECT_EQ(FolderNames(dir.Path()), std::set<std::string>{"save.dat"});
  EXPECT_EQ(ModeOf(path), 0640u);  // the old file's permissions carry over
  // A new file gets 0666 less the umask.
  const mode_t mask = ::umask(022);
  WriteFileAtomic(dir / "fresh.dat", std::string("x"));
  ::umask(mask);
  EXPECT_EQ(ModeOf(dir / "fresh.dat"), 0644u);
}

TEST(AtomicFile, AFailureAnywhereLeavesTheOldFileAndNoTemporary) {
  struct Case {
    const char* call;
    int error;
    int64_t allow;  // bytes that reach the file before a failing write
  };
  const Case cases[] = {
      {"open", EACCES, 0},         // a folder that may not be written
      {"open", EROFS, 0},          // a read-only file system
      {"write", ENOSPC, 0},        // the disk is full from the start
      {"write", ENOSPC, 1500000},  // ... or half-way, after a short write
      {"write", EIO, 100},
      {"fsync", EIO, 0},           // the data never reached the device
      {"close", EIO, 0},
      {"rename", EXDEV, 0},
  };
  const std::string old = NoiseBytes(70000);
  const std::string fresh = NoiseBytes(3 << 20, 7);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.call) + " " + std::strerror(c.error));
    TempDir dir;
    const std::string path = dir / "game.ini";
    WriteFile(path, old);
    TFailingCalls calls(c.call, c.error, c.allow);
    try {
      WriteFileAtomic(path, fresh, calls);
      ADD_FAILURE() << "the write succeeded";
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(std::strerror(c.error)), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(path), old);
    EXPECT_EQ(FolderNames(dir.Path()), std::set<std::string>{"game.ini"});
  }
}

TEST(AtomicFile, ARealWriteThatFailsHalfWayKeepsTheOldFile) {
  TempDir dir;
  const std::string path = dir / "shot.png";
  const std::string old = NoiseBytes(10000);
  WriteFile(path, old);
  {
    FileSizeLimit limit(64 << 10);
    try {
      WriteFileAtomic(path, NoiseBytes(3 << 20, 3));
      ADD_FAILURE() << "the write succeeded";
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(std::strerror(EFBIG)), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(ReadFile(path), old);
  EXPECT_EQ(FolderNames(dir.Path()), std::set<std::string>{"shot.png"});
}

TEST(AtomicFile, AReadOnlyFolderKeepsTheOldFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders; the failing-open case covers it";
  TempDir dir;
  const std::string path = dir / "ro/install.dat";
  WriteFile(path, "keep");
  ::chmod((dir / "ro").c_str(), 0555);
  EXPECT_THROW(WriteFileAtomic(path, std::string("new")), EStreamError);
  ::chmod((dir / "ro").c_str(), 0755);
  EXPECT_EQ(ReadFile(path), "keep");
  EXPECT_EQ(FolderNames(dir / "ro"), std::set<std::string>{"install.dat"});
}

TEST(AtomicFile, StreamingWritesSeekBackAndCommitOnce) {
  TempDir dir;
  const std::string path = dir / "game.dat";
  WriteFile(path, "old");
  const std::string body = NoiseBytes(2500000);
  {
    TAtomicFile file(path);
    file.WriteBuffer("HEAD", 4);
    file.WriteBuffer(body.data(), static_cast<int64_t>(body.size()));  // past the buffer
    file.SetPosition(0);
    file.WriteBuffer("head", 4);  // patched after the data
    file.Seek(0, SeekOrigin::End);
    file.WriteBuffer("tail", 4);
    EXPECT_EQ(file.Size(), static_cast<int64_t>(body.size()) + 8);
    EXPECT_EQ(ReadFile(path), "old");  // nothing shows before Commit
    file.Commit();
    EXPECT_THROW(file.WriteBuffer("x", 1), EStreamError);
  }
  EXPECT_EQ(ReadFile(path), "head" + body + "tail");
  {
    TAtomicFile abandoned(path);
    abandoned.WriteBuffer("partial", 7);
  }
  EXPECT_EQ(ReadFile(path), "head" + body + "tail");
  EXPECT_EQ(FolderNames(dir.Path()), std::set<std::string>{"game.dat"});
}

TEST(AtomicFile, ALinkStaysALinkAndItsTargetIsReplaced) {
  TempDir dir;
  WriteFile(dir / "real/game.ini", "old");
  std::filesystem::create_directory(dir / "link");
  std::filesystem::create_symlink(dir / "real/game.ini", dir / "link/game.ini");
  WriteFileAtomic(dir / "link/game.ini", std::string("new"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link/game.ini"));
  EXPECT_EQ(ReadFile(dir / "real/game.ini"), "new");
  EXPECT_EQ(FolderNames(dir / "real"), std::set<std::string>{"game.ini"});
}

TEST(AtomicFile, AFolderOrAMissingFolderIsNoDestination) {
  TempDir dir;
  std::filesystem::create_directory(dir / "taken");
  for (const std::string& path : {dir / "taken", dir / "missing/file.dat"}) {
    SCOPED_TRACE(path);
    try {
      WriteFileAtomic(path, std::string("x"));
      ADD_FAILURE() << "the write succeeded";
    } catch (const EStreamError& e) {
      EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
  }
  EXPECT_EQ(FolderNames(dir.Path()), std::set<std::string>{"taken"});
}

TEST(AtomicFile, AVolumeSetIsReplacedWholeOrNotAtAll) {
  TempDir dir;
  const std::string path = dir / "game.dat";
  auto write_set = [&](const std::string& bytes) {
    TSkBigFileStream out(path, TSkBigFileStream::Replace, 1000);
    out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    out.Commit();
  };
  const std::string three = NoiseBytes(2500, 1);
  write_set(three);
  EXPECT_EQ(FolderNames(dir.Path()), (std::set<std::string>{"game.dat", "game.001", "game.002"}));
  // A failure while the new set is written leaves the old one whole.
  {
    FileSizeLimit limit(500);
    EXPECT_THROW(write_set(NoiseBytes(1800, 2)), EStreamError);
  }
  EXPECT_EQ(FolderNames(dir.Path()), (std::set<std::string>{"game.dat", "game.001", "game.002"}));
  {
    TSkBigFileStream in(path, fm::OpenRead);
    std::string back(static_cast<size_t>(in.GetSize()), '\0');
    in.ReadBuffer(back.data(), in.GetSize());
    EXPECT_EQ(back, three);
  }
  // A smaller set takes the old one's place; its extra volume goes.
  const std::string two = NoiseBytes(1800, 2);
  write_set(two);
  EXPECT_EQ(FolderNames(dir.Path()), (std::set<std::string>{"game.dat", "game.001"}));
  EXPECT_EQ(ReadFile(path) + ReadFile(dir / "game.001"), two);
}

}  // namespace
}  // namespace opal

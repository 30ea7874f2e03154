#include "storage/vr_file_manager.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <unordered_set>

#include "common/cp932.h"
#include "common/error.h"
#include "storage/disk_path.h"
#include "storage/messages.h"

namespace opal {

namespace {

// The entry a source holds under `name`; the directory's closing sentinel
// is not a file.
TVrFile* Lookup(TVrFileCollection& source, std::string_view name) {
  TVrFile* e = source.FindEntry(name);
  return (e != nullptr && e->Name() != kEofEntryName) ? e : nullptr;
}

// The project's prompt with its number: only the first "%d" is replaced, so
// a prompt from game data can never act as a format string.
std::string FormatPrompt(const std::string& prompt, int number) {
  std::string out = prompt;
  const size_t at = out.find("%d");
  if (at != std::string::npos) out.replace(at, 2, std::to_string(number));
  return out;
}

// The extension of a temporary file: the name's own when it is plain
// letters and digits, so nothing in a game name can shape the path.
std::string SafeExt(std::string_view name) {
  const std::string ext = cp932::ExtractExt(name);
  if (ext.size() < 2 || ext.size() > 16) return {};
  for (size_t i = 1; i < ext.size(); ++i) {
    const char c = ext[i];
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) return {};
  }
  return ext;
}

class TFdStream : public TStream {
 public:
  explicit TFdStream(int fd) : Fd_(fd) {}
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void* buffer, int64_t count) override {
    int64_t done = 0;
    while (done < count) {
      const ssize_t n = ::write(Fd_, static_cast<const uint8_t*>(buffer) + done, static_cast<size_t>(count - done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += n;
    }
    return done;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    return ::lseek(Fd_, offset, whence);
  }

 private:
  int Fd_;
};

}  // namespace

TVrFileManager::TVrFileManager(std::vector<std::string> cd_roots, const std::string& temp_parent) {
  for (std::string& root : cd_roots) {
    if (TDiskPath::IsDir(root)) CdRoots_.push_back(TDiskPath::WithSlash(root));
  }
  std::string parent = temp_parent;
  if (parent.empty()) {
    const char* env = std::getenv("TMPDIR");
    parent = (env != nullptr && *env != '\0') ? env : "/tmp";
  }
  TempFolder_ = TDiskPath::WithSlash(parent);
}

TVrFileManager::~TVrFileManager() {
  for (const TVrLockData& lock : Locks_.Items) DeleteQueue_.push_back(lock.Path);
  Locks_.Items.clear();
  Housekeeping();
  if (!PrivateFolder_.empty()) ::rmdir(PrivateFolder_.c_str());
}

int TVrFileManager::AddArchive(const std::string& name) {
  for (const auto& s : Sources_) {
    if (cp932::SameText(s->BaseFolder, name)) return -1;
  }
  auto source = std::make_unique<TVrFileCollection>();
  source->Open(name);
  Sources_.push_back(std::move(source));
  return SourceCount() - 1;
}

int TVrFileManager::AddResourceArchive(const std::string& module_path, const std::string& resource_name,
                                       const std::string& resource_type) {
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  const bool is_self = n > 0 && module_path == std::string(self, static_cast<size_t>(n));
  if (!is_self) {
    // No other module can be loaded: the source stays empty.
    Sources_.push_back(std::make_unique<TVrFileCollection>());
    return SourceCount() - 1;
  }
  return AddResourceArchive(TResourceModule::Executable(), resource_name, resource_type);
}

int TVrFileManager::AddResourceArchive(const TResourceModule& module, const std::string& resource_name,
                                       const std::string& resource_type) {
  auto source = std::make_unique<TVrFileCollection>();
  source->OpenResource(module, resource_name, resource_type);
  Sources_.push_back(std::move(source));
  return SourceCount() - 1;
}

void TVrFileManager::RemoveSource(int index) {
  if (index < 0 || index >= SourceCount()) return;
  Sources_.erase(Sources_.begin() + index);
}

void TVrFileManager::SetDataFolder(const std::string& path) { DataFolder_ = TDiskPath::WithSlash(path); }

bool TVrFileManager::Exists(std::string_view name) {
  if (name.empty()) return false;
  for (const auto& s : Sources_) {
    if (Lookup(*s, name) != nullptr) return true;
  }
  if (!DataFolder_.empty() && TDiskPath::FileExists(DataFolder_, name)) return true;
  for (const std::string& root : CdRoots_) {
    if (TDiskPath::FileExists(root, name)) return true;
  }
  return false;
}

void TVrFileManager::LoadDiskFile(TStream& stream, const std::string& path) {
  if (auto* mem = dynamic_cast<TMemoryStream*>(&stream)) {
    mem->LoadFromFile(path);
  } else {
    TFileStream file(path, fm::OpenRead | fm::ShareDenyWrite);
    CopyStream(stream, file, 0);
  }
  stream.SetPosition(0);
}

void TVrFileManager::LoadToStream(TStream& stream, std::string_view name) {
  auto* mem = dynamic_cast<TMemoryStream*>(&stream);
  if (mem != nullptr) mem->Clear();
  if (!DataFolder_.empty()) {
    if (auto path = TDiskPath::Resolve(DataFolder_, name)) return LoadDiskFile(stream, *path);
  }
  for (const auto& s : Sources_) {
    TVrFile* e = Lookup(*s, name);
    if (e == nullptr) continue;
    if (!e->Memory && !s->ArchiveStream) continue;
    if (mem != nullptr) {
      s->LoadEntry(*e, *mem);
    } else {
      TMemoryStream temp;
      s->LoadEntry(*e, temp);
      stream.WriteBuffer(temp.Memory(), temp.Size());
    }
    stream.SetPosition(0);
    return;
  }
  for (const std::string& root : CdRoots_) {
    if (auto path = TDiskPath::Resolve(root, name)) return LoadDiskFile(stream, *path);
  }
  throw EOpalError(Format(msg::kFileNotFound, std::string(name).c_str()));
}

std::string TVrFileManager::GetRealFileName(std::string_view name) {
  if (!DataFolder_.empty()) {
    if (auto path = TDiskPath::Resolve(DataFolder_, name)) return *path;
  }
  for (const auto& s : Sources_) {
    if (Lookup(*s, name) == nullptr) continue;
    for (TVrLockData& lock : Locks_.Items) {
      if (lock.Name == name) {
        ++lock.RefCount;
        return lock.Path;
      }
    }
    return ExtractToTemp(name);
  }
  for (const std::string& root : CdRoots_) {
    if (auto path = TDiskPath::Resolve(root, name)) return *path;
  }
  return std::string(name);
}

std::string TVrFileManager::ExtractToTemp(std::string_view name) {
  if (PrivateFolder_.empty()) {
    // Temporary files live in a folder only this process can reach, so no
    // other user can plant a link or race us for a name.
    std::string pattern = TempFolder_ + "opal-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw EOpalError(msg::kCannotCreateWorkFile);
    PrivateFolder_ = pattern + "/";
  }
  TVrLockData lock;
  lock.Id = Locks_.NextId;
  auto taken = [&](int32_t id) {
    return std::any_of(Locks_.Items.begin(), Locks_.Items.end(), [id](const TVrLockData& l) { return l.Id == id; });
  };
  do {
    ++Locks_.NextId;
  } while (taken(Locks_.NextId));
  lock.RefCount = 1;
  lock.Name = name;
  lock.Path = PrivateFolder_ + Format("~oq%08X", static_cast<uint32_t>(lock.Id)) + cp932::ToUtf8(SafeExt(name));

  const int fd = ::open(lock.Path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) throw EOpalError(msg::kCannotCreateWorkFile);
  bool ok = false;
  try {
    TMemoryStream content;
    LoadToStream(content, name);
    TFdStream out(fd);
    ok = out.Write(content.Memory(), content.Size()) == content.Size();
  } catch (...) {
    ::close(fd);
    ::unlink(lock.Path.c_str());
    throw;
  }
  if (::close(fd) != 0) ok = false;
  if (!ok) {
    ::unlink(lock.Path.c_str());
    throw EOpalError(msg::kCannotCreateWorkFile);
  }
  Locks_.Items.push_back(lock);
  return lock.Path;
}

std::unique_ptr<TRangeStream> TVrFileManager::OpenRangeStream(std::string_view name) {
  if (!DataFolder_.empty()) {
    if (auto path = TDiskPath::Resolve(DataFolder_, name)) {
      return std::make_unique<TFileRangeStream>(*path, 0, TRangeStream::kWholeSource);
    }
  }
  for (const auto& s : Sources_) {
    if (Lookup(*s, name) == nullptr) continue;
    if (auto range = s->OpenEntryRange(name)) return range;
  }
  for (const std::string& root : CdRoots_) {
    if (auto path = TDiskPath::Resolve(root, name)) {
      return std::make_unique<TFileRangeStream>(*path, 0, TRangeStream::kWholeSource);
    }
  }
  throw EOpalError(Format(msg::kFileNotFound, std::string(name).c_str()));
}

TVrFile* TVrFileManager::FindEntry(std::string_view name) {
  for (const auto& s : Sources_) {
    if (TVrFile* e = Lookup(*s, name)) return e;
  }
  return nullptr;
}

void TVrFileManager::ListFiles(std::string_view folder, std::vector<std::string>& list) {
  for (const auto& s : Sources_) s->ListFolder(folder, list);
  std::unordered_set<std::string> seen;
  for (const std::string& s : list) seen.insert(cp932::UpperAscii(s));
  auto list_disk = [&](const std::string& root) {
    std::optional<std::string> dir =
        folder.empty() ? std::optional<std::string>(root) : TDiskPath::Resolve(root, folder, true);
    if (!dir) return;
    for (const TDiskPath::Entry& e : TDiskPath::List(*dir)) {
      std::string name = std::string(folder) + e.cp932_name;
      if (seen.insert(cp932::UpperAscii(name)).second) list.push_back(std::move(name));
    }
  };
  if (!DataFolder_.empty()) list_disk(DataFolder_);
  for (const std::string& root : CdRoots_) list_disk(root);
}

std::string TVrFileManager::ExtractDir(std::string_view name) { return cp932::ExtractDir(name); }

bool TVrFileManager::MountDisk(int index, TDiskRequestHost& host) {
  bool mounted = false;
  for (const std::string& root : CdRoots_) {
    auto game = TDiskPath::Resolve(root, "game.dat");
    auto install = TDiskPath::Resolve(root, "install.dat");
    if (game && install && host.IsGameDisc(*install, index)) {
      AddArchive(*game);
      mounted = true;
    }
  }
  return mounted;
}

bool TVrFileManager::RequestDisk(int disk_number, TDiskRequestHost& host) {
  for (int i = SourceCount() - 1; i >= 0; --i) {
    for (const std::string& root : CdRoots_) {
      if (cp932::StartsWithText(Sources_[static_cast<size_t>(i)]->BaseFolder, root)) {
        RemoveSource(i);
        break;
      }
    }
  }
  while (true) {
    if (host.AskOkCancel(FormatPrompt(host.DiskPrompt(), disk_number))) {
      if (MountDisk(disk_number - 1, host)) return true;
      continue;
    }
    if (host.AskOkCancel(host.ExitPrompt())) {
      host.RequestTerminate();
      return false;
    }
  }
}

void TVrFileManager::Housekeeping() {
  for (const std::string& path : DeleteQueue_) ::unlink(path.c_str());
  DeleteQueue_.clear();
}

}  // namespace opal

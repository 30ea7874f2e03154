// opaltool archive list|extract|pack|verify: thin commands over the
// player's own archive reader and writer.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <optional>

#include "arguments.h"
#include "commands.h"
#include "common/cp932.h"
#include "common/error.h"
#include "storage/atomic_file.h"
#include "storage/disk_path.h"
#include "storage/folder_walk.h"
#include "storage/vr_files.h"
#include "storage/zlib_codec.h"

namespace opaltool {

namespace {

using opal::EOpalError;
using opal::Format;
using opal::TVrFile;
using opal::TVrFileCollection;

constexpr const char* kUsage =
    "usage:\n"
    "  opaltool archive list ARCHIVE\n"
    "  opaltool archive extract ARCHIVE [-o DIR] [NAME...]\n"
    "  opaltool archive pack DIR -o ARCHIVE [--version N] [--split] [--volume-size BYTES]\n"
    "                        [--append-to EXECUTABLE] [--crc-content]\n"
    "  opaltool archive verify ARCHIVE\n";

// The one archive a subcommand takes.
std::string OneArchive(const Args& args, const char* what) {
  std::string archive;
  TArgWalker w(args);
  while (w.Next()) {
    const std::string& operand = w.Operand();
    if (!archive.empty()) throw EUsageError(what);
    archive = operand;
  }
  if (archive.empty()) throw EUsageError(what);
  return archive;
}

// A progress line on a terminal, for work of many entries.
class Progress {
 public:
  explicit Progress(int total) : Show_(::isatty(2) && total >= 200), Total_(total) {}
  ~Progress() {
    if (Shown_) std::fprintf(stderr, "\r\033[K");
  }
  void Step(int index, const std::string& cp932_name) {
    if (!Show_ || (index % 50 != 0 && index + 1 != Total_)) return;
    std::fprintf(stderr, "\r\033[K%d/%d %s", index + 1, Total_, opal::cp932::ToUtf8(cp932_name).c_str());
    std::fflush(stderr);
    Shown_ = true;
  }

 private:
  bool Show_;
  bool Shown_ = false;
  int Total_;
};

void OpenArchive(TVrFileCollection& archive, const std::string& path) {
  if (!opal::TDiskPath::IsFile(path)) throw EOpalError(Format("%s: no such archive", path.c_str()));
  archive.Open(path);
}

std::vector<TVrFile*> Entries(const TVrFileCollection& archive) {
  std::vector<TVrFile*> out;
  for (int32_t i = 0; i < archive.Count(); ++i) {
    if (archive.Entry(i)->Name() != opal::kEofEntryName) out.push_back(archive.Entry(i));
  }
  return out;
}

int List(const Args& args) {
  const std::string path = OneArchive(args, "list takes one archive");
  TVrFileCollection archive;
  OpenArchive(archive, path);
  std::printf("version %u, %d entries\n", archive.Version, archive.EntryCount());
  for (const TVrFile* e : Entries(archive)) {
    std::printf("%12" PRId64 "  %-10s  %08X%s  %s\n", e->Size, e->Stored ? "stored" : "compressed", e->Crc,
                e->CrcOfContent ? "c" : " ", opal::cp932::ToUtf8(e->Name()).c_str());
  }
  return 0;
}

// Makes every folder of a native path below `root`.
void MakeParents(const std::string& path) {
  for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
    const std::string dir = path.substr(0, at);
    if (::mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
      throw EOpalError(Format("cannot make folder %s: %s", dir.c_str(), std::strerror(errno)));
    }
  }
}

int Extract(const Args& args) {
  std::string out_dir = ".";
  std::vector<std::string> positional;
  TArgWalker w(args);
  while (w.Next()) {
    if (!w.Option("-o", out_dir)) positional.push_back(w.Operand());
  }
  if (positional.empty()) throw EUsageError("extract needs an archive");
  TVrFileCollection archive;
  OpenArchive(archive, positional[0]);
  std::vector<TVrFile*> wanted;
  if (positional.size() == 1) {
    wanted = Entries(archive);
  } else {
    for (size_t i = 1; i < positional.size(); ++i) {
      const std::string name = opal::cp932::FromUtf8(positional[i]);
      TVrFile* e = archive.FindEntry(name);
      if (e == nullptr || e->Name() == opal::kEofEntryName) {
        throw EOpalError(Format("%s: no entry %s", positional[0].c_str(), positional[i].c_str()));
      }
      wanted.push_back(e);
    }
  }
  Progress progress(static_cast<int>(wanted.size()));
  int failed = 0;
  for (size_t i = 0; i < wanted.size(); ++i) {
    const TVrFile& e = *wanted[i];
    progress.Step(static_cast<int>(i), e.Name());
    const std::string utf8 = opal::cp932::ToUtf8(e.Name());
    if (!opal::TDiskPath::IsSafeName(e.Name())) {
      std::fprintf(stderr, "opaltool: %s: refusing a name that leaves the target folder\n", utf8.c_str());
      ++failed;
      continue;
    }
    std::string rel;
    for (const std::string& part : opal::cp932::SplitPath(e.Name())) {
      if (part.empty() || part == ".") continue;
      if (!rel.empty()) rel += '/';
      rel += opal::cp932::ToUtf8(part);
    }
    const std::string path = opal::TDiskPath::WithSlash(out_dir) + rel;
    MakeParents(path);
    opal::TMemoryStream content;
    archive.LoadEntry(e, content);
    content.SaveToFile(path);
  }
  return failed == 0 ? 0 : 1;
}

std::optional<int64_t> ParseNumber(const std::string& s) {
  char* end = nullptr;
  errno = 0;
  const long long v = std::strtoll(s.c_str(), &end, 0);
  if (errno != 0 || end == s.c_str() || *end != '\0' || v < 0) return std::nullopt;
  return v;
}

int Pack(const Args& args) {
  std::string src, out, append_to;
  uint32_t version = TVrFileCollection::kCurrentVersion;
  int64_t volume_size = opal::TSkBigFileStream::kVolumeSize;
  bool split = false, crc_content = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool has_value = i + 1 < args.size();
    if (a == "-o" && has_value) {
      out = args[++i];
    } else if (a == "--version" && has_value) {
      auto v = ParseNumber(args[++i]);
      if (!v || *v > TVrFileCollection::kCurrentVersion) throw EUsageError("--version takes 0 to 102");
      version = static_cast<uint32_t>(*v);
    } else if (a == "--volume-size" && has_value) {
      auto v = ParseNumber(args[++i]);
      if (!v || *v < 1) throw EUsageError("--volume-size takes a positive number of bytes");
      volume_size = *v;
    } else if (a == "--append-to" && has_value) {
      append_to = args[++i];
    } else if (a == "--split") {
      split = true;
    } else if (a == "--crc-content") {
      crc_content = true;
    } else if (a.rfind("-", 0) == 0) {
      throw EUsageError("unknown option " + a);
    } else if (src.empty()) {
      src = a;
    } else {
      throw EUsageError("pack takes one folder");
    }
  }
  if (src.empty() || out.empty()) throw EUsageError("pack needs a folder and -o ARCHIVE");
  if (!opal::TDiskPath::IsDir(src)) throw EOpalError(Format("%s: no such folder", src.c_str()));
  if (!append_to.empty() && (split || volume_size != opal::TSkBigFileStream::kVolumeSize)) {
    throw EUsageError("--append-to goes with neither --split nor --volume-size");
  }

  TVrFileCollection archive;
  archive.BaseFolder = opal::TDiskPath::WithSlash(src);
  const std::vector<opal::TFolderFile> files = opal::WalkFolder(src);
  for (const opal::TFolderFile& f : files) archive.Add(f.Name)->CrcOfContent = crc_content ? 1 : 0;

  Progress progress(static_cast<int>(files.size()));
  archive.OnProgress = [&](TVrFileCollection&, TVrFile& e, bool&, int, int index, int64_t written) {
    if (written == 0) progress.Step(index, e.Name());
  };

  // Every file is written beside its destination and renamed over it only
  // when the whole archive is complete, so a failed pack leaves the old
  // archive as it was.
  opal::TSkBigFileStream target(out, opal::TSkBigFileStream::Replace, volume_size);
  if (!append_to.empty()) {
    opal::TFileStream exe(append_to, opal::fm::OpenRead);
    target.WriteFromStream(exe, 0);
    const int64_t start = target.GetPosition();
    if (start > INT32_MAX) throw EOpalError("the executable is too large to carry an archive");
    archive.Write(target, version);
    uint8_t trailer[6];
    opal::StoreLE32(trailer, static_cast<uint32_t>(start));
    trailer[4] = 'o';
    trailer[5] = 'q';
    target.WriteBuffer(trailer, 6);
    target.Commit();
    if (::chmod(out.c_str(), 0755) != 0) {
      throw EOpalError(Format("cannot make %s executable: %s", out.c_str(), std::strerror(errno)));
    }
  } else if (split) {
    opal::TSkBigMemoryStream directory;
    archive.WriteSplit(directory, target, version);
    const size_t dot = out.find_last_of('.');
    const size_t slash = out.find_last_of('/');
    const std::string stem =
        dot != std::string::npos && (slash == std::string::npos || dot > slash) ? out.substr(0, dot) : out;
    opal::TAtomicFile ext(stem + ".ext");
    ext.WriteBuffer(directory.Stream.Memory(), directory.GetSize());
    ext.Seal();
    target.Commit();
    ext.Commit();
  } else {
    archive.Write(target, version);
    target.Commit();
  }
  std::fprintf(stderr, "packed %zu files into %s\n", files.size(), out.c_str());
  return 0;
}

int Verify(const Args& args) {
  const std::string path = OneArchive(args, "verify takes one archive");
  TVrFileCollection archive;
  OpenArchive(archive, path);
  const bool has_crc = archive.Version >= 101;
  const std::vector<TVrFile*> entries = Entries(archive);
  Progress progress(static_cast<int>(entries.size()));
  int bad = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const TVrFile& e = *entries[i];
    progress.Step(static_cast<int>(i), e.Name());
    const std::string utf8 = opal::cp932::ToUtf8(e.Name());
    try {
      opal::TMemoryStream stored;
      archive.ArchiveStream->SetPosition(e.Offset);
      if (archive.ArchiveStream->ReadToStream(stored, e.Size) != e.Size) throw EOpalError("entry is truncated");
      opal::TMemoryStream content;
      archive.LoadEntry(e, content);  // inflates, so a damaged stream shows even without a checksum
      if (has_crc) {
        const opal::TMemoryStream& covered = e.CrcOfContent ? content : stored;
        const uint32_t crc = opal::Crc32(covered.Bytes().data(), covered.Bytes().size());
        if (crc != e.Crc) throw EOpalError(Format("checksum %08X, expected %08X", crc, e.Crc));
      }
    } catch (const std::exception& ex) {
      std::printf("BAD  %s: %s\n", utf8.c_str(), opal::cp932::ToUtf8(ex.what()).c_str());
      ++bad;
    }
  }
  std::printf("%zu entries, %d bad%s\n", entries.size(), bad, has_crc ? "" : " (this version has no checksums)");
  return bad == 0 ? 0 : 1;
}

}  // namespace

int CmdArchive(const Args& args) {
  return RunSubcommands("archive", kUsage, args,
                        {{"list", List}, {"extract", Extract}, {"pack", Pack}, {"verify", Verify}});
}

}  // namespace opaltool

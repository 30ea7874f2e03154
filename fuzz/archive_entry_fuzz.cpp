// Arbitrary bytes as an archive file: opened the way the player opens one
// from disk (standalone, or appended to an executable when the bytes start
// like one), then every entry is loaded and, when compressed, inflated under
// its size cap. Damaged data ends in an exception; nothing else may happen.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "storage/stream.h"
#include "storage/vr_files.h"
#include "storage/zlib_codec.h"

namespace {

// One in-memory file for the whole run, rewritten for every input; the
// archive reader opens it by path like any file on disk.
const std::string& ArchivePath(const uint8_t* data, size_t size) {
  static const int fd = [] {
    const int f = ::memfd_create("archive_entry_fuzz", MFD_CLOEXEC);
    if (f < 0) {
      std::perror("memfd_create");
      std::abort();
    }
    return f;
  }();
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) {
    std::perror("writing the input");
    std::abort();
  }
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  opal::TVrFileCollection archive;
  try {
    archive.Open(ArchivePath(data, size));
  } catch (const std::exception&) {
    return 0;
  }
  for (int32_t i = 0; i < archive.Count(); ++i) {
    const opal::TVrFile& e = *archive.Entry(i);
    if (e.Name() == opal::kEofEntryName) continue;
    opal::TMemoryStream content;
    try {
      archive.LoadEntry(e, content);
    } catch (const std::exception&) {
      continue;  // one damaged entry does not stop the others
    }
    if (content.Position() != 0 || content.Size() > opal::kMaxInflatedSize || (e.Stored && content.Size() != e.Size)) {
      std::fprintf(stderr, "entry %d loaded wrongly: %lld bytes at position %lld\n", i,
                   static_cast<long long>(content.Size()), static_cast<long long>(content.Position()));
      std::abort();
    }
  }
  return 0;
}

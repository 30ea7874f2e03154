// Arbitrary bytes as an archive file: opened the way the player opens one
// from disk (standalone, or appended to an executable when the bytes start
// like one), then every entry is loaded and, when compressed, inflated under
// its size cap. Damaged data ends in an exception; nothing else may happen.
// The stored bytes of every compressed entry go through both inflaters, the
// whole-buffer one the reader uses and zlib's incremental one: they must
// give the same bytes or the same error.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "common/error.h"
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

// The bytes, or the error's message.
struct Outcome {
  std::optional<std::vector<uint8_t>> bytes;
  std::string error;
  bool operator==(const Outcome&) const = default;
};

template <typename F>
Outcome Attempt(F inflate) {
  try {
    return {inflate(), {}};
  } catch (const opal::EFormatError& e) {
    return {std::nullopt, e.what()};
  }
}

void CompareInflaters(opal::TVrFileCollection& archive, const opal::TVrFile& e) {
  if (e.Stored != 0 || e.Size <= 0 || e.Offset < 0 || e.Offset + e.Size > archive.ArchiveStream->GetSize()) return;
  std::vector<uint8_t> packed(static_cast<size_t>(e.Size));
  archive.ArchiveStream->SetPosition(e.Offset);
  archive.ArchiveStream->ReadBuffer(packed.data(), e.Size);
  // A small cap as well, so that streams reach it without large outputs.
  for (const int64_t limit : {std::min<int64_t>(opal::kMaxInflatedSize, e.Size * 1032 + 1024), int64_t{4096}}) {
    const Outcome whole = Attempt([&] { return opal::Inflate(packed.data(), packed.size(), limit); });
    const Outcome streaming = Attempt([&] { return opal::InflateStreaming(packed.data(), packed.size(), limit); });
    if (!(whole == streaming)) {
      std::fprintf(stderr, "the inflaters disagree on %s: \"%s\" / \"%s\", %zu / %zu bytes\n", e.Name().c_str(),
                   whole.error.c_str(), streaming.error.c_str(), whole.bytes ? whole.bytes->size() : 0,
                   streaming.bytes ? streaming.bytes->size() : 0);
      std::abort();
    }
  }
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
    CompareInflaters(archive, e);
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

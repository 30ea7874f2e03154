// Arbitrary bytes as an archive directory. ReadDirectory either fills the
// entry list or throws; it never reads, allocates or loops beyond what the
// bytes hold, and what it accepts keeps its promises: every entry lies
// inside the data and the list ends with the sentinel.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <vector>

#include "storage/big_stream.h"
#include "storage/vr_files.h"

namespace {

[[noreturn]] void Broken(const char* what, int32_t index) {
  std::fprintf(stderr, "accepted directory breaks its contract: %s (entry %d)\n", what, index);
  std::abort();
}

// `data_size` as ReadDirectory takes it: -1 for a directory that precedes its
// data, or the size of a separate data file (a split directory).
void ReadOnce(const uint8_t* data, size_t size, int64_t data_size) {
  opal::TSkBigMemoryStream stream(std::vector<uint8_t>(data, data + size));
  opal::TVrFileCollection archive;
  try {
    archive.ReadDirectory(stream, data_size);
  } catch (const std::exception&) {
    return;  // damaged data ends in an error, which is what we want
  }
  const int64_t limit = data_size < 0 ? static_cast<int64_t>(size) : data_size;
  const int32_t count = archive.Count();
  if (count < 1 || archive.Entry(count - 1)->Name() != opal::kEofEntryName) Broken("no sentinel", count - 1);
  if (archive.EntryCount() != count - 1) Broken("a sentinel among the entries", count - 1);
  for (int32_t i = 0; i + 1 < count; ++i) {
    const opal::TVrFile& e = *archive.Entry(i);
    if (e.Offset < 0 || e.Size < 0 || e.Offset > limit || e.Size > limit - e.Offset) Broken("entry outside the data", i);
    if (e.Offset + e.Size > archive.Entry(i + 1)->Offset && i + 2 < count) Broken("entries overlap", i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadOnce(data, size, -1);
  // The same bytes as the ".ext" file of a split archive whose data file is large.
  ReadOnce(data, size, int64_t{1} << 40);
  return 0;
}

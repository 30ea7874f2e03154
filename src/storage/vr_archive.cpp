// The archive format: a directory of scrambled names and offsets followed by
// the entries' bytes, each stored or as a zlib stream.
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "common/cp932.h"
#include "common/error.h"
#include "storage/disk_path.h"
#include "storage/messages.h"
#include "storage/sk_random.h"
#include "storage/vr_files.h"
#include "storage/zlib_codec.h"

namespace opal {

namespace {

// In-memory and archived entries above this are stored uncompressed.
constexpr int64_t kStoreAbove = 0x4FFFFF;
// Files from this size on are stored uncompressed (except layered images).
constexpr int64_t kCompressBelow = 0x500000;

struct VersionLayout {
  bool magic;
  bool scrambled_names;
  int offset_bytes;  // 4 or 8
  bool scrambled_offsets;
  bool entry_fields;  // stored flags, timestamps, checksums
  bool crc_basis;
};

VersionLayout LayoutOf(uint32_t version) {
  if (version == 0) return {false, false, 4, false, false, false};
  if (version < 100) return {true, false, 4, false, false, false};
  if (version == 100) return {true, true, 4, true, false, false};
  return {true, true, 8, true, true, version >= 102};
}

// Bytes each entry needs at the least in a directory of this layout.
int64_t MinEntryBytes(const VersionLayout& l) {
  return 4 + l.offset_bytes + (l.entry_fields ? 9 : 0) + (l.crc_basis ? 1 : 0);
}

void ScrambleNames(std::vector<std::string>& names) {
  TSkRandom gen(TSkRandom::kArchiveSeed);
  for (std::string& name : names) {
    for (char& c : name) c = static_cast<char>(static_cast<uint8_t>(c) ^ static_cast<uint8_t>(gen.Next()));
  }
}

void ScrambleOffsets(std::vector<int64_t>& offsets, int offset_bytes) {
  TSkRandom gen(TSkRandom::kArchiveSeed);
  for (int64_t& off : offsets) {
    const int32_t r = gen.Next();
    if (offset_bytes == 8) {
      off ^= static_cast<int64_t>(r);  // sign extension: a negative value flips the high half
    } else {
      off = static_cast<int64_t>(static_cast<uint32_t>(off) ^ static_cast<uint32_t>(r));
    }
  }
}

int32_t DosTimestamp(time_t t) {
  struct tm tm{};
  if (localtime_r(&t, &tm) == nullptr || tm.tm_year < 80) return 0;
  return static_cast<int32_t>((static_cast<uint32_t>(tm.tm_year - 80) << 25) | (static_cast<uint32_t>(tm.tm_mon + 1) << 21) |
                              (static_cast<uint32_t>(tm.tm_mday) << 16) | (static_cast<uint32_t>(tm.tm_hour) << 11) |
                              (static_cast<uint32_t>(tm.tm_min) << 5) | (static_cast<uint32_t>(tm.tm_sec) / 2));
}

// Whether a file on disk is worth compressing: layered images of version 103
// and later that say so in their header, and any other file below 5 MiB whose
// extension is not that of an already compressed media or data file.
bool IsCompressible(const std::string& path, std::string_view cp932_name, int64_t size) {
  const std::string ext = cp932::UpperAscii(cp932::ExtractExt(cp932_name));
  if (ext == ".BRI") {
    uint8_t head[4 + 3 + 4 + 40] = {};
    TFileStream f(path, fm::OpenRead);
    const int64_t got = f.Read(head, sizeof head);
    if (got < 11 || std::memcmp(head, "Brio", 4) != 0) return false;
    int version = 0;
    for (int i = 4; i < 7; ++i) {
      if (head[i] < '0' || head[i] > '9') return false;
      version = version * 10 + (head[i] - '0');
    }
    if (version < 103) return false;
    const int32_t len = static_cast<int32_t>(LoadLE32(head + 7));
    return len > 22 && got > 11 + 22 && head[11 + 22] == 1;
  }
  static constexpr std::string_view kMediaExts = ".WAV.WMA.OGG.MPG.MPEG.M1V.WMV.ASF.DAT.";
  if (!ext.empty() && kMediaExts.find(ext) != std::string_view::npos) return false;
  return size < kCompressBelow;
}

}  // namespace

void TVrFileCollection::ReadDirectory(TSkBigStream& stream, int64_t data_size) {
  const int64_t base = stream.GetPosition();
  const int64_t total = stream.GetSize();
  if (data_size < 0) data_size = total;

  char magic[2] = {};
  uint32_t version = 0;
  if (stream.Read(magic, 2) == 2 && magic[0] == 'v' && magic[1] == 'f') {
    uint8_t b[4];
    stream.ReadBuffer(b, 4);
    version = LoadLE32(b);
    if (version > kCurrentVersion) throw EFormatError(Format("unsupported archive version %u", version));
  } else {
    stream.SetPosition(base);
  }
  const VersionLayout layout = LayoutOf(version);
  const int32_t count = ReadInt32(stream);
  if (count < 0 || count > (total - stream.GetPosition()) / MinEntryBytes(layout)) {
    throw EFormatError(Format("archive directory claims %d entries, more than the data holds", count));
  }

  std::vector<std::string> names(static_cast<size_t>(count));
  {
    TSkBuffBigStream buffered(stream);
    for (std::string& name : names) {
      uint8_t b[4];
      buffered.ReadBuffer(b, 4);
      const int32_t len = static_cast<int32_t>(LoadLE32(b));
      if (len <= 0) continue;
      if (len > buffered.Remaining()) throw EFormatError("archive entry name runs past the end of the data");
      name.resize(static_cast<size_t>(len));
      buffered.ReadBuffer(name.data(), len);
    }
  }
  if (layout.scrambled_names) ScrambleNames(names);

  const size_t n1 = static_cast<size_t>(count) + 1;
  std::vector<uint8_t> raw(n1 * static_cast<size_t>(layout.offset_bytes));
  stream.ReadBuffer(raw.data(), static_cast<int64_t>(raw.size()));
  std::vector<int64_t> offsets(n1);
  for (size_t i = 0; i < n1; ++i) {
    offsets[i] = layout.offset_bytes == 8 ? static_cast<int64_t>(LoadLE64(&raw[i * 8])) : LoadLE32(&raw[i * 4]);
  }
  if (layout.scrambled_offsets) ScrambleOffsets(offsets, layout.offset_bytes);

  std::vector<uint8_t> stored(static_cast<size_t>(count), 0), basis(static_cast<size_t>(count), 0);
  std::vector<uint8_t> stamps(static_cast<size_t>(count) * 4, 0), crcs(static_cast<size_t>(count) * 4, 0);
  if (layout.entry_fields) {
    stream.ReadBuffer(stored.data(), count);
    stream.ReadBuffer(stamps.data(), int64_t{count} * 4);
    stream.ReadBuffer(crcs.data(), int64_t{count} * 4);
    if (layout.crc_basis) stream.ReadBuffer(basis.data(), count);
  }

  // Offsets are relative to the archive start, never decrease, and end inside the data.
  const int64_t room = data_size - base;
  for (size_t i = 0; i < n1; ++i) {
    if (offsets[i] < 0 || offsets[i] > room || (i > 0 && offsets[i] < offsets[i - 1])) {
      throw EFormatError(Format("archive offset %zu (%lld) lies outside the data", i, static_cast<long long>(offsets[i])));
    }
  }

  Version = version;
  for (size_t i = 0; i < static_cast<size_t>(count); ++i) {
    TVrFile* e = Add(names[i]);
    e->Offset = base + offsets[i];
    e->Size = offsets[i + 1] - offsets[i];
    e->Stored = stored[i] != 0 ? 1 : 0;
    e->Timestamp = static_cast<int32_t>(LoadLE32(&stamps[i * 4]));
    e->Crc = LoadLE32(&crcs[i * 4]);
    e->CrcOfContent = basis[i] != 0 ? 1 : 0;
  }
  Add(kEofEntryName)->Offset = offsets[static_cast<size_t>(count)];
}

void TVrFileCollection::WriteEntryContent(TSkBigStream& target, TVrFile& entry, bool force_compress) {
  auto write_compressed = [&](const std::vector<uint8_t>& content, bool crc_of_content) {
    const std::vector<uint8_t> packed = Deflate(content.data(), content.size());
    target.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
    entry.Stored = 0;
    entry.Crc = crc_of_content ? Crc32(content.data(), content.size()) : Crc32(packed.data(), packed.size());
  };
  auto write_raw = [&](const std::vector<uint8_t>& content) {
    target.WriteBuffer(content.data(), static_cast<int64_t>(content.size()));
    entry.Stored = 1;
    entry.Crc = Crc32(content.data(), content.size());
  };

  if (entry.Memory) {
    const std::vector<uint8_t>& content = entry.Memory->Bytes();
    if (!force_compress && static_cast<int64_t>(content.size()) > kStoreAbove) {
      write_raw(content);
    } else {
      write_compressed(content, entry.CrcOfContent == 1);
    }
    return;
  }

  const std::optional<std::string> path =
      BaseFolder.empty() ? std::nullopt : TDiskPath::Resolve(BaseFolder, entry.Name());
  if (path && *path != ArchiveFileName) {
    struct stat st{};
    ::stat(path->c_str(), &st);
    entry.Timestamp = DosTimestamp(st.st_mtime);
    const int64_t size = st.st_size;
    if (force_compress || IsCompressible(*path, entry.Name(), size)) {
      TMemoryStream file;
      file.LoadFromFile(*path);
      const std::vector<uint8_t>& content = file.Bytes();
      const std::vector<uint8_t> packed = Deflate(content.data(), content.size());
      if (!force_compress && static_cast<int64_t>(packed.size()) > size * 9 / 10) {
        write_raw(content);
      } else {
        target.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
        entry.Stored = 0;
        entry.Crc = entry.CrcOfContent == 1 ? Crc32(content.data(), content.size()) : Crc32(packed.data(), packed.size());
      }
      return;
    }
    // Large and media files are copied as they are, a chunk at a time.
    TFileStream file(*path, fm::OpenRead | fm::ShareDenyWrite);
    std::vector<uint8_t> chunk(0x100000);
    uint32_t crc = 0;
    int64_t copied = 0;
    while (true) {
      const int64_t n = file.Read(chunk.data(), static_cast<int64_t>(chunk.size()));
      if (n <= 0) break;
      crc = Crc32(chunk.data(), static_cast<size_t>(n), crc);
      target.WriteBuffer(chunk.data(), n);
      copied += n;
    }
    if (copied != size) throw EStreamError(Format("%s changed while it was read", path->c_str()));
    entry.Stored = 1;
    entry.Crc = crc;
    return;
  }

  if (!ArchiveStream) throw EOpalError(Format(msg::kFileNotFound, entry.Name().c_str()));
  TMemoryStream content;
  LoadEntry(entry, content);
  if (!force_compress && content.Size() > kStoreAbove) {
    write_raw(content.Bytes());
  } else {
    write_compressed(content.Bytes(), false);
  }
}

bool TVrFileCollection::Write(TSkBigStream& target, uint32_t version) { return WriteImpl(target, target, version); }

bool TVrFileCollection::WriteSplit(TSkBigStream& directory, TSkBigStream& data, uint32_t version) {
  return WriteImpl(directory, data, version);
}

bool TVrFileCollection::WriteImpl(TSkBigStream& dir, TSkBigStream& data, uint32_t version) {
  if (version > kCurrentVersion) throw EFormatError(Format("cannot write archive version %u", version));
  const VersionLayout layout = LayoutOf(version);
  const int64_t archive_start = dir.GetPosition();

  std::vector<TVrFile*> entries;
  for (int32_t i = 0; i < Count(); ++i) {
    if (Entry(i)->Name() != kEofEntryName) entries.push_back(Entry(i));
  }
  const int32_t count = static_cast<int32_t>(entries.size());

  if (layout.magic) {
    dir.WriteBuffer("vf", 2);
    uint8_t b[4];
    StoreLE32(b, version);
    dir.WriteBuffer(b, 4);
  }
  WriteInt32(dir, count);
  std::vector<std::string> names;
  for (TVrFile* e : entries) names.push_back(e->Name());
  if (layout.scrambled_names) ScrambleNames(names);
  for (const std::string& name : names) {
    WriteInt32(dir, static_cast<int32_t>(name.size()));
    dir.WriteBuffer(name.data(), static_cast<int64_t>(name.size()));
  }

  const int64_t fields_at = dir.GetPosition();
  const size_t n1 = entries.size() + 1;
  const int64_t fields_size = static_cast<int64_t>(n1) * layout.offset_bytes +
                              (layout.entry_fields ? int64_t{count} * 9 : 0) + (layout.crc_basis ? count : 0);
  dir.WriteBuffer(std::vector<uint8_t>(static_cast<size_t>(fields_size)).data(), fields_size);
  // Offsets count from the archive's first byte, or for a split directory
  // from the start of the data, so an archive appended to an executable
  // reads back wherever it lies.
  const int64_t start = &dir == &data ? archive_start : data.GetPosition();

  std::vector<int64_t> offsets(n1);
  const bool force_compress = !layout.entry_fields;  // old layouts know only zlib entries
  for (int32_t i = 0; i < count; ++i) {
    TVrFile& e = *entries[static_cast<size_t>(i)];
    bool cancel = false;
    if (OnProgress) OnProgress(*this, e, cancel, count, i, 0);
    if (cancel) return false;
    const int64_t at = data.GetPosition();
    offsets[static_cast<size_t>(i)] = at - start;
    if (!layout.crc_basis) e.CrcOfContent = 0;  // a reader of this layout takes the stored bytes
    try {
      WriteEntryContent(data, e, force_compress);
    } catch (const std::exception& ex) {
      throw EOpalError(std::string(msg::kErrorPrefix) + e.Name() + "\n" + ex.what());
    }
    if (OnProgress) OnProgress(*this, e, cancel, count, i, data.GetPosition() - at);
    if (cancel) return false;
  }
  const int64_t end = data.GetPosition();
  offsets[static_cast<size_t>(count)] = end - start;
  if (layout.offset_bytes == 4 && offsets.back() > 0xFFFFFFFFll) {
    throw EFormatError(Format("archive version %u cannot hold more than 4 GiB", version));
  }
  if (layout.scrambled_offsets) ScrambleOffsets(offsets, layout.offset_bytes);

  std::vector<uint8_t> fields(static_cast<size_t>(fields_size));
  uint8_t* p = fields.data();
  for (int64_t off : offsets) {
    if (layout.offset_bytes == 8) {
      StoreLE64(p, static_cast<uint64_t>(off));
    } else {
      StoreLE32(p, static_cast<uint32_t>(off));
    }
    p += layout.offset_bytes;
  }
  if (layout.entry_fields) {
    for (TVrFile* e : entries) *p++ = e->Stored;
    for (TVrFile* e : entries) StoreLE32(p, static_cast<uint32_t>(e->Timestamp)), p += 4;
    for (TVrFile* e : entries) StoreLE32(p, e->Crc), p += 4;
    if (layout.crc_basis) {
      for (TVrFile* e : entries) *p++ = e->CrcOfContent;
    }
  }
  dir.SetPosition(fields_at);
  dir.WriteBuffer(fields.data(), fields_size);
  dir.SetPosition(&dir == &data ? end : fields_at + fields_size);
  if (&dir != &data) data.SetPosition(end);
  return true;
}

}  // namespace opal

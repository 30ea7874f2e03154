// Archive sources: TVrFile entries, TVrFileCollection (one source: an
// archive file, a resource, or an empty source of in-memory entries).
// The archive format itself is read and written by ReadDirectory and Write
// (vr_archive.cpp).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "common/hash_collection.h"
#include "storage/big_stream.h"
#include "storage/range_stream.h"
#include "storage/resources.h"
#include "storage/stream.h"

namespace opal {

// Name of the sentinel entry that closes every archive directory.
inline constexpr const char* kEofEntryName = "\\EOF\\";

class TVrFile : public THashCollectionItem {
 public:
  int64_t Offset = 0;                       // absolute position in the archive stream
  std::unique_ptr<TSkMemoryStream> Memory;  // content of an in-memory entry
  int64_t Size = 0;                         // stored bytes
  uint8_t Stored = 0;                       // 1 = uncompressed, 0 = zlib stream
  int32_t Timestamp = 0;                    // DOS date/time of the source file
  uint32_t Crc = 0;
  uint8_t CrcOfContent = 0;                 // 1 = Crc covers the content, 0 = the stored bytes
};

class TVrFileCollection;

// Called by Write for each entry, before (written = 0) and after it; setting
// `cancel` stops the write.
using TVrProgress = std::function<void(TVrFileCollection& collection, TVrFile& entry, bool& cancel,
                                       int count, int index, int64_t written)>;

class TVrFileCollection : public THashCollection {
 public:
  // The version Write produces unless asked for an older layout.
  static constexpr uint32_t kCurrentVersion = 102;

  TVrFileCollection() = default;

  std::string BaseFolder;                      // native folder, trailing '/'
  std::unique_ptr<TSkBigStream> ArchiveStream;  // null for folder-only and in-memory sources
  TVrProgress OnProgress;
  std::string ArchiveFileName;                 // native path the source was opened with
  // Resources of the module the archive came from (resource sources only).
  const TResourceModule* Module = nullptr;
  std::string ResourceName, ResourceType;
  // Format version read by ReadDirectory.
  uint32_t Version = 0;

  void Open(const std::string& name) { OpenEx(name, false); }
  // Opens an archive file (standalone, with a split directory ".ext", or
  // appended to an executable); a name that is no file makes a folder source.
  void OpenEx(const std::string& name, bool treat_as_file);
  void OpenResource(const TResourceModule& module, const std::string& resource_name,
                    const std::string& resource_type);
  // Opens an archive held by any big stream (the archive starts at its current position).
  void OpenStream(std::unique_ptr<TSkBigStream> stream);

  // Reads the directory at the stream's position. Every count, length and
  // offset is checked against the bytes that remain; offsets must not
  // decrease and must end inside `data_size` bytes (the data stream's size;
  // -1 for the stream itself).
  void ReadDirectory(TSkBigStream& stream, int64_t data_size = -1);
  // Writes every entry (except the sentinel) as an archive of `version` at
  // the target's position; offsets are relative to where the archive starts.
  // Returns false when the progress callback cancelled.
  bool Write(TSkBigStream& target, uint32_t version = kCurrentVersion);
  // The same with the directory and the data in two streams (a split
  // directory); offsets are relative to where the data starts.
  bool WriteSplit(TSkBigStream& directory, TSkBigStream& data, uint32_t version = kCurrentVersion);

  TVrFile* Add(std::string_view name);
  TVrFile* AddMemoryFile(std::string_view name);
  void Remove(std::string_view name);
  TVrFile* Entry(int32_t index) const { return static_cast<TVrFile*>(Item(index)); }
  TVrFile* FindEntry(std::string_view name) const { return static_cast<TVrFile*>(Find(name)); }
  // Number of entries without the sentinel.
  int32_t EntryCount() const;

  // The content of one entry, decompressed, into `target` (rewound).
  void Extract(TStream& target, std::string_view name);
  // A read-only stream over an entry; null when the source has no archive
  // stream or no such entry. A compressed entry is inflated first.
  std::unique_ptr<TRangeStream> OpenEntryRange(std::string_view name);
  // Appends the names of entries directly in `folder` (with trailing '\'),
  // skipping names already in the list.
  void ListFolder(std::string_view folder, std::vector<std::string>& list) const;

  // Reads an entry's stored bytes and inflates them when compressed.
  void LoadEntry(const TVrFile& entry, TMemoryStream& target);

 private:
  void Reset();
  bool WriteImpl(TSkBigStream& directory, TSkBigStream& data, uint32_t version);
  void WriteEntryContent(TSkBigStream& target, TVrFile& entry, bool force_compress);
};

// True for a native path whose extension makes it an executable carrying an
// appended archive (".exe", ".scr"), or an ELF file.
bool IsExecutableName(const std::string& native_path);

}  // namespace opal

#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "common/cp932.h"
#include "common/error.h"
#include "storage/disk_path.h"
#include "storage/messages.h"
#include "storage/vr_files.h"
#include "storage/zlib_codec.h"

namespace opal {

namespace {

std::string NativeDirOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

std::string NativeExt(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  const size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return cp932::UpperAscii(path.substr(dot));
}

bool HasElfMagic(const std::string& path) {
  try {
    TFileStream f(path, fm::OpenRead);
    char magic[4] = {};
    return f.Read(magic, 4) == 4 && std::memcmp(magic, "\x7F" "ELF", 4) == 0;
  } catch (const EStreamError&) {
    return false;
  }
}

// A deflate stream cannot expand by more than about 1032:1.
int64_t InflateLimit(int64_t packed) {
  return std::min<int64_t>(kMaxInflatedSize, packed * 1032 + 1024);
}

}  // namespace

bool IsExecutableName(const std::string& native_path) {
  const std::string ext = NativeExt(native_path);
  return ext == ".EXE" || ext == ".SCR" || HasElfMagic(native_path);
}

void TVrFileCollection::Reset() {
  Clear();
  ArchiveStream.reset();
  Module = nullptr;
  ResourceName.clear();
  ResourceType.clear();
  Version = 0;
}

void TVrFileCollection::OpenEx(const std::string& name, bool treat_as_file) {
  Reset();
  ArchiveFileName = name;
  if (name.empty()) return;
  const bool exists = TDiskPath::IsFile(name);
  BaseFolder = (exists || treat_as_file) ? NativeDirOf(name) : TDiskPath::WithSlash(name);
  if (!exists) return;

  auto stream = std::make_unique<TSkBigFileStream>(name, fm::OpenRead | fm::ShareDenyWrite);
  if (IsExecutableName(name)) {
    // Executable with an appended archive: a 6-byte trailer, int32 start then "oq".
    const int64_t size = stream->GetSize();
    uint8_t trailer[6];
    if (size < 6) throw EFormatError(Format("%s: no archive is appended", name.c_str()));
    stream->SetPosition(size - 6);
    stream->ReadBuffer(trailer, 6);
    const int32_t start = static_cast<int32_t>(LoadLE32(trailer));
    if (trailer[4] != 'o' || trailer[5] != 'q' || start < 0 || start > size - 6) {
      throw EFormatError(Format("%s: no archive is appended", name.c_str()));
    }
    stream->SetPosition(start);
    ReadDirectory(*stream, size - 6);
  } else {
    const size_t slash = name.find_last_of('/');
    const size_t dot = name.find_last_of('.');
    const std::string stem =
        (dot != std::string::npos && (slash == std::string::npos || dot > slash)) ? name.substr(0, dot) : name;
    const std::string ext_file = stem + ".ext";
    if (ext_file != name && TDiskPath::IsFile(ext_file)) {
      // Split directory: the .ext file holds the directory, its offsets point into the main file.
      TSkBigMemoryStream dir;
      dir.LoadFromFile(ext_file);
      ReadDirectory(dir, stream->GetSize());
    } else {
      ReadDirectory(*stream);
    }
  }
  ArchiveStream = std::move(stream);
}

void TVrFileCollection::OpenResource(const TResourceModule& module, const std::string& resource_name,
                                     const std::string& resource_type) {
  Reset();
  const std::vector<uint8_t>* data = module.Find(resource_name, resource_type);
  if (data == nullptr || data->empty()) throw EOpalError(msg::kResourceNotFound);
  auto stream = std::make_unique<TSkBigResourceStream>(module, resource_name, resource_type);
  ReadDirectory(*stream);
  Module = &module;
  ResourceName = resource_name;
  ResourceType = resource_type;
  ArchiveStream = std::move(stream);
}

void TVrFileCollection::OpenStream(std::unique_ptr<TSkBigStream> stream) {
  Reset();
  ReadDirectory(*stream);
  ArchiveStream = std::move(stream);
}

TVrFile* TVrFileCollection::Add(std::string_view name) {
  return static_cast<TVrFile*>(THashCollection::Add(std::make_unique<TVrFile>(), name));
}

TVrFile* TVrFileCollection::AddMemoryFile(std::string_view name) {
  TVrFile* e = Add(name);
  e->Memory = std::make_unique<TSkMemoryStream>();
  return e;
}

void TVrFileCollection::Remove(std::string_view name) {
  const int32_t index = IndexOf(name);
  if (index >= 0) Delete(index);
}

int32_t TVrFileCollection::EntryCount() const {
  int32_t n = 0;
  for (int32_t i = 0; i < Count(); ++i) {
    if (Entry(i)->Name() != kEofEntryName) ++n;
  }
  return n;
}

void TVrFileCollection::LoadEntry(const TVrFile& entry, TMemoryStream& target) {
  target.Clear();
  if (entry.Memory) {
    target.Bytes() = entry.Memory->Bytes();
    return;
  }
  if (!ArchiveStream) throw EOpalError(Format(msg::kFileNotFound, entry.Name().c_str()));
  if (entry.Size > 0) {
    if (entry.Offset < 0 || entry.Offset + entry.Size > ArchiveStream->GetSize()) {
      throw EStreamError(Format("%s: entry lies past the end of the archive", entry.Name().c_str()));
    }
    ArchiveStream->SetPosition(entry.Offset);
    if (ArchiveStream->ReadToStream(target, entry.Size) != entry.Size) {
      throw EStreamError(Format("%s: entry is truncated", entry.Name().c_str()));
    }
    if (entry.Stored == 0) InflateInPlace(target, InflateLimit(entry.Size));
  }
  target.SetPosition(0);
}

void TVrFileCollection::Extract(TStream& target, std::string_view name) {
  auto* mem = dynamic_cast<TMemoryStream*>(&target);
  if (mem != nullptr) mem->Clear();
  const TVrFile* entry = FindEntry(name);
  if (entry != nullptr && (ArchiveStream || entry->Memory) && entry->Name() != kEofEntryName) {
    if (mem != nullptr) {
      LoadEntry(*entry, *mem);
    } else {
      TMemoryStream temp;
      LoadEntry(*entry, temp);
      target.WriteBuffer(temp.Memory(), temp.Size());
    }
  } else if (auto path = BaseFolder.empty() ? std::nullopt : TDiskPath::Resolve(BaseFolder, name);
             path && *path != ArchiveFileName) {
    TFileStream file(*path, fm::OpenRead | fm::ShareDenyWrite);
    CopyStream(target, file, 0);
  } else {
    throw EOpalError(Format(msg::kFileNotFound, std::string(name).c_str()));
  }
  target.SetPosition(0);
}

std::unique_ptr<TRangeStream> TVrFileCollection::OpenEntryRange(std::string_view name) {
  const TVrFile* entry = FindEntry(name);
  if (!ArchiveStream || entry == nullptr || entry->Name() == kEofEntryName) return nullptr;
  if (entry->Size == 0) {
    return std::make_unique<TRangeStream>(std::make_unique<TSkBigMemoryStream>(), 0, 0);
  }
  const bool file_backed = Module == nullptr && !ArchiveFileName.empty();
  if (entry->Stored == 0 || !file_backed) {
    // Compressed entries (and archives with no file behind them) are handed
    // out as their content, never as their stored bytes.
    auto content = std::make_unique<TSkBigMemoryStream>();
    LoadEntry(*entry, content->Stream);
    return std::make_unique<TRangeStream>(std::move(content), 0, TRangeStream::kWholeSource);
  }
  if (entry->Offset + entry->Size > ArchiveStream->GetSize()) {
    throw EStreamError(Format("%s: entry lies past the end of the archive", entry->Name().c_str()));
  }
  return std::make_unique<TFileRangeStream>(ArchiveFileName, entry->Offset, entry->Size);
}

void TVrFileCollection::ListFolder(std::string_view folder, std::vector<std::string>& list) const {
  std::unordered_set<std::string> seen;
  for (const std::string& s : list) seen.insert(cp932::UpperAscii(s));
  for (int32_t i = 0; i < Count(); ++i) {
    const std::string& name = Entry(i)->Name();
    if (name == kEofEntryName || !cp932::SameText(cp932::ExtractDir(name), folder)) continue;
    if (seen.insert(cp932::UpperAscii(name)).second) list.push_back(name);
  }
}

}  // namespace opal

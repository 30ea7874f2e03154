#include "storage/big_stream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "common/error.h"
#include "storage/atomic_file.h"

namespace opal {

namespace {

bool FileExists(const std::string& path) {
  struct stat st{};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

void TSkBigStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EStreamError("stream read error: unexpected end of data");
}

void TSkBigStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count > 0 && Write(buffer, count) != count) throw EStreamError("stream write error");
}

// --- TSkBigFileStream ---

std::string TSkBigFileStream::VolumeName(const std::string& file_name, int index) {
  if (index == 0) return file_name;
  const size_t slash = file_name.find_last_of('/');
  const size_t dot = file_name.find_last_of('.');
  std::string stem = (dot != std::string::npos && (slash == std::string::npos || dot > slash))
                         ? file_name.substr(0, dot)
                         : file_name;
  return Format("%s.%03d", stem.c_str(), index);
}

TSkBigFileStream::TSkBigFileStream(const std::string& file_name, uint32_t mode, int64_t volume_size)
    : FileName_(file_name), Mode_(mode), VolumeSize_(volume_size > 0 ? volume_size : kVolumeSize) {
  const uint32_t access = fm::Access(mode);
  if (access != fm::OpenRead && access != fm::OpenReadWrite) {
    // Stale volumes of an earlier, larger set go too, even when the first
    // volume itself is already missing.
    ::unlink(file_name.c_str());
    for (int i = 1; FileExists(VolumeName(file_name, i)); ++i) ::unlink(VolumeName(file_name, i).c_str());
    return;
  }
  Volumes_.push_back(std::make_unique<TFileStream>(file_name, mode));
  for (int i = 1; FileExists(VolumeName(file_name, i)); ++i) {
    Volumes_.push_back(std::make_unique<TFileStream>(VolumeName(file_name, i), mode));
  }
  // A set written with another volume size reads back by the size of its
  // first volume; every volume but the last must be full, or positions past
  // a short volume would read from the wrong place.
  const int64_t first = Volumes_[0]->Size();
  if (Volumes_.size() == 1) {
    VolumeSize_ = std::max(VolumeSize_, first);
    return;
  }
  if (first <= 0) throw EStreamError(Format("%s: empty first volume", file_name.c_str()));
  VolumeSize_ = first;
  for (size_t i = 1; i + 1 < Volumes_.size(); ++i) {
    if (Volumes_[i]->Size() != VolumeSize_) {
      throw EStreamError(Format("%s: volume is %lld bytes, expected %lld",
                                VolumeName(file_name, static_cast<int>(i)).c_str(),
                                static_cast<long long>(Volumes_[i]->Size()), static_cast<long long>(VolumeSize_)));
    }
  }
}

TSkBigFileStream::TSkBigFileStream(const std::string& file_name, TReplace, int64_t volume_size)
    : FileName_(file_name), Mode_(fm::Create), Replacing_(true),
      VolumeSize_(volume_size > 0 ? volume_size : kVolumeSize) {}

TSkBigFileStream::~TSkBigFileStream() {
  const uint32_t access = fm::Access(Mode_);
  if (!Replacing_ && (access == fm::OpenWrite || access == fm::OpenReadWrite)) {
    for (auto& v : Volumes_) static_cast<TFileStream&>(*v).Flush();
  }
}

void TSkBigFileStream::Commit() {
  if (!Replacing_) return;
  int64_t offset = 0;
  if (Volumes_.empty()) VolumeFor(0, &offset, true);  // an empty set still has its first volume
  for (auto& v : Volumes_) static_cast<TAtomicFile&>(*v).Seal();
  for (size_t i = Volumes_.size(); i-- > 0;) static_cast<TAtomicFile&>(*Volumes_[i]).Commit(false);
  for (int i = static_cast<int>(Volumes_.size()); FileExists(VolumeName(FileName_, i)); ++i) {
    const std::string stale = VolumeName(FileName_, i);
    if (::unlink(stale.c_str()) != 0) {
      throw EStreamError(Format("cannot remove %s: %s", stale.c_str(), std::strerror(errno)));
    }
  }
  TAtomicFile::SyncFolder(static_cast<TAtomicFile&>(*Volumes_[0]).Folder());
  Replacing_ = false;
  Volumes_.clear();
}

int64_t TSkBigFileStream::GetSize() {
  int64_t total = 0;
  for (auto& v : Volumes_) total += v->Size();
  return total;
}

void TSkBigFileStream::SetPosition(int64_t pos) { Position_ = std::clamp<int64_t>(pos, 0, GetSize()); }

TStream& TSkBigFileStream::VolumeFor(int64_t pos, int64_t* offset, bool create) {
  const int64_t index = pos / VolumeSize_;
  *offset = pos % VolumeSize_;
  while (create && static_cast<int64_t>(Volumes_.size()) <= index) {
    const std::string name = VolumeName(FileName_, static_cast<int>(Volumes_.size()));
    if (Replacing_) {
      Volumes_.push_back(std::make_unique<TAtomicFile>(name));
    } else {
      Volumes_.push_back(std::make_unique<TFileStream>(name, fm::Create));
    }
  }
  return *Volumes_[static_cast<size_t>(index)];
}

template <typename Sink>
int64_t TSkBigFileStream::ReadChunks(int64_t count, Sink sink) {
  int64_t done = 0;
  std::vector<uint8_t> scratch;
  while (done < count) {
    const int64_t index = Position_ / VolumeSize_;
    if (index >= static_cast<int64_t>(Volumes_.size())) break;
    int64_t offset = 0;
    TStream& volume = VolumeFor(Position_, &offset, false);
    const int64_t avail = volume.Size() - offset;
    if (avail <= 0) break;
    const int64_t n = std::min(count - done, avail);
    volume.SetPosition(offset);
    const int64_t got = sink(volume, n, done);
    if (got <= 0) break;
    Position_ += got;
    done += got;
    if (got < n) break;
  }
  return done;
}

int64_t TSkBigFileStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  return ReadChunks(count, [out](TStream& v, int64_t n, int64_t done) { return v.Read(out + done, n); });
}

int64_t TSkBigFileStream::ReadToStream(TStream& target, int64_t count) {
  std::vector<uint8_t> buffer;
  return ReadChunks(count, [&](TStream& v, int64_t n, int64_t) {
    int64_t copied = 0;
    while (copied < n) {
      const int64_t step = std::min<int64_t>(n - copied, CopyBufferSize);
      buffer.resize(static_cast<size_t>(step));
      const int64_t got = v.Read(buffer.data(), step);
      if (got <= 0) break;
      target.WriteBuffer(buffer.data(), got);
      copied += got;
    }
    return copied;
  });
}

int64_t TSkBigFileStream::Write(const void* buffer, int64_t count) {
  const auto* in = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t offset = 0;
    TStream& volume = VolumeFor(Position_, &offset, true);
    const int64_t n = std::min(count - done, VolumeSize_ - offset);
    volume.SetPosition(offset);
    const int64_t put = volume.Write(in + done, n);
    if (put <= 0) break;
    Position_ += put;
    done += put;
    if (put < n) break;
  }
  return done;
}

// Copies `count` bytes read by `read(buffer, n)` into the volumes.
template <typename Reader>
int64_t TSkBigFileStream::CopyIn(int64_t count, Reader read) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), CopyBufferSize)));
  int64_t done = 0;
  while (done < count) {
    const int64_t got = read(buffer.data(), std::min<int64_t>(count - done, CopyBufferSize));
    if (got <= 0) break;
    const int64_t put = Write(buffer.data(), got);
    done += put;
    if (put < got) break;
  }
  return done;
}

int64_t TSkBigFileStream::WriteFromStream(TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  return CopyIn(count, [&source](uint8_t* b, int64_t n) { return source.Read(b, n); });
}

int64_t TSkBigFileStream::WriteFromBig(TSkBigStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.GetSize();
  }
  return CopyIn(count, [&source](uint8_t* b, int64_t n) { return source.Read(b, n); });
}

// --- TSkBigMemoryStream ---

int64_t TSkBigMemoryStream::WriteFromBig(TSkBigStream& source, int64_t count) {
  auto* mem = dynamic_cast<TSkBigMemoryStream*>(&source);
  if (mem == nullptr) return 0;
  if (count == 0) {
    mem->SetPosition(0);
    count = mem->GetSize();
  }
  const int64_t pos = mem->GetPosition();
  const int64_t n = std::max<int64_t>(0, std::min(count, mem->GetSize() - pos));
  Stream.WriteBuffer(mem->Stream.Memory() + pos, n);
  mem->SetPosition(pos + n);
  return n;
}

int64_t TSkBigMemoryStream::WriteFromStream(TStream& source, int64_t count) {
  const int64_t before = Stream.Position();
  CopyStream(Stream, source, count);
  return Stream.Position() - before;
}

int64_t TSkBigMemoryStream::ReadToStream(TStream& target, int64_t count) {
  const int64_t pos = Stream.Position();
  const int64_t n = std::max<int64_t>(0, std::min(count, Stream.Size() - pos));
  target.WriteBuffer(Stream.Memory() + pos, n);
  Stream.SetPosition(pos + n);
  return n;
}

// --- TSkBigResourceStream ---

TSkBigResourceStream::TSkBigResourceStream(const TResourceModule& module, const std::string& resource_name,
                                           const std::string& resource_type)
    : ResourceName(resource_name), ResourceType(resource_type), Data_(module.Find(resource_name, resource_type)) {
  if (Data_ == nullptr) throw EStreamError(Format("resource %s of type %s not found", resource_name.c_str(),
                                                  resource_type.c_str()));
}

void TSkBigResourceStream::SetPosition(int64_t pos) { Position_ = std::clamp<int64_t>(pos, 0, GetSize()); }

int64_t TSkBigResourceStream::Read(void* buffer, int64_t count) {
  const int64_t n = std::max<int64_t>(0, std::min(count, GetSize() - Position_));
  if (n > 0) std::memcpy(buffer, Data_->data() + Position_, static_cast<size_t>(n));
  Position_ += n;
  return n;
}

int64_t TSkBigResourceStream::WriteFromBig(TSkBigStream&, int64_t) { return 0; }

int64_t TSkBigResourceStream::ReadToStream(TStream& target, int64_t count) {
  const int64_t n = std::max<int64_t>(0, std::min(count, GetSize() - Position_));
  target.WriteBuffer(Data_->data() + Position_, n);
  Position_ += n;
  return n;
}

// --- TSkBuffBigStream ---

TSkBuffBigStream::~TSkBuffBigStream() {
  const int64_t unread = Buffered();
  if (unread > 0) Source_.SetPosition(Source_.GetPosition() - unread);
}

int64_t TSkBuffBigStream::Read(void* buffer, int64_t count) {
  auto* out = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    if (Buffered() <= 0) {
      const int64_t want = std::min(BufferSize, Source_.GetSize() - Source_.GetPosition());
      if (want <= 0) break;
      Buffer_.resize(static_cast<size_t>(want));
      const int64_t got = Source_.Read(Buffer_.data(), want);
      Buffer_.resize(static_cast<size_t>(std::max<int64_t>(got, 0)));
      Pos_ = 0;
      if (got <= 0) break;
    }
    const int64_t n = std::min(count - done, Buffered());
    std::memcpy(out + done, Buffer_.data() + Pos_, static_cast<size_t>(n));
    Pos_ += n;
    done += n;
  }
  return done;
}

void TSkBuffBigStream::ReadBuffer(void* buffer, int64_t count) {
  if (count > 0 && Read(buffer, count) != count) throw EStreamError("stream read error: unexpected end of data");
}

// --- primitives ---

int32_t ReadInt32(TSkBigStream& s) {
  uint8_t b[4];
  s.ReadBuffer(b, 4);
  return static_cast<int32_t>(LoadLE32(b));
}

void WriteInt32(TSkBigStream& s, int32_t v) {
  uint8_t b[4];
  StoreLE32(b, static_cast<uint32_t>(v));
  s.WriteBuffer(b, 4);
}

}  // namespace opal

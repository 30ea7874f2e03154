#include "storage/stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include "common/error.h"
#include "storage/atomic_file.h"

namespace opal {

int64_t TStream::Size() {
  const int64_t pos = Seek(0, SeekOrigin::Current);
  const int64_t end = Seek(0, SeekOrigin::End);
  Seek(pos, SeekOrigin::Begin);
  return end;
}

void TStream::SetSize(int64_t) { throw EStreamError("stream cannot change its size"); }

void TStream::ReadBuffer(void* buffer, int64_t count) {
  if (count <= 0) return;
  if (Read(buffer, count) != count) throw EStreamError("stream read error: unexpected end of data");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  if (count <= 0) return;
  if (Write(buffer, count) != count) throw EStreamError("stream write error");
}

// --- TMemoryStream ---

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  const int64_t left = Size() - Pos_;
  if (count <= 0 || left <= 0) return 0;
  const int64_t n = std::min(count, left);
  std::memcpy(buffer, Data_.data() + Pos_, static_cast<size_t>(n));
  Pos_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  const int64_t end = Pos_ + count;
  if (end > Size()) Data_.resize(static_cast<size_t>(end));
  std::memcpy(Data_.data() + Pos_, buffer, static_cast<size_t>(count));
  Pos_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, SeekOrigin origin) {
  int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? Pos_ : Size();
  int64_t target = base + offset;
  // A memory stream may be positioned past its end; a
  // later write fills the gap with zeros.
  Pos_ = std::max<int64_t>(0, target);
  return Pos_;
}

void TMemoryStream::SetSize(int64_t size) {
  Data_.resize(static_cast<size_t>(std::max<int64_t>(0, size)));
  Pos_ = std::min(Pos_, Size());
}

void TMemoryStream::Clear() {
  Data_.clear();
  Data_.shrink_to_fit();
  Pos_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& path) {
  TFileStream file(path, fm::OpenRead | fm::ShareDenyWrite);
  const int64_t size = file.Size();
  std::vector<uint8_t> data(static_cast<size_t>(size));
  file.ReadBuffer(data.data(), size);
  Data_ = std::move(data);
  Pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& path) const { WriteFileAtomic(path, Data_); }

// --- TFileStream ---

TFileStream::TFileStream(const std::string& path, uint32_t mode) : Path_(path) {
  int flags = O_CLOEXEC;
  switch (fm::Access(mode)) {
    case fm::OpenRead: flags |= O_RDONLY; break;
    case fm::OpenWrite: flags |= O_WRONLY; break;
    case fm::OpenReadWrite: flags |= O_RDWR; break;
    default: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  Fd_ = ::open(path.c_str(), flags, 0644);
  if (Fd_ < 0) {
    throw EStreamError(Format("cannot open %s: %s", path.c_str(), std::strerror(errno)));
  }
  struct stat st{};
  if (::fstat(Fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
    ::close(Fd_);
    Fd_ = -1;
    throw EStreamError(Format("cannot open %s: is a folder", path.c_str()));
  }
}

TFileStream::~TFileStream() {
  if (Fd_ >= 0) ::close(Fd_);
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  int64_t done = 0;
  auto* p = static_cast<uint8_t*>(buffer);
  while (done < count) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30));
    const ssize_t n = ::read(Fd_, p + done, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  int64_t done = 0;
  auto* p = static_cast<const uint8_t*>(buffer);
  while (done < count) {
    const size_t chunk = static_cast<size_t>(std::min<int64_t>(count - done, 1 << 30));
    const ssize_t n = ::write(Fd_, p + done, chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

int64_t TFileStream::Seek(int64_t offset, SeekOrigin origin) {
  const int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  const off_t r = ::lseek(Fd_, static_cast<off_t>(offset), whence);
  if (r < 0) throw EStreamError(Format("cannot seek in %s", Path_.c_str()));
  return r;
}

int64_t TFileStream::Size() {
  struct stat st{};
  if (::fstat(Fd_, &st) != 0) throw EStreamError(Format("cannot read the size of %s", Path_.c_str()));
  return st.st_size;
}

void TFileStream::SetSize(int64_t size) {
  if (::ftruncate(Fd_, static_cast<off_t>(size)) != 0) {
    throw EStreamError(Format("cannot resize %s: %s", Path_.c_str(), std::strerror(errno)));
  }
}

void TFileStream::Flush() { ::fsync(Fd_); }

// --- primitives ---

namespace {
template <size_t N>
void ReadExact(TStream& s, uint8_t (&b)[N]) {
  s.ReadBuffer(b, N);
}
}  // namespace

int32_t ReadInt32(TStream& s) { return static_cast<int32_t>(ReadUInt32(s)); }

uint32_t ReadUInt32(TStream& s) {
  uint8_t b[4];
  ReadExact(s, b);
  return LoadLE32(b);
}

int64_t ReadInt64(TStream& s) {
  uint8_t b[8];
  ReadExact(s, b);
  return static_cast<int64_t>(LoadLE64(b));
}

uint8_t ReadByte(TStream& s) {
  uint8_t b[1];
  ReadExact(s, b);
  return b[0];
}

uint16_t ReadUInt16(TStream& s) {
  uint8_t b[2];
  ReadExact(s, b);
  return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

Extended ReadExtended(TStream& s) {
  uint8_t b[10];
  ReadExact(s, b);
  return DecodeExtended(b);
}

std::string ReadString(TStream& s) {
  const int32_t len = ReadInt32(s);
  if (len <= 0) return {};
  if (len > s.Remaining()) throw EStreamError(Format("string of %d bytes runs past the end of the data", len));
  std::string out(static_cast<size_t>(len), '\0');
  s.ReadBuffer(out.data(), len);
  return out;
}

void WriteInt32(TStream& s, int32_t v) { WriteUInt32(s, static_cast<uint32_t>(v)); }

void WriteUInt32(TStream& s, uint32_t v) {
  uint8_t b[4];
  StoreLE32(b, v);
  s.WriteBuffer(b, 4);
}

void WriteInt64(TStream& s, int64_t v) {
  uint8_t b[8];
  StoreLE64(b, static_cast<uint64_t>(v));
  s.WriteBuffer(b, 8);
}

void WriteByte(TStream& s, uint8_t v) { s.WriteBuffer(&v, 1); }

void WriteUInt16(TStream& s, uint16_t v) {
  uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
  s.WriteBuffer(b, 2);
}

void WriteExtended(TStream& s, Extended v) {
  const auto b = EncodeExtended(v);
  s.WriteBuffer(b.data(), 10);
}

void WriteString(TStream& s, std::string_view v) {
  if (v.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max())) {
    throw EStreamError("string too long to store");
  }
  WriteInt32(s, static_cast<int32_t>(v.size()));
  s.WriteBuffer(v.data(), static_cast<int64_t>(v.size()));
}

int64_t CopyStream(TStream& dest, TStream& source, int64_t count) {
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  if (auto* mem = dynamic_cast<TMemoryStream*>(&source)) {
    const int64_t pos = mem->Position();
    const int64_t n = std::max<int64_t>(0, std::min(count, mem->Size() - pos));
    dest.WriteBuffer(mem->Memory() + pos, n);
    mem->SetPosition(pos + n);
    return count;
  }
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(count, 1), 0xA00000)));
  int64_t left = count;
  while (left > 0) {
    const int64_t n = source.Read(buffer.data(), std::min<int64_t>(left, static_cast<int64_t>(buffer.size())));
    if (n <= 0) break;
    dest.WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

}  // namespace opal

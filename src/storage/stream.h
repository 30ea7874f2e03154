// Ordinary streams (32/64-bit positions in one piece of storage) and the
// little-endian primitives every file format of the player reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/ext80.h"

namespace opal {

enum class SeekOrigin { Begin, Current, End };

class TStream {
 public:
  virtual ~TStream() = default;
  // Reads up to `count` bytes; returns how many were read (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  // Writes `count` bytes; returns how many were written.
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // Moves the position; returns the new position.
  virtual int64_t Seek(int64_t offset, SeekOrigin origin) = 0;
  virtual int64_t Size();
  // Resizes the stream; streams that cannot resize throw EStreamError.
  virtual void SetSize(int64_t size);

  int64_t Position() { return Seek(0, SeekOrigin::Current); }
  void SetPosition(int64_t pos) { Seek(pos, SeekOrigin::Begin); }
  int64_t Remaining() { return Size() - Position(); }
  // Read or write exactly `count` bytes, else EStreamError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
};

class TMemoryStream : public TStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::vector<uint8_t> data) : Data_(std::move(data)) {}
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(Data_.size()); }
  void SetSize(int64_t size) override;

  void Clear();
  // Replaces the content with the file's bytes (native path); EStreamError on failure.
  void LoadFromFile(const std::string& path);
  // Replaces the file with the content through the atomic writer
  // (storage/atomic_file.h): the old file stays whole when the write fails.
  void SaveToFile(const std::string& path) const;
  uint8_t* Memory() { return Data_.data(); }
  const std::vector<uint8_t>& Bytes() const { return Data_; }
  std::vector<uint8_t>& Bytes() { return Data_; }

 private:
  std::vector<uint8_t> Data_;
  int64_t Pos_ = 0;
};

// Marks in-memory archive entries and save records.
class TSkMemoryStream : public TMemoryStream {
 public:
  using TMemoryStream::TMemoryStream;
};

// Open modes: the access nibble and the sharing bits that stored games use.
namespace fm {
inline constexpr uint32_t OpenRead = 0x0;
inline constexpr uint32_t OpenWrite = 0x1;
inline constexpr uint32_t OpenReadWrite = 0x2;
inline constexpr uint32_t Create = 0xF;
inline constexpr uint32_t ShareExclusive = 0x10;
inline constexpr uint32_t ShareDenyWrite = 0x20;
inline constexpr uint32_t ShareDenyRead = 0x30;
inline constexpr uint32_t ShareDenyNone = 0x40;
inline uint32_t Access(uint32_t mode) { return mode & 0xF; }
}  // namespace fm

// A file on disk by native path. Create truncates or makes the file.
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& path, uint32_t mode);
  ~TFileStream() override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;
  void SetSize(int64_t size) override;
  // Flushes the file's data to the device.
  void Flush();
  const std::string& Path() const { return Path_; }

 private:
  std::string Path_;
  int Fd_ = -1;
};

// --- primitives (little-endian) ---
int32_t ReadInt32(TStream& s);
uint32_t ReadUInt32(TStream& s);
int64_t ReadInt64(TStream& s);
uint8_t ReadByte(TStream& s);
uint16_t ReadUInt16(TStream& s);
Extended ReadExtended(TStream& s);
// int32 length, then the bytes; a length <= 0 is the empty string. A length
// past the end of the stream is an EStreamError, never an allocation.
std::string ReadString(TStream& s);
void WriteInt32(TStream& s, int32_t v);
void WriteUInt32(TStream& s, uint32_t v);
void WriteInt64(TStream& s, int64_t v);
void WriteByte(TStream& s, uint8_t v);
void WriteUInt16(TStream& s, uint16_t v);
void WriteExtended(TStream& s, Extended v);
void WriteString(TStream& s, std::string_view v);
// Copies `count` bytes (0: rewind the source and copy all of it); stops early
// when the source ends. Returns `count` even then: callers take it as the
// length asked for.
int64_t CopyStream(TStream& dest, TStream& source, int64_t count);

// Little-endian helpers on raw buffers.
inline uint32_t LoadLE32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t LoadLE64(const uint8_t* p) {
  return static_cast<uint64_t>(LoadLE32(p)) | (static_cast<uint64_t>(LoadLE32(p + 4)) << 32);
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void StoreLE64(uint8_t* p, uint64_t v) {
  for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

}  // namespace opal

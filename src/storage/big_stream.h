// Streams with 64-bit sizes and positions: a logical file split into volumes
// of at most 1 GiB (game.dat, game.001, game.002, ...), memory, or a resource
// linked into the executable.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/resources.h"
#include "storage/stream.h"

namespace opal {

class TSkBigStream {
 public:
  virtual ~TSkBigStream() = default;
  virtual int64_t GetSize() { return 0; }
  virtual int64_t GetPosition() { return 0; }
  virtual void SetPosition(int64_t) {}
  virtual int64_t Write(const void*, int64_t) { return 0; }
  virtual int64_t Read(void*, int64_t) { return 0; }
  // Copy `count` bytes from another stream at its position; a count of 0
  // rewinds the source and copies all of it.
  virtual int64_t WriteFromBig(TSkBigStream&, int64_t) { return 0; }
  virtual int64_t WriteFromStream(TStream&, int64_t) { return 0; }
  // Copy `count` bytes from here into an ordinary stream.
  virtual int64_t ReadToStream(TStream&, int64_t) { return 0; }

  // Read exactly `count` bytes or throw EStreamError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
};

// A logical file over volumes. Volume 0 is FileName itself; volume i >= 1 is
// FileName without its extension, '.', and i in at least three digits.
class TSkBigFileStream : public TSkBigStream {
 public:
  static constexpr int64_t kVolumeSize = 0x40000000;
  static constexpr int64_t CopyBufferSize = 0x100000;

  // `volume_size` splits newly written data; a set opened for reading takes
  // its volume size from volume 0. Read/ReadWrite modes open volume 0
  // (EStreamError when missing) and every following volume that exists;
  // other modes delete the old set first.
  TSkBigFileStream(const std::string& file_name, uint32_t mode, int64_t volume_size = kVolumeSize);
  // A new set that takes the place of the set named `file_name` on Commit.
  // Every volume is written as a temporary file beside its destination
  // (TAtomicFile); Commit syncs all of them, then renames them over the old
  // volumes one by one (the first volume last), removes the old set's
  // volumes past the new count and syncs the folder. Each volume is replaced
  // whole; a failure before Commit's renames leaves the old set as it was.
  // Destroyed without Commit, the temporaries go; after Commit the stream
  // holds nothing more.
  struct TReplace {};
  static constexpr TReplace Replace{};
  TSkBigFileStream(const std::string& file_name, TReplace, int64_t volume_size = kVolumeSize);
  ~TSkBigFileStream() override;
  void Commit();

  int64_t GetSize() override;
  int64_t GetPosition() override { return Position_; }
  void SetPosition(int64_t pos) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t WriteFromBig(TSkBigStream& source, int64_t count) override;
  int64_t WriteFromStream(TStream& source, int64_t count) override;
  int64_t ReadToStream(TStream& target, int64_t count) override;

  static std::string VolumeName(const std::string& file_name, int index);
  const std::string& FileName() const { return FileName_; }
  int VolumeCount() const { return static_cast<int>(Volumes_.size()); }
  int64_t VolumeSize() const { return VolumeSize_; }

 private:
  TStream& VolumeFor(int64_t pos, int64_t* offset, bool create);
  template <typename Sink>
  int64_t ReadChunks(int64_t count, Sink sink);
  template <typename Reader>
  int64_t CopyIn(int64_t count, Reader read);

  std::string FileName_;
  uint32_t Mode_;
  bool Replacing_ = false;
  int64_t Position_ = 0;
  int64_t VolumeSize_;
  std::vector<std::unique_ptr<TStream>> Volumes_;  // TFileStream, or TAtomicFile when replacing
};

class TSkBigMemoryStream : public TSkBigStream {
 public:
  TSkBigMemoryStream() = default;
  explicit TSkBigMemoryStream(std::vector<uint8_t> data) : Stream(std::move(data)) {}
  int64_t GetSize() override { return Stream.Size(); }
  int64_t GetPosition() override { return Stream.Position(); }
  void SetPosition(int64_t pos) override { Stream.SetPosition(pos); }
  int64_t Write(const void* buffer, int64_t count) override { return Stream.Write(buffer, count); }
  int64_t Read(void* buffer, int64_t count) override { return Stream.Read(buffer, count); }
  int64_t WriteFromBig(TSkBigStream& source, int64_t count) override;
  int64_t WriteFromStream(TStream& source, int64_t count) override;
  int64_t ReadToStream(TStream& target, int64_t count) override;
  void LoadFromFile(const std::string& path) { Stream.LoadFromFile(path); }
  void SaveToFile(const std::string& path) const { Stream.SaveToFile(path); }

  TMemoryStream Stream;
};

// Read-only view of a resource's bytes; the module keeps them alive.
class TSkBigResourceStream : public TSkBigStream {
 public:
  // EStreamError when the module has no such resource.
  TSkBigResourceStream(const TResourceModule& module, const std::string& resource_name,
                       const std::string& resource_type);
  int64_t GetSize() override { return static_cast<int64_t>(Data_->size()); }
  int64_t GetPosition() override { return Position_; }
  void SetPosition(int64_t pos) override;
  int64_t Read(void* buffer, int64_t count) override;
  int64_t WriteFromBig(TSkBigStream& source, int64_t count) override;
  int64_t ReadToStream(TStream& target, int64_t count) override;

  const std::string ResourceName;
  const std::string ResourceType;

 private:
  const std::vector<uint8_t>* Data_;
  int64_t Position_ = 0;
};

// Read-ahead over a big stream in blocks of BufferSize. When destroyed with
// unread bytes in its buffer it moves the source back by that many, so the
// source ends right after what the caller consumed.
class TSkBuffBigStream {
 public:
  static constexpr int64_t BufferSize = 102400;
  explicit TSkBuffBigStream(TSkBigStream& source) : Source_(source) {}
  ~TSkBuffBigStream();
  TSkBuffBigStream(const TSkBuffBigStream&) = delete;
  TSkBuffBigStream& operator=(const TSkBuffBigStream&) = delete;

  int64_t Read(void* buffer, int64_t count);
  void ReadBuffer(void* buffer, int64_t count);
  // Bytes left to read: in the buffer plus in the source.
  int64_t Remaining() { return Buffered() + Source_.GetSize() - Source_.GetPosition(); }

 private:
  int64_t Buffered() const { return static_cast<int64_t>(Buffer_.size()) - Pos_; }
  TSkBigStream& Source_;
  std::vector<uint8_t> Buffer_;
  int64_t Pos_ = 0;
};

// Big-stream forms of the little-endian primitives.
int32_t ReadInt32(TSkBigStream& s);
void WriteInt32(TSkBigStream& s, int32_t v);

}  // namespace opal

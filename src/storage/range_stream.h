// Read-only windows onto a big stream, for media players that read an
// archive entry from their own threads. Each operation holds the stream's
// lock; two threads must not share one range stream's position across calls.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "storage/big_stream.h"
#include "storage/stream.h"

namespace opal {

class TRangeStream : public TStream {
 public:
  // Length for a window over the whole source.
  static constexpr int64_t kWholeSource = -1;

  // The window is clamped to the source's size.
  TRangeStream(std::unique_ptr<TSkBigStream> source, int64_t start, int64_t length);

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void*, int64_t) override { return 0; }
  int64_t Seek(int64_t offset, SeekOrigin origin) override;
  int64_t Size() override;

  int64_t Start() const { return Start_; }
  int64_t Length() const { return Length_; }

 private:
  std::unique_ptr<TSkBigStream> Source_;
  int64_t Start_;
  int64_t Length_;
  std::mutex Lock_;
};

class TFileRangeStream : public TRangeStream {
 public:
  TFileRangeStream(const std::string& file_name, int64_t start, int64_t length);
};

class TResourceRangeStream : public TRangeStream {
 public:
  TResourceRangeStream(const TResourceModule& module, const std::string& resource_name,
                       const std::string& resource_type, int64_t start, int64_t length);
};

}  // namespace opal

#include "storage/range_stream.h"

#include <algorithm>

namespace opal {

TRangeStream::TRangeStream(std::unique_ptr<TSkBigStream> source, int64_t start, int64_t length)
    : Source_(std::move(source)) {
  const int64_t size = Source_->GetSize();
  Start_ = std::clamp<int64_t>(start, 0, size);
  Length_ = length < 0 ? size - Start_ : std::min(length, size - Start_);
  Source_->SetPosition(Start_);
}

int64_t TRangeStream::Read(void* buffer, int64_t count) {
  std::lock_guard<std::mutex> hold(Lock_);
  const int64_t left = Start_ + Length_ - Source_->GetPosition();
  const int64_t n = std::min(count, left);
  if (n <= 0) return 0;
  return Source_->Read(buffer, n);
}

int64_t TRangeStream::Seek(int64_t offset, SeekOrigin origin) {
  std::lock_guard<std::mutex> hold(Lock_);
  int64_t target = 0;
  switch (origin) {
    case SeekOrigin::Begin: target = Start_ + offset; break;
    case SeekOrigin::Current: target = Source_->GetPosition() + offset; break;
    case SeekOrigin::End: target = Start_ + Length_ + offset; break;
  }
  target = std::clamp(target, Start_, Start_ + Length_);
  Source_->SetPosition(target);
  return target - Start_;
}

int64_t TRangeStream::Size() { return Length_; }

TFileRangeStream::TFileRangeStream(const std::string& file_name, int64_t start, int64_t length)
    : TRangeStream(std::make_unique<TSkBigFileStream>(file_name, fm::OpenRead | fm::ShareDenyWrite), start,
                   length) {}

TResourceRangeStream::TResourceRangeStream(const TResourceModule& module, const std::string& resource_name,
                                           const std::string& resource_type, int64_t start, int64_t length)
    : TRangeStream(std::make_unique<TSkBigResourceStream>(module, resource_name, resource_type), start, length) {}

}  // namespace opal

#include "storage/sk_random.h"

#include <cstddef>

namespace opal {

void TSkRandom::SetPool(int32_t n) {
  Pool_.clear();
  for (int32_t i = 0; i < n; ++i) Pool_.push_back(i);
}

int32_t TSkRandom::Draw() {
  State_ = State_ * 5u + Seed_;
  if (Pool_.empty()) return -1;
  const size_t index = State_ % Pool_.size();
  const int32_t value = Pool_[index];
  Pool_.erase(Pool_.begin() + static_cast<std::ptrdiff_t>(index));
  return value;
}

}  // namespace opal

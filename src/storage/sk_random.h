// TSkRandom: the program's linear-congruential generator (state * 5 + seed,
// modulo 2^32) with a pool draw that yields permutations.
#pragma once

#include <cstdint>
#include <vector>

namespace opal {

class TSkRandom {
 public:
  // The seed that scrambles archive directories.
  static constexpr int32_t kArchiveSeed = 1583620947;

  explicit TSkRandom(int32_t seed) : Seed_(static_cast<uint32_t>(seed)) {}
  int32_t Next() {
    State_ = State_ * 5u + Seed_;
    return static_cast<int32_t>(State_);
  }
  void SetPool(int32_t n);
  // Removes and returns a pool element; successive draws give a permutation
  // of 0..n-1. An empty pool yields -1.
  int32_t Draw();
  int32_t PoolCount() const { return static_cast<int32_t>(Pool_.size()); }

 private:
  uint32_t Seed_;
  uint32_t State_ = 0;
  std::vector<int32_t> Pool_;
};

}  // namespace opal

// TClipList: the dirty rectangles of a base. Rectangles that come within
// 20 pixels of each other are merged into their union, which keeps the
// list short at the price of redrawing a little unchanged gap.
#pragma once

#include <vector>

#include "raster/rect.h"

namespace opal {

class TClipList {
 public:
  static constexpr int32_t kMergeDistance = 20;

  void Add(const TRect& r);
  void Clear();
  const std::vector<TRect>& Items() const { return Items_; }
  int32_t Count() const { return static_cast<int32_t>(Items_.size()); }
  bool Changed = false;

 private:
  std::vector<TRect> Items_;
};

// True when `r` reaches within the merge distance of `e` on every side.
bool ClipNear(const TRect& e, const TRect& r);

}  // namespace opal

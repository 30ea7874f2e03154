#include "stage/clip_list.h"

namespace opal {

bool ClipNear(const TRect& e, const TRect& r) {
  constexpr int64_t d = TClipList::kMergeDistance;
  return !(int64_t{e.Right} + d < r.Left) && !(int64_t{e.Bottom} + d < r.Top) &&
         !(r.Right < int64_t{e.Left} - d) && !(r.Bottom < int64_t{e.Top} - d);
}

void TClipList::Add(const TRect& rect) {
  if (rect.IsEmpty()) return;
  TRect r = rect;
  // Each merge removes an element, so this ends after at most Count passes.
  for (;;) {
    auto it = Items_.begin();
    for (; it != Items_.end(); ++it) {
      if (ClipNear(*it, r)) break;
    }
    if (it == Items_.end()) break;
    if (r.Left >= it->Left && r.Top >= it->Top && r.Right <= it->Right && r.Bottom <= it->Bottom) return;
    r = BoundingBox(r, *it);
    Items_.erase(it);
    Changed = true;
  }
  Items_.push_back(r);
  Changed = true;
}

void TClipList::Clear() {
  Items_.clear();
  Changed = true;
}

}  // namespace opal

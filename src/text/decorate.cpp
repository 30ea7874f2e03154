// The shared character styles of a word.
#include "text/decorate.h"

#include <algorithm>

namespace opal {

bool TDecorate::SameStyle(const TDecorate& o) const {
  return Color == o.Color && OutlineColor == o.OutlineColor && ShadowColor == o.ShadowColor &&
         Size == o.Size && Style == o.Style && FaceName == o.FaceName && NoBreak == o.NoBreak &&
         Ruby == o.Ruby && OutlineWidth == o.OutlineWidth && ShadowWidth == o.ShadowWidth;
}

int32_t TDecorateList::IndexOf(const TDecorate* d) const {
  for (size_t i = 0; i < Items_.size(); ++i)
    if (Items_[i].get() == d) return static_cast<int32_t>(i);
  return -1;
}

TDecorate* TDecorateList::Acquire(const TDecorate& style) {
  for (const auto& item : Items_)
    if (item->SameStyle(style)) {
      ++item->RefCount;
      return item.get();
    }
  auto record = std::make_unique<TDecorate>(style);
  record->RefCount = 1;
  Items_.push_back(std::move(record));
  return Items_.back().get();
}

void TDecorateList::Release(TDecorate* d) {
  if (d == nullptr || --d->RefCount > 0) return;
  auto it = std::find_if(Items_.begin(), Items_.end(), [d](const auto& p) { return p.get() == d; });
  if (it != Items_.end()) Items_.erase(it);
}

TDecorate* TDecorateList::Change(TDecorate* old, const TDecorate& style) {
  if (old != nullptr && old->SameStyle(style)) return old;
  for (const auto& item : Items_)
    if (item.get() != old && item->SameStyle(style)) {
      // Releasing may erase from the list: keep the record, not the slot.
      TDecorate* found = item.get();
      ++found->RefCount;
      Release(old);
      return found;
    }
  if (old != nullptr && old->RefCount <= 1) {
    const int32_t count = old->RefCount;
    *old = style;
    old->RefCount = count < 1 ? 1 : count;
    return old;
  }
  Release(old);
  auto record = std::make_unique<TDecorate>(style);
  record->RefCount = 1;
  Items_.push_back(std::move(record));
  return Items_.back().get();
}

TDecorate* TDecorateList::Append(const TDecorate& record) {
  Items_.push_back(std::make_unique<TDecorate>(record));
  return Items_.back().get();
}

void TDecorateList::Prune() {
  std::erase_if(Items_, [](const auto& p) { return p->RefCount <= 0; });
}

}  // namespace opal

#include "text/decorate.h"

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

TDecorate* TDecorateList::Acquire(const TDecorate&) { return nullptr; }
void TDecorateList::Release(TDecorate*) {}
TDecorate* TDecorateList::Change(TDecorate* old, const TDecorate&) { return old; }
TDecorate* TDecorateList::Append(const TDecorate& record) {
  Items_.push_back(std::make_unique<TDecorate>(record));
  return Items_.back().get();
}
void TDecorateList::Prune() {}

}  // namespace opal

#include "text/tag_val_list.h"

namespace opal {

std::shared_ptr<const TCharStyle> TTagValList::CurrentStyle() {
  if (!Current_) {
    auto s = std::make_shared<TCharStyle>();
    s->Color = Color.Top();
    s->OutlineColor = OutlineColor.Top();
    s->ShadowColor = ShadowColor.Top();
    s->Size = Size.Top();
    s->Style = Style;
    s->NoBreak = NoBreak;
    s->OutlineWidth = OutlineWidth.Top();
    s->ShadowWidth = ShadowWidth.Top();
    s->FaceName = FaceName.Top();
    s->Ruby = Ruby;
    Current_ = std::move(s);
  }
  return Current_;
}

}  // namespace opal

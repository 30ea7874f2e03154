// Rendering a page into the page buffers and drawing glyphs onto the target.
#include "text/sk_word.h"

namespace opal {

void TWdChar::Render() {}
void TWdChar::ClearArea() {}
void TWdChar::Draw() {}
void TWdChar::Invalidate() {}
void TWdImg::Draw() {}
void TWdImg::Invalidate() {}
bool TWdImg::IsAnimated() const { return false; }
void TWdImg::Animate(int32_t) {}

void TSkWord::RenderPage(TWdPage&, bool) {}
void TSkWord::DrawPage(TWdPage&) {}

}  // namespace opal

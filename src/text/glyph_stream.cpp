// Glyph streams of every version, and the word's settings stream.
#include "text/sk_word.h"

#include "storage/stream.h"

namespace opal {

void TWdChar::WriteGlyph(TStream&) const {}
void TWdChar::ReadGlyph(TStream&, int32_t) {}
void TWdImg::WriteGlyph(TStream&) const {}
void TWdImg::ReadGlyph(TStream&, int32_t) {}
void TWdOpeReturn::WriteGlyph(TStream&) const {}
void TWdOpeReturn::ReadGlyph(TStream&, int32_t) {}
void TWdOpeAlign::WriteGlyph(TStream&) const {}
void TWdOpeAlign::ReadGlyph(TStream&, int32_t) {}
void TWdOpeEvent::WriteGlyph(TStream&) const {}
void TWdOpeEvent::ReadGlyph(TStream&, int32_t) {}
void TWdOpeVar::WriteGlyph(TStream&) const {}
void TWdOpeVar::ReadGlyph(TStream&, int32_t) {}

void TSkWord::LoadGlyphs(TStream&) {}
void TSkWord::SaveGlyphs(TStream&) const {}
void TSkWord::CopyGlyphs(const TSkWord&, int32_t, int32_t) {}
void TSkWord::SaveSettings(TStream&) const {}
void TSkWord::LoadSettings(TStream&, int32_t) {}

}  // namespace opal

// The word: settings, the glyph list, variables and source positions.
#include "text/sk_word.h"

#include "text/font_pixel.h"

namespace opal {

const char TSkWord::kDefaultFace[] = "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e";

TSkWord::TSkWord(TFontPixelManager& fonts, TWordHost* host) : Fonts_(fonts), Host_(host) {}
// Glyphs release their styles into the decoration list, so they go first.
TSkWord::~TSkWord() { Clear(); }

int32_t TSkWord::IndexOf(const TWdGlyph*) const { return -1; }
void TSkWord::Insert(size_t, TWdGlyphPtr) {}
void TSkWord::Delete(size_t) {}
void TSkWord::Parse(const std::string&) {}
void TSkWord::AddGlyphs(const TTagGlyphList&) {}
void TSkWord::ExpandVars(int32_t, int32_t) {}
void TSkWord::CollapseVars(int32_t, int32_t) {}
int32_t TSkWord::SourceToGlyph(int32_t) const { return -1; }
int32_t TSkWord::GlyphToSource(const TWdGlyph*) const { return -1; }
void TSkWord::StartAnimations() {}
void TSkWord::StopAnimations() {}
void TSkWord::Clear() {
  Glyphs_.clear();
  Decorations_.Clear();
  FixedValues.clear();
  DecorationBase = 0;
}

}  // namespace opal

// Tagged text that parses back to the glyphs of a glyph stream (or of a
// word): the readable form of a compiled message. Glyphs the markup cannot express (a character below
// 32, a compiled variable, a floating picture, values with characters the
// tag reader would cut at) give nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace opal {

struct TGlyphStream;
class TSkWord;

// Lines are joined by LF; `defaultWait` is the wait a parse starts from.
std::optional<std::string> WriteMarkup(const TGlyphStream& stream, int32_t defaultWait);
// The same for the glyphs a word saves (defined with the text engine).
std::optional<std::string> WriteMarkup(const TSkWord& word, int32_t defaultWait);

}  // namespace opal

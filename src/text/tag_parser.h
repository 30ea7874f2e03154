// Parsing of message text in the tag language into the flat glyph list.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "text/tag_glyph.h"

namespace opal {

// Bounds on what markup may ask for. Sizes and widths beyond them are
// clamped; a text that would give more glyphs than kMaxTagGlyphs fails.
inline constexpr int32_t kMaxTagFontSize = 256;
inline constexpr int32_t kMaxTagOutlineWidth = 16;  // outlines cost (2b+1)² stamps
inline constexpr int32_t kMaxTagShadowWidth = 64;
inline constexpr int32_t kMaxTagWait = 10000000;
inline constexpr size_t kMaxTagGlyphs = size_t{1} << 20;

// The lines are joined with CR, tokenised, and every token is acted on in
// order; `out` is cleared first and receives the glyphs. The style state
// starts from its base values, the wait from `defaultWait` (the program's
// TextDelay). Throws EFormatError for <A> without HREF ("<A>タグにHREF値が
// ありません" in CP932) and for too many glyphs; the glyphs made before the
// failure stay in `out`.
void ParseTags(const std::vector<std::string>& lines, int32_t defaultWait, TTagGlyphList& out);
// Text whose lines end in CR LF or LF, joined by CR as ParseTags joins its
// lines.
std::string JoinLinesWithCr(std::string_view text);
void ParseTagText(std::string_view text, int32_t defaultWait, TTagGlyphList& out);

// A decimal number: optional sign and digits only, within 32 bits.
bool ParseTagInt(std::string_view s, int32_t& out);
// "#RRGGBB" (1 to 8 hexadecimal digits) as 0x00BBGGRR.
bool ParseTagColor(std::string_view s, int32_t& out);

}  // namespace opal

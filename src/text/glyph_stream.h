// Glyph streams as plain records: the stored form of a compiled message, of
// a message window's text and of a history entry. The reader and the writer
// know the layout of every version; the text engine (TSkWord) turns the
// records into its glyph objects and back, and compiling a message turns
// the tag parser's glyph list into them, so neither needs the other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/decorate.h"
#include "text/tag_glyph.h"

namespace opal {

class TStream;

// Glyph kinds as the glyph stream numbers them.
enum TWdKind : uint8_t {
  wkNone = 0, wkChar = 1, wkAlign = 2, wkReturn = 3, wkIndent = 4, wkUndent = 5,
  wkEvent = 6, wkVar = 7, wkImage = 9,
};

// One glyph of a stream: the kind and the fields its kind stores.
struct TGlyphRecord {
  TWdKind Kind = wkNone;
  std::string Link;        // Char, Var, Image
  int32_t Wait = 0;        // Char, Var, Image
  uint16_t Code = 0;       // Char: byte, or lead × 256 + trail
  int32_t Decoration = 0;  // Char, Var: index into the stream's records
  // Image: the file name; Event: its text (without the hold mark); Var: the
  // expression's source text.
  std::string Text;
  // Var: the compiled expression of a stream older than source texts
  // (empty when the variable has source text).
  std::string Compiled;
  uint8_t Align = 0;   // Align: 1..3; Image: 1..5
  bool Clear = false;  // Return: ends the page
  bool Hold = false;   // Event: holds the display (END)
};

// A whole stream: the style records its glyphs use and the glyphs.
struct TGlyphStream {
  // Each record's RefCount is its number of users in `Glyphs`: recounted
  // on reading (stored counts are not trusted), written as it stands.
  std::vector<TDecorate> Decorations;
  std::vector<TGlyphRecord> Glyphs;
};

// Reads one stream from the current position (a stream without the
// "SkWord" header is version 0 and starts where the reader stands). Kinds
// that make no glyph are stepped over. Every count, length and decoration
// index is checked; bad data throws EFormatError and `s` is then left
// somewhere inside the stream.
TGlyphStream ReadGlyphStream(TStream& s);
// Writes the stream in the newest layout; when every variable holds only a
// compiled expression, in the last layout that stores one.
void WriteGlyphStream(TStream& s, const TGlyphStream& g);

// The records of a parsed glyph list, styles in the order a text engine
// given the same list makes them (so compiled messages do not depend on
// which of the two wrote them).
TGlyphStream GlyphStreamOf(const TTagGlyphList& glyphs);
// A style of the tag parser as a stream record.
TDecorate ToDecorate(const TCharStyle& s);

}  // namespace opal

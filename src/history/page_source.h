// Where a laid-out page of a word stands in its message: the source
// positions of its first and last glyph and the values its variables show.
// The message window records these for the page it shows; the history
// records them for every page it packs.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

namespace opal {

class TSkWord;
class TWdGlyph;
class TWdPage;

struct TOpalPageSpan {
  int32_t First = -1, Last = -1;  // -1: the page shows no glyph of the message
};

// Built over the word's glyph list as it stands (expanded or not); valid
// until the list changes. One pass, so many pages cost the list once.
class TOpalSourceMap {
 public:
  explicit TOpalSourceMap(const TSkWord& word);
  // The source positions (GlyphToSource) of the page's first and last glyph
  // of the list; a glyph a variable inserted counts as its variable, blanks
  // of the layout are passed over.
  TOpalPageSpan Span(const TWdPage& page) const;
  // One line per variable glyph whose value the page shows, the first time
  // its expression occurs: expression, "=", the inserted characters joined,
  // a line break written as character 1; lines joined by CR LF.
  std::string Values(const TWdPage& page) const;

 private:
  struct TPlace {
    int32_t Index;   // in the list
    int32_t Source;  // source position (of its variable for inserted glyphs)
  };
  const TPlace* Place(const TWdGlyph* g) const;
  // The list indices of the page's first and last glyph; false when none.
  bool Bounds(const TWdPage& page, int32_t& first, int32_t& last) const;
  const TSkWord& Word_;
  std::unordered_map<const TWdGlyph*, TPlace> Places_;
};

// The glyph indices of source positions first..last in the word's list:
// from the glyph of `first` to the last glyph before the source glyph after
// `last` (so a variable's inserted glyphs stay with it); last < 0 means to
// the end. False when `first` is past the message.
bool GlyphRange(const TSkWord& word, int32_t first, int32_t last, int32_t& glyphFirst, int32_t& glyphLast);

}  // namespace opal

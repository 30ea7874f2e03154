// The page's saved reveal state.
#include <algorithm>

#include "common/error.h"
#include "storage/stream.h"
#include "text/sk_word.h"

namespace opal {

void TSkWord::WritePageState(const TWdPage& page, TStream& s) const {
  WriteInt32(s, page.ScrollOffset);
  WriteInt32(s, page.NextRow);
  WriteInt32(s, page.NextGlyph);
  WriteByte(s, page.Finished ? 1 : 0);
  WriteString(s, page.PendingEvents);
  for (size_t r = 0; r < page.Count(); ++r)
    for (size_t i = 0; i < page.Row(r)->Count(); ++i) {
      const TWdGlyph* g = page.Row(r)->Item(i);
      const bool fading = std::find(page.Fading.begin(), page.Fading.end(), g) != page.Fading.end();
      WriteInt32(s, fading ? 255 : g->Opacity());
    }
}

// The page must be laid out as it was when written. Positions past the
// page are cut to its end, the scroll offset to the page's extent; the
// caret is the word's setting and stays as it is.
void TSkWord::ReadPageState(TWdPage& page, TStream& s) {
  int32_t scroll = 0, row = 0, glyph = 0;
  bool finished = false;
  std::string pending;
  std::vector<int32_t> opacity;
  try {
    scroll = ReadInt32(s);
    row = ReadInt32(s);
    glyph = ReadInt32(s);
    finished = ReadByte(s) != 0;
    pending = ReadString(s);
    for (size_t r = 0; r < page.Count(); ++r)
      for (size_t i = 0; i < page.Row(r)->Count(); ++i) opacity.push_back(ReadInt32(s));
  } catch (const EStreamError& e) {
    throw EFormatError(Format("page state: %s", e.what()));
  }

  const int32_t rows = static_cast<int32_t>(page.Count());
  if (row < 0 || row > rows) row = rows;
  if (row == rows || glyph < 0 || static_cast<size_t>(glyph) >= page.Row(static_cast<size_t>(row))->Count()) {
    if (row < rows && glyph > 0) ++row;
    glyph = 0;
  }
  int64_t extent = 0;
  for (size_t r = 0; r < page.Count(); ++r)
    extent = std::max(extent, int64_t{page.Row(r)->Y} + page.Row(r)->Height);
  const int32_t caretX = CaretX, caretY = CaretY, caretHeight = CaretHeight;
  page.ResetReveal();
  CaretX = caretX;
  CaretY = caretY;
  CaretHeight = caretHeight;
  page.ScrollOffset = static_cast<int32_t>(std::clamp<int64_t>(scroll, 0, extent));
  page.NextRow = row;
  page.NextGlyph = glyph;
  page.Finished = page.FinishedReported = finished;
  page.PendingEvents = std::move(pending);
  page.SkipCount = 0;
  size_t k = 0;
  for (size_t r = 0; r < page.Count(); ++r)
    for (size_t i = 0; i < page.Row(r)->Count(); ++i) {
      TWdGlyph* g = page.Row(r)->Item(i);
      g->SetOpacity(opacity[k++]);
      if (g->Opacity() > 0 && g->IsAnimated()) {
        if (auto* real = dynamic_cast<TWdReal*>(g)) page.Animated.push_back(real);
      }
    }
}

}  // namespace opal

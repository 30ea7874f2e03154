// Glyph streams and text settings from damaged data. A stream that loads
// gives every style record exactly its users; the word's own writing of it
// loads again and writes the same bytes. A failed load leaves the word as
// it was, and a copy of its glyphs counts its styles as right. The same bytes are also read as a settings stream of the
// versions around the shadow fields.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/error.h"
#include "platform/font_backend.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace {

std::vector<uint8_t> Save(const opal::TSkWord& w) {
  opal::TMemoryStream s;
  w.SaveGlyphs(s);
  return s.Bytes();
}

void CheckCounts(opal::TSkWord& w) {
  for (size_t r = 0; r < w.Decorations().Count(); ++r) {
    const opal::TDecorate* d = w.Decorations().Item(r);
    int32_t users = 0;
    for (size_t i = 0; i < w.GlyphCount(); ++i) users += w.Glyph(i)->Decorate() == d ? 1 : 0;
    if (users == 0 || d->RefCount != users) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<uint8_t> bytes(data, data + size);
  opal::TFakeFontBackend backend;
  opal::TFontPixelManager fonts(backend);
  {
    opal::TSkWord word(fonts);
    word.Parse("ab");  // a failed load must leave these as they are
    opal::TMemoryStream s(bytes);
    bool loaded = true;
    try {
      word.LoadGlyphs(s);
    } catch (const opal::EFormatError&) {
      loaded = false;
    }
    if (!loaded) {
      if (word.GlyphCount() != 2 || word.Decorations().Count() != 1) std::abort();
      CheckCounts(word);
    } else {
      CheckCounts(word);
      const std::vector<uint8_t> first = Save(word);
      opal::TSkWord again(fonts);
      opal::TMemoryStream back(first);
      again.LoadGlyphs(back);  // our own writing must load
      if (back.Remaining() != 0 || again.GlyphCount() != word.GlyphCount()) std::abort();
      CheckCounts(again);
      if (Save(again) != first) std::abort();
      opal::TSkWord copy(fonts);
      copy.Parse("cd");
      copy.CopyGlyphs(word, 1, -1);
      if (copy.GlyphCount() + 1 != 2 + word.GlyphCount()) std::abort();
      CheckCounts(copy);
    }
  }
  for (int32_t version : {109, 110, 111}) {
    opal::TSkWord word(fonts);
    opal::TMemoryStream s(bytes);
    try {
      word.LoadSettings(s, version);
    } catch (const opal::EFormatError&) {
      if (word.TextWidth != 0 || word.DefaultSize != 12) std::abort();  // nothing changed
    }
  }
  return 0;
}

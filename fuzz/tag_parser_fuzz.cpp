// Message text of any bytes: parsing must end with glyphs or a format error,
// in time linear in the text, with every size from markup clamped.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/error.h"
#include "text/tag_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  opal::TTagGlyphList glyphs;
  try {
    opal::ParseTagText(text, 50, glyphs);
  } catch (const opal::EFormatError&) {
  }
  for (const opal::TTagGlyph& g : glyphs) {
    if (const opal::TCharStyle* s = g.Style.get()) {
      if (s->Size < 0 || s->Size > opal::kMaxTagFontSize || s->OutlineWidth > opal::kMaxTagOutlineWidth ||
          s->ShadowWidth > opal::kMaxTagShadowWidth) {
        __builtin_trap();
      }
    }
  }
  if (glyphs.size() > 8 * size) __builtin_trap();  // a TAB gives at most eight
  return 0;
}

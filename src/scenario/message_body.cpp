// Messages compiled from tagged text into glyph streams and back. Compiling
// only parses: no glyph is measured, so no font is involved.
#include "scenario/message_body.h"

#include <cstdint>

#include "common/error.h"
#include "storage/stream.h"
#include "text/glyph_stream.h"
#include "text/markup_writer.h"
#include "text/tag_parser.h"

namespace opal {

namespace {

// The character wait a parse starts from after a variable reset; the
// authoring side compiles with it.
constexpr int32_t kDefaultWait = 50;

}  // namespace

std::string CompileMessage(std::string_view text) {
  if (text.empty()) return {};
  // The parser takes the lines joined by CR.
  TTagGlyphList glyphs;
  ParseTagText(JoinLinesWithCr(text), kDefaultWait, glyphs);
  TMemoryStream s;
  WriteGlyphStream(s, GlyphStreamOf(glyphs));
  const auto& b = s.Bytes();
  return std::string(b.begin(), b.end());
}

std::optional<std::string> DecompileMessage(std::string_view bytes) {
  if (bytes.empty()) return std::string();
  try {
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    const TGlyphStream stream = ReadGlyphStream(s);
    if (s.Position() != static_cast<int64_t>(bytes.size())) return std::nullopt;
    std::optional<std::string> text = WriteMarkup(stream, kDefaultWait);
    // Whatever the writer made, only the exact bytes count.
    if (!text || CompileMessage(*text) != bytes) return std::nullopt;
    return text;
  } catch (const EOpalError&) {
    return std::nullopt;
  }
}

}  // namespace opal

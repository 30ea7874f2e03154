// Messages compiled by the text engine.
#include "scenario/message_body.h"

#include <cstdint>
#include <memory>

#include "common/error.h"
#include "platform/font_backend.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/markup_writer.h"
#include "text/sk_word.h"
#include "text/tag_parser.h"

namespace opal {

namespace {

// The character wait a parse starts from after a variable reset; the
// authoring side compiles with it.
constexpr int32_t kDefaultWait = 50;

// Compiling draws nothing: the word gets a font engine without fonts.
struct TCompileWord {
  std::unique_ptr<FontBackend> Backend = CreateNullFontBackend();
  TFontPixelManager Fonts{*Backend};
  TSkWord Word{Fonts};
  TCompileWord() { Word.DefaultWait = kDefaultWait; }
};

}  // namespace

std::string CompileMessage(std::string_view text) {
  if (text.empty()) return {};
  // The parser takes the lines joined by CR.
  const std::string joined = JoinLinesWithCr(text);
  TCompileWord w;
  w.Word.Parse(joined);
  TMemoryStream s;
  w.Word.SaveGlyphs(s);
  const auto& b = s.Bytes();
  return std::string(b.begin(), b.end());
}

std::optional<std::string> DecompileMessage(std::string_view bytes) {
  if (bytes.empty()) return std::string();
  try {
    TCompileWord w;
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    w.Word.LoadGlyphs(s);
    if (s.Position() != static_cast<int64_t>(bytes.size())) return std::nullopt;
    std::optional<std::string> text = WriteMarkup(w.Word, kDefaultWait);
    // Whatever the writer made, only the exact bytes count.
    if (!text || CompileMessage(*text) != bytes) return std::nullopt;
    return text;
  } catch (const EOpalError&) {
    return std::nullopt;
  }
}

}  // namespace opal

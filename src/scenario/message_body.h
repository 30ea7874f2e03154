// The compiled body of a `TextIns` message: a glyph stream of the text
// engine, made by parsing the tagged text, and read back as tagged text
// that compiles to the same bytes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace opal {

// Tagged text (CP932, lines joined by CR LF or LF) to the stored message;
// an empty text is an empty message. Throws EFormatError where the markup
// is refused (<A> without HREF).
std::string CompileMessage(std::string_view text);
// Tagged text (lines joined by LF) whose compiled form is exactly `bytes`,
// or nothing when the stream cannot be written as markup that compiles
// back to it.
std::optional<std::string> DecompileMessage(std::string_view bytes);

}  // namespace opal

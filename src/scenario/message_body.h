// The compiled body of a `TextIns` message, a glyph stream of the text
// engine. Until that engine exists, the message is compiled here into the
// smallest stream it reads: one plain decoration and one glyph a character
// (a line break glyph for each line end). The text engine replaces
// CompileMessage; DecompileMessage answers only streams CompileMessage
// writes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace opal {

// Tagged text (CP932, lines joined by CR LF or LF) to the stored message;
// an empty text is an empty message.
std::string CompileMessage(std::string_view text);
// The text whose compiled form is exactly `bytes` (lines joined by LF), or
// nothing when the stream is of another shape.
std::optional<std::string> DecompileMessage(std::string_view bytes);

}  // namespace opal

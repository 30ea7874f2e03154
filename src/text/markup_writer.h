// Tagged text that parses back to a word's glyphs: the readable form of a
// compiled message. Glyphs the markup cannot express (a character below
// 32, a compiled variable, a floating picture, values with characters the
// tag reader would cut at) give nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace opal {

class TSkWord;

// Lines are joined by LF; `defaultWait` is the wait a parse starts from.
std::optional<std::string> WriteMarkup(const TSkWord& word, int32_t defaultWait);

}  // namespace opal

// Code page 932 text. Game text, file names and script values are CP932 byte
// strings throughout; these helpers never split a double-byte character, and
// case folding touches ASCII letters only (never a trail byte, which may lie
// in 0x40..0x7E and so look like a letter, or be 0x5C and look like '\').
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace opal::cp932 {

// U+FFFD: what a byte sequence without a mapping decodes to.
inline constexpr char32_t kReplacement = 0xFFFD;

// True for the first byte of a double-byte character (0x81..0x9F, 0xE0..0xFC).
bool IsLeadByte(uint8_t b);

// Bytes of the character that starts at `pos`: 2 for a lead byte followed by
// any byte, else 1; 0 at or past the end. A lead byte at the very end is 1.
size_t CharLen(std::string_view s, size_t pos);

// Position of the character after the one at `pos` (s.size() at the end).
size_t NextChar(std::string_view s, size_t pos);

// Number of characters (a double-byte character counts once).
size_t CharCount(std::string_view s);

// The character codes of a text: the byte of a single-byte character, lead
// × 256 + trail of a double-byte one (a lead byte at the end stands alone).
std::vector<uint16_t> CharCodes(std::string_view s);

// The lines of a text as a string list takes it: CR, LF and CR LF end a
// line, and a break at the very end starts no further line ("" has none).
// CR and LF are never trail bytes, so the cut never splits a character.
std::vector<std::string> SplitLines(std::string_view s);

// The escapes of script texts (link targets, event texts, table cells):
// \" and \\ lose their backslash, \n becomes CR LF, any other backslash
// stays. Trail bytes are never escapes.
std::string Unescape(std::string_view s);

// One character to its code point and back. Decode returns kReplacement for
// an unmapped sequence and sets *len (may be null) to CharLen(s, pos).
char32_t DecodeChar(std::string_view s, size_t pos, size_t* len);
// Encodes one code point; returns false (and appends nothing) when CP932 has
// no character for it.
bool EncodeChar(char32_t cp, std::string* out);

// Whole-string conversions. From* replace a character without a CP932 form
// by '?' and clear *lossless when given (never set it, so one flag can
// gather several calls). Ill-formed UTF-8 costs one '?' per broken sequence.
std::u32string ToUtf32(std::string_view s);
std::string ToUtf8(std::string_view s);
std::string FromUtf32(std::u32string_view s, bool* lossless = nullptr);
std::string FromUtf8(std::string_view s, bool* lossless = nullptr);

// ASCII-only case folding that steps over double-byte characters.
std::string UpperAscii(std::string_view s);
std::string LowerAscii(std::string_view s);

// Case-insensitive comparison in the sense above: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
// Case-insensitive prefix test.
bool StartsWithText(std::string_view s, std::string_view prefix);

// Position of the last single-byte `ch` that is not a trail byte; npos if none.
size_t LastDelimiter(std::string_view s, char ch = '\\');

// Splits a name at '\' (never at a trail byte 0x5C). Empty components are
// kept, so "a\\\\b" gives {"a", "", "b"} and "" gives {""}.
std::vector<std::string> SplitPath(std::string_view name);

// Folder part including the last '\' ("a\\b\\c.png" -> "a\\b\\"), or "".
std::string ExtractDir(std::string_view name);
// Extension of the last component including the dot (".png"), or "".
std::string ExtractExt(std::string_view name);

}  // namespace opal::cp932

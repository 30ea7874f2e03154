// The tab-separated text form that TDBTable::LoadTsv reads. Both helpers
// walk whole characters: a lead byte and the byte after it are one
// character (so a tab after a lead byte is that character's trail byte),
// and a lead byte ending the line stands alone; nothing past the line's
// last byte is read.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace opal::dbtsv {

// A line cut at tabs: empty cells count, the piece after the last tab is a
// cell only when it is not empty, so "" gives no cell and "a\t" one.
std::vector<std::string> SplitCells(std::string_view line);
// \" gives ", \\ gives \, \n gives CR LF; any other backslash stays.
std::string Unescape(std::string_view line);

// A header cell: name, type and string length of one field.
struct TFieldDecl {
  std::string Name;
  uint8_t Type = 0;
  int32_t Length = 80;
};
// "name [type [length]]": tokens end at a space and are trimmed (bytes at
// or below the space); type "int", "float", "bool" (case-sensitive), any
// other a string; length a decimal integer, 80 when missing or no number.
TFieldDecl ParseFieldDecl(std::string_view cell);

}  // namespace opal::dbtsv

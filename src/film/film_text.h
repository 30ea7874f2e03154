// The film text: a readable form of a film for opaltool. A header line with
// the magic and the version ("OpalCinema 108"), the stage fields, then one
// block per track ("track image") of its fields by name, one a line, in
// current units (frames of 1/60 s, volumes around 1000):
//
//   OpalMotion 108
//   StageSize 640 480
//   track box
//     TrackLength 60
//     PosEnd 100 0
//
// Fields left out keep their initial values, or the values a film of the
// header's version gets for fields it lacks (the Y zoom of a film before
// 105 copies its X zoom); '#' starts a comment line.
// Strings are quoted UTF-8 with three escapes: \" and \\ for a quote and a
// backslash, \{HH} for a byte given in hexadecimal (control characters such
// as a line break, \{0A}, and bytes that are no character); any other
// backslash stands for itself, so "..\pic\title.bri" needs no doubling.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace opal {

class TFilmManager;

// The text of `film` with the fields version `version` has.
std::string DumpFilmText(const TFilmManager& film, int32_t version);
// Replaces `film` with the film of `text` (UTF-8); its Magic and Version
// come from the header line. Raises EFormatError naming the line.
void ReadFilmText(std::string_view text, TFilmManager& film);

}  // namespace opal

namespace opal {

// The film file of a film text: written as `version`, or as the text's own
// version when `version` is 0. The fields that version lacks are left out
// and listed in `lost` (see FieldsLostAt); values it cannot hold raise
// EFormatError.
std::vector<uint8_t> FilmBytesOfText(std::string_view text, int32_t version, std::vector<std::string>* lost);

}  // namespace opal

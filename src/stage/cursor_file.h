// Cursor files: ".cur" (an icon directory whose entries carry a hot spot)
// and ".ani" (a RIFF "ACON" list of such files, of which the first frame is
// used). Every size, count and offset is checked against the data.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/cursors.h"

namespace opal {

// Largest cursor side read (the directory's byte can say at most 256).
inline constexpr int32_t kMaxCursorSide = 256;
// Most directory entries and animation chunks looked at.
inline constexpr int32_t kMaxCursorEntries = 256;

// Decodes the first picture of a cursor or icon file, or the first frame of
// an animated cursor. EFormatError for anything malformed.
TCursorImage ReadCursorFile(const std::vector<uint8_t>& bytes);

// Writes `image` as a one-entry ".cur" (32-bit colour with alpha and its AND
// mask), and a ".ani" with the given frames.
std::vector<uint8_t> WriteCursorFile(const TCursorImage& image);
std::vector<uint8_t> WriteAniFile(const std::vector<TCursorImage>& frames, int32_t jiffies);

}  // namespace opal

// Windows bitmap files (BMP/DIB) to and from TDIBSurface.
#pragma once

#include "imagefiles/dib_surface.h"

namespace opal {

class TStream;

// Decodes a bitmap file at the stream's position at its own depth (1, 4, 8,
// 16, 24 or 32 bits) with its colour table. Throws EFormatError on damaged
// data.
void LoadBmp(TStream& stream, TDIBSurface& picture);
// Writes an uncompressed bitmap file of the picture's depth.
void SaveBmp(const TDIBSurface& picture, TStream& stream);

}  // namespace opal

// PNG pictures to and from TDIBSurface, through libpng.
#pragma once

#include <cstdint>

#include "imagefiles/dib_surface.h"

namespace opal {

class TStream;

// Decodes the PNG at the stream's position. Palette pictures keep their
// indices and exact palette (1, 2→4, 4, 8 bits); grey pictures become 8-bit
// with a grey colour table; colour pictures become 24-bit; 16-bit channels
// are reduced to 8. An alpha channel (or a palette or grey transparency
// table) becomes the picture's AlphaPlane. TransparentColor receives the
// colour (0x00BBGGRR) of a single-colour transparency chunk, else −1.
// Throws EFormatError on damaged data; sizes are capped as in
// TDIBSurface::SetSize.
void LoadPng(TStream& stream, TDIBSurface& picture, int32_t& transparentColor);

// Writes the picture as PNG: a palette PNG for depths up to 8 bits, RGB
// for the others, RGBA when it has an alpha plane.
void SavePng(const TDIBSurface& picture, TStream& stream);

}  // namespace opal

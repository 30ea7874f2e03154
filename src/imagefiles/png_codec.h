// PNG pictures to and from TDIBSurface, through libpng.
#pragma once

#include <cstdint>

#include "imagefiles/dib_surface.h"

namespace opal {

class TStream;

// Decodes the PNG at the stream's position. Palette pictures keep their
// indices and exact palette (1, 2→4, 4, 8 bits); grey pictures become 8-bit
// with a grey colour table; colour pictures become 24-bit; 16-bit channels
// are reduced to 8 (high byte); interlaced pictures are accepted. An alpha
// channel (grey or colour with alpha) becomes the picture's AlphaPlane.
// Transparency chunks of pictures without an alpha channel:
// - palette: when exactly one entry is fully transparent, all others are
//   opaque and no other entry has its colour, that entry's colour is
//   reported as transparentColor and there is no alpha plane; otherwise,
//   when any entry is below 255, the AlphaPlane holds each pixel's entry
//   alpha (entries beyond the chunk are opaque);
// - grey and colour: the key colour (at 8 bits) is reported as
//   transparentColor.
// transparentColor is 0x00BBGGRR, or −1 for none. Throws EFormatError on
// damaged data; sizes are capped as in TDIBSurface::SetSize, and a picture
// whose pixel data could not fit in the rest of the stream even at deflate's
// best ratio is refused before anything is allocated.
void LoadPng(TStream& stream, TDIBSurface& picture, int32_t& transparentColor);

// Writes the picture as PNG: a palette PNG (2^bits entries) for depths up to
// 8 bits, RGB for the others (15/16-bit channels widened, a 32-bit
// picture's fourth byte dropped), RGBA whenever it has an alpha plane (also
// for palette depths). Throws EFormatError for an empty picture; errors
// of the stream come out as EStreamError.
void SavePng(const TDIBSurface& picture, TStream& stream);

}  // namespace opal

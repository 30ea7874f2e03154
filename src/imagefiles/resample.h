// Filtering a TDIBSurface to another size (screen captures before saving).
#pragma once

#include <cstdint>

#include "imagefiles/dib_surface.h"

namespace opal {

// Changes the picture's size to width × height. Enlarging (either side
// grows) interpolates bilinearly, leaving out source pixels beyond the edge
// and renormalising the remaining weights; reducing averages the block of
// source pixels each destination pixel covers, at least one source pixel
// per block. Arithmetic is single precision, rounding halves to even. The
// work is done on 8-bit channels: pictures of other depths than 24 go
// through 24 bits and back (colour table kept, nearest entry for palette
// depths; a 32-bit picture's fourth byte becomes 0). The alpha plane is
// resampled the same way. Equal sizes return at once; an empty picture just
// takes the new size. Throws EFormatError for sizes TDIBSurface refuses.
void Resample(TDIBSurface& picture, int32_t width, int32_t height);

}  // namespace opal

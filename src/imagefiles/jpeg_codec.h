// JPEG (JFIF) pictures of layered images, through libjpeg. Decoder errors
// become EFormatError (libjpeg's own handler would end the process) and its
// warnings are silenced.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imagefiles/dib_surface.h"

namespace opal {

// Decodes a JPEG file held in memory into a 24-bit picture. The picture
// must be exactly width × height (checked before any pixel storage is
// made); grey files are widened to colour.
void DecodeJpeg(const uint8_t* data, size_t size, int32_t width, int32_t height,
                TDIBSurface& picture);

// Encodes a picture of any depth (converted through 24 bits) at the given
// quality (clamped to 1..100).
std::vector<uint8_t> EncodeJpeg(const TDIBSurface& picture, int32_t quality);

}  // namespace opal

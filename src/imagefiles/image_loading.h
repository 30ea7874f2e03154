// Filling pixel buffers from image files and saving them as bitmaps. The
// raster library cannot depend on the decoders, so these are free functions
// over TCustomDIBX.
#pragma once

#include <cstdint>
#include <string>

#include "imagefiles/dib_surface.h"

namespace opal {

class TStream;

// Decodes a ".bmp" file (extension compared ignoring case) into the buffer,
// which keeps its own depth. A missing file or another extension does
// nothing; decoder errors propagate.
void LoadDIBXFromFile(TCustomDIBX& buffer, const std::string& name);

// Recognises the stream by its signature: "BM" at offset 0 (bitmap), "PNG"
// at offset 1, "Brio" at offset 0 (layered file, read with `seed` as its
// tile seed, first frame only). The picture replaces the buffer's contents
// at the buffer's own depth; transparency and alpha are not used. A null
// stream or an unknown signature does nothing; an empty picture leaves the
// buffer's size alone.
void LoadDIBXFromStream(TCustomDIBX& buffer, TStream* stream, int32_t seed);

// Writes the buffer as a 24-bit bitmap when the extension is ".bmp"
// (ignoring case); other names write nothing.
void SaveDIBXToFile(TCustomDIBX& buffer, const std::string& name);

// Copies a picture into the buffer, sized to it at the buffer's own depth,
// converting each pixel: palette values through their colour, then as
// ConvertPixel does between the byte-addressed depths; 1- and 4-bit buffers
// take the nearest entry of their palette. Nothing for an empty picture.
void CopySurfaceToDIBX(const TDIBSurface& picture, TCustomDIBX& buffer);

// The lower-cased extension of a file name, with its dot ("" for none).
std::string LowerExtension(const std::string& name);

}  // namespace opal

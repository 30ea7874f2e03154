// The pieces of a layered image file that the reader and both writers share:
// the header record, the TileSeed order, and the pixel blocks of a layer
// image (rows, scrambled rows, tiles) with their storage (zlib, raw, JPEG).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "imagefiles/dib_surface.h"

namespace opal {

class TStream;

// The header block of versions from 103, and the values older versions
// imply. Version is the header version, which governs frames and layers.
struct TBrioHeader {
  static constexpr int32_t kLength = 40;

  int32_t Version = 0;
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t BitCount = 0;
  int32_t FrameCount = 0;
  uint8_t Marker = 1;  // byte 20
  bool Scrambled = false;
  int32_t Mode = 0;  // 0 zlib, 1 raw, 2 JPEG colour + zlib alpha
  int32_t BackgroundColor = 0;
  int32_t TileWidth = 0;
  int32_t TileHeight = 0;
  bool OpaqueBottom = false;
  int32_t Quality = 0;

  bool Tiled() const { return Version > 102 && TileWidth > 0 && TileHeight > 0 && Mode != 2; }
  bool RowsScrambled() const { return Version > 102 && Scrambled && Mode != 2; }
  bool HasRects() const { return Version >= 104; }
  bool HasUseAlpha() const { return Version > 100; }
  bool HasAlphaData() const { return Version > 99; }

  // Reads the L bytes of the block (L ≤ 40; missing bytes read as zero).
  void Decode(const uint8_t* block, size_t length);
  void Encode(uint8_t (&block)[kLength]) const;
};

// The TileSeed order of n items: p(i) is the i-th Draw of a TSkRandom made
// with the seed after SetPool(n). Same numbers as the pool draw, computed
// in O(n log n).
std::vector<int32_t> TileSeedOrder(int32_t seed, int32_t n);

// One entry of a tile table: kind −1 (pixels follow), −2 (copy tile
// `Argument` of the same image), ≥ 0 (copy from layer `Argument` of frame
// `Kind`).
struct TTileEntry {
  int32_t Kind = -1;
  int32_t Argument = 0;
  bool operator==(const TTileEntry&) const = default;
};

// The grid of a tiled image.
struct TTileGrid {
  int32_t Width = 0, Height = 0, StorageBits = 0, TileWidth = 0, TileHeight = 0;
  int64_t Across = 0, Down = 0;

  TTileGrid(const TDIBSurface& image, int32_t tw, int32_t th);
  int64_t Count() const { return Across * Down; }
  // Pixel position and size of tile k.
  int32_t X(int64_t k) const { return static_cast<int32_t>((k % Across) * TileWidth); }
  int32_t Y(int64_t k) const { return static_cast<int32_t>((k / Across) * TileHeight); }
  int32_t W(int64_t k) const;
  int32_t H(int64_t k) const;
  int64_t RowBytes(int32_t w) const { return (int64_t{w} * StorageBits + 7) / 8; }
  int64_t ByteOffset(int32_t x) const { return int64_t{x} * StorageBits / 8; }
  // Upper bound of a tiled block: the table and every tile's pixels.
  int64_t MaxBlockBytes() const;
};

// Finds the image (or, for alpha data, the alpha plane) of layer `layer` of
// frame `frame` for tiles of kind ≥ 0; null when there is none.
using TTileSourceLookup = std::function<const TDIBSurface*(int32_t frame, int32_t layer)>;

// Decodes a pixel block into `image` (already sized) by the header's rules.
// Every size, tile and reference is checked: EFormatError on a short
// block, a tile outside its row or image, or a reference that is missing.
void DecodePixelBlock(const uint8_t* data, size_t size, const TBrioHeader& header, int32_t seed,
                      TDIBSurface& image, const TTileSourceLookup& lookup);
// Bytes the pixel block of `image` may take at most (the inflation limit).
int64_t MaxPixelBlockBytes(const TDIBSurface& image, const TBrioHeader& header);
// A zlib block whose rows lie as the image holds them (not tiled, not
// scrambled) inflates straight into the image, with the errors of inflating
// it and then DecodePixelBlock. Returns false, doing nothing, for any other
// layout.
bool InflatePixelBlockInPlace(const uint8_t* data, size_t size, const TBrioHeader& header, int32_t seed,
                              TDIBSurface& image);

// Pixel blocks as the writers make them.
std::vector<uint8_t> EncodeRows(const TDIBSurface& image, bool scrambled, int32_t seed);
std::vector<uint8_t> EncodeTiles(const TDIBSurface& image, const TBrioHeader& header,
                                 int32_t seed, const std::vector<TTileEntry>& table);
// Whether the tile rectangles (x, y, w, h) of two images hold the same bytes,
// as the tile copies move them.
bool SameTileBytes(const TDIBSurface& a, int32_t ax, int32_t ay, const TDIBSurface& b, int32_t bx,
                   int32_t by, int32_t w, int32_t h);

// int32 size and the bytes, deflated at level 1 when asked.
void WriteDataBlock(TStream& stream, const std::vector<uint8_t>& block, bool deflate);

}  // namespace opal

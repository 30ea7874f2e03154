#include "imagefiles/brio_blocks.h"

#include <algorithm>
#include <cstring>

#include "common/error.h"
#include "storage/stream.h"
#include "storage/zlib_codec.h"

namespace opal {

void TBrioHeader::Decode(const uint8_t* block, size_t length) {
  uint8_t b[kLength] = {};
  std::memcpy(b, block, std::min<size_t>(length, kLength));
  Version = static_cast<int32_t>(LoadLE32(b));
  Width = static_cast<int32_t>(LoadLE32(b + 4));
  Height = static_cast<int32_t>(LoadLE32(b + 8));
  BitCount = static_cast<int32_t>(LoadLE32(b + 12));
  FrameCount = static_cast<int32_t>(LoadLE32(b + 16));
  Marker = b[20];
  Scrambled = b[21] != 0;
  Mode = b[22];
  BackgroundColor = static_cast<int32_t>(LoadLE32(b + 24));
  TileWidth = static_cast<int32_t>(LoadLE32(b + 28));
  TileHeight = static_cast<int32_t>(LoadLE32(b + 32));
  OpaqueBottom = b[36] != 0;
  Quality = b[37];
}

void TBrioHeader::Encode(uint8_t (&b)[kLength]) const {
  std::memset(b, 0, kLength);
  StoreLE32(b, static_cast<uint32_t>(Version));
  StoreLE32(b + 4, static_cast<uint32_t>(Width));
  StoreLE32(b + 8, static_cast<uint32_t>(Height));
  StoreLE32(b + 12, static_cast<uint32_t>(BitCount));
  StoreLE32(b + 16, static_cast<uint32_t>(FrameCount));
  b[20] = Marker;
  b[21] = Scrambled ? 1 : 0;
  b[22] = static_cast<uint8_t>(Mode);
  StoreLE32(b + 24, static_cast<uint32_t>(BackgroundColor));
  StoreLE32(b + 28, static_cast<uint32_t>(TileWidth));
  StoreLE32(b + 32, static_cast<uint32_t>(TileHeight));
  b[36] = OpaqueBottom ? 1 : 0;
  b[37] = static_cast<uint8_t>(Quality);
}

std::vector<int32_t> TileSeedOrder(int32_t seed, int32_t n) {
  std::vector<int32_t> order(static_cast<size_t>(std::max(n, 0)));
  if (seed == 0) {
    for (int32_t i = 0; i < n; ++i) order[i] = i;
    return order;
  }
  // A Fenwick tree over the remaining numbers: the pool draw removes the
  // (state mod remaining)-th smallest of them.
  std::vector<int32_t> tree(static_cast<size_t>(n) + 1, 0);
  for (int32_t i = 1; i <= n; ++i) {
    tree[i] += 1;
    const int32_t parent = i + (i & -i);
    if (parent <= n) tree[parent] += tree[i];
  }
  int32_t top = 1;
  while (top * 2 <= n) top *= 2;
  uint32_t state = 0;
  const uint32_t step = static_cast<uint32_t>(seed);
  for (int32_t i = 0; i < n; ++i) {
    state = state * 5u + step;
    int32_t rank = static_cast<int32_t>(state % static_cast<uint32_t>(n - i));  // 0-based
    int32_t pos = 0;
    for (int32_t bit = top; bit > 0; bit >>= 1) {
      if (pos + bit <= n && tree[pos + bit] <= rank) {
        pos += bit;
        rank -= tree[pos];
      }
    }
    order[i] = pos;  // the element is pos + 1 in the tree, number pos
    for (int32_t j = pos + 1; j <= n; j += j & -j) tree[j] -= 1;
  }
  return order;
}

TTileGrid::TTileGrid(const TDIBSurface& image, int32_t tw, int32_t th)
    : Width(image.Width()),
      Height(image.Height()),
      StorageBits(TDIBSurface::StorageBits(image.BitCount())),
      TileWidth(tw),
      TileHeight(th),
      Across((int64_t{image.Width()} + tw - 1) / tw),
      Down((int64_t{image.Height()} + th - 1) / th) {}

int32_t TTileGrid::W(int64_t k) const { return std::min(TileWidth, Width - X(k)); }
int32_t TTileGrid::H(int64_t k) const { return std::min(TileHeight, Height - Y(k)); }

int64_t TTileGrid::MaxBlockBytes() const {
  return Count() * 8 + int64_t{Height} * Across * RowBytes(TileWidth);
}

int64_t MaxPixelBlockBytes(const TDIBSurface& image, const TBrioHeader& header) {
  if (header.Tiled()) return TTileGrid(image, header.TileWidth, header.TileHeight).MaxBlockBytes();
  return image.RowBytes() * image.Height();
}

namespace {

[[noreturn]] void Short(int64_t have, int64_t need) {
  throw EFormatError(Format("pixel block of %lld bytes, %lld expected", static_cast<long long>(have),
                            static_cast<long long>(need)));
}

void DecodeRows(const uint8_t* data, size_t size, bool scrambled, int32_t seed, TDIBSurface& image) {
  const int64_t rb = image.RowBytes();
  const int64_t need = rb * image.Height();
  if (static_cast<int64_t>(size) < need) Short(static_cast<int64_t>(size), need);
  if (need == 0) return;
  if (!scrambled || seed == 0) {
    std::memcpy(image.Bits().data(), data, static_cast<size_t>(need));
    return;
  }
  const std::vector<int32_t> order = TileSeedOrder(seed, image.Height());
  for (int32_t i = 0; i < image.Height(); ++i)
    std::memcpy(image.Row(order[i]), data + i * rb, static_cast<size_t>(rb));
}

// Copies the h rows of wb bytes of a tile, checking both rectangles.
void CopyTile(TDIBSurface& dst, int64_t dx, int32_t dy, const TDIBSurface& src, int64_t sx,
              int32_t sy, int64_t wb, int32_t h) {
  if (dx + wb > dst.RowBytes() || sx + wb > src.RowBytes() || int64_t{sy} + h > src.Height() ||
      int64_t{dy} + h > dst.Height() || sx < 0 || sy < 0)
    throw EFormatError("a tile copy reaches outside its picture");
  for (int32_t r = 0; r < h; ++r)
    std::memmove(dst.Row(dy + r) + dx, src.Row(sy + r) + sx, static_cast<size_t>(wb));
}

void DecodeTiles(const uint8_t* data, size_t size, const TBrioHeader& header, int32_t seed,
                 TDIBSurface& image, const TTileSourceLookup& lookup) {
  const TTileGrid grid(image, header.TileWidth, header.TileHeight);
  const int64_t n = grid.Count();
  if (n * 8 > static_cast<int64_t>(size)) Short(static_cast<int64_t>(size), n * 8);
  std::vector<TTileEntry> table(static_cast<size_t>(n));
  std::vector<int32_t> order;
  if (header.Scrambled) order = TileSeedOrder(seed, static_cast<int32_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    const TTileEntry e{static_cast<int32_t>(LoadLE32(data + 8 * i)),
                       static_cast<int32_t>(LoadLE32(data + 8 * i + 4))};
    table[order.empty() ? i : order[i]] = e;
  }
  int64_t pos = n * 8;
  const int64_t tileRow = grid.RowBytes(grid.TileWidth);
  for (int64_t k = 0; k < n; ++k) {
    const int32_t x = grid.X(k), y = grid.Y(k), w = grid.W(k), h = grid.H(k);
    const int64_t wb = grid.RowBytes(w);
    const int64_t dx = grid.ByteOffset(x);
    const TTileEntry& e = table[k];
    if (e.Kind == -1) {
      const int64_t offset = (k % grid.Across) * tileRow;
      if (offset + wb > image.RowBytes()) throw EFormatError(Format("tile %lld writes past its row", static_cast<long long>(k)));
      if (pos + wb * h > static_cast<int64_t>(size)) Short(static_cast<int64_t>(size), pos + wb * h);
      for (int32_t r = 0; r < h; ++r, pos += wb)
        std::memcpy(image.Row(y + r) + offset, data + pos, static_cast<size_t>(wb));
    } else if (e.Kind == -2) {
      if (e.Argument < 0 || e.Argument >= k)
        throw EFormatError(Format("tile %lld copies tile %d, which is not before it", static_cast<long long>(k), e.Argument));
      CopyTile(image, dx, y, image, grid.ByteOffset(grid.X(e.Argument)), grid.Y(e.Argument), wb, h);
    } else if (e.Kind >= 0) {
      const TDIBSurface* src = lookup ? lookup(e.Kind, e.Argument) : nullptr;
      if (src == nullptr)
        throw EFormatError(Format("tile %lld refers to layer %d of frame %d, which is not read", static_cast<long long>(k), e.Argument, e.Kind));
      if (src->BitCount() != image.BitCount())
        throw EFormatError(Format("tile %lld refers to a layer of another depth", static_cast<long long>(k)));
      CopyTile(image, dx, y, *src, dx, y, wb, h);
    } else {
      throw EFormatError(Format("tile %lld has the unknown kind %d", static_cast<long long>(k), e.Kind));
    }
  }
}

}  // namespace

void DecodePixelBlock(const uint8_t* data, size_t size, const TBrioHeader& header, int32_t seed,
                      TDIBSurface& image, const TTileSourceLookup& lookup) {
  if (header.Version <= 102) return DecodeRows(data, size, false, seed, image);
  if (header.Tiled()) return DecodeTiles(data, size, header, seed, image, lookup);
  DecodeRows(data, size, header.RowsScrambled(), seed, image);
}

bool InflatePixelBlockInPlace(const uint8_t* data, size_t size, const TBrioHeader& header, int32_t seed,
                              TDIBSurface& image) {
  const bool rows = header.Version <= 102 || (!header.Tiled() && (!header.RowsScrambled() || seed == 0));
  const int64_t need = image.RowBytes() * image.Height();
  if (!rows || need <= 0 || need > kMaxInflatedSize) return false;
  if (static_cast<int64_t>(image.Bits().size()) < need) return false;
  const size_t got = InflateInto(data, size, image.Bits().data(), static_cast<size_t>(need));
  if (static_cast<int64_t>(got) < need) Short(static_cast<int64_t>(got), need);
  return true;
}

std::vector<uint8_t> EncodeRows(const TDIBSurface& image, bool scrambled, int32_t seed) {
  const int64_t rb = image.RowBytes();
  std::vector<uint8_t> out(static_cast<size_t>(rb * image.Height()));
  if (!scrambled || seed == 0) {
    if (!out.empty()) std::memcpy(out.data(), image.Bits().data(), out.size());
    return out;
  }
  const std::vector<int32_t> order = TileSeedOrder(seed, image.Height());
  for (int32_t i = 0; i < image.Height(); ++i)
    std::memcpy(out.data() + i * rb, image.Row(order[i]), static_cast<size_t>(rb));
  return out;
}

std::vector<uint8_t> EncodeTiles(const TDIBSurface& image, const TBrioHeader& header,
                                 int32_t seed, const std::vector<TTileEntry>& table) {
  const TTileGrid grid(image, header.TileWidth, header.TileHeight);
  const int64_t n = grid.Count();
  if (static_cast<int64_t>(table.size()) != n) throw EFormatError("tile table does not match the picture");
  std::vector<uint8_t> out(static_cast<size_t>(n * 8));
  std::vector<int32_t> order;
  if (header.Scrambled) order = TileSeedOrder(seed, static_cast<int32_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    const TTileEntry& e = table[order.empty() ? i : order[i]];
    StoreLE32(out.data() + 8 * i, static_cast<uint32_t>(e.Kind));
    StoreLE32(out.data() + 8 * i + 4, static_cast<uint32_t>(e.Argument));
  }
  const int64_t tileRow = grid.RowBytes(grid.TileWidth);
  for (int64_t k = 0; k < n; ++k) {
    if (table[k].Kind != -1) continue;
    const int64_t wb = grid.RowBytes(grid.W(k));
    const int64_t offset = (k % grid.Across) * tileRow;
    if (offset + wb > image.RowBytes()) throw EFormatError("tile width does not fit the rows (use a width of whole bytes)");
    for (int32_t r = 0; r < grid.H(k); ++r) {
      const uint8_t* p = image.Row(grid.Y(k) + r) + offset;
      out.insert(out.end(), p, p + wb);
    }
  }
  return out;
}

bool SameTileBytes(const TDIBSurface& a, int32_t ax, int32_t ay, const TDIBSurface& b, int32_t bx,
                   int32_t by, int32_t w, int32_t h) {
  if (a.BitCount() != b.BitCount()) return false;
  const int64_t sb = TDIBSurface::StorageBits(a.BitCount());
  const int64_t wb = (int64_t{w} * sb + 7) / 8;
  const int64_t ao = int64_t{ax} * sb / 8, bo = int64_t{bx} * sb / 8;
  if (ao + wb > a.RowBytes() || bo + wb > b.RowBytes() || ay + h > a.Height() || by + h > b.Height())
    return false;
  for (int32_t r = 0; r < h; ++r)
    if (std::memcmp(a.Row(ay + r) + ao, b.Row(by + r) + bo, static_cast<size_t>(wb)) != 0) return false;
  return true;
}

void WriteDataBlock(TStream& stream, const std::vector<uint8_t>& block, bool deflate) {
  if (deflate) {
    const std::vector<uint8_t> packed = Deflate(block.data(), block.size());
    WriteInt32(stream, static_cast<int32_t>(packed.size()));
    stream.WriteBuffer(packed.data(), static_cast<int64_t>(packed.size()));
    return;
  }
  if (block.size() > 0x7FFFFFFFu) throw EFormatError("data block too large");
  WriteInt32(stream, static_cast<int32_t>(block.size()));
  stream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
}

}  // namespace opal

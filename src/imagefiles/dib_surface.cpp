#include "imagefiles/dib_surface.h"

#include <cstring>

#include "common/error.h"

namespace opal {

TDIBSurface::TDIBSurface(const TDIBSurface& other)
    : ColorTable(other.ColorTable),
      AlphaPlane(other.AlphaPlane ? std::make_unique<TDIBSurface>(*other.AlphaPlane) : nullptr),
      Width_(other.Width_),
      Height_(other.Height_),
      BitCount_(other.BitCount_),
      RowBytes_(other.RowBytes_),
      Bits_(other.Bits_) {}

TDIBSurface& TDIBSurface::operator=(const TDIBSurface& other) {
  if (this != &other) {
    TDIBSurface copy(other);
    *this = std::move(copy);
  }
  return *this;
}

bool TDIBSurface::ValidBitCount(int32_t bits) {
  switch (bits) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32:
      return true;
    default:
      return false;
  }
}

int64_t TDIBSurface::RowBytesFor(int32_t width, int32_t bits) {
  return ((int64_t{width} * StorageBits(bits) + 31) / 32) * 4;
}

void TDIBSurface::SetSize(int32_t width, int32_t height, int32_t bits) {
  if (!ValidBitCount(bits)) throw EFormatError(Format("Unsupported bit count %d", bits));
  if (width < 0 || height < 0 || width > kMaxSide || height > kMaxSide)
    throw EFormatError(Format("Invalid picture size %d x %d", width, height));
  const int64_t rowBytes = RowBytesFor(width, bits);
  if (rowBytes * height > kMaxBytes)
    throw EFormatError(Format("Picture too large: %d x %d x %d", width, height, bits));
  Width_ = width;
  Height_ = height;
  BitCount_ = bits;
  RowBytes_ = rowBytes;
  Bits_.assign(static_cast<size_t>(rowBytes * height), 0);
  AlphaPlane.reset();
}

uint32_t TDIBSurface::GetPixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return 0;
  const uint8_t* row = Row(y);
  switch (BitCount_) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4: return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    case 8: return row[x];
    case 15: case 16: return row[2 * x] | (row[2 * x + 1] << 8);
    case 24: return row[3 * x] | (row[3 * x + 1] << 8) | (uint32_t{row[3 * x + 2]} << 16);
    case 32: {
      uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
    default: return 0;
  }
}

void TDIBSurface::SetPixel(int32_t x, int32_t y, uint32_t v) {
  if (x < 0 || y < 0 || x >= Width_ || y >= Height_) return;
  uint8_t* row = Row(y);
  switch (BitCount_) {
    case 1: {
      const uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
      row[x >> 3] = (v & 1) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit);
      break;
    }
    case 4:
      if (x & 1) row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0xF0) | (v & 0x0F));
      else row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
      break;
    case 8: row[x] = static_cast<uint8_t>(v); break;
    case 15: case 16:
      row[2 * x] = static_cast<uint8_t>(v);
      row[2 * x + 1] = static_cast<uint8_t>(v >> 8);
      break;
    case 24:
      row[3 * x] = static_cast<uint8_t>(v);
      row[3 * x + 1] = static_cast<uint8_t>(v >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(v >> 16);
      break;
    case 32: std::memcpy(row + 4 * x, &v, 4); break;
    default: break;
  }
}

void TDIBSurface::Fill(uint32_t value) {
  if (Empty()) return;
  for (int32_t x = 0; x < Width_; ++x) SetPixel(x, 0, value);
  for (int32_t y = 1; y < Height_; ++y) std::memcpy(Row(y), Row(0), static_cast<size_t>(RowBytes_));
}

TDIBSurface TDIBSurface::Cropped(int32_t left, int32_t top, int32_t width, int32_t height) const {
  TDIBSurface out;
  out.SetSize(width, height, BitCount_);
  out.ColorTable = ColorTable;
  if (BitCount_ >= 8) {
    const size_t bpp = static_cast<size_t>(StorageBits(BitCount_) / 8);
    for (int32_t y = 0; y < height; ++y)
      std::memcpy(out.Row(y), Row(top + y) + left * bpp, width * bpp);
  } else {
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) out.SetPixel(x, y, GetPixel(left + x, top + y));
  }
  if (AlphaPlane) out.AlphaPlane = std::make_unique<TDIBSurface>(AlphaPlane->Cropped(left, top, width, height));
  return out;
}

namespace {
// Widens an n-bit channel to 8 bits by repeating its high bits.
uint32_t Widen(uint32_t c, int bits) {
  c <<= (8 - bits);
  return c | (c >> bits);
}
int32_t Bgr(uint32_t r, uint32_t g, uint32_t b) {
  return static_cast<int32_t>(r | (g << 8) | (b << 16));
}
}  // namespace

int32_t TDIBSurface::ValueToColor(uint32_t v) const {
  switch (BitCount_) {
    case 1: case 4: case 8: {
      const TRGBQuad& q = ColorTable[v & 0xFF];
      return Bgr(q.Red, q.Green, q.Blue);
    }
    case 15: return Bgr(Widen((v >> 10) & 31, 5), Widen((v >> 5) & 31, 5), Widen(v & 31, 5));
    case 16: return Bgr(Widen((v >> 11) & 31, 5), Widen((v >> 5) & 63, 6), Widen(v & 31, 5));
    default: return Bgr((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }
}

uint32_t TDIBSurface::ColorToValue(int32_t colour) const {
  const uint32_t r = colour & 0xFF, g = (colour >> 8) & 0xFF, b = (colour >> 16) & 0xFF;
  switch (BitCount_) {
    case 1: case 4: case 8: {
      const int n = 1 << BitCount_;
      uint32_t best = 0;
      int64_t bestDist = INT64_MAX;
      for (int i = 0; i < n; ++i) {
        const TRGBQuad& q = ColorTable[i];
        const int64_t dr = int64_t{q.Red} - r, dg = int64_t{q.Green} - g, db = int64_t{q.Blue} - b;
        const int64_t d = dr * dr + dg * dg + db * db;
        if (d < bestDist) bestDist = d, best = static_cast<uint32_t>(i);
      }
      return best;
    }
    case 15: return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case 16: return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default: return (r << 16) | (g << 8) | b;
  }
}

}  // namespace opal

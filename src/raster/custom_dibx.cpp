// TCustomDIBX: pixel access, clipping, colour conversion and Assign.
#include "raster/custom_dibx.h"

#include <algorithm>
#include <cstring>

#include "raster/blit.h"

namespace opal {
using namespace raster_internal;

namespace {

// Bit position of pixel x inside its byte for the sub-byte depths (the
// leftmost pixel in the most significant bits).
int SubByteShift(int64_t x, int32_t bits) { return 8 - bits - static_cast<int>((x * bits) % 8); }

bool Inside(const TCustomDIBX& b, int32_t x, int32_t y) {
  return x >= 0 && y >= 0 && x < b.Width() && y < b.Height();
}

}  // namespace

uint32_t TCustomDIBX::GetPixel(int32_t x, int32_t y) {
  if (!Inside(*this, x, y)) return 0;
  const TPixelAccess a(this);
  if (!a.Ok()) return 0;
  if (a.Bits() < 8) {
    const uint8_t byte = a.Row(y)[x * a.Bits() / 8];
    return (byte >> SubByteShift(x, a.Bits())) & ((1u << a.Bits()) - 1);
  }
  return LoadPixel(a.At(x, y), BytesPerPixel());
}

void TCustomDIBX::SetPixel(int32_t x, int32_t y, uint32_t value) {
  if (!Inside(*this, x, y)) return;
  const TPixelAccess a(this);
  if (!a.Ok()) return;
  if (a.Bits() < 8) {
    uint8_t& byte = a.Row(y)[x * a.Bits() / 8];
    const int shift = SubByteShift(x, a.Bits());
    const uint32_t max = (1u << a.Bits()) - 1;
    byte = static_cast<uint8_t>((byte & ~(max << shift)) | ((value & max) << shift));
    return;
  }
  StorePixel(a.At(x, y), BytesPerPixel(), value);
}

void TCustomDIBX::SetRow(int32_t y, const uint32_t* values, int32_t count) {
  if (count <= 0 || !Inside(*this, 0, y)) return;
  const TPixelAccess a(this);
  if (!a.Ok()) return;
  const int32_t n = std::min(count, a.Width());
  uint8_t* row = a.Row(y);
  if (a.Bits() < 8) {
    const uint32_t max = (1u << a.Bits()) - 1;
    for (int32_t x = 0; x < n; ++x) {
      uint8_t& byte = row[x * a.Bits() / 8];
      const int shift = SubByteShift(x, a.Bits());
      byte = static_cast<uint8_t>((byte & ~(max << shift)) | ((values[x] & max) << shift));
    }
    return;
  }
  const int32_t bytes = BytesPerPixel();
  for (int32_t x = 0; x < n; ++x) StorePixel(row + static_cast<int64_t>(x) * bytes, bytes, values[x]);
}

void TCustomDIBX::AddClipRect(const TRect& rect) {
  const TRect r = Intersect(rect, BoundsRect());
  if (r.IsEmpty()) return;
  ClipRect = ClipRect.Right == 0 ? r : BoundingBox(ClipRect, r);
}

TRect TCustomDIBX::EffectiveClip() const {
  if (ClipRect.Right == 0) return BoundsRect();
  return Intersect(ClipRect, BoundsRect());
}

int32_t TCustomDIBX::ColorToPixel(int32_t colour) const {
  if (colour < 0) return -1;
  const int32_t bits = BitCount();
  if (bits != 15 && bits != 16 && bits != 32) return colour;
  const TPixelFormat* f = FormatOf(bits);
  const uint32_t c = static_cast<uint32_t>(colour);
  const uint32_t rgb[3] = {(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF};  // blue, green, red
  uint32_t pixel = 0;
  for (int ch = 0; ch < 3; ++ch) pixel |= (rgb[ch] >> (8 - f->Width[ch])) << f->Shift[ch];
  return static_cast<int32_t>(pixel);
}

void TCustomDIBX::Assign(TCustomDIBX* src) {
  if (src == nullptr || src == this) return;
  if (src->BitCount() == BitCount() && src->Width() == Width() && src->Height() == Height() &&
      src->RowStep() == RowStep()) {
    const TPixelAccess d(this);
    const TPixelAccess s(src);
    if (!d.Ok() || !s.Ok()) return;
    const int64_t step = RowStep();
    const int64_t lowest = step < 0 ? Height() - 1 : 0;
    std::memcpy(d.Row(lowest), s.Row(lowest), static_cast<size_t>((step < 0 ? -step : step) * Height()));
    return;
  }
  Draw(0, 0, false, false, false, src->BoundsRect(), src);
}

void TCustomDIBX::GetPaletteEntries(TRGBQuad* out, int32_t first, int32_t count) const {
  if (out == nullptr) return;
  for (int32_t i = 0; i < count; ++i) out[i] = TRGBQuad{};
  (void)first;
}

}  // namespace opal

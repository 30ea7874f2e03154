// Pixel-buffer operations with fuzzer-chosen buffers and arguments: every
// depth as destination, source and mask, any rectangles, clips, flips, zooms,
// steps, factors, angles and scales. The sanitizers watch every access (the
// buffers hold exactly their bytes in these builds); the target itself checks
// that no pixel outside the destination's clip changed.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "raster/dibx.h"
#include "raster/simd_dispatch.h"

namespace {

using namespace opal;

class TReader {
 public:
  TReader(const uint8_t* data, size_t size) : P_(data), End_(data + size) {}
  uint8_t Byte() { return P_ < End_ ? *P_++ : 0; }
  int32_t Int() {
    // One byte picks small values near the buffers most of the time; the
    // others read four bytes.
    const uint8_t kind = Byte();
    if (kind < 200) return static_cast<int32_t>(kind) - 40;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | Byte();
    return static_cast<int32_t>(v);
  }
  bool Flag() { return Byte() & 1; }
  TRect Rect() { return {Int(), Int(), Int(), Int()}; }

 private:
  const uint8_t* P_;
  const uint8_t* End_;
};

int32_t Depth(TReader& r) {
  static constexpr int32_t kDepths[] = {1, 4, 8, 15, 16, 24, 32};
  return kDepths[r.Byte() % 7];
}

std::unique_ptr<TDIBX> Buffer(TReader& r) {
  auto b = std::make_unique<TDIBX>();
  b->SetSize(1 + r.Byte() % 40, 1 + r.Byte() % 12, Depth(r));
  b->Clear(static_cast<uint32_t>(r.Int()));
  for (int i = r.Byte() % 8; i > 0; --i) b->SetPixel(r.Byte() % 40, r.Byte() % 12, static_cast<uint32_t>(r.Int()));
  return b;
}

std::vector<uint32_t> Snapshot(TDIBX& b) {
  std::vector<uint32_t> out;
  for (int32_t y = 0; y < b.Height(); ++y)
    for (int32_t x = 0; x < b.Width(); ++x) out.push_back(b.GetPixel(x, y));
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TReader r(data, size);
  TSimdDispatch::Instance().Force(static_cast<TSimdLevel>(r.Byte() % 3));
  auto dst = Buffer(r);
  auto src = Buffer(r);
  auto mask = Buffer(r);
  src->TransparentColor = r.Int();
  if (r.Flag()) dst->SetClipRect(r.Rect());
  static const std::vector<uint32_t> table(256, 0x00FF00FF);
  const TRect clip = dst->EffectiveClip();
  const std::vector<uint32_t> before = Snapshot(*dst);

  for (int steps = 0; steps < 4; ++steps) {
    const uint8_t op = r.Byte();
    const TRect sr = r.Flag() ? src->BoundsRect() : r.Rect();
    const TRect rc = r.Rect();
    const int32_t a = r.Int(), b = r.Int(), c = r.Int(), d = r.Int(), e = r.Int(), f = r.Int(),
                  g = r.Int();
    const bool v = r.Flag(), h = r.Flag(), k = r.Flag();
    const uint32_t px = static_cast<uint32_t>(r.Int());
    TDIBX* s = src.get();
    TDIBX* m = mask.get();
    switch (op % 36) {
      case 0: dst->FillRect(rc, px); break;
      case 1: dst->FillRectAlpha(rc, px, a); break;
      case 2: dst->FillRectAdd(rc, px); break;
      case 3: dst->FillRectSub(rc, px); break;
      case 4: dst->FrameRect(rc, a, px); break;
      case 5: dst->FrameRectAlpha(rc, a, px, b); break;
      case 6: dst->FrameRectAdd(rc, a, px); break;
      case 7: dst->Draw(a, b, v, h, k, sr, s); break;
      case 8: dst->DrawMask(a, b, m, v, h, sr, s); break;
      case 9: dst->DrawAlpha(a, b, c, v, h, k, sr, s); break;
      case 10: dst->DrawAlphaMask(a, b, c, m, v, h, sr, s); break;
      case 11: dst->DrawAdd(a, b, c, v, h, k, sr, s); break;
      case 12: dst->DrawAddMask(a, b, c, m, v, h, sr, s); break;
      case 13: dst->DrawRotate(a, b, c, v, h, k, d, e, f, sr, s, g, c); break;
      case 14: dst->DrawRotateMask(a, b, c, v, h, m, d, e, f, sr, s, g, d); break;
      case 15: dst->StretchDraw(rc, s, a, v, h, k, sr); break;
      case 16: dst->StretchDrawMask(rc, s, a, m, v, h, sr); break;
      case 17: dst->StretchDrawAdd(rc, s, a, v, h, k, sr); break;
      case 18: dst->StretchDrawAddMask(rc, s, a, m, v, h, sr); break;
      case 19: dst->DrawMonoReduced(a, b, c, d, v, h, px, sr, s); break;
      case 20: dst->DrawLevelsReduced(a, b, c, d, v, h, {px, ~px, 0xFFFFFFFFu}, sr, s); break;
      case 21: dst->TileDraw(rc, a, b, c, k, sr, s, d); break;
      case 22: dst->TileDrawAlpha(rc, a, b, c, e, k, sr, s, d); break;
      case 23: dst->TileDrawAdd(rc, a, b, c, e, k, sr, s, d); break;
      case 24: dst->TileDrawMask(rc, a, b, c, m, sr, s, d); break;
      case 25: dst->TileDrawAlphaMask(rc, a, b, c, e, m, sr, s, d); break;
      case 26: dst->TileDrawAddMask(rc, a, b, c, e, m, sr, s, d); break;
      case 27: dst->TileStretchDraw(rc, a, b, c, e, k, sr, s, f, g, d); break;
      case 28: dst->TileStretchDrawMask(rc, a, b, c, e, m, sr, s, f, g, d); break;
      case 29: dst->FrameTile(rc, a, b, c, s); break;
      case 30: dst->DrawIndexed4(a, b, table.data(), c, v, h, sr, s); break;
      case 31: dst->DrawIndexedAdd(a, b, table.data(), c, v, h, sr, s); break;
      case 32: dst->StretchDrawIndexed(rc, s, table.data(), a, v, h, sr); break;
      case 33: dst->ZoomTile(rc, a, b, v, h, c, d, s, e); break;
      case 34: dst->ZoomTileMask(rc, a, b, v, h, c, d, s, e, m); break;
      default: dst->FillMask(a, b, c, px, v, h, sr, m); break;
    }
  }
  const std::vector<uint32_t> after = Snapshot(*dst);
  for (int32_t y = 0; y < dst->Height(); ++y) {
    for (int32_t x = 0; x < dst->Width(); ++x) {
      const bool inside = x >= clip.Left && x < clip.Right && y >= clip.Top && y < clip.Bottom;
      const size_t i = static_cast<size_t>(y) * dst->Width() + x;
      if (!inside && before[i] != after[i]) std::abort();
    }
  }
  return 0;
}

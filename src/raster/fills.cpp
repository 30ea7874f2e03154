// Fills and frames.
#include <cstring>

#include "raster/blit.h"
#include "raster/custom_dibx.h"

namespace opal {
using namespace raster_internal;

namespace {

void FillPlain(TCustomDIBX& self, const TRect& rect, uint32_t pixel) {
  const TRect r = Intersect(rect, self.EffectiveClip());
  if (r.IsEmpty()) return;
  const TPixelAccess a(&self);
  if (!a.Ok()) return;
  if (a.Bits() < 8) {
    for (int32_t y = r.Top; y < r.Bottom; ++y)
      for (int32_t x = r.Left; x < r.Right; ++x) self.SetPixel(x, y, pixel);
    return;
  }
  const int32_t bytes = self.BytesPerPixel();
  const size_t rowBytes = static_cast<size_t>(r.Right - r.Left) * bytes;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    uint8_t* p = a.At(r.Left, y);
    if (bytes == 1) {
      std::memset(p, static_cast<int>(pixel & 0xFF), rowBytes);
      continue;
    }
    // One pixel, then the row doubles itself.
    StorePixel(p, bytes, pixel);
    for (size_t done = bytes; done < rowBytes;) {
      const size_t n = std::min(done, rowBytes - done);
      std::memcpy(p + done, p, n);
      done += n;
    }
  }
}

void FillBlend(TCustomDIBX& self, const TRect& rect, uint32_t pixel, TRowOp op, uint32_t amount) {
  const TRect r = Intersect(rect, self.EffectiveClip());
  if (r.IsEmpty()) return;
  const TPixelAccess a(&self);
  if (!a.Ok() || a.Format() == nullptr) return;
  TRowJob job;
  job.Amount = amount;
  job.Color = pixel;
  job.Count = r.Right - r.Left;
  job.DstFormat = job.SrcFormat = a.Format();
  const TRowKernel kernel = SelectKernel(op, *a.Format(), *a.Format());
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    job.Dst = a.At(r.Left, y);
    kernel(job);
  }
}

// The four strips of a frame of thickness t inside rect.
template <class F>
void Frame(const TRect& rect, int32_t thickness, F fill) {
  const int64_t l = rect.Left, t = rect.Top, r = rect.Right, b = rect.Bottom, th = thickness;
  fill(Rect32(l, t, r, t + th));
  fill(Rect32(l, b - th, r, b));
  const int64_t h = b - t - 2 * th;
  if (h > 0) {
    fill(Rect32(l, t + th, l + th, t + th + h));
    fill(Rect32(r - th, t + th, r, t + th + h));
  }
}

}  // namespace

void TCustomDIBX::Clear(uint32_t pixel) {
  // The whole buffer whatever the clip.
  const TRect saved = ClipRect;
  ResetClip();
  FillPlain(*this, BoundsRect(), pixel);
  ClipRect = saved;
}

void TCustomDIBX::FillRect(const TRect& rect, uint32_t pixel) { FillPlain(*this, rect, pixel); }

void TCustomDIBX::FillRectAlpha(const TRect& rect, uint32_t pixel, int32_t opacity) {
  if (opacity <= 0) return;
  FillBlend(*this, rect, pixel, TRowOp::FillAlpha, static_cast<uint32_t>(std::min(opacity, 255)));
}

void TCustomDIBX::FillRectAdd(const TRect& rect, uint32_t pixel) {
  FillBlend(*this, rect, pixel, TRowOp::FillAdd, 0);
}

void TCustomDIBX::FillRectSub(const TRect& rect, uint32_t pixel) {
  FillBlend(*this, rect, pixel, TRowOp::FillSub, 0);
}

void TCustomDIBX::FrameRect(const TRect& rect, int32_t thickness, uint32_t pixel) {
  Frame(rect, thickness, [&](const TRect& r) { FillRect(r, pixel); });
}

void TCustomDIBX::FrameRectAlpha(const TRect& rect, int32_t thickness, uint32_t pixel,
                                 int32_t opacity) {
  if (opacity <= 0) return;
  Frame(rect, thickness, [&](const TRect& r) { FillRectAlpha(r, pixel, opacity); });
}

void TCustomDIBX::FrameRectAdd(const TRect& rect, int32_t thickness, uint32_t pixel) {
  Frame(rect, thickness, [&](const TRect& r) { FillRectAdd(r, pixel); });
}

void TCustomDIBX::FrameTile(const TRect& rect, int32_t thickness, int32_t offsetY,
                            int32_t offsetX, TCustomDIBX* src) {
  Frame(rect, thickness,
        [&](const TRect& r) { TileFill(r, src, false, false, offsetY, offsetX); });
}

}  // namespace opal

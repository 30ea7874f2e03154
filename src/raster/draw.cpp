// The unscaled Draw family and FillMask.
#include <cstring>

#include "raster/blit.h"
#include "raster/custom_dibx.h"

namespace opal {
using namespace raster_internal;

namespace {

// A plain copy of whole rows between buffers of one format and row step is
// one block copy, the rows' padding included (it holds no pixels). The
// bytes are those the row-by-row copy would write.
bool CopyBlock(const TPixelAccess& d, const TPixelAccess& s, const TBlit& b) {
  if (b.DirX < 0 || b.DirY < 0 || d.Format() != s.Format() || d.Step() != s.Step() ||
      b.Dst.Left != 0 || b.SrcX != 0 || b.Dst.Width() != d.Width() || d.Width() != s.Width()) {
    return false;
  }
  const int64_t rows = b.Dst.Height(), step = d.Step();
  const int64_t last = rows - 1;
  uint8_t* dst = step < 0 ? d.Row(b.Dst.Top + last) : d.Row(b.Dst.Top);
  const uint8_t* src = step < 0 ? s.Row(b.SrcY + last) : s.Row(b.SrcY);
  const int64_t stride = step < 0 ? -step : step;
  std::memmove(dst, src, static_cast<size_t>(stride * last + d.Width() * d.Format()->Bytes));
  return true;
}

// One unscaled image drawing: clip, choose the kernel, run it row by row.
void DrawImage(TCustomDIBX& self, int32_t x, int32_t y, TCustomDIBX* src, TCustomDIBX* mask,
               bool flipV, bool flipH, const TRect& srcRect, TRowOp op, uint32_t amount,
               bool useKey) {
  const TRect clip = self.EffectiveClip();
  if (clip.IsEmpty() || src == nullptr) return;
  const TImageOperands ops(&self, src, mask);
  if (!ops.Ok()) return;
  const TPixelAccess& d = ops.d;
  const TPixelAccess& s = ops.s;
  const TPixelAccess* mp = ops.Mask();

  const TRect64 limit = SourceLimit(s, mp);
  TBlit b;
  if (!ClipBlit(clip, x, y, TRect64(srcRect), &limit, flipV, flipH, 1, b)) return;
  TRowJob job;
  job.Amount = amount;
  job.UseKey = useKey && HasKey(*src);
  job.Key = KeyOf(*src);
  job.DstFormat = d.Format();
  job.SrcFormat = s.Format();
  const bool plain = op == TRowOp::Copy || (op == TRowOp::CopyKey && !job.UseKey);
  if (plain && mp == nullptr && CopyBlock(d, s, b)) return;
  RunBlit(d, s, mp, b, SelectKernel(op, *d.Format(), *s.Format()), job);
}

}  // namespace

void TCustomDIBX::Draw(int32_t x, int32_t y, bool flipV, bool flipH, bool useKey,
                       const TRect& srcRect, TCustomDIBX* src) {
  DrawImage(*this, x, y, src, nullptr, flipV, flipH, srcRect, useKey ? TRowOp::CopyKey : TRowOp::Copy,
            255, useKey);
}

void TCustomDIBX::DrawMask(int32_t x, int32_t y, TCustomDIBX* mask, bool flipV, bool flipH,
                           const TRect& srcRect, TCustomDIBX* src) {
  if (mask == nullptr) return;
  DrawImage(*this, x, y, src, mask, flipV, flipH, srcRect, TRowOp::Mask, 255, false);
}

void TCustomDIBX::DrawAlpha(int32_t x, int32_t y, int32_t opacity, bool flipV, bool flipH,
                            bool useKey, const TRect& srcRect, TCustomDIBX* src) {
  if (opacity <= 0) return;
  if (opacity >= 255) return Draw(x, y, flipV, flipH, useKey, srcRect, src);
  DrawImage(*this, x, y, src, nullptr, flipV, flipH, srcRect, TRowOp::Alpha,
            static_cast<uint32_t>(opacity), useKey);
}

void TCustomDIBX::DrawAlphaMask(int32_t x, int32_t y, int32_t opacity, TCustomDIBX* mask,
                                bool flipV, bool flipH, const TRect& srcRect, TCustomDIBX* src) {
  if (opacity <= 0 || mask == nullptr) return;
  DrawImage(*this, x, y, src, mask, flipV, flipH, srcRect, TRowOp::AlphaMask,
            static_cast<uint32_t>(std::min(opacity, 255)), false);
}

void TCustomDIBX::DrawAdd(int32_t x, int32_t y, int32_t amount, bool flipV, bool flipH,
                          bool useKey, const TRect& srcRect, TCustomDIBX* src) {
  (void)useKey;
  if (amount <= 0) return;
  DrawImage(*this, x, y, src, nullptr, flipV, flipH, srcRect, TRowOp::Add,
            static_cast<uint32_t>(std::min(amount, 255)), true);
}

void TCustomDIBX::DrawAddMask(int32_t x, int32_t y, int32_t amount, TCustomDIBX* mask,
                              bool flipV, bool flipH, const TRect& srcRect, TCustomDIBX* src) {
  if (amount <= 0 || mask == nullptr) return;
  DrawImage(*this, x, y, src, mask, flipV, flipH, srcRect, TRowOp::AddMask,
            static_cast<uint32_t>(std::min(amount, 255)), false);
}

void TCustomDIBX::FillMask(int32_t x, int32_t y, int32_t opacity, uint32_t pixel, bool flipV,
                           bool flipH, const TRect& srcRect, TCustomDIBX* mask) {
  if (opacity <= 0 || mask == nullptr) return;
  const TRect clip = EffectiveClip();
  if (clip.IsEmpty()) return;
  const TPixelAccess d(this);
  if (!d.Ok() || d.Format() == nullptr) return;
  const TPixelAccess m(mask);
  if (!IsMask(m)) return;
  TBlit b;
  if (!ClipBlit(clip, x, y, TRect64(srcRect), nullptr, flipV, flipH, 1, b)) return;
  // The coverage rectangle actually read must lie inside the mask.
  const int64_t x0 = b.SrcX, x1 = b.SrcX + (b.Dst.Width() - 1) * b.DirX;
  const int64_t y0 = b.SrcY, y1 = b.SrcY + (b.Dst.Height() - 1) * b.DirY;
  if (std::min(x0, x1) < 0 || std::max(x0, x1) >= m.Width() || std::min(y0, y1) < 0 ||
      std::max(y0, y1) >= m.Height()) {
    return;
  }
  TRowJob job;
  job.Amount = static_cast<uint32_t>(std::min(opacity, 255));
  job.Color = pixel;
  job.DstFormat = job.SrcFormat = d.Format();
  const TRowKernel kernel = SelectKernel(TRowOp::FillMask, *d.Format(), *d.Format());
  job.Count = static_cast<int32_t>(b.Dst.Width());
  job.Dir = b.DirX;
  for (int64_t r = 0; r < b.Dst.Height(); ++r) {
    job.Dst = d.At(b.Dst.Left, b.Dst.Top + r);
    job.Mask = m.At(b.SrcX, b.SrcY + r * b.DirY);
    kernel(job);
  }
}

}  // namespace opal

#include "raster/blit.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace opal::raster_internal {

TPixelAccess::TPixelAccess(TCustomDIBX* buffer) : Buffer_(buffer) {
  if (buffer == nullptr || buffer->Empty()) return;
  Origin_ = buffer->PixelAddress(0, 0);
  if (Origin_ == nullptr) return;
  Step_ = buffer->RowStep();
  Bits_ = buffer->BitCount();
  Bytes_ = buffer->BytesPerPixel();
  Width_ = buffer->Width();
  Height_ = buffer->Height();
  Format_ = FormatOf(Bits_);
}

TPixelAccess::~TPixelAccess() {
  if (Origin_ != nullptr) Buffer_->Unlock();
}

bool ClipBlit(const TRect& clip, int64_t x, int64_t y, TRect64 src, const TRect64* limit,
              bool flipV, bool flipH, int64_t factor, TBlit& out) {
  if (factor <= 0) return false;
  if (limit != nullptr) {
    const TRect64 cut = Intersect(src, *limit);
    if (cut.IsEmpty()) return false;
    // Whole blocks of the factor only, so the block grid stays where it was.
    const auto blocks = [factor](int64_t n) { return (n + factor - 1) / factor; };
    if (flipH) {
      x += blocks(src.Right - cut.Right);
      src.Right -= blocks(src.Right - cut.Right) * factor;
      src.Left = std::max(src.Left, cut.Left);
    } else {
      x += blocks(cut.Left - src.Left);
      src.Left += blocks(cut.Left - src.Left) * factor;
      src.Right = std::min(src.Right, cut.Right);
    }
    if (flipV) {
      y += blocks(src.Bottom - cut.Bottom);
      src.Bottom -= blocks(src.Bottom - cut.Bottom) * factor;
      src.Top = std::max(src.Top, cut.Top);
    } else {
      y += blocks(cut.Top - src.Top);
      src.Top += blocks(cut.Top - src.Top) * factor;
      src.Bottom = std::min(src.Bottom, cut.Bottom);
    }
  }
  if (src.IsEmpty()) return false;
  const int64_t w = src.Width() / factor, h = src.Height() / factor;
  const TRect64 whole(x, y, x + w, y + h);
  const TRect64 dst = Intersect(whole, TRect64(clip));
  if (dst.IsEmpty()) return false;
  const int64_t cutL = (dst.Left - whole.Left) * factor, cutR = (whole.Right - dst.Right) * factor;
  const int64_t cutT = (dst.Top - whole.Top) * factor, cutB = (whole.Bottom - dst.Bottom) * factor;
  // Only the used part of the source matters: w·factor columns from the
  // walked edge.
  if (flipH) {
    src.Right -= cutL;
    src.Left = src.Right - dst.Width() * factor;
  } else {
    src.Left += cutL;
    src.Right = src.Left + dst.Width() * factor;
  }
  if (flipV) {
    src.Bottom -= cutT;
    src.Top = src.Bottom - dst.Height() * factor;
  } else {
    src.Top += cutT;
    src.Bottom = src.Top + dst.Height() * factor;
  }
  (void)cutR, (void)cutB;
  out.Dst = dst;
  out.DirX = flipH ? -1 : 1;
  out.DirY = flipV ? -1 : 1;
  out.SrcX = flipH ? src.Right - 1 : src.Left;
  out.SrcY = flipV ? src.Bottom - 1 : src.Top;
  return true;
}

TRect64 SourceLimit(const TPixelAccess& src, const TPixelAccess* mask) {
  TRect64 r(0, 0, src.Width(), src.Height());
  if (mask != nullptr) r = Intersect(r, TRect64(0, 0, mask->Width(), mask->Height()));
  return r;
}

void RunBlit(const TPixelAccess& dst, const TPixelAccess& src, const TPixelAccess* mask,
             const TBlit& b, TRowKernel kernel, TRowJob job) {
  job.Count = static_cast<int32_t>(b.Dst.Width());
  job.Dir = b.DirX;
  for (int64_t r = 0; r < b.Dst.Height(); ++r) {
    const int64_t sy = b.SrcY + r * b.DirY;
    job.Dst = dst.At(b.Dst.Left, b.Dst.Top + r);
    job.Src = src.At(b.SrcX, sy);
    if (mask != nullptr) job.Mask = mask->At(b.SrcX, sy);
    kernel(job);
  }
}

TGatherRow::TGatherRow(int32_t count, int32_t srcBytes, bool withMask)
    : Count_(count), SrcBytes_(srcBytes), WithMask_(withMask), Src_(count), Mask_(count),
      SrcScratch_(static_cast<size_t>(count) * srcBytes), MaskScratch_(withMask ? count : 0) {}

void TGatherRow::Run(uint8_t* dstRow, int32_t dstBytes, TRowKernel kernel, TRowJob job) {
  job.Dir = 1;
  int32_t i = 0;
  while (i < Count_) {
    while (i < Count_ && (Src_[i] == nullptr || (WithMask_ && Mask_[i] == nullptr))) ++i;
    const int32_t start = i;
    uint8_t* s = SrcScratch_.data();
    uint8_t* m = MaskScratch_.data();
    for (; i < Count_ && Src_[i] != nullptr && (!WithMask_ || Mask_[i] != nullptr); ++i) {
      std::memcpy(s, Src_[i], SrcBytes_);
      s += SrcBytes_;
      if (WithMask_) *m++ = *Mask_[i];
    }
    if (i == start) continue;
    job.Dst = dstRow + static_cast<intptr_t>(start) * dstBytes;
    job.Src = SrcScratch_.data();
    job.Mask = WithMask_ ? MaskScratch_.data() : nullptr;
    job.Count = i - start;
    kernel(job);
  }
}

TSampledRows::TSampledRows(const std::vector<int64_t>& cols, const TPixelFormat& dst,
                           const TPixelFormat& src, bool withMask, TRowOp op, bool useKey)
    : Cols_(cols), Offsets_(cols.size()), DstBytes_(dst.Bytes), SrcBytes_(src.Bytes),
      Direct_(&dst == &src && !withMask &&
              (op == TRowOp::Copy || (op == TRowOp::CopyKey && !useKey))) {
  const int32_t n = static_cast<int32_t>(cols.size());
  for (int32_t i = 0; i < n;) {
    while (i < n && cols[static_cast<size_t>(i)] < 0) ++i;
    const int32_t start = i;
    for (; i < n && cols[static_cast<size_t>(i)] >= 0; ++i)
      Offsets_[static_cast<size_t>(i)] = static_cast<intptr_t>(cols[static_cast<size_t>(i)]) * SrcBytes_;
    if (i > start) Runs_.emplace_back(start, i);
  }
  if (!Direct_) SrcScratch_.resize(static_cast<size_t>(n) * SrcBytes_);
  if (withMask) MaskScratch_.resize(static_cast<size_t>(n));
}

namespace {

template <class P>
void GatherAs(uint8_t* out, const uint8_t* row, const intptr_t* offsets, int32_t count) {
  for (int32_t i = 0; i < count; ++i) {
    P v;
    std::memcpy(&v, row + offsets[i], sizeof(P));
    std::memcpy(out + static_cast<intptr_t>(i) * sizeof(P), &v, sizeof(P));
  }
}

void Gather(uint8_t* out, const uint8_t* row, const intptr_t* offsets, int32_t count,
            int32_t bytes) {
  switch (bytes) {
    case 4: return GatherAs<uint32_t>(out, row, offsets, count);
    case 2: return GatherAs<uint16_t>(out, row, offsets, count);
    case 1: return GatherAs<uint8_t>(out, row, offsets, count);
    default:
      for (int32_t i = 0; i < count; ++i) std::memcpy(out + i * bytes, row + offsets[i], bytes);
  }
}

}  // namespace

void TSampledRows::Run(uint8_t* dstRow, const uint8_t* srcRow, const uint8_t* maskRow,
                       TRowKernel kernel, TRowJob job) {
  job.Dir = 1;
  for (const auto& [start, end] : Runs_) {
    const int32_t count = end - start;
    uint8_t* dst = dstRow + static_cast<intptr_t>(start) * DstBytes_;
    if (Direct_) {
      Gather(dst, srcRow, Offsets_.data() + start, count, SrcBytes_);
      continue;
    }
    Gather(SrcScratch_.data(), srcRow, Offsets_.data() + start, count, SrcBytes_);
    if (maskRow != nullptr) {
      for (int32_t i = 0; i < count; ++i)
        MaskScratch_[static_cast<size_t>(i)] = maskRow[Cols_[static_cast<size_t>(start + i)]];
    }
    job.Dst = dst;
    job.Src = SrcScratch_.data();
    job.Mask = maskRow != nullptr ? MaskScratch_.data() : nullptr;
    job.Count = count;
    kernel(job);
  }
}

bool ChooseBlend(int32_t blend, bool masked, TBlendChoice& out) {
  if (blend <= 0) return false;
  if (blend < 255) {
    out = {masked ? TRowOp::AlphaMask : TRowOp::Alpha, static_cast<uint32_t>(blend)};
  } else if (blend == 255) {
    out = {masked ? TRowOp::Mask : TRowOp::CopyKey, 255};
  } else {
    const uint32_t amount = static_cast<uint32_t>(std::min(blend - 256, 255));
    if (amount == 0) return false;
    out = {masked ? TRowOp::AddMask : TRowOp::Add, amount};
  }
  return true;
}

int32_t Saturate32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max()));
}

}  // namespace opal::raster_internal

// The blend, fade and scroll kinds.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/pixel_format.h"
#include "raster/row_kernels.h"
#include "wipes/rule_image.h"
#include "wipes/wipe_rows.h"
#include "wipes/wipe_kinds.h"

namespace opal {

namespace {

int32_t RoundEven(double v) {
  const double r = std::nearbyint(v);
  return static_cast<int32_t>(std::clamp(r, -2147483648.0, 2147483647.0));
}

// Copies `src` and adds or subtracts gray g over the whole destination.
void CopyWithGray(TCustomDIBX& dest, TCustomDIBX* src, uint32_t gray, bool subtract) {
  dest.Assign(src);
  if (subtract) {
    dest.FillRectSub(dest.BoundsRect(), gray);
  } else {
    dest.FillRectAdd(dest.BoundsRect(), gray);
  }
}

}  // namespace

void TWipeFade::Draw() {
  const double f = static_cast<double>(int64_t{Duration()} - Time - 1) / Duration();
  const int32_t opacity = static_cast<int32_t>(Progress(256));
  const int32_t x = RoundEven(f * Params[0]), y = RoundEven(f * Params[1]);
  if (x == 0 && y == 0 && BlendRows(opacity)) return;
  CopyFrom(OldImage);
  Dest->DrawAlpha(x, y, opacity, false, false, false, NewImage->BoundsRect(), NewImage);
}

bool TWipeFade::BlendRows(int32_t opacity) {
  // Unmoved pictures of the destination's format and size, a partial
  // opacity and no clipping: the old row, then the new one over it at that
  // opacity, one row at a time while the row is in the cache.
  if (opacity < 1 || opacity > 254 || !(Dest->EffectiveClip() == Dest->BoundsRect())) return false;
  const int32_t bits = Dest->BitCount(), w = Width(), h = Height();
  for (TCustomDIBX* p : {OldImage, NewImage}) {
    if (p->BitCount() != bits || p->Width() != w || p->Height() != h) return false;
  }
  const TPixelFormat* format = FormatOf(bits);
  if (format == nullptr) return false;
  uint8_t* d0 = Dest->PixelAddress(0, 0);
  uint8_t* o0 = OldImage->PixelAddress(0, 0);
  uint8_t* n0 = NewImage->PixelAddress(0, 0);
  if (d0 != nullptr && o0 != nullptr && n0 != nullptr) {
    const TRowKernel kernel = SelectKernel(TRowOp::Alpha, *format, *format);
    const int64_t dStep = Dest->RowStep(), oStep = OldImage->RowStep(), nStep = NewImage->RowStep();
    TRowJob job;
    job.Count = w;
    job.Amount = static_cast<uint32_t>(opacity);
    job.DstFormat = format;
    job.SrcFormat = format;
    for (int32_t row = 0; row < h; ++row) {
      job.Dst = d0 + row * dStep;
      job.Src = n0 + row * nStep;
      std::memcpy(job.Dst, o0 + row * oStep, static_cast<size_t>(w) * static_cast<size_t>(format->Bytes));
      kernel(job);
    }
  }
  if (d0 != nullptr) Dest->Unlock();
  if (o0 != nullptr) OldImage->Unlock();
  if (n0 != nullptr) NewImage->Unlock();
  return true;
}

void TWipeScrollH::Draw() {
  const int32_t w = Width();
  const int32_t a = static_cast<int32_t>(Progress(w));
  const TRect oldRect = OldImage->BoundsRect(), newRect = NewImage->BoundsRect();
  if (Reverse) {
    Dest->Draw(a, 0, false, false, false, oldRect, OldImage);
    Dest->Draw(a - w, 0, false, false, false, newRect, NewImage);
  } else {
    Dest->Draw(-a, 0, false, false, false, oldRect, OldImage);
    Dest->Draw(w - a, 0, false, false, false, newRect, NewImage);
  }
}

void TWipeScrollV::Draw() {
  const int32_t h = Height();
  const int32_t a = static_cast<int32_t>(Progress(h));
  const TRect oldRect = OldImage->BoundsRect(), newRect = NewImage->BoundsRect();
  if (Reverse) {
    Dest->Draw(0, a, false, false, false, oldRect, OldImage);
    Dest->Draw(0, a - h, false, false, false, newRect, NewImage);
  } else {
    Dest->Draw(0, -a, false, false, false, oldRect, OldImage);
    Dest->Draw(0, h - a, false, false, false, newRect, NewImage);
  }
}

namespace {

void WhiteOrBlack(TCustomWipe& wipe, int64_t a, uint32_t grayA, uint32_t grayB, bool subtract) {
  if (a < 256) {
    CopyWithGray(*wipe.Dest, wipe.OldImage, grayA, subtract);
  } else {
    CopyWithGray(*wipe.Dest, wipe.NewImage, grayB, subtract);
  }
}

}  // namespace

void TWipeWhite::Draw() {
  const int32_t a = static_cast<int32_t>(Progress(511));
  WhiteOrBlack(*this, a, Gray(a), Gray(511 - a), false);
}

void TWipeBlack::Draw() {
  const int32_t a = static_cast<int32_t>(Progress(511));
  WhiteOrBlack(*this, a, Gray(a), Gray(511 - a), true);
}

void TWipeFlash::Draw() {
  const int32_t b = static_cast<int32_t>(Progress(255));
  CopyWithGray(*Dest, NewImage, Gray(255 - b), false);
}

// --- shadow white and black -------------------------------------------------

void TWipeShadowWhite::DoPrepare() {
  Rule_ = BuildRuleLevels(Context, MaskFile, Reverse, Width(), Height());
}

namespace {

// Adds (or takes away) gray `gray` to pixel p channel by channel, with
// saturation, for a format whose red, green and blue are the fields of
// `fields`; the bits in `keep` (the fourth byte of a 32-bit pixel) pass as
// they are, every other bit comes out 0, as AddPixel and SubPixel give.
struct TGrayFields {
  uint32_t Field[3];
  uint32_t Keep;
  explicit TGrayFields(const TPixelFormat& f) : Keep(f.Bits == 32 ? 0xFF000000u : 0u) {
    for (int c = 0; c < 3; ++c) Field[c] = f.Max(c) << f.Shift[c];
  }
  uint32_t Add(uint32_t p, uint32_t gray) const {
    uint32_t out = p & Keep;
    for (uint32_t m : Field) out |= std::min<uint32_t>((p & m) + (gray & m), m);
    return out;
  }
  uint32_t Sub(uint32_t p, uint32_t gray) const {
    uint32_t out = p & Keep;
    for (uint32_t m : Field) out |= (p & m) > (gray & m) ? (p & m) - (gray & m) : 0u;
    return out;
  }
};

}  // namespace

void TWipeShadowWhite::Draw() {
  const TPixelFormat* dst = FormatOf(Dest->BitCount());
  const TPixelFormat* oldFormat = FormatOf(OldImage->BitCount());
  const TPixelFormat* newFormat = FormatOf(NewImage->BitCount());
  if (dst == nullptr || oldFormat == nullptr || newFormat == nullptr) return;
  if (dst->Bytes == 1 || dst->Bytes == 3) return;  // the screen has 15, 16 or 32 bits
  const int32_t w = std::min({Width(), OldImage->Width(), NewImage->Width()});
  const int32_t h = std::min({Height(), OldImage->Height(), NewImage->Height()});
  if (w <= 0 || h <= 0 || Rule_.size() < static_cast<size_t>(Width()) * static_cast<size_t>(h)) return;
  // Per rule level: which picture (false old, true new) and the gray pixel.
  const int64_t level = Progress(768);
  bool takesNew[256];
  uint32_t gray[256];
  for (int32_t v = 0; v < 256; ++v) {
    const int64_t j = std::clamp<int64_t>(level + v - 256, 0, 511);
    takesNew[v] = j > 255;
    gray[v] = Gray(static_cast<int32_t>(j > 255 ? 511 - j : j));
  }
  const bool subtract = Subtracts();
  const TGrayFields fields(*dst);
  const bool same = oldFormat == dst && newFormat == dst;
  uint8_t* d0 = Dest->PixelAddress(0, 0);
  uint8_t* o0 = OldImage->PixelAddress(0, 0);
  uint8_t* n0 = NewImage->PixelAddress(0, 0);
  if (d0 != nullptr && o0 != nullptr && n0 != nullptr) {
    const int64_t dStep = Dest->RowStep(), oStep = OldImage->RowStep(), nStep = NewImage->RowStep();
    const int32_t bytes = dst->Bytes;
    for (int32_t y = 0; y < h; ++y) {
      uint8_t* d = d0 + y * dStep;
      const uint8_t* o = o0 + y * oStep;
      const uint8_t* n = n0 + y * nStep;
      const uint8_t* rule = Rule_.data() + static_cast<size_t>(y) * static_cast<size_t>(Width());
      if (same) {
        GlowRow(*dst, subtract, d, o, n, rule, w, static_cast<int32_t>(level));
        continue;
      }
      for (int32_t x = 0; x < w; ++x) {
        const uint8_t v = rule[x];
        const TPixelFormat& from = takesNew[v] ? *newFormat : *oldFormat;
        const uint32_t p =
            ConvertPixel(from, *dst, LoadPixel((takesNew[v] ? n : o) + x * int64_t{from.Bytes}, from.Bytes));
        StorePixel(d + x * int64_t{bytes}, bytes, subtract ? fields.Sub(p, gray[v]) : fields.Add(p, gray[v]));
      }
    }
  }
  if (d0 != nullptr) Dest->Unlock();
  if (o0 != nullptr) OldImage->Unlock();
  if (n0 != nullptr) NewImage->Unlock();
}

}  // namespace opal

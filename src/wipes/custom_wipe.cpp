#include "wipes/custom_wipe.h"

#include <algorithm>
#include <cstring>

#include "raster/pixel_format.h"
#include "raster/row_kernels.h"

namespace opal {

int32_t TWipeRandom::Next(int32_t n) {
  State_ = State_ * 0x08088405u + 1u;
  if (n < 1) return 0;
  return static_cast<int32_t>((uint64_t{State_} * static_cast<uint64_t>(n)) >> 32);
}

TCustomWipe::TCustomWipe(TCustomDIBX* dest, TCustomDIBX* newImage, TCustomDIBX* oldImage)
    : Dest(dest), OldImage(oldImage), NewImage(newImage) {}

int32_t TCustomWipe::GetParam(int32_t index) const {
  return index == 0 || index == 1 ? Params[index] : 0;
}

void TCustomWipe::SetParam(int32_t index, int32_t value) {
  if (index == 0 || index == 1) Params[index] = value;
}

void TCustomWipe::Prepare() {
  Prepared_ = true;
  DoPrepare();
}

bool TCustomWipe::Step() {
  if (Time >= Duration_) return true;
  if (!Prepared_) Prepare();
  if (Dest == nullptr || OldImage == nullptr || NewImage == nullptr || Dest->Empty()) {
    UpdateRect_ = {};
    return false;
  }
  Draw();
  UpdateRect_ = Dest->BoundsRect();
  return false;
}

int64_t TCustomWipe::Progress(int64_t scale) const {
  // Scales and times both come from scripts: the product needs 128 bits.
  return static_cast<int64_t>(static_cast<__int128>(Time) * scale / Duration_);
}

uint32_t TCustomWipe::Gray(int32_t g) const {
  g = std::clamp(g, 0, 255);
  const int32_t colour = g | (g << 8) | (g << 16);
  return static_cast<uint32_t>(Dest->ColorToPixel(colour));
}

int32_t WipeLevel(int64_t v, int64_t s) {
  if (v < 0) return 0;
  if (s < 1) s = 1;
  // v ≥ s already gives 255; capping first keeps v·255 within 64 bits.
  if (v >= s) return 255;
  return static_cast<int32_t>(v * 255 / s);
}

// --- TWipeMask ---------------------------------------------------------------

void TWipeMask::SetParam(int32_t index, int32_t value) {
  if (index == 0) value = std::max(value, 2);
  if (index == 1) value = std::max(value, 1);
  TCustomWipe::SetParam(index, value);
}

void TWipeMask::DoPrepare() {
  const int32_t w = std::max(Width(), 1);
  const int32_t h = std::clamp(MaskHeight(), 1, std::max(Height(), 1));
  Mask.SetSize(w, h, 8);
  ClearMask();
  LastLevel = -1;
}

bool TWipeMask::NewLevel(int64_t level) {
  if (level == LastLevel) return false;
  LastLevel = level;
  return true;
}

uint8_t* TWipeMask::MaskRow(int32_t y) {
  uint8_t* row = Mask.PixelAddress(0, y);
  if (row != nullptr) Mask.Unlock();
  return row;
}

void TWipeMask::ClearMask() { Mask.Clear(0); }

void TWipeMask::FillMask(const TRect& rect, uint8_t value) {
  const TRect r = Intersect(rect, Mask.BoundsRect());
  if (r.IsEmpty()) return;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    std::memset(MaskRow(y) + r.Left, value, static_cast<size_t>(r.Right - r.Left));
  }
}

void TWipeMask::Draw() {
  if (Mask.Empty() || !UpdateMask()) return;
  // The old picture, then the new one through the mask by the DrawMask
  // rule: 0 keeps old, 255 takes new, a pixel equal in both stays as it is.
  CopyFrom(OldImage);
  const TPixelFormat* dst = FormatOf(Dest->BitCount());
  const TPixelFormat* src = FormatOf(NewImage->BitCount());
  if (dst == nullptr || src == nullptr) return;
  const TRowKernel kernel = SelectKernel(TRowOp::Mask, *dst, *src);
  const int32_t rows = std::min(Dest->Height(), NewImage->Height());
  const int32_t count = std::min({Dest->Width(), NewImage->Width(), Mask.Width()});
  const int32_t maskRows = Mask.Height();
  uint8_t* d0 = Dest->PixelAddress(0, 0);
  uint8_t* s0 = NewImage->PixelAddress(0, 0);
  if (d0 != nullptr && s0 != nullptr && count > 0) {
    const int64_t dStep = Dest->RowStep(), sStep = NewImage->RowStep();
    TRowJob job;
    job.Count = count;
    job.DstFormat = dst;
    job.SrcFormat = src;
    for (int32_t y = 0; y < rows; ++y) {
      job.Dst = d0 + y * dStep;
      job.Src = s0 + y * sStep;
      job.Mask = MaskRow(y % maskRows);
      kernel(job);
    }
  }
  if (d0 != nullptr) Dest->Unlock();
  if (s0 != nullptr) NewImage->Unlock();
}

// --- ordered masks -------------------------------------------------------------

void TWipeOrderHMask::DoPrepare() {
  TWipeMask::DoPrepare();
  Order_.clear();
  Span_ = 1;
  BuildOrder(Order_, Span_);
  if (Span_ < 1) Span_ = 1;
}

bool TWipeOrderHMask::UpdateMask() {
  const int64_t b = Progress(Span_);
  if (!NewLevel(b)) return false;
  const int32_t n = std::min(Positions(), static_cast<int32_t>(Order_.size()));
  for (int32_t i = 0; i < n; ++i) {
    Apply(i, static_cast<uint8_t>(WipeLevel(b - Order_[static_cast<size_t>(i)], Params[1])));
  }
  return true;
}

void TWipeOrderHMask::Apply(int32_t position, uint8_t value) {
  if (position < Mask.Width()) MaskRow(0)[position] = value;
}

void TWipeOrderVMask::Apply(int32_t position, uint8_t value) {
  if (position < Mask.Height()) std::memset(MaskRow(position), value, static_cast<size_t>(Mask.Width()));
}

}  // namespace opal

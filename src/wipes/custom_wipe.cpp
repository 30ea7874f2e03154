#include "wipes/custom_wipe.h"

#include <algorithm>
#include <cstring>

#include "raster/pixel_format.h"
#include "raster/row_kernels.h"
#include "wipes/wipe_rows.h"

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

namespace {

using TSpanKind = TWipeMaskSpan::TKind;

// Runs of 0 or 255 shorter than this are picked pixel by pixel with their
// neighbours: one copy per short run costs more than the pick.
constexpr int32_t kMinCopyRun = 32;
constexpr int32_t kChunk = 8;

uint64_t Word(const uint8_t* p) {
  uint64_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

TSpanKind ChunkKind(const uint8_t* mask) {
  const uint64_t v = Word(mask);
  if (v == 0) return TSpanKind::Old;
  if (v == ~uint64_t{0}) return TSpanKind::New;
  // Each byte 0 or 255: every bit equals the one below it in its byte.
  if (((v ^ (v << 1)) & 0xFEFEFEFEFEFEFEFEull) == 0) return TSpanKind::Select;
  return TSpanKind::Blend;
}

// The end of the run of whole chunks equal to `word` from x: 64 bytes a
// test while it lasts, then a chunk at a time.
int32_t RunEnd(const uint8_t* mask, int32_t x, int32_t count, uint64_t word) {
  while (count - x >= 8 * kChunk) {
    uint64_t diff = 0;
    for (int32_t k = 0; k < 8; ++k) diff |= Word(mask + x + k * kChunk) ^ word;
    if (diff != 0) break;
    x += 8 * kChunk;
  }
  while (count - x >= kChunk && Word(mask + x) == word) x += kChunk;
  return x;
}

// The end of a blended stretch from x: it takes every chunk up to the next
// one of all 0 or all 255 (a pick inside it is blended as well).
int32_t BlendEnd(const uint8_t* mask, int32_t x, int32_t count) {
  while (count - x >= kChunk) {
    const uint64_t v = Word(mask + x);
    if (v == 0 || v == ~uint64_t{0}) break;
    x += kChunk;
  }
  return x;
}

// Appends the spans covering mask bytes [0, count), scanned 8 at a time.
void SplitMaskRow(const uint8_t* mask, int32_t count, std::vector<TWipeMaskSpan>& out) {
  const size_t first = out.size();
  auto push = [&](int32_t left, int32_t right, TSpanKind kind) {
    if (out.size() > first && out.back().Kind == kind) {
      out.back().Right = right;
    } else {
      out.push_back({left, right, kind});
    }
  };
  int32_t x = 0;
  while (count - x >= kChunk) {
    const TSpanKind kind = ChunkKind(mask + x);
    const bool copies = kind == TSpanKind::Old || kind == TSpanKind::New;
    int32_t end = copies ? RunEnd(mask, x, count, Word(mask + x)) : x + kChunk;
    if (kind == TSpanKind::Blend) end = BlendEnd(mask, end, count);
    // A run too short to copy is picked; a pick right after a blend is
    // blended with it, which gives the same pixels in one kernel call.
    TSpanKind drawn = kind;
    if (copies && end - x < kMinCopyRun) drawn = TSpanKind::Select;
    if (drawn == TSpanKind::Select && out.size() > first && out.back().Kind == TSpanKind::Blend) {
      drawn = TSpanKind::Blend;
    }
    push(x, end, drawn);
    x = end;
  }
  if (x < count) push(x, count, TSpanKind::Blend);
}

}  // namespace

void TWipeMask::Draw() {
  if (Mask.Empty() || !UpdateMask()) return;
  if (!DrawBySpans()) DrawWhole();
}

bool TWipeMask::DrawBySpans() {
  // Both pictures in the destination's format and size: each row is
  // composed once from spans of the old picture, the new one and blends.
  const int32_t bits = Dest->BitCount();
  if (OldImage->BitCount() != bits || NewImage->BitCount() != bits) return false;
  const int32_t w = Width(), h = Height();
  if (OldImage->Width() != w || NewImage->Width() != w || OldImage->Height() != h ||
      NewImage->Height() != h || Mask.Width() < w) {
    return false;
  }
  const TPixelFormat* format = FormatOf(bits);
  if (format == nullptr) return false;
  const int32_t maskRows = Mask.Height();
  // Each mask row is split when the first screen row showing it is drawn,
  // while it is in the cache.
  Spans_.clear();
  SpanStart_.assign(1, 0);
  MaskRows_.clear();
  const TRowKernel kernel = SelectKernel(TRowOp::Mask, *format, *format);
  const size_t bytes = static_cast<size_t>(format->Bytes);
  TRowJob job;
  job.DstFormat = format;
  job.SrcFormat = format;
  uint8_t* d0 = Dest->PixelAddress(0, 0);
  uint8_t* o0 = OldImage->PixelAddress(0, 0);
  uint8_t* n0 = NewImage->PixelAddress(0, 0);
  if (d0 != nullptr && o0 != nullptr && n0 != nullptr) {
    const int64_t dStep = Dest->RowStep(), oStep = OldImage->RowStep(), nStep = NewImage->RowStep();
    for (int32_t y = 0; y < h; ++y) {
      const size_t my = static_cast<size_t>(y % maskRows);
      if (y < maskRows) {
        MaskRows_.push_back(MaskRow(y));
        SplitMaskRow(MaskRows_.back(), w, Spans_);
        SpanStart_.push_back(Spans_.size());
      }
      uint8_t* d = d0 + y * dStep;
      const uint8_t* o = o0 + y * oStep;
      const uint8_t* n = n0 + y * nStep;
      for (size_t k = SpanStart_[my]; k < SpanStart_[my + 1]; ++k) {
        const TWipeMaskSpan& span = Spans_[k];
        const size_t at = static_cast<size_t>(span.Left) * bytes;
        const size_t length = static_cast<size_t>(span.Right - span.Left) * bytes;
        if (span.Kind == TSpanKind::Select) {
          SelectRow(d + at, o + at, n + at, MaskRows_[my] + span.Left, span.Right - span.Left,
                    static_cast<int32_t>(bytes));
          continue;
        }
        std::memcpy(d + at, (span.Kind == TSpanKind::New ? n : o) + at, length);
        if (span.Kind != TSpanKind::Blend) continue;
        job.Dst = d + at;
        job.Src = n + at;
        job.Mask = MaskRows_[my] + span.Left;
        job.Count = span.Right - span.Left;
        kernel(job);
      }
    }
  }
  if (d0 != nullptr) Dest->Unlock();
  if (o0 != nullptr) OldImage->Unlock();
  if (n0 != nullptr) NewImage->Unlock();
  return true;
}

void TWipeMask::DrawWhole() {
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

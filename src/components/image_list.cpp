#include "components/image_list.h"

#include <algorithm>
#include <cstdlib>

namespace opal {

namespace {

// The grey (|b|, |b|, |b|) as a pixel of the buffer's format.
uint32_t GreyPixel(const TCustomDIBX& buffer, int32_t b) {
  const int32_t v = std::min(255, std::abs(b));
  return static_cast<uint32_t>(ColourToBufferPixel(buffer, v | v << 8 | v << 16));
}

void Adjust(TCustomDIBX& buffer, int32_t b) {
  const TRect all = buffer.BoundsRect();
  if (b > 0) {
    buffer.FillRectAdd(all, GreyPixel(buffer, b));
  } else if (b < 0) {
    buffer.FillRectSub(all, GreyPixel(buffer, b));
  }
}

}  // namespace

// --- TOpalImageData ---

const TBrioItemFrame* TOpalImageData::Frame() const {
  if (Item_ == nullptr || Index_ < 0 || Index_ >= static_cast<int32_t>(Item_->Frames.size())) return nullptr;
  return &Item_->Frames[static_cast<size_t>(Index_)];
}

TCustomDIBX* TOpalImageData::Pixels() {
  const TBrioItemFrame* f = Frame();
  if (f == nullptr || !f->Pixels || f->Pixels->Empty()) return nullptr;
  if (Brightness_ == 0) return f->Pixels.get();
  Refresh();
  return Copy_.get();
}

TCustomDIBX* TOpalImageData::Mask() const {
  const TBrioItemFrame* f = Frame();
  return f != nullptr && f->Mask && !f->Mask->Empty() ? f->Mask.get() : nullptr;
}

int32_t TOpalImageData::TransparentColor() {
  TCustomDIBX* p = Pixels();
  return p != nullptr ? p->TransparentColor : -1;
}

int32_t TOpalImageData::DisplayTime() const {
  const TBrioItemFrame* f = Frame();
  return f != nullptr ? f->DisplayTime : 1;
}

void TOpalImageData::SetBrightness(int32_t b) {
  Brightness_ = std::clamp(b, -255, 255);
  if (Brightness_ == 0) Copy_.reset();
}

void TOpalImageData::Refresh() {
  const TBrioItemFrame* f = Frame();
  if (Copy_ && CopyBrightness_ == Brightness_ && CopyGeneration_ == Item_->Generation) return;
  if (!Copy_) Copy_ = std::make_unique<TDIBX>();
  TDIBX& src = *f->Pixels;
  Copy_->SetSize(src.Width(), src.Height(), src.BitCount());
  Copy_->Assign(&src);
  Copy_->DrawRects = src.DrawRects;
  Copy_->AuxRects = src.AuxRects;
  Copy_->TransparentColor = -1;
  if (f->TransparentColor >= 0) {
    // The key goes through the same saturating operation as the pixels.
    TDIBX probe;
    probe.SetSize(1, 1, src.BitCount());
    probe.SetPixel(0, 0, static_cast<uint32_t>(f->TransparentColor));
    Adjust(probe, Brightness_);
    Copy_->TransparentColor = static_cast<int32_t>(probe.GetPixel(0, 0));
  }
  Adjust(*Copy_, Brightness_);
  CopyBrightness_ = Brightness_;
  CopyGeneration_ = Item_->Generation;
}

// --- TOpalImageList ---

void TOpalImageList::Load(TBrioCollection& cache, std::string_view name, bool mask) {
  Clear();
  Item_ = cache.Acquire(this, name, false, mask);
  Cache_ = &cache;
  for (int32_t i = 0; i < static_cast<int32_t>(Item_->Frames.size()); ++i) Frames_.emplace_back(Item_, i);
  Index = 0;
  TimeLeft = Frames_.empty() ? 0 : int64_t{Frames_[0].DisplayTime()} + 1;
}

void TOpalImageList::Clear() {
  Frames_.clear();
  if (Cache_ != nullptr) Cache_->Release(Item_, this);
  Cache_ = nullptr;
  Item_ = nullptr;
  Index = 0;
  TimeLeft = 0;
}

TOpalImageData* TOpalImageList::Data(int32_t index) {
  return index >= 0 && index < Count() ? &Frames_[static_cast<size_t>(index)] : nullptr;
}

void TOpalImageList::SetFrame(int32_t index) {
  if (Frames_.empty()) return;
  Index = std::clamp(index, 0, Count() - 1);
  TimeLeft = int64_t{Frames_[static_cast<size_t>(Index)].DisplayTime()} + 1;
}

bool TOpalImageList::Advance(int32_t elapsedMs) {
  if (Count() < 2) return false;
  const int32_t old = Index;
  TimeLeft -= elapsedMs;
  // Every frame lasts at least 1 ms, so this ends after at most one lap.
  while (TimeLeft < 1) {
    ++Index;
    if (Index >= Count()) {
      Index = 0;
      TimeLeft = 0;
    }
    TimeLeft += Frames_[static_cast<size_t>(Index)].DisplayTime();
  }
  return Index != old;
}

void TOpalImageList::ReleasePixels() {
  for (TOpalImageData& d : Frames_) d.ReleasePixels();
}

}  // namespace opal

#include "stage/opal_base.h"

#include "stage/base_list.h"

namespace opal {

TOpalBase::TOpalBase(TOpalBaseList* owner) : TOpalControl(owner) {}

TCustomDIBX* TOpalBase::GetCanvas() {
  TOpalBaseList* stage = Owner();
  if (stage != nullptr && stage->ActiveBase() == this && !stage->TransitionRunning) {
    return stage->Target();
  }
  return &Canvas;
}

void TOpalBase::AddDirty(const TRect& r) { DirtyList.Add(Intersect(r, TRect{0, 0, Width_, Height_})); }

void TOpalBase::MarkAllDirty() {
  DirtyList.Clear();
  AddDirty({0, 0, Width_, Height_});
}

void TOpalBase::Resize(int32_t width, int32_t height, int32_t bitCount) {
  Width_ = width;
  Height_ = height;
  Canvas.SetSize(width, height, bitCount);
  MarkAllDirty();
}

void TOpalBase::RecreatePixels() {
  Canvas.SetSize(Width_, Height_, Owner() ? Owner()->BitCount : 32);
  MarkAllDirty();
}

void TOpalBase::DrawSelf(TCustomDIBX& canvas) {
  if (Color_ < 0) return;
  TRect r = ScreenRect();
  TRect clip = ClipRect();
  if (!clip.IsEmpty()) r = Intersect(r, clip);
  canvas.FillRect(r, static_cast<uint32_t>(canvas.ColorToPixel(Color_)));
}

void TOpalBase::DrawRect(TCustomDIBX& canvas, const TRect& r) {
  const TRect area = Intersect(r, canvas.BoundsRect());
  if (area.IsEmpty()) return;
  canvas.SetClipRect(area);
  TOpalControl::Draw(canvas);
}

void TOpalBase::DrawDirty(TCustomDIBX& canvas) {
  if (!Visible() || canvas.Empty()) return;
  for (const TRect& r : DirtyList.Items()) DrawRect(canvas, r);
  canvas.ResetClip();
}

void TOpalBase::Draw(TCustomDIBX& canvas) { DrawDirty(canvas); }

TOpalCabinet::TOpalCabinet(TOpalBaseList* owner) : TOpalControl(owner) { Visible_ = false; }

}  // namespace opal

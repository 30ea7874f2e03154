#include "components/opal_tile.h"

#include <algorithm>
#include <utility>

#include "components/brio_collection.h"
#include "raster/custom_dibx.h"
#include "stage/property_table.h"
#include "storage/stream.h"

namespace opal {

namespace {

constexpr int64_t kMaxRectCopies = int64_t{1} << 16;

// The non-negative remainder of v by m (m > 0).
int64_t Wrap(int64_t v, int64_t m) {
  const int64_t r = v % m;
  return r < 0 ? r + m : r;
}

}  // namespace

TOpalTile::TOpalTile(TOpalBaseList* owner) : TOpalCustomImages(owner) {}

void TOpalTile::SetSource(const std::string& v) {
  if (v == Source_) return;
  Invalidate();
  Index_ = -1;
  List_.Clear();
  DestroyMotion();
  Source_ = v;
  TBrioCollection* cache = Cache();
  if (HasExtension(v, ".bri") && cache != nullptr) List_.Load(*cache, v, false);
  if (HasExtension(v, ".omt")) AttachMotion(v);
  if (!List_.Empty()) SelectFrame(0);
}

void TOpalTile::SetScroll(int axis, int32_t v) {
  if (v == Scroll_[axis]) return;
  Scroll_[axis] = v;
  Invalidate();
  TellPositionMoved();
}

void TOpalTile::SetDistance(int axis, int32_t v) { ChangeLook(Distance_[axis], v); }

bool TOpalTile::PointOnSelf(int32_t x, int32_t y) const {
  const TRect r = PlainRect();
  if (x < r.Left || x >= r.Right || y < r.Top || y >= r.Bottom) return false;
  TCustomDIBX* src = ShownPixels();
  TCustomDIBX* mask = ShownMask();
  if (!CaptureMask || mask == nullptr || src == nullptr || ZoomX_ < 1 || ZoomY_ < 1) return true;
  // The frame pixel under the point, through the zoom, the scroll and the step.
  auto along = [&](int axis, int64_t pos, int64_t size, int32_t& out) {
    const int64_t zoom = axis == 0 ? ZoomX_ : ZoomY_;
    const int64_t dist = Distance_[axis];
    const int64_t step = dist >= 1 && dist >= size / 2 ? dist : size;
    const int64_t u = Wrap(pos * 256 / zoom + Scroll_[axis], step);
    if (u >= size) return false;
    out = static_cast<int32_t>(u);
    return true;
  };
  int32_t ix = 0, iy = 0;
  if (!along(0, x - r.Left, src->Width(), ix) || !along(1, y - r.Top, src->Height(), iy)) return false;
  if (FlipH_) ix = mask->Width() - 1 - ix;
  if (FlipV_) iy = mask->Height() - 1 - iy;
  if (ix < 0 || iy < 0 || ix >= mask->Width() || iy >= mask->Height()) return false;
  return mask->GetPixel(ix, iy) > 127;
}

void TOpalTile::DrawSelf(TCustomDIBX& canvas) {
  TCustomDIBX* src = ShownPixels();
  if (src == nullptr || src->Empty() || Alpha_ <= 0 || Width_ < 1 || Height_ < 1 || ZoomX_ <= 0 || ZoomY_ <= 0) return;
  TCustomDIBX* mask = ShownMask();
  const int32_t a = std::min(Alpha_, 511);
  const bool useKey = src->TransparentColor >= 0;
  const TRect dest = PlainRect();
  const TRect whole = src->BoundsRect();
  const int32_t fw = src->Width(), fh = src->Height();
  const bool countsX = Distance_[0] >= 1 && Distance_[0] >= fw / 2;
  const bool countsY = Distance_[1] >= 1 && Distance_[1] >= fh / 2;
  const int32_t stepX = countsX ? Distance_[0] : fw, stepY = countsY ? Distance_[1] : fh;
  if (!countsX && !countsY) {
    if (ZoomX_ == 256 && ZoomY_ == 256 && !useKey && mask == nullptr && a == 255) {
      canvas.TileFill(dest, src, FlipV_, FlipH_, Scroll_[1], Scroll_[0]);
    } else if (mask != nullptr) {
      canvas.ZoomTileMask(dest, ZoomX_, a, FlipV_, FlipH_, Scroll_[1], Scroll_[0], src, ZoomY_, mask);
    } else {
      canvas.ZoomTile(dest, ZoomX_, a, FlipV_, FlipH_, Scroll_[1], Scroll_[0], src, ZoomY_);
    }
    return;
  }
  // Copies of every sub-rectangle at every step: with tiny steps over a
  // large area that many calls would stall the frame, and the stretched
  // tiling draws the same copies whole.
  const TRect area = Intersect(dest, canvas.EffectiveClip());
  const int64_t copies = (int64_t{area.Right - area.Left} / stepX + 2) * (int64_t{area.Bottom - area.Top} / stepY + 2) *
                         static_cast<int64_t>(src->DrawRects.size());
  if (src->DrawRects.empty() || ZoomX_ != 256 || ZoomY_ != 256 || copies > kMaxRectCopies) {
    if (mask != nullptr) {
      canvas.TileStretchDrawMask(dest, stepX, Scroll_[1], Scroll_[0], a, mask, whole, src, ZoomY_, ZoomX_, stepY);
    } else {
      canvas.TileStretchDraw(dest, stepX, Scroll_[1], Scroll_[0], a, useKey, whole, src, ZoomY_, ZoomX_, stepY);
    }
    return;
  }
  DrawRects(canvas, src, mask, stepX, stepY);
}

// Unzoomed copies of the frame's opaque sub-rectangles at every step.
void TOpalTile::DrawRects(TCustomDIBX& canvas, TCustomDIBX* src, TCustomDIBX* mask, int32_t stepX, int32_t stepY) {
  const TRect area = Intersect(PlainRect(), canvas.EffectiveClip());
  if (area.IsEmpty()) return;
  const int32_t a = std::min(Alpha_, 511);
  const bool useKey = src->TransparentColor >= 0;
  const TRect dest = PlainRect();
  const int64_t phaseX = Wrap(Scroll_[0], stepX), phaseY = Wrap(Scroll_[1], stepY);
  const TRect saved = canvas.ClipRect;
  canvas.SetClipRect(area);
  for (TRect r : src->DrawRects) {
    r = Intersect(r, src->BoundsRect());
    if (r.IsEmpty()) continue;
    const int64_t rx = FlipH_ ? src->Width() - r.Right : r.Left;
    const int64_t ry = FlipV_ ? src->Height() - r.Bottom : r.Top;
    const int64_t rw = r.Right - r.Left, rh = r.Bottom - r.Top;
    // The first copy whose right edge passes the area's left edge.
    int64_t x0 = int64_t{dest.Left} + rx - phaseX;
    if (x0 + rw <= area.Left) x0 += (area.Left - (x0 + rw)) / stepX * stepX;
    int64_t y0 = int64_t{dest.Top} + ry - phaseY;
    if (y0 + rh <= area.Top) y0 += (area.Top - (y0 + rh)) / stepY * stepY;
    for (int64_t y = y0; y < area.Bottom; y += stepY) {
      if (y + rh <= area.Top) continue;
      for (int64_t x = x0; x < area.Right; x += stepX) {
        if (x + rw <= area.Left) continue;
        const int32_t cx = static_cast<int32_t>(x), cy = static_cast<int32_t>(y);
        if (mask != nullptr) {
          if (a <= 254) canvas.DrawAlphaMask(cx, cy, a, mask, FlipV_, FlipH_, r, src);
          else if (a == 255) canvas.DrawMask(cx, cy, mask, FlipV_, FlipH_, r, src);
          else canvas.DrawAddMask(cx, cy, a - 256, mask, FlipV_, FlipH_, r, src);
        } else {
          if (a <= 254) canvas.DrawAlpha(cx, cy, a, FlipV_, FlipH_, useKey, r, src);
          else if (a == 255) canvas.Draw(cx, cy, FlipV_, FlipH_, useKey, r, src);
          else canvas.DrawAdd(cx, cy, a - 256, FlipV_, FlipH_, useKey, r, src);
        }
      }
    }
  }
  canvas.SetClipRect(saved);
}

const TPropertyTable& TOpalTile::Properties() const {
  using R = TPropertyRows<TOpalTile>;
  using T = TOpalTile;
  static const TPropertyRow rows[] = {
      R::Field<PR_SOURCE, &T::Source_, &T::SetSource>(),
      R::Fixed<PR_REPEAT, 1>(),
      R::Item<PR_SCROLLX, &T::Scroll_, 0, &T::SetScroll>(),
      R::Item<PR_SCROLLY, &T::Scroll_, 1, &T::SetScroll>(),
      R::Item<PR_DISTANCEX, &T::Distance_, 0, TOnSet::Look>(),
      R::Item<PR_DISTANCEY, &T::Distance_, 1, TOnSet::Look>(),
      // The anchor is kept for the record; placement ignores it.
      R::Item<PR_OFFSETX, &T::Offset_, 0>(),
      R::Item<PR_OFFSETY, &T::Offset_, 1>(),
      R::Field<PR_ONIDLE, &T::OnIdle>(),
      // Never auto-sized: a written size is the size.
      R::Field<PR_WIDTH, &T::Width_, TOnSet::Place>(),
      R::Field<PR_HEIGHT, &T::Height_, TOnSet::Place>(),
  };
  static const TPropertyTable table(TOpalCustomImages::Properties(), rows);
  return table;
}

void TOpalTile::SaveToStream(TStream& s) const {
  // The record keeps the anchor the script wrote, though placement ignores it.
  auto* self = const_cast<TOpalTile*>(this);
  std::swap(self->OffsetX_, self->Offset_[0]);
  std::swap(self->OffsetY_, self->Offset_[1]);
  TOpalCustomImages::SaveToStream(s);
  std::swap(self->OffsetX_, self->Offset_[0]);
  std::swap(self->OffsetY_, self->Offset_[1]);
  WriteInt32(s, Scroll_[0]);
  WriteInt32(s, Scroll_[1]);
  WriteString(s, Source_);
  WriteString(s, OnIdle);
  WriteInt32(s, Distance_[0]);
  WriteInt32(s, Distance_[1]);
}

void TOpalTile::LoadFromStream(TStream& s, int32_t version) {
  TOpalCustomImages::LoadFromStream(s, version);
  // The control record stored the anchor; a tile is placed without it.
  Offset_[0] = OffsetX_, Offset_[1] = OffsetY_;
  OffsetX_ = OffsetY_ = 0;
  Scroll_[0] = ReadInt32(s);
  Scroll_[1] = ReadInt32(s);
  SetSource(ReadString(s));
  OnIdle = ReadString(s);
  Distance_[0] = ReadInt32(s);
  Distance_[1] = ReadInt32(s);
  RestoreFrame();
}

}  // namespace opal

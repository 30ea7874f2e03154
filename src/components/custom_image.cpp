#include "components/custom_image.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "components/brio_collection.h"
#include "stage/base_list.h"
#include "stage/property_table.h"
#include "storage/stream.h"

namespace opal {

namespace {

struct TTurn {
  double Cos, Sin;
};

// The drawing turns the picture by −angle/256 of a full turn.
TTurn TurnOf(int32_t angle) {
  const double theta = -static_cast<double>(angle & 0xFF) * 2.0 * std::numbers::pi / 256.0;
  return {std::cos(theta), std::sin(theta)};
}

int32_t Clamp32(double v) {
  return static_cast<int32_t>(std::clamp(v, -2147483648.0, 2147483647.0));
}

}  // namespace

TOpalCustomImage::TOpalCustomImage(TOpalBaseList* owner) : TOpalControl(owner) {}

TBrioCollection* TOpalCustomImage::Cache() const { return Owner() != nullptr ? Owner()->Services().ImageCache : nullptr; }

bool TOpalCustomImage::ImageSize(int32_t& width, int32_t& height) const {
  TCustomDIBX* p = ShownPixels();
  if (p == nullptr) return false;
  width = p->Width();
  height = p->Height();
  return true;
}

int64_t TOpalCustomImage::EffectiveScale(int axis) const {
  const int32_t zoom = axis == 0 ? ZoomX_ : ZoomY_;
  if (zoom > 0) return zoom;
  int32_t iw = 0, ih = 0;
  const int64_t image = ImageSize(iw, ih) ? (axis == 0 ? iw : ih) : 0;
  const int64_t size = axis == 0 ? Width_ : Height_;
  return image > 0 ? std::max<int64_t>(1, size * 256 / image) : 256;
}

void TOpalCustomImage::AnchorOnScreen(double& cx, double& cy) const {
  const TRect plain = PlainRect();
  auto term = [](int64_t zoom, int64_t offset, int64_t size, bool flip) {
    int64_t a = zoom == 256 ? offset : zoom * offset / 256;
    return flip ? size - a - 1 : a;
  };
  cx = static_cast<double>(plain.Left + term(ZoomX_, OffsetX_, Width_, FlipH_));
  cy = static_cast<double>(plain.Top + term(ZoomY_, OffsetY_, Height_, FlipV_));
}

TRect TOpalCustomImage::ScreenRect() const {
  TCustomDIBX* p = ShownPixels();
  if ((Angle_ & 0xFF) == 0 || p == nullptr) return PlainRect();
  double cx = 0, cy = 0;
  AnchorOnScreen(cx, cy);
  const double sx = static_cast<double>(EffectiveScale(0)) / 256.0;
  const double sy = static_cast<double>(EffectiveScale(1)) / 256.0;
  const double px = static_cast<double>(FlipH_ ? int64_t{p->Width()} - 1 - OffsetX_ : OffsetX_);
  const double py = static_cast<double>(FlipV_ ? int64_t{p->Height()} - 1 - OffsetY_ : OffsetY_);
  const TTurn t = TurnOf(Angle_);
  double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
  for (int corner = 0; corner < 4; ++corner) {
    const double x = ((corner & 1) ? p->Width() : 0) * sx - px * sx;
    const double y = ((corner & 2) ? p->Height() : 0) * sy - py * sy;
    const double rx = x * t.Cos - y * t.Sin + cx, ry = x * t.Sin + y * t.Cos + cy;
    minX = std::min(minX, rx), maxX = std::max(maxX, rx);
    minY = std::min(minY, ry), maxY = std::max(maxY, ry);
  }
  return {Clamp32(std::floor(minX)), Clamp32(std::floor(minY)), Clamp32(std::ceil(maxX) + 1),
          Clamp32(std::ceil(maxY) + 1)};
}

bool TOpalCustomImage::PointOnSelf(int32_t x, int32_t y) const {
  double px = x, py = y;
  if ((Angle_ & 0xFF) != 0) {
    double cx = 0, cy = 0;
    AnchorOnScreen(cx, cy);
    const TTurn t = TurnOf(Angle_);
    const double dx = x - cx, dy = y - cy;
    px = cx + dx * t.Cos + dy * t.Sin;
    py = cy - dx * t.Sin + dy * t.Cos;
  }
  const TRect plain = PlainRect();
  if (px < plain.Left || px >= plain.Right || py < plain.Top || py >= plain.Bottom) return false;
  TCustomDIBX* mask = ShownMask();
  if (!CaptureMask || mask == nullptr) return true;
  int64_t ix = static_cast<int64_t>(std::floor(px - plain.Left)) * 256 / EffectiveScale(0);
  int64_t iy = static_cast<int64_t>(std::floor(py - plain.Top)) * 256 / EffectiveScale(1);
  if (FlipH_) ix = mask->Width() - 1 - ix;
  if (FlipV_) iy = mask->Height() - 1 - iy;
  if (ix < 0 || iy < 0 || ix >= mask->Width() || iy >= mask->Height()) return false;
  return mask->GetPixel(static_cast<int32_t>(ix), static_cast<int32_t>(iy)) > 127;
}

// --- size ---

void TOpalCustomImage::MarkSizeDirty() {
  SizeDirty_ = true;
  for (TOpalControl* child : Children()) {
    TPropValue pz;
    if (child->GetProperty(PR_POSZOOMED, pz) && pz.Flag) {
      if (auto* img = dynamic_cast<TOpalCustomImage*>(child)) img->MarkSizeDirty();
    }
  }
}

void TOpalCustomImage::UpdateSize() {
  SizeDirty_ = false;
  int32_t iw = 0, ih = 0;
  if (!AutoSized() || !ImageSize(iw, ih)) return;
  int64_t w = Width_, h = Height_;
  int32_t piw = 0, pih = 0;
  const bool byParent = PosZoomed_ && Parent_ != nullptr && !Parent_->IsBase() && ZoomX_ == ZoomY_ &&
                        Parent_->ImageSize(piw, pih) && piw > 0 && pih > 0;
  if (byParent) {
    w = int64_t{iw} * Parent_->Width() / piw;
    h = int64_t{ih} * Parent_->Height() / pih;
  } else {
    if (ZoomX_ > 0) w = int64_t{iw} * ZoomX_ / 256;
    if (ZoomY_ > 0) h = int64_t{ih} * ZoomY_ / 256;
  }
  SetBounds(Left_, Top_, ClampToInt32(w), ClampToInt32(h));
}

void TOpalCustomImage::UpdatePendingSize() {
  if (SizeDirty_) UpdateSize();
}

bool TOpalCustomImage::Update(int32_t elapsedMs) {
  if (SizeDirty_) UpdateSize();
  return TOpalControl::Update(elapsedMs);
}

// --- setters ---

void TOpalCustomImage::SetAlpha(int32_t v) { ChangeLook(Alpha_, v); }

void TOpalCustomImage::SetZoom(int axis, int32_t v) {
  v = std::max(1, v);
  int32_t& field = axis == 0 ? ZoomX_ : ZoomY_;
  if (v == field) return;
  Invalidate();
  field = v;
  MarkSizeDirty();
  Invalidate();
}

void TOpalCustomImage::SetAngle(int32_t v) { ChangePlace(Angle_, v); }

void TOpalCustomImage::SetFlip(int axis, bool v) {
  bool& field = axis == 0 ? FlipH_ : FlipV_;
  if (v == field) return;
  Invalidate();
  field = v;
  MarkSizeDirty();
  Invalidate();
}

void TOpalCustomImage::SetImageWidth(int axis, int32_t v) {
  if (v == (axis == 0 ? Width_ : Height_)) return;
  if (axis == 0) {
    SetWidth(v);
  } else {
    SetHeight(v);
  }
  if (!AutoSized()) return;
  // An explicit size stretches the picture to it.
  (axis == 0 ? ZoomX_ : ZoomY_) = 0;
}

// --- drawing ---

void TOpalCustomImage::DrawSelf(TCustomDIBX& canvas) { DrawPicture(canvas, ShownPixels(), ShownMask()); }

void TOpalCustomImage::DrawPicture(TCustomDIBX& canvas, TCustomDIBX* src, TCustomDIBX* mask) {
  if (src == nullptr || src->Empty() || Alpha_ < 1 || Width_ < 1 || Height_ < 1) return;
  const int32_t a = std::min(Alpha_, 511);
  const bool useKey = src->TransparentColor >= 0;
  const TRect whole = src->BoundsRect();
  const TRect plain = PlainRect();
  if ((Angle_ & 0xFF) != 0) {
    double cx = 0, cy = 0;
    AnchorOnScreen(cx, cy);
    const int32_t pivotX = ClampToInt32(FlipH_ ? int64_t{src->Width()} - 1 - OffsetX_ : OffsetX_);
    const int32_t pivotY = ClampToInt32(FlipV_ ? int64_t{src->Height()} - 1 - OffsetY_ : OffsetY_);
    const int32_t sx = ClampToInt32(EffectiveScale(0)), sy = ClampToInt32(EffectiveScale(1));
    // The rotation has no additive form: above 255 it draws opaque.
    const int32_t opacity = std::min(a, 255);
    const int32_t angle = -(Angle_ & 0xFF);
    if (mask != nullptr) {
      canvas.DrawRotateMask(Clamp32(cx), Clamp32(cy), opacity, FlipV_, FlipH_, mask, angle, pivotY, pivotX, whole,
                            src, sy, sx);
    } else {
      canvas.DrawRotate(Clamp32(cx), Clamp32(cy), opacity, FlipV_, FlipH_, useKey, angle, pivotY, pivotX, whole,
                        src, sy, sx);
    }
    return;
  }
  if (Width_ == src->Width() && Height_ == src->Height()) {
    auto drawPart = [&](const TRect& r, int32_t x, int32_t y) {
      if (mask != nullptr) {
        if (a < 255) canvas.DrawAlphaMask(x, y, a, mask, FlipV_, FlipH_, r, src);
        else if (a == 255) canvas.DrawMask(x, y, mask, FlipV_, FlipH_, r, src);
        else canvas.DrawAddMask(x, y, a - 256, mask, FlipV_, FlipH_, r, src);
      } else {
        if (a < 255) canvas.DrawAlpha(x, y, a, FlipV_, FlipH_, useKey, r, src);
        else if (a == 255) canvas.Draw(x, y, FlipV_, FlipH_, useKey, r, src);
        else canvas.DrawAdd(x, y, a - 256, FlipV_, FlipH_, useKey, r, src);
      }
    };
    if (src->DrawRects.empty()) {
      drawPart(whole, plain.Left, plain.Top);
      return;
    }
    const TRect clip = canvas.EffectiveClip();
    for (TRect r : src->DrawRects) {
      r = Intersect(r, whole);
      if (r.IsEmpty()) continue;
      const int64_t x = int64_t{plain.Left} + (FlipH_ ? src->Width() - r.Right : r.Left);
      const int64_t y = int64_t{plain.Top} + (FlipV_ ? src->Height() - r.Bottom : r.Top);
      const TRect64 dest(x, y, x + (r.Right - r.Left), y + (r.Bottom - r.Top));
      if (Intersect(dest, TRect64(clip)).IsEmpty()) continue;
      drawPart(r, ClampToInt32(x), ClampToInt32(y));
    }
    return;
  }
  if (mask != nullptr) {
    if (a <= 255) canvas.StretchDrawMask(plain, src, a, mask, FlipV_, FlipH_, whole);
    else canvas.StretchDrawAddMask(plain, src, a - 256, mask, FlipV_, FlipH_, whole);
  } else {
    if (a <= 255) canvas.StretchDraw(plain, src, a, FlipV_, FlipH_, useKey, whole);
    else canvas.StretchDrawAdd(plain, src, a - 256, FlipV_, FlipH_, useKey, whole);
  }
}

// --- properties ---

int32_t TOpalCustomImage::PictureWidth() const {
  int32_t w = 0, h = 0;
  return ImageSize(w, h) ? w : 0;
}

int32_t TOpalCustomImage::PictureHeight() const {
  int32_t w = 0, h = 0;
  return ImageSize(w, h) ? h : 0;
}

const TPropertyTable& TOpalCustomImage::Properties() const {
  using R = TPropertyRows<TOpalCustomImage>;
  using I = TOpalCustomImage;
  static const TPropertyRow rows[] = {
      R::Field<PR_ALPHA, &I::Alpha_, TOnSet::Look>(),
      R::Field<PR_ZOOMX, &I::ZoomX_, Axis<&I::SetZoom, 0>>(),
      R::Field<PR_ZOOMY, &I::ZoomY_, Axis<&I::SetZoom, 1>>(),
      R::Field<PR_ANGLE, &I::Angle_, TOnSet::Place>(),
      R::Field<PR_FLIPH, &I::FlipH_, Axis<&I::SetFlip, 0>>(),
      R::Field<PR_FLIPV, &I::FlipV_, Axis<&I::SetFlip, 1>>(),
      R::Field<PR_CAPTUREMASK, &I::CaptureMask>(),
      R::Computed<PR_ORIGWIDTH, &I::PictureWidth>(),
      R::Computed<PR_ORIGHEIGHT, &I::PictureHeight>(),
      // A written size stretches the picture to it.
      R::Field<PR_WIDTH, &I::Width_, Axis<&I::SetImageWidth, 0>>(),
      R::Field<PR_HEIGHT, &I::Height_, Axis<&I::SetImageWidth, 1>>(),
      // Children placed by the zoom size themselves again.
      R::Field<PR_POSZOOMED, &I::PosZoomed_, TOnSet::Place, &I::MarkSizeDirty>(),
  };
  static const TPropertyTable table(TOpalControl::Properties(), rows);
  return table;
}

// --- saved record ---

void TOpalCustomImage::SaveToStream(TStream& s) const {
  TOpalControl::SaveToStream(s);
  WriteInt32(s, Alpha_);
  WriteInt32(s, ZoomX_);
  WriteInt32(s, Angle_);
  WriteByte(s, FlipH_);
  WriteByte(s, FlipV_);
  WriteByte(s, CaptureMask);
  WriteInt32(s, ZoomY_);
}

void TOpalCustomImage::LoadFromStream(TStream& s, int32_t version) {
  TOpalControl::LoadFromStream(s, version);
  Alpha_ = ReadInt32(s);
  ZoomX_ = ReadInt32(s);
  Angle_ = ReadInt32(s);
  FlipH_ = ReadByte(s) != 0;
  FlipV_ = ReadByte(s) != 0;
  CaptureMask = ReadByte(s) != 0;
  if (version > 103) ZoomY_ = ReadInt32(s);
  // A saved zoom is either a stored zoom (at least 1) or 0 for a stored size.
  ZoomX_ = std::max(0, ZoomX_);
  ZoomY_ = std::max(0, ZoomY_);
}

// --- TOpalImage ---

TOpalImage::TOpalImage(TOpalBaseList* owner) : TOpalCustomImage(owner) {}

TCustomDIBX* TOpalImage::ShownPixels() const {
  return Buffer.Empty() ? nullptr : const_cast<TDIBX*>(&Buffer);
}

void TOpalImage::SizeToPicture() { SetBounds(Left_, Top_, Buffer.Width(), Buffer.Height()); }

void TOpalImage::Reload() {
  Invalidate();
  TBrioCollection* cache = Cache();
  if (cache == nullptr) {
    Buffer.ReleaseImage();
    return;
  }
  TBrioItem* item = cache->Acquire(this, Source, false, false);
  const TDIBX* first = item->Frames.empty() ? nullptr : item->Frames[0].Pixels.get();
  const int32_t pw = first != nullptr ? first->Width() : 0, ph = first != nullptr ? first->Height() : 0;
  Width_ = ClampToInt32(int64_t{ZoomX_} * pw / 256);
  Height_ = ClampToInt32(int64_t{ZoomY_} * ph / 256);
  if (first != nullptr && !first->Empty()) {
    Buffer.SetSize(pw, ph, first->BitCount());
    Buffer.Assign(const_cast<TDIBX*>(first));
    Buffer.TransparentColor = first->TransparentColor;
    Buffer.DrawRects = first->DrawRects;
  } else {
    Buffer.ReleaseImage();
  }
  cache->Release(item, this);
  if (!Buffer.Empty() && Level < 255) {
    const int32_t g = 255 - std::max(0, Level);
    Buffer.FillRectSub(Buffer.BoundsRect(), static_cast<uint32_t>(ColourToBufferPixel(Buffer, g | g << 8 | g << 16)));
  }
  Invalidate();
}

void TOpalImage::SetSource(const std::string& v) {
  if (v == Source) return;
  Source = v;
  Reload();
}

void TOpalImage::SetLevel(int32_t v) {
  v = std::clamp(v, 0, 255);
  if (v == Level) return;
  Level = v;
  Reload();
}

void TOpalImage::ReleasePixels() {
  if (!Source.empty()) Buffer.ReleaseImage();
}

void TOpalImage::RecreatePixels() {
  if (!Source.empty()) Reload();
}

const TPropertyTable& TOpalImage::Properties() const {
  using R = TPropertyRows<TOpalImage>;
  static const TPropertyRow rows[] = {
      R::Field<PR_SOURCE, &TOpalImage::Source, &TOpalImage::SetSource>(),
      R::Field<PR_BRIGHTNESS, &TOpalImage::Level, &TOpalImage::SetLevel>(),
  };
  static const TPropertyTable table(TOpalCustomImage::Properties(), rows);
  return table;
}

}  // namespace opal

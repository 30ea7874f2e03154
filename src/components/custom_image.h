// TOpalCustomImage: the base of every picture-showing control: alpha, zoom,
// rotation, mirroring, the capture mask and the auto-size rule. TOpalImage:
// a single picture in a buffer of its own (the flip snapshot, film images).
#pragma once

#include <string>

#include "raster/dibx.h"
#include "stage/opal_control.h"

namespace opal {

class TBrioCollection;

class TOpalCustomImage : public TOpalControl {
 public:
  explicit TOpalCustomImage(TOpalBaseList* owner);

  const TPropertyTable& Properties() const override;

  // What is shown; null without a picture.
  virtual TCustomDIBX* ShownPixels() const = 0;
  virtual TCustomDIBX* ShownMask() const { return nullptr; }

  int32_t ZoomX() const override { return ZoomX_; }
  int32_t ZoomY() const override { return ZoomY_; }
  bool FlipH() const override { return FlipH_; }
  bool FlipV() const override { return FlipV_; }
  bool ImageSize(int32_t& width, int32_t& height) const override;
  TRect ScreenRect() const override;
  bool PointOnSelf(int32_t x, int32_t y) const override;
  void UpdatePendingSize() override;
  bool Update(int32_t elapsedMs) override;

  // Tiles and objects with a motion keep the size they are given.
  virtual bool AutoSized() const { return !HasMotion(); }
  // Recomputes Width and Height from the picture and the zooms.
  void UpdateSize();
  void SetAlpha(int32_t v);
  void SetZoom(int axis, int32_t v);
  void SetAngle(int32_t v);
  void SetFlip(int axis, bool v);
  void SetImageWidth(int axis, int32_t v);
  int32_t Alpha() const { return Alpha_; }
  int32_t Angle() const { return Angle_; }
  // PR_ORIGWIDTH, PR_ORIGHEIGHT: the shown picture's size, 0 without one.
  int32_t PictureWidth() const;
  int32_t PictureHeight() const;
  bool CaptureMask = false;

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;

 protected:
  void DrawSelf(TCustomDIBX& canvas) override;
  // Draws `src` (with its mask) as this object's picture at its place.
  void DrawPicture(TCustomDIBX& canvas, TCustomDIBX* src, TCustomDIBX* mask);
  // The size the picture is drawn at, in 1/256 of the picture's (the zoom,
  // or for an explicit size the size's ratio).
  int64_t EffectiveScale(int axis) const;
  // The unrotated screen rectangle and the anchor point on screen.
  TRect PlainRect() const { return TOpalControl::ScreenRect(); }
  void AnchorOnScreen(double& cx, double& cy) const;
  // Marks the size for recomputation here and on children placed by zoom.
  void MarkSizeDirty();
  TBrioCollection* Cache() const;

  int32_t Alpha_ = 255;
  int32_t ZoomX_ = 256, ZoomY_ = 256;
  int32_t Angle_ = 0;
  bool FlipH_ = false, FlipV_ = false;
  bool SizeDirty_ = false;
};

class TOpalImage : public TOpalCustomImage {
 public:
  explicit TOpalImage(TOpalBaseList* owner);

  TCustomDIBX* ShownPixels() const override;
  const TPropertyTable& Properties() const override;
  void SetSource(const std::string& v);
  void SetLevel(int32_t v);
  // Sizes the object to its own buffer (after someone drew into it).
  void SizeToPicture();
  void ReleasePixels() override;
  void RecreatePixels() override;

  TDIBX Buffer;
  std::string Source;
  int32_t Level = 255;

 private:
  void Reload();
};

}  // namespace opal

// TOpalTile (kind 20): fills its rectangle with copies of the current frame,
// scrolled by (PR_SCROLLX, PR_SCROLLY) and optionally spaced by distances.
// It is placed without anchor or zoom, never auto-sized, and always repeats.
#pragma once

#include <string>

#include "components/custom_images.h"

namespace opal {

class TOpalTile : public TOpalCustomImages {
 public:
  explicit TOpalTile(TOpalBaseList* owner);

  uint8_t Kind() const override { return LT_TILE; }
  uint32_t ClassBit() const override { return pc::Tile; }
  TOpalImageList* ShownList() const override { return &List_; }
  const TPropertyTable& Properties() const override;
  std::string IdleHandler() const override { return OnIdle; }
  bool Repeats() const override { return true; }
  bool AutoSized() const override { return false; }
  // Placement ignores the zoom and the anchor; the copies are zoomed.
  int32_t ZoomX() const override { return 256; }
  int32_t ZoomY() const override { return 256; }
  bool FlipH() const override { return false; }
  bool FlipV() const override { return false; }
  TRect ScreenRect() const override { return PlainRect(); }
  bool PointOnSelf(int32_t x, int32_t y) const override;
  int32_t ScrollX() const override { return Scroll_[0]; }
  int32_t ScrollY() const override { return Scroll_[1]; }

  void SetSource(const std::string& v);
  void SetScroll(int axis, int32_t v);
  void SetDistance(int axis, int32_t v);

  std::string OnIdle;

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;

 protected:
  void DrawSelf(TCustomDIBX& canvas) override;

 private:
  void DrawRects(TCustomDIBX& canvas, TCustomDIBX* src, TCustomDIBX* mask, int32_t stepX, int32_t stepY);

  mutable TOpalImageList List_;
  std::string Source_;
  int32_t Scroll_[2] = {0, 0};
  int32_t Distance_[2] = {0, 0};
  int32_t Offset_[2] = {0, 0};  // PR_OFFSETX/Y, kept but not used for placement
};

}  // namespace opal

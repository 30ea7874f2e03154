// TOpalBase: one of the stage's two full-screen layers, with its dirty
// rectangles and its own pixel buffer. TOpalCabinet: an invisible
// container that parks the controls placed in it.
#pragma once

#include <memory>

#include "raster/dibx.h"
#include "stage/clip_list.h"
#include "stage/opal_control.h"
#include "stage/window_input.h"

namespace opal {

class TOpalBase : public TOpalControl {
 public:
  explicit TOpalBase(TOpalBaseList* owner);

  uint32_t ClassBit() const override { return pc::Base; }
  bool IsBase() const override { return true; }
  TOpalBase* GetBase() override { return this; }
  // The screen buffer when this is the active base of the global stage and
  // no transition runs, the stage's private buffer for a private stage's
  // active base, otherwise Canvas.
  TCustomDIBX* GetCanvas();

  // Clamps to the base and adds what remains to the dirty list.
  void AddDirty(const TRect& r);
  void MarkAllDirty();
  // Sizes the base and its canvas (pixels undefined until redrawn).
  void Resize(int32_t width, int32_t height, int32_t bitCount);
  // Repaints each dirty rectangle of the list into `canvas`, from the
  // background up. The list is left as it is (the stage clears it after
  // presenting).
  void DrawDirty(TCustomDIBX& canvas);
  // Repaints one rectangle (the background fill, then the tree).
  void DrawRect(TCustomDIBX& canvas, const TRect& r);
  void Draw(TCustomDIBX& canvas) override;

  void ReleasePixels() override { Canvas.ReleaseImage(); }
  void RecreatePixels() override;

  TClipList DirtyList;
  TDIBX Canvas;
  TMouseState Mouse;

 protected:
  void DrawSelf(TCustomDIBX& canvas) override;
};

class TOpalCabinet : public TOpalControl {
 public:
  explicit TOpalCabinet(TOpalBaseList* owner);
  uint8_t Kind() const override { return LT_CABINET; }
  uint32_t ClassBit() const override { return pc::Cabinet; }
  bool IsCabinet() const override { return true; }
  bool Visible() const override { return false; }
  void SetVisible(bool) override {}
  void Draw(TCustomDIBX&) override {}
};

}  // namespace opal

// Helpers of the stage tests: a sized stage and boxes placed in one call.
#pragma once

#include <string>

#include "stage/base_list.h"
#include "stage/opal_box.h"

namespace opal::testing {

inline TOpalBox* AddBox(TOpalBaseList& stage, TOpalControl* parent, int32_t left, int32_t top,
                        int32_t width, int32_t height, int32_t colour = 0x0000FF,
                        const std::string& name = {}) {
  TOpalBox* box = stage.Create<TOpalBox>();
  if (!name.empty()) box->SetName(name);
  box->SetParent(parent ? parent : stage.ActiveBase());
  box->SetBounds(left, top, width, height);
  box->SetColor(colour);
  return box;
}

// A control whose zoom, mirroring, scrolling and picture size are plain
// fields, for the placement rules that the image classes use.
class TTestControl : public TOpalControl {
 public:
  using TOpalControl::TOpalControl;
  int32_t ZoomX() const override { return Zoom[0]; }
  int32_t ZoomY() const override { return Zoom[1]; }
  bool FlipH() const override { return Flip[0]; }
  bool FlipV() const override { return Flip[1]; }
  int32_t ScrollX() const override { return Scroll[0]; }
  int32_t ScrollY() const override { return Scroll[1]; }
  bool ImageSize(int32_t& w, int32_t& h) const override {
    w = Image[0], h = Image[1];
    return HasImage;
  }
  int32_t Zoom[2] = {256, 256};
  bool Flip[2] = {false, false};
  int32_t Scroll[2] = {0, 0};
  int32_t Image[2] = {0, 0};
  bool HasImage = false;
};

// A non-visual component (like a sound or a timer) of kind 17.
class TTestSound : public TOpalComponent {
 public:
  using TOpalComponent::TOpalComponent;
  uint8_t Kind() const override { return LT_SOUND; }
  uint32_t ClassBit() const override { return pc::Sound; }
};

}  // namespace opal::testing

// TOpalMapImage (kind 18): a picture with named areas read from a map file.
// The area under the mouse shows the hover picture; choosing an area (click,
// Enter or Space) reports it and may close the object.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "components/image_list.h"
#include "components/map_file.h"
#include "stage/opal_control.h"

namespace opal {

class TOpalMapImage : public TOpalControl {
 public:
  static constexpr uint8_t kSelectEvent = 72;
  static constexpr uint8_t kMapInEvent = 104;
  static constexpr uint8_t kMapOutEvent = 105;
  // The closing machine: asked, then Closing set, then destroyed.
  static constexpr int32_t kCloseAsked = 100;
  static constexpr int32_t kCloseShown = 101;

  explicit TOpalMapImage(TOpalBaseList* owner);
  ~TOpalMapImage() override;

  uint8_t Kind() const override { return LT_MAPIMG; }
  uint32_t ClassBit() const override { return pc::MapImage; }
  const TPropertyTable& Properties() const override;
  bool Paused() const override { return PausedFlag; }
  std::string IdleHandler() const override { return OnIdle; }
  bool Closing() const override { return CloseState != 0 || ClosingFlag; }
  bool ImageSize(int32_t& width, int32_t& height) const override;
  bool Update(int32_t elapsedMs) override;
  void ReleasePixels() override;
  void RecreatePixels() override;

  void SetSource(const std::string& v);
  void SetHoverSource(const std::string& v);
  void SetMapSource(const std::string& v);
  void SetAlpha(int32_t v);
  void SetBrightness(int32_t v);

  // --- the stage's input reactions ---
  // Hover follows the pointer; a left click chooses; arrows move the hover,
  // Enter and Space choose, Escape closes; each then reacts as a control.
  void DoMouseMove(TMouseState& m) override;
  void DoMouseLeave(TMouseState& m) override;
  void DoLeftDown(TMouseState& m) override;
  void DoKeyRepeat(const std::vector<uint8_t>& codes) override;
  bool RightClickScrap() const override { return RClickScrap; }
  bool DoRightClickClose() override { return RightClickClose(); }

  // --- reactions (screen coordinates) ---
  void MouseMove(int32_t x, int32_t y);
  void MouseLeave();
  // True when an area was chosen.
  bool LeftDown();
  // A key of the repeat reaction; `pressed` when it went down this frame.
  void KeyRepeat(int32_t code, bool pressed);
  // The stage's right-click close; true when accepted.
  bool RightClickClose();
  void SetHovered(int32_t index);
  void Choose(int32_t index);
  void StartClosing();

  int32_t Hovered() const { return Hovered_; }
  const std::vector<TMapArea>& Areas() const { return Areas_; }
  // The first area (in file order) containing the image pixel, or −1.
  int32_t AreaAt(int32_t x, int32_t y) const;

  std::string OnSelect, OnMapIn, OnMapOut, OnIdle;
  bool AutoScrap = false;
  bool RClickScrap = false;
  bool PausedFlag = false;
  int32_t CloseState = 0;
  bool ClosingFlag = false;

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;

 protected:
  void DrawSelf(TCustomDIBX& canvas) override;

 private:
  // A frame's own mask cut to an area (hover) or to its complement (base).
  struct TAreaMask {
    std::unique_ptr<TDIBX> Mask;
    int32_t BuiltFor = -2;
    uint64_t Generation = 0;
  };
  TDIBX* MaskFor(TOpalImageList& list, std::vector<TAreaMask>& masks, bool hover);
  void DrawFrame(TCustomDIBX& canvas, TOpalImageList& list, std::vector<TAreaMask>& masks, bool hover);
  void InvalidateArea(int32_t index);
  void SetSelection(const std::string& name, int32_t index);
  void Post(const std::string& handler, uint8_t kind, int32_t index);

  TOpalImageList Base_, Hover_;
  std::vector<TAreaMask> BaseMasks_, HoverMasks_;
  std::string Source_, HoverSource_, MapSource_;
  int32_t Alpha_ = 255;
  int32_t Brightness_ = 0;
  std::vector<TMapArea> Areas_;
  int32_t Hovered_ = -1;
};

}  // namespace opal

// TOpalBox: a filled and framed rectangle, opaque, blended or additive by
// its alpha (0 nothing, 1..254 blend, 255 opaque, 256..511 additive).
#pragma once

#include "stage/opal_control.h"

namespace opal {

class TOpalBox : public TOpalControl {
 public:
  explicit TOpalBox(TOpalBaseList* owner);

  uint8_t Kind() const override { return LT_BOX; }
  uint32_t ClassBit() const override { return pc::Box; }
  const TPropertyTable& Properties() const override;
  bool Paused() const override { return PausedFlag; }
  std::string IdleHandler() const override { return OnIdle; }

  void SetBorderWidth(int32_t v);
  void SetBorderColor(int32_t v);
  void SetAlpha(int32_t v);
  void SetSource(const std::string& v);
  bool Update(int32_t elapsedMs) override;
  void RecreatePixels() override;

  void SaveToStream(TStream& s) const override;
  void LoadFromStream(TStream& s, int32_t version) override;

  int32_t BorderWidth = 0;
  int32_t BorderColor = -1;
  int32_t Alpha = 255;
  std::string OnIdle;
  std::string Source;  // a motion file or empty
  bool Repeat = false;
  bool AutoScrap = false;
  std::string OnPlayEnd;
  bool PausedFlag = false;

 protected:
  void DrawSelf(TCustomDIBX& canvas) override;
};

}  // namespace opal

// What the stage needs of a running wipe: it is made by the wipe factory
// (TWipeFactory, stage_services.h) from the old and new pictures onto the
// screen buffer, told the elapsed time, and composes one in-between picture
// per frame.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "raster/rect.h"

namespace opal {

class TCustomDIBX;

class TStageWipe {
 public:
  virtual ~TStageWipe() = default;
  virtual int32_t Duration() const = 0;
  // The starter's options, set once the stage has made the wipe and before
  // its first step: the kind's parameters 0 and 1, the rule image, and then
  // Prepare. A kind ignores what it does not use.
  virtual void SetParam(int32_t /*index*/, int32_t /*value*/) {}
  virtual void SetMaskFile(const std::string& /*name*/) {}
  virtual void Prepare() {}
  virtual void SetTime(int32_t ms) = 0;
  // Composes the picture for the current time into the destination;
  // answers true (drawing nothing) once the time has reached the duration.
  virtual bool Step() = 0;
  // The area the last step changed.
  virtual TRect UpdateRect() const = 0;
};

struct TWipeRequest {
  int32_t Kind = 0;
  int32_t Param = 0;
  int32_t Duration = 0;
  TCustomDIBX* Dest = nullptr;
  TCustomDIBX* OldImage = nullptr;
  TCustomDIBX* NewImage = nullptr;
};

}  // namespace opal

// An interpreter's host with a stage of its own (and an image cache for the
// stage's pictures), for running object commands in tests.
#pragma once

#include <string>

#include "components/brio_collection.h"
#include "scenario/call_man.h"
#include "stage/base_list.h"

namespace opal::testing {

class TStageHost : public TCallManHost {
 public:
  TTimerList* Events() override { return &Stage_.Events; }
  TOpalBaseList* Stage() override { return &Stage_; }
  uint64_t ObjectId(TOpalObject* obj) override { return obj != nullptr ? obj->Id() : 0; }
  std::string ObjectNameById(uint64_t id) override {
    const TOpalObject* obj = Stage_.ById(id);
    return obj != nullptr ? obj->Name() : "";
  }
  void PostClose() override {}
  TBrioCollection Cache;  // outlives the stage's objects
  TOpalBaseList Stage_;
};

}  // namespace opal::testing

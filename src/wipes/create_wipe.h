// CreateWipe and the kind table: the number a screen change passes, the
// class it makes and the parameters it starts with. TWipeMaker is the
// stage's wipe factory over this table.
#pragma once

#include <cstdint>
#include <memory>

#include "stage/stage_services.h"
#include "wipes/custom_wipe.h"

namespace opal {

struct TWipeKindInfo {
  int32_t Kind;
  const char* Name;
  int32_t Default0, Default1;
  std::unique_ptr<TCustomWipe> (*Make)(TCustomDIBX* dest, TCustomDIBX* newImage,
                                       TCustomDIBX* oldImage);
};

// The entry of a kind this player builds, or null.
const TWipeKindInfo* FindWipeKind(int32_t kind);
// Every kind built, in kind order.
const TWipeKindInfo* WipeKinds(int32_t& count);

// The wipe of `kind` from the old to the new picture onto `dest` with its
// default parameters (SetParam 0, then 1), or none for a kind without one.
std::unique_ptr<TCustomWipe> CreateWipe(int32_t kind, TCustomDIBX* dest, TCustomDIBX* oldImage,
                                        TCustomDIBX* newImage, const TWipeContext& context = {});

// The stage's factory: the request's Param is the reverse flag, its
// duration the wipe's. Context is given to every wipe it makes.
class TWipeMaker : public TWipeFactory {
 public:
  TWipeContext Context;
  TWipeRandom Random;

  explicit TWipeMaker(uint32_t randomSeed = 0) : Random(randomSeed) { Context.Random = &Random; }
  std::unique_ptr<TStageWipe> MakeWipe(const TWipeRequest& request) override;
};

}  // namespace opal

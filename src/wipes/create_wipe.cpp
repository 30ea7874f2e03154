#include "wipes/create_wipe.h"

#include <iterator>

#include "wipes/wipe_kinds.h"

namespace opal {

namespace {

template <class T>
std::unique_ptr<TCustomWipe> Make(TCustomDIBX* dest, TCustomDIBX* newImage, TCustomDIBX* oldImage) {
  return std::make_unique<T>(dest, newImage, oldImage);
}

// The kinds this player builds; the others (mosaic, sudare, spot, small,
// big, ripple, blur, twist, crack, zoom, rubber) switch at once.
constexpr TWipeKindInfo kKinds[] = {
    {1, "Fade", 0, 0, Make<TWipeFade>},
    {2, "BlindH", 20, 1, Make<TWipeBlindH>},
    {3, "BlindV", 20, 1, Make<TWipeBlindV>},
    {4, "CurtainH", 30, 1, Make<TWipeCurtainH>},
    {5, "CurtainV", 30, 1, Make<TWipeCurtainV>},
    {6, "ScrollH", 0, 0, Make<TWipeScrollH>},
    {7, "ScrollV", 0, 0, Make<TWipeScrollV>},
    {8, "Grid", 80, 30, Make<TWipeGrid>},
    {9, "GridH", 80, 30, Make<TWipeGridH>},
    {10, "GridV", 80, 30, Make<TWipeGridV>},
    {11, "Dither", 0, 0, Make<TWipeDither>},
    {12, "White", 0, 0, Make<TWipeWhite>},
    {13, "Black", 0, 0, Make<TWipeBlack>},
    {14, "Flash", 0, 0, Make<TWipeFlash>},
    {19, "Shadow", 0, 0, Make<TWipeShadow>},
    {20, "ShadowWhite", 0, 0, Make<TWipeShadowWhite>},
    {21, "ShadowBlack", 0, 0, Make<TWipeShadowBlack>},
    {31, "Clockhand", 0, 0, Make<TWipeClockhand>},
    {34, "Fan", 0, 0, Make<TWipeFan>},
    {35, "WFan", 0, 0, Make<TWipeWFan>},
    {36, "Circle", 0, 0, Make<TWipeCircle>},
    {37, "BlockCoil", 60, 0, Make<TWipeBlockCoil>},
    {38, "BlockRandom", 60, 0, Make<TWipeBlockRandom>},
};

}  // namespace

const TWipeKindInfo* FindWipeKind(int32_t kind) {
  for (const TWipeKindInfo& k : kKinds) {
    if (k.Kind == kind) return &k;
  }
  return nullptr;
}

const TWipeKindInfo* WipeKinds(int32_t& count) {
  count = static_cast<int32_t>(std::size(kKinds));
  return kKinds;
}

std::unique_ptr<TCustomWipe> CreateWipe(int32_t kind, TCustomDIBX* dest, TCustomDIBX* oldImage,
                                        TCustomDIBX* newImage, const TWipeContext& context) {
  const TWipeKindInfo* info = FindWipeKind(kind);
  if (info == nullptr || dest == nullptr || oldImage == nullptr || newImage == nullptr) return nullptr;
  std::unique_ptr<TCustomWipe> wipe = info->Make(dest, newImage, oldImage);
  wipe->Context = context;
  wipe->SetParam(0, info->Default0);
  wipe->SetParam(1, info->Default1);
  return wipe;
}

std::unique_ptr<TStageWipe> TWipeMaker::MakeWipe(const TWipeRequest& request) {
  std::unique_ptr<TCustomWipe> wipe =
      CreateWipe(request.Kind, request.Dest, request.OldImage, request.NewImage, Context);
  if (wipe == nullptr) return nullptr;
  wipe->SetDuration(request.Duration);
  wipe->SetReverse(request.Param != 0);
  return wipe;
}

}  // namespace opal

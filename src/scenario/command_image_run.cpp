// What the image-creating commands do when run: like BoxNew, they create
// the object by its kind and apply their property expressions in the
// creation order; images take the PR_DELAY expression as their extra wait.
#include "components/custom_images.h"
#include "components/image_components.h"
#include "scenario/call_man.h"
#include "scenario/commands_object.h"
#include "stage/base_list.h"

namespace opal {

namespace {

// The stage creates nothing for a kind whose classes are not registered.
TOpalObject* CreateOn(TCallMan& cm, uint8_t kind) {
  TOpalBaseList* stage = cm.Host.Stage();
  return stage != nullptr ? stage->CreateByKind(kind) : nullptr;
}

}  // namespace

void TComImgNew::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalObject* obj = CreateOn(cm, LT_IMAGES);
  if (obj == nullptr) return;
  if (auto* img = dynamic_cast<TOpalCustomImages*>(obj); img != nullptr) {
    if (TOpalParser* wait = Property(PR_DELAY)) img->ExtraWait.Assign(*wait);
  }
  ApplyCreationProperties(*obj, ImageCreationValues(*obj, CreationValues(cm)));
}

void TComMapImgNew::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalObject* obj = CreateOn(cm, LT_MAPIMG);
  if (obj == nullptr) return;
  ApplyCreationProperties(*obj, ImageCreationValues(*obj, CreationValues(cm)));
}

void TComTileNew::Execute(TCallMan& cm, TPage*&, int32_t& index) {
  ++index;
  TOpalObject* obj = CreateOn(cm, LT_TILE);
  if (obj == nullptr) return;
  ApplyCreationProperties(*obj, CreationValues(cm));
}

}  // namespace opal

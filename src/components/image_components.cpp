#include "components/image_components.h"

#include "components/brio_collection.h"
#include "components/custom_images.h"
#include "components/map_image.h"
#include "components/opal_tile.h"
#include "stage/base_list.h"

namespace opal {

namespace {

template <class T>
TOpalObject* Make(TOpalBaseList& stage) {
  return stage.Create<T>();
}

}  // namespace

void RegisterImageComponents(TOpalBaseList& stage) {
  stage.SetKindFactory(LT_IMAGES, &Make<TOpalImages>);
  stage.SetKindFactory(LT_MAPIMG, &Make<TOpalMapImage>);
  stage.SetKindFactory(LT_TILE, &Make<TOpalTile>);
}

void SetImageCacheMode(TOpalBaseList& stage, uint8_t mode) {
  TBrioCollection* cache = stage.Services().ImageCache;
  if (cache == nullptr || cache->DepthMode() == mode) return;
  cache->SetDepthMode(mode);
  stage.BaseAt(0)->MarkAllDirty();
  stage.BaseAt(1)->MarkAllDirty();
}

TCreationValue ImageCreationValues(const TOpalObject& obj, TCreationValue given) {
  return [&obj, given = std::move(given)](int id) -> std::optional<TPropValue> {
    std::optional<TPropValue> v = given ? given(id) : std::nullopt;
    if ((id == PR_WIDTH || id == PR_HEIGHT) && (!v || v->Int < 1)) return GetPropValue(obj, id);
    return v;
  };
}

}  // namespace opal

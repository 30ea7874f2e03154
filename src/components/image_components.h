// Joins the image classes to a stage: CreateByKind then makes images (8),
// map images (18) and tiles (20). The stage's ImageCache is set by its owner.
#pragma once

#include <cstdint>

#include "stage/creation.h"

namespace opal {

class TOpalBaseList;
class TOpalObject;

void RegisterImageComponents(TOpalBaseList& stage);

// The stage's SetImageCacheMode (@CGDither): passes the mode to the stage's
// image cache and, when it changed, repaints both bases.
void SetImageCacheMode(TOpalBaseList& stage, uint8_t mode);

// The creation values of an image-family object: a PR_WIDTH or PR_HEIGHT
// that is absent or below 1 keeps the size the picture gave the object,
// where the creation default 0 would stretch the picture to nothing.
TCreationValue ImageCreationValues(const TOpalObject& obj, TCreationValue given);

}  // namespace opal

// Flattening of a frame's layers onto its canvas: alpha composite, copy and
// keyed blend (ordered dither on palette canvases), per depth.
#pragma once

#include "imagefiles/brio_frame_list.h"

namespace opal {

// Fills the canvas with the raw background value and composites the visible
// layers of `frame` in file order onto it. With `consume`, a layer that is
// copied whole gives its pixels to the canvas (it is not needed afterwards),
// and the fill is left out when such a copy comes first.
void FlattenFrame(TBrioFrame& frame, bool opaqueBottom, uint32_t background, bool consume = false);

// The single steps, on a canvas and a layer image of the same size and depth.
void CompositeAlpha(TDIBSurface& canvas, const TDIBSurface& image, const TDIBSurface& alpha);
void BlendKeyed(TDIBSurface& canvas, const TDIBSurface& image, int32_t opacity, int32_t key);

}  // namespace opal

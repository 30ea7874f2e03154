// TBrioFrameList::LoadFromFile: layered files, and single-frame lists made
// from PNG and bitmap files.
#include <memory>

#include "imagefiles/bmp_codec.h"
#include "imagefiles/brio_frame_list.h"
#include "imagefiles/image_loading.h"
#include "imagefiles/png_codec.h"
#include "storage/stream.h"

namespace opal {
namespace {

// A 32-bit picture becomes 24 bits with its fourth bytes as the alpha plane.
void SplitFourthByte(TDIBSurface& picture) {
  const int32_t w = picture.Width(), h = picture.Height();
  TDIBSurface rgb;
  rgb.SetSize(w, h, 24);
  auto alpha = std::make_unique<TDIBSurface>();
  alpha->SetSize(w, h, 8);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* src = picture.Row(y);
    uint8_t* dst = rgb.Row(y);
    uint8_t* a = alpha->Row(y);
    for (int32_t x = 0; x < w; ++x) {
      dst[3 * x] = src[4 * x];
      dst[3 * x + 1] = src[4 * x + 1];
      dst[3 * x + 2] = src[4 * x + 2];
      a[x] = src[4 * x + 3];
    }
  }
  rgb.AlphaPlane = std::move(alpha);
  picture = std::move(rgb);
}

}  // namespace

void TBrioFrameList::LoadFromFile(const std::string& name, bool firstOnly) {
  const std::string ext = LowerExtension(name);
  const bool bitmap = ext == ".bmp" || ext == ".dib";
  if (ext != ".bri" && ext != ".png" && !bitmap) return;
  TFileStream file(name, fm::OpenRead | fm::ShareDenyNone);
  if (ext == ".bri") {
    LoadFromStream(file, firstOnly);
    return;
  }
  Clear();
  TDIBSurface picture;
  int32_t transparent = -1;
  if (bitmap) {
    LoadBmp(file, picture);
    if (picture.BitCount() == 32) SplitFourthByte(picture);
  } else {
    LoadPng(file, picture, transparent);
  }
  TBrioFrame* frame = AddFrame();
  frame->Picture = std::move(picture);
  // A PNG's single transparent colour becomes the frame's transparent value
  // in the picture's own format (nearest table entry for palette pictures).
  if (transparent >= 0 && !frame->Picture.HasAlpha() && !frame->Picture.Empty()) {
    frame->TransparentValue = static_cast<int32_t>(frame->Picture.ColorToValue(transparent));
    frame->TransparentColor =
        frame->Picture.ValueToColor(static_cast<uint32_t>(frame->TransparentValue));
  }
}

}  // namespace opal

#include "wipes/rule_image.h"

#include <algorithm>
#include <exception>

#include "imagefiles/image_loading.h"
#include "raster/dibx.h"
#include "stage/stage_services.h"
#include "storage/stream.h"

namespace opal {

namespace {

// The picture as 8-bit grey levels, or an empty buffer.
void ReadRule(const TWipeContext& context, const std::string& name, TDIBX& levels) {
  if (name.empty()) return;
  auto warn = [&](const std::string& why) {
    if (context.Warn) context.Warn("rule image \"" + name + "\": " + why);
  };
  if (context.Files == nullptr) {
    warn("no game files to read it from");
    return;
  }
  try {
    TMemoryStream bytes;
    context.Files->Load(name, bytes);
    bytes.SetPosition(0);
    levels.SetBitCount(8);
    LoadDIBXFromStream(levels, &bytes, context.Seed);
    if (levels.Empty()) warn("not a picture, or an empty one");
  } catch (const std::exception& e) {
    levels.ReleaseImage();
    warn(e.what());
  }
}

}  // namespace

std::vector<uint8_t> BuildRuleLevels(const TWipeContext& context, const std::string& name,
                                     bool reverse, int32_t width, int32_t height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  std::vector<uint8_t> out(static_cast<size_t>(width) * static_cast<size_t>(height), 255);
  TDIBX picture;
  ReadRule(context, name, picture);
  if (picture.Empty() || picture.BitCount() != 8) return out;
  const int32_t pw = picture.Width(), ph = picture.Height();
  const uint8_t flip = reverse ? 255 : 0;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* src = picture.PixelAddress(0, y % ph);
    if (src == nullptr) break;
    uint8_t* row = out.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int32_t x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(src[x % pw] ^ flip);
    picture.Unlock();
  }
  return out;
}

}  // namespace opal

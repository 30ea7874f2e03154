// Saved records of the image kinds on a stage whose image cache knows a
// small animated picture ("a.bri") and a map file ("m.map"); the version
// comes from the first byte. After loading, the stage is updated, drawn and
// hit-tested, and every map image is hovered and clicked.
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "common/error.h"
#include "components/brio_collection.h"
#include "components/image_components.h"
#include "components/map_image.h"
#include "expr/param_collection.h"
#include "imagefiles/brio_encoder.h"
#include "raster/dibx.h"
#include "stage/base_list.h"
#include "stage/opal_base.h"
#include "storage/stream.h"

namespace {

std::map<std::string, std::vector<uint8_t>> MakeFiles() {
  opal::TBrioFrameList list(0);
  for (int i = 0; i < 3; ++i) {
    opal::TBrioFrame* f = list.AddFrame();
    f->DisplayTime = 20 * i;
    f->TransparentValue = i == 1 ? 0 : -1;
    f->Picture.SetSize(12, 9, 32);
    for (int32_t y = 0; y < 9; ++y)
      for (int32_t x = 0; x < 12; ++x) f->Picture.SetPixel(x, y, static_cast<uint32_t>(x * 20 + y * 7 + i));
    f->DrawRects = {{0, 0, 6, 9}};
  }
  opal::TBrioEncodeOptions o;
  o.Mode = 1;
  opal::TMemoryStream bri;
  opal::TBrioEncoder(o).Write(list, bri);
  opal::TMapArea a, b;
  a.Name = "a", a.Right = 7, a.Bottom = 5;
  b.Name = "b", b.Shape = opal::msPolygon, b.Points = {{0, 0}, {11, 2}, {4, 8}};
  opal::TMemoryStream map;
  opal::TMapFile::Write(map, {a, b});
  return {{"a.bri", bri.Bytes()}, {"m.map", map.Bytes()}};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::map<std::string, std::vector<uint8_t>> files = MakeFiles();
  if (size < 9) return 0;
  const int32_t version = 100 + data[0] % 40;
  // The stage's side comes first; large stages only cost time and memory.
  const int32_t width = static_cast<int32_t>(data[1] | data[2] << 8 | data[3] << 16 | uint32_t{data[4]} << 24);
  const int32_t height = static_cast<int32_t>(data[5] | data[6] << 8 | data[7] << 16 | uint32_t{data[8]} << 24);
  if (width < 0 || height < 0 || width > 256 || height > 256) return 0;
  opal::TBrioCollection cache;
  cache.Knows = [](std::string_view name) { return files.contains(std::string(name)); };
  cache.Reader = [](std::string_view name, opal::TStream& out) {
    const auto& bytes = files.at(std::string(name));
    out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  };
  opal::TParamCollection vars;
  opal::TDIBX screen;
  screen.SetSize(64, 48, 32);
  opal::TStageServices services;
  services.Screen = &screen;
  services.ImageCache = &cache;
  services.Vars = &vars;
  opal::TOpalBaseList stage(services);
  opal::RegisterImageComponents(stage);
  opal::TMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
  try {
    stage.LoadFromStream(s, version);
  } catch (const opal::EOpalError&) {
    return 0;
  }
  for (int frame = 0; frame < 3; ++frame) {
    for (const auto& o : stage.Objects()) {
      if (auto* m = dynamic_cast<opal::TOpalMapImage*>(o.get())) {
        m->MouseMove(opal::ClampToInt32(int64_t{m->ScreenLeft()} + frame),
                     opal::ClampToInt32(int64_t{m->ScreenTop()} + frame));
        m->LeftDown();
        m->KeyRepeat(0x28, true);
      }
    }
    stage.Update(17);
    stage.ActiveBase()->MarkAllDirty();
    stage.OtherBase()->MarkAllDirty();
    stage.Draw();
    stage.ClearDirty();
    (void)stage.ActiveBase()->HitTest(frame * 5, frame * 3, 0x1F);
  }
  return 0;
}

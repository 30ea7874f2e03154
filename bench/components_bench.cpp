// Image objects at 1280×720, 32 bits: a full-screen redraw of a tile over a
// 64×64 frame (seamless and with distances), and a map image of 800×600
// whose hovered area changes every frame (each frame's area mask is built
// again and the two areas' boxes are redrawn).
#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

#include "components/brio_collection.h"
#include "components/image_components.h"
#include "components/map_image.h"
#include "components/opal_tile.h"
#include "imagefiles/brio_encoder.h"
#include "raster/dibx.h"
#include "stage/base_list.h"
#include "storage/stream.h"

namespace opal {
namespace {

constexpr int32_t kW = 1280, kH = 720;

std::vector<uint8_t> Picture(int32_t w, int32_t h) {
  TBrioFrameList list(0);
  TBrioFrame* f = list.AddFrame();
  f->Picture.SetSize(w, h, 32);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) f->Picture.SetPixel(x, y, static_cast<uint32_t>(x * 3 + y * 5));
  TBrioEncodeOptions o;
  o.Mode = 1;
  TMemoryStream out;
  TBrioEncoder(o).Write(list, out);
  return out.Bytes();
}

struct TBenchStage {
  TBenchStage() {
    files["tile.bri"] = Picture(64, 64);
    files["map.bri"] = Picture(800, 600);
    TMapArea a, b;
    a.Name = "a", a.Shape = msEllipse, a.Left = 50, a.Top = 50, a.Right = 400, a.Bottom = 400;
    b.Name = "b", b.Left = 300, b.Top = 200, b.Right = 700, b.Bottom = 550;
    TMemoryStream map;
    TMapFile::Write(map, {a, b});
    files["m.map"] = map.Bytes();
    cache.Knows = [this](std::string_view n) { return files.contains(std::string(n)); };
    cache.Reader = [this](std::string_view n, TStream& out) {
      const auto& bytes = files.at(std::string(n));
      out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    };
    screen.SetSize(kW, kH, 32);
    services.Screen = &screen;
    services.ImageCache = &cache;
    stage.SetSize(kW, kH);
    stage.SetColor(0);
    RegisterImageComponents(stage);
  }
  void Frame() {
    stage.Draw();
    stage.ClearDirty();
  }
  std::map<std::string, std::vector<uint8_t>> files;
  TBrioCollection cache;
  TDIBX screen;
  TStageServices services;
  TOpalBaseList stage{services};
};

void BM_TileFullScreen(benchmark::State& state) {
  TBenchStage s;
  auto* tile = s.stage.Create<TOpalTile>();
  tile->SetParent(s.stage.ActiveBase());
  TPropValue v;
  v.Str = "tile.bri";
  SetPropValue(*tile, PR_SOURCE, v);
  tile->SetBounds(0, 0, kW, kH);
  v.Int = static_cast<int32_t>(state.range(0));
  SetPropValue(*tile, PR_DISTANCEX, v);
  SetPropValue(*tile, PR_DISTANCEY, v);
  for (auto _ : state) {
    s.stage.ActiveBase()->MarkAllDirty();
    s.Frame();
    benchmark::DoNotOptimize(s.screen.PixelAddress(0, 0));
    s.screen.Unlock();
  }
}
BENCHMARK(BM_TileFullScreen)->Arg(0)->Arg(100);

void BM_MapImageHoverChange(benchmark::State& state) {
  TBenchStage s;
  auto* map = s.stage.Create<TOpalMapImage>();
  map->SetParent(s.stage.ActiveBase());
  map->SetSource("map.bri");
  map->SetHoverSource("map.bri");
  map->SetMapSource("m.map");
  s.Frame();
  int32_t area = 0;
  for (auto _ : state) {
    map->SetHovered(area);
    area = area == 0 ? 1 : 0;
    s.Frame();
  }
}
BENCHMARK(BM_MapImageHoverChange);

}  // namespace
}  // namespace opal

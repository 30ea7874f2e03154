// One frame of the example story's busiest screen at 1280×720, 32 bits: a
// full-screen background, a character with soft edges, and a message window
// revealing a full page of Japanese text in the IPA Gothic face (one
// character a frame), beside memcpy of one frame's pixels.
// - BM_StoryFrameFull: the reveal step and a redraw of the whole screen;
// - BM_StoryFrameDirty: the reveal step and a redraw of what it changed;
// - BM_MemcpyFrame: copying 1280×720×4 bytes.
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "components/brio_collection.h"
#include "components/custom_images.h"
#include "components/image_components.h"
#include "components/opal_mes.h"
#include "imagefiles/brio_encoder.h"
#include "platform/font_backend.h"
#include "raster/dibx.h"
#include "stage/base_list.h"
#include "stage/creation.h"
#include "storage/stream.h"
#include "text/font_pixel.h"

namespace opal {
namespace {

constexpr int32_t kW = 1280, kH = 720;
// The frame of the fixed clock.
constexpr int32_t kFrameMs = 15;

std::vector<uint8_t> Picture(int32_t w, int32_t h, bool alpha) {
  TBrioFrameList list(0);
  TBrioFrame* f = list.AddFrame();
  f->Picture.SetSize(w, h, 32);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) f->Picture.SetPixel(x, y, static_cast<uint32_t>(x * 3 + y * 5));
  if (alpha) {
    f->Picture.AlphaPlane = std::make_unique<TDIBSurface>();
    f->Picture.AlphaPlane->SetSize(w, h, 8);
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x) f->Picture.AlphaPlane->SetPixel(x, y, static_cast<uint32_t>((x + y) & 0xFF));
  }
  TBrioEncodeOptions o;
  o.Mode = 1;
  TMemoryStream out;
  TBrioEncoder(o).Write(list, out);
  return out.Bytes();
}

// A page of kanji and kana, three rows of 46 characters at 24 pixels.
std::string PageText() {
  std::string s;
  const std::string words = cp932::FromUtf8("今日はいい天気だね。散歩に行こうか。花がたくさん咲いている。");
  while (cp932::CharCount(s) < 138) s += words;
  return s;
}

struct TStoryStage {
  TStoryStage() {
    files["bg.bri"] = Picture(kW, kH, false);
    files["chara.bri"] = Picture(240, 400, true);
    cache.Knows = [this](std::string_view n) { return files.contains(std::string(n)); };
    cache.Reader = [this](std::string_view n, TStream& out) {
      const auto& bytes = files.at(std::string(n));
      out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    };
    screen.SetSize(kW, kH, 32);
    services.Screen = &screen;
    services.ImageCache = &cache;
    services.Fonts = &fonts;
    stage.SetSize(kW, kH);
    stage.SetColor(0);
    RegisterImageComponents(stage);
    RegisterMessageComponents(stage);
    Make(LT_IMAGES, {{PR_NAME, TPropValue::OfStr("bg")}, {PR_SOURCE, TPropValue::OfStr("bg.bri")}});
    Make(LT_IMAGES, {{PR_NAME, TPropValue::OfStr("chara")}, {PR_PRIORITY, TPropValue::OfInt(20)},
                     {PR_SOURCE, TPropValue::OfStr("chara.bri")}, {PR_LEFT, TPropValue::OfInt(800)},
                     {PR_TOP, TPropValue::OfInt(200)}});
    mes = static_cast<TOpalMes*>(Make(
        LT_MES, {{PR_NAME, TPropValue::OfStr("msg")}, {PR_PRIORITY, TPropValue::OfInt(30)},
                 {PR_LEFT, TPropValue::OfInt(40)}, {PR_TOP, TPropValue::OfInt(520)},
                 {PR_WIDTH, TPropValue::OfInt(1200)}, {PR_HEIGHT, TPropValue::OfInt(180)},
                 {PR_FONTNAME, TPropValue::OfStr("IPAGothic")}, {PR_FONTHEIGHT, TPropValue::OfInt(24)},
                 {PR_FONTCOLOR, TPropValue::OfInt(0xFFFFFF)}, {PR_FONTBORDER, TPropValue::OfInt(1)},
                 {PR_DELAY, TPropValue::OfInt(15)}}));
    Restart();
  }
  TOpalObject* Make(uint8_t kind, const std::map<int, TPropValue>& props) {
    TOpalObject* obj = stage.CreateByKind(kind);
    ApplyCreationProperties(*obj, [&props](int id) -> std::optional<TPropValue> {
      auto it = props.find(id);
      return it == props.end() ? std::nullopt : std::optional<TPropValue>(it->second);
    });
    return obj;
  }
  void Restart() {
    mes->SetProperty(PR_TEXT, TPropValue::OfStr(PageText()));
    stage.Update(kFrameMs);
    stage.ActiveBase()->MarkAllDirty();
    stage.Draw();
    stage.ClearDirty();
  }
  void Frame(bool full, benchmark::State& state) {
    if (mes->PlayState() == 2) {
      state.PauseTiming();
      Restart();
      ++restarts;
      state.ResumeTiming();
    }
    stage.Update(kFrameMs);
    if (full) stage.ActiveBase()->MarkAllDirty();
    stage.Draw();
    stage.ClearDirty();
  }

  std::map<std::string, std::vector<uint8_t>> files;
  std::unique_ptr<FontBackend> backend = CreateFreeTypeFontBackend();
  TFontPixelManager fonts{*backend};
  TBrioCollection cache;
  TDIBX screen;
  TStageServices services;
  TOpalBaseList stage{services};
  TOpalMes* mes = nullptr;
  int64_t restarts = 0;
};

void StoryFrame(benchmark::State& state, bool full) {
  if (ExactFontFileOfFace("IPAGothic").empty()) {
    state.SkipWithError("IPAGothic is not installed");
    return;
  }
  TStoryStage s;
  for (auto _ : state) {
    s.Frame(full, state);
    benchmark::DoNotOptimize(s.screen.PixelAddress(0, 0));
    s.screen.Unlock();
  }
  // Pages shown to their end: one in about 140 frames when the text plays.
  state.counters["pages"] = static_cast<double>(s.restarts);
  state.counters["rows"] = static_cast<double>(s.mes->Pages().empty() ? 0 : s.mes->Pages()[0]->Count());
}

void BM_StoryFrameFull(benchmark::State& state) { StoryFrame(state, true); }
void BM_StoryFrameDirty(benchmark::State& state) { StoryFrame(state, false); }
BENCHMARK(BM_StoryFrameFull);
BENCHMARK(BM_StoryFrameDirty);

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint8_t> a(size_t{kW} * kH * 4, 1), b(a.size());
  for (auto _ : state) {
    std::memcpy(b.data(), a.data(), a.size());
    benchmark::DoNotOptimize(b.data());
  }
}
BENCHMARK(BM_MemcpyFrame);

}  // namespace
}  // namespace opal

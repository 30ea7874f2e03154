// Fixtures of the image-object tests: layered files written at test time
// with the project's encoder, served to the image cache from memory, and a
// global-style stage that composes into a 32-bit screen buffer.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "components/brio_collection.h"
#include "components/image_components.h"
#include "expr/param_collection.h"
#include "imagefiles/brio_encoder.h"
#include "imagefiles/brio_frame_list.h"
#include "raster/dibx.h"
#include "stage/base_list.h"
#include "storage/stream.h"

namespace opal::testing {

// One frame of a fixture file: 32-bit pixels given by a function of (x, y)
// as 0x00RRGGBB, an optional alpha plane, a key and a display time.
struct TFrameSpec {
  int32_t Width = 8, Height = 8;
  std::function<uint32_t(int32_t, int32_t)> Pixel = [](int32_t, int32_t) { return 0x808080u; };
  std::function<uint8_t(int32_t, int32_t)> Alpha;  // none when empty
  int32_t Key = -1;                               // raw pixel value, −1 none
  int32_t Time = 100;
};

inline std::vector<uint8_t> BriFile(const std::vector<TFrameSpec>& frames) {
  TBrioFrameList list(0);
  for (const TFrameSpec& f : frames) {
    TBrioFrame* frame = list.AddFrame();
    frame->DisplayTime = f.Time;
    frame->TransparentValue = f.Key;
    frame->Picture.SetSize(f.Width, f.Height, 32);
    for (int32_t y = 0; y < f.Height; ++y)
      for (int32_t x = 0; x < f.Width; ++x) frame->Picture.SetPixel(x, y, f.Pixel(x, y));
    if (f.Alpha) {
      frame->Picture.AlphaPlane = std::make_unique<TDIBSurface>();
      frame->Picture.AlphaPlane->SetSize(f.Width, f.Height, 8);
      for (int32_t y = 0; y < f.Height; ++y)
        for (int32_t x = 0; x < f.Width; ++x) frame->Picture.AlphaPlane->SetPixel(x, y, f.Alpha(x, y));
    }
  }
  TBrioEncodeOptions options;
  options.Mode = 1;
  TMemoryStream out;
  TBrioEncoder(options).Write(list, out);
  return out.Bytes();
}

// Game data in memory: the files the "project knows".
struct TMemoryFiles {
  std::map<std::string, std::vector<uint8_t>> Files;
  int Reads = 0;

  void Attach(TBrioCollection& cache) {
    cache.Knows = [this](std::string_view name) { return Files.contains(std::string(name)); };
    cache.Reader = [this](std::string_view name, TStream& out) {
      ++Reads;
      const std::vector<uint8_t>& bytes = Files.at(std::string(name));
      out.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    };
  }
};

// A stage with the image classes, an image cache over memory files, a
// variable table and a 32-bit screen it composes into.
struct TImageStage {
  static constexpr int32_t kW = 200, kH = 150;

  TImageStage() {
    Files.Attach(Cache);
    Screen.SetSize(kW, kH, 32);
    Services.Screen = &Screen;
    Services.ImageCache = &Cache;
    Services.Vars = &Vars;
    Stage.SetSize(kW, kH);
    Stage.SetColor(0x000000);
    RegisterImageComponents(Stage);
  }

  // Composes the dirty rectangles into the screen.
  void Draw() {
    Stage.Draw();
    Stage.ClearDirty();
  }
  void Redraw() {
    Stage.ActiveBase()->MarkAllDirty();
    Draw();
  }
  uint32_t At(int32_t x, int32_t y) { return Screen.GetPixel(x, y) & 0xFFFFFF; }
  // Runs `ms` of frames of `step` ms each.
  void Run(int32_t ms, int32_t step = 10) {
    for (int32_t t = 0; t < ms; t += step) Stage.Update(step);
  }
  int CountEvents(uint8_t kind) const {
    int n = 0;
    for (const TTimerData& t : Stage.Events.Items) n += t.Kind == kind ? 1 : 0;
    return n;
  }

  TMemoryFiles Files;
  TBrioCollection Cache;  // outlives the stage's objects
  TParamCollection Vars;
  TDIBX Screen;
  TStageServices Services;
  TOpalBaseList Stage{Services};
};

}  // namespace opal::testing

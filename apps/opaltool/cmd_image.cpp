// opaltool image encode|decode|info: layered images (".bri") from and to
// PNG pictures, through the player's own reader and the authoring encoder.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

#include "arguments.h"
#include "commands.h"
#include "common/error.h"
#include "imagefiles/brio_encoder.h"
#include "imagefiles/brio_frame_list.h"
#include "imagefiles/png_codec.h"
#include "storage/stream.h"

namespace opaltool {

namespace {

using opal::EOpalError;
using opal::Format;
using opal::TDIBSurface;

constexpr const char* kUsage =
    "usage: opaltool image encode [options] IN.png [IN2.png ...] -o OUT.bri\n"
    "         --layers          the pictures are layers of one frame (else frames)\n"
    "         --version N       0 (no magic), 100 ... 106 (default 106)\n"
    "         --mode 0|1|2      zlib, raw, JPEG colour (default 0)\n"
    "         --scramble        rows or tile tables in seed order\n"
    "         --seed N          the tile seed (the project's ImageTileSeed)\n"
    "         --tiles WxH       cut the pictures into tiles, reusing repeated ones\n"
    "         --depth N         1, 4, 8, 15, 16, 24 or 32 (default: the PNG's)\n"
    "         --quality N       JPEG quality (default 70)\n"
    "         --time MS         display time of every frame (default 100)\n"
    "         --times A,B,...   display time of each frame in turn (overrides --time)\n"
    "         --key V           transparent value: 0xRRGGBB, or an index at 1/4/8 bits\n"
    "         --background V    background colour 0xRRGGBB\n"
    "       opaltool image decode [--seed N] IN.bri -o OUT.png   (OUT-N.png per frame N\n"
    "                                                             when there are several)\n"
    "       opaltool image info [--seed N] IN.bri\n";


TDIBSurface ReadPng(const std::string& path) {
  opal::TMemoryStream data;
  data.LoadFromFile(path);
  TDIBSurface picture;
  int32_t transparent = -1;
  try {
    opal::LoadPng(data, picture, transparent);
  } catch (const EOpalError& e) {
    throw EOpalError(path + ": " + e.what());
  }
  return picture;
}

// The picture at another depth. Palette depths keep the indices and table
// of a palette picture whose indices fit; otherwise its distinct colours
// become the table, refused when there are more than the depth holds.
// 15 and 16 bits truncate the channels.
TDIBSurface ToDepth(const TDIBSurface& in, int32_t depth, const std::string& path) {
  if (depth == 0 || depth == in.BitCount()) return in;
  TDIBSurface out;
  out.SetSize(in.Width(), in.Height(), depth);
  if (in.AlphaPlane) out.AlphaPlane = std::make_unique<TDIBSurface>(*in.AlphaPlane);
  if (depth <= 8) {
    const uint32_t entries = 1u << depth;
    uint32_t maxIndex = 0;
    if (in.BitCount() <= 8)
      for (int32_t y = 0; y < in.Height(); ++y)
        for (int32_t x = 0; x < in.Width(); ++x) maxIndex = std::max(maxIndex, in.GetPixel(x, y));
    if (in.BitCount() <= 8 && maxIndex < entries) {
      out.ColorTable = in.ColorTable;
      for (int32_t y = 0; y < in.Height(); ++y)
        for (int32_t x = 0; x < in.Width(); ++x) out.SetPixel(x, y, in.GetPixel(x, y));
      return out;
    }
    std::map<int32_t, uint32_t> index;
    for (int32_t y = 0; y < in.Height(); ++y)
      for (int32_t x = 0; x < in.Width(); ++x) {
        const int32_t c = in.ValueToColor(in.GetPixel(x, y));
        auto [it, fresh] = index.try_emplace(c, static_cast<uint32_t>(index.size()));
        if (fresh && index.size() > entries)
          throw EOpalError(Format("%s: more than %u colours do not fit a depth of %d bits",
                                  path.c_str(), entries, depth));
        if (fresh) out.ColorTable[it->second] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                                 static_cast<uint8_t>(c), 0};
        out.SetPixel(x, y, it->second);
      }
    return out;
  }
  for (int32_t y = 0; y < in.Height(); ++y)
    for (int32_t x = 0; x < in.Width(); ++x)
      out.SetPixel(x, y, out.ColorToValue(in.ValueToColor(in.GetPixel(x, y))));
  return out;
}

std::string Basename(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? name : name.substr(0, dot);
}

int Encode(const Args& args) {
  opal::TBrioEncodeOptions o;
  std::vector<std::string> inputs;
  std::string out, keyText;
  bool layers = false;
  int32_t depth = 0, time = 100;
  std::vector<int32_t> times;
  TArgWalker w(args);
  std::string v;
  while (w.Next()) {
    if (w.Option("-o", out) || w.Option("--key", keyText)) continue;
    if (w.Flag("--layers")) layers = true;
    else if (w.Option("--version", v)) o.Version = OptionNumber("--version", v);
    else if (w.Option("--mode", v)) o.Mode = OptionNumber("--mode", v);
    else if (w.Flag("--scramble")) o.Scrambled = true;
    else if (w.Option("--seed", v)) o.TileSeed = OptionNumber("--seed", v);
    else if (w.Option("--quality", v)) o.Quality = OptionNumber("--quality", v);
    else if (w.Option("--time", v)) time = OptionNumber("--time", v);
    else if (w.Option("--times", v)) {
      times.clear();
      for (size_t at = 0; at <= v.size();) {
        const size_t comma = std::min(v.find(',', at), v.size());
        times.push_back(OptionNumber("--times", v.substr(at, comma - at)));
        at = comma + 1;
      }
    }
    else if (w.Option("--depth", v)) depth = OptionNumber("--depth", v);
    else if (w.Option("--background", v)) o.BackgroundColor = RgbToColour(OptionNumber("--background", v));
    else if (w.Option("--tiles", v)) {
      const size_t x = v.find('x');
      if (x == std::string::npos) throw EOpalError("--tiles: expected WxH, got " + v);
      o.TileWidth = OptionNumber("--tiles", v.substr(0, x));
      o.TileHeight = OptionNumber("--tiles", v.substr(x + 1));
      if (o.TileWidth <= 0 || o.TileHeight <= 0) throw EOpalError("--tiles: sides must be positive");
    } else inputs.push_back(w.Operand());
  }
  if (inputs.empty() || out.empty()) throw EUsageError("encode needs IN.png and -o OUT.bri");
  const size_t frames = layers ? 1 : inputs.size();
  if (!times.empty() && times.size() != frames)
    throw EOpalError(Format("--times: %zu times for %zu frames", times.size(), frames));
  auto timeOf = [&](size_t frame) { return times.empty() ? time : times[frame]; };
  if (depth != 0 && !TDIBSurface::ValidBitCount(depth)) throw EOpalError(Format("--depth: %d is not a depth", depth));

  opal::TBrioFrameList list(o.TileSeed);
  opal::TBrioFrame* shared = layers ? list.AddFrame() : nullptr;
  for (const std::string& path : inputs) {
    TDIBSurface picture = ToDepth(ReadPng(path), depth, path);
    int32_t key = -1;
    if (!keyText.empty()) {
      const int32_t v = OptionNumber("--key", keyText);
      key = picture.BitCount() <= 8 ? v : static_cast<int32_t>(picture.ColorToValue(RgbToColour(v)));
      if (picture.BitCount() <= 8 && (v < 0 || v >= (1 << picture.BitCount())))
        throw EOpalError(Format("--key: index %d does not fit %d bits", v, picture.BitCount()));
    }
    if (shared != nullptr) {
      auto layer = std::make_unique<opal::TBrioLayer>();
      layer->Name = Basename(path);
      layer->UseAlpha = picture.HasAlpha();
      layer->TransparentValue = key;
      layer->Image = std::move(picture);
      shared->Layers.push_back(std::move(layer));
      shared->TransparentValue = key;
      shared->DisplayTime = timeOf(0);
    } else {
      opal::TBrioFrame* f = list.AddFrame();
      f->Name = Basename(path);
      f->Picture = std::move(picture);
      f->TransparentValue = key;
      f->DisplayTime = timeOf(static_cast<size_t>(list.Count() - 1));
    }
  }
  opal::TMemoryStream data;
  opal::TBrioEncoder(o).Write(list, data);
  data.SaveToFile(out);
  return 0;
}

int32_t SeedOption(const Args& args, std::vector<std::string>& rest, std::string* out) {
  int32_t seed = 0;
  TArgWalker w(args);
  std::string v;
  while (w.Next()) {
    if (w.Option("--seed", v)) seed = OptionNumber("--seed", v);
    else if (out == nullptr || !w.Option("-o", *out)) rest.push_back(w.Operand());
  }
  return seed;
}

void Load(opal::TBrioFrameList& list, const std::string& path) {
  opal::TMemoryStream data;
  data.LoadFromFile(path);
  try {
    list.LoadFromStream(data, false);
  } catch (const EOpalError& e) {
    throw EOpalError(path + ": " + e.what());
  }
}

int Decode(const Args& args) {
  std::vector<std::string> rest;
  std::string out;
  const int32_t seed = SeedOption(args, rest, &out);
  if (rest.size() != 1 || out.empty()) throw EUsageError("decode needs IN.bri and -o OUT.png");
  opal::TBrioFrameList list(seed);
  Load(list, rest[0]);
  std::string stem = out;
  if (stem.size() > 4 && stem.substr(stem.size() - 4) == ".png") stem.resize(stem.size() - 4);
  for (int32_t i = 0; i < list.Count(); ++i) {
    opal::TMemoryStream png;
    opal::SavePng(list.Frames(i)->Picture, png);
    png.SaveToFile(list.Count() == 1 ? out : Format("%s-%d.png", stem.c_str(), i));
  }
  return 0;
}

int Info(const Args& args) {
  std::vector<std::string> rest;
  const int32_t seed = SeedOption(args, rest, nullptr);
  if (rest.size() != 1) throw EUsageError("info needs IN.bri");
  opal::TBrioFrameList list(seed);
  list.KeepLayers = true;
  Load(list, rest[0]);
  const opal::TBrioHeader& h = list.Header;
  std::printf("version %d\nheader version %d\nframes %d\nmode %d\nscrambled %d\ntiles %dx%d\n"
              "background 0x%06X\nopaque bottom %d\nquality %d\nfirst frame %dx%dx%d\n",
              list.Version, h.Version, list.Count(), h.Mode, h.Scrambled ? 1 : 0, h.TileWidth,
              h.TileHeight, static_cast<unsigned>(list.BackgroundColor), list.OpaqueBottom ? 1 : 0,
              h.Quality, h.Width, h.Height, h.BitCount);
  for (int32_t i = 0; i < list.Count(); ++i) {
    const opal::TBrioFrame& f = *list.Frames(i);
    std::printf("frame %d: %dx%dx%d time %d transparent %d alpha %d layers %zu rects %zu/%zu name \"%s\"\n", i,
                f.Picture.Width(), f.Picture.Height(), f.Picture.BitCount(), f.DisplayTime,
                f.TransparentValue, f.HasAlpha() ? 1 : 0, f.Layers.size(), f.DrawRects.size(),
                f.AuxRects.size(), f.Name.c_str());
    for (size_t l = 0; l < f.Layers.size(); ++l) {
      const opal::TBrioLayer& layer = *f.Layers[l];
      std::printf("  layer %zu: visible %d opacity %d transparent %d alpha %d use alpha %d name \"%s\"\n", l,
                  layer.Visible ? 1 : 0, layer.Opacity, layer.TransparentValue,
                  layer.Image.HasAlpha() ? 1 : 0, layer.UseAlpha ? 1 : 0, layer.Name.c_str());
    }
  }
  return 0;
}

}  // namespace

int CmdImage(const Args& args) {
  return RunSubcommands("image", kUsage, args, {{"encode", Encode}, {"decode", Decode}, {"info", Info}});
}

}  // namespace opaltool

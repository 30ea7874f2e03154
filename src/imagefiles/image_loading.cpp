#include "imagefiles/image_loading.h"

#include <filesystem>
#include <memory>
#include <unordered_map>
#include <vector>

#include "imagefiles/bmp_codec.h"
#include "imagefiles/brio_frame_list.h"
#include "imagefiles/png_codec.h"
#include "raster/pixel_format.h"
#include "storage/stream.h"

namespace opal {
namespace {

// The 24-bit pixel (0x00RRGGBB) of a 0x00BBGGRR colour.
uint32_t ColourToRgb(int32_t colour) {
  const auto c = static_cast<uint32_t>(colour);
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

uint32_t NearestEntry(const TRGBQuad* palette, int32_t count, uint32_t rgb) {
  const int64_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  uint32_t best = 0;
  int64_t bestDist = INT64_MAX;
  for (int32_t i = 0; i < count; ++i) {
    const int64_t dr = palette[i].Red - r, dg = palette[i].Green - g, db = palette[i].Blue - b;
    const int64_t d = dr * dr + dg * dg + db * db;
    if (d < bestDist) bestDist = d, best = static_cast<uint32_t>(i);
  }
  return best;
}

bool SignatureAt(TStream& stream, int64_t offset, std::string_view signature) {
  char got[8] = {};
  stream.Seek(offset, SeekOrigin::Begin);
  const auto n = static_cast<int64_t>(signature.size());
  return stream.Read(got, n) == n && std::string_view(got, signature.size()) == signature;
}

bool FileExists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::is_regular_file(name, ec);
}

}  // namespace

std::string LowerExtension(const std::string& name) {
  std::string ext = std::filesystem::path(name).extension().string();
  for (char& c : ext) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return ext;
}

void CopySurfaceToDIBX(const TDIBSurface& picture, TCustomDIBX& buffer) {
  if (picture.Empty()) return;
  const int32_t w = picture.Width(), h = picture.Height();
  buffer.SetSize(w, h, buffer.BitCount());
  const int32_t bits = buffer.BitCount();
  const TPixelFormat* to = FormatOf(bits);
  const TPixelFormat* rgb = FormatOf(24);
  const TPixelFormat* from = picture.BitCount() > 8 ? FormatOf(picture.BitCount()) : nullptr;
  TRGBQuad palette[256];
  const int32_t entries = to == nullptr && bits >= 1 && bits <= 8 ? 1 << bits : 0;
  if (entries > 0) buffer.GetPalette(palette);
  std::unordered_map<uint32_t, uint32_t> nearest;
  std::vector<uint32_t> row(static_cast<size_t>(w));
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t v = picture.GetPixel(x, y);
      uint32_t out = 0;
      if (to != nullptr && from != nullptr) {
        out = ConvertPixel(*from, *to, v);
      } else {
        const uint32_t colour = ColourToRgb(picture.ValueToColor(v));
        if (to != nullptr) {
          out = ConvertPixel(*rgb, *to, colour);
        } else if (entries > 0) {
          auto [it, fresh] = nearest.try_emplace(colour, 0);
          if (fresh) it->second = NearestEntry(palette, entries, colour);
          out = it->second;
        }
      }
      row[static_cast<size_t>(x)] = out;
    }
    buffer.SetRow(y, row.data(), w);
  }
}

void LoadDIBXFromFile(TCustomDIBX& buffer, const std::string& name) {
  if (!FileExists(name) || LowerExtension(name) != ".bmp") return;
  TFileStream file(name, fm::OpenRead | fm::ShareDenyNone);
  TDIBSurface picture;
  LoadBmp(file, picture);
  CopySurfaceToDIBX(picture, buffer);
}

void LoadDIBXFromStream(TCustomDIBX& buffer, TStream* stream, int32_t seed) {
  if (stream == nullptr) return;
  TDIBSurface picture;
  if (SignatureAt(*stream, 0, "BM")) {
    stream->Seek(0, SeekOrigin::Begin);
    LoadBmp(*stream, picture);
  } else if (SignatureAt(*stream, 1, "PNG")) {
    stream->Seek(0, SeekOrigin::Begin);
    int32_t transparent = -1;
    LoadPng(*stream, picture, transparent);
  } else if (SignatureAt(*stream, 0, "Brio")) {
    TBrioFrameList list(seed);
    stream->Seek(0, SeekOrigin::Begin);
    list.LoadFromStream(*stream, true);
    if (list.Count() > 0) CopySurfaceToDIBX(list.Frames(0)->Picture, buffer);
    return;
  } else {
    return;
  }
  CopySurfaceToDIBX(picture, buffer);
}

void SaveDIBXToFile(TCustomDIBX& buffer, const std::string& name) {
  if (LowerExtension(name) != ".bmp") return;
  const int32_t w = buffer.Width(), h = buffer.Height(), bits = buffer.BitCount();
  TDIBSurface picture;
  picture.SetSize(w, h, 24);
  const TPixelFormat* from = FormatOf(bits);
  const TPixelFormat* rgb = FormatOf(24);
  TRGBQuad palette[256];
  if (from == nullptr) buffer.GetPalette(palette);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t v = buffer.GetPixel(x, y);
      if (from != nullptr) {
        picture.SetPixel(x, y, ConvertPixel(*from, *rgb, v));
      } else {
        const TRGBQuad& q = palette[v & 0xFF];
        picture.SetPixel(x, y, (uint32_t{q.Red} << 16) | (uint32_t{q.Green} << 8) | q.Blue);
      }
    }
  TMemoryStream data;
  SaveBmp(picture, data);
  data.SaveToFile(name);
}

}  // namespace opal

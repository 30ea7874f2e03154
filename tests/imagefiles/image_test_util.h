// Pictures and PNG files made at test time for the image decoder tests.
#pragma once

#include <png.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdint>
#include <string>
#include <vector>

#include "imagefiles/dib_surface.h"
#include "storage/stream.h"

namespace opal::testing {

inline uint32_t NextRandom(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed >> 8;
}

// A picture of the given depth with pseudo-random pixels and colour table.
inline TDIBSurface NoisePicture(int32_t w, int32_t h, int32_t bits, uint32_t seed = 7) {
  TDIBSurface p;
  p.SetSize(w, h, bits);
  for (auto& q : p.ColorTable) {
    const uint32_t r = NextRandom(seed);
    q = {static_cast<uint8_t>(r), static_cast<uint8_t>(r >> 8), static_cast<uint8_t>(r >> 16), 0};
  }
  const uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : bits == 15 ? 0x7FFFu : (1u << bits) - 1;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) p.SetPixel(x, y, NextRandom(seed) * 2654435761u & mask);
  return p;
}

inline void AddNoiseAlpha(TDIBSurface& p, uint32_t seed = 11) {
  p.AlphaPlane = std::make_unique<TDIBSurface>(NoisePicture(p.Width(), p.Height(), 8, seed));
}

// A PNG written with libpng from packed rows as the PNG format lays them
// out, with an optional palette and transparency chunk.
struct TPngSpec {
  uint32_t Width = 1, Height = 1;
  int BitDepth = 8, ColorType = PNG_COLOR_TYPE_RGB;
  bool Interlaced = false;
  std::vector<std::vector<uint8_t>> Rows;
  std::vector<png_color> Palette;
  std::vector<uint8_t> TransAlpha;  // palette tRNS
  bool HasTransColor = false;
  png_color_16 TransColor{};
};

inline std::vector<uint8_t> WritePng(const TPngSpec& s) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, size_t n) {
        auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, s.Width, s.Height, s.BitDepth, s.ColorType,
               s.Interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!s.Palette.empty())
    png_set_PLTE(png, info, s.Palette.data(), static_cast<int>(s.Palette.size()));
  if (!s.TransAlpha.empty() || s.HasTransColor)
    png_set_tRNS(png, info, s.TransAlpha.empty() ? nullptr : s.TransAlpha.data(),
                 static_cast<int>(s.TransAlpha.size()), s.HasTransColor ? &s.TransColor : nullptr);
  png_write_info(png, info);
  std::vector<png_bytep> rows;
  for (const auto& r : s.Rows) rows.push_back(const_cast<png_bytep>(r.data()));
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

// Overwrites the IHDR width and height of a PNG and fixes the chunk's CRC.
inline void PatchPngSize(std::vector<uint8_t>& png, uint32_t w, uint32_t h) {
  auto be32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) png[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
  };
  be32(16, w);
  be32(20, h);
  be32(29, static_cast<uint32_t>(crc32(0, png.data() + 12, 17)));
}

inline TMemoryStream StreamOf(const std::vector<uint8_t>& bytes) { return TMemoryStream(bytes); }

}  // namespace opal::testing

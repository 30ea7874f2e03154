#include "raster/png_writer.h"

#include <png.h>

#include <vector>

#include "common/error.h"
#include "raster/pixel_format.h"
#include "storage/atomic_file.h"

namespace opal {
namespace {

uint8_t Widen(uint32_t v, int width) {
  uint32_t out = v << (8 - width);
  for (int have = width; have < 8; have += width) out |= out >> have;
  return static_cast<uint8_t>(out);
}

}  // namespace

std::vector<uint8_t> EncodePng(TCustomDIBX& buffer) {
  const int32_t w = buffer.Width(), h = buffer.Height(), bits = buffer.BitCount();
  if (buffer.Empty()) throw EOpalError("EncodePng: empty buffer");
  const TPixelFormat* f = FormatOf(bits);
  const bool grey = f == nullptr || f->Channels == 1;
  std::vector<uint8_t> image(static_cast<size_t>(w) * h * (grey ? 1 : 3));
  uint8_t* out = image.data();
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t p = buffer.GetPixel(x, y);
      if (grey) {
        *out++ = f != nullptr ? static_cast<uint8_t>(p) : Widen(p, bits);
        continue;
      }
      for (int c = 2; c >= 0; --c) *out++ = Widen(f->Get(p, c), f->Width[c]);
    }
  }
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(w);
  png.height = static_cast<png_uint_32>(h);
  png.format = grey ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  std::vector<uint8_t> bytes;
  if (png_image_write_get_memory_size(png, size, 0, image.data(), 0, nullptr)) {
    bytes.resize(size);
    if (png_image_write_to_memory(&png, bytes.data(), &size, 0, image.data(), 0, nullptr)) {
      bytes.resize(size);
      return bytes;
    }
  }
  const std::string why = png.message;
  png_image_free(&png);
  throw EOpalError("EncodePng: " + why);
}

void SavePng(TCustomDIBX& buffer, const std::string& fileName) {
  if (buffer.Empty()) throw EOpalError("SavePng: empty buffer for " + fileName);
  WriteFileAtomic(fileName, EncodePng(buffer));
}

}  // namespace opal

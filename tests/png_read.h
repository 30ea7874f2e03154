// Reading a PNG back for tests, as 8-bit RGB rows top to bottom (libpng's
// simplified reader; link PNG::PNG). Empty when the file cannot be read.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace opal::testing {

inline std::vector<uint8_t> ReadPngRgb(const std::string& file, uint32_t& w, uint32_t& h) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, file.c_str())) return {};
  img.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> out(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, out.data(), 0, nullptr)) return {};
  w = img.width;
  h = img.height;
  return out;
}

}  // namespace opal::testing

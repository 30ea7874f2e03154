#include "imagefiles/jpeg_codec.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on

#include <csetjmp>
#include <cstdlib>
#include <string>

#include "common/error.h"

namespace opal {

namespace {

// libjpeg reports fatal errors through error_exit, which must not return.
// We jump back to the setjmp of the call that started the work, where the
// message is turned into an exception after libjpeg's state is destroyed;
// no C++ object with a destructor lives between the two frames.
struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
  char Message[JMSG_LENGTH_MAX];
};

void ErrorExit(j_common_ptr info) {
  auto* err = reinterpret_cast<TJpegError*>(info->err);
  (*info->err->format_message)(info, err->Message);
  std::longjmp(err->Jump, 1);
}

void Silent(j_common_ptr, int) {}

void InstallHandler(TJpegError& err) {
  jpeg_std_error(&err.Manager);
  err.Manager.error_exit = ErrorExit;
  err.Manager.emit_message = Silent;
  err.Message[0] = '\0';
}

// Reads every row of a started decompression into the picture (blue,
// green, red byte order). Returns false on a libjpeg error.
bool ReadRows(jpeg_decompress_struct& cinfo, TJpegError& err, TDIBSurface& picture,
              std::vector<uint8_t>& row) {
  if (setjmp(err.Jump)) return false;
  jpeg_start_decompress(&cinfo);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {row.data()};
    const JDIMENSION y = cinfo.output_scanline;
    if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) return false;
    uint8_t* out = picture.Row(static_cast<int32_t>(y));
    for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
      out[3 * x] = row[3 * x + 2];
      out[3 * x + 1] = row[3 * x + 1];
      out[3 * x + 2] = row[3 * x];
    }
  }
  jpeg_finish_decompress(&cinfo);
  return true;
}

}  // namespace

void DecodeJpeg(const uint8_t* data, size_t size, int32_t width, int32_t height,
                TDIBSurface& picture) {
  if (size == 0) throw EFormatError("JPEG data is empty");
  if (size > 0xFFFFFFFFu) throw EFormatError("JPEG data is too large");
  jpeg_decompress_struct cinfo{};
  TJpegError err;
  InstallHandler(err);
  cinfo.err = &err.Manager;
  // Everything that can fail inside libjpeg before the rows happens here.
  if (setjmp(err.Jump)) {
    jpeg_destroy_decompress(&cinfo);
    throw EFormatError(std::string("JPEG: ") + err.Message);
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, const_cast<unsigned char*>(data), static_cast<unsigned long>(size));
  jpeg_read_header(&cinfo, TRUE);
  cinfo.out_color_space = JCS_RGB;
  const bool sizeOk = cinfo.image_width == static_cast<JDIMENSION>(width) &&
                      cinfo.image_height == static_cast<JDIMENSION>(height);
  if (!sizeOk) {
    const unsigned w = cinfo.image_width, h = cinfo.image_height;
    jpeg_destroy_decompress(&cinfo);
    throw EFormatError(Format("JPEG picture is %u x %u, the layer %d x %d", w, h, width, height));
  }
  std::vector<uint8_t> row;
  try {
    picture.SetSize(width, height, 24);
    row.resize(static_cast<size_t>(width) * 3 + 16);
  } catch (...) {
    jpeg_destroy_decompress(&cinfo);
    throw;
  }
  const bool ok = ReadRows(cinfo, err, picture, row);
  jpeg_destroy_decompress(&cinfo);
  if (!ok) throw EFormatError(std::string("JPEG: ") + (err.Message[0] ? err.Message : "damaged data"));
}

namespace {

bool CompressRows(jpeg_compress_struct& cinfo, TJpegError& err, const std::vector<uint8_t>& rgb,
                  int32_t width, int32_t height, int32_t quality) {
  if (setjmp(err.Jump)) return false;
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW rows[1] = {const_cast<JSAMPLE*>(rgb.data() + size_t{cinfo.next_scanline} * width * 3)};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  return true;
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const TDIBSurface& picture, int32_t requested) {
  const int32_t w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) throw EFormatError("cannot store an empty picture as JPEG");
  const int32_t quality = requested < 1 ? 1 : requested > 100 ? 100 : requested;
  std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint32_t c = static_cast<uint32_t>(picture.ValueToColor(picture.GetPixel(x, y)));
      uint8_t* p = rgb.data() + (size_t{static_cast<size_t>(y)} * w + x) * 3;
      p[0] = static_cast<uint8_t>(c), p[1] = static_cast<uint8_t>(c >> 8), p[2] = static_cast<uint8_t>(c >> 16);
    }
  jpeg_compress_struct cinfo{};
  TJpegError err;
  InstallHandler(err);
  cinfo.err = &err.Manager;
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  if (setjmp(err.Jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    throw EFormatError(std::string("JPEG: ") + err.Message);
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &outSize);
  const bool ok = CompressRows(cinfo, err, rgb, w, h, quality);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> result;
  if (ok && out != nullptr) result.assign(out, out + outSize);
  std::free(out);
  if (!ok) throw EFormatError(std::string("JPEG: ") + err.Message);
  return result;
}

}  // namespace opal

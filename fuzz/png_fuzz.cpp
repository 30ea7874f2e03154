// The PNG decoder on fuzzer-chosen bytes. A picture that decodes must be
// self-consistent, survive SavePng and decode again to the same pixels, and
// load into a pixel buffer through the signature entry point.
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "imagefiles/image_loading.h"
#include "imagefiles/png_codec.h"
#include "imagefiles/resample.h"
#include "raster/dibx.h"
#include "storage/stream.h"

using namespace opal;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream in(std::vector<uint8_t>(data, data + size));
  TDIBSurface picture;
  int32_t transparent = -1;
  try {
    LoadPng(in, picture, transparent);
  } catch (const EOpalError&) {
    return 0;
  }
  if (picture.HasAlpha() && (picture.AlphaPlane->Width() != picture.Width() ||
                             picture.AlphaPlane->Height() != picture.Height()))
    std::abort();
  if (transparent < -1 || transparent > 0xFFFFFF) std::abort();
  if (picture.Empty()) return 0;

  TMemoryStream out;
  SavePng(picture, out);
  out.SetPosition(0);
  TDIBSurface again;
  int32_t unused = -1;
  LoadPng(out, again, unused);  // our own output must decode
  if (again.Width() != picture.Width() || again.Height() != picture.Height()) std::abort();
  if (!picture.HasAlpha() && again.Bits() != picture.Bits()) std::abort();

  in.SetPosition(0);
  TDIBX buffer;
  buffer.SetBitCount(16);
  LoadDIBXFromStream(buffer, &in, 0);
  if (buffer.Width() != picture.Width()) std::abort();

  if (int64_t{picture.Width()} * picture.Height() <= 4096) {
    Resample(picture, picture.Width() / 2 + 1, picture.Height() * 2 + 1);
    Resample(picture, 3, 1);
  }
  return 0;
}

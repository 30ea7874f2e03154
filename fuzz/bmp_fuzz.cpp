// The bitmap decoder on fuzzer-chosen bytes. A picture that decodes must
// survive SaveBmp and decode again to the same depth, table and pixels, and
// load into a pixel buffer through the signature entry point.
#include <cstdint>
#include <cstdlib>

#include "common/error.h"
#include "imagefiles/bmp_codec.h"
#include "imagefiles/image_loading.h"
#include "raster/dibx.h"
#include "storage/stream.h"

using namespace opal;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TMemoryStream in(std::vector<uint8_t>(data, data + size));
  TDIBSurface picture;
  try {
    LoadBmp(in, picture);
  } catch (const EOpalError&) {
    return 0;
  }
  TMemoryStream out;
  SaveBmp(picture, out);
  out.SetPosition(0);
  TDIBSurface again;
  LoadBmp(out, again);
  if (again.BitCount() != (picture.Empty() && picture.BitCount() == 0 ? 24 : picture.BitCount()) ||
      again.Width() != picture.Width() || again.Height() != picture.Height() ||
      again.Bits() != picture.Bits())
    std::abort();
  if (picture.BitCount() <= 8)
    for (int i = 0; i < (1 << picture.BitCount()); ++i)
      if (!(again.ColorTable[i] == picture.ColorTable[i])) std::abort();

  in.SetPosition(0);
  TDIBX buffer;
  buffer.SetBitCount(24);
  LoadDIBXFromStream(buffer, &in, 0);
  if (!picture.Empty() && buffer.Width() != picture.Width()) std::abort();
  return 0;
}

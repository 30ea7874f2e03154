// Layered images from fuzzer bytes: the reader with and without firstOnly
// (seed 0 and the seed the corpus script writes with), then masks, trimming
// and the transfer into pixel buffers for every frame read. Any exception
// but the reader's own errors, a crash or a hang is a find.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "imagefiles/brio_frame_list.h"
#include "raster/dibx.h"
#include "storage/stream.h"

namespace {

// Pictures of a few megapixels reach every path of the passes below; a
// larger one (a 1-bit picture stays within the load budget up to 128
// megapixels) only takes longer to walk under the sanitizers.
constexpr int64_t kMaxExercisedPixels = int64_t{4} << 20;

void Exercise(opal::TBrioFrameList& list) {
  int64_t pixels = 0;
  for (int32_t i = 0; i < list.Count(); ++i) {
    pixels += int64_t{list.Frames(i)->Width()} * list.Frames(i)->Height();
  }
  if (pixels > kMaxExercisedPixels) return;
  list.MakeMasks();
  for (int32_t i = 0; i < list.Count(); ++i) {
    opal::TBrioFrame* f = list.Frames(i);
    opal::TRect r;
    f->Trim(r);
    opal::TDIBX rgb, word, mask;
    rgb.SetSize(1, 1, 32);
    word.SetSize(1, 1, 16);
    f->ToPixelBuffer(rgb);
    f->ToPixelBuffer(word);
    f->MaskToPixelBuffer(mask);
  }
}

void Run(const uint8_t* data, size_t size, int32_t seed, bool firstOnly) {
  opal::TBrioFrameList list(seed);
  list.LoadBudget = int64_t{64} << 20;
  opal::TMemoryStream s(std::vector<uint8_t>(data, data + size));
  try {
    list.LoadFromStream(s, firstOnly);
  } catch (const opal::EFormatError&) {
    return;
  } catch (const opal::EStreamError&) {
    return;
  }
  Exercise(list);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Run(data, size, 0, false);
  Run(data, size, 4321, true);
  return 0;
}

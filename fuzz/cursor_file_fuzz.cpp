// Cursor files (".cur" and the first frame of ".ani"): every picture the
// reader answers must have the size it claims and a hot spot inside it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "stage/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const opal::TCursorImage image = opal::ReadCursorFile(std::vector<uint8_t>(data, data + size));
    const bool sound = image.Width > 0 && image.Height > 0 && image.Width <= opal::kMaxCursorSide &&
                       image.Height <= opal::kMaxCursorSide &&
                       image.Pixels.size() == static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height) &&
                       image.HotX >= 0 && image.HotX < image.Width && image.HotY >= 0 && image.HotY < image.Height;
    if (!sound) std::abort();
  } catch (const opal::EOpalError&) {
  }
  return 0;
}

// The map file of map images: read, then every area's rows answered as the
// mask builder and the hover test ask them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "common/error.h"
#include "components/map_file.h"
#include "storage/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  opal::TMemoryStream s(std::vector<uint8_t>(data, data + size));
  try {
    const std::vector<opal::TMapArea> areas = opal::TMapFile::Read(s);
    std::vector<std::pair<int32_t, int32_t>> spans;
    for (const opal::TMapArea& a : areas) {
      const opal::TRect box = a.Box();
      // The rows a 64-pixel-high picture at the box's top would ask.
      const int64_t last = std::min<int64_t>(int64_t{box.Top} + 64, box.Bottom);
      for (int64_t y = box.Top; y < last; ++y) a.RowSpans(static_cast<int32_t>(y), spans);
      (void)a.Contains(box.Left, box.Top);
    }
  } catch (const opal::EOpalError&) {
  }
  return 0;
}

// The stage's saved record (bases, their control trees, components, the
// event queue), read at a version taken from the first byte.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/error.h"
#include "stage/base_list.h"
#include "storage/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t version = 100 + data[0] % 40;
  opal::TMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
  opal::TOpalBaseList stage;
  try {
    stage.LoadFromStream(s, version);
    stage.Update(17);
    stage.Draw();
  } catch (const opal::EOpalError&) {
  }
  return 0;
}

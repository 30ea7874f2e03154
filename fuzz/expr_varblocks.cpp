// Variable blocks of a damaged save: game block by every version, status block.
#include <cstdint>
#include <exception>

#include "expr/param_collection.h"
#include "storage/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const int32_t kVersions[] = {100, 103, 113, 121, 135, 138};
  const int32_t version = kVersions[data[0] % 6];
  opal::TMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
  opal::TParamCollection vars;
  vars.CreateSystemVars();
  vars.Declare("p", opal::kTagInt, opal::kScopePersistent);
  try {
    if (data[0] & 0x80) {
      vars.LoadStatusVars(s);
    } else {
      vars.LoadGameVars(s, version);
    }
  } catch (const std::exception&) {
  }
  opal::TMemoryStream out;
  try {
    vars.SaveGameVars(out);
    vars.SaveStatusVars(out);
  } catch (const std::exception&) {
  }
  return 0;
}

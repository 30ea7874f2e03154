// Project data from damaged bytes. The first byte picks the reader: even
// for opal.opb, odd for install.dat. What loads is written, loaded again
// and written again to the same bytes, and its settings text builds back to
// the same record.
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <string>

#include "scenario/install_set.h"
#include "scenario/project_file.h"
#include "scenario/project_text.h"
#include "storage/stream.h"

namespace {

template <typename T>
std::string Bytes(const T& record) {
  opal::TMemoryStream s;
  record.SaveToStream(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

template <typename T, typename Write, typename Read>
void Check(const uint8_t* data, size_t size, Write write_text, Read read_text) {
  opal::TMemoryStream s(std::vector<uint8_t>(data, data + size));
  T record;
  try {
    record.LoadFromStream(s);
  } catch (const opal::EOpalError&) {
    return;
  }
  const std::string first = Bytes(record);
  opal::TMemoryStream again(std::vector<uint8_t>(first.begin(), first.end()));
  T reread;
  reread.LoadFromStream(again);
  if (again.Remaining() != 0 || Bytes(reread) != first) std::abort();
  T built;
  read_text(write_text(record), built);
  if (Bytes(built) != first) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] % 2 == 0) {
    Check<opal::TProjectFile>(data + 1, size - 1, opal::WriteProjectText,
                              [](const std::string& t, opal::TProjectFile& f) { opal::ReadProjectText(t, f); });
  } else {
    Check<opal::TOpalInstallSet>(data + 1, size - 1, opal::WriteInstallText,
                                 [](const std::string& t, opal::TOpalInstallSet& f) { opal::ReadInstallText(t, f); });
  }
  return 0;
}

// The read-mark block of the status data, the version from the first byte.
// After loading, the marks are asked, a page is noted and marked read, and
// the block is saved and read back to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "common/error.h"
#include "history/read_list.h"
#include "storage/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int32_t version = 90 + data[0] % 50;
  opal::TOpalReadList marks;
  opal::TMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
  try {
    marks.LoadMarks(s, version);
  } catch (const opal::EOpalError&) {
    if (marks.Count() != 0) std::abort();  // a damaged block leaves no marks
    return 0;
  }
  for (int32_t i = 0; i < marks.Count(); ++i) {
    const opal::TOpalRead& item = marks.Item(i);
    if (item.Commands.size() != item.PageIndices.size()) std::abort();
    if (!item.Commands.empty() && !marks.IsRead(item.Name(), item.Commands[0], item.PageIndices[0])) std::abort();
  }
  marks.NotePage("mes", marks.PendingPage.empty() ? "a.osb" : marks.PendingPage, 1, 2);
  marks.MarkRead("mes");
  opal::TMemoryStream out;
  marks.SaveMarks(out);
  opal::TOpalReadList again;
  out.SetPosition(0);
  again.LoadMarks(out, 100);
  opal::TMemoryStream twice;
  again.SaveMarks(twice);
  if (twice.Bytes() != out.Bytes()) std::abort();
  return 0;
}

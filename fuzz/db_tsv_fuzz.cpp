// Tab-separated text into a table, then every cell read, a search, a sort
// and a save that loads back to the same bytes.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/cp932.h"
#include "db/db_manager.h"
#include "storage/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  opal::TDBManager m;
  m.CreateTable("t", opal::kDBGameTables);
  opal::TDBTable& t = *m.CurrentTable();
  if (t.LoadTsv(opal::cp932::SplitLines(text))) std::abort();
  std::string first;
  for (int32_t r = 0; r < t.RecordCount(); ++r) {
    for (int32_t f = 0; f < t.Fields.Count(); ++f) {
      std::string cell;
      if (!t.GetStr(r, f, cell)) std::abort();
      if (r == 0 && f == 0) first = cell;
    }
  }
  if (t.Fields.Count() > 0) {
    const std::vector<std::string> names{t.Fields[0].Name};
    const std::vector<opal::TDBValue> values{first};
    std::vector<int32_t> hits;
    t.Filter(hits, names, true, true, values);
    t.Sort(names, {true});
  }
  opal::TMemoryStream s;
  m.SaveTables(s, opal::kDBGameTables);
  const std::vector<uint8_t> once = s.Bytes();
  s.SetPosition(0);
  m.LoadTables(s, opal::kDBGameTables);
  opal::TMemoryStream again;
  m.SaveTables(again, opal::kDBGameTables);
  if (again.Bytes() != once) std::abort();
  return 0;
}

// Manager blocks of a damaged save, game or status form (the first byte's
// low bit picks it). A block that loads must save and load back to the same
// bytes; a block that fails must leave every table as it was.
#include <cstdint>
#include <cstdlib>
#include <exception>

#include "db/db_manager.h"
#include "storage/stream.h"

namespace {

std::vector<uint8_t> Saved(const opal::TDBManager& m, uint8_t status) {
  opal::TMemoryStream s;
  m.SaveTables(s, status);
  return s.Bytes();
}

// The tables of one status without the game form's current name (a status
// load changes the current table, and with it that name).
std::vector<uint8_t> SavedTables(const opal::TDBManager& m, uint8_t status) {
  std::vector<uint8_t> bytes = Saved(m, status);
  if (status == opal::kDBGameTables) {
    const opal::TDBTable* current = m.CurrentTable();
    bytes.resize(bytes.size() - 4 - (current ? current->Name.size() : 0));
  }
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t status = data[0] & 1;
  opal::TDBManager m;
  m.CreateTable("witness", status ^ 1);
  m.AddField("w", opal::kDBString, 3);
  m.CurrentTable()->Append();
  m.CreateTable("same", status);
  const auto otherBefore = SavedTables(m, status ^ 1);
  const auto sameBefore = Saved(m, status);
  opal::TMemoryStream s(std::vector<uint8_t>(data + 1, data + size));
  try {
    m.LoadTables(s, status);
  } catch (const std::exception&) {
    if (Saved(m, status) != sameBefore || SavedTables(m, status ^ 1) != otherBefore || m.Current() != 1) std::abort();
    return 0;
  }
  if (SavedTables(m, status ^ 1) != otherBefore) std::abort();
  const auto once = Saved(m, status);
  opal::TMemoryStream again(once);
  m.LoadTables(again, status);
  if (Saved(m, status) != once) std::abort();
  // Every cell reads in every type without leaving its record.
  for (int32_t k = 0; k < m.Count(); ++k) {
    const opal::TDBTable& t = *m.Table(k);
    for (int32_t r = 0; r < t.RecordCount(); ++r) {
      for (int32_t f = 0; f < t.Fields.Count(); ++f) {
        int32_t i;
        opal::Extended x;
        bool b;
        std::string str;
        if (!t.GetInt(r, f, i) || !t.GetFloat(r, f, x) || !t.GetBool(r, f, b) || !t.GetStr(r, f, str)) std::abort();
      }
    }
  }
  return 0;
}

// Writes the seed files of the table fuzz targets with the table engine's
// own writer: manager blocks (game and status form, prefixed by the
// target's form byte) and tab-separated texts.
//   db_seed_gen BLOCK_DIR TSV_DIR
#include <cstdio>
#include <string>

#include "db/db_manager.h"
#include "seed_file.h"
#include "storage/stream.h"

namespace {

// Tables of every field type, with a current record, an empty table and a
// table of no fields.
void Populate(opal::TDBManager& m) {
  m.CreateTable("items", opal::kDBGameTables);
  m.AddField("id", opal::kDBInteger, 0);
  m.AddField("rate", opal::kDBFloat, 0);
  m.AddField("owned", opal::kDBBoolean, 0);
  m.AddField("name", opal::kDBString, 12);
  opal::TDBTable* t = m.CurrentTable();
  const char* names[] = {"sword", "\x8c\x95", "a much longer name than fits", ""};
  for (int i = 0; i < 4; ++i) {
    t->Append();
    t->SetInt(i, 0, i * 7 - 3);
    t->SetFloat(i, 1, i * 0.75L);
    t->SetBool(i, 2, i % 2 == 1);
    t->SetStr(i, 3, names[i]);
  }
  t->SetRecNo(1);
  m.CreateTable("empty", opal::kDBGameTables);
  m.AddField("x", opal::kDBString, 0);
  m.CreateTable("flags", opal::kDBStatusTables);
  m.AddField("seen", opal::kDBBoolean, 0);
  m.CurrentTable()->Append();
  m.CreateTable("nofields", opal::kDBStatusTables);
  m.CurrentTable()->Append();
  m.SetActive("items");
}

std::vector<uint8_t> Block(const opal::TDBManager& m, uint8_t status) {
  opal::TMemoryStream s;
  s.Bytes().push_back(status);
  s.SetPosition(1);
  m.SaveTables(s, status);
  return s.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: db_seed_gen BLOCK_DIR TSV_DIR\n");
    return 2;
  }
  const std::string blocks = argv[1], tsv = argv[2];
  opal::TDBManager m;
  opal::seeds::WriteSeed(blocks + "/empty-game.dat", Block(m, opal::kDBGameTables));
  Populate(m);
  opal::seeds::WriteSeed(blocks + "/game.dat", Block(m, opal::kDBGameTables));
  opal::seeds::WriteSeed(blocks + "/status.dat", Block(m, opal::kDBStatusTables));

  const std::pair<const char*, std::string> texts[] = {
      {"items.tsv", "id int\tname str 8\trate float\towned bool\r\n1\tsword\t0.5\tTRUE\r\n2\t\x8c\x95\t1e3\tFALSE\r\n"},
      {"escapes.tsv", "memo\tn int\n\\\"quoted\\\"\\n next\t-4\n\n\\\\\t$1F\textra\n"},
      {"lead-end.tsv", "a\tb\n\x82\t\x82"},
      {"bad-header.tsv", "a int\t\tb\n1\t2\n"},
      {"defaults.tsv", "plain\tlen str x\tbig str 65535\n" + std::string(100, 'z') + "\n"},
  };
  for (const auto& [name, text] : texts) {
    opal::seeds::WriteSeed(tsv + "/" + name, std::vector<uint8_t>(text.begin(), text.end()));
  }
  return 0;
}

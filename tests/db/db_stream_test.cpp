// The stream forms: a manager block written by hand against the writer,
// read back equal; cut or damaged, it fails and changes nothing.
#include <gtest/gtest.h>

#include <functional>

#include "common/error.h"
#include "db/db_manager.h"
#include "hand_bytes.h"
#include "storage/stream.h"

namespace opal {
namespace {

using testing::THandBytes;

// Game form of one table "Items" with one field of each type, one record
// (i = -2, f = 1.5, b = true, s = "ab" of length 3) current, then the name.
THandBytes HandBlock() {
  THandBytes b;
  b.I32(100).I32(1);
  b.U8(0).Str("Items").U8(0).I32(4);
  b.I32(4).Str("i").U8(1);
  b.I32(10).Str("f").U8(2);
  b.I32(1).Str("b").U8(3);
  b.I32(4).Str("s").U8(4);
  b.I32(1);
  b.Raw({0xFE, 0xFF, 0xFF, 0xFF});
  b.Raw({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F});
  b.U8(1);
  b.Raw({'a', 'b', 0, 0});
  b.I32(0);
  b.Str("Items");
  return b;
}

void MakeItems(TDBManager& m) {
  m.CreateTable("Items", kDBGameTables);
  m.AddField("i", kDBInteger, 0);
  m.AddField("f", kDBFloat, 0);
  m.AddField("b", kDBBoolean, 0);
  m.AddField("s", kDBString, 3);
  TDBTable* t = m.CurrentTable();
  t->Append();
  t->SetIntByName("i", -2);
  t->SetFloatByName("f", 1.5L);
  t->SetBoolByName("b", true);
  t->SetStrByName("s", "ab");
}

std::vector<uint8_t> Saved(const TDBManager& m, uint8_t status) {
  TMemoryStream s;
  m.SaveTables(s, status);
  return s.Bytes();
}

TEST(DBStream, HandWrittenBlockMatchesTheWriter) {
  TDBManager m;
  MakeItems(m);
  EXPECT_EQ(Saved(m, kDBGameTables), HandBlock().Data);
}

TEST(DBStream, HandWrittenBlockReadsBackEqual) {
  TDBManager m;
  TMemoryStream s(HandBlock().Data);
  m.LoadTables(s, kDBGameTables);
  EXPECT_EQ(s.Remaining(), 0);
  ASSERT_EQ(m.Count(), 1);
  EXPECT_EQ(m.Current(), 0);
  const TDBTable& t = *m.Table(0);
  EXPECT_EQ(t.Name, "Items");
  EXPECT_EQ(t.RecNo(), 0);
  int32_t i = 0;
  Extended f = 0;
  bool b = false;
  std::string str;
  EXPECT_TRUE(t.GetIntByName("i", i));
  EXPECT_TRUE(t.GetFloatByName("f", f));
  EXPECT_TRUE(t.GetBoolByName("b", b));
  EXPECT_TRUE(t.GetStrByName("s", str));
  EXPECT_EQ(i, -2);
  EXPECT_EQ(f, 1.5L);
  EXPECT_TRUE(b);
  EXPECT_EQ(str, "ab");
  EXPECT_EQ(Saved(m, kDBGameTables), HandBlock().Data);
}

// A manager with a status table and a current game table, to see that a
// failed load leaves all of it alone.
void MakeWitness(TDBManager& m) {
  m.CreateTable("kept", kDBStatusTables);
  m.AddField("k", kDBInteger, 0);
  m.CurrentTable()->Append();
  m.CreateTable("old", kDBGameTables);
  m.AddField("o", kDBString, 2);
  m.CurrentTable()->Append();
  m.CurrentTable()->SetStr(0, 0, "xy");
}

void ExpectUnchanged(const TDBManager& m, const std::vector<uint8_t>& game, const std::vector<uint8_t>& status) {
  EXPECT_EQ(Saved(m, kDBGameTables), game);
  EXPECT_EQ(Saved(m, kDBStatusTables), status);
  EXPECT_EQ(m.Current(), 1);
}

TEST(DBStream, CutAtEveryOffsetFailsCleanly) {
  const std::vector<uint8_t> full = HandBlock().Data;
  TDBManager m;
  MakeWitness(m);
  const auto game = Saved(m, kDBGameTables), status = Saved(m, kDBStatusTables);
  for (size_t n = 0; n < full.size(); ++n) {
    TMemoryStream s(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<ptrdiff_t>(n)));
    EXPECT_THROW(m.LoadTables(s, kDBGameTables), EFormatError) << "cut at " << n;
    ExpectUnchanged(m, game, status);
  }
}

// One damaged block per fault; each fails with a message and changes nothing.
TEST(DBStream, DamagedBlocksFail) {
  struct TDamage {
    const char* Name;
    std::function<void(THandBytes&)> Make;
  };
  // The table's bytes up to its field count, then the caller's rest.
  auto head = [](THandBytes& b, int32_t fields) { b.I32(100).I32(1).U8(0).Str("t").U8(0).I32(fields); };
  const TDamage cases[] = {
      {"negative table count", [](THandBytes& b) { b.I32(100).I32(-1).Str(""); }},
      {"table count beyond the data", [](THandBytes& b) { b.I32(100).I32(1000).Str(""); }},
      {"status 2", [](THandBytes& b) { b.I32(100).I32(1).U8(0).Str("t").U8(2).I32(0).I32(0).I32(-1).Str(""); }},
      {"status table in a game block",
       [](THandBytes& b) { b.I32(100).I32(1).U8(0).Str("t").U8(1).I32(0).I32(0).I32(-1).Str(""); }},
      {"negative field count", [&](THandBytes& b) { head(b, -1); b.I32(0).I32(-1).Str(""); }},
      {"field count beyond the data", [&](THandBytes& b) { head(b, 100000); b.I32(0).I32(-1).Str(""); }},
      {"integer of 5 bytes", [&](THandBytes& b) { head(b, 1); b.I32(5).Str("i").U8(1).I32(0).I32(-1).Str(""); }},
      {"float of 8 bytes", [&](THandBytes& b) { head(b, 1); b.I32(8).Str("f").U8(2).I32(0).I32(-1).Str(""); }},
      {"boolean of 4 bytes", [&](THandBytes& b) { head(b, 1); b.I32(4).Str("b").U8(3).I32(0).I32(-1).Str(""); }},
      {"string of 0 bytes", [&](THandBytes& b) { head(b, 1); b.I32(0).Str("s").U8(4).I32(0).I32(-1).Str(""); }},
      {"string beyond 65,535", [&](THandBytes& b) { head(b, 1); b.I32(65537).Str("s").U8(4).I32(0).I32(-1).Str(""); }},
      {"unknown type", [&](THandBytes& b) { head(b, 1); b.I32(4).Str("x").U8(5).I32(0).I32(-1).Str(""); }},
      {"record beyond 1 MiB",
       [&](THandBytes& b) {
         head(b, 17);
         for (int i = 0; i < 17; ++i) b.I32(65536).Str("s").U8(4);
         b.I32(0).I32(-1).Str("");
       }},
      {"negative record count", [&](THandBytes& b) { head(b, 0); b.I32(-1).I32(-1).Str(""); }},
      {"records beyond the data",
       [&](THandBytes& b) { head(b, 1); b.I32(4).Str("i").U8(1).I32(3).Raw({1, 2, 3, 4}).I32(-1).Str(""); }},
      {"too many empty records", [&](THandBytes& b) { head(b, 0); b.I32(kDBMaxRecords + 1).I32(-1).Str(""); }},
      {"RecNo -2", [&](THandBytes& b) { head(b, 0); b.I32(0).I32(-2).Str(""); }},
      {"RecNo past the records", [&](THandBytes& b) { head(b, 0); b.I32(2).I32(2).Str(""); }},
      {"name longer than the data", [](THandBytes& b) { b.I32(100).I32(1).U8(0).I32(1 << 30); }},
  };
  TDBManager m;
  MakeWitness(m);
  const auto game = Saved(m, kDBGameTables), status = Saved(m, kDBStatusTables);
  for (const TDamage& c : cases) {
    SCOPED_TRACE(c.Name);
    THandBytes b;
    c.Make(b);
    TMemoryStream s(b.Data);
    try {
      m.LoadTables(s, kDBGameTables);
      ADD_FAILURE() << "loaded";
    } catch (const EFormatError& e) {
      EXPECT_NE(std::string(e.what()).find("game table block"), std::string::npos) << e.what();
    }
    ExpectUnchanged(m, game, status);
  }
  // The same bytes with a sound RecNo load.
  THandBytes good;
  head(good, 0);
  good.I32(2).I32(1).Str("t");
  TMemoryStream s(good.Data);
  m.LoadTables(s, kDBGameTables);
  EXPECT_EQ(m.CurrentTable()->RecordCount(), 2);
  EXPECT_EQ(m.CurrentTable()->RecNo(), 1);
}

TEST(DBStream, StatusFormHasNoCurrentName) {
  TDBManager m;
  m.CreateTable("s", kDBStatusTables);
  m.CreateTable("g", kDBGameTables);
  THandBytes want;
  want.I32(100).I32(1).U8(0).Str("s").U8(1).I32(0).I32(0).I32(-1);
  EXPECT_EQ(Saved(m, kDBStatusTables), want.Data);
}

}  // namespace
}  // namespace opal

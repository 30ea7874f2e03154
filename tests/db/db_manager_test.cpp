// The manager: tables by name, the current table, copies between tables.
#include <gtest/gtest.h>

#include "db/db_manager.h"
#include "storage/stream.h"

namespace opal {
namespace {

// Makes table `name` current with fields n (int) and s (string of 8) and
// the given records.
TDBTable* MakeTable(TDBManager& m, const char* name, std::initializer_list<std::pair<int32_t, const char*>> rows,
                    uint8_t status = kDBGameTables) {
  EXPECT_GE(m.CreateTable(name, status), 0) << name;
  m.AddField("n", kDBInteger, 0);
  m.AddField("s", kDBString, 8);
  TDBTable* t = m.CurrentTable();
  for (const auto& [n, s] : rows) {
    t->Append();
    t->SetIntByName("n", n);
    t->SetStrByName("s", s);
  }
  return t;
}

std::vector<std::string> Rows(const TDBTable& t) {
  std::vector<std::string> rows;
  for (int32_t r = 0; r < t.RecordCount(); ++r) {
    std::string n, s;
    t.GetStr(r, 0, n);
    t.GetStr(r, 1, s);
    rows.push_back(n + ":" + s);
  }
  return rows;
}

using V = std::vector<std::string>;

TEST(DBManager, CreateAndFindByName) {
  TDBManager m;
  EXPECT_EQ(m.CreateTable("", kDBGameTables), -1);
  EXPECT_EQ(m.CreateTable("Items", kDBGameTables), 0);
  EXPECT_EQ(m.CreateTable("items", kDBStatusTables), -1);
  EXPECT_EQ(m.CreateTable("flags", kDBStatusTables), 1);
  EXPECT_EQ(m.Current(), 1);
  EXPECT_TRUE(m.SetActive("ITEMS"));
  EXPECT_EQ(m.CurrentTable()->Name, "Items");
  EXPECT_FALSE(m.SetActive("none"));
  EXPECT_EQ(m.Current(), 0);
}

TEST(DBManager, AddFieldNeedsACurrentTable) {
  TDBManager m;
  EXPECT_EQ(m.AddField("a", kDBInteger, 0), -1);
  m.CreateTable("t", kDBGameTables);
  EXPECT_EQ(m.AddField("a", kDBInteger, 0), 0);
  EXPECT_EQ(m.AddField("b", 9, 0), -1);
  EXPECT_EQ(m.AddField("c", kDBString, 65536), -1);
  EXPECT_EQ(m.AddField("c", kDBString, 65535), 1);
}

TEST(DBManager, DeleteTableKeepsTheCurrentOne) {
  TDBManager m;
  m.CreateTable("a", kDBGameTables);
  m.CreateTable("b", kDBGameTables);
  m.CreateTable("c", kDBGameTables);
  EXPECT_TRUE(m.DeleteTable("A"));
  EXPECT_EQ(m.CurrentTable()->Name, "c");
  EXPECT_EQ(m.Current(), 1);
  EXPECT_FALSE(m.DeleteTable("a"));
  EXPECT_TRUE(m.DeleteTable("c"));
  EXPECT_EQ(m.Current(), -1);
  EXPECT_EQ(m.Count(), 1);
}

TEST(DBManager, ResetAndClear) {
  TDBManager m;
  m.CreateTable("g1", kDBGameTables);
  m.CreateTable("s1", kDBStatusTables);
  m.CreateTable("g2", kDBGameTables);
  m.SetActive("s1");
  m.ResetTables();
  ASSERT_EQ(m.Count(), 1);
  EXPECT_EQ(m.Table(0)->Name, "s1");
  EXPECT_EQ(m.Current(), -1);
  m.SetActive("s1");
  m.ClearAll();
  EXPECT_EQ(m.Count(), 0);
  EXPECT_EQ(m.Current(), -1);
}

TEST(DBManager, FindRecord) {
  TDBManager m;
  MakeTable(m, "t", {{1, "a"}, {2, "b"}, {2, "c"}});
  TDBFound f;
  const std::vector<std::string> fields{"n"};
  const std::vector<TDBValue> two{int32_t{2}};
  EXPECT_TRUE(m.FindRecord("T", fields, two, false, false, "s", &f));
  EXPECT_EQ(f.Record, 1);
  EXPECT_EQ(f.Field, 1);
  std::string s;
  f.Table->GetStr(f.Record, f.Field, s);
  EXPECT_EQ(s, "b");
  EXPECT_FALSE(m.FindRecord("t", fields, two, false, false, "missing", &f));
  EXPECT_EQ(f.Record, 1);
  EXPECT_EQ(f.Field, -1);
  EXPECT_FALSE(m.FindRecord("t", fields, std::vector<TDBValue>{int32_t{5}}, false, false, "s", &f));
  EXPECT_EQ(f.Record, -1);
  EXPECT_FALSE(m.FindRecord("none", fields, two, false, false, "s", &f));
  EXPECT_EQ(f.Table, nullptr);
  // Without a search the first record is found.
  EXPECT_TRUE(m.FindRecord("t", {}, {}, false, false, "n", &f));
  EXPECT_EQ(f.Record, 0);
}

// DBCopyTable: the destination is emptied, takes the current table's layout
// and copies of the chosen records.
TEST(DBManager, CopyRecords) {
  TDBManager m;
  m.CreateTable("dst", kDBGameTables);
  m.AddField("other", kDBFloat, 0);
  m.CurrentTable()->Append();
  TDBTable* src = MakeTable(m, "src", {{1, "a"}, {2, "b"}, {3, "c"}});
  src->SetRecNo(0);
  const std::vector<int32_t> picks{2, 0, 7, -1};
  EXPECT_TRUE(m.CopyRecords("DST", picks));
  const TDBTable* dst = m.TableByName("dst");
  ASSERT_EQ(dst->Fields.Count(), 2);
  EXPECT_TRUE(dst->Fields.SameLayout(src->Fields));
  EXPECT_EQ(Rows(*dst), (V{"3:c", "1:a"}));
  EXPECT_EQ(dst->RecNo(), 1);
  EXPECT_EQ(src->RecNo(), 0);
  EXPECT_EQ(m.CurrentTable(), src);
  EXPECT_FALSE(m.CopyRecords("src", picks));
  EXPECT_FALSE(m.CopyRecords("none", picks));
  EXPECT_EQ(Rows(*src), (V{"1:a", "2:b", "3:c"}));
  // Copying none leaves the destination empty with the layout.
  EXPECT_TRUE(m.CopyRecords("dst", {}));
  EXPECT_EQ(dst->RecordCount(), 0);
  EXPECT_EQ(dst->RecNo(), -1);
  EXPECT_EQ(dst->Fields.Count(), 2);
}

// DBInsertTable: copies of the source's records are appended to the current table.
TEST(DBManager, AppendRecords) {
  TDBManager m;
  MakeTable(m, "src", {{1, "a"}, {2, "b"}});
  TDBTable* cur = MakeTable(m, "cur", {{9, "z"}});
  const std::vector<int32_t> both{1, 0};
  EXPECT_TRUE(m.AppendRecords("src", both));
  EXPECT_EQ(Rows(*cur), (V{"9:z", "2:b", "1:a"}));
  EXPECT_EQ(cur->RecNo(), 2);
  // From the table into itself: the records are taken before any is appended.
  std::vector<int32_t> all{0, 1, 2};
  EXPECT_TRUE(m.AppendRecords("cur", all));
  EXPECT_EQ(Rows(*cur), (V{"9:z", "2:b", "1:a", "9:z", "2:b", "1:a"}));
  EXPECT_FALSE(m.AppendRecords("none", all));
}

TEST(DBManager, AppendRecordsNeedsTheSameLayout) {
  struct TLayoutCase {
    const char* Name;
    uint8_t Type;
    int32_t Size;
    bool Same;
  };
  const TLayoutCase cases[] = {
      {"s", kDBString, 8, true},
      {"S", kDBString, 8, false},
      {"s", kDBString, 9, false},
      {"s", kDBInteger, 0, false},
  };
  for (const TLayoutCase& c : cases) {
    TDBManager m;
    m.CreateTable("src", kDBGameTables);
    m.AddField("n", kDBInteger, 0);
    m.AddField(c.Name, c.Type, c.Size);
    m.CurrentTable()->Append();
    TDBTable* cur = MakeTable(m, "cur", {});
    EXPECT_EQ(m.AppendRecords("src", std::vector<int32_t>{0}), c.Same) << c.Name << " " << c.Size;
    EXPECT_EQ(cur->RecordCount(), c.Same ? 1 : 0);
  }
  TDBManager m;
  MakeTable(m, "src", {{1, "a"}});
  m.CurrentTable()->Fields.Add("extra", kDBBoolean, 0);
  MakeTable(m, "cur", {});
  EXPECT_FALSE(m.AppendRecords("src", std::vector<int32_t>{0}));
}

// DBCopy: the current record is appended to the destination.
TEST(DBManager, CopyCurrentRecord) {
  TDBManager m;
  TDBTable* dst = MakeTable(m, "dst", {{5, "e"}});
  TDBTable* cur = MakeTable(m, "cur", {{1, "a"}, {2, "b"}});
  cur->SetRecNo(0);
  EXPECT_TRUE(m.CopyCurrentRecord("dst"));
  EXPECT_EQ(Rows(*dst), (V{"5:e", "1:a"}));
  EXPECT_EQ(dst->RecNo(), 1);
  EXPECT_TRUE(m.CopyCurrentRecord("cur"));
  EXPECT_EQ(Rows(*cur), (V{"1:a", "2:b", "1:a"}));
  cur->SetRecNo(-1);
  EXPECT_FALSE(m.CopyCurrentRecord("dst"));
  cur->SetRecNo(0);
  EXPECT_FALSE(m.CopyCurrentRecord("none"));
  dst->Fields.Add("x", kDBInteger, 0);
  EXPECT_FALSE(m.CopyCurrentRecord("dst"));
  EXPECT_EQ(dst->RecordCount(), 2);
}

// The game form holds only game tables and the current table's name; a
// status table of the same name as a game table stays separate.
TEST(DBManager, GameAndStatusFormsStaySeparate) {
  TDBManager m;
  MakeTable(m, "shared", {{1, "status"}}, kDBStatusTables);
  MakeTable(m, "game", {{2, "g"}});
  TMemoryStream game;
  m.SaveTables(game, kDBGameTables);
  TMemoryStream status;
  m.SaveTables(status, kDBStatusTables);

  // A game table named like the status one appears by a load, not by CreateTable.
  TDBManager other;
  MakeTable(other, "shared", {{3, "game"}});
  TMemoryStream otherGame;
  other.SaveTables(otherGame, kDBGameTables);

  otherGame.SetPosition(0);
  m.LoadTables(otherGame, kDBGameTables);
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(Rows(*m.Table(0)), (V{"1:status"}));
  EXPECT_EQ(m.Table(0)->Status, kDBStatusTables);
  EXPECT_EQ(Rows(*m.Table(1)), (V{"3:game"}));
  // The current table is the loaded one of that name.
  EXPECT_EQ(m.Current(), 1);
  m.ResetTables();
  ASSERT_EQ(m.Count(), 1);
  EXPECT_EQ(Rows(*m.Table(0)), (V{"1:status"}));

  game.SetPosition(0);
  m.LoadTables(game, kDBGameTables);
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(m.CurrentTable()->Name, "game");

  // A status load replaces the status tables only; the last loaded becomes current.
  m.Table(0)->ClearRecords();
  status.SetPosition(0);
  m.LoadTables(status, kDBStatusTables);
  ASSERT_EQ(m.Count(), 2);
  EXPECT_EQ(m.Table(0)->Name, "game");
  EXPECT_EQ(Rows(*m.Table(1)), (V{"1:status"}));
  EXPECT_EQ(m.Current(), 1);
}

TEST(DBManager, GameFormWithoutACurrentTable) {
  TDBManager m;
  MakeTable(m, "a", {});
  m.DeleteTable("a");
  TMemoryStream s;
  m.SaveTables(s, kDBGameTables);
  EXPECT_EQ(s.Bytes(), (std::vector<uint8_t>{100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  m.CreateTable("x", kDBGameTables);
  s.SetPosition(0);
  m.LoadTables(s, kDBGameTables);
  EXPECT_EQ(m.Count(), 0);
  EXPECT_EQ(m.Current(), -1);
}

}  // namespace
}  // namespace opal

// Tab-separated loading: header cells, escapes, cells and lines.
#include <gtest/gtest.h>

#include <memory>

#include "db/db_table.h"
#include "db/db_tsv.h"

namespace opal {
namespace {

std::string Cell(const TDBTable& t, int32_t rec, int32_t field) {
  std::string v;
  EXPECT_TRUE(t.GetStr(rec, field, v)) << rec << "," << field;
  return v;
}

TEST(DBTsv, HeaderCells) {
  struct TDeclCase {
    const char* Cell;
    const char* Name;
    uint8_t Type;
    int32_t Size;
  };
  const TDeclCase cases[] = {
      {"count int", "count", kDBInteger, 4},
      {"name", "name", kDBString, 81},
      {"flag bool 5", "flag", kDBBoolean, 1},
      {"rate float", "rate", kDBFloat, 10},
      {"title str 10", "title", kDBString, 11},
      {"memo text 7", "memo", kDBString, 8},
      {"memo str abc", "memo", kDBString, 81},
      {"  padded   int  ", "padded", kDBInteger, 4},
      {"upper INT", "upper", kDBString, 81},
      {"neg str -4", "neg", kDBString, 1},
      {"\x96\xbc\x91\x4f str 2", "\x96\xbc\x91\x4f", kDBString, 3},
  };
  for (const TDeclCase& c : cases) {
    SCOPED_TRACE(c.Cell);
    TDBTable t;
    t.LoadTsv({c.Cell});
    ASSERT_EQ(t.Fields.Count(), 1);
    EXPECT_EQ(t.Fields[0].Name, c.Name);
    EXPECT_EQ(t.Fields[0].Type, c.Type);
    EXPECT_EQ(t.Fields[0].Size, c.Size);
  }
}

TEST(DBTsv, BadHeaderRemovesEveryField) {
  for (const char* header : {"a int\t\tb", "a int\t \tb", "a int\tb str 70000"}) {
    SCOPED_TRACE(header);
    TDBTable t;
    t.Fields.Add("old", kDBInteger, 0);
    t.Append();
    EXPECT_FALSE(t.LoadTsv({header, "1\t2\t3"}));
    EXPECT_EQ(t.Fields.Count(), 0);
    EXPECT_EQ(t.RecordCount(), 0);
    EXPECT_EQ(t.RecNo(), -1);
  }
}

TEST(DBTsv, RecordsFromLines) {
  TDBTable t;
  EXPECT_FALSE(t.LoadTsv({"n int\tname str 4\tok bool", "1\tabcdef\tTRUE", "", "x\t\t", "7\tq\tFALSE\textra\tmore",
                          "8"}));
  ASSERT_EQ(t.Fields.Count(), 3);
  ASSERT_EQ(t.RecordCount(), 4);
  EXPECT_EQ(t.RecNo(), 3);
  const char* want[4][3] = {{"1", "abcd", "TRUE"}, {"0", "", "FALSE"}, {"7", "q", "FALSE"}, {"8", "", "FALSE"}};
  for (int r = 0; r < 4; ++r) {
    for (int f = 0; f < 3; ++f) EXPECT_EQ(Cell(t, r, f), want[r][f]) << r << "," << f;
  }
}

TEST(DBTsv, NoLinesLeavesAnEmptyTable) {
  TDBTable t;
  t.Fields.Add("a", kDBInteger, 0);
  t.Append();
  EXPECT_FALSE(t.LoadTsv({}));
  EXPECT_EQ(t.Fields.Count(), 0);
  EXPECT_EQ(t.RecordCount(), 0);
}

TEST(DBTsv, Escapes) {
  struct TEscCase {
    std::string In, Out;
  };
  const TEscCase cases[] = {
      {R"(say \"hi\")", "say \"hi\""},
      {R"(a\\b)", "a\\b"},
      {R"(one\ntwo)", "one\r\ntwo"},
      {R"(\t stays)", "\\t stays"},
      {R"(end\)", "end\\"},
      {R"(\\n)", "\\n"},
      // 0x5C as the trail byte of a double-byte character is no backslash.
      {"\x95\x5cn", "\x95\x5cn"},
      {"\x95\x5c\\\"", "\x95\x5c\""},
  };
  for (const TEscCase& c : cases) EXPECT_EQ(dbtsv::Unescape(c.In), c.Out) << c.In;
}

TEST(DBTsv, SplitCells) {
  using V = std::vector<std::string>;
  EXPECT_EQ(dbtsv::SplitCells(""), V{});
  EXPECT_EQ(dbtsv::SplitCells("a"), V{"a"});
  EXPECT_EQ(dbtsv::SplitCells("a\t"), V{"a"});
  EXPECT_EQ(dbtsv::SplitCells("\t"), V{""});
  EXPECT_EQ(dbtsv::SplitCells("a\t\tb"), (V{"a", "", "b"}));
  EXPECT_EQ(dbtsv::SplitCells("a\t\t"), (V{"a", ""}));
  // A tab after a lead byte is that character's trail byte.
  EXPECT_EQ(dbtsv::SplitCells("\x82\tb\tc"), (V{"\x82\tb", "c"}));
}

// A line that ends in a lead byte, in a buffer of exactly its length (a
// sanitizer build sees any read past it).
TEST(DBTsv, LineEndingInALeadByte) {
  const char bytes[] = {'x', '\t', '\x82'};
  auto exact = std::make_unique<char[]>(sizeof bytes);
  std::copy(bytes, bytes + sizeof bytes, exact.get());
  const std::string_view line(exact.get(), sizeof bytes);
  EXPECT_EQ(dbtsv::SplitCells(line), (std::vector<std::string>{"x", "\x82"}));
  EXPECT_EQ(dbtsv::Unescape(line), std::string(line));
  const char slash[] = {'a', '\\'};
  auto exact2 = std::make_unique<char[]>(sizeof slash);
  std::copy(slash, slash + sizeof slash, exact2.get());
  EXPECT_EQ(dbtsv::Unescape(std::string_view(exact2.get(), sizeof slash)), "a\\");

  TDBTable t;
  t.LoadTsv({"a\tb", std::string(line)});
  ASSERT_EQ(t.RecordCount(), 1);
  EXPECT_EQ(Cell(t, 0, 1), "\x82");
}

}  // namespace
}  // namespace opal

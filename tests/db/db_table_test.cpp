// Records, navigation, the conversion table, search and sort of one table.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "db/db_table.h"

namespace opal {
namespace {

// A table with fields i (int), f (float), b (bool), s (string of 4).
struct TTableFixture : ::testing::Test {
  TTableFixture() {
    t.Name = "t";
    t.Fields.Add("i", kDBInteger, 0);
    t.Fields.Add("f", kDBFloat, 0);
    t.Fields.Add("b", kDBBoolean, 0);
    t.Fields.Add("s", kDBString, 4);
  }
  std::string Str(int32_t rec, int32_t field) {
    std::string v;
    EXPECT_TRUE(t.GetStr(rec, field, v));
    return v;
  }
  TDBTable t;
};

TEST_F(TTableFixture, FieldSizesAndOffsets) {
  EXPECT_EQ(t.Fields.RecordSize(), 4 + 10 + 1 + 5);
  EXPECT_EQ(t.Fields.Offset(3), 15);
  EXPECT_EQ(t.Fields.IndexOf("S"), 3);
  EXPECT_EQ(t.Fields.IndexOf("x"), -1);
}

TEST(DBFieldList, BoundsOnSizes) {
  TDBTable t;
  EXPECT_EQ(t.Fields.Add("x", 0, 0), -1);
  EXPECT_EQ(t.Fields.Add("x", 5, 0), -1);
  EXPECT_EQ(t.Fields.Add("long", kDBString, 65536), -1);
  EXPECT_EQ(t.Fields.Add("neg", kDBString, -3), 0);
  EXPECT_EQ(t.Fields[0].Size, 1);
  t.Fields.Clear();
  // Sixteen of the longest strings fill 1 MiB exactly; nothing more fits.
  for (int i = 0; i < 16; ++i) ASSERT_EQ(t.Fields.Add("s" + std::to_string(i), kDBString, 65535), i);
  EXPECT_EQ(t.Fields.RecordSize(), kDBMaxRecordSize);
  EXPECT_EQ(t.Fields.Add("b", kDBBoolean, 0), -1);
  EXPECT_EQ(t.Fields.Count(), 16);
}

TEST_F(TTableFixture, SetRecNo) {
  t.Append();
  t.Append();
  EXPECT_TRUE(t.SetRecNo(-5));
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_EQ(t.CurrentRecord(), nullptr);
  EXPECT_FALSE(t.SetRecNo(2));
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_TRUE(t.SetRecNo(1));
  EXPECT_EQ(t.RecNo(), 1);
}

TEST_F(TTableFixture, Navigation) {
  EXPECT_FALSE(t.First());
  EXPECT_FALSE(t.Last());
  EXPECT_FALSE(t.Next());
  EXPECT_FALSE(t.Prior());
  for (int i = 0; i < 3; ++i) t.Append();
  EXPECT_EQ(t.RecNo(), 2);
  EXPECT_FALSE(t.Next());
  EXPECT_TRUE(t.Prior());
  EXPECT_TRUE(t.First());
  EXPECT_FALSE(t.Prior());
  EXPECT_EQ(t.RecNo(), 0);
  EXPECT_TRUE(t.Next());
  EXPECT_EQ(t.RecNo(), 1);
  t.SetRecNo(-1);
  EXPECT_FALSE(t.Next());
  EXPECT_FALSE(t.Prior());
}

TEST_F(TTableFixture, DeleteLastAndOnly) {
  for (int i = 0; i < 3; ++i) {
    t.Append();
    t.SetInt(i, 0, 10 + i);
  }
  // Deleting the last record makes the one before it current.
  ASSERT_TRUE(t.Delete());
  EXPECT_EQ(t.RecNo(), 1);
  // Deleting a middle record keeps RecNo on the record that moved down.
  t.SetRecNo(0);
  ASSERT_TRUE(t.Delete());
  EXPECT_EQ(t.RecNo(), 0);
  int32_t v = 0;
  EXPECT_TRUE(t.GetIntByName("i", v));
  EXPECT_EQ(v, 11);
  // Deleting the only record leaves none current.
  ASSERT_TRUE(t.Delete());
  EXPECT_EQ(t.RecordCount(), 0);
  EXPECT_EQ(t.RecNo(), -1);
  EXPECT_FALSE(t.Delete());
}

TEST_F(TTableFixture, OutOfRangeAnswersFalse) {
  t.Append();
  int32_t v = 7;
  EXPECT_FALSE(t.GetInt(1, 0, v));
  EXPECT_FALSE(t.GetInt(0, 4, v));
  EXPECT_FALSE(t.GetInt(-1, 0, v));
  EXPECT_EQ(v, 7);
  EXPECT_FALSE(t.SetStrByName("missing", "x"));
  t.SetRecNo(-1);
  EXPECT_FALSE(t.SetIntByName("i", 1));
}

// Writes through one accessor, then reads back through all four.
struct TConvCase {
  const char* Name;
  int32_t Field;  // 0 int, 1 float, 2 bool, 3 string(4)
  std::function<void(TDBTable&)> Write;
  int32_t AsInt;
  Extended AsFloat;
  bool AsBool;
  const char* AsStr;
};

TEST_F(TTableFixture, ConversionTable) {
  const TConvCase cases[] = {
      {"int from int", 0, [](TDBTable& t) { t.SetInt(0, 0, -7); }, -7, -7, true, "-7"},
      {"int from float rounds to even", 0, [](TDBTable& t) { t.SetFloat(0, 0, 2.5L); }, 2, 2, true, "2"},
      {"int from float 3.5", 0, [](TDBTable& t) { t.SetFloat(0, 0, 3.5L); }, 4, 4, true, "4"},
      {"int from bool", 0, [](TDBTable& t) { t.SetBool(0, 0, true); }, 1, 1, true, "1"},
      {"int from text", 0, [](TDBTable& t) { t.SetStr(0, 0, "123"); }, 123, 123, true, "123"},
      {"int from hex text", 0, [](TDBTable& t) { t.SetStr(0, 0, "$10"); }, 16, 16, true, "16"},
      {"int from bad text", 0, [](TDBTable& t) { t.SetStr(0, 0, "1.5"); }, 0, 0, false, "0"},
      {"float 2.5", 1, [](TDBTable& t) { t.SetFloat(0, 1, 2.5L); }, 2, 2.5L, true, "2.5"},
      {"float 3.5", 1, [](TDBTable& t) { t.SetFloat(0, 1, 3.5L); }, 4, 3.5L, true, "3.5"},
      {"float -2.5", 1, [](TDBTable& t) { t.SetFloat(0, 1, -2.5L); }, -2, -2.5L, true, "-2.5"},
      {"float from int exact", 1, [](TDBTable& t) { t.SetInt(0, 1, 2147483647); }, 2147483647, 2147483647.0L, true,
       "2147483647"},
      {"float from text", 1, [](TDBTable& t) { t.SetStr(0, 1, "1e3"); }, 1000, 1000, true, "1000"},
      {"float from bad text", 1, [](TDBTable& t) { t.SetStr(0, 1, "x"); }, 0, 0, false, "0"},
      {"float beyond int32", 1, [](TDBTable& t) { t.SetFloat(0, 1, 1e20L); }, 2147483647, 1e20L, true, "1E20"},
      {"float below int32", 1, [](TDBTable& t) { t.SetFloat(0, 1, -1e20L); }, -2147483647 - 1, -1e20L, true,
       "-1E20"},
      {"bool from int", 2, [](TDBTable& t) { t.SetInt(0, 2, 5); }, 1, 1, true, "TRUE"},
      {"bool from text true", 2, [](TDBTable& t) { t.SetStr(0, 2, "TRUE"); }, 1, 1, true, "TRUE"},
      {"bool from text lower", 2, [](TDBTable& t) { t.SetStr(0, 2, "true"); }, 0, 0, false, "FALSE"},
      {"bool from float", 2, [](TDBTable& t) { t.SetFloat(0, 2, 0.25L); }, 1, 1, true, "TRUE"},
      {"text cut to four bytes", 3, [](TDBTable& t) { t.SetStr(0, 3, "abcdefghij"); }, 0, 0, false, "abcd"},
      {"number text cut", 3, [](TDBTable& t) { t.SetInt(0, 3, 123456); }, 1234, 1234, false, "1234"},
      {"FALSE cut", 3, [](TDBTable& t) { t.SetBool(0, 3, false); }, 0, 0, false, "FALS"},
      {"TRUE fits", 3, [](TDBTable& t) { t.SetBool(0, 3, true); }, 0, 0, true, "TRUE"},
      {"float text", 3, [](TDBTable& t) { t.SetFloat(0, 3, 1.5L); }, 0, 1.5L, false, "1.5"},
      {"double-byte cut in half", 3, [](TDBTable& t) { t.SetStr(0, 3, "\x82\xa0\x82\xa0\x82\xa0"); }, 0, 0, false,
       "\x82\xa0\x82\xa0"},
      {"odd cut", 3, [](TDBTable& t) { t.SetStr(0, 3, "a\x82\xa0\x82\xa0"); }, 0, 0, false, "a\x82\xa0\x82"},
  };
  for (const TConvCase& c : cases) {
    SCOPED_TRACE(c.Name);
    t.ClearRecords();
    t.Append();
    c.Write(t);
    int32_t i = -99;
    Extended f = -99;
    bool b = false;
    ASSERT_TRUE(t.GetInt(0, c.Field, i));
    ASSERT_TRUE(t.GetFloat(0, c.Field, f));
    ASSERT_TRUE(t.GetBool(0, c.Field, b));
    EXPECT_EQ(i, c.AsInt);
    EXPECT_EQ(f, c.AsFloat);
    EXPECT_EQ(b, c.AsBool);
    EXPECT_EQ(Str(0, c.Field), c.AsStr);
  }
}

TEST_F(TTableFixture, NaNReadsAsIntegerZero) {
  t.Append();
  t.SetFloat(0, 1, std::numeric_limits<Extended>::quiet_NaN());
  int32_t v = 5;
  ASSERT_TRUE(t.GetInt(0, 1, v));
  EXPECT_EQ(v, 0);
  t.SetFloat(0, 0, std::numeric_limits<Extended>::quiet_NaN());
  ASSERT_TRUE(t.GetInt(0, 0, v));
  EXPECT_EQ(v, 0);
  EXPECT_EQ(DBRoundToInt(std::numeric_limits<Extended>::infinity()), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(DBRoundToInt(-0.5L), 0);
  EXPECT_EQ(DBRoundToInt(-1.5L), -2);
  EXPECT_EQ(DBRoundToInt(0.49999999L), 0);
}

TEST_F(TTableFixture, AnyNonZeroBooleanByteIsTrue) {
  t.Append();
  t.CurrentRecord()[t.Fields.Offset(2)] = 0x80;
  bool b = false;
  ASSERT_TRUE(t.GetBool(0, 2, b));
  EXPECT_TRUE(b);
  int32_t i = 0;
  t.GetInt(0, 2, i);
  EXPECT_EQ(i, 1);
}

TEST_F(TTableFixture, FieldsAddedAndRemovedReshapeRecords) {
  t.Append();
  t.SetInt(0, 0, 42);
  t.SetStr(0, 3, "xy");
  ASSERT_EQ(t.Fields.Add("n", kDBInteger, 0), 4);
  int32_t v = -1;
  ASSERT_TRUE(t.GetInt(0, 4, v));
  EXPECT_EQ(v, 0);
  t.SetInt(0, 4, 9);
  ASSERT_TRUE(t.Fields.Remove(1));  // the float
  EXPECT_EQ(t.Fields.RecordSize(), 4 + 1 + 5 + 4);
  t.GetInt(0, 0, v);
  EXPECT_EQ(v, 42);
  EXPECT_EQ(Str(0, 2), "xy");
  t.GetInt(0, 3, v);
  EXPECT_EQ(v, 9);
}

// Records of the fixture: (i, f, b, s).
struct TRow {
  int32_t I;
  Extended F;
  bool B;
  const char* S;
};

void Fill(TDBTable& t, std::initializer_list<TRow> rows) {
  for (const TRow& r : rows) {
    t.Append();
    t.SetInt(t.RecNo(), 0, r.I);
    t.SetFloat(t.RecNo(), 1, r.F);
    t.SetBool(t.RecNo(), 2, r.B);
    t.SetStr(t.RecNo(), 3, r.S);
  }
}

std::vector<int32_t> Search(const TDBTable& t, std::vector<std::string> fields, std::vector<TDBValue> values,
                            bool partial = false, bool ignoreCase = false) {
  std::vector<int32_t> hits;
  t.Filter(hits, fields, partial, ignoreCase, values);
  return hits;
}

TEST_F(TTableFixture, Filter) {
  Fill(t, {{1, 0.5L, false, "Abc"}, {2, 1.5L, true, "abd"}, {1, 2.5L, true, "xab"}, {3, 2.5L, false, ""}});
  using V = std::vector<int32_t>;
  EXPECT_EQ(Search(t, {}, {}), (V{0, 1, 2, 3}));
  EXPECT_EQ(Search(t, {"i"}, {}), (V{0, 1, 2, 3}));
  EXPECT_EQ(Search(t, {"i"}, {int32_t{1}}), (V{0, 2}));
  EXPECT_EQ(Search(t, {"I", "b"}, {int32_t{1}, true}), (V{2}));
  // A float value compares with the field read as float; an int value with it read as int (2.5 -> 2).
  EXPECT_EQ(Search(t, {"f"}, {Extended{2.5L}}), (V{2, 3}));
  EXPECT_EQ(Search(t, {"f"}, {int32_t{2}}), (V{1, 2, 3}));
  EXPECT_EQ(Search(t, {"s"}, {std::string("abc")}), (V{}));
  EXPECT_EQ(Search(t, {"s"}, {std::string("abc")}, false, true), (V{0}));
  EXPECT_EQ(Search(t, {"s"}, {std::string("ab")}, true), (V{1, 2}));
  EXPECT_EQ(Search(t, {"s"}, {std::string("AB")}, true, true), (V{0, 1, 2}));
  EXPECT_EQ(Search(t, {"s"}, {std::string("")}), (V{3}));
  // A partial search for the empty string finds nothing.
  EXPECT_EQ(Search(t, {"s"}, {std::string("")}, true), (V{}));
  EXPECT_EQ(Search(t, {"s"}, {std::string("")}, true, true), (V{}));
  // Only the first min(count) pairs count; a value of another type restricts nothing.
  EXPECT_EQ(Search(t, {"i", "s"}, {int32_t{1}}), (V{0, 2}));
  EXPECT_EQ(Search(t, {"i", "s"}, {std::monostate{}, std::string("abd")}), (V{1}));
  // A numeric field compared with text uses its text.
  EXPECT_EQ(Search(t, {"i"}, {std::string("3")}), (V{3}));
}

TEST_F(TTableFixture, FilterStopsAtAMissingField) {
  Fill(t, {{1, 0, false, "a"}, {1, 0, false, "b"}});
  EXPECT_TRUE(Search(t, {"i", "nope"}, {int32_t{1}, int32_t{1}}).empty());
  EXPECT_TRUE(Search(t, {"nope", "i"}, {int32_t{1}, int32_t{1}}).empty());
  // The missing name lies beyond the values: it is never looked at.
  EXPECT_EQ(Search(t, {"i", "nope"}, {int32_t{1}}).size(), 2u);
}

std::vector<int32_t> Column(const TDBTable& t, int32_t field) {
  std::vector<int32_t> v;
  for (int32_t r = 0; r < t.RecordCount(); ++r) {
    int32_t x = 0;
    t.GetInt(r, field, x);
    v.push_back(x);
  }
  return v;
}

TEST_F(TTableFixture, SortKeysOfEachType) {
  const Extended nan = std::numeric_limits<Extended>::quiet_NaN();
  // i is the record's original position, to see where each one went.
  Fill(t, {{0, 2.0L, true, "b"}, {1, nan, false, "B"}, {2, -1.0L, true, "a"}, {3, 2.0L, false, "ab"},
           {4, nan, true, ""}});
  t.SetRecNo(3);
  struct TSortCase {
    std::vector<std::string> Fields;
    std::vector<bool> Descending;
    std::vector<int32_t> Order;
  };
  const TSortCase cases[] = {
      {{"i"}, {true}, {4, 3, 2, 1, 0}},
      {{"i"}, {false}, {0, 1, 2, 3, 4}},
      // NaN first, stable among equal keys.
      {{"f"}, {false}, {1, 4, 2, 0, 3}},
      {{"f"}, {true}, {0, 3, 2, 1, 4}},
      {{"b"}, {false}, {1, 3, 0, 2, 4}},
      {{"b"}, {true}, {0, 2, 4, 1, 3}},
      // Byte order: "" < "B" < "a" < "ab" < "b".
      {{"s"}, {false}, {4, 1, 2, 3, 0}},
      {{"s"}, {true}, {0, 3, 2, 1, 4}},
      {{"b", "f"}, {false, true}, {3, 1, 0, 2, 4}},
      // Names that are no field are skipped; flags beyond the names are unused.
      {{"zz", "s"}, {false, false, true}, {4, 1, 2, 3, 0}},
      {{"zz"}, {false}, {0, 1, 2, 3, 4}},
  };
  for (const TSortCase& c : cases) {
    t.Sort(std::vector<std::string>{"i"}, {false});
    t.Sort(c.Fields, c.Descending);
    EXPECT_EQ(Column(t, 0), c.Order) << c.Fields[0] << (c.Descending[0] ? " desc" : "");
    EXPECT_EQ(t.RecNo(), 3);
  }
}

}  // namespace
}  // namespace opal

#include <gtest/gtest.h>

#include <functional>

#include "common/error.h"
#include "expr/messages.h"
#include "expr/param_collection.h"
#include "expr/params.h"
#include "expr_test_util.h"
#include "storage/stream.h"

namespace opal {
namespace {

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const EOpalError& e) {
    return e.what();
  }
  return "";
}

TEST(ParamsTest, FreshValuesHoldOneDefaultElement) {
  for (uint8_t tag = 1; tag <= 4; ++tag) {
    auto v = CreateValue(tag);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->ValueType(), tag);
    EXPECT_EQ(v->Count(), 1);
    EXPECT_EQ(v->DimCount(), 1);
    EXPECT_TRUE(v->Dims().empty());
  }
  EXPECT_EQ(CreateValue(0x81)->ValueType(), kTagInt);  // top bit ignored
  EXPECT_EQ(CreateValue(5), nullptr);
}

TEST(ParamsTest, SetDimsRefusesBadSizesAndLeavesTheValue) {
  TParamInt v;
  const int32_t good[] = {3, 4};
  v.SetDims(good);
  v.SetInt(11, 9);
  const int32_t bad[] = {2, 0};
  EXPECT_EQ(ErrorOf([&] { v.SetDims(bad); }), Format(msg::kBadElementCount, "2,0"));
  EXPECT_EQ(v.Count(), 12);
  EXPECT_EQ(v.GetInt(11), 9);
  // Products that overflow or are merely huge are refused the same way.
  const int32_t huge[] = {65536, 65536, 2};
  EXPECT_FALSE(ErrorOf([&] { v.SetDims(huge); }).empty());
  const int32_t big[] = {kMaxElements + 1};
  EXPECT_FALSE(ErrorOf([&] { v.SetDims(big); }).empty());
  EXPECT_EQ(v.Count(), 12);
}

TEST(ParamsTest, ScalarWriteTurnsAnArrayIntoAScalar) {
  TParamInt v;
  const int32_t dims[] = {3, 4};
  v.SetDims(dims);
  v.SetAsInteger(5);
  EXPECT_EQ(v.Count(), 1);
  EXPECT_TRUE(v.Dims().empty());
  EXPECT_EQ(v.AsInteger(), 5);
}

TEST(ParamsTest, ElementAccessorsCheckTheIndex) {
  TParamStr v;
  for (int32_t i : {-1, 1}) {
    EXPECT_EQ(ErrorOf([&] { v.GetStr(i); }), msg::kBadSubscript);
    EXPECT_EQ(ErrorOf([&] { v.SetInt(i, 1); }), msg::kBadSubscript);
  }
}

TEST(ParamsTest, ConversionsOnAccess) {
  TParamFloat f;
  f.SetAsFloat(-2.9L);
  EXPECT_EQ(f.AsInteger(), -2);
  EXPECT_EQ(f.AsString(), "-2.9");
  TParamStr s;
  s.SetAsString("true");
  EXPECT_FALSE(s.AsFlag());
  s.SetAsString("TRUE");
  EXPECT_TRUE(s.AsFlag());
  s.SetAsString("abc");
  EXPECT_EQ(s.AsInteger(), 0);
  TParamFlag b;
  b.SetAsString("TRUE");
  EXPECT_EQ(b.AsString(), "TRUE");
  EXPECT_EQ(b.AsFloat(), 1.0L);
  TParamInt i;
  i.SetAsString("$10");
  EXPECT_EQ(i.AsInteger(), 16);
}

TEST(ParamsTest, FillsOnlyFromTheirOwnType) {
  TParamInt v;
  const int32_t dims[] = {3};
  v.SetDims(dims);
  v.FillStr("7");
  EXPECT_EQ(v.GetInt(2), 0);
  v.FillInt(7);
  EXPECT_EQ(v.GetInt(2), 7);
}

TEST(ParamsTest, CopyFromNeedsTheSameClass) {
  TParamInt a, b;
  const int32_t dims[] = {2, 2};
  b.SetDims(dims);
  b.SetInt(3, 8);
  a.CopyFrom(b);
  EXPECT_EQ(a.Count(), 4);
  EXPECT_EQ(a.GetInt(3), 8);
  EXPECT_EQ(a.Dims(), (TDynamicIntArray{2, 2}));
  TParamStr s;
  EXPECT_EQ(ErrorOf([&] { s.CopyFrom(a); }), msg::kCopyMemType);
  // A scalar source leaves the one-entry list [1].
  TParamInt scalar;
  a.CopyFrom(scalar);
  EXPECT_EQ(a.Dims(), (TDynamicIntArray{1}));
}

TEST(ParamsTest, AssignConvertConvertsEachElement) {
  TParamFloat src;
  const int32_t dims[] = {2};
  src.SetDims(dims);
  src.SetFloat(0, 1.5L);
  src.SetFloat(1, -2.5L);
  TParamStr dst;
  dst.AssignConvert(src);
  EXPECT_EQ(dst.Dims(), (TDynamicIntArray{2}));
  EXPECT_EQ(dst.GetStr(0), "1.5");
  EXPECT_EQ(dst.GetStr(1), "-2.5");
}

TEST(ParamsTest, IndexOfText) {
  TParamStr v;
  const int32_t dims[] = {3};
  v.SetDims(dims);
  v.SetStr(0, "Apple");
  v.SetStr(1, "banana");
  v.SetStr(2, "apple");
  EXPECT_EQ(v.IndexOfText("apple", true, false), 2);
  EXPECT_EQ(v.IndexOfText("APPLE", false, false), 0);
  EXPECT_EQ(v.IndexOfText("NAN", false, true), 1);
  EXPECT_EQ(v.IndexOfText("NAN", true, true), -1);
  TParamInt n;
  n.SetAsInteger(-7);
  EXPECT_EQ(n.IndexOfText("-7", true, false), 0);
}

TEST(ParamsTest, StreamFormRoundTrips) {
  TParamFloat f;
  const int32_t dims[] = {2, 1};
  f.SetDims(dims);
  f.SetFloat(1, 1.5L);
  TMemoryStream s;
  f.SaveToStream(s);
  // dims: 2 entries; then count 2 and two 10-byte reals
  const std::vector<uint8_t> expected = test::TBytes()
                                            .I32(2).I32(2).I32(1).I32(2)
                                            .Raw({0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
                                            .Raw({0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F})
                                            .Data;
  EXPECT_EQ(s.Bytes(), expected);
  s.SetPosition(0);
  TParamFloat g;
  g.LoadFromStream(s, nullptr);
  EXPECT_EQ(g.Dims(), f.Dims());
  EXPECT_EQ(g.GetFloat(1), 1.5L);
}

TEST(ParamsTest, StreamReaderRefusesCountsBeyondTheData) {
  const std::vector<std::vector<uint8_t>> damaged = {
      test::TBytes().I32(-1).Data,                          // negative dims count
      test::TBytes().I32(0x10000000).Data,                  // dims beyond the data
      test::TBytes().I32(1).I32(0).I32(1).I32(0).Data,      // a zero size
      test::TBytes().I32(0).I32(0).Data,                    // no elements
      test::TBytes().I32(0).I32(1000000).I32(1).Data,       // elements beyond the data
      test::TBytes().I32(0).I32(1).I32(0x7FFFFFFF).Data,    // string beyond the data
  };
  for (const auto& bytes : damaged) {
    TMemoryStream s(bytes);
    TParamStr v;
    v.SetAsString("keep");
    EXPECT_THROW(v.LoadFromStream(s, nullptr), EOpalError);
    EXPECT_EQ(v.AsString(), "keep");
  }
}

class ReferenceTest : public ::testing::Test {
 protected:
  TParamCollection vars;
  TParamCollectionItem* Add(const std::string& name, uint8_t tag) {
    TParamCollectionItem* v = vars.AddVar(tag);
    vars.NameVar(v, name);
    return v;
  }
};

TEST_F(ReferenceTest, ForwardsToItsTargetAndItsElement) {
  TParamCollectionItem* a = Add("a", kTagInt);
  const int32_t dims[] = {3};
  a->Value->SetDims(dims);
  TParamVar r("a");
  r.Resolve(vars);
  r.ElementIndex = 2;
  r.SetAsInteger(9);
  EXPECT_EQ(a->Value->GetInt(2), 9);
  EXPECT_EQ(r.Count(), 3);
  EXPECT_EQ(r.ValueType(), kTagInt);
  EXPECT_EQ(a->Value->Count(), 3);  // element write, no MakeScalar
  TParamVar missing("nope");
  EXPECT_EQ(ErrorOf([&] { missing.Resolve(vars); }), Format(msg::kVarNotFound, "nope"));
  EXPECT_EQ(missing.Count(), 0);
  EXPECT_EQ(missing.ValueType(), kTagVar);
  EXPECT_EQ(missing.AsString(), "");
}

TEST_F(ReferenceTest, DeletingTheTargetUnbinds) {
  Add("a", kTagInt);
  TParamVar r("a");
  r.Resolve(vars);
  vars.ResetVars();
  EXPECT_EQ(r.Target(), nullptr);
  EXPECT_EQ(r.AsInteger(), 0);
}

TEST_F(ReferenceTest, CyclesAreRefused) {
  TParamCollectionItem* r1 = Add("r1", kTagVar);
  TParamCollectionItem* r2 = Add("r2", kTagVar);
  r1->Value->AsVarRef()->Bind(r2);
  EXPECT_THROW(r2->Value->AsVarRef()->Bind(r1), EOpalError);
  EXPECT_THROW(r1->Value->AsVarRef()->Bind(r1), EOpalError);
}

TEST_F(ReferenceTest, LongChainsEndInAnError) {
  TParamCollectionItem* end = Add("v0", kTagInt);
  TParamCollectionItem* prev = end;
  for (int i = 1; i <= 100; ++i) {
    TParamCollectionItem* r = Add("v" + std::to_string(i), kTagVar);
    r->Value->AsVarRef()->Bind(prev);
    prev = r;
  }
  EXPECT_THROW(prev->Value->AsInteger(), EOpalError);
  EXPECT_EQ(vars.FindVar("v3")->Value->AsInteger(), 0);  // a short chain still reads
}

}  // namespace
}  // namespace opal

#include <gtest/gtest.h>

#include "common/error.h"
#include "expr/param_collection.h"
#include "expr_test_util.h"
#include "storage/stream.h"

namespace opal {
namespace {

using test::TBytes;

class VarBlocksTest : public ::testing::Test {
 protected:
  VarBlocksTest() {
    vars.CreateSystemVars();
    loaded.CreateSystemVars();
  }
  std::vector<std::string> OrdinaryNames(const TParamCollection& t) {
    std::vector<std::string> names;
    for (int32_t i = 0; i < t.Count(); ++i) {
      if (!t.Var(i)->IsSystem()) names.push_back(t.Var(i)->Name());
    }
    return names;
  }
  TParamCollection vars, loaded;
};

// An integer record in the hand-written layout.
TBytes& IntRecord(TBytes& b, const std::string& name, int32_t value, uint8_t persistent = 0) {
  return b.U8(kTagInt).Str(name).I32(0).I32(1).I32(value).U8(persistent).U8(0).I32(-1).U8(0);
}

TEST_F(VarBlocksTest, GameBlockRoundTripsAndReversesOrder) {
  vars.Declare("n", kTagInt, kScopeGlobal)->Value->SetAsInteger(-7);
  TParamCollectionItem* arr = vars.Declare("arr", kTagStr, kScopeGlobal);
  const int32_t dims[] = {2, 2};
  arr->Value->SetDims(dims);
  arr->Value->SetStr(3, "\x82\xA0");  // a double-byte character
  vars.CurrentLevel = 2;
  TParamCollectionItem* local = vars.Declare("loc", kTagFloat, kScopeLocal);
  local->Value->SetAsFloat(0.1L);
  local->Reserved = 7;
  vars.Declare("keep", kTagInt, kScopePersistent);
  vars.TextDelay = 20;
  vars.CursorName = "hand.cur";
  vars.SelStr = "yes";
  vars.SelIndex = 3;
  vars.TempTarget = "n";

  TMemoryStream s;
  vars.SaveGameVars(s);
  s.SetPosition(0);
  loaded.Declare("old", kTagInt, kScopeGlobal);
  loaded.LoadGameVars(s, 138);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(OrdinaryNames(loaded), (std::vector<std::string>{"loc", "arr", "n"}));
  EXPECT_EQ(loaded.FindVar("n")->Value->AsInteger(), -7);
  EXPECT_EQ(loaded.FindVar("arr")->Value->Dims(), (TDynamicIntArray{2, 2}));
  EXPECT_EQ(loaded.FindVar("arr")->Value->GetStr(3), "\x82\xA0");
  loaded.CurrentLevel = 2;
  const TParamCollectionItem* l = loaded.FindVar("loc");
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(l->Value->AsFloat(), 0.1L);
  EXPECT_EQ(l->IsLocal, 1);
  EXPECT_EQ(l->OwnerLevel, 2);
  EXPECT_EQ(l->Reserved, 7);
  EXPECT_EQ(loaded.TextDelay, 20);
  EXPECT_EQ(loaded.CursorName, "hand.cur");
  EXPECT_EQ(loaded.SelStr, "yes");
  EXPECT_EQ(loaded.SelIndex, 3);
  EXPECT_EQ(loaded.TempTarget, "n");
}

// Hand-made blocks of the older layouts: every gate reads exactly its fields,
// which the sentinel after the block proves.
TEST_F(VarBlocksTest, VersionGates) {
  const struct {
    int32_t version;
    bool sel, history, temp;
  } gates[] = {
      {100, false, false, false}, {102, false, false, false}, {103, true, false, false},
      {112, true, false, false},  {113, true, true, false},   {120, true, true, false},
      {121, true, true, true},    {134, true, true, true},    {135, true, false, true},
      {138, true, false, true},
  };
  for (const auto& g : gates) {
    TBytes b;
    b.I32(1);
    IntRecord(b, "v", 42);
    b.I32(33).Str("cur");
    if (g.sel) b.Str("sel").I32(4);
    if (g.history) b.I32(1).I32(2).I32(3).I32(4).I32(5).I32(6);
    if (g.temp) b.Str("tmp");
    b.I32(0x5EED);
    TMemoryStream s(b.Data);
    TParamCollection t;
    t.SelStr = "before";
    THistorySettings history{};
    t.LoadGameVars(s, g.version, &history);
    EXPECT_EQ(ReadInt32(s), 0x5EED) << g.version;
    EXPECT_EQ(t.FindVar("v")->Value->AsInteger(), 42);
    EXPECT_EQ(t.TextDelay, 33);
    EXPECT_EQ(t.CursorName, "cur");
    EXPECT_EQ(t.SelStr, g.sel ? "sel" : "before") << g.version;
    EXPECT_EQ(t.SelIndex, g.sel ? 4 : -1) << g.version;
    EXPECT_EQ(history[5], g.history ? 6 : 0) << g.version;
    EXPECT_EQ(t.TempTarget, g.temp ? "tmp" : "") << g.version;
  }
}

TEST_F(VarBlocksTest, UnnamedRecordIsDroppedButConsumed) {
  TBytes b;
  b.I32(3);
  IntRecord(b, "a", 1);
  b.U8(kTagStr).Str("").I32(0).I32(2).Str("x").Str("yz").U8(0).U8(0).I32(-1).U8(0);
  IntRecord(b, "b", 2);
  b.I32(50).Str("").Str("").I32(-1).Str("");
  TMemoryStream s(b.Data);
  loaded.LoadGameVars(s, 138);
  EXPECT_EQ(OrdinaryNames(loaded), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(loaded.FindVar("b")->Value->AsInteger(), 2);
}

TEST_F(VarBlocksTest, ReferenceWaitsForItsTarget) {
  TParamCollectionItem* x = vars.Declare("x", kTagInt, kScopeGlobal);
  x->Value->SetAsInteger(5);
  TParamCollectionItem* r = vars.Declare("r", kTagVar, kScopeGlobal);
  r->Value->AsVarRef()->RefName = "x";
  r->Value->AsVarRef()->Bind(x);
  // A reference whose target is not in the block must not stall the writer.
  TParamCollectionItem* p = vars.Declare("p", kTagInt, kScopePersistent);
  TParamCollectionItem* q = vars.Declare("q", kTagVar, kScopeGlobal);
  q->Value->AsVarRef()->Bind(p);

  TMemoryStream s;
  vars.SaveGameVars(s);
  s.SetPosition(0);
  loaded.Declare("p", kTagInt, kScopePersistent);
  loaded.LoadGameVars(s, 138);
  EXPECT_EQ(OrdinaryNames(loaded), (std::vector<std::string>{"p", "x", "r", "q"}));
  loaded.FindVar("x")->Value->SetAsInteger(8);
  EXPECT_EQ(loaded.FindVar("r")->Value->AsInteger(), 8);
  EXPECT_EQ(loaded.FindVar("q")->Value->AsVarRef()->Target(), loaded.FindVar("p"));
}

TEST_F(VarBlocksTest, StatusBlockHoldsPersistentVariablesOnly) {
  vars.Declare("g", kTagInt, kScopeGlobal);
  vars.Declare("p1", kTagStr, kScopePersistent)->Value->SetAsString("s");
  vars.Declare("p2", kTagFlag, kScopePersistent)->Value->SetAsFlag(true);
  TMemoryStream s;
  vars.SaveStatusVars(s);
  s.SetPosition(0);
  loaded.Declare("g2", kTagInt, kScopeGlobal);
  loaded.LoadStatusVars(s);
  EXPECT_EQ(OrdinaryNames(loaded), (std::vector<std::string>{"g2", "p2", "p1"}));
  EXPECT_EQ(loaded.FindVar("p1")->Persistent, 1);
  EXPECT_TRUE(loaded.FindVar("p2")->Value->AsFlag());
}

TEST_F(VarBlocksTest, DamagedBlocksEndInAnError) {
  TBytes unknownTag;
  unknownTag.I32(1).U8(9).Str("v");
  TBytes badName;
  IntRecord(badName.I32(1), "1bad", 0);
  const std::vector<std::vector<uint8_t>> damaged = {
      TBytes().I32(-1).Data,
      TBytes().I32(0x7FFFFFFF).Data,
      unknownTag.Data,
      badName.Data,
      TBytes().I32(1).U8(kTagInt).Str("v").I32(0).I32(5).I32(1).Data,  // cut short
  };
  for (const auto& bytes : damaged) {
    TMemoryStream s(bytes);
    TParamCollection t;
    EXPECT_THROW(t.LoadGameVars(s, 138), EOpalError);
    EXPECT_EQ(t.Count(), 0);
  }
}

}  // namespace
}  // namespace opal

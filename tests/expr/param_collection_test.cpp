#include <gtest/gtest.h>

#include "common/error.h"
#include "expr/messages.h"
#include "expr/param_collection.h"

namespace opal {
namespace {

TEST(HashNameTest, Examples) {
  EXPECT_EQ(THashCollection::HashName(""), 0);
  EXPECT_EQ(THashCollection::HashName("a"), 16);
  EXPECT_EQ(THashCollection::HashName("ab"), 226);
  EXPECT_EQ(THashCollection::HashName("AB"), 226);
}

class TableTest : public ::testing::Test {
 protected:
  TParamCollection vars;
  TParamCollectionItem* Add(const std::string& name, uint8_t tag = kTagInt) {
    TParamCollectionItem* v = vars.AddVar(tag);
    vars.NameVar(v, name);
    return v;
  }
};

TEST_F(TableTest, LocalWinsOnlyAtItsOwnLevel) {
  TParamCollectionItem* global = Add("x");
  vars.CurrentLevel = 2;
  TParamCollectionItem* local = vars.Declare("x", kTagInt, kScopeLocal);
  ASSERT_NE(local, global);
  EXPECT_EQ(vars.FindVar("X"), local);
  EXPECT_EQ(vars.FindScoped("x", true), local);
  EXPECT_EQ(vars.FindScoped("x", false), global);
  for (int level : {0, 1, 3}) {
    vars.CurrentLevel = level;
    EXPECT_EQ(vars.FindVar("x"), global) << level;
  }
}

TEST_F(TableTest, OldestOfTwoGlobalsWins) {
  TParamCollectionItem* first = Add("x");
  Add("x");
  EXPECT_EQ(vars.FindVar("x"), first);
}

TEST_F(TableTest, NamesAreChecked) {
  for (const char* bad : {"", "a b", "1x", "9"}) {
    TParamCollectionItem* v = vars.AddVar(kTagInt);
    try {
      vars.NameVar(v, bad);
      ADD_FAILURE() << bad;
    } catch (const EOpalError& e) {
      EXPECT_EQ(e.what(), Format(msg::kBadVarName, bad));
    }
    EXPECT_EQ(v->Name(), "");  // a failed rename leaves it unnamed
  }
  Add("_ok1");
  Add("@x");
}

TEST_F(TableTest, BindElementAddressesTheFlatIndex) {
  TParamCollectionItem* a = Add("a");
  const int32_t dims[] = {3, 4};
  a->Value->SetDims(dims);
  TParamVar ref;
  const int32_t idx[] = {1, 2};
  vars.BindElement(ref, "a", idx);
  EXPECT_EQ(ref.ElementIndex, 6);
  EXPECT_EQ(ref.Target(), a);

  const struct {
    std::vector<int32_t> indices;
    std::string message;
  } failures[] = {
      {{3, 0}, std::string("a[3,0]\r\n") + msg::kIndexBeyond},
      {{1}, std::string("a[1]\r\n") + msg::kBadIndexCount},
      {{2147483647, 2147483647}, std::string("a[2147483647,2147483647]\r\n") + msg::kIndexBeyond},
  };
  for (const auto& f : failures) {
    TParamVar r;
    try {
      vars.BindElement(r, "a", f.indices);
      ADD_FAILURE() << f.message;
    } catch (const EOpalError& e) {
      EXPECT_EQ(e.what(), f.message);
    }
  }
  // Negative indices pass the binding; the accessors refuse them.
  const int32_t neg[] = {-1, 0};
  TParamVar r;
  vars.BindElement(r, "a", neg);
  EXPECT_THROW(r.AsInteger(), EOpalError);
}

TEST_F(TableTest, DeclarationScopes) {
  vars.CurrentLevel = 3;
  const struct {
    uint8_t scope;
    int32_t owner;
    uint8_t local, persistent;
  } cases[] = {{kScopeGlobal, -1, 0, 0}, {kScopeLevel, 3, 0, 0}, {kScopeLocal, 3, 1, 0}, {kScopePersistent, -1, 0, 1}};
  for (const auto& c : cases) {
    const std::string name = "v" + std::to_string(c.scope);
    TParamCollectionItem* v = vars.Declare(name, kTagStr, c.scope);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->OwnerLevel, c.owner) << name;
    EXPECT_EQ(v->IsLocal, c.local) << name;
    EXPECT_EQ(v->Persistent, c.persistent) << name;
    EXPECT_EQ(vars.Declare(name, kTagStr, c.scope), c.persistent ? nullptr : v) << name;
  }
  vars.DropLevel(3);
  EXPECT_EQ(vars.FindVar("v1"), nullptr);
  EXPECT_EQ(vars.FindVar("v2"), nullptr);
  EXPECT_NE(vars.FindVar("v0"), nullptr);
}

TEST_F(TableTest, ResetKeepsPersistentAndSystemVariables) {
  vars.CreateSystemVars();
  vars.Declare("g", kTagInt, kScopeGlobal);
  vars.Declare("p", kTagInt, kScopePersistent)->Value->SetAsInteger(5);
  vars.TextDelay = 10;
  vars.CursorName = "c";
  vars.SelStr = "s";
  vars.TempTarget = "t";
  vars.ResetVars();
  EXPECT_EQ(vars.Count(), 51);
  EXPECT_EQ(vars.FindVar("p")->Value->AsInteger(), 5);
  EXPECT_EQ(vars.FindVar("g"), nullptr);
  EXPECT_EQ(vars.TextDelay, 50);
  EXPECT_EQ(vars.CursorName, "");
  EXPECT_EQ(vars.SelStr, "s");
  EXPECT_EQ(vars.TempTarget, "t");
}

TEST_F(TableTest, CopyVarValueIsDetached) {
  TParamCollectionItem* a = Add("a", kTagStr);
  a->Value->SetAsString("x");
  auto copy = vars.CopyVarValue("A");
  a->Value->SetAsString("y");
  EXPECT_EQ(copy->AsString(), "x");
  EXPECT_EQ(vars.CopyVarValue("none"), nullptr);
  Add("r", kTagVar);
  EXPECT_THROW(vars.CopyVarValue("r"), EOpalError);
}

}  // namespace
}  // namespace opal

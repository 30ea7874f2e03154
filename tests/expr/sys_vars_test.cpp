#include <gtest/gtest.h>

#include "expr/sys_vars.h"
#include "expr_test_util.h"

namespace opal {
namespace {

class SysVarsTest : public ::testing::Test, public test::TExprEnv {};

TEST_F(SysVarsTest, CreatedInIdOrder) {
  ASSERT_EQ(Vars.Count(), kSysVarCount);
  for (int id = 0; id < kSysVarCount; ++id) {
    EXPECT_EQ(Vars.Var(id)->Value->SystemId(), id);
    EXPECT_EQ(Vars.Var(id)->Name(), kSysVarTable[static_cast<size_t>(id)].Name);
  }
  EXPECT_EQ(Vars.FindVar("@textdelay")->Value->SystemId(), kSysTextDelay);
}

TEST_F(SysVarsTest, StringWritesParseOrAreIgnored) {
  TCustomParam& delay = *Vars.FindVar("@TextDelay")->Value;
  delay.SetAsString("abc");
  EXPECT_EQ(Vars.TextDelay, 50);
  delay.SetAsString("12");
  EXPECT_EQ(Vars.TextDelay, 12);
  // An assignment converts by the target's type first (integer from "x" is 0).
  Eval("@TextDelay = \"x\"");
  EXPECT_EQ(Vars.TextDelay, 0);
  Eval("@SelStr = 5");
  EXPECT_EQ(Vars.SelStr, "5");
  EXPECT_TRUE(Vars.FindVar("@SelStr")->Value->AsFlag());  // non-empty string
  EXPECT_EQ(Eval("@IsDebug"), "3:FALSE");
}

TEST_F(SysVarsTest, KeyArraysAndTemp) {
  const TCustomParam& keys = *Vars.FindVar("@KeyPush")->Value;
  EXPECT_EQ(keys.Count(), 258);
  EXPECT_FALSE(keys.AsFlag());
  EXPECT_FALSE(keys.GetFlag(1000));
  TParamCollectionItem* arr = Decl("arr", kTagStr);
  const int32_t dims[] = {3};
  arr->Value->SetDims(dims);
  TCustomParam& temp = *Vars.FindVar("@Temp")->Value;
  EXPECT_EQ(temp.ValueType(), kTagVar);
  Vars.TempTarget = "arr";
  EXPECT_EQ(temp.Count(), 3);
  temp.SetStr(2, "z");
  EXPECT_EQ(arr->Value->GetStr(2), "z");
  Vars.TempTarget = "@Temp";  // aliasing itself forwards nowhere
  EXPECT_EQ(temp.Count(), 1);
}

}  // namespace
}  // namespace opal

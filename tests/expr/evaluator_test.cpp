#include <gtest/gtest.h>

#include "common/error.h"
#include "expr/messages.h"
#include "expr/opal_parser.h"
#include "expr_test_util.h"

namespace opal {
namespace {

using test::TBytes;

class EvalTest : public ::testing::Test, public test::TExprEnv {
 protected:
  int32_t OrdinaryCount() const {
    int32_t n = 0;
    for (int32_t i = 0; i < Vars.Count(); ++i) n += Vars.Var(i)->IsSystem() ? 0 : 1;
    return n;
  }
};

TEST_F(EvalTest, OperatorsAndTheirTypes) {
  const struct {
    const char* text;
    const char* result;  // tag:string form
  } cases[] = {
      {"1 + 2.5", "1:3"},
      {"2.5 + 1", "2:3.5"},
      {"7 / 2", "1:3"},
      {"7.0 / 2", "2:3.5"},
      {"-7 / 2", "1:-3"},
      {"1 / 0.5", "none"},
      {"1 / 0", "none"},
      {"1.5 / 0", "none"},
      {"7 % 0", "none"},
      {"\"12\" + \"3\"", "4:15"},
      {"\"12\" ++ \"3\"", "4:123"},
      {"1 ++ 2.5", "4:12.5"},
      {"TRUE + 1", "1:2"},
      {"1 == \"1\"", "3:TRUE"},
      {"\"01\" == 1", "3:FALSE"},
      {"1 == \"01\"", "3:TRUE"},
      {"-7 % 3", "1:-1"},
      {"7 % -3", "1:1"},
      {"-1 >> 28", "1:15"},
      {"1 << 33", "1:2"},
      {"\"abc\" < \"abd\"", "3:TRUE"},
      {"\"ab\" < \"abc\"", "3:TRUE"},
      {"\"\x82\xA0\" > \"z\"", "3:TRUE"},  // bytes compare unsigned
      {"2.5 >= 2.5", "3:TRUE"},
      {"TRUE > FALSE", "3:TRUE"},
      {"3 <> 3", "3:FALSE"},
      {"3 <= 2", "3:FALSE"},
      {"6 & 3 | 8 ^ 1", "1:11"},
      {"(1 + 2) * (3 - 5)", "1:-6"},
      {"0.1 + 0.2", "2:0.3"},
      {"@TextDelay + 1", "1:51"},
      {"", "none"},
      {"nothing", "none"},
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(c.text), c.result) << c.text;
}

// Wrapping, and every case that would be undefined in C++, gives a result.
TEST_F(EvalTest, IntegerEdgesAreDefined) {
  const struct {
    const char* text;
    const char* result;
  } cases[] = {
      {"2147483647 + 1", "1:-2147483648"},
      {"-2147483647 - 2", "1:2147483647"},
      {"65536 * 65536", "1:0"},
      {"$80000000 / -1", "1:-2147483648"},
      {"$80000000 % -1", "1:0"},
      {"1 << -1", "1:-2147483648"},
      {"-1 >> -4", "1:15"},
      {"1 << 2147483647", "1:-2147483648"},
      {"0 - $80000000", "1:-2147483648"},
      {"1E4000 * 1E4000", "none"},  // overflow ends the evaluation
  };
  for (const auto& c : cases) EXPECT_EQ(Eval(c.text), c.result) << c.text;
  Decl("i", kTagInt);
  for (const char* huge : {"i = 1E300", "i = 1E4000", "i = 1E19", "i = 0.0 - 1E30"}) {
    Vars.FindVar("i")->Value->SetAsInteger(9);
    Eval(huge);
    EXPECT_NE(Vars.FindVar("i")->Value->AsInteger(), 9) << huge;
  }
}

TEST_F(EvalTest, StoresConvertToTheTargetType) {
  Decl("f", kTagFloat);
  Decl("b", kTagFlag);
  Decl("s", kTagStr);
  Eval("f = 1 / 2");
  EXPECT_EQ(Vars.FindVar("f")->Value->AsFloat(), 0.0L);
  Eval("f = 1.0 / 2");
  EXPECT_EQ(Vars.FindVar("f")->Value->AsFloat(), 0.5L);
  Eval("b = \"TRUE\"");
  EXPECT_TRUE(Vars.FindVar("b")->Value->AsFlag());
  Eval("b = \"true\"");
  EXPECT_FALSE(Vars.FindVar("b")->Value->AsFlag());
  Eval("s = 2.5 * 2");
  EXPECT_EQ(Vars.FindVar("s")->Value->AsString(), "5");
  Eval("s = 1 == 1");
  EXPECT_EQ(Vars.FindVar("s")->Value->AsString(), "TRUE");
}

TEST_F(EvalTest, ArrayElements) {
  TParamCollectionItem* a = Decl("a", kTagInt);
  const int32_t dims[] = {3, 4};
  a->Value->SetDims(dims);
  Decl("i", kTagInt)->Value->SetAsInteger(1);
  Eval("a[i, i + 1] = 5");
  EXPECT_EQ(a->Value->GetInt(6), 5);
  EXPECT_EQ(Eval("a[1, 2] * 2"), "1:10");
  EXPECT_EQ(Eval("a[1, 2] = a[1, 2] + 1"), "none");  // an assignment has no value
  EXPECT_EQ(a->Value->GetInt(6), 6);
  EXPECT_EQ(Eval("a[3, 0]"), "none");
  EXPECT_EQ(Eval("a[-1, 0]"), "none");
  EXPECT_EQ(Eval("a[1]"), "none");
  EXPECT_EQ(Eval("a"), "1:0");  // a whole array reads as element 0
  EXPECT_EQ(a->Value->Count(), 12);
  Eval("a = 3");
  EXPECT_EQ(a->Value->Count(), 1);
  EXPECT_TRUE(a->Value->Dims().empty());
}

TEST_F(EvalTest, FailureStopsTheListAndLeavesNoTemporaries) {
  TParamCollectionItem* x = Decl("x", kTagInt);
  x->Value->SetAsInteger(4);
  Decl("y", kTagInt);
  const int32_t before = Vars.Count();
  EXPECT_EQ(Eval("x = y + 1 / 0"), "none");
  EXPECT_EQ(x->Value->AsInteger(), 4);
  EXPECT_EQ(Eval("zz = 1"), "none");
  EXPECT_EQ(Eval("(1 + 2) * \"a\" ++ Max(1, 2)"), "none");  // no dispatcher function
  EXPECT_EQ(Eval("Abs(1) + x"), "none");
  EXPECT_EQ(Vars.Count(), before);
  EXPECT_EQ(Vars.FindVar("____arg"), nullptr);
}

// The failure's message is kept for a caller that reports it; the result
// is the same with or without it, and the next run that ends clears it.
TEST_F(EvalTest, AFailingRunKeepsItsMessage) {
  Decl("x", kTagInt);
  const struct {
    const char* Text;
    std::string Error;
  } cases[] = {
      {"x + 1 / 0", "division by zero"},
      {"nosuch == 1", Format(msg::kVarNotFound, "nosuch")},
      {"x + 1", ""},
  };
  TOpalParser list;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    ASSERT_TRUE(CompileText(c.Text, list));
    list.Execute(Vars);
    EXPECT_EQ(list.LastError(), c.Error);
    EXPECT_EQ(list.Result() == nullptr, !c.Error.empty());
  }
}

TEST_F(EvalTest, MalformedRecordsFailCleanly) {
  const std::vector<std::vector<uint8_t>> lists = {
      TBytes().I32(1).U8(ocPlus).Str("____arg").I32(1).U8(kTagInt).I32(1).Data,
      TBytes().I32(1).U8(ocTo).Str("____arg").I32(0).Data,
      TBytes().I32(1).U8(25).Str("____arg").I32(1).U8(kTagInt).I32(1).Data,
      TBytes().I32(1).U8(ocNone).Str("____arg").I32(0).Data,
      TBytes().I32(1).U8(ocDimTo).Str("____d_0").I32(1).U8(kTagInt).I32(1).Data,
      TBytes().I32(1).U8(ocFunc).Str("____arg").I32(0).U8(200).Data,
      TBytes().I32(1).U8(ocFunc).Str("____arg").I32(0).U8(kFuncGetProp).Data,
  };
  const int32_t before = Vars.Count();
  for (const auto& bytes : lists) {
    TOpalParser list;
    test::LoadList(list, bytes);
    list.Execute(Vars);
    EXPECT_EQ(Vars.Count(), before);
  }
}

// A stand-in for Calc: compiles and runs its text on the same table.
int calcCalls = 0;
void FakeCalc(TSysFuncCall& call) {
  ++calcCalls;
  if (EvaluateText(call.Vars, call.Arg(0).AsString())) call.Target.Value->SetAsFlag(true);
}

TEST_F(EvalTest, ReentrantEvaluationSharesTheTable) {
  Funcs.Register(kFuncCalc, FakeCalc);
  Decl("x", kTagInt);
  EXPECT_EQ(Eval("Calc(\"x = 4\")"), "4:TRUE");
  EXPECT_EQ(Vars.FindVar("x")->Value->AsInteger(), 4);
  EXPECT_EQ(Eval("Calc(\" \")"), "4:");
  // The inner list's ____0 and ____1 already exist in the outer one: the
  // inner writes into them, and the outer reads the changed ____1.
  EXPECT_EQ(Eval("Calc(\"2 * 3 + 1\") ++ \"abc\""), "4:TRUE7");
  EXPECT_EQ(Vars.FindVar("____1"), nullptr);
}

TEST_F(EvalTest, RecursionThroughCalcIsCapped) {
  Funcs.Register(kFuncCalc, FakeCalc);
  Decl("t", kTagStr)->Value->SetAsString("Calc(t)");
  const int32_t before = Vars.Count();
  calcCalls = 0;
  EXPECT_EQ(Eval("Calc(t)"), "4:TRUE");
  EXPECT_GT(calcCalls, 1);
  EXPECT_LE(calcCalls, 40);
  EXPECT_EQ(Vars.Count(), before);
}

void WriteBackFirst(TSysFuncCall& call) { call.WritableArg(0).SetAsString("X"); }

TEST_F(EvalTest, FunctionsNeverWriteIntoLiterals) {
  Funcs.Register(9, WriteBackFirst);  // Delete: writes its first argument back
  Decl("s", kTagStr)->Value->SetAsString("abc");
  TOpalParser list;
  test::LoadList(list, test::CompileBytes("Delete(5, 1)"));
  list.Execute(Vars);
  list.Execute(Vars);
  EXPECT_EQ(list.Ops[0].Operands[0]->AsInteger(), 5);
  Eval("Delete(s, 1)");
  EXPECT_EQ(Vars.FindVar("s")->Value->AsString(), "X");
}

void Nothing(TSysFuncCall&) {}

TEST_F(EvalTest, FunctionResultTypes) {
  Funcs.Register(kFuncGetProp, Nothing);
  Funcs.Register(37, Nothing);  // Int
  EXPECT_EQ(Eval("GetProp(\"o\", 95)"), "2:0");
  EXPECT_EQ(Eval("GetProp(\"o\", 0)"), "4:");
  EXPECT_EQ(Eval("GetProp(\"o\", 47)"), "3:FALSE");
  EXPECT_EQ(Eval("GetProp(\"o\", 163)"), "none");
  EXPECT_EQ(Eval("GetProp(\"o\", -1)"), "none");
  EXPECT_EQ(Eval("Int(2.5)"), "1:0");
}

}  // namespace
}  // namespace opal

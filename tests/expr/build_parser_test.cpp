#include <gtest/gtest.h>

#include "common/error.h"
#include "expr/build_parser.h"
#include "expr/messages.h"
#include "expr/opal_parser.h"
#include "expr/sys_funcs.h"
#include "expr_test_util.h"
#include "storage/stream.h"

namespace opal {
namespace {

using test::TBytes;

// "ocPlus ____1 = a | b": code, target, operands joined by " | ".
std::vector<std::string> Records(const std::string& text) {
  TBuildOpalParser compiler;
  compiler.Build(text);
  std::vector<std::string> lines;
  for (const TBuildOpeData& op : compiler.Ops) {
    std::string line = OpeCodeName(op.Code) + " " + op.Target + " =";
    for (size_t k = 0; k < op.Operands.size(); ++k) line += (k ? " | " : " ") + op.Operands[k];
    lines.push_back(line);
  }
  return lines;
}

std::string CompileError(const std::string& text) {
  try {
    test::CompileBytes(text);
  } catch (const EOpalError& e) {
    return e.what();
  }
  return "";
}

TEST(CompilerTest, RecordLists) {
  const struct {
    const char* text;
    std::vector<std::string> records;
  } cases[] = {
      {"x = 1 + 2 * 3", {"ocMul ____0 = 2 | 3", "ocPlus ____1 = 1 | ____0", "ocTo x = ____1"}},
      {"(a + b) * c", {"ocPlus ____1 = a | b", "ocMul ____2 = ____1 | c", "ocTo ____arg = ____2"}},
      {"a - -b", {"ocMinus ____0 = 0 | b", "ocMinus ____1 = a | ____0", "ocTo ____arg = ____1"}},
      {"-5", {"ocMinus ____0 = 0 | 5", "ocTo ____arg = ____0"}},
      {"a + +b", {"ocPlus ____0 = a | b", "ocTo ____arg = ____0"}},
      {"a b", {"ocTo ____arg = a b"}},
      {"", {"ocTo ____arg = "}},
      {"   ", {"ocTo ____arg =    "}},
      {"Sin(x)", {"ocFunc ____0 = Sin | x", "ocTo ____arg = ____0"}},
      {"Copy((1+2),3)", {"ocPlus ____2 = 1 | 2", "ocFunc ____0 = Copy | ____2 | 3", "ocTo ____arg = ____0"}},
      // Only the outermost pair goes; the rest is compiled.
      {"Abs(((a)+(b)))",
       {"ocTo ____2 = b", "ocTo ____3 = a", "ocPlus ____4 = ____3 | ____2", "ocFunc ____0 = Abs | ____4",
        "ocTo ____arg = ____0"}},
      {"Max(Min(a, b), 1)",
       {"ocFunc ____0 = Min | a | b", "ocFunc ____1 = Max | ____0 | 1", "ocTo ____arg = ____1"}},
      {"IntToStr(a,)", {"ocFunc ____0 = IntToStr | a", "ocTo ____arg = ____0"}},
      {"DBDelete()", {"ocFunc ____0 = DBDelete", "ocTo ____arg = ____0"}},
      {"Copy(s, , 2)", {"ocFunc ____0 = Copy | s |  | 2", "ocTo ____arg = ____0"}},
      {"a[1, i + 1] = 2",
       {"ocPlus ____2 = i | 1", "ocDimTo ____d_0 = a | 1 | ____2", "ocTo ____d_0 = 2"}},
      {"a[b[0]] = c[1]",
       {"ocDimTo ____d_0 = c | 1", "ocDimTo ____d_1 = b | 0", "ocDimTo ____d_2 = a | ____d_1",
        "ocTo ____d_2 = ____d_0"}},
      {"s = \"x\\\"y\" ++ \"a\\nb\\\\\"",
       {"ocTo ____0 = \"x\"y\"", "ocTo ____1 = \"a\r\nb\\\"", "ocComboStr ____2 = ____0 | ____1", "ocTo s = ____2"}},
      {"\"(\" ++ \"[\"", {"ocTo ____0 = \"(\"", "ocTo ____1 = \"[\"", "ocComboStr ____2 = ____0 | ____1",
                          "ocTo ____arg = ____2"}},
      {"a <= b <> c", {"ocESmall ____0 = a | b", "ocNEqual ____1 = ____0 | c", "ocTo ____arg = ____1"}},
      {"1 << 2 + 3", {"ocPlus ____0 = 2 | 3", "ocShiftL ____1 = 1 | ____0", "ocTo ____arg = ____1"}},
      {"a | b & c ^ d",
       {"ocAnd ____0 = b | c", "ocXor ____1 = ____0 | d", "ocOr ____2 = a | ____1", "ocTo ____arg = ____2"}},
      {"a - b - c", {"ocMinus ____0 = a | b", "ocMinus ____1 = ____0 | c", "ocTo ____arg = ____1"}},
      // A double-byte name whose trail bytes look like '[' and '\'.
      {"\x83X\x83R\x83" "A\x81[ = \x95\\", {"ocTo \x83X\x83R\x83" "A\x81[ = \x95\\"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Records(c.text), c.records) << c.text;
}

TEST(CompilerTest, Failures) {
  const std::string syntax = msg::kSyntax;
  const struct {
    const char* text;
    std::string message;
  } cases[] = {
      {"a = b = c", syntax},
      {"a[1][2]", syntax},
      {"a[ ]", msg::kEmptyIndex},
      {"(a", syntax},
      {"a)", syntax},
      {"Abs(a]", syntax},
      {"a[1", syntax},
      {"1 +", syntax},
      {"* 2", syntax},
      {"a = ", syntax},
      {"= 1", syntax},
      {"a, b", syntax},
      {"x = 1, 2", syntax},
      {"()", syntax},
      {"sin(x)", Format(msg::kNoFunction, "sin")},
      {"Sin()", std::string("Sin") + msg::kBadArgCount},
      {"Sin(1, 2)", std::string("Sin") + msg::kBadArgCount},
      {"DBDelete(1)", std::string("DBDelete") + msg::kBadArgCount},
  };
  for (const auto& c : cases) EXPECT_EQ(CompileError(c.text), c.message) << c.text;
  EXPECT_EQ(CompileError("SetArray(a, 1, 2, 3, 4, 5, 6, 7, 8, 9)"), "");  // no upper bound
}

// Groups and calls are cut out innermost first, so deep nesting compiles
// without deep recursion.
TEST(CompilerTest, DeepNesting) {
  test::TExprEnv env;
  EXPECT_EQ(env.Eval(std::string(500, '(') + "1 + 1" + std::string(500, ')')), "1:2");
  std::string calls = "1";
  for (int i = 0; i < 300; ++i) calls = "Abs(1 + " + calls + ")";
  EXPECT_EQ(CompileError(calls), "");
}

TEST(CompilerTest, FunctionTableIsComplete) {
  for (int id = 0; id < kSysFuncCount; ++id) EXPECT_EQ(FindSysFunc(kSysFuncTable[static_cast<size_t>(id)].Name), id);
  EXPECT_EQ(FindSysFunc("Calc"), kFuncCalc);
  EXPECT_EQ(FindSysFunc("InCabinet"), 154);
  EXPECT_EQ(PropertyValueType(0), kTagStr);      // PR_NAME
  EXPECT_EQ(PropertyValueType(95), kTagFloat);   // PR_PARAM1
  EXPECT_EQ(PropertyValueType(162), kTagInt);    // PR_REPEATPOS
}

TEST(RecordStreamTest, WriteOpsClassifiesOperands) {
  const std::vector<uint8_t> bytes = test::CompileBytes("SaveScreen(\"s\", $10, TRUE, 2.5, v)");
  TBytes expected;
  expected.I32(3);
  expected.U8(ocTo).Str("____0").I32(1).U8(kTagStr).Str("s");
  expected.U8(ocFunc).Str("____1").I32(5).U8(137);
  expected.U8(kTagVar).Str("____0").U8(kTagInt).I32(16).U8(kTagFlag).U8(1);
  expected.U8(kTagFloat).Raw({0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0x40}).U8(kTagVar).Str("v");
  expected.U8(ocTo).Str("____arg").I32(1).U8(kTagVar).Str("____1");
  EXPECT_EQ(bytes, expected.Data);
}

TEST(RecordStreamTest, ReadWriteGivesIdenticalBytes) {
  for (const char* text : {"x = 1 + 2 * 3", "s = \"a\" ++ 1.5 ++ FALSE", "a[i, j] = Max(b[0], -3) >> 2",
                           "f = Sin(@Pi / 2) * 0.1", ""}) {
    const std::vector<uint8_t> first = test::CompileBytes(text);
    TOpalParser list;
    test::LoadList(list, first);
    TMemoryStream again;
    list.SaveToStream(again);
    EXPECT_EQ(again.Bytes(), first) << text;
    TOpalParser copy;
    copy.Assign(list);
    TMemoryStream third;
    copy.SaveToStream(third);
    EXPECT_EQ(third.Bytes(), first) << text;
  }
}

TEST(RecordStreamTest, DamagedStreamsEndInAnError) {
  const std::vector<std::vector<uint8_t>> damaged = {
      TBytes().Data,
      TBytes().I32(-1).Data,
      TBytes().I32(0x7FFFFFFF).Data,
      TBytes().I32(1).U8(ocTo).Str("x").I32(0x40000000).Data,
      TBytes().I32(1).U8(ocTo).Str("x").I32(-5).Data,
      TBytes().I32(1).U8(ocTo).I32(1000).Data,
      TBytes().I32(1).U8(ocTo).Str("x").I32(1).U8(kTagFloat).Raw({1, 2, 3}).Data,
      TBytes().I32(1).U8(ocFunc).Str("x").I32(1).Data,
      TBytes().I32(2).U8(ocTo).Str("x").I32(1).U8(kTagInt).I32(1).Data,
  };
  for (const auto& bytes : damaged) {
    TOpalParser list;
    test::LoadList(list, test::CompileBytes("keep"));
    TMemoryStream s(bytes);
    EXPECT_THROW(list.LoadFromStream(s), EOpalError);
    EXPECT_EQ(list.Ops.size(), 1u);  // unchanged
  }
}

}  // namespace
}  // namespace opal

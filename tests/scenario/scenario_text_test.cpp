// Scenario text: canonical text reads and writes back unchanged, records no
// text reproduces fall back to the literal form, and errors name the line.
#include <gtest/gtest.h>

#include "common/cp932.h"
#include "scenario/commands_flow.h"
#include "scenario/commands_text.h"
#include "scenario/expr_text.h"
#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "storage/stream.h"

namespace opal {
namespace {

std::string Bytes(const TPage& page) {
  TMemoryStream s;
  page.SaveToStream(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

std::unique_ptr<TPage> Read(const std::string& utf8, const std::string& name = "main.osb") {
  auto page = std::make_unique<TPage>();
  page->Name = name;
  ReadPageText(cp932::FromUtf8(utf8), *page);
  return page;
}

TEST(ScenarioText, CanonicalTextComesBackUnchanged) {
  const std::string text =
      ".version 111\n"
      ".result string\n"
      ".props ImgNew PR_TAG 165\n"
      "Label top\n"
      "+WhileInit i = 0\n"
      "+While i < 3\n"
      "  +If i == 1 ; \n"
      "    +Continue TRUE\n"
      "  +Elseif a[i, 2] > -b\n"
      "    !Break Sin(x) + 1 == 2\n"
      "  +Else\n"
      "+WhileLoop i = i + 1\n"
      "ImgNew PR_NAME: \"bg\" ; PR_SOURCE: \"画像\\\\bg.bri\" ; PR_LEFT: (1 + 2) * 3\n"
      "GetProp \"bg\" ; prop: PR_LEFT ; var: x\n"
      "Call sub.osb#4 ; result: r ; arg: 1 ; arg: ; arg: \"a;b\"\n"
      "Jump :top ; if: x >= 10\n"
      "TextIns \"一行目<BR>\\n二行目\" ; window: \"msg\" ; wait: TRUE\n"
      "VarNew \"odd name\" ; type: float ; value: 1.5 ; scope: persistent\n"
      "{line=3 indent=-2} Comment remark; with semicolon\n"
      "Wait 100 ; while: x ; block: TRUE\n";
  // The line with a trailing "; " and the comment's text are not canonical;
  // fix them up to what the writer gives.
  std::string expected = text;
  expected.replace(expected.find("+If i == 1 ; "), 13, "+If i == 1");
  expected.replace(expected.find("Comment remark; with semicolon"), 30, "Comment \"remark; with semicolon\"");
  auto page = Read(text);
  EXPECT_EQ(cp932::ToUtf8(WritePageText(*page, "main.osb")), expected);
  auto again = Read(expected);
  EXPECT_EQ(Bytes(*again), Bytes(*page));

  // Targets and structure resolved as the text says.
  EXPECT_EQ(static_cast<TComWhile&>(*page->Commands[2]).ExitTarget, 9);
  EXPECT_EQ(static_cast<TComContinue&>(*page->Commands[4]).TargetIndex, 8);
  EXPECT_EQ(static_cast<TComBreak&>(*page->Commands[6]).TargetIndex, 9);
  EXPECT_EQ(static_cast<TComWhileLoop&>(*page->Commands[8]).LoopTarget, 2);
  EXPECT_EQ(static_cast<TComJump&>(*page->Commands[12]).TargetIndex, 0);
  EXPECT_EQ(static_cast<TComJump&>(*page->Commands[12]).PageName, "main.osb");
  EXPECT_EQ(page->Commands[3]->Line, 7);
  EXPECT_EQ(page->Commands[15]->Line, 3);
  EXPECT_EQ(page->Commands[15]->Indent, -2);
  EXPECT_TRUE(page->Commands[6]->Disabled());
  EXPECT_TRUE(TPage::InSet(page->PropertySets[9], 151));
  EXPECT_TRUE(TPage::InSet(page->PropertySets[9], 165));
  EXPECT_EQ(page->Version, 111);
}

TEST(ScenarioText, RecordsWithoutTextUseTheLiteralForm) {
  TPage page;
  page.Name = "p.osb";
  auto calc = page.CreateCommand(14);
  TOpalParser& e = static_cast<TComCalc&>(*calc).Expression;
  // A negative literal and a float no compiler output holds this way.
  ExprFromText("ops{ocMinus \"____0\" i:-5 f:x0000000000000000FF7F, ocTo \"x\" v:\"____0\"}", e);
  ASSERT_EQ(e.Ops.size(), 2u);
  page.Commands.push_back(std::move(calc));
  auto blank = page.CreateCommand(0);
  ExprFromText("", static_cast<TComIf&>(*blank).Condition);   // absent
  page.Commands.push_back(std::move(blank));
  auto empty_text = page.CreateCommand(6);
  ExprFromText("ops{ocTo \"____arg\" v:\"\"}", static_cast<TComExit&>(*empty_text).Condition);
  page.Commands.push_back(std::move(empty_text));

  const std::string text = WritePageText(page, "p.osb");
  EXPECT_NE(text.find("Calc ops{ocMinus"), std::string::npos) << text;
  EXPECT_NE(text.find("Exit ops{ocTo \"____arg\" v:\"\"}"), std::string::npos) << text;
  TPage back;
  back.Name = "p.osb";
  ReadPageText(text, back);
  EXPECT_EQ(Bytes(back), Bytes(page));
}

TEST(ScenarioText, ExpressionsThatTheCompilerReproducesStayText) {
  const char* const cases[] = {"x = 1 + 2 * 3", "(a + b) * c", "a - -b", "Sin(x)", "f = Max(1, (2 + 3) * 4)",
                               "s = \"q\\\"x\\\\y\" ++ \"\\n\"", "a[1] = 5", "ok = TRUE", "r = 2.5 / 0.5"};
  for (const char* text : cases) {
    SCOPED_TRACE(text);
    TOpalParser e;
    ExprFromText(text, e);
    const std::string back = ExprToText(e, [](const std::string&) { return true; });
    TOpalParser again;
    ExprFromText(back, again);
    EXPECT_EQ(ExprBytes(again), ExprBytes(e));
    EXPECT_EQ(back.rfind("ops{", 0), std::string::npos) << back;
  }
}

TEST(ScenarioText, ErrorsNameTheLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"Calc x = 1\nFrobnicate\n", "line 2: unknown command 'Frobnicate'"},
      {"Calc x = 1 ; colour: 3\n", "line 1: unknown field 'colour' for Calc"},
      {"Jump :nowhere\n", "line 1: no label 'nowhere'"},
      {"   Calc x\n", "line 1: indentation is two spaces a level"},
      {"Break TRUE\n", "line 1: no matching While/WhileLoop"},
      {"Jump other.osb:start\n", "line 1: label 'start' of page 'other.osb' is unknown here"},
      {"Calc x = (1\n", "line 1: Calc:"},
      {"Else x\n", "line 1: Else takes no main field"},
      {".version 102\n", "line 1: page version 102 is outside"},
      {".version 106\nWait 1 ; block: TRUE\n", "line 2: field 'block' needs page version 107"},
      {"TextIns \"open\n", "line 1: a string is not closed"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    try {
      Read(text);
      ADD_FAILURE() << "accepted";
    } catch (const EOpalError& e) {
      EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
    }
  }
}

TEST(ScenarioText, ACommandWithOneTextTakesTheWholeLine) {
  const std::pair<const char*, const char*> cases[] = {
      {"Comment a: b ; c", "a: b ; c"},
      {"Comment \"half\" quoted", "\"half\" quoted"},
      {"Comment \"one string; quoted\"", "one string; quoted"},
      {"Label  spaced label ", "spaced label"},
      {"VarDel my var", "my var"},
  };
  for (const auto& [line, want] : cases) {
    SCOPED_TRACE(line);
    auto page = Read(std::string(line) + "\n");
    ASSERT_EQ(page->Commands.size(), 1u);
    const TCommand& c = *page->Commands[0];
    const std::string got = c.Code() == 16 ? static_cast<const TComVarDel&>(c).Name
                                           : static_cast<const TComLabel&>(c).LabelName;
    EXPECT_EQ(got, want);
    auto again = Read(cp932::ToUtf8(WritePageText(*page, "main.osb")));
    EXPECT_EQ(Bytes(*again), Bytes(*page));
  }
}

TEST(ScenarioText, LabelsOfOtherPagesComeFromTheLookup) {
  TPage page;
  page.Name = "a.osb";
  ReadPageText("Call b.osb:entry\n", page, [](const std::string& p, const std::string& l) -> std::optional<int> {
    if (p == "b.osb" && l == "entry") return 7;
    return std::nullopt;
  });
  EXPECT_EQ(static_cast<TComCall&>(*page.Commands[0]).TargetIndex, 7);
}

}  // namespace
}  // namespace opal

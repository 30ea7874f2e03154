// The conditions of Jump, Call, Exit, Break and Continue as a game sees
// them: a command that stores no condition acts, a false condition does not,
// and a condition that fails to evaluate (a division by zero, an unknown
// variable) gives no value and does not act either; each failure is
// reported once with its page and line. While and Wait keep their rules: a
// While whose condition fails leaves the loop, a Wait whose condition fails
// goes on waiting. One game holds every case; --dump-vars shows what acted.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_util.h"

namespace opal {
namespace {

const char kProject[] =
    "title = Conditions\n"
    "width = 320\n"
    "height = 240\n"
    "fullscreen-width = 320\n"
    "fullscreen-height = 240\n"
    "start = start.osb\n";

struct TCondition {
  const char* Name;
  const char* Text;  // empty: the command stores no condition
  bool Acts;
  bool Fails;
};

constexpr TCondition kConditions[] = {
    {"none", "", true, false},
    {"false", "1 == 0", false, false},
    {"zero", "1 / 0 == 0", false, true},
    {"unknown", "nosuch == 1", false, true},
};

// Scenario text under construction, counting its lines.
class TText {
 public:
  int Add(const std::string& line) {
    Text_ += line + "\n";
    return ++Lines_;
  }
  const std::string& Text() const { return Text_; }

 private:
  std::string Text_;
  int Lines_ = 0;
};

struct TRow {
  std::string Var;    // 1 afterwards when the command acted, else 0
  bool Acts;
  std::string Where;  // "PAGE(LINE)" of the command, reported when it fails
  bool Fails;
};

std::string Field(const char* key, const TCondition& c) {
  if (*c.Text == '\0') return "";
  return *key != '\0' ? std::string(" ; ") + key + ": " + c.Text : std::string(" ") + c.Text;
}

std::string Declare(const std::string& var, int value) {
  return "+VarNew " + var + " ; type: int ; value: " + std::to_string(value) + " ; scope: global";
}

TEST(ConditionRun, NoConditionActsAFalseOrFailingOneDoesNot) {
  TText start, sub, exits;
  std::vector<TRow> rows;
  for (const TCondition& c : kConditions) {
    const std::string n = c.Name;
    // Jump: acting skips the Calc after it.
    std::string v = "jump_" + n;
    start.Add(Declare(v, 1));
    int line = start.Add("+Jump :to_" + v + Field("if", c));
    start.Add("+Calc " + v + " = 0");
    start.Add("Label to_" + v);
    rows.push_back({v, c.Acts, "start.osb(" + std::to_string(line) + ")", c.Fails});
    // Call: acting runs the called label, which sets the variable.
    v = "call_" + n;
    start.Add(Declare(v, 0));
    line = start.Add("+Call sub.osb:" + v + Field("if", c));
    sub.Add("Label " + v);
    sub.Add("+Calc " + v + " = 1");
    sub.Add("+Exit");
    rows.push_back({v, c.Acts, "start.osb(" + std::to_string(line) + ")", c.Fails});
    // Exit: acting returns before the Calc.
    v = "exit_" + n;
    start.Add(Declare(v, 1));
    start.Add("+Call exits.osb:" + v);
    exits.Add("Label " + v);
    line = exits.Add("+Exit" + Field("", c));
    exits.Add("+Calc " + v + " = 0");
    exits.Add("+Exit");
    rows.push_back({v, c.Acts, "exits.osb(" + std::to_string(line) + ")", c.Fails});
    // Break and Continue: acting skips the rest of the loop's one pass.
    for (const char* loop : {"Break", "Continue"}) {
      v = std::string(loop == std::string("Break") ? "break_" : "continue_") + n;
      start.Add(Declare(v, 1));
      start.Add(Declare("k_" + v, 0));
      start.Add("+WhileInit k_" + v + " = 0");
      start.Add("+While k_" + v + " < 1");
      line = start.Add(std::string("  +") + loop + Field("", c));
      start.Add("  +Calc " + v + " = 0");
      start.Add("+WhileLoop k_" + v + " = k_" + v + " + 1");
      rows.push_back({v, c.Acts, "start.osb(" + std::to_string(line) + ")", c.Fails});
    }
  }
  // While: a failing condition leaves the loop before its body.
  start.Add(Declare("while_zero", 0));
  start.Add(Declare("k_while", 0));
  start.Add("+WhileInit k_while = 0");
  const int while_line = start.Add("+While 1 / 0 == 0");
  start.Add("  +Calc while_zero = 1");
  start.Add("+WhileLoop k_while = k_while + 1");
  rows.push_back({"while_zero", false, "start.osb(" + std::to_string(while_line) + ")", true});
  // Wait: a failing condition waits (here for good), reported once.
  start.Add(Declare("wait_zero", 1));
  const int wait_line = start.Add("Wait 0 ; while: 1 / 0 == 0");
  start.Add("+Calc wait_zero = 0");
  rows.push_back({"wait_zero", true, "start.osb(" + std::to_string(wait_line) + ")", true});

  testing::TempDir dir;
  const std::string src = dir / "src";
  std::filesystem::create_directories(src);
  std::ofstream(src + "/project.txt") << kProject;
  std::ofstream(src + "/start.ost") << start.Text();
  std::ofstream(src + "/sub.ost") << sub.Text();
  std::ofstream(src + "/exits.ost") << exits.Text();
  const std::string game = dir / "game";
  const testing::RunResult built = testing::RunTool({"build", src, "-o", game});
  ASSERT_EQ(built.exit_code, 0) << built.out;
  const testing::RunResult run = testing::RunProgram(
      "OPALPLAY",
      {"--headless", "--fixed-clock", "--frames", "200", "--dump-vars", dir / "v.txt", "--trace", dir / "t.txt", game});
  ASSERT_EQ(run.exit_code, 0) << run.out;

  const std::string vars = testing::ReadFile(dir / "v.txt");
  const std::string trace = testing::ReadFile(dir / "t.txt");
  int failures = 0;
  for (const TRow& r : rows) {
    SCOPED_TRACE(r.Var);
    EXPECT_NE(vars.find(r.Var + ": int [] " + (r.Acts ? "1" : "0") + "\n"), std::string::npos) << vars;
    if (!r.Fails) continue;
    ++failures;
    EXPECT_NE(run.out.find("opalplay: " + r.Where + ": the condition cannot be evaluated: "), std::string::npos)
        << run.out;
    EXPECT_NE(trace.find("warn " + r.Where + ": the condition cannot be evaluated: "), std::string::npos);
  }
  // One report each, however many frames the Wait tested its condition.
  std::istringstream lines(run.out);
  int said = 0;
  for (std::string line; std::getline(lines, line);) said += line.rfind("opalplay: ", 0) == 0;
  EXPECT_EQ(said, failures) << run.out;
  // The unknown variable's message reaches stderr in UTF-8.
  EXPECT_NE(run.out.find("\"nosuch\" 変数がありません"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace opal

// opaltool expr, run as the program the user runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>

namespace {

struct TRun {
  int Code;
  std::string Out;
};

TRun RunTool(const std::string& args) {
  const char* tool = std::getenv("OPALTOOL");
  if (tool == nullptr) return {-1, ""};
  FILE* p = popen((std::string(tool) + " expr " + args + " 2>&1").c_str(), "r");
  std::string out;
  char buf[256];
  while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  const int status = pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

TEST(OpaltoolExprTest, CompileEvalRoundtrip) {
  if (std::getenv("OPALTOOL") == nullptr) GTEST_SKIP() << "OPALTOOL not set";
  TRun r = RunTool("compile 'x = 1 + 2 * 3'");
  EXPECT_EQ(r.Code, 0);
  EXPECT_EQ(r.Out, "ocMul ____0 = 2, 3\nocPlus ____1 = 1, ____0\nocTo x = ____1\n");
  r = RunTool("compile --hex '1'");
  EXPECT_EQ(r.Out, "01 00 00 00 01 07 00 00 00 5F 5F 5F 5F 61 72 67 01 00 00 00 01 01 00 00 00\n");
  r = RunTool("eval --decl 'a:int[2,2]' --decl 'n:int=3' --vars 'a[1, 0] = n * 2'");
  EXPECT_EQ(r.Code, 1);
  EXPECT_EQ(r.Out, "no result\na: int [2,2] 0, 0, 6, 0\nn: int [] 3\n");
  r = RunTool("eval '1 + 2.5'");
  EXPECT_EQ(r.Code, 0);
  EXPECT_EQ(r.Out, "int [] 3\n");
  r = RunTool("eval '\"\xE3\x81\x82\" ++ 1'");  // UTF-8 in and out
  EXPECT_EQ(r.Out, "str [] \"\xE3\x81\x82" "1\"\n");
  EXPECT_EQ(RunTool("roundtrip 'x = 1' 'Sin(0.1) ++ \"a\"'").Code, 0);
  r = RunTool("compile 'a = b = c'");
  EXPECT_NE(r.Code, 0);
  EXPECT_NE(r.Out.find("\xE6\xA7\x8B\xE6\x96\x87\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC"), std::string::npos);  // 構文エラー
}

}  // namespace

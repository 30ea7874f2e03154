// opaltool db tsv, run as the program the user runs.
#include <gtest/gtest.h>

#include "test_util.h"

namespace opal {
namespace {

using testing::RunTool;

TEST(OpaltoolDb, TsvShowsFieldsAndCells) {
  if (std::getenv("OPALTOOL") == nullptr) GTEST_SKIP() << "OPALTOOL not set";
  testing::TempDir dir;
  const std::string file = dir / "items.tsv";
  // CP932 on disk: 剣 is 0x8C 0x95; \n in a cell is CR LF; the third cell of
  // the last line is beyond the fields.
  testing::WriteFile(file,
                     "id int\tname str 4\trate float\towned bool 9\tmemo\r\n"
                     "1\t\x8c\x95 and more\t2.50\tTRUE\tsay \\\"hi\\\"\\nbye\r\n"
                     "\r\n"
                     "x\tab\r\n");
  const auto r = RunTool({"db", "tsv", file});
  EXPECT_EQ(r.exit_code, 0) << r.out;
  EXPECT_EQ(r.out,
            "id:int:4\nname:str:5\nrate:float:10\nowned:bool:1\nmemo:str:81\n"
            "1\t\xe5\x89\xa3 a\t2.5\tTRUE\tsay \"hi\"\\r\\nbye\n"
            "0\tab\t0\tFALSE\t\n");
}

TEST(OpaltoolDb, HelpAndUsageErrors) {
  if (std::getenv("OPALTOOL") == nullptr) GTEST_SKIP() << "OPALTOOL not set";
  struct TCase {
    std::vector<std::string> Args;
    int Code;
  };
  const TCase cases[] = {
      {{"db", "--help"}, 0},
      {{"db", "tsv", "--help"}, 0},
      {{"db"}, 2},
      {{"db", "nope"}, 2},
      {{"db", "tsv"}, 2},
      {{"db", "tsv", "a", "b"}, 2},
      {{"db", "tsv", "--bogus", "a"}, 2},
      {{"db", "tsv", "/nonexistent/file.tsv"}, 1},
  };
  for (const TCase& c : cases) {
    const auto r = RunTool(c.Args);
    EXPECT_EQ(r.exit_code, c.Code) << c.Args.back() << ": " << r.out;
    if (c.Code != 1) {
      EXPECT_NE(r.out.find("usage: opaltool db tsv FILE"), std::string::npos) << r.out;
    }
  }
}

}  // namespace
}  // namespace opal

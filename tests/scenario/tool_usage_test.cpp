// Every opaltool command and subcommand answers --help with its usage on
// stdout, and a wrong command line with the usage on stderr and exit 2.
#include <gtest/gtest.h>

#include "test_util.h"

namespace opal {
namespace {

using testing::ProgramPath;
using testing::ShellQuote;
using testing::TempDir;

struct TStreams {
  int ExitCode = -1;
  std::string Out, Err;
};

// Runs opaltool with stdout and stderr kept apart.
TStreams RunSplit(const std::vector<std::string>& args) {
  TempDir dir;
  std::string cmd = ShellQuote(ProgramPath("OPALTOOL"));
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  cmd += " 2>" + ShellQuote(dir / "err");
  TStreams r;
  FILE* p = ::popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.Out.append(buf, n);
  const int status = ::pclose(p);
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Err = testing::ReadFile(dir / "err");
  return r;
}

// Every command and subcommand, with arguments that would otherwise be
// complete enough to run.
const std::vector<std::vector<std::string>> kCommands = {
    {"archive"},
    {"archive", "list", "a.dat"},
    {"archive", "extract", "a.dat"},
    {"archive", "pack", "dir", "-o", "a.dat"},
    {"archive", "verify", "a.dat"},
    {"expr"},
    {"expr", "compile", "1"},
    {"expr", "eval", "1"},
    {"expr", "roundtrip", "1"},
    {"project"},
    {"project", "build", "p.txt", "-o", "opal.opb"},
    {"project", "dump", "opal.opb"},
    {"page"},
    {"page", "build", "a.ost", "-o", "a.osb"},
    {"page", "dump", "a.osb"},
    {"image"},
    {"image", "encode", "a.png", "-o", "a.bri"},
    {"image", "decode", "a.bri", "-o", "a.png"},
    {"image", "info", "a.bri"},
    {"text"},
    {"text", "render", "a.txt", "-o", "a.png"},
    {"db"},
    {"db", "tsv", "a.tsv"},
    {"wipe"},
    {"wipe", "render", "1", "a.png", "b.png", "-o", "c.png"},
    {"film"},
    {"film", "build", "a.txt", "-o", "a.ocm"},
    {"film", "dump", "a.ocm"},
    {"film", "info", "a.ocm"},
    {"build", "src", "-o", "out"},
};

std::string Joined(const std::vector<std::string>& args) {
  std::string s;
  for (const std::string& a : args) s += (s.empty() ? "" : " ") + a;
  return s;
}

TEST(ToolUsage, EveryCommandAnswersHelp) {
  for (const auto& command : kCommands) {
    for (const char* help : {"--help", "-h"}) {
      std::vector<std::string> args = command;
      args.push_back(help);
      const TStreams r = RunSplit(args);
      EXPECT_EQ(r.ExitCode, 0) << Joined(args) << "\n" << r.Err;
      EXPECT_NE(r.Out.find("usage:"), std::string::npos) << Joined(args) << "\n" << r.Out;
      EXPECT_EQ(r.Err, "") << Joined(args);
    }
  }
  for (const char* help : {"--help", "-h"}) {
    const TStreams r = RunSplit({help});
    EXPECT_EQ(r.ExitCode, 0) << help;
    EXPECT_NE(r.Out.find("usage:"), std::string::npos) << help;
  }
}

TEST(ToolUsage, ABogusOptionIsAUsageError) {
  for (const auto& command : kCommands) {
    std::vector<std::string> args = command;
    args.push_back("--bogus");
    const TStreams r = RunSplit(args);
    EXPECT_EQ(r.ExitCode, 2) << Joined(args) << "\n" << r.Out << r.Err;
    EXPECT_NE(r.Err.find("usage:"), std::string::npos) << Joined(args) << "\n" << r.Err;
    EXPECT_EQ(r.Out, "") << Joined(args);
  }
}

TEST(ToolUsage, WrongCommandLinesExitTwoAndBadInputOne) {
  struct TCase {
    std::vector<std::string> Args;
    int ExitCode;
    const char* Says;  // in stderr
  };
  TempDir dir;
  testing::WriteFile(dir / "bad.osb", "not a page");
  const TCase cases[] = {
      {{}, 2, "usage:"},
      {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
      {{"page", "frobnicate"}, 2, "unknown subcommand frobnicate"},
      {{"archive"}, 2, "missing subcommand"},
      {{"page", "build", "a.ost"}, 2, "build needs a text and -o PAGE"},
      {{"page", "build", "a.ost", "-o"}, 2, "-o needs a value"},
      {{"page", "dump", "a.osb", "b.osb"}, 2, "unexpected argument b.osb"},
      {{"archive", "list"}, 2, "list takes one archive"},
      {{"expr", "eval", "--decl"}, 2, "--decl needs a value"},
      {{"expr", "compile", "1", "2"}, 2, "one expression at a time"},
      {{"image", "encode", "a.png", "--depth"}, 2, "--depth needs a value"},
      {{"build", "src"}, 2, "needs SRC_DIR and -o OUT_DIR"},
      {{"wipe", "render", "1", "a.png", "-o", "c.png"}, 2, "render needs KIND OLD.png NEW.png"},
      {{"wipe", "render", "1", "a.png", "b.png", "-o", "c.png", "--depth", "24"}, 2, "--depth must be 15, 16 or 32"},
      // An expression that starts like an option goes after "--".
      {{"expr", "eval", "--", "-1"}, 0, ""},
      {{"page", "dump", dir / "bad.osb"}, 1, "bad.osb"},
      {{"page", "dump", dir / "missing.osb"}, 1, "missing.osb"},
  };
  for (const TCase& c : cases) {
    const TStreams r = RunSplit(c.Args);
    EXPECT_EQ(r.ExitCode, c.ExitCode) << Joined(c.Args) << "\n" << r.Err;
    EXPECT_NE(r.Err.find(c.Says), std::string::npos) << Joined(c.Args) << "\n" << r.Err;
    if (c.ExitCode == 1) {
      EXPECT_EQ(r.Err.find("usage:"), std::string::npos) << Joined(c.Args) << "\n" << r.Err;
    }
  }
}

}  // namespace
}  // namespace opal

// The command line of every opaltool command: one walk over a command's
// arguments, and one way to answer --help and usage errors.
//
// `--help` or `-h` among a command's arguments (before a "--") prints the
// command's usage on stdout and exits 0. A usage error (a missing or
// unknown subcommand, an unknown option, an option without its value, a
// missing or extra operand) prints the error and the usage on stderr and
// exits 2. Bad input (a file that cannot be read, damaged data) stays an
// error of exit code 1.
#pragma once

#include <initializer_list>
#include <stdexcept>
#include <string>

#include "commands.h"

namespace opaltool {

// A wrong command line; the message says what is wrong.
class EUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A command's arguments one by one: options by name, the rest operands.
// After "--" every argument is an operand.
class TArgWalker {
 public:
  explicit TArgWalker(const Args& args) : Args_(args) {}

  // Moves to the next argument (stepping over the first "--"); false after
  // the last.
  bool Next();
  // Whether the current argument is the flag `name`.
  bool Flag(const char* name) const;
  // Whether the current argument is the option `name`; its value, the next
  // argument, is then taken into `value`. A missing value is a usage error.
  bool Option(const char* name, std::string& value);
  // The current argument as an operand. One that looks like an option ("-"
  // and a letter, or "--" and more) before any "--" is a usage error: the
  // command does not know it.
  const std::string& Operand() const;

 private:
  const Args& Args_;
  size_t Next_ = 0;
  size_t At_ = 0;
  bool Options_ = true;
};

struct TSubcommand {
  const char* Name;
  int (*Run)(const Args& args);
};

// Runs a command without subcommands under the rules above.
int RunCommand(const char* command, const char* usage, const Args& args, int (*run)(const Args& args));
// Runs the subcommand the first argument names under the rules above.
int RunSubcommands(const char* command, const char* usage, const Args& args,
                   std::initializer_list<TSubcommand> subcommands);

}  // namespace opaltool

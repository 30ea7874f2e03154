#include "arguments.h"

#include <cstdio>

namespace opaltool {

namespace {

bool IsHelp(const std::string& a) { return a == "--help" || a == "-h"; }

bool WantsHelp(const Args& args) {
  for (const std::string& a : args) {
    if (a == "--") return false;
    if (IsHelp(a)) return true;
  }
  return false;
}

bool LooksLikeOption(const std::string& a) {
  if (a.size() < 2 || a[0] != '-') return false;
  const char c = a[1];
  return c == '-' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

int UsageFailure(const char* command, const std::string& what, const char* usage) {
  std::fprintf(stderr, "opaltool %s: %s\n%s", command, what.c_str(), usage);
  return 2;
}

int Help(const char* usage) {
  std::fputs(usage, stdout);
  return 0;
}

}  // namespace

bool TArgWalker::Next() {
  if (Next_ < Args_.size() && Options_ && Args_[Next_] == "--") {
    Options_ = false;
    ++Next_;
  }
  if (Next_ >= Args_.size()) return false;
  At_ = Next_++;
  return true;
}

bool TArgWalker::Flag(const char* name) const { return Options_ && Args_[At_] == name; }

bool TArgWalker::Option(const char* name, std::string& value) {
  if (!Flag(name)) return false;
  if (Next_ >= Args_.size()) throw EUsageError(std::string(name) + " needs a value");
  value = Args_[Next_++];
  return true;
}

const std::string& TArgWalker::Operand() const {
  const std::string& a = Args_[At_];
  if (Options_ && LooksLikeOption(a)) throw EUsageError("unknown option " + a);
  return a;
}

int RunCommand(const char* command, const char* usage, const Args& args, int (*run)(const Args& args)) {
  if (WantsHelp(args)) return Help(usage);
  try {
    return run(args);
  } catch (const EUsageError& e) {
    return UsageFailure(command, e.what(), usage);
  }
}

int RunSubcommands(const char* command, const char* usage, const Args& args,
                   std::initializer_list<TSubcommand> subcommands) {
  if (args.empty()) return UsageFailure(command, "missing subcommand", usage);
  if (IsHelp(args[0])) return Help(usage);
  for (const TSubcommand& s : subcommands) {
    if (args[0] == s.Name) return RunCommand(command, usage, Args(args.begin() + 1, args.end()), s.Run);
  }
  return UsageFailure(command, "unknown subcommand " + args[0], usage);
}

}  // namespace opaltool

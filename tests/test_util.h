// Helpers shared by the tests: scratch folders, files, and running the
// project's own programs.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace opal::testing {

// A fresh folder below $TMPDIR, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    const char* env = std::getenv("TMPDIR");
    std::string pattern = std::string(env && *env ? env : "/tmp") + "/opal-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    Path_ = pattern;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(Path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return Path_; }
  std::string operator/(const std::string& rel) const { return Path_ + "/" + rel; }

 private:
  std::string Path_;
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Deterministic bytes that compress poorly.
inline std::string NoiseBytes(size_t n, uint32_t seed = 1) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1664525u + 1013904223u;
    s[i] = static_cast<char>(seed >> 24);
  }
  return s;
}

// Lowers the largest file this process may write while it lives, so a real
// write(2) fails with EFBIG once a file would pass `bytes`, as on a full
// disk; unlike a read-only folder this holds for root too.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &Old_);
    OldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit lower = Old_;
    lower.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &lower);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &Old_);
    std::signal(SIGXFSZ, OldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit Old_{};
  void (*OldHandler_)(int) = nullptr;
};

struct RunResult {
  int exit_code;
  std::string out;  // stdout and stderr together
};

inline std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The program an environment variable names (OPALTOOL, OPALPLAY); a
// program that is not named is looked for beside opaltool.
inline std::string ProgramPath(const char* env_name) {
  if (const char* exe = std::getenv(env_name)) return exe;
  const char* tool = std::getenv("OPALTOOL");
  if (tool == nullptr) throw std::runtime_error(std::string(env_name) + " is not set");
  std::string name = env_name;
  for (char& c : name) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return std::filesystem::path(tool).parent_path() / name;
}

// Runs a shell command line, its stderr joined to its stdout.
inline RunResult RunCommand(std::string cmd) {
  cmd += " 2>&1";
  RunResult r{-1, {}};
  FILE* p = ::popen(cmd.c_str(), "r");
  if (p == nullptr) return r;
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  const int status = ::pclose(p);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// Runs the program named by an environment variable (OPALTOOL, OPALPLAY).
inline RunResult RunProgram(const char* env_name, const std::vector<std::string>& args) {
  std::string cmd = ShellQuote(ProgramPath(env_name));
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  return RunCommand(cmd);
}

inline RunResult RunTool(const std::vector<std::string>& args) { return RunProgram("OPALTOOL", args); }

// The same in a shell that lets the program write no file past `blocks`
// blocks (of 512 or 1024 bytes, as the shell counts them): a write past that
// fails with EFBIG as on a full disk, for root too.
inline RunResult RunProgramOnAFullDisk(const char* env_name, int blocks, const std::vector<std::string>& args) {
  std::string cmd = "trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; exec " + ShellQuote(ProgramPath(env_name));
  for (const std::string& a : args) cmd += " " + ShellQuote(a);
  return RunCommand("/bin/sh -c " + ShellQuote(cmd));
}

}  // namespace opal::testing

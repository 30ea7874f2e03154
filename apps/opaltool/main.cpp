#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "commands.h"
#include "common/cp932.h"
#include "common/error.h"

namespace opaltool {

const std::vector<Command>& AllCommands() {
  static const std::vector<Command> commands = {
      {"archive", CmdArchive, "archive list|extract|pack|verify ..."},
      {"expr", CmdExpr, "expr compile|eval|roundtrip ..."},
      {"project", CmdProject, "project build|dump ..."},
      {"page", CmdPage, "page build|dump ..."},
      {"image", CmdImage, "image encode|decode ..."},
      {"text", CmdText, "text render ..."},
      {"wipe", CmdWipe, "wipe render ..."},
      {"film", CmdFilm, "film build|dump|info ..."},
      {"build", CmdBuild, "build SRC_DIR -o OUT_DIR"},
      {"db", CmdDb, "db tsv FILE"},
  };
  return commands;
}

void PrintError(const std::string& cp932_message) {
  std::fprintf(stderr, "opaltool: %s\n", opal::cp932::ToUtf8(cp932_message).c_str());
}

int32_t OptionNumber(const std::string& option, const std::string& text) {
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 0);
  if (text.empty() || *end != '\0' || v < INT32_MIN || v > 0xFFFFFFFFLL)
    throw opal::EOpalError(opal::Format("%s: '%s' is not a number", option.c_str(), text.c_str()));
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

int32_t RgbToColour(int32_t rgb) {
  const uint32_t v = static_cast<uint32_t>(rgb);
  return static_cast<int32_t>(((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16));
}

}  // namespace opaltool

namespace {

void Usage(FILE* out) {
  std::fprintf(out, "usage: opaltool COMMAND ...\n");
  for (const auto& c : opaltool::AllCommands()) std::fprintf(out, "  opaltool %s\n", c.usage);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("opaltool %s\n", OPAL_VERSION);
    return 0;
  }
  opaltool::Args args(argv + 2, argv + argc);
  for (const auto& c : opaltool::AllCommands()) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    try {
      return c.run(args);
    } catch (const std::exception& e) {
      opaltool::PrintError(e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "opaltool: unknown command '%s'\n", argv[1]);
  Usage(stderr);
  return 2;
}

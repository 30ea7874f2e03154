// opaltool project build|dump: opal.opb and install.dat from and to the
// readable settings file, over the player's own readers and writers.
#include <cstdio>

#include "arguments.h"
#include "commands.h"
#include "common/cp932.h"
#include "common/error.h"
#include "scenario/install_set.h"
#include "scenario/project_file.h"
#include "scenario/project_text.h"
#include "storage/stream.h"

namespace opaltool {

namespace {

using opal::EOpalError;
using opal::Format;

constexpr const char* kUsage =
    "usage:\n"
    "  opaltool project build SETTINGS -o opal.opb|install.dat\n"
    "  opaltool project dump opal.opb|install.dat [-o SETTINGS]\n"
    "A settings file whose first line is 'install' describes install.dat.\n";

bool ParseArgs(const Args& args, std::string& input, std::string& output) {
  TArgWalker w(args);
  while (w.Next()) {
    if (w.Option("-o", output)) continue;
    const std::string& operand = w.Operand();
    if (!input.empty()) throw EUsageError("unexpected argument " + operand);
    input = operand;
  }
  return !input.empty();
}

bool IsInstallName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return opal::cp932::SameText(slash == std::string::npos ? path : path.substr(slash + 1), "install.dat");
}

int Build(const Args& args) {
  std::string input, output;
  if (!ParseArgs(args, input, output) || output.empty()) throw EUsageError("build needs a settings file and -o FILE");
  opal::TMemoryStream text;
  text.LoadFromFile(input);
  bool lossless = true;
  const std::string cp932 =
      opal::cp932::FromUtf8(std::string(text.Bytes().begin(), text.Bytes().end()), &lossless);
  if (!lossless) throw EOpalError(Format("%s: characters without a form in code page 932", input.c_str()));
  try {
    if (opal::IsInstallText(cp932)) {
      opal::TOpalInstallSet set;
      opal::ReadInstallText(cp932, set);
      set.SaveToFile(output);
    } else {
      opal::TProjectFile f;
      opal::ReadProjectText(cp932, f);
      opal::TMemoryStream out;
      f.SaveToStream(out);
      out.SaveToFile(output);
    }
  } catch (const EOpalError& e) {
    throw EOpalError(input + ": " + e.what());
  }
  return 0;
}

int Dump(const Args& args) {
  std::string input, output;
  if (!ParseArgs(args, input, output)) throw EUsageError("dump needs a file");
  opal::TMemoryStream data;
  data.LoadFromFile(input);
  std::string text;
  try {
    if (IsInstallName(input)) {
      opal::TOpalInstallSet set;
      set.LoadFromStream(data);
      text = opal::WriteInstallText(set);
    } else {
      opal::TProjectFile f;
      f.LoadFromStream(data);
      text = opal::WriteProjectText(f);
    }
  } catch (const EOpalError& e) {
    throw EOpalError(input + ": " + e.what());
  }
  const std::string utf8 = opal::cp932::ToUtf8(text);
  if (output.empty()) {
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
  } else {
    opal::TMemoryStream(std::vector<uint8_t>(utf8.begin(), utf8.end())).SaveToFile(output);
  }
  return 0;
}

}  // namespace

int CmdProject(const Args& args) {
  return RunSubcommands("project", kUsage, args, {{"build", Build}, {"dump", Dump}});
}

}  // namespace opaltool

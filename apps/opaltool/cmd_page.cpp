// opaltool page build|dump: scenario text to a page file and back, over
// the player's own page reader and writer.
#include <cstdio>
#include <functional>
#include <map>
#include <memory>

#include "arguments.h"
#include "commands.h"
#include "common/cp932.h"
#include "common/error.h"
#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "storage/disk_path.h"
#include "storage/stream.h"

namespace opaltool {

namespace {

using opal::EOpalError;
using opal::Format;

constexpr const char* kUsage =
    "usage:\n"
    "  opaltool page build TEXT -o PAGE.osb [--name NAME]\n"
    "  opaltool page dump PAGE.osb [-o TEXT] [--name NAME]\n";

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

struct Options {
  std::string input, output, name;
};

bool ParseOptions(const Args& args, Options& o) {
  TArgWalker w(args);
  std::string name;
  while (w.Next()) {
    if (w.Option("-o", o.output)) continue;
    if (w.Option("--name", name)) {
      o.name = opal::cp932::FromUtf8(name);
      continue;
    }
    const std::string& operand = w.Operand();
    if (!o.input.empty()) throw EUsageError("unexpected argument " + operand);
    o.input = operand;
  }
  return !o.input.empty();
}

std::string ReadText(const std::string& path) {
  opal::TMemoryStream data;
  data.LoadFromFile(path);
  const std::string utf8(data.Bytes().begin(), data.Bytes().end());
  bool lossless = true;
  std::string cp932 = opal::cp932::FromUtf8(utf8, &lossless);
  if (!lossless) throw EOpalError(Format("%s: the text has characters without a form in code page 932", path.c_str()));
  return cp932;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
  opal::TMemoryStream out(std::vector<uint8_t>(bytes.begin(), bytes.end()));
  out.SaveToFile(path);
}

int Build(const Args& args) {
  Options o;
  if (!ParseOptions(args, o) || o.output.empty()) throw EUsageError("build needs a text and -o PAGE");
  opal::TPage page;
  page.Name = o.name.empty() ? opal::cp932::FromUtf8(BaseName(o.output)) : o.name;
  try {
    opal::ReadPageText(ReadText(o.input), page);
  } catch (const EOpalError& e) {
    throw EOpalError(o.input + ": " + e.what());
  }
  opal::TMemoryStream out;
  page.SaveToStream(out);
  out.SaveToFile(o.output);
  return 0;
}

int Dump(const Args& args) {
  Options o;
  if (!ParseOptions(args, o)) throw EUsageError("dump needs a page");
  opal::TPage page;
  const std::string default_name = o.name.empty() ? opal::cp932::FromUtf8(BaseName(o.input)) : o.name;
  page.Name = default_name;
  opal::TMemoryStream data;
  data.LoadFromFile(o.input);
  try {
    page.LoadFromStream(data);
  } catch (const EOpalError& e) {
    throw EOpalError(o.input + ": " + e.what());
  }
  // Targets into pages beside this one are written by label when those
  // pages can be read.
  std::map<std::string, std::unique_ptr<opal::TPage>> others;
  const std::string dir = DirName(o.input);
  const opal::TPageLookup lookup = [&](const std::string& name) -> const opal::TPage* {
    auto it = others.find(name);
    if (it == others.end()) {
      std::unique_ptr<opal::TPage> p;
      if (const auto path = opal::TDiskPath::Resolve(dir, name)) {
        try {
          opal::TMemoryStream bytes;
          bytes.LoadFromFile(*path);
          p = std::make_unique<opal::TPage>();
          p->Name = name;
          p->LoadFromStream(bytes);
        } catch (const EOpalError&) {
          p.reset();
        }
      }
      it = others.emplace(name, std::move(p)).first;
    }
    return it->second.get();
  };
  const std::string text = opal::cp932::ToUtf8(opal::WritePageText(page, default_name, lookup));
  if (o.output.empty()) {
    std::fwrite(text.data(), 1, text.size(), stdout);
  } else {
    WriteBytes(o.output, text);
  }
  return 0;
}

}  // namespace

int CmdPage(const Args& args) {
  return RunSubcommands("page", kUsage, args, {{"build", Build}, {"dump", Dump}});
}

}  // namespace opaltool

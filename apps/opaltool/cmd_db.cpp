// opaltool db tsv: a tab-separated file read into a table exactly as the
// player's DBLoadTsvFile reads it, shown as its fields and its records.
#include <cstdio>
#include <string>

#include "commands.h"
#include "common/cp932.h"
#include "db/db_table.h"
#include "storage/stream.h"

namespace opaltool {

namespace {

constexpr const char* kUsage =
    "usage: opaltool db tsv FILE\n"
    "       FILE is CP932 text; the first line declares the fields, each later\n"
    "       line is a record. Prints a line per field, NAME:TYPE:SIZE (TYPE int,\n"
    "       float, bool or str; SIZE the bytes in a record), then a line per\n"
    "       record: its cells as DBGetStr gives them, separated by tabs, in UTF-8,\n"
    "       with \\\\, \\t, \\r and \\n standing for a backslash, tab, CR and LF.\n";

int UsageError(const char* what) {
  std::fprintf(stderr, "opaltool db: %s\n%s", what, kUsage);
  return 2;
}

bool IsHelp(const std::string& a) { return a == "--help" || a == "-h"; }

// A cell on one line: the characters that would end or split it escaped.
std::string CellText(const std::string& cp932) {
  std::string out;
  for (char c : opal::cp932::ToUtf8(cp932)) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

int Tsv(const Args& args) {
  std::string file;
  for (const std::string& a : args) {
    if (IsHelp(a)) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (a.size() > 1 && a[0] == '-') return UsageError(("unknown option " + a).c_str());
    if (!file.empty()) return UsageError("one file at a time");
    file = a;
  }
  if (file.empty()) return UsageError("missing FILE");
  opal::TMemoryStream data;
  data.LoadFromFile(file);
  const std::string text(data.Bytes().begin(), data.Bytes().end());
  opal::TDBTable table;
  table.LoadTsv(opal::cp932::SplitLines(text));
  for (int32_t f = 0; f < table.Fields.Count(); ++f) {
    const opal::TDBField& field = table.Fields[f];
    std::printf("%s:%s:%d\n", CellText(field.Name).c_str(), opal::DBTypeName(field.Type), field.Size);
  }
  for (int32_t r = 0; r < table.RecordCount(); ++r) {
    std::string line;
    for (int32_t f = 0; f < table.Fields.Count(); ++f) {
      std::string cell;
      table.GetStr(r, f, cell);
      if (f > 0) line += '\t';
      line += CellText(cell);
    }
    std::printf("%s\n", line.c_str());
  }
  return 0;
}

}  // namespace

int CmdDb(const Args& args) {
  if (args.empty()) return UsageError("missing subcommand");
  if (IsHelp(args[0])) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (args[0] == "tsv") return Tsv(Args(args.begin() + 1, args.end()));
  return UsageError("unknown subcommand");
}

}  // namespace opaltool

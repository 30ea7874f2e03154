// opaltool db tsv: a tab-separated file read into a table exactly as the
// player's DBLoadTsvFile reads it, shown as its fields and its records.
#include <cstdio>
#include <string>

#include "arguments.h"
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
  TArgWalker w(args);
  while (w.Next()) {
    const std::string& operand = w.Operand();
    if (!file.empty()) throw EUsageError("one file at a time");
    file = operand;
  }
  if (file.empty()) throw EUsageError("missing FILE");
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

int CmdDb(const Args& args) { return RunSubcommands("db", kUsage, args, {{"tsv", Tsv}}); }

}  // namespace opaltool

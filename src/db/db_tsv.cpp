#include "db/db_tsv.h"

#include "common/cp932.h"
#include "db/db_table.h"
#include "expr/convert.h"

namespace opal {

namespace dbtsv {

namespace {

std::string_view Trim(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<uint8_t>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<uint8_t>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

// The token of `rest` up to its first space (leading blanks skipped); `rest`
// keeps what follows that space.
std::string_view NextToken(std::string_view& rest) {
  rest = Trim(rest);
  const size_t sp = rest.find(' ');
  const std::string_view token = rest.substr(0, sp);
  rest = sp == std::string_view::npos ? std::string_view() : rest.substr(sp + 1);
  return Trim(token);
}

}  // namespace

std::vector<std::string> SplitCells(std::string_view line) {
  std::vector<std::string> cells;
  std::string cell;
  for (size_t i = 0; i < line.size();) {
    const size_t len = cp932::CharLen(line, i);
    if (len == 1 && line[i] == '\t') {
      cells.push_back(std::move(cell));
      cell.clear();
    } else {
      cell.append(line.substr(i, len));
    }
    i += len;
  }
  if (!cell.empty()) cells.push_back(std::move(cell));
  return cells;
}

std::string Unescape(std::string_view line) { return cp932::Unescape(line); }

TFieldDecl ParseFieldDecl(std::string_view cell) {
  static const struct {
    std::string_view Word;
    uint8_t Type;
  } kTypes[] = {{"int", kDBInteger}, {"float", kDBFloat}, {"bool", kDBBoolean}};
  TFieldDecl decl;
  std::string_view rest = cell;
  decl.Name = std::string(NextToken(rest));
  const std::string_view type = NextToken(rest);
  decl.Type = kDBString;
  for (const auto& t : kTypes) {
    if (type == t.Word) decl.Type = t.Type;
  }
  decl.Length = conv::ParseInt(Trim(rest)).value_or(80);
  return decl;
}

}  // namespace dbtsv

bool TDBTable::LoadTsv(const std::vector<std::string>& lines) {
  Clear();
  if (lines.empty()) return false;
  for (const std::string& cell : dbtsv::SplitCells(lines[0])) {
    const dbtsv::TFieldDecl decl = dbtsv::ParseFieldDecl(cell);
    if (decl.Name.empty() || Fields.Add(decl.Name, decl.Type, decl.Length) < 0) {
      Fields.Clear();
      return false;
    }
  }
  for (size_t l = 1; l < lines.size(); ++l) {
    if (lines[l].empty()) continue;
    const std::vector<std::string> cells = dbtsv::SplitCells(dbtsv::Unescape(lines[l]));
    if (!Append()) break;
    const size_t n = std::min(cells.size(), static_cast<size_t>(Fields.Count()));
    for (size_t i = 0; i < n; ++i) SetStr(RecNo(), static_cast<int32_t>(i), cells[i]);
  }
  return false;
}

}  // namespace opal

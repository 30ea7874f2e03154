// Settings text both ways. Each setting is one row of a table that reads
// and writes it, so the two directions name the same keys.
#include "scenario/project_text.h"

#include <cstdio>
#include <functional>

#include "common/cp932.h"
#include "common/error.h"
#include "common/ext80.h"
#include "expr/convert.h"
#include "scenario/expr_text.h"
#include "scenario/scenario_text_common.h"
#include "storage/messages.h"

namespace opal {

using scenario_text::Trim;

namespace {

// A value as it stands when it reads back the same, else quoted. A name
// (of a variable or a folder) stands before '=' and so may hold neither
// spaces nor '='.
std::string Value(const std::string& s, bool name = false) {
  bool bare = !s.empty() && s == Trim(s) && SurvivesUtf8(s) && s.find_first_of("\"#") == std::string::npos;
  if (name) bare = bare && s.find_first_of(" =") == std::string::npos;
  for (char c : s) bare = bare && static_cast<uint8_t>(c) >= 0x20 && c != 0x7F;
  return bare ? s : QuoteText(s);
}

std::string Unvalue(const std::string& v) {
  if (v.empty() || v[0] != '"') return v;
  size_t pos = 0;
  std::string s = UnquoteText(v, pos);
  if (!Trim(v.substr(pos)).empty()) throw EFormatError("text after the closing quote");
  return s;
}

int64_t Number(const std::string& v) {
  char* end = nullptr;
  errno = 0;
  const long long n = std::strtoll(v.c_str(), &end, 10);
  if (v.empty() || errno != 0 || *end != '\0') throw EFormatError("'" + v + "' is not a number");
  return n;
}

int32_t Int32(const std::string& v) {
  const int64_t n = Number(v);
  if (n < INT32_MIN || n > INT32_MAX) throw EFormatError("'" + v + "' does not fit 32 bits");
  return static_cast<int32_t>(n);
}

uint8_t Byte(const std::string& v) {
  const int64_t n = Number(v);
  if (n < 0 || n > 255) throw EFormatError("'" + v + "' is not 0 to 255");
  return static_cast<uint8_t>(n);
}

template <typename T>
struct TRow {
  const char* Key;
  std::function<std::string(const T&)> Get;
  std::function<void(T&, const std::string&)> Set;
};

#define OPAL_STR(field) [](const auto& f) { return Value(f.field); }, [](auto& f, const std::string& v) { f.field = Unvalue(v); }
#define OPAL_I32(field) [](const auto& f) { return conv::IntToStr(f.field); }, [](auto& f, const std::string& v) { f.field = Int32(v); }
#define OPAL_U8(field) [](const auto& f) { return conv::IntToStr(f.field); }, [](auto& f, const std::string& v) { f.field = Byte(v); }

const std::vector<TRow<TProjectFile>>& ProjectRows() {
  static const std::vector<TRow<TProjectFile>> rows = {
      {"version", OPAL_I32(Version)},
      {"title", OPAL_STR(Title)},
      {"width", OPAL_I32(Width)},
      {"height", OPAL_I32(Height)},
      {"fullscreen-width", OPAL_I32(FullScreenWidth)},
      {"fullscreen-height", OPAL_I32(FullScreenHeight)},
      {"start", OPAL_STR(StartPage)},
      {"closing", OPAL_STR(ClosingPage)},
      {"registry-key", OPAL_STR(RegistryKey)},
      {"tile-seed", OPAL_I32(ImageTileSeed)},
      {"save-to-disk", OPAL_U8(SaveToDisk)},
      {"yield-cpu", OPAL_U8(YieldCpu)},
      {"media-extensions", OPAL_STR(OptionalMediaExtensions)},
      {"pause-inactive", OPAL_U8(PauseWhenInactive)},
      {"disc-prompt", OPAL_STR(DiscPrompt)},
      {"exit-prompt", OPAL_STR(ExitPrompt)},
  };
  return rows;
}

const std::vector<TRow<TOpalInstallSet>>& InstallRows() {
  static const std::vector<TRow<TOpalInstallSet>> rows = {
      {"disc-index", OPAL_I32(DiscIndex)}, {"title", OPAL_STR(Title)},     {"text3", OPAL_STR(Text3to5[0])},
      {"text4", OPAL_STR(Text3to5[1])},    {"text5", OPAL_STR(Text3to5[2])}, {"flag6", OPAL_U8(Flag6)},
      {"text7", OPAL_STR(Text7)},          {"flag8", OPAL_U8(Flag8)},      {"text10", OPAL_STR(Text10)},
      {"number11", OPAL_I32(Number11)},    {"flag12", OPAL_U8(Flag12)},    {"flag13", OPAL_U8(Flag13)},
      {"text14", OPAL_STR(Text14)},        {"text15", OPAL_STR(Text15)},   {"flag18", OPAL_U8(Flag18)},
      {"flag19", OPAL_U8(Flag19)},         {"full-install", OPAL_U8(FullInstall)}, {"flag22", OPAL_U8(Flag22)},
      {"flag23", OPAL_U8(Flag23)},         {"text25", OPAL_STR(Text25)},   {"text26", OPAL_STR(Text26)},
      {"text27", OPAL_STR(Text27)},
  };
  return rows;
}

#undef OPAL_STR
#undef OPAL_I32
#undef OPAL_U8

const char* const kTypeNames[] = {nullptr, "int", "float", "flag", "string"};

// Lines without remarks: (line number, text). A '#' outside quotes starts
// a remark.
std::vector<std::pair<int, std::string>> Lines(std::string_view text) {
  std::vector<std::pair<int, std::string>> out;
  int no = 0;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string line(text.substr(at, end - at));
    at = end + 1;
    ++no;
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
      if (quoted && line[i] == '\\') {
        ++i;
      } else if (line[i] == '"') {
        quoted = !quoted;
      } else if (line[i] == '#' && !quoted) {
        line.resize(i);
        break;
      }
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line = Trim(line);
    if (!line.empty()) out.emplace_back(no, line);
  }
  return out;
}

// "name = value" split at the first '=' outside quotes.
bool SplitAssign(const std::string& s, std::string& left, std::string& right) {
  bool quoted = false;
  // Walks whole characters: a trail byte 0x5C inside a quoted name is no
  // escape, as the writer leaves it.
  size_t i = 0;
  while (i < s.size()) {
    const size_t len = cp932::CharLen(s, i);
    if (len == 1 && quoted && s[i] == '\\' && i + 1 < s.size()) {
      i += 1 + cp932::CharLen(s, i + 1);
      continue;
    }
    if (len == 1 && s[i] == '"') {
      quoted = !quoted;
    } else if (len == 1 && s[i] == '=' && !quoted) {
      left = Trim(s.substr(0, i));
      right = Trim(s.substr(i + 1));
      return true;
    }
    i += len;
  }
  return false;
}

template <typename T>
bool SetRow(const std::vector<TRow<T>>& rows, T& f, const std::string& key, const std::string& value) {
  for (const auto& r : rows) {
    if (key == r.Key) {
      r.Set(f, value);
      return true;
    }
  }
  return false;
}

std::string FloatValue(const std::array<uint8_t, 10>& bytes) {
  const Extended x = DecodeExtended(bytes.data());
  char buf[64];
  for (int prec = 1; prec <= 21; ++prec) {
    std::snprintf(buf, sizeof buf, "%.*Lg", prec, x);
    const auto back = conv::ParseFloat(buf);
    if (back && EncodeExtended(*back) == bytes) return buf;
  }
  std::string hex = "x";
  for (uint8_t b : bytes) {
    char h[3];
    std::snprintf(h, sizeof h, "%02X", b);
    hex += h;
  }
  return hex;
}

std::array<uint8_t, 10> FloatBytes(const std::string& v) {
  if (v.size() == 21 && v[0] == 'x') {
    std::array<uint8_t, 10> b{};
    for (size_t i = 0; i < 10; ++i) b[i] = static_cast<uint8_t>(std::stoul(v.substr(1 + 2 * i, 2), nullptr, 16));
    return b;
  }
  const auto x = conv::ParseFloat(v);
  if (!x) throw EFormatError("'" + v + "' is not a real number");
  return EncodeExtended(*x);
}

}  // namespace

bool IsInstallText(std::string_view text) {
  const auto lines = Lines(text);
  return !lines.empty() && lines[0].second == "install";
}

void ReadProjectText(std::string_view text, TProjectFile& out) {
  TProjectFile f;
  f.DiscPrompt = msg::kInsertDisk;
  f.ExitPrompt = msg::kExit;
  for (const auto& [no, line] : Lines(text)) {
    try {
      std::string left, right;
      if (!SplitAssign(line, left, right)) throw EFormatError("'key = value' expected");
      if (left.rfind("var ", 0) == 0) {
        const std::string rest = Trim(left.substr(4));
        const size_t space = rest.find(' ');
        if (space == std::string::npos) throw EFormatError("'var TYPE NAME = VALUE' expected");
        const std::string type = rest.substr(0, space);
        TVarDeclaration d;
        d.Name = Unvalue(Trim(rest.substr(space + 1)));
        int t = -1;
        for (int i = 1; i <= 4; ++i) {
          if (type == kTypeNames[i]) t = i;
        }
        d.Type = t > 0 ? static_cast<uint8_t>(t) : Byte(type);
        switch (d.Type) {
          case 1: d.IntValue = Int32(right); break;
          case 2: d.FloatBytes = FloatBytes(right); break;
          case 3: d.FlagValue = right == "TRUE" ? 1 : right == "FALSE" ? 0 : Byte(right); break;
          case 4: d.StrValue = Unvalue(right); break;
          default:
            if (!right.empty()) throw EFormatError("a variable of this type has no value");
        }
        f.Variables.push_back(std::move(d));
      } else if (left.rfind("disc ", 0) == 0) {
        f.FolderDisks.Items.emplace_back(Unvalue(Trim(left.substr(5))), Int32(right));
      } else if (!SetRow(ProjectRows(), f, left, right)) {
        throw EFormatError("unknown setting '" + left + "'");
      }
    } catch (const EOpalError& e) {
      throw EFormatError("line " + std::to_string(no) + ": " + e.what());
    }
  }
  if (f.Version > kProjectVersionMax) throw EFormatError(Format("version %d is above %d", f.Version, kProjectVersionMax));
  out = std::move(f);
}

std::string WriteProjectText(const TProjectFile& f) {
  std::string out;
  for (const auto& r : ProjectRows()) out += std::string(r.Key) + " = " + r.Get(f) + "\n";
  for (const TVarDeclaration& d : f.Variables) {
    const std::string type = d.Type >= 1 && d.Type <= 4 ? kTypeNames[d.Type] : conv::IntToStr(d.Type);
    out += "var " + type + " " + Value(d.Name, true) + " =";
    switch (d.Type) {
      case 1: out += " " + conv::IntToStr(d.IntValue); break;
      case 2: out += " " + FloatValue(d.FloatBytes); break;
      case 3: out += " " + conv::IntToStr(d.FlagValue); break;
      case 4: out += " " + QuoteText(d.StrValue); break;
      default: break;
    }
    out += "\n";
  }
  for (const auto& [folder, disc] : f.FolderDisks.Items) {
    out += "disc " + Value(folder, true) + " = " + conv::IntToStr(disc) + "\n";
  }
  return out;
}

void ReadInstallText(std::string_view text, TOpalInstallSet& out) {
  TOpalInstallSet f;
  f.Version = TOpalInstallSet::kWriteVersion;
  const auto lines = Lines(text);
  for (size_t i = 0; i < lines.size(); ++i) {
    const auto& [no, line] = lines[i];
    if (i == 0 && line == "install") continue;
    try {
      std::string left, right;
      if (!SplitAssign(line, left, right)) throw EFormatError("'key = value' expected");
      if (left == "created") {
        f.CreatedFiles.push_back(Unvalue(right));
      } else if (left == "list24") {
        f.List24.push_back(Unvalue(right));
      } else if (left == "item") {
        std::array<int64_t, 4> item{};
        size_t at = 0;
        for (int64_t& v : item) {
          const size_t end = std::min(right.find(' ', at), right.size());
          v = Number(right.substr(at, end - at));
          at = end + 1;
        }
        f.Items.push_back(item);
      } else if (left == "numbers17") {
        size_t at = 0;
        for (int64_t& v : f.Numbers17) {
          const size_t end = std::min(right.find(' ', at), right.size());
          v = Number(right.substr(at, end - at));
          at = end + 1;
        }
      } else if (!SetRow(InstallRows(), f, left, right)) {
        throw EFormatError("unknown setting '" + left + "'");
      }
    } catch (const EOpalError& e) {
      throw EFormatError("line " + std::to_string(no) + ": " + e.what());
    }
  }
  out = std::move(f);
}

std::string WriteInstallText(const TOpalInstallSet& f) {
  std::string out = "install\n";
  for (const auto& r : InstallRows()) out += std::string(r.Key) + " = " + r.Get(f) + "\n";
  auto join = [](const std::array<int64_t, 4>& a) {
    std::string s;
    for (int64_t v : a) s += (s.empty() ? "" : " ") + std::to_string(v);
    return s;
  };
  for (const auto& item : f.Items) out += "item = " + join(item) + "\n";
  out += "numbers17 = " + join(f.Numbers17) + "\n";
  for (const std::string& n : f.CreatedFiles) out += "created = " + Value(n) + "\n";
  for (const std::string& n : f.List24) out += "list24 = " + Value(n) + "\n";
  return out;
}

}  // namespace opal

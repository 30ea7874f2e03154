#include "shell/game_ini.h"

#include <algorithm>
#include <cstdio>
#include <charconv>
#include <fstream>
#include <iterator>

#include "common/error.h"
#include "storage/atomic_file.h"

namespace opal {

namespace {

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
           return up(x) == up(y);
         });
}

std::string_view Trim(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

constexpr size_t kMaxIniBytes = 1 << 20;

}  // namespace

void TIniFile::Load(const std::string& path) {
  Lines_.clear();
  std::ifstream in(path, std::ios::binary);
  if (!in) return;
  std::string text;
  text.resize(kMaxIniBytes + 1);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  if (text.size() > kMaxIniBytes) return;
  Parse(text);
}

void TIniFile::Parse(std::string_view text) {
  Lines_.clear();
  std::string section;
  while (!text.empty()) {
    const size_t nl = text.find('\n');
    TLine line;
    std::string_view raw = text.substr(0, nl);
    if (nl != std::string_view::npos) {
      line.Eol = "\n";
      if (!raw.empty() && raw.back() == '\r') {
        raw.remove_suffix(1);
        line.Eol = "\r\n";
      }
    }
    text.remove_prefix(nl == std::string_view::npos ? text.size() : nl + 1);
    line.Raw = std::string(raw);
    const std::string_view t = Trim(raw);
    if (!t.empty() && t.front() == '[') {
      const size_t close = t.find(']');
      section = std::string(Trim(t.substr(1, close == std::string_view::npos ? t.npos : close - 1)));
    } else if (!t.empty() && t.front() != ';') {
      const size_t eq = t.find('=');
      if (eq != std::string_view::npos) {
        line.Key = std::string(Trim(t.substr(0, eq)));
        line.Value = std::string(Trim(t.substr(eq + 1)));
      }
    }
    line.Section = section;
    Lines_.push_back(std::move(line));
  }
}

std::optional<std::string> TIniFile::ReadString(std::string_view section, std::string_view key) const {
  for (const TLine& l : Lines_) {
    if (!l.Key.empty() && SameText(l.Section, section) && SameText(l.Key, key)) return l.Value;
  }
  return std::nullopt;
}

void TIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  size_t last_of_section = Lines_.size();
  bool have_section = false;
  for (size_t i = 0; i < Lines_.size(); ++i) {
    TLine& l = Lines_[i];
    if (!SameText(l.Section, section)) continue;
    // A section's header line carries the section's name too.
    if (!have_section || !Trim(l.Raw).empty()) last_of_section = i;
    have_section = true;
    if (!l.Key.empty() && SameText(l.Key, key)) {
      l.Value = std::string(value);
      l.Raw = l.Key + "=" + l.Value;
      return;
    }
  }
  // The file's own line end for new lines: the first one it uses.
  std::string eol = "\r\n";
  for (const TLine& l : Lines_) {
    if (!l.Eol.empty()) {
      eol = l.Eol;
      break;
    }
  }
  TLine add{std::string(key) + "=" + std::string(value), eol, std::string(section), std::string(key),
            std::string(value)};
  // A file that ends without a line end keeps ending without one.
  const bool at_end = !have_section || last_of_section + 1 == Lines_.size();
  if (at_end && !Lines_.empty() && Lines_.back().Eol.empty()) {
    Lines_.back().Eol = eol;
    add.Eol.clear();
  }
  if (have_section) {
    Lines_.insert(Lines_.begin() + static_cast<std::ptrdiff_t>(last_of_section + 1), std::move(add));
    return;
  }
  Lines_.push_back({"[" + std::string(section) + "]", eol, std::string(section), "", ""});
  Lines_.push_back(std::move(add));
}

void TIniFile::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

std::string TIniFile::Text() const {
  std::string out;
  for (const TLine& l : Lines_) out += l.Raw + l.Eol;
  return out;
}

bool TIniFile::Save(const std::string& path, std::string* error) const {
  try {
    WriteFileAtomic(path, Text());
    return true;
  } catch (const EOpalError& e) {
    if (error != nullptr) *error = e.what();
    return false;
  }
}

int32_t TIniFile::ReadInteger(std::string_view section, std::string_view key, int32_t fallback) const {
  const std::optional<std::string> text = ReadString(section, key);
  if (!text) return fallback;
  std::string_view s = *text;
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return fallback;
  int64_t value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value, base);
  if (error != std::errc() || end != s.data() + s.size()) return fallback;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return fallback;
  return static_cast<int32_t>(value);
}

bool TIniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
  return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

int32_t NormalizeDelayTime(int32_t value) { return std::clamp(value / 100 * 100, 100, 500); }

TPlayerSettings ReadGameIni(const std::string& path, const TPlayerSettings& current) {
  TIniFile ini;
  ini.Load(path);
  TPlayerSettings s = current;
  s.DirectSound = ini.ReadBool("Sound", "DirectSound", true);
  s.DelayTime = NormalizeDelayTime(ini.ReadInteger("Sound", "DelayTime", current.DelayTime));
  s.UseWMP = ini.ReadBool("Video", "UseWMP", false);
  return s;
}

}  // namespace opal

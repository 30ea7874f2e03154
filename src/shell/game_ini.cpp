#include "shell/game_ini.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

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
  Entries_.clear();
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
  Entries_.clear();
  std::string section;
  while (!text.empty()) {
    const size_t eol = std::min(text.find('\n'), text.size());
    const std::string_view line = Trim(text.substr(0, eol));
    text.remove_prefix(std::min(eol + 1, text.size()));
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const size_t close = line.find(']');
      section = std::string(Trim(line.substr(1, close == std::string_view::npos ? line.npos : close - 1)));
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    Entries_.push_back({section, std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1)))});
  }
}

std::optional<std::string> TIniFile::ReadString(std::string_view section, std::string_view key) const {
  for (const TEntry& e : Entries_) {
    if (SameText(e.Section, section) && SameText(e.Key, key)) return e.Value;
  }
  return std::nullopt;
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

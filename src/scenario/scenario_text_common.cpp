#include "scenario/scenario_text_common.h"

#include <array>

#include "common/cp932.h"
#include "scenario/page.h"

namespace opal::scenario_text {

namespace {

bool IsIdentChar(char c, bool first) {
  return c == '_' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (!first && c >= '0' && c <= '9');
}

}  // namespace

std::string Trim(std::string_view s) {
  size_t a = 0, b = s.size();
  while (a < b && s[a] == ' ') ++a;
  while (b > a && s[b - 1] == ' ') --b;
  return std::string(s.substr(a, b - a));
}

std::vector<std::string> SplitFields(std::string_view text, bool* open_quote) {
  std::vector<std::string> out;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i < text.size();) {
    const size_t len = cp932::CharLen(text, i);
    const char c = text[i];
    if (len == 1 && quoted && c == '\\') {
      i += cp932::CharLen(text, i + 1) + 1;
      continue;
    }
    if (len == 1 && c == '"') quoted = !quoted;
    if (len == 1 && c == ';' && !quoted) {
      out.push_back(Trim(text.substr(start, i - start)));
      start = i + 1;
    }
    i += len;
  }
  out.push_back(Trim(text.substr(start)));
  if (open_quote != nullptr) *open_quote = quoted;
  return out;
}

bool SplitKey(const std::string& field, std::string& key, std::string& value) {
  size_t i = 0;
  while (i < field.size() && IsIdentChar(field[i], i == 0)) ++i;
  if (i == 0 || i >= field.size() || field[i] != ':') return false;
  if (i + 1 < field.size() && field[i + 1] != ' ') return false;
  key = field.substr(0, i);
  value = Trim(std::string_view(field).substr(i + 1));
  return true;
}

std::vector<std::optional<int32_t>> ComputeLoopTargets(const TPage& page) {
  const auto& cmds = page.Commands;
  const size_t n = cmds.size();
  std::vector<std::optional<int32_t>> out(n);
  std::vector<int32_t> loop_of(n, -1);  // While -> its WhileLoop
  std::vector<size_t> open;
  for (size_t i = 0; i < n; ++i) {
    const uint8_t code = cmds[i]->Code();
    if (code == 31) {
      open.push_back(i);
    } else if (code == 33 && !open.empty()) {
      const size_t w = open.back();
      open.pop_back();
      loop_of[w] = static_cast<int32_t>(i);
      out[w] = static_cast<int32_t>(i + 1);
      out[i] = static_cast<int32_t>(w);
    }
  }
  open.clear();
  for (size_t i = 0; i < n; ++i) {
    const uint8_t code = cmds[i]->Code();
    if (code == 31) {
      open.push_back(i);
    } else if (code == 33) {
      if (!open.empty()) open.pop_back();
    } else if ((code == 34 || code == 35) && !open.empty() && loop_of[open.back()] >= 0) {
      const int32_t loop = loop_of[open.back()];
      out[i] = code == 34 ? loop + 1 : loop;
    }
  }
  return out;
}

TFieldKeys KeysOf(const TCommandInfo& info) {
  TPage scratch;
  TFieldKeys keys;
  scratch.CreateCommand(info.Code)->Fields(keys);
  return keys;
}

bool TakesWholeLine(const TCommandInfo& info) {
  static const auto kWhole = [] {
    std::array<bool, kCommandCodeCount> whole{};
    for (int code = 0; code < kCommandCodeCount; ++code) {
      const TFieldKeys keys = KeysOf(*CommandInfo(code));
      whole[static_cast<size_t>(code)] =
          !keys.Props && keys.Keys.size() == 1 && keys.Keys[0].empty() && keys.IsText[0];
    }
    return whole;
  }();
  return kWhole[info.Code];
}

const char* ResultTypeName(uint8_t t) {
  static const char* const kNames[] = {nullptr, "int", "float", "flag", "string"};
  return t >= 1 && t <= 4 ? kNames[t] : nullptr;
}

}  // namespace opal::scenario_text

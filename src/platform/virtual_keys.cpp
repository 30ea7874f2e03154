#include "platform/virtual_keys.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace opal {

namespace {

struct TKeyName {
  const char* Name;
  int32_t Code;
};

// Named keys; letters, digits, F1–F24 and Num0–Num9 are made by rule.
constexpr TKeyName kNames[] = {
    {"Backspace", 0x08}, {"Tab", 0x09},      {"Clear", 0x0C},     {"Enter", 0x0D},
    {"Shift", 0x10},     {"Control", 0x11},  {"Alt", 0x12},       {"Pause", 0x13},
    {"CapsLock", 0x14},  {"Kana", 0x15},     {"Kanji", 0x19},     {"Escape", 0x1B},
    {"Convert", 0x1C},   {"NonConvert", 0x1D}, {"Space", 0x20},   {"PageUp", 0x21},
    {"PageDown", 0x22},  {"End", 0x23},      {"Home", 0x24},      {"Left", 0x25},
    {"Up", 0x26},        {"Right", 0x27},    {"Down", 0x28},      {"Select", 0x29},
    {"PrintScreen", 0x2C}, {"Insert", 0x2D}, {"Delete", 0x2E},    {"Help", 0x2F},
    {"LWin", 0x5B},      {"RWin", 0x5C},     {"Apps", 0x5D},      {"Sleep", 0x5F},
    {"Multiply", 0x6A},  {"Add", 0x6B},      {"Separator", 0x6C}, {"Subtract", 0x6D},
    {"Decimal", 0x6E},   {"Divide", 0x6F},   {"NumLock", 0x90},   {"ScrollLock", 0x91},
    {"LShift", 0xA0},    {"RShift", 0xA1},   {"LControl", 0xA2},  {"RControl", 0xA3},
    {"LAlt", 0xA4},      {"RAlt", 0xA5},     {"Semicolon", 0xBA}, {"Plus", 0xBB},
    {"Comma", 0xBC},     {"Minus", 0xBD},    {"Period", 0xBE},    {"Slash", 0xBF},
    {"Grave", 0xC0},     {"LBracket", 0xDB}, {"Backslash", 0xDC}, {"RBracket", 0xDD},
    {"Quote", 0xDE},     {"Oem102", 0xE2},
};

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

int32_t Number(std::string_view s) {
  if (s.empty() || s.size() > 10) return -1;
  const std::string text(s);
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 0);
  return end != nullptr && *end == '\0' && v >= 0 && v < 256 ? static_cast<int32_t>(v) : -1;
}

}  // namespace

int32_t VirtualKeyByName(std::string_view name) {
  if (name.size() == 1 && std::isalpha(static_cast<unsigned char>(name[0])))
    return std::toupper(static_cast<unsigned char>(name[0]));
  for (const TKeyName& k : kNames) {
    if (SameText(name, k.Name)) return k.Code;
  }
  if (SameText(name, "Return")) return 0x0D;
  if (SameText(name, "Esc")) return 0x1B;
  if (name.size() >= 2 && (name[0] == 'F' || name[0] == 'f')) {
    const int32_t n = Number(name.substr(1));
    if (n >= 1 && n <= 24 && std::isdigit(static_cast<unsigned char>(name[1]))) return 0x70 + n - 1;
  }
  if (name.size() == 4 && SameText(name.substr(0, 3), "Num") && std::isdigit(static_cast<unsigned char>(name[3])))
    return 0x60 + (name[3] - '0');
  if (name.size() == 1 && std::isdigit(static_cast<unsigned char>(name[0]))) return name[0];
  return Number(name);
}

std::string VirtualKeyName(int32_t code) {
  if ((code >= 'A' && code <= 'Z') || (code >= '0' && code <= '9')) return std::string(1, static_cast<char>(code));
  for (const TKeyName& k : kNames) {
    if (k.Code == code) return k.Name;
  }
  if (code >= 0x70 && code <= 0x87) return "F" + std::to_string(code - 0x70 + 1);
  if (code >= 0x60 && code <= 0x69) return "Num" + std::to_string(code - 0x60);
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(code) & 0xFFu);
  return buf;
}

}  // namespace opal

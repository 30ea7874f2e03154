#include "common/cp932.h"

#include <algorithm>

#include "common/cp932_table.h"

namespace opal::cp932 {

namespace {

uint8_t At(std::string_view s, size_t i) { return static_cast<uint8_t>(s[i]); }

char FoldUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
char FoldLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

template <char (*Fold)(char)>
std::string FoldAscii(std::string_view s) {
  std::string out(s);
  for (size_t i = 0; i < out.size();) {
    const size_t len = CharLen(out, i);
    if (len == 1) out[i] = Fold(out[i]);
    i += len;
  }
  return out;
}

constexpr char32_t kInvalid = 0xFFFFFFFF;

// One scalar value from UTF-8 at `i` (i < s.size()). An ill-formed sequence
// gives kInvalid and consumes its longest valid-looking prefix (at least one
// byte), so each broken sequence costs one replacement character. Overlongs,
// surrogates and values past U+10FFFF are ill-formed by the ranges allowed for
// the second byte.
char32_t ReadUtf8(std::string_view s, size_t i, size_t* len) {
  const uint8_t b0 = At(s, i);
  *len = 1;
  if (b0 < 0x80) return b0;
  size_t need;
  uint8_t lo = 0x80, hi = 0xBF;
  char32_t cp;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return kInvalid;
  }
  for (size_t k = 1; k <= need; ++k) {
    if (i + k >= s.size()) return kInvalid;
    const uint8_t b = At(s, i + k);
    if (b < lo || b > hi) return kInvalid;
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (b & 0x3F);
    *len = k + 1;
  }
  return cp;
}

// `cp` must be a Unicode scalar value.
void AppendUtf8(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void EncodeOrReplace(char32_t cp, std::string* out, bool* lossless) {
  if (EncodeChar(cp, out)) return;
  out->push_back('?');
  if (lossless) *lossless = false;
}

}  // namespace

bool IsLeadByte(uint8_t b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

size_t CharLen(std::string_view s, size_t pos) {
  if (pos >= s.size()) return 0;
  return IsLeadByte(At(s, pos)) && pos + 1 < s.size() ? 2 : 1;
}

std::vector<uint16_t> CharCodes(std::string_view s) {
  std::vector<uint16_t> codes;
  for (size_t i = 0; i < s.size();) {
    const size_t n = CharLen(s, i);
    codes.push_back(n == 2 ? static_cast<uint16_t>(At(s, i) << 8 | At(s, i + 1)) : At(s, i));
    i += n;
  }
  return codes;
}

std::string Unescape(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    const size_t len = CharLen(s, i);
    if (len == 1 && s[i] == '\\' && i + 1 < s.size()) {
      const char next = s[i + 1];
      if (next == '"' || next == '\\') {
        out += next;
        i += 2;
        continue;
      }
      if (next == 'n') {
        out += "\r\n";
        i += 2;
        continue;
      }
    }
    out.append(s.substr(i, len));
    i += len;
  }
  return out;
}

std::vector<std::string> SplitLines(std::string_view s) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < s.size()) {
    size_t end = s.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = s.size();
    lines.emplace_back(s.substr(start, end - start));
    start = end;
    if (start < s.size() && s[start] == '\r') ++start;
    if (start < s.size() && s[start] == '\n') ++start;
  }
  return lines;
}

size_t NextChar(std::string_view s, size_t pos) {
  return pos >= s.size() ? s.size() : pos + CharLen(s, pos);
}

size_t CharCount(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); i += CharLen(s, i)) ++n;
  return n;
}

// The length always agrees with CharLen, so a lead byte followed by a byte
// outside the trail range still takes both: iteration by DecodeChar and by
// NextChar never disagree about where characters start.
char32_t DecodeChar(std::string_view s, size_t pos, size_t* len) {
  const size_t n = CharLen(s, pos);
  if (len) *len = n;
  if (n == 0) return kReplacement;
  const uint8_t b = At(s, pos);
  if (n == 1) return table::kSingle[b];
  const int index = table::DoubleIndex(b, At(s, pos + 1));
  if (index < 0) return kReplacement;
  const char16_t cp = table::kDouble[index];
  return cp == 0 ? kReplacement : cp;
}

bool EncodeChar(char32_t cp, std::string* out) {
  if (cp < 0x80) {
    out->push_back(static_cast<char>(cp));
    return true;
  }
  if (cp > 0xFFFF) return false;
  const char16_t* begin = table::kEncodeCodePoint;
  const char16_t* end = begin + table::kEncodeCount;
  const char16_t* it = std::lower_bound(begin, end, static_cast<char16_t>(cp));
  if (it == end || *it != cp) return false;
  const uint16_t code = table::kEncodeCode[it - begin];
  if (code >= 0x100) out->push_back(static_cast<char>(code >> 8));
  out->push_back(static_cast<char>(code & 0xFF));
  return true;
}

std::u32string ToUtf32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (size_t i = 0, len = 0; i < s.size(); i += len) out.push_back(DecodeChar(s, i, &len));
  return out;
}

std::string ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() * 3 / 2);
  for (size_t i = 0, len = 0; i < s.size(); i += len) AppendUtf8(DecodeChar(s, i, &len), &out);
  return out;
}

std::string FromUtf32(std::u32string_view s, bool* lossless) {
  std::string out;
  out.reserve(s.size() * 2);
  for (char32_t cp : s) EncodeOrReplace(cp, &out, lossless);
  return out;
}

std::string FromUtf8(std::string_view s, bool* lossless) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0, len = 0; i < s.size(); i += len) {
    const char32_t cp = ReadUtf8(s, i, &len);
    if (cp == kInvalid) {
      out.push_back('?');
      if (lossless) *lossless = false;
    } else {
      EncodeOrReplace(cp, &out, lossless);
    }
  }
  return out;
}

std::string UpperAscii(std::string_view s) { return FoldAscii<FoldUpper>(s); }
std::string LowerAscii(std::string_view s) { return FoldAscii<FoldLower>(s); }

// While the folded bytes agree, both strings sit on the same character
// boundaries (folding maps letters to letters and leaves lead bytes alone), so
// the character lengths of `a` tell which bytes of `b` are trail bytes too.
int CompareText(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n;) {
    const size_t len = CharLen(a, i);
    for (size_t k = 0; k < len && i < n; ++k, ++i) {
      uint8_t ca = At(a, i), cb = At(b, i);
      if (len == 1) {
        ca = static_cast<uint8_t>(FoldUpper(static_cast<char>(ca)));
        cb = static_cast<uint8_t>(FoldUpper(static_cast<char>(cb)));
      }
      if (ca != cb) return ca < cb ? -1 : 1;
    }
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

// A prefix must end on a character boundary of `s`: a lone lead byte closing
// `prefix` does not match the first half of a double-byte character.
bool StartsWithText(std::string_view s, std::string_view prefix) {
  if (prefix.size() > s.size()) return false;
  if (CompareText(s.substr(0, prefix.size()), prefix) != 0) return false;
  size_t i = 0;
  while (i < prefix.size()) i = NextChar(s, i);
  return i == prefix.size();
}

size_t LastDelimiter(std::string_view s, char ch) {
  size_t last = std::string_view::npos;
  for (size_t i = 0, len = 0; i < s.size(); i += len) {
    len = CharLen(s, i);
    if (len == 1 && s[i] == ch) last = i;
  }
  return last;
}

std::vector<std::string> SplitPath(std::string_view name) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (size_t i = 0, len = 0; i < name.size(); i += len) {
    len = CharLen(name, i);
    if (len == 1 && name[i] == '\\') {
      parts.emplace_back(name.substr(start, i - start));
      start = i + 1;
    }
  }
  parts.emplace_back(name.substr(start));
  return parts;
}

std::string ExtractDir(std::string_view name) {
  const size_t pos = LastDelimiter(name, '\\');
  return pos == std::string_view::npos ? std::string() : std::string(name.substr(0, pos + 1));
}

std::string ExtractExt(std::string_view name) {
  const size_t dot = LastDelimiter(name, '.');
  if (dot == std::string_view::npos) return {};
  const size_t slash = LastDelimiter(name, '\\');
  if (slash != std::string_view::npos && slash > dot) return {};
  return std::string(name.substr(dot));
}

}  // namespace opal::cp932

// The minimal glyph stream: header, one decoration, character and line
// break glyphs.
#include "scenario/message_body.h"

#include <cstdint>
#include <cstring>

#include "common/cp932.h"
#include "storage/stream.h"

namespace opal {

namespace {

constexpr char kHeader[] = "SkWord102";
constexpr uint8_t kGlyphChar = 1;
constexpr uint8_t kGlyphReturn = 3;
// The default character wait after a variable reset; a later text engine
// reads the wait in force instead.
constexpr int32_t kDefaultWait = 50;

}  // namespace

std::string CompileMessage(std::string_view text) {
  if (text.empty()) return {};
  struct Glyph {
    bool is_return;
    uint16_t code;
  };
  std::vector<Glyph> glyphs;
  int32_t chars = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      glyphs.push_back({true, 0});
      i += 2;
      continue;
    }
    if (text[i] == '\n') {
      glyphs.push_back({true, 0});
      ++i;
      continue;
    }
    const size_t len = cp932::CharLen(text, i);
    uint16_t code = static_cast<uint8_t>(text[i]);
    if (len == 2) code = static_cast<uint16_t>(code << 8 | static_cast<uint8_t>(text[i + 1]));
    glyphs.push_back({false, code});
    ++chars;
    i += len;
  }
  TMemoryStream s;
  s.WriteBuffer(kHeader, 9);
  WriteInt32(s, 1);
  WriteInt32(s, chars > 0 ? chars : 1);  // RefCount: the characters that use it
  WriteInt32(s, -1);                     // Color
  WriteInt32(s, -1);                     // OutlineColor
  WriteInt32(s, 0);                      // Size
  WriteByte(s, 0);                       // Style
  WriteByte(s, 0);                       // NoBreak
  WriteInt32(s, 0);                      // OutlineWidth
  WriteString(s, "");                    // FaceName
  WriteString(s, "");                    // Ruby
  WriteInt32(s, 0);                      // ShadowWidth
  WriteInt32(s, -1);                     // ShadowColor
  WriteInt32(s, static_cast<int32_t>(glyphs.size()));
  for (const Glyph& g : glyphs) {
    if (g.is_return) {
      WriteByte(s, kGlyphReturn);
      WriteByte(s, 0);
    } else {
      WriteByte(s, kGlyphChar);
      WriteString(s, "");
      WriteInt32(s, kDefaultWait);
      WriteUInt16(s, g.code);
      WriteInt32(s, 0);
    }
  }
  const auto& b = s.Bytes();
  return std::string(b.begin(), b.end());
}

std::optional<std::string> DecompileMessage(std::string_view bytes) {
  if (bytes.empty()) return std::string();
  // Offsets of the fixed layout CompileMessage writes.
  constexpr size_t kGlyphCountAt = 9 + 4 + 4 * 4 + 2 + 4 + 4 + 4 + 4 + 4;
  constexpr size_t kCharBytes = 1 + 4 + 4 + 2 + 4;
  if (bytes.size() < kGlyphCountAt + 4 || std::memcmp(bytes.data(), kHeader, 9) != 0) return std::nullopt;
  const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
  const uint32_t count = LoadLE32(p + kGlyphCountAt);
  std::string text;
  size_t at = kGlyphCountAt + 4;
  for (uint32_t g = 0; g < count; ++g) {
    if (at >= bytes.size()) return std::nullopt;
    if (p[at] == kGlyphReturn) {
      text += '\n';
      at += 2;
    } else if (p[at] == kGlyphChar && at + kCharBytes <= bytes.size()) {
      const uint16_t code = static_cast<uint16_t>(p[at + 9] | p[at + 10] << 8);
      if (code > 0xFF) text += static_cast<char>(code >> 8);
      text += static_cast<char>(code & 0xFF);
      at += kCharBytes;
    } else {
      return std::nullopt;
    }
  }
  // Whatever the walk accepted, only the exact bytes count.
  if (CompileMessage(text) != bytes) return std::nullopt;
  return text;
}

}  // namespace opal

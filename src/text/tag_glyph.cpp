#include "text/tag_glyph.h"

#include <cstdio>

#include "common/cp932.h"

namespace opal {

namespace {

const std::string kNone;

const std::string& Deref(const std::shared_ptr<const std::string>& s) { return s ? *s : kNone; }

// CP932 text as UTF-8 with control characters, '"' and '\\' escaped.
std::string Quoted(const std::string& cp932) {
  std::string out = "\"";
  for (size_t i = 0; i < cp932.size(); i = cp932::NextChar(cp932, i)) {
    const size_t len = cp932::CharLen(cp932, i);
    const uint8_t c = static_cast<uint8_t>(cp932[i]);
    if (len == 1 && (c < 0x20 || c == '"' || c == '\\')) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += cp932::ToUtf8(std::string_view(cp932).substr(i, len));
    }
  }
  return out + "\"";
}

std::string Hex(int32_t v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%06X", static_cast<unsigned>(v));
  return buf;
}

// The non-base attributes of a style, link and wait, as " {a=b c=d}" or "".
std::string Attributes(const TTagGlyph& g, int32_t baseWait) {
  std::string a;
  auto add = [&a](const std::string& s) { a += (a.empty() ? "" : " ") + s; };
  if (const TCharStyle* s = g.Style.get()) {
    if (s->Size != 0) add("size=" + std::to_string(s->Size));
    if (s->Color != -1) add("color=" + Hex(s->Color));
    if (s->OutlineColor != -1) add("bcolor=" + Hex(s->OutlineColor));
    if (s->ShadowColor != -1) add("scolor=" + Hex(s->ShadowColor));
    if (!s->Face().empty()) add("face=" + Quoted(s->Face()));
    if (s->Style != 0) add("style=" + std::to_string(s->Style));
    if (s->NoBreak) add("nobr");
    if (!s->RubyText().empty()) add("ruby=" + Quoted(s->RubyText()));
    if (s->OutlineWidth != -1) add("border=" + std::to_string(s->OutlineWidth));
    if (s->ShadowWidth != -1) add("shadow=" + std::to_string(s->ShadowWidth));
  }
  if (!g.LinkTarget().empty()) add("link=" + Quoted(g.LinkTarget()));
  const bool waits = g.Kind == TGlyphKind::Char || g.Kind == TGlyphKind::Var || g.Kind == TGlyphKind::Image;
  if (waits && g.Wait != baseWait) add("wait=" + std::to_string(g.Wait));
  return a.empty() ? a : "{" + a + "}";
}

std::string CharBytes(uint16_t code) {
  std::string s;
  if (code > 0xFF) s += static_cast<char>(code >> 8);
  s += static_cast<char>(code & 0xFF);
  return s;
}

bool SameRun(const TTagGlyph& a, const TTagGlyph& b) {
  if (a.Kind != TGlyphKind::Char || b.Kind != TGlyphKind::Char) return false;
  const bool sameStyle = a.Style == b.Style || (a.Style && b.Style && *a.Style == *b.Style);
  return sameStyle && a.LinkTarget() == b.LinkTarget() && a.Wait == b.Wait;
}

}  // namespace

const std::string& TCharStyle::Face() const { return Deref(FaceName); }
const std::string& TCharStyle::RubyText() const { return Deref(Ruby); }

bool TCharStyle::operator==(const TCharStyle& o) const {
  return Color == o.Color && OutlineColor == o.OutlineColor && ShadowColor == o.ShadowColor &&
         Size == o.Size && Style == o.Style && NoBreak == o.NoBreak &&
         OutlineWidth == o.OutlineWidth && ShadowWidth == o.ShadowWidth && Face() == o.Face() &&
         RubyText() == o.RubyText();
}

const std::string& TTagGlyph::LinkTarget() const { return Deref(Link); }

std::string DumpGlyphs(const TTagGlyphList& glyphs, int32_t baseWait) {
  std::string out;
  for (size_t i = 0; i < glyphs.size();) {
    const TTagGlyph& g = glyphs[i];
    std::string item;
    size_t next = i + 1;
    switch (g.Kind) {
      case TGlyphKind::Char: {
        std::string text = CharBytes(g.Code);
        while (next < glyphs.size() && SameRun(g, glyphs[next])) text += CharBytes(glyphs[next++].Code);
        item = Quoted(text);
        break;
      }
      case TGlyphKind::Align: item = "<align " + std::to_string(g.Align) + ">"; break;
      case TGlyphKind::Return: item = g.Clear ? "<br clear>" : "<br>"; break;
      case TGlyphKind::Indent: item = "<indent>"; break;
      case TGlyphKind::Undent: item = "<undent>"; break;
      case TGlyphKind::Event: item = "<event " + Quoted(g.Text) + ">"; break;
      case TGlyphKind::Var: item = "<var " + Quoted(g.Text) + ">"; break;
      case TGlyphKind::Image: item = "<img " + Quoted(g.Text) + " " + std::to_string(g.Align) + ">"; break;
    }
    out += (out.empty() ? "" : " ") + item + Attributes(g, baseWait);
    i = next;
  }
  return out;
}

}  // namespace opal

// Writing glyph stream records as tagged text.
#include "text/markup_writer.h"

#include <cstdio>
#include <string_view>

#include "text/glyph_stream.h"

namespace opal {

namespace {

// What a character carries, as the markup sets it.
struct TMarkState {
  TDecorate Style;
  std::string Link;
  int32_t Wait = 0;
  bool operator==(const TMarkState& o) const { return Style.SameStyle(o.Style) && Link == o.Link && Wait == o.Wait; }
};

bool Expressible(const std::string& v) {
  for (char c : v)
    if (c == '"' || c == '\r' || c == '\n' || c == '\t') return false;
  return true;
}

// A value that the reader takes back as it is.
std::optional<std::string> Quoted(const std::string& v) {
  if (!Expressible(v)) return std::nullopt;
  return "\"" + v + "\"";
}

// A value the reader unescapes (links and event texts).
std::optional<std::string> QuotedEscaped(const std::string& v) {
  std::string out;
  for (size_t i = 0; i < v.size(); ++i) {
    const char c = v[i];
    if (c == '\r' && i + 1 < v.size() && v[i + 1] == '\n') {
      out += "\\n";
      ++i;
      continue;
    }
    if (c == '\\') out += '\\';
    out += c;
  }
  return Quoted(out);
}

std::string Colour(int32_t c) {
  const uint32_t v = static_cast<uint32_t>(c);
  char buf[16];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
  return buf;
}

class TMarkupWriter {
 public:
  TMarkupWriter(const TGlyphStream& stream, int32_t defaultWait)
      : Stream_(stream), Base_{TDecorate{}, {}, defaultWait}, Open_(Base_) {
    Base_.Style.OutlineWidth = Base_.Style.ShadowWidth = -1;
    Open_ = Base_;
  }

  bool Glyph(const TGlyphRecord& g);
  std::string Finish() {
    if (!(Open_ == Base_)) Close();
    return Out_;
  }

 private:
  bool Enter(const TMarkState& want);
  void Close();

  // The style record of a character or variable; null when the index is
  // not the stream's.
  const TDecorate* StyleOf(const TGlyphRecord& g) const {
    return g.Decoration >= 0 && static_cast<size_t>(g.Decoration) < Stream_.Decorations.size()
               ? &Stream_.Decorations[static_cast<size_t>(g.Decoration)]
               : nullptr;
  }

  const TGlyphStream& Stream_;
  TMarkState Base_, Open_;
  bool FontOpen_ = false;
  std::string Out_;
};

void TMarkupWriter::Close() {
  const TDecorate& d = Open_.Style;
  if (FontOpen_) Out_ += "</FONT>";
  FontOpen_ = false;
  if (d.Style & 1) Out_ += "</B>";
  if (d.Style & 2) Out_ += "</I>";
  if (d.Style & 4) Out_ += "</U>";
  if (d.Style & 8) Out_ += "</S>";
  if (d.NoBreak) Out_ += "</NOBR>";
  if (!d.Ruby.empty()) Out_ += "</RUBY>";
  if (!Open_.Link.empty()) Out_ += "</A>";
  if (Open_.Wait != Base_.Wait) Out_ += "</WAIT>";
  Open_ = Base_;
}

bool TMarkupWriter::Enter(const TMarkState& want) {
  if (want == Open_) return true;
  Close();
  const TDecorate& d = want.Style;
  std::string font;
  if (d.Size != 0) font += " SIZE=" + std::to_string(d.Size);
  if (d.Color != -1) font += " COLOR=" + Colour(d.Color);
  if (d.OutlineColor != -1) font += " BCOLOR=" + Colour(d.OutlineColor);
  if (d.ShadowColor != -1) font += " SCOLOR=" + Colour(d.ShadowColor);
  if (!d.FaceName.empty()) {
    const auto face = Quoted(d.FaceName);
    if (!face) return false;
    font += " NAME=" + *face;
  }
  if (d.OutlineWidth != -1) font += " BORDER=" + std::to_string(d.OutlineWidth);
  if (d.ShadowWidth != -1) font += " SHADOW=" + std::to_string(d.ShadowWidth);
  if (!font.empty()) {
    Out_ += "<FONT" + font + ">";
    FontOpen_ = true;
  }
  if (d.Style & 1) Out_ += "<B>";
  if (d.Style & 2) Out_ += "<I>";
  if (d.Style & 4) Out_ += "<U>";
  if (d.Style & 8) Out_ += "<S>";
  if (d.NoBreak) Out_ += "<NOBR>";
  if (!d.Ruby.empty()) {
    const auto ruby = Quoted(d.Ruby);
    if (!ruby) return false;
    Out_ += "<RUBY VALUE=" + *ruby + ">";
  }
  if (!want.Link.empty()) {
    const auto link = QuotedEscaped(want.Link);
    if (!link) return false;
    Out_ += "<A HREF=" + *link + ">";
  }
  if (want.Wait != Base_.Wait) Out_ += "<WAIT VALUE=" + std::to_string(want.Wait) + ">";
  Open_ = want;
  return true;
}

bool TMarkupWriter::Glyph(const TGlyphRecord& g) {
  static const char* const kAlign[] = {nullptr, "LEFT", "RIGHT", "CENTER", "TOP", "BOTTOM"};
  switch (g.Kind) {
    case wkChar: {
      const TDecorate* style = StyleOf(g);
      if (style == nullptr || !Enter({*style, g.Link, g.Wait})) return false;
      const uint16_t code = g.Code;
      if (code < 32) return false;
      if (code < 256 && std::string_view("<>\\%{}").find(static_cast<char>(code)) != std::string_view::npos) Out_ += '\\';
      if (code > 0xFF) Out_ += static_cast<char>(code >> 8);
      Out_ += static_cast<char>(code & 0xFF);
      return true;
    }
    case wkReturn:
      Out_ += g.Clear ? "<CLEAR>\n" : "<BR>\n";
      return true;
    case wkAlign:
      if (g.Align < 1 || g.Align > 3) return false;
      Out_ += std::string("<DIV ALIGN=") + kAlign[g.Align] + ">";
      return true;
    case wkIndent: Out_ += "<INDENT>"; return true;
    case wkUndent: Out_ += "<UNDENT>"; return true;
    case wkEvent: {
      const auto text = QuotedEscaped(g.Text);
      if (!text || g.Text.empty()) return false;
      Out_ += "<EVENT VALUE=" + *text + (g.Hold ? " END>" : ">");
      return true;
    }
    case wkVar: {
      // A compiled expression has no source text to name.
      const auto name = Quoted(g.Text);
      const TDecorate* style = StyleOf(g);
      if (!name || g.Text.empty() || style == nullptr) return false;
      if (!Enter({*style, g.Link, g.Wait})) return false;
      Out_ += "<VAR NAME=" + *name + ">";
      return true;
    }
    case wkImage: {
      const auto src = Quoted(g.Text);
      if (!src || g.Text.empty() || g.Align < 3 || g.Align > 5) return false;
      TMarkState want = Base_;
      want.Link = g.Link;
      want.Wait = g.Wait;
      // A picture carries no font style: the open style is kept when only
      // the link and wait matter.
      if (want.Link != Open_.Link || want.Wait != Open_.Wait) {
        if (!Enter(want)) return false;
      }
      Out_ += "<IMG SRC=" + *src + " ALIGN=" + kAlign[g.Align] + ">";
      return true;
    }
    default: return false;
  }
}

}  // namespace

std::optional<std::string> WriteMarkup(const TGlyphStream& stream, int32_t defaultWait) {
  TMarkupWriter w(stream, defaultWait);
  for (const TGlyphRecord& g : stream.Glyphs) {
    if (!w.Glyph(g)) return std::nullopt;
  }
  return w.Finish();
}

}  // namespace opal

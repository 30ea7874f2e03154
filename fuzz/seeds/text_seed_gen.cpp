// Writes the seed files of glyph_stream_fuzz with the word's own writers:
// glyph streams of a few parsed texts (every glyph kind and style field),
// one whose characters carry the plain style of a new character, and
// settings streams.
//   text_seed_gen DIR
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "platform/font_backend.h"
#include "storage/stream.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"
#include "seed_file.h"

namespace {

const char* const kTexts[] = {
    "plain text\r\nnext line",
    "あいう。<BR>「え<CLEAR>お",
    "<FONT SIZE=20 COLOR=#FF0000 BCOLOR=#00FF00 SCOLOR=#0000FF NAME=\"Face\" BORDER=2 SHADOW=3>a</FONT>"
    "<B><I>b</I></B><U>u</U><S>s</S><NOBR>nb</NOBR><RUBY VALUE=\"かん\">漢</RUBY>",
    "<A HREF=\"go\">link</A><DIV ALIGN=CENTER>c</DIV><DIV ALIGN=RIGHT>r</DIV><INDENT>i<UNDENT>",
    "<EVENT VALUE=\"ev\" END><EVENT VALUE=\"a\"><WAIT VALUE=-500>w</WAIT><VAR NAME=$a>"
    "<B><VAR NAME=\"b + 1\"></B><IMG SRC=x.png ALIGN=TOP><A HREF=p><IMG SRC=y.png ALIGN=LEFT></A>",
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: text_seed_gen DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  opal::TFakeFontBackend backend;
  opal::TFontPixelManager fonts(backend);
  int n = 0;
  for (const char* text : kTexts) {
    opal::TSkWord word(fonts);
    word.Parse(opal::cp932::FromUtf8(text));
    opal::TMemoryStream s;
    word.SaveGlyphs(s);
    opal::seeds::WriteSeed(dir + "/glyphs-" + std::to_string(++n) + ".dat", s.Bytes());
  }
  {
    // Characters on the plain style of a new character, which every glyph
    // the reader makes starts from.
    opal::TSkWord word(fonts);
    word.Parse(opal::cp932::FromUtf8("<B>a</B>bか<BR>c"));
    for (size_t i = 0; i < word.GlyphCount(); ++i)
      if (auto* c = dynamic_cast<opal::TWdChar*>(word.Glyph(i)); c != nullptr && i > 0) c->SetDecorate(opal::TDecorate{});
    opal::TMemoryStream s;
    word.SaveGlyphs(s);
    opal::seeds::WriteSeed(dir + "/glyphs-plain-style.dat", s.Bytes());
  }
  opal::TSkWord word(fonts);
  opal::TMemoryStream plain;
  word.SaveSettings(plain);
  opal::seeds::WriteSeed(dir + "/settings-default.dat", plain.Bytes());
  word.DefaultFace = "Face";
  word.TextWidth = 320;
  word.ViewHeight = 240;
  word.Paging = false;
  word.ShadowColor = 0x405060;
  word.DefaultOutline = 2;
  word.DefaultShadow = 1;
  opal::TMemoryStream set;
  word.SaveSettings(set);
  opal::seeds::WriteSeed(dir + "/settings-set.dat", set.Bytes());
  return 0;
}

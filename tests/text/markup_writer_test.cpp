// Tagged text written from glyphs parses back to the same glyphs.
#include <gtest/gtest.h>

#include "storage/stream.h"
#include "text/markup_writer.h"
#include "word_fixture.h"

namespace opal {
namespace {

std::vector<uint8_t> Stream(TSkWord& w) {
  TMemoryStream s;
  w.SaveGlyphs(s);
  return s.Bytes();
}

TEST(MarkupWriter, RoundTripsEveryTag) {
  const char* texts[] = {
      "こんにちは、opal。",
      "a<BR>b<CLEAR>c",
      "<FONT SIZE=20 COLOR=#FF0000 BCOLOR=#00FF00 SCOLOR=#0000FF NAME=\"Fake\" BORDER=2 SHADOW=3>x</FONT>y",
      "<B>b<I>bi</B>i</I><U>u</U><S>s</S>",
      "<NOBR>no break</NOBR><RUBY VALUE=\"かんじ\">漢字</RUBY>",
      "<A HREF=\"page\\\\1\">link</A> <WAIT VALUE=-500>slow</WAIT>",
      "<DIV ALIGN=CENTER>c</DIV><DIV ALIGN=RIGHT>r<INDENT>i<UNDENT>",
      "<EVENT VALUE=\"go\\nnow\"><EVENT VALUE=\"stop\" END>",
      "<FONT COLOR=#102030><VAR NAME=\"name$\"></FONT><IMG SRC=\"p.png\" ALIGN=TOP><IMG SRC=\"q.png\">",
      "\\<B\\> \\\\ \\% \\{\\}",
      "<A HREF=x><IMG SRC=\"p.png\" ALIGN=CENTER>pic</A>",
  };
  for (const char* text : texts) {
    testing::TWordFixture a, b;
    a.Word.Parse(cp932::FromUtf8(text));
    const auto markup = WriteMarkup(a.Word, 50);
    ASSERT_TRUE(markup) << text;
    std::string joined = *markup;
    for (char& c : joined)
      if (c == '\n') c = '\r';
    b.Word.Parse(joined);
    EXPECT_EQ(Stream(a.Word), Stream(b.Word)) << text << "\n" << *markup;
  }
}

TEST(MarkupWriter, RefusesWhatMarkupCannotSay) {
  testing::TWordFixture a;
  a.Word.Parse("ab");
  static_cast<TWdChar*>(a.Word.Glyph(0))->CodeValue = 9;  // a control character
  EXPECT_FALSE(WriteMarkup(a.Word, 50));
  testing::TWordFixture b;
  b.Word.Parse("<A HREF='say \"hi\"'>x</A>");
  EXPECT_FALSE(WriteMarkup(b.Word, 50));
}

}  // namespace
}  // namespace opal

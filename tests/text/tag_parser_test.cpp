#include "text/tag_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cp932.h"
#include "common/error.h"
#include "text/tag.h"
#include "text/tag_tokenizer.h"

namespace opal {
namespace {

// Markup written in UTF-8, one line per '\n', as the message window hands
// it over (CP932 lines).
std::vector<std::string> Lines(const std::string& utf8) {
  std::vector<std::string> lines(1);
  for (char c : cp932::FromUtf8(utf8)) {
    if (c == '\n') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

std::string Dump(const std::string& utf8, int32_t wait = 50) {
  TTagGlyphList glyphs;
  ParseTags(Lines(utf8), wait, glyphs);
  return DumpGlyphs(glyphs, wait);
}

struct TCase {
  const char* Markup;
  const char* Glyphs;
};

void RunTable(const std::vector<TCase>& cases) {
  for (const TCase& c : cases) EXPECT_EQ(Dump(c.Markup), c.Glyphs) << "markup: " << c.Markup;
}

TEST(TagTokenizer, CutsTextAndTags) {
  using V = std::vector<TTagToken>;
  auto t = [](const char* s) { return TTagToken{s, true}; };
  auto x = [](const char* s) { return TTagToken{s, false}; };
  EXPECT_EQ(TokenizeTags("ab<B>cd</B>"), (V{x("ab"), t("<B>"), x("cd"), t("</B>")}));
  EXPECT_EQ(TokenizeTags("a<!-- <B> -->b"), (V{x("a"), t("<!-- <B> -->"), x("b")}));
  EXPECT_EQ(TokenizeTags("<!--a<!--b-->c-->d"), (V{t("<!--a<!--b-->c-->"), x("d")}));
  EXPECT_EQ(TokenizeTags("<script>x<y>\rz</SCRIPT>w"), (V{t("<script>x<y>\r\nz</SCRIPT>"), x("w")}));
  EXPECT_EQ(TokenizeTags("<PRE>\ra\rb</PRE>"), (V{t("<PRE>"), x("a"), t("<BR>"), x("b"), t("</PRE>")}));
  EXPECT_EQ(TokenizeTags("<PRE>a\r</PRE>"), (V{t("<PRE>"), x("a"), t("</PRE>")}));
  EXPECT_EQ(TokenizeTags("<TEXTAREA>a\rb</TEXTAREA>"),
            (V{t("<TEXTAREA>"), x("a"), x("b"), t("</TEXTAREA>")}));
  EXPECT_EQ(TokenizeTags("<A <B>>c"), (V{t("<A <B>"), x("c")}));  // the inner '>' is lost
  EXPECT_EQ(TokenizeTags("a>b"), (V{x("a>b")}));
  EXPECT_EQ(TokenizeTags("\\<B\\>"), (V{x("<B>")}));
  EXPECT_EQ(TokenizeTags("<FONT NAME=\"a\r\tb\">"), (V{t("<FONT NAME=\"ab\">")}));
  // Character 20 is a space that collapses only outside PRE.
  EXPECT_EQ(TokenizeTags("x\x14\x14y"), (V{x("x y")}));
  EXPECT_EQ(TokenizeTags("<PRE>x\x14\x14y  z"), (V{t("<PRE>"), x("x  y z")}));
  EXPECT_EQ(TokenizeTags("<B"), (V{x("<B")}));
  EXPECT_EQ(TokenizeTags("<!-- x"), (V{t("<!-- x")}));
  EXPECT_EQ(TokenizeTags(""), V{});
}

TEST(TagParse, ReadsHeadsAndAttributes) {
  const TTag t("< font size=20 Color=\"#FF0000\" name='a b' border BCOLOR= x=\"open >");
  EXPECT_EQ(t.Head(), "<font>");
  EXPECT_EQ(t.Id(), TTagId::Font);
  EXPECT_EQ(t.Items(), (std::vector<std::string>{"size\r20", "Color\r#FF0000", "name\ra b",
                                                 "border", "BCOLOR\r", "x\ropen"}));
  EXPECT_EQ(t.Value("SIZE"), "20");
  EXPECT_EQ(t.Value("BORDER", "d"), "");
  EXPECT_EQ(t.Value("SHADOW", "d"), "d");
  EXPECT_TRUE(t.Has("bcolor"));
  // Spaces around '=' leave the name without a value.
  const TTag spaced("<FONT SIZE = 3>");
  EXPECT_EQ(spaced.Items(), (std::vector<std::string>{"SIZE", "\r", "3"}));

  struct TIdCase {
    const char* Token;
    TTagId Id;
  };
  for (const TIdCase& c : std::vector<TIdCase>{
           {"<>", TTagId::Text}, {"<B", TTagId::Text}, {"x", TTagId::Text}, {">", TTagId::Text},
           {"<b>", TTagId::B}, {"</Font>", TTagId::EndFont}, {"<img src=x>", TTagId::Img},
           {"<PRE>", TTagId::Unknown}, {"</BR>", TTagId::Unknown}, {"<!--<B>-->", TTagId::Unknown},
           {"<SCRIPT>B</SCRIPT>", TTagId::Unknown}, {"<BLINK>", TTagId::Unknown}}) {
    EXPECT_EQ(TTag(c.Token).Id(), c.Id) << c.Token;
  }
}

TEST(TagParse, Unescapes) {
  EXPECT_EQ(UnescapeTagText("a\\\"b\\\\c\\nd\\xe"), "a\"b\\c\r\nd\\xe");
  // 表 is 0x95 0x5C: its trail byte does not escape the 'n' after it.
  const std::string hyou = cp932::FromUtf8("表");
  EXPECT_EQ(UnescapeTagText(hyou + "n"), hyou + "n");
}

TEST(TagParser, WhitespaceAndEscapes) {
  RunTable({
      {"a  b", "\"a b\""},
      {"a\nb", "\"a b\""},
      {"a \nb", "\"a b\""},
      {"<B>\nb", "\"b\"{style=1}"},
      {"a\tb", "\"ab\""},
      {"\\<B\\>", "\"<B>\""},
      {"\\%\\{\\}\\\\\\q", "\"%{}\\x5Cq\""},
      {"\"<B>\"", "\"\\x22<B>\\x22\""},
      {"<PRE>\na\tb\nc  d<BR>\n</PRE>e", "\"a        b\" <br> \"c d\" <br> \"e\""},
      {"<PRE>a<BR></PRE>", "\"a\""},
      {"x<!-- <B> -->y", "\"xy\""},
      {"<!-- x", "\"<!-- x\""},
      {"<>", "\"<>\""},
      {"a<B", "\"a<B\""},
  });
}

TEST(TagParser, StyleTags) {
  RunTable({
      {"<B>a</B><I>b</I><U>c</U><S>d</S>", "\"a\"{style=1} \"b\"{style=2} \"c\"{style=4} \"d\"{style=8}"},
      {"<b><i>x</b>y</i>", "\"x\"{style=3} \"y\"{style=2}"},
      {"<NOBR>a</NOBR>b", "\"a\"{nobr} \"b\""},
      {"<RUBY VALUE=かん>漢</RUBY>字", "\"漢\"{ruby=\"かん\"} \"字\""},
      {"<RUBY>a", "\"a\""},
      {"<A HREF=\"p\\\\q\\n\">l</A>m", "\"l\"{link=\"p\\x5Cq\\x0D\\x0A\"} \"m\""},
      // Outside quotes the tokeniser has already taken the backslashes.
      {"<A HREF=p\\\\q>l", "\"l\"{link=\"p\\x5Cq\"}"},
      {"<A HREF>l", "\"l\""},
      {"<WAIT VALUE=10>a<WAIT VALUE=x>b</WAIT>c</WAIT>d</WAIT>e",
       "\"abc\"{wait=10} \"de\""},
      {"<WAIT VALUE=-500>a", "\"a\"{wait=-500}"},
  });
}

TEST(TagParser, FontTag) {
  RunTable({
      {"<FONT COLOR=#FF0000>a</FONT>b", "\"a\"{color=0x0000FF} \"b\""},
      {"<FONT COLOR=red>a", "\"a\""},
      {"<FONT COLOR=#00FF00><FONT COLOR=red>a", "\"a\"{color=0x00FF00}"},
      {"<FONT BCOLOR=#123456 SCOLOR=#ABCDEF>a", "\"a\"{bcolor=0x563412 scolor=0xEFCDAB}"},
      {"<FONT BORDER>a", "\"a\"{border=1}"},
      {"<FONT BORDER=-3>a", "\"a\"{border=0}"},
      {"<FONT BORDER=x SHADOW=2>a", "\"a\"{border=1 shadow=2}"},
      {"<FONT BORDER=2><FONT SIZE=20>a", "\"a\"{size=20 border=2}"},
      {"<FONT SIZE=20><FONT SIZE=x>a</FONT>b</FONT>c", "\"ab\"{size=20} \"c\""},
      {"<FONT NAME=\"ＭＳ 明朝\">a<FONT NAME>b", "\"a\"{face=\"ＭＳ 明朝\"} \"b\""},
      {"</FONT></FONT>a", "\"a\""},
      {"<FONT SIZE=>a", "\"a\""},
      {"<font size=12 color=#0000ff>a", "\"a\"{size=12 color=0xFF0000}"},
      // Markup cannot ask for sizes that would stall the glyph cache.
      {"<FONT SIZE=100000 BORDER=100000 SHADOW=100000>a", "\"a\"{size=256 border=16 shadow=64}"},
      {"<FONT SIZE=-4>a", "\"a\""},
      {"<FONT SIZE=99999999999>a", "\"a\""},
      {"<WAIT VALUE=2147483647>a", "\"a\"{wait=10000000}"},
  });
}

TEST(TagParser, OperatorGlyphs) {
  RunTable({
      {"<div align=center>a</div>b", "<align 3> \"a\" <align 1> \"b\""},
      {"<DIV ALIGN=RIGHT><DIV ALIGN=TOP></DIV></DIV></DIV>", "<align 2> <align 1> <align 2> <align 1> <align 1>"},
      {"<BR><BR CLEAR><CLEAR>", "<br> <br clear> <br clear>"},
      {"<INDENT>a<UNDENT>", "<indent> \"a\" <undent>"},
      {"<EVENT VALUE=\"go\\n\"><EVENT VALUE=x END><EVENT>", "<event \"go\\x0D\\x0A\"> <event \"\\x01x\"> <event \"\">"},
      {"<B><VAR NAME=$a><VAR NAME=\"\">", "<var \"$a\">{style=1}"},
      {"<IMG SRC=x.png ALIGN=LEFT><IMG SRC=y ALIGN=top><IMG SRC=z ALIGN=Center><IMG>",
       "<img \"x.png\" 5> <img \"y\" 4> <img \"z\" 3>"},
      {"<A HREF=h><NOBR><B><RUBY VALUE=r><WAIT VALUE=3><IMG SRC=i>",
       "<img \"i\" 5>{nobr ruby=\"r\" link=\"h\" wait=3}"},
      {"<PRE><SCRIPT>a</SCRIPT><STYLE>b</STYLE><TEXTAREA></TEXTAREA>", ""},
  });
}

TEST(TagParser, DoubleByteTextWithTrailByte5C) {
  // ソ (0x83 0x5C) and 表 (0x95 0x5C) end in the backslash code: no escape.
  RunTable({
      {"ソ<B>表</B>", "\"ソ\" \"表\"{style=1}"},
      {"表\\<", "\"表<\""},
      {"<RUBY VALUE=表>表示</RUBY>", "\"表示\"{ruby=\"表\"}"},
  });
  TTagGlyphList glyphs;
  ParseTagText(cp932::FromUtf8("表a"), 50, glyphs);
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[0].Code, 0x955C);
  EXPECT_EQ(glyphs[1].Code, 'a');
  // A lead byte at the very end is one character.
  ParseTagText("a\x95", 50, glyphs);
  ASSERT_EQ(glyphs.size(), 2u);
  EXPECT_EQ(glyphs[1].Code, 0x95);
}

TEST(TagParser, AnchorWithoutHrefFailsKeepingEarlierGlyphs) {
  TTagGlyphList glyphs;
  try {
    ParseTagText("ab<A TARGET=x>c", 50, glyphs);
    FAIL() << "no exception";
  } catch (const EFormatError& e) {
    EXPECT_EQ(e.what(), cp932::FromUtf8("<A>タグにHREF値がありません"));
  }
  EXPECT_EQ(DumpGlyphs(glyphs), "\"ab\"");
}

TEST(TagParser, StylesAreSharedRecords) {
  TTagGlyphList glyphs;
  ParseTagText("abc<B>d</B>e", 50, glyphs);
  ASSERT_EQ(glyphs.size(), 5u);
  EXPECT_EQ(glyphs[0].Style, glyphs[2].Style);
  EXPECT_NE(glyphs[2].Style, glyphs[3].Style);
  EXPECT_EQ(*glyphs[0].Style, *glyphs[4].Style);
}

TEST(TagParser, DefaultWaitIsReadPerParse) {
  EXPECT_EQ(Dump("a<WAIT VALUE=x>b", 7), "\"ab\"");
  TTagGlyphList glyphs;
  ParseTagText("a", 7, glyphs);
  EXPECT_EQ(glyphs.at(0).Wait, 7);
}

TEST(TagParser, HostileMarkupFinishesQuickly) {
  // Deep nesting and long strings stay linear: styles share their strings.
  std::string text = "<RUBY VALUE=\"" + std::string(100000, 'r') + "\">";
  for (int i = 0; i < 20000; ++i) text += "<FONT SIZE=100000 BORDER=100000><B>x</B>";
  TTagGlyphList glyphs;
  ParseTagText(text, 50, glyphs);
  EXPECT_EQ(glyphs.size(), 20000u);
  std::string tabs = "<PRE><B" + std::string(200000, '\t') + ">";
  ParseTagText(tabs, 50, glyphs);
  EXPECT_TRUE(glyphs.empty());
  EXPECT_THROW(ParseTagText(std::string(kMaxTagGlyphs + 1, 'x'), 50, glyphs), EFormatError);
  EXPECT_EQ(glyphs.size(), kMaxTagGlyphs);
}

}  // namespace
}  // namespace opal

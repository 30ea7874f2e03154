// Layout dumps against tables worked out by hand: line breaking, rows,
// pages, alignment and the shared bottom line. Cells are the character
// size (12 unless set) square, whatever the font draws.
#include <gtest/gtest.h>

#include "word_fixture.h"

namespace opal {
namespace {

using testing::TWordFixture;

struct TLayoutCase {
  const char* Name;
  int32_t Width;
  const char* Markup;
  const char* Expected;
};

class LayoutCases : public ::testing::TestWithParam<TLayoutCase> {};

TEST_P(LayoutCases, DumpMatches) {
  TWordFixture f;
  f.Word.TextWidth = GetParam().Width;
  f.Word.ViewHeight = 1000;
  f.Lay(GetParam().Markup);
  EXPECT_EQ(f.Dump(), GetParam().Expected) << GetParam().Name;
}

const TLayoutCase kLayoutCases[] = {
    // 。 cannot start a line, so う goes down with it.
    {"no line start", 36, "あいう。", "0 0 y0 h12: あ@0,0 い@12,0\n0 1 y12 h12: う@0,12 。@12,12\n"},
    // 「 cannot end a line, so it goes down with う.
    {"no line end", 36, "あい「う", "0 0 y0 h12: あ@0,0 い@12,0\n0 1 y12 h12: 「@0,12 う@12,12\n"},
    // Latin words stay whole and keep their space at the end of the row.
    {"words", 100, "hello world",
     "0 0 y0 h12: h@0,0 e@12,0 l@24,0 l@36,0 o@48,0  @60,0\n0 1 y12 h12: w@0,12 o@12,12 r@24,12 l@36,12 d@48,12\n"},
    // A forbidden character is a character, not a byte: "B" is the trail
    // byte of 。 (81 42) and still breaks like any letter.
    {"trail bytes are not characters", 24, "あB B",
     "0 0 y0 h12: あ@0,0\n0 1 y12 h12: B@0,12  @12,12\n0 2 y24 h12: B@0,24\n"},
    // Characters under one ruby text never part.
    {"ruby run", 24, "あ<RUBY VALUE=\"か\">いう</RUBY>",
     "0 0 y0 h12: あ@0,0\n0 1 y12 h18: い@0,12 う@12,12\n"},
    {"no-break run", 24, "あ<NOBR>いう</NOBR>", "0 0 y0 h12: あ@0,0\n0 1 y12 h12: い@0,12 う@12,12\n"},
    // A line break alone is DefaultSize high; with text before it, 0.
    {"empty line", 100, "あ<BR><BR>い", "0 0 y0 h12: あ@0,0 /@12,0\n0 1 y12 h12: /@0,12\n0 2 y24 h12: い@0,24\n"},
    {"clear", 100, "あ<CLEAR>い", "0 0 y0 h12: あ@0,0 /@12,0\n1 0 y0 h12: い@0,0\n"},
    // Centred and right-aligned 12-pixel rows in 100 pixels.
    {"centre", 100, "<DIV ALIGN=CENTER>あ</DIV><BR><DIV ALIGN=RIGHT>い",
     "0 0 y0 h12: あ@44,0 /@56,0\n0 1 y12 h12: い@88,12\n"},
    // Mixed sizes share their bottom edge.
    {"bottom line", 100, "あ<FONT SIZE=24>い</FONT>う", "0 0 y0 h24: あ@0,12 い@12,0 う@36,12\n"},
    // An indent holds the following rows in until the undent.
    {"indent", 36, "あ<INDENT>いうえお<UNDENT><BR>か",
     "0 0 y0 h12: あ@0,0 い@12,0 う@24,0\n0 1 y12 h12: _@0,12 え@12,12 お@24,12 /@36,12\n0 2 y24 h12: か@0,24\n"},
    // A row holding only the blank is empty: a glyph wider than the room
    // goes in rather than closing rows for ever.
    {"indent wider than the row", 24, "ああ<INDENT>い",
     "0 0 y0 h12: あ@0,0 あ@12,0\n0 1 y12 h12: _@0,12 い@24,12\n"},
    // Without a width nothing wraps and the area is the widest row.
    {"no width", 0, "あいう<BR>え", "0 0 y0 h12: あ@0,0 い@12,0 う@24,0 /@36,0\n0 1 y12 h12: え@0,12\n"},
};

INSTANTIATE_TEST_SUITE_P(Rules, LayoutCases, ::testing::ValuesIn(kLayoutCases));

TEST(Layout, NoWidthBecomesTheWidestRow) {
  TWordFixture f;
  f.Word.ViewHeight = 100;
  f.Lay("<DIV ALIGN=RIGHT>あいう<BR>え");
  EXPECT_EQ(f.Word.TextWidth, 36);
  // Right-aligned rows end at the new width.
  EXPECT_EQ(f.Dump(), "0 0 y0 h12: あ@0,0 い@12,0 う@24,0 /@36,0\n0 1 y12 h12: え@24,12\n");
}

TEST(Layout, PagingRollsBackTheRowThatDoesNotFit) {
  TWordFixture f;
  f.Word.TextWidth = 24;
  f.Word.ViewHeight = 30;
  f.Word.LineSpacing = 2;
  f.Lay("あいうえおか");
  // Rows at 0 and 14 fit; the third (28 + 12 > 30) starts the next page.
  EXPECT_EQ(f.Dump(),
            "0 0 y0 h12: あ@0,0 い@12,0\n0 1 y14 h12: う@0,14 え@12,14\n1 0 y0 h12: お@0,0 か@12,0\n");
  EXPECT_EQ(f.Pages[0]->Height, 26);
  EXPECT_EQ(f.Pages[1]->Height, 12);
}

TEST(Layout, FirstRowOfAPageStaysEvenWhenTooHigh) {
  TWordFixture f;
  f.Word.TextWidth = 100;
  f.Word.ViewHeight = 10;
  f.Lay("あ<BR>い");
  EXPECT_EQ(f.Dump(), "0 0 y0 h12: あ@0,0 /@12,0\n1 0 y0 h12: い@0,0\n");
}

TEST(Layout, RollBackKeepsTheIndent) {
  TWordFixture f;
  f.Word.TextWidth = 36;
  f.Word.ViewHeight = 24;
  f.Lay("あ<INDENT>いうえお");
  EXPECT_EQ(f.Dump(), "0 0 y0 h12: あ@0,0 い@12,0 う@24,0\n0 1 y12 h12: _@0,12 え@12,12 お@24,12\n");
  f.Word.ViewHeight = 20;
  f.Lay("あ<INDENT>いうえお");
  EXPECT_EQ(f.Dump(), "0 0 y0 h12: あ@0,0 い@12,0 う@24,0\n1 0 y0 h12: _@0,0 え@12,0 お@24,0\n");
}

TEST(Layout, CellsGrowWithItalicRubyOutlineAndShadow) {
  struct Case {
    const char* Markup;
    int32_t W, H;
  } cases[] = {
      {"あ", 12, 12},
      {"<I>あ</I>", 14, 12},
      {"<RUBY VALUE=x>あ</RUBY>", 12, 18},
      {"<FONT BORDER=2 SHADOW=3>あ</FONT>", 19, 19},
      {"<FONT SIZE=5><RUBY VALUE=x>a</RUBY></FONT>", 5, 7},
      {"<FONT SIZE=1><RUBY VALUE=x>a</RUBY></FONT>", 1, 2},
  };
  for (const Case& c : cases) {
    TWordFixture f;
    f.Word.TextWidth = 100;
    f.Word.ViewHeight = 100;
    f.Lay(c.Markup);
    const TWdGlyph& g = *f.Pages[0]->Row(0)->Item(0);
    EXPECT_EQ(g.Width, c.W) << c.Markup;
    EXPECT_EQ(g.Height, c.H) << c.Markup;
  }
}

TEST(Layout, DefaultOutlineAndShadowApplyToCharactersWithout) {
  TWordFixture f;
  f.Word.TextWidth = 100;
  f.Word.ViewHeight = 100;
  f.Word.DefaultOutline = 1;
  f.Word.DefaultShadow = 2;
  f.Lay("あ<FONT BORDER=0 SHADOW=0>い");
  EXPECT_EQ(f.Pages[0]->Row(0)->Item(0)->Width, 16);
  EXPECT_EQ(f.Pages[0]->Row(0)->Item(1)->Width, 12);
}

TEST(Layout, HugeSizesAndBordersFinishAtOnce) {
  TWordFixture f;
  f.Word.TextWidth = 640;
  f.Word.ViewHeight = 480;
  f.Lay("<FONT SIZE=100000 BORDER=100000 SHADOW=100000>ああ</FONT>");
  ASSERT_FALSE(f.Pages.empty());
  const TWdGlyph& g = *f.Pages[0]->Row(0)->Item(0);
  EXPECT_LE(g.Width, 1024);
  EXPECT_GT(g.Width, 0);
}

TEST(Layout, LaysOutARangeOnly) {
  TWordFixture f;
  f.Word.TextWidth = 100;
  f.Word.ViewHeight = 100;
  f.Word.Parse(cp932::FromUtf8("あいうえ"));
  f.Word.Layout(f.Pages, 1, 2);
  EXPECT_EQ(f.Dump(), "0 0 y0 h12: い@0,0 う@12,0\n");
  f.Word.Layout(f.Pages, 3, -1);
  EXPECT_EQ(f.Dump(), "0 0 y0 h12: い@0,0 う@12,0\n1 0 y0 h12: え@0,0\n");
}

}  // namespace
}  // namespace opal

namespace opal {
namespace {

// Pictures of a given height (4 wide), named by it: "h30.png".
class TTallPictures : public TWordHost {
 public:
  std::shared_ptr<const TWordPicture> LoadPicture(const std::string& file) override {
    auto pic = std::make_shared<TWordPicture>();
    auto px = std::make_shared<TDIBX>();
    px->SetSize(4, std::stoi(file.substr(1)), 32);
    pic->Frames.push_back({px, nullptr, false, 0});
    return pic;
  }
};

// A 12-pixel character beside a picture: centre pictures share their
// overhang above and below, top pictures hang down, bottom ones stand up.
TEST(Layout, InlinePicturesWidenTheBand) {
  struct Case {
    const char* Markup;
    const char* Expected;
  } cases[] = {
      {"a<IMG SRC=h30.png ALIGN=CENTER>", "0 0 y0 h30: a@0,9 I@12,0\n"},
      {"a<IMG SRC=h20.png ALIGN=TOP>", "0 0 y0 h20: a@0,0 I@12,0\n"},
      {"a<IMG SRC=h20.png ALIGN=BOTTOM>", "0 0 y0 h20: a@0,8 I@12,0\n"},
      {"a<IMG SRC=h8.png ALIGN=CENTER><IMG SRC=h20.png ALIGN=TOP>", "0 0 y0 h20: a@0,0 I@12,2 I@16,0\n"},
  };
  for (const Case& c : cases) {
    testing::TWordFixture f;
    TTallPictures host;
    TSkWord word(f.Fonts, &host);
    word.TextWidth = 100;
    word.ViewHeight = 100;
    word.Parse(c.Markup);
    f.Pages.clear();
    word.Layout(f.Pages, 0, -1);
    EXPECT_EQ(f.Dump(), c.Expected) << c.Markup;
    f.Pages.clear();
  }
}

}  // namespace
}  // namespace opal

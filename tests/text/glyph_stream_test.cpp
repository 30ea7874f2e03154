// Glyph streams of every version written by hand and read back, the word's
// own writer against its reader, damaged streams, the settings stream and
// a page's saved reveal state.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cp932.h"
#include "common/error.h"
#include "expr/build_parser.h"
#include "hand_bytes.h"
#include "raster/dibx.h"
#include "storage/stream.h"
#include "text/glyph_stream.h"
#include "text/tag_parser.h"
#include "word_fixture.h"

namespace opal {
namespace {

using testing::TWordFixture;

// A glyph stream written byte by byte, in the layout of one version.
struct TGlyphBytes : testing::THandBytesOf<TGlyphBytes> {
  explicit TGlyphBytes(int32_t version) : Version(version) {
    if (version > 0) {
      const std::string digits = std::to_string(version);
      Raw("SkWord" + std::string(3 - digits.size(), '0') + digits);
    }
  }
  TGlyphBytes& U16(uint16_t v) { return U8(static_cast<uint8_t>(v)).U8(static_cast<uint8_t>(v >> 8)); }

  struct TRecord {
    int32_t RefCount = 1, Color = -1, OutlineColor = -1, Size = 0;
    uint8_t Style = 0, NoBreak = 0;
    int32_t OutlineWidth = 0;
    std::string Face = {}, Ruby = {};
    int32_t ShadowWidth = 0, ShadowColor = -1;
  };
  TGlyphBytes& Record(const TRecord& r) {
    I32(r.RefCount).I32(r.Color).I32(r.OutlineColor).I32(r.Size).U8(r.Style).U8(r.NoBreak);
    if (Version >= 100) I32(r.OutlineWidth);
    else U8(static_cast<uint8_t>(r.OutlineWidth));
    Str(r.Face).Str(r.Ruby);
    if (Version >= 100) I32(r.ShadowWidth).I32(r.ShadowColor);
    return *this;
  }
  TGlyphBytes& Char(const std::string& link, int32_t wait, uint16_t code, int32_t decor, uint8_t kind = 1) {
    return U8(kind).Str(link).I32(wait).U16(code).I32(decor);
  }
  // From version 102 `expr` is source text, below it compiled bytes.
  TGlyphBytes& Var(int32_t decor, int32_t wait, const std::string& link, const std::string& expr) {
    U8(7).I32(decor);
    if (Version >= 101) I32(wait).Str(link);
    return Version >= 102 ? Str(expr) : Raw(expr);
  }

  std::vector<uint8_t> Bytes() const { return Data; }
  int32_t Version;
};

std::string Compile(const std::string& text) {
  TBuildOpalParser compiler;
  compiler.Build(text);
  TMemoryStream s;
  compiler.WriteOps(s);
  return std::string(s.Bytes().begin(), s.Bytes().end());
}

void Load(TSkWord& w, const std::vector<uint8_t>& bytes) {
  TMemoryStream s(bytes);
  w.LoadGlyphs(s);
  EXPECT_EQ(s.Remaining(), 0) << "the reader stops at the end of the glyphs";
}

std::vector<uint8_t> Save(const TSkWord& w) {
  TMemoryStream s;
  w.SaveGlyphs(s);
  return s.Bytes();
}

// A glyph of the class a test expects (std::bad_cast fails the test).
template <typename T>
const T& As(const TSkWord& w, size_t i) {
  return dynamic_cast<const T&>(*w.Glyph(i));
}

// Every record's count against the glyphs that use it.
void ExpectCountsMatchUsers(TSkWord& w) {
  for (size_t r = 0; r < w.Decorations().Count(); ++r) {
    const TDecorate* d = w.Decorations().Item(r);
    int32_t users = 0;
    for (size_t i = 0; i < w.GlyphCount(); ++i) users += w.Glyph(i)->Decorate() == d ? 1 : 0;
    EXPECT_EQ(d->RefCount, users) << "record " << r;
  }
}

// --- every version ------------------------------------------------------

class GlyphStreamVersions : public ::testing::TestWithParam<int32_t> {};

TEST_P(GlyphStreamVersions, ReadsEveryKind) {
  const int32_t v = GetParam();
  TGlyphBytes b(v);
  b.I32(2);
  b.Record({.RefCount = 5});  // the plain style
  b.Record({.RefCount = 5, .Color = 0x112233, .OutlineColor = 0x445566, .Size = 20, .Style = 3, .NoBreak = 1,
            .OutlineWidth = 5, .Face = "Face", .Ruby = "rb", .ShadowWidth = 2, .ShadowColor = 0x778899});
  const std::string compiled = Compile("a + 1");
  b.I32(13);
  b.Char("L", 7, 0x82A0, 1);
  b.Char("", -500, 'x', 0, 0x81);  // the kind's high bit is not part of it
  b.U8(2).U8(3);                   // centre
  b.U8(3).U8(1);                   // clearing line break
  b.U8(4).U8(5);                   // indent, undent
  b.U8(6).Str("\x01go");           // holding event
  b.U8(6).Str("plain");
  b.Var(1, 9, "V", v >= 102 ? "$a" : compiled);
  b.U8(9).Str("I").I32(5).Str("x.png").U8(4);
  b.U8(8).U8(0).U8(127);  // kinds without a glyph read nothing
  TWordFixture f;
  Load(f.Word, b.Bytes());
  TSkWord& w = f.Word;
  ASSERT_EQ(w.GlyphCount(), 10u);

  const TWdChar& c = As<TWdChar>(w, 0);
  EXPECT_EQ(c.Link, "L");
  EXPECT_EQ(c.WaitValue, 7);
  EXPECT_EQ(c.CodeValue, 0x82A0);
  const TDecorate& d = *c.Decor;
  EXPECT_EQ(d.Color, 0x112233);
  EXPECT_EQ(d.OutlineColor, 0x445566);
  EXPECT_EQ(d.Size, 20);
  EXPECT_EQ(d.Style, 3);
  EXPECT_EQ(d.NoBreak, 1);
  EXPECT_EQ(d.FaceName, "Face");
  EXPECT_EQ(d.Ruby, "rb");
  // One outline byte before version 100, and no shadow fields.
  EXPECT_EQ(d.OutlineWidth, v >= 100 ? 5 : 1);
  EXPECT_EQ(d.ShadowWidth, v >= 100 ? 2 : 0);
  EXPECT_EQ(d.ShadowColor, v >= 100 ? 0x778899 : -1);

  const TWdChar& x = As<TWdChar>(w, 1);
  EXPECT_EQ(x.CodeValue, 'x');
  EXPECT_EQ(x.WaitValue, -500);
  EXPECT_TRUE(x.Link.empty());
  EXPECT_TRUE(x.Decor->SameStyle(TDecorate{}));

  EXPECT_EQ(As<TWdOpeAlign>(w, 2).Alignment(), 3);
  EXPECT_TRUE(As<TWdOpeReturn>(w, 3).ClearFlag());
  EXPECT_EQ(w.Glyph(4)->Kind(), wkIndent);
  EXPECT_EQ(w.Glyph(5)->Kind(), wkUndent);
  EXPECT_EQ(As<TWdOpeEvent>(w, 6).EventText, "go");
  EXPECT_TRUE(As<TWdOpeEvent>(w, 6).HoldFlag);
  EXPECT_EQ(As<TWdOpeEvent>(w, 7).EventText, "plain");
  EXPECT_FALSE(As<TWdOpeEvent>(w, 7).HoldFlag);

  const TWdOpeVar& var = As<TWdOpeVar>(w, 8);
  EXPECT_EQ(var.Decor, c.Decor);
  EXPECT_EQ(var.WaitValue, v >= 101 ? 9 : 0);
  EXPECT_EQ(var.Link, v >= 101 ? "V" : "");
  EXPECT_EQ(var.Expression, v >= 102 ? "$a" : "");
  EXPECT_EQ(var.Compiled, v >= 102 ? "" : compiled);

  const TWdImg& img = As<TWdImg>(w, 9);
  EXPECT_EQ(img.Link, "I");
  EXPECT_EQ(img.WaitValue, 5);
  EXPECT_EQ(img.FileName, "x.png");
  EXPECT_EQ(img.ImgAlign, 4);

  EXPECT_EQ(w.Decorations().Count(), 2u);
  ExpectCountsMatchUsers(w);
}

INSTANTIATE_TEST_SUITE_P(Versions, GlyphStreamVersions, ::testing::Values(0, 50, 100, 101, 102, 110, 111),
                         [](const auto& info) { return "v" + std::to_string(info.param); });

TEST(GlyphStream, HeaderWithVersionOneHundredTenIsThatVersion) {
  // The same bytes mean a 4-byte outline at 110 and a 1-byte one without
  // the header; only the header tells them apart.
  TGlyphBytes b(110);
  b.I32(1).Record({.OutlineWidth = 7, .ShadowWidth = 3}).I32(1).Char("", 0, 'a', 0);
  TWordFixture f;
  Load(f.Word, b.Bytes());
  ASSERT_EQ(f.Word.GlyphCount(), 1u);
  EXPECT_EQ(f.Word.Glyph(0)->Decorate()->OutlineWidth, 7);
  EXPECT_EQ(f.Word.Glyph(0)->Decorate()->ShadowWidth, 3);
}

TEST(GlyphStream, StreamWithoutHeaderIsReadFromWhereItStarts) {
  // A stream inside other data: version 0 starts at the reader's position.
  TGlyphBytes b(0);
  b.Raw("prefix").I32(0).I32(1).U8(3).U8(0);
  TMemoryStream s(b.Bytes());
  s.SetPosition(6);
  TWordFixture f;
  f.Word.LoadGlyphs(s);
  EXPECT_EQ(s.Remaining(), 0);
  ASSERT_EQ(f.Word.GlyphCount(), 1u);
  EXPECT_EQ(f.Word.Glyph(0)->Kind(), wkReturn);
}

TEST(GlyphStream, DecorationIndicesCountFromTheStreamsOwnRecords) {
  TWordFixture f;
  f.Word.Parse(cp932::FromUtf8("<B>a</B><I>b</I>"));
  const size_t before = f.Word.Decorations().Count();
  ASSERT_EQ(before, 2u);
  TGlyphBytes b(110);
  b.I32(2).Record({.Size = 30}).Record({.Size = 40});
  b.I32(2).Char("", 0, 'c', 1).Char("", 0, 'd', 0);
  Load(f.Word, b.Bytes());
  EXPECT_EQ(f.Word.DecorationBase, 2);
  ASSERT_EQ(f.Word.GlyphCount(), 4u);
  EXPECT_EQ(f.Word.Glyph(2)->Decorate()->Size, 40);
  EXPECT_EQ(f.Word.Glyph(3)->Decorate()->Size, 30);
  EXPECT_EQ(f.Word.Glyph(0)->Decorate()->Style, 1);
  // A second stream counts from its own records again.
  TGlyphBytes b2(110);
  b2.I32(1).Record({.Size = 50}).I32(1).Char("", 0, 'e', 0);
  Load(f.Word, b2.Bytes());
  EXPECT_EQ(f.Word.DecorationBase, 4);
  EXPECT_EQ(f.Word.Glyph(4)->Decorate()->Size, 50);
  ExpectCountsMatchUsers(f.Word);
}

TEST(GlyphStream, CountsAreRecomputedAndUnusedRecordsFreed) {
  TGlyphBytes b(110);
  b.I32(4);
  b.Record({.RefCount = 99});                     // plain, used by two characters
  b.Record({.RefCount = 99, .Size = 20});         // used by the variable
  b.Record({.RefCount = 99, .Size = 30});         // used by nothing
  b.Record({.RefCount = -7, .Color = 0xFF});      // used by one character
  b.I32(4).Char("", 0, 'a', 0).Char("", 0, 'b', 0).Var(1, 0, "", "x").Char("", 0, 'c', 3);
  TWordFixture f;
  Load(f.Word, b.Bytes());
  TDecorateList& list = f.Word.Decorations();
  ASSERT_EQ(list.Count(), 3u);
  EXPECT_EQ(list.Item(0)->RefCount, 2);
  EXPECT_EQ(list.Item(1)->RefCount, 1);
  EXPECT_EQ(list.Item(1)->Size, 20);
  EXPECT_EQ(list.Item(2)->RefCount, 1);
  EXPECT_EQ(list.Item(2)->Color, 0xFF);
  // Freeing the glyphs frees every record.
  while (f.Word.GlyphCount() > 0) f.Word.Delete(0);
  EXPECT_EQ(list.Count(), 0u);
}

// --- the word's own writer --------------------------------------------------

const char kRichText[] =
    "<FONT SIZE=20 COLOR=#FF0000 BCOLOR=#00FF00 SCOLOR=#0000FF NAME=\"Face\" BORDER=2 SHADOW=3>あa</FONT>"
    "<B><I>b</I></B><RUBY VALUE=\"か\">漢字</RUBY><NOBR>nb</NOBR>"
    "<A HREF=\"go\">link</A><DIV ALIGN=RIGHT>r</DIV><INDENT>i<UNDENT><BR><CLEAR>"
    "<EVENT VALUE=\"ev\" END><EVENT VALUE=\"ev2\"><WAIT VALUE=-500>w</WAIT>"
    "<B><VAR NAME=$a></B><IMG SRC=x.png ALIGN=TOP><A HREF=\"p\"><IMG SRC=y.png></A>plain";

void ExpectSameGlyphs(const TSkWord& a, const TSkWord& b) {
  ASSERT_EQ(a.GlyphCount(), b.GlyphCount());
  for (size_t i = 0; i < a.GlyphCount(); ++i) {
    const TWdGlyph& x = *a.Glyph(i);
    const TWdGlyph& y = *b.Glyph(i);
    SCOPED_TRACE("glyph " + std::to_string(i));
    ASSERT_EQ(x.Kind(), y.Kind());
    EXPECT_EQ(x.Code(), y.Code());
    EXPECT_EQ(x.LinkTarget(), y.LinkTarget());
    EXPECT_EQ(x.Wait(), y.Wait());
    EXPECT_EQ(x.Text(), y.Text());
    EXPECT_EQ(x.Alignment(), y.Alignment());
    EXPECT_EQ(x.ClearFlag(), y.ClearFlag());
    ASSERT_EQ(x.Decorate() == nullptr, y.Decorate() == nullptr);
    if (x.Decorate() != nullptr) {
      EXPECT_TRUE(x.Decorate()->SameStyle(*y.Decorate()));
    }
  }
}

TEST(GlyphStream, WriterAndReaderAgree) {
  TWordFixture f;
  f.Word.Parse(cp932::FromUtf8(kRichText));
  ASSERT_GT(f.Word.GlyphCount(), 20u);
  const std::vector<uint8_t> bytes = Save(f.Word);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), "SkWord110");
  TWordFixture g;
  Load(g.Word, bytes);
  ExpectSameGlyphs(f.Word, g.Word);
  ExpectCountsMatchUsers(g.Word);
  EXPECT_EQ(g.Word.Decorations().Count(), f.Word.Decorations().Count());
  EXPECT_EQ(Save(g.Word), bytes);
}

// Compiling a message writes the parser's glyph list as records without a
// word; its bytes must be the word's own, style records in the same order.
TEST(GlyphStream, ParsedRecordsMatchTheWordsStream) {
  const char* texts[] = {
      kRichText,
      "",
      "plain",
      "<B>b</B>plain<B>b</B>",                           // a style taken up again
      "<FONT COLOR=#102030>a</FONT><I>b</I><FONT COLOR=#102030>c</FONT>",
      "<IMG SRC=x.png>only a picture",                   // no style record before the first character
      "<B><VAR NAME=$v></B><EVENT VALUE=\"e\">",
      "<RUBY VALUE=\"r\">x</RUBY><NOBR>y</NOBR><A HREF=l>z</A>",
  };
  for (const char* text : texts) {
    const std::string markup = cp932::FromUtf8(text);
    TWordFixture f;
    f.Word.Parse(markup);
    TTagGlyphList parsed;
    ParseTagText(markup, f.Word.DefaultWait, parsed);
    TMemoryStream s;
    WriteGlyphStream(s, GlyphStreamOf(parsed));
    EXPECT_EQ(s.Bytes(), Save(f.Word)) << text;
  }
}

TEST(GlyphStream, GlyphsAVariableMadeAreNotSaved) {
  TWordFixture f;
  f.Word.Parse(cp932::FromUtf8("a<VAR NAME=$v>b"));
  const std::vector<uint8_t> before = Save(f.Word);
  f.Word.FixedValues = {"$v=xy\x01z"};
  f.Word.ExpandVars(0, -1);
  ASSERT_EQ(f.Word.GlyphCount(), 7u);  // a, var, x, y, line break, z, b
  EXPECT_EQ(Save(f.Word), before);
}

TEST(GlyphStream, CompiledVariablesOfOldStreamsSurviveSaving) {
  const std::string compiled = Compile("a + 1");
  TGlyphBytes b(101);
  b.I32(1).Record({.Size = 16}).I32(3).Char("", 0, 'a', 0).Var(0, 4, "k", compiled).Var(0, 0, "", std::string(4, '\0'));
  TWordFixture f;
  Load(f.Word, b.Bytes());
  const std::vector<uint8_t> bytes = Save(f.Word);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 9), "SkWord101");
  TWordFixture g;
  Load(g.Word, bytes);
  ExpectSameGlyphs(f.Word, g.Word);
  ASSERT_EQ(g.Word.GlyphCount(), 3u);
  EXPECT_EQ(As<TWdOpeVar>(g.Word, 1).Compiled, compiled);
  EXPECT_EQ(As<TWdOpeVar>(g.Word, 1).WaitValue, 4);
  EXPECT_EQ(As<TWdOpeVar>(g.Word, 1).Link, "k");
}

TEST(GlyphStream, CopiedGlyphsShareTheCopysRecords) {
  TWordFixture f;
  f.Word.Parse(cp932::FromUtf8(kRichText));
  TWordFixture g;
  g.Word.Parse(cp932::FromUtf8("plain<B>bold</B>"));
  const size_t n = g.Word.GlyphCount();
  g.Word.CopyGlyphs(f.Word, 0, -1);
  g.Word.CopyGlyphs(f.Word, 2, 4);
  ASSERT_EQ(g.Word.GlyphCount(), n + f.Word.GlyphCount() + 3);
  ExpectCountsMatchUsers(g.Word);
  for (size_t i = 0; i < g.Word.Decorations().Count(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      EXPECT_FALSE(g.Word.Decorations().Item(i)->SameStyle(*g.Word.Decorations().Item(j))) << i << " " << j;
    }
  }
  TWordFixture h;
  TMemoryStream tail;
  h.Word.CopyGlyphs(g.Word, static_cast<int32_t>(n), -1);
  h.Word.SaveGlyphs(tail);
  TWordFixture back;
  tail.SetPosition(0);
  back.Word.LoadGlyphs(tail);
  TWordFixture whole;
  whole.Word.Parse(cp932::FromUtf8(kRichText));
  whole.Word.CopyGlyphs(f.Word, 2, 4);
  ExpectSameGlyphs(back.Word, whole.Word);
}

TEST(GlyphStream, CopiesOnThePlainStyleCountOnce) {
  // A new glyph starts on the plain style; a copy that keeps it must not
  // count that record twice.
  TWordFixture f;
  f.Word.Parse("xyz");
  for (size_t i = 0; i < f.Word.GlyphCount(); ++i) dynamic_cast<TWdChar&>(*f.Word.Glyph(i)).SetDecorate(TDecorate{});
  TWordFixture g;
  g.Word.CopyGlyphs(f.Word, 0, 1);
  g.Word.CopyGlyphs(f.Word, 2, -1);
  ASSERT_EQ(g.Word.GlyphCount(), 3u);
  ASSERT_EQ(g.Word.Decorations().Count(), 1u);
  EXPECT_EQ(g.Word.Decorations().Item(0)->RefCount, 3);
  while (g.Word.GlyphCount() > 0) g.Word.Delete(0);
  EXPECT_EQ(g.Word.Decorations().Count(), 0u);
}

// --- damaged streams ----------------------------------------------------------

TEST(GlyphStream, EveryTruncationIsAFormatErrorAndChangesNothing) {
  TWordFixture src;
  src.Word.Parse(cp932::FromUtf8(kRichText));
  TGlyphBytes old(101);
  old.I32(1).Record({.Size = 16}).I32(2).Char("l", 1, 'a', 0).Var(0, 4, "k", Compile("a + 1"));
  TGlyphBytes v0(0);
  v0.I32(1).Record({.OutlineWidth = 1, .Face = "f"}).I32(2).Char("l", 1, 'a', 0).Var(0, 0, "", Compile("a + 1"));
  for (const std::vector<uint8_t>& full : {Save(src.Word), old.Bytes(), v0.Bytes()}) {
    for (size_t n = 0; n < full.size(); ++n) {
      TWordFixture f;
      f.Word.Parse(cp932::FromUtf8("<B>ab</B>c"));
      TMemoryStream s(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)));
      EXPECT_THROW(f.Word.LoadGlyphs(s), EFormatError) << n << " of " << full.size();
      ASSERT_EQ(f.Word.GlyphCount(), 3u) << n;
      ASSERT_EQ(f.Word.Decorations().Count(), 2u) << n;
      ExpectCountsMatchUsers(f.Word);
      EXPECT_EQ(f.Word.DecorationBase, 0);
    }
  }
}

struct TBadStream {
  const char* Name;
  std::vector<uint8_t> Bytes;
};

std::vector<TBadStream> BadStreams() {
  const auto v110 = [] { return TGlyphBytes(110); };
  return {
      {"negative decoration count", v110().I32(-1).I32(0).Bytes()},
      {"huge decoration count", v110().I32(0x7FFFFFFF).I32(0).Bytes()},
      {"more decorations than bytes", v110().I32(2).Record({}).I32(0).Bytes()},
      {"negative glyph count", v110().I32(0).I32(-1).Bytes()},
      {"huge glyph count", v110().I32(0).I32(0x7FFFFFFF).U8(4).Bytes()},
      {"more glyphs than bytes", v110().I32(0).I32(3).U8(4).U8(5).Bytes()},
      {"decoration index past the records", v110().I32(1).Record({}).I32(1).Char("", 0, 'a', 1).Bytes()},
      {"negative decoration index", v110().I32(1).Record({}).I32(1).Char("", 0, 'a', -1).Bytes()},
      {"decoration index without records", v110().I32(0).I32(1).Char("", 0, 'a', 0).Bytes()},
      {"variable's decoration index", v110().I32(1).Record({}).I32(1).Var(5, 0, "", "x").Bytes()},
      {"huge string length", v110().I32(0).I32(1).U8(6).I32(0x7FFFFFF0).Raw("abc").Bytes()},
      {"huge face length", v110().I32(1).I32(1).I32(-1).I32(-1).I32(0).U8(0).U8(0).I32(0).I32(1 << 30)
                               .Raw("0123456789012345678901234567890123456789").Bytes()},
      {"damaged compiled expression", TGlyphBytes(101).I32(1).Record({}).I32(1).Var(0, 0, "", "").I32(1000).Bytes()},
      {"letters in the version", TGlyphBytes(0).Raw("SkWordx1y").I32(0).I32(0).Bytes()},
      {"empty stream", {}},
  };
}

TEST(GlyphStream, BadStreamsAreFormatErrors) {
  for (const TBadStream& c : BadStreams()) {
    TWordFixture f;
    f.Word.Parse("ab");
    TMemoryStream s(c.Bytes);
    EXPECT_THROW(f.Word.LoadGlyphs(s), EFormatError) << c.Name;
    EXPECT_EQ(f.Word.GlyphCount(), 2u) << c.Name;
    EXPECT_EQ(f.Word.Decorations().Count(), 1u) << c.Name;
    ExpectCountsMatchUsers(f.Word);
  }
}

// --- settings -----------------------------------------------------------------

void SetEverySetting(TSkWord& w) {
  w.OriginX = 3;
  w.OriginY = -4;
  w.DefaultSize = 18;
  w.DefaultFace = "Face";
  w.DefaultColor = 0x010203;
  w.ViewHeight = 240;
  w.TextWidth = 320;
  w.Quality = 2;
  w.LineSpacing = 5;
  w.Paging = false;
  w.LinkColor = 0x0A0B0C;
  w.ActiveLinkColor = 0x0D0E0F;
  w.FadeTime = 77;
  w.OutlineColor = 0x102030;
  w.BlendValue = 300;
  w.Hold = true;
  w.CaretX = 11;
  w.CaretY = 22;
  w.Speed = 128;
  w.EventsEnabled = true;
  w.ShadowColor = 0x405060;
  w.DefaultOutline = 2;
  w.DefaultShadow = 3;
}

struct TSettingsCase {
  int32_t Version;
  bool Shadow, Widths;
};

class SettingsVersions : public ::testing::TestWithParam<TSettingsCase> {};

TEST_P(SettingsVersions, ReadsWhatTheVersionHolds) {
  const TSettingsCase c = GetParam();
  TWordFixture a;
  SetEverySetting(a.Word);
  TMemoryStream s;
  a.Word.SaveSettings(s);
  const int64_t size = s.Size();
  s.SetPosition(0);
  TWordFixture b;
  b.Word.LoadSettings(s, c.Version);
  EXPECT_EQ(s.Position(), size - (c.Shadow ? 0 : 4) - (c.Widths ? 0 : 8));
  const TSkWord& w = b.Word;
  EXPECT_EQ(w.OriginX, 3);
  EXPECT_EQ(w.OriginY, -4);
  EXPECT_EQ(w.DefaultSize, 18);
  EXPECT_EQ(w.DefaultFace, "Face");
  EXPECT_EQ(w.DefaultColor, 0x010203);
  EXPECT_EQ(w.ViewHeight, 240);
  EXPECT_EQ(w.TextWidth, 320);
  EXPECT_EQ(w.Quality, 2);
  EXPECT_EQ(w.LineSpacing, 5);
  EXPECT_FALSE(w.Paging);
  EXPECT_EQ(w.LinkColor, 0x0A0B0C);
  EXPECT_EQ(w.ActiveLinkColor, 0x0D0E0F);
  EXPECT_EQ(w.FadeTime, 77);
  EXPECT_EQ(w.OutlineColor, 0x102030);
  EXPECT_EQ(w.BlendValue, 300);
  EXPECT_TRUE(w.Hold);
  EXPECT_EQ(w.CaretX, 11);
  EXPECT_EQ(w.CaretY, 22);
  EXPECT_EQ(w.Speed, 128);
  EXPECT_TRUE(w.EventsEnabled);
  EXPECT_EQ(w.ShadowColor, c.Shadow ? 0x405060 : 0);
  EXPECT_EQ(w.DefaultOutline, c.Widths ? 2 : 0);
  EXPECT_EQ(w.DefaultShadow, c.Widths ? 3 : 0);
}

INSTANTIATE_TEST_SUITE_P(Versions, SettingsVersions,
                         ::testing::Values(TSettingsCase{0, false, false}, TSettingsCase{109, false, false},
                                           TSettingsCase{110, true, false}, TSettingsCase{111, true, true},
                                           TSettingsCase{130, true, true}),
                         [](const auto& info) { return "v" + std::to_string(info.param.Version); });

TEST(Settings, DamagedSettingsChangeNothing) {
  TWordFixture a;
  SetEverySetting(a.Word);
  TMemoryStream full;
  a.Word.SaveSettings(full);
  for (size_t n = 0; n < full.Bytes().size(); ++n) {
    TWordFixture b;
    TMemoryStream s(std::vector<uint8_t>(full.Bytes().begin(), full.Bytes().begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_THROW(b.Word.LoadSettings(s, 111), EFormatError) << n;
    EXPECT_EQ(b.Word.OriginX, 0) << n;
    EXPECT_EQ(b.Word.DefaultSize, 12) << n;
    EXPECT_EQ(b.Word.DefaultFace, "Fake") << n;
  }
  // A text area no window has.
  for (auto [width, height] : {std::pair{-1, 10}, std::pair{10, -1}, std::pair{1 << 20, 10}, std::pair{10, 1 << 20}}) {
    TWordFixture c;
    c.Word.TextWidth = width;
    c.Word.ViewHeight = height;
    TMemoryStream s;
    c.Word.SaveSettings(s);
    s.SetPosition(0);
    TWordFixture d;
    EXPECT_THROW(d.Word.LoadSettings(s, 111), EFormatError) << width << " x " << height;
    EXPECT_EQ(d.Word.TextWidth, 0);
  }
}

// --- page reveal state ------------------------------------------------------

// A page of three rows, the second half shown, its middle glyph fading.
struct TPageFixture : TWordFixture {
  TPageFixture() {
    Word.TextWidth = 36;
    Word.ViewHeight = 1000;
    Lay("あいうえおかき");
  }
  TWdPage& Page() { return *Pages.at(0); }
  TWdReal& Real(size_t row, size_t i) { return dynamic_cast<TWdReal&>(*Page().Row(row)->Item(i)); }
};

std::vector<uint8_t> WriteState(const TSkWord& w, const TWdPage& p) {
  TMemoryStream s;
  w.WritePageState(p, s);
  return s.Bytes();
}

TEST(PageState, RoundTripOnALaidOutPage) {
  TPageFixture a;
  ASSERT_EQ(a.Pages.size(), 1u);
  ASSERT_EQ(a.Page().Count(), 3u);
  ASSERT_EQ(a.Page().Row(1)->Count(), 3u);
  TWdPage& p = a.Page();
  p.ScrollOffset = 12;
  p.NextRow = 1;
  p.NextGlyph = 2;
  p.PendingEvents = "a\tb";
  a.Real(0, 0).SetOpacity(255);
  a.Real(0, 1).SetOpacity(255);
  a.Real(0, 2).SetOpacity(255);
  a.Real(1, 0).SetOpacity(200);
  a.Real(1, 1).SetOpacity(40);
  p.Fading = {&a.Real(1, 0), &a.Real(1, 1)};
  a.Real(1, 2).SetOpacity(0);
  a.Real(2, 0).SetOpacity(0);
  const std::vector<uint8_t> bytes = WriteState(a.Word, p);
  EXPECT_EQ(bytes.size(), 4u * 3 + 1 + 4 + 3 + 4u * 7);

  TPageFixture b;
  b.Word.CaretX = 5;
  b.Word.CaretY = 6;
  b.Word.CaretHeight = 7;
  TWdPage& q = b.Page();
  q.Fading = {&b.Real(2, 0)};
  TMemoryStream s(bytes);
  b.Word.ReadPageState(q, s);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_EQ(q.ScrollOffset, 12);
  EXPECT_EQ(q.NextRow, 1);
  EXPECT_EQ(q.NextGlyph, 2);
  EXPECT_FALSE(q.Finished);
  EXPECT_EQ(q.PendingEvents, "a\tb");
  EXPECT_TRUE(q.Fading.empty());
  EXPECT_EQ(q.SkipCount, 0);
  const int32_t want[3][3] = {{255, 255, 255}, {255, 255, 0}, {0, -1, -1}};
  for (size_t r = 0; r < q.Count(); ++r) {
    for (size_t i = 0; i < q.Row(r)->Count(); ++i) {
      EXPECT_EQ(q.Row(r)->Item(i)->Opacity(), want[r][i]) << r << " " << i;
    }
  }
  // The caret is a setting of the word, not of the page.
  EXPECT_EQ(b.Word.CaretX, 5);
  EXPECT_EQ(b.Word.CaretY, 6);
  EXPECT_EQ(b.Word.CaretHeight, 7);
  // Written again, the glyphs that were fading are simply shown.
  EXPECT_EQ(WriteState(b.Word, q), bytes);
}

TEST(PageState, FinishedPageStaysFinished) {
  TPageFixture a;
  a.Word.Speed = 0;
  a.Word.FadeTime = 0;
  for (int i = 0; i < 5; ++i) a.Word.RevealStep(a.Page(), 10);
  ASSERT_TRUE(a.Page().Finished);
  const std::vector<uint8_t> bytes = WriteState(a.Word, a.Page());
  TPageFixture b;
  TMemoryStream s(bytes);
  b.Word.ReadPageState(b.Page(), s);
  EXPECT_TRUE(b.Page().Finished);
  // Nothing is reported again.
  const TRevealResult r = b.Word.RevealStep(b.Page(), 10);
  EXPECT_FALSE(r.Finished);
  EXPECT_FALSE(r.More);
  EXPECT_TRUE(r.Revealed.empty());
}

struct TPositionCase {
  int32_t Scroll, Row, Glyph;
  int32_t WantScroll, WantRow, WantGlyph;
};

TEST(PageState, PositionsOutsideThePageAreCut) {
  const TPositionCase cases[] = {
      {0, 1, 1, 0, 1, 1},        {0, 3, 0, 0, 3, 0},          {0, 9, 4, 0, 3, 0},
      {0, -1, 0, 0, 3, 0},       {0, 1, 3, 0, 2, 0},          {0, 2, 99, 0, 3, 0},
      {0, 1, -5, 0, 1, 0},       {-4, 0, 0, 0, 0, 0},         {INT32_MIN, 0, 0, 0, 0, 0},
      {INT32_MAX, 0, 0, 36, 0, 0}, {20, 0, 0, 20, 0, 0},
  };
  for (const TPositionCase& c : cases) {
    TPageFixture f;
    testing::THandBytes b;
    b.I32(c.Scroll).I32(c.Row).I32(c.Glyph).U8(0).Str("");
    b.I32(300).I32(-5);
    for (int i = 2; i < 7; ++i) b.I32(i * 40);
    TMemoryStream s(b.Data);
    f.Word.ReadPageState(f.Page(), s);
    const std::string name = std::to_string(c.Scroll) + " " + std::to_string(c.Row) + " " + std::to_string(c.Glyph);
    EXPECT_EQ(f.Page().ScrollOffset, c.WantScroll) << name;
    EXPECT_EQ(f.Page().NextRow, c.WantRow) << name;
    EXPECT_EQ(f.Page().NextGlyph, c.WantGlyph) << name;
    EXPECT_EQ(f.Real(0, 0).Opacity(), 255) << name;
    EXPECT_EQ(f.Real(0, 1).Opacity(), 0) << name;
    EXPECT_EQ(f.Real(1, 1).Opacity(), 160) << name;
    EXPECT_EQ(f.Real(2, 0).Opacity(), 240) << name;
  }
}

TEST(PageState, TruncatedStateIsAFormatErrorAndChangesNothing) {
  TPageFixture a;
  a.Page().NextRow = 2;
  a.Page().PendingEvents = "ev";
  const std::vector<uint8_t> bytes = WriteState(a.Word, a.Page());
  for (size_t n = 0; n < bytes.size(); ++n) {
    TPageFixture b;
    b.Real(0, 0).SetOpacity(17);
    b.Page().NextGlyph = 1;
    TMemoryStream s(std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n)));
    EXPECT_THROW(b.Word.ReadPageState(b.Page(), s), EFormatError) << n;
    EXPECT_EQ(b.Real(0, 0).Opacity(), 17) << n;
    EXPECT_EQ(b.Page().NextGlyph, 1) << n;
    EXPECT_EQ(b.Page().NextRow, 0) << n;
  }
}

// A host whose only picture has two frames.
class TAnimatedHost : public TWordHost {
 public:
  std::shared_ptr<const TWordPicture> LoadPicture(const std::string& file) override {
    if (file != "anim.png") return nullptr;
    auto pic = std::make_shared<TWordPicture>();
    for (int i = 0; i < 2; ++i) {
      auto px = std::make_shared<TDIBX>();
      px->SetSize(6, 6, 32);
      pic->Frames.push_back({px, nullptr, false, 3});
    }
    return pic;
  }
};

TEST(PageState, VisibleAnimatedGlyphsAreAnimatedAgain) {
  TAnimatedHost host;
  TFakeFontBackend backend;
  TFontPixelManager fonts{backend};
  TSkWord w{fonts, &host};
  w.DefaultFace = "Fake";
  w.TextWidth = 100;
  w.ViewHeight = 100;
  w.Parse("<IMG SRC=anim.png>a<IMG SRC=anim.png>");
  TWdPageList pages;
  w.Layout(pages, 0, -1);
  ASSERT_EQ(pages.size(), 1u);
  TWdPage& p = *pages[0];
  ASSERT_EQ(p.Count(), 1u);
  ASSERT_EQ(p.Row(0)->Count(), 3u);
  ASSERT_TRUE(p.Row(0)->Item(0)->IsAnimated());
  p.Row(0)->Item(0)->SetOpacity(90);
  p.Row(0)->Item(1)->SetOpacity(255);
  p.Row(0)->Item(2)->SetOpacity(0);
  const std::vector<uint8_t> bytes = WriteState(w, p);
  p.Animated = {dynamic_cast<TWdReal*>(p.Row(0)->Item(2))};
  TMemoryStream s(bytes);
  w.ReadPageState(p, s);
  ASSERT_EQ(p.Animated.size(), 1u);
  EXPECT_EQ(p.Animated[0], p.Row(0)->Item(0));
}

}  // namespace
}  // namespace opal

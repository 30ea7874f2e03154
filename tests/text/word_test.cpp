// The word's glyph list: shared styles, variables expanding through the
// host or the fixed values, and source positions.
#include <gtest/gtest.h>

#include "word_fixture.h"

namespace opal {
namespace {

TEST(Word, CharactersShareOneRecordPerStyle) {
  testing::TWordFixture f;
  f.Word.Parse("ab<B>cd</B>e");
  EXPECT_EQ(f.Word.Decorations().Count(), 2u);
  EXPECT_EQ(f.Word.Glyph(0)->Decorate(), f.Word.Glyph(4)->Decorate());
  EXPECT_EQ(f.Word.Glyph(0)->Decorate()->RefCount, 3);
  // Changing one character's style in place when it is the only user,
  // else moving it to a new or existing record.
  auto* c = static_cast<TWdChar*>(f.Word.Glyph(2));
  TDecorate italic = *c->Decor;
  italic.Style = 2;
  c->SetDecorate(italic);
  EXPECT_EQ(f.Word.Decorations().Count(), 3u);
  auto* d = static_cast<TWdChar*>(f.Word.Glyph(3));
  d->SetDecorate(italic);
  EXPECT_EQ(d->Decor, c->Decor);
  EXPECT_EQ(f.Word.Decorations().Count(), 2u);  // the bold record had no users left
  f.Word.Delete(0);
  f.Word.Delete(0);
  f.Word.Delete(2);
  EXPECT_EQ(f.Word.Decorations().Count(), 1u);
}

class TValues : public TWordHost {
 public:
  std::optional<std::string> EvaluateText(const std::string& source) override {
    if (source == "name$") return std::string("\x82\xa0x\r\x01y");  // あ x CR (1) y
    return std::nullopt;
  }
};

TEST(Word, VariablesExpandAndCollapse) {
  TFakeFontBackend backend;
  TFontPixelManager fonts(backend);
  TValues host;
  TSkWord word(fonts, &host);
  word.Parse("[<A HREF=l><B><VAR NAME=name$></B></A><VAR NAME=bad>]");
  ASSERT_EQ(word.GlyphCount(), 4u);
  word.ExpandVars(0, -1);
  // The value's characters carry the variable's style and link; CR is a
  // line break, control characters show nothing; a failing expression
  // shows nothing.
  ASSERT_EQ(word.GlyphCount(), 8u);
  EXPECT_EQ(word.Glyph(2)->Code(), 0x82A0);
  EXPECT_EQ(word.Glyph(2)->Decorate()->Style, 1);
  EXPECT_EQ(word.Glyph(2)->LinkTarget(), "l");
  EXPECT_EQ(word.Glyph(3)->Code(), 'x');
  EXPECT_EQ(word.Glyph(4)->Kind(), wkReturn);
  EXPECT_FALSE(word.Glyph(4)->ClearFlag());
  EXPECT_EQ(word.Glyph(5)->Code(), 'y');
  // Source positions skip what the variable made.
  EXPECT_EQ(word.SourceToGlyph(2), 6);
  EXPECT_EQ(word.SourceToGlyph(3), 7);
  EXPECT_EQ(word.SourceToGlyph(4), -1);
  EXPECT_EQ(word.GlyphToSource(word.Glyph(7)), 3);
  word.CollapseVars(0, -1);
  EXPECT_EQ(word.GlyphCount(), 4u);

  // A fixed value wins over evaluating, with character 1 for CR.
  word.FixedValues = {"name$=a\x01" "b"};
  word.ExpandVars(0, -1);
  ASSERT_EQ(word.GlyphCount(), 7u);
  EXPECT_EQ(word.Glyph(3)->Kind(), wkReturn);
  // Expanding twice does not stack values; clearing frees everything.
  word.ExpandVars(0, -1);
  EXPECT_EQ(word.GlyphCount(), 7u);
  // A value that begins with a control character (from a saved history
  // piece, or a string a script built) inserts only what follows it.
  word.CollapseVars(0, -1);
  word.FixedValues = {"name$=\x02z\x03"};
  word.ExpandVars(0, -1);
  ASSERT_EQ(word.GlyphCount(), 5u);
  EXPECT_EQ(word.Glyph(2)->Code(), 'z');
  EXPECT_EQ(dynamic_cast<const TWdOpeVar&>(*word.Glyph(1)).Inserted.size(), 1u);
  word.CollapseVars(0, -1);
  EXPECT_EQ(word.GlyphCount(), 4u);
  word.Clear();
  EXPECT_EQ(word.GlyphCount(), 0u);
  EXPECT_EQ(word.Decorations().Count(), 0u);
}

}  // namespace
}  // namespace opal

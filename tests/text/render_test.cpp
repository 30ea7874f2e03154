// Rendering a page: ruby cells, colours of text and links, drawing onto a
// target, inline pictures and their blend values.
#include <gtest/gtest.h>

#include "word_fixture.h"

namespace opal {
namespace {

using testing::TWordFixture;

bool SameCoverage(TDIBX& a, TDIBX& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int32_t y = 0; y < a.Height(); ++y)
    for (int32_t x = 0; x < a.Width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

struct TRubyCase {
  const char* Markup;
  int32_t Size;
  std::vector<std::pair<uint16_t, int32_t>> Ruby;  // code, cell left
  std::vector<uint16_t> Main;
};

// Ruby character j of k over a run Wr wide sits at (2j + 1)·Wr / 2k,
// rounded half to even, less a quarter (single-byte) or half (double-byte)
// of its cell; the main characters move down by the ruby's height.
TEST(Render, RubyCellsOverTheRun) {
  const TRubyCase cases[] = {
      {"<FONT SIZE=24><RUBY VALUE=ab>あい</RUBY></FONT>", 24, {{'a', 12 - 3}, {'b', 36 - 3}}, {0x82A0, 0x82A2}},
      {"<FONT SIZE=24><RUBY VALUE=\"かな\">あい</RUBY></FONT>", 24, {{0x82A9, 12 - 6}, {0x82C8, 36 - 6}}, {0x82A0, 0x82A2}},
      // 1.5 and 4.5 round to 2 and 4.
      {"<FONT SIZE=6><RUBY VALUE=ab>あ</RUBY></FONT>", 6, {{'a', 2}, {'b', 4}}, {0x82A0}},
  };
  for (const TRubyCase& c : cases) {
    TWordFixture f;
    f.Word.TextWidth = 64;
    f.Word.ViewHeight = 48;
    f.Lay(cp932::ToUtf8(cp932::FromUtf8(c.Markup)));
    f.Word.RenderPage(*f.Pages[0], true);

    TDIBX colour, coverage;
    colour.SetSize(64, 48, 32);
    coverage.SetSize(64, 48, 8);
    colour.Clear(0);
    coverage.Clear(0);
    const int32_t rs = std::max(1, c.Size / 2);
    TRect touched;
    for (const auto& [code, left] : c.Ruby)
      f.Fonts.ComposeGlyph(*f.Fonts.GetGlyph(code, "Fake", 0, rs), colour, coverage, false, touched, 0, 0, 0, true,
                           true, 0, 0, TRect{left, 0, left + rs, rs});
    int32_t x = 0;
    for (uint16_t code : c.Main) {
      f.Fonts.ComposeGlyph(*f.Fonts.GetGlyph(code, "Fake", 0, c.Size), colour, coverage, false, touched, 0, 0, 0,
                           true, true, 0, 0, TRect{x, rs, x + c.Size, rs + c.Size});
      x += c.Size;
    }
    EXPECT_TRUE(SameCoverage(coverage, f.Word.PageCoverage())) << c.Markup;
  }
}

// A point of full coverage inside a glyph's rendered area.
bool FullPoint(TSkWord& w, const TWdChar& g, int32_t& px, int32_t& py) {
  for (py = g.Rendered.Top; py < g.Rendered.Bottom; ++py)
    for (px = g.Rendered.Left; px < g.Rendered.Right; ++px)
      if (w.PageCoverage().GetPixel(px, py) == 255) return true;
  return false;
}

TEST(Render, TextColoursOfCharactersAndLinks) {
  TWordFixture f;
  f.Word.TextWidth = 100;
  f.Word.ViewHeight = 20;
  f.Word.OriginX = 3;
  f.Word.OriginY = 4;
  f.Word.DefaultColor = 0x0000FF;
  f.Word.Quality = 1;  // five levels: full coverage within each synthetic glyph
  f.Lay("<A HREF=x>あ</A>い<FONT COLOR=#00FF00>う</FONT><A HREF=y><FONT COLOR=#112233>え</FONT></A>");
  TWdPage& page = *f.Pages[0];
  TDIBX target;
  target.SetSize(120, 40, 32);
  target.Clear(0);
  f.Word.Target = &target;
  f.Word.RenderPage(page, false);
  page.Row(0)->Item(3)->SetActive(true);
  f.Word.RenderPage(page, false);
  f.Word.DrawPage(page);
  // Link colour, default colour, own colour, and the active link colour
  // over an own colour, each as full coverage paints it.
  const int32_t colours[] = {0xFF0000, 0x0000FF, 0x00FF00, 0x008000};
  uint32_t expected[4];
  TDIBX full, one;
  full.SetSize(1, 1, 8);
  full.Clear(255);
  one.SetSize(1, 1, 32);
  for (size_t i = 0; i < 4; ++i) {
    one.Clear(0);
    one.FillMask(0, 0, 255, static_cast<uint32_t>(one.ColorToPixel(colours[i])), false, false, TRect{0, 0, 1, 1}, &full);
    expected[i] = one.GetPixel(0, 0);
  }
  for (size_t i = 0; i < 4; ++i) {
    const auto& g = static_cast<const TWdChar&>(*page.Row(0)->Item(i));
    int32_t x = 0, y = 0;
    ASSERT_TRUE(FullPoint(f.Word, g, x, y)) << i;
    EXPECT_EQ(target.GetPixel(3 + x, 4 + y), expected[i])
        << i << " at " << x << "," << y;
  }
  // Links are underlined: the band spans the cell at its bottom.
  EXPECT_EQ(f.Word.PageCoverage().GetPixel(1, 11), 255u);
  EXPECT_EQ(f.Word.PageCoverage().GetPixel(13, 11), 0u);
}

TEST(Render, DrawingHonoursOpacityAndTheTextArea) {
  TWordFixture f;
  f.Word.TextWidth = 100;
  f.Word.ViewHeight = 12;
  f.Word.DefaultColor = 0xFFFFFF;
  f.Lay("あい");
  ASSERT_EQ(f.Pages[0]->Row(0)->Count(), 2u);
  f.Word.TextWidth = 18;  // cuts い in half
  TWdPage& page = *f.Pages[0];
  TDIBX target;
  target.SetSize(40, 20, 32);
  target.Clear(0);
  f.Word.Target = &target;
  f.Word.RenderPage(page, true);
  f.Word.DrawPage(page);
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 40; ++x) ASSERT_EQ(target.GetPixel(x, y), 0u);  // nothing shown yet
  page.Row(0)->Item(0)->SetOpacity(255);
  page.Row(0)->Item(1)->SetOpacity(255);
  f.Word.DrawPage(page);
  bool inkRight = false, inkInside = false;
  for (int32_t y = 0; y < 20; ++y)
    for (int32_t x = 0; x < 40; ++x) {
      if (target.GetPixel(x, y) == 0) continue;
      (x >= 18 || y >= 12 ? inkRight : inkInside) = true;
    }
  EXPECT_TRUE(inkInside);
  EXPECT_FALSE(inkRight);
}

// A host with one 4 × 4 picture, red, and a mask-less key of 0.
class TPictureHost : public TWordHost {
 public:
  std::shared_ptr<const TWordPicture> LoadPicture(const std::string& file) override {
    if (file != "p.png") return nullptr;
    auto pic = std::make_shared<TWordPicture>();
    auto px = std::make_shared<TDIBX>();
    px->SetSize(4, 4, 32);
    px->Clear(static_cast<uint32_t>(px->ColorToPixel(0x0000FF)));
    pic->Frames.push_back({px, nullptr, false, 0});
    return pic;
  }
};

TEST(Render, PicturesMeasureDrawAndBlend) {
  struct Case {
    int32_t Blend, Opacity;
    int32_t Kind;  // 0 copy, 1 alpha, 2 add
    int32_t Amount;
  } cases[] = {{255, 255, 0, 0}, {128, 255, 1, 127}, {255, 100, 1, 100}, {300, 255, 2, 43}, {512, 128, 2, 128}};
  for (const Case& c : cases) {
    TFakeFontBackend backend;
    TFontPixelManager fonts(backend);
    TPictureHost host;
    TSkWord word(fonts, &host);
    word.DefaultFace = "Fake";
    word.TextWidth = 40;
    word.ViewHeight = 20;
    word.BlendValue = c.Blend;
    word.Parse("a<IMG SRC=p.png ALIGN=TOP><IMG SRC=missing.png>");
    TWdPageList pages;
    word.Layout(pages, 0, -1);
    const TWdGlyph& img = *pages[0]->Row(0)->Item(1);
    EXPECT_EQ(img.Width, 4);
    EXPECT_EQ(pages[0]->Row(0)->Item(2)->Width, 0);  // a missing picture takes no room
    TDIBX target, expected;
    for (TDIBX* t : {&target, &expected}) {
      t->SetSize(40, 20, 32);
      t->Clear(static_cast<uint32_t>(t->ColorToPixel(0x404040)));
    }
    word.Target = &target;
    word.RenderPage(*pages[0], true);
    pages[0]->Row(0)->Item(1)->SetOpacity(c.Opacity);
    word.DrawPage(*pages[0]);
    TDIBX red;
    red.SetSize(4, 4, 32);
    red.Clear(static_cast<uint32_t>(red.ColorToPixel(0x0000FF)));
    const TRect whole{0, 0, 4, 4};
    const int32_t x = img.AbsX(), y = img.AbsY();
    if (c.Kind == 0) expected.Draw(x, y, false, false, false, whole, &red);
    else if (c.Kind == 1) expected.DrawAlpha(x, y, c.Amount, false, false, false, whole, &red);
    else expected.DrawAdd(x, y, c.Amount, false, false, false, whole, &red);
    EXPECT_TRUE(SameCoverage(target, expected)) << c.Blend << " " << c.Opacity;
  }
}

}  // namespace
}  // namespace opal

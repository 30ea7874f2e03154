// The text engine's costs, per glyph:
// - BM_ParseAndLayout: tagged text to glyphs to pages (glyphs per second);
// - BM_RenderPage: one page of 200 distinct characters from a warm glyph
//   cache, beside BM_FreeTypeRender, FreeType loading and rendering the
//   same characters at the same pixel size;
// - BM_RenderPageThrash: a page of 400 distinct kanji, more than the cache
//   holds, so every glyph is fetched again.
// - BM_LongRow/N: one unwrapped row of N glyphs after a line break, laid
//   out and rendered; per glyph it should not grow with N;
// - BM_ExpandVars/N: N variables expanded and collapsed again.
// The IPA Gothic face is used; without it the rendering cases are skipped.
#include <benchmark/benchmark.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <optional>
#include <string>
#include <vector>

#include "common/cp932.h"
#include "platform/font_backend.h"
#include "text/font_pixel.h"
#include "text/sk_word.h"

namespace {

constexpr int32_t kSize = 24;

// The first `count` kanji of CP932 from 0x889F on.
std::vector<uint16_t> Kanji(size_t count) {
  std::vector<uint16_t> codes;
  for (uint32_t c = 0x889F; c < 0xEAA5 && codes.size() < count; ++c) {
    const uint8_t lead = c >> 8, trail = c & 0xFF;
    if (trail < 0x40 || trail == 0x7F || trail > 0xFC) continue;
    const std::string s{static_cast<char>(lead), static_cast<char>(trail)};
    size_t len = 0;
    const char32_t u = opal::cp932::DecodeChar(s, 0, &len);
    if (len == 2 && u >= 0x4E00 && u <= 0x9FFF) codes.push_back(static_cast<uint16_t>(c));
  }
  return codes;
}

std::string Text(const std::vector<uint16_t>& codes) {
  std::string s;
  for (uint16_t c : codes) {
    s += static_cast<char>(c >> 8);
    s += static_cast<char>(c & 0xFF);
  }
  return s;
}

// A message with the usual mix: kanji and kana, Latin words, punctuation,
// a few style changes and line breaks; about 2,400 glyphs.
std::string Message() {
  const std::string kanji = Text(Kanji(60));
  const std::string jp = "\x82\xa0\x82\xa2\x82\xa4\x81\x42";  // あいう。
  std::string s;
  for (int i = 0; i < 12; ++i) {
    s += kanji.substr(static_cast<size_t>(i % 6) * 20, 40) + jp;
    s += "<FONT COLOR=#FF0000>hello world</FONT> <B>bold</B>, ";
    s += kanji.substr(0, 30) + "<RUBY VALUE=\"\x82\xa9\x82\xf1\">" + kanji.substr(40, 4) + "</RUBY>";
    s += jp + jp + "\r\n";
  }
  return s;
}

struct Fonts {
  std::unique_ptr<opal::FontBackend> Backend = opal::CreateFreeTypeFontBackend();
  opal::TFontPixelManager Manager{*Backend};
};

Fonts& SharedFonts() {
  static Fonts fonts;
  return fonts;
}

void BM_ParseAndLayout(benchmark::State& state) {
  opal::TSkWord word(SharedFonts().Manager);
  word.TextWidth = 640;
  word.ViewHeight = 480;
  word.DefaultSize = kSize;
  const std::string text = Message();
  size_t glyphs = 0;
  for (auto _ : state) {
    word.Parse(text);
    opal::TWdPageList pages;
    word.Layout(pages, 0, -1);
    benchmark::DoNotOptimize(pages.data());
    glyphs += word.GlyphCount();
  }
  state.SetItemsProcessed(static_cast<int64_t>(glyphs));
}
BENCHMARK(BM_ParseAndLayout);

void BM_LongRow(benchmark::State& state) {
  opal::TSkWord word(SharedFonts().Manager);
  word.ViewHeight = 480;
  word.DefaultSize = 8;
  word.Parse("a<BR>" + std::string(static_cast<size_t>(state.range(0)), 'x'));
  for (auto _ : state) {
    opal::TWdPageList pages;
    word.TextWidth = 0;
    word.Layout(pages, 0, -1);
    word.RenderPage(*pages.back(), true);
    benchmark::DoNotOptimize(pages.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_LongRow)->Arg(1000)->Arg(16000);

class TCounterHost : public opal::TWordHost {
 public:
  std::optional<std::string> EvaluateText(const std::string&) override { return std::string("ab"); }
};

void BM_ExpandVars(benchmark::State& state) {
  TCounterHost host;
  opal::TSkWord word(SharedFonts().Manager, &host);
  std::string text;
  for (int64_t i = 0; i < state.range(0); ++i) text += "<VAR NAME=v>";
  word.Parse(text);
  for (auto _ : state) {
    word.ExpandVars(0, -1);
    word.CollapseVars(0, -1);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_ExpandVars)->Arg(1000)->Arg(16000);

// A page of the given characters, laid out on rows of 20.
struct Page {
  opal::TSkWord Word;
  opal::TWdPageList Pages;
  explicit Page(const std::vector<uint16_t>& codes) : Word(SharedFonts().Manager) {
    Word.TextWidth = 20 * kSize;
    Word.ViewHeight = static_cast<int32_t>((codes.size() / 20 + 1) * kSize);
    Word.DefaultSize = kSize;
    Word.Parse(Text(codes));
    Word.Layout(Pages, 0, -1);
  }
};

bool HaveFace() { return !opal::ExactFontFileOfFace("IPAGothic").empty(); }

void RenderCase(benchmark::State& state, size_t distinct) {
  if (!HaveFace()) {
    state.SkipWithError("IPAGothic is not installed");
    return;
  }
  Page page(Kanji(distinct));
  if (page.Pages.empty()) {
    state.SkipWithError("layout made no page");
    return;
  }
  page.Word.RenderPage(*page.Pages[0], true);  // warms the cache
  for (auto _ : state) page.Word.RenderPage(*page.Pages[0], true);
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * distinct));
}

void BM_RenderPage(benchmark::State& state) { RenderCase(state, 200); }
BENCHMARK(BM_RenderPage);

void BM_RenderPageThrash(benchmark::State& state) { RenderCase(state, 400); }
BENCHMARK(BM_RenderPageThrash);

void BM_FreeTypeRender(benchmark::State& state) {
  const std::string file = opal::ExactFontFileOfFace("IPAGothic");
  FT_Library library = nullptr;
  FT_Face face = nullptr;
  if (file.empty() || FT_Init_FreeType(&library) != 0 || FT_New_Face(library, file.c_str(), 0, &face) != 0) {
    state.SkipWithError("IPAGothic is not installed");
    if (library != nullptr) FT_Done_FreeType(library);
    return;
  }
  FT_Set_Pixel_Sizes(face, 0, kSize);
  std::vector<char32_t> chars;
  for (uint16_t c : Kanji(200)) {
    const std::string s{static_cast<char>(c >> 8), static_cast<char>(c & 0xFF)};
    size_t len = 0;
    chars.push_back(opal::cp932::DecodeChar(s, 0, &len));
  }
  for (auto _ : state)
    for (char32_t u : chars) {
      FT_Load_Char(face, u, FT_LOAD_RENDER);
      benchmark::DoNotOptimize(face->glyph->bitmap.buffer);
    }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * chars.size()));
  FT_Done_Face(face);
  FT_Done_FreeType(library);
}
BENCHMARK(BM_FreeTypeRender);

}  // namespace

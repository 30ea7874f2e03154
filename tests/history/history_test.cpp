// Recording and showing history over synthetic glyphs: entry mode and page
// mode commits, trimming, the pending record of two windows, formats in
// different modes, Show ranges and the cached message.
#include <gtest/gtest.h>

#include <climits>

#include "common/error.h"
#include "history/page_source.h"
#include "history_fixture.h"

namespace opal {
namespace {

using testing::THistoryFixture;

std::vector<std::string> Names(const TOpalNewHistory& h) {
  std::vector<std::string> names;
  for (const THistoryOldData& e : h.Entries()) names.push_back(e.Name);
  return names;
}

// Settings of a format that lays out: cells `size` pixels square.
TOpalHistorySettings PageSettings(int32_t size, int32_t width, int32_t viewHeight, int32_t spacing = 0) {
  TOpalHistorySettings s;
  s.DefaultSize = size;
  s.TextWidth = width;
  s.ViewHeight = viewHeight;
  s.LineSpacing = spacing;
  return s;
}

TEST(HistoryEntries, CommitsOneEntryPerPageWithRepeatedNamesEmpty) {
  THistoryFixture f;
  f.Show(THistoryFixture::Shown("a.osb", 0, 0));
  f.Show(THistoryFixture::Shown("a.osb", 0, 1));
  f.Show(THistoryFixture::Shown("A.OSB", 2, 0));  // the same page in another case
  f.Show(THistoryFixture::Shown("b.osb", 1, 0));
  const TOpalNewHistory& h = f.Default();
  EXPECT_FALSE(h.PageMode());
  EXPECT_EQ(Names(h), (std::vector<std::string>{"a.osb", "", "", "b.osb"}));
  EXPECT_EQ(h.Entries()[1].PageIndex, 1);
  EXPECT_EQ(h.Entries()[2].Command, 2);
  EXPECT_EQ(h.Entries()[3].Width, 320);
  EXPECT_EQ(h.Entries()[3].Height, 240);
  EXPECT_EQ(h.EntryCount(), 4);
  EXPECT_EQ(h.HistorySize(), 4);
  EXPECT_TRUE(h.Pending().Page.empty());
}

TEST(HistoryEntries, MaxCountKeepsTheLastAndTheOldestKeptInheritsTheName) {
  THistoryFixture f;
  f.Default().MaxCount = 3;
  for (int32_t c = 0; c < 4; ++c) f.Show(THistoryFixture::Shown("a.osb", c));
  f.Show(THistoryFixture::Shown("b.osb", 0));
  const TOpalNewHistory& h = f.Default();
  EXPECT_EQ(Names(h), (std::vector<std::string>{"a.osb", "", "b.osb"}));
  EXPECT_EQ(h.Entries()[0].Command, 2);
  EXPECT_EQ(h.Entries()[1].Command, 3);
  // The next entry of b.osb still finds its name.
  f.Show(THistoryFixture::Shown("B.osb", 1));
  EXPECT_EQ(Names(h), (std::vector<std::string>{"a.osb", "b.osb", ""}));
  TOpalNewMesData data;
  ASSERT_TRUE(h.Show(0, 3, data).Shown);
  EXPECT_EQ(data.EntryNames, (std::vector<std::string>{"a.osb", "b.osb", "b.osb"}));
  EXPECT_EQ(data.EntryCommands, (std::vector<int32_t>{3, 0, 1}));
}

TEST(HistoryEntries, SizeAndPageIndexAreTakenOnlyWhileTheFormatHasNoDefaultSize) {
  THistoryFixture f;
  TOpalRecordedPage first = THistoryFixture::Shown("a.osb", 0, 2);
  f.Manager.RecordPage(first);
  TOpalRecordedPage second = THistoryFixture::Shown("a.osb", 1, 5);
  second.Width = 100;
  f.Manager.DefaultFormat().Settings.DefaultSize = 20;
  f.Manager.RecordPage(second);
  f.Manager.ClosePage("mes");
  ASSERT_EQ(f.Default().EntryCount(), 1);
  EXPECT_EQ(f.Default().Entries()[0].Command, 1);
  EXPECT_EQ(f.Default().Entries()[0].PageIndex, 2);
  EXPECT_EQ(f.Default().Entries()[0].Width, 320);
}

TEST(HistoryFormats, NamesAreExactAndResetLeavesTheDefaultAlone) {
  THistoryFixture f;
  EXPECT_EQ(f.Manager.Count(), 1u);
  EXPECT_EQ(f.Manager.FindFormat("Log"), nullptr);
  TOpalHistoryFormat& log = f.Manager.ObtainFormat("log");
  EXPECT_EQ(&f.Manager.ObtainFormat("log"), &log);
  EXPECT_EQ(f.Manager.FindFormat("Log"), nullptr);
  EXPECT_EQ(log.Settings, TOpalHistorySettings{});
  f.Show(THistoryFixture::Shown("a.osb", 0));
  EXPECT_EQ(log.History().EntryCount(), 1);
  f.Default().MaxCount = 7;
  f.Manager.ResetFormats();
  EXPECT_EQ(f.Manager.Count(), 1u);
  EXPECT_EQ(f.Manager.FindFormat("log"), nullptr);
  EXPECT_EQ(f.Default().EntryCount(), 0);
  EXPECT_EQ(f.Default().MaxCount, 0);
}

TEST(HistoryEntries, ClearKeepsSettingsAndMaxCount) {
  THistoryFixture f;
  f.Default().MaxCount = 4;
  f.Manager.RecordPage(THistoryFixture::Shown("a.osb", 0));
  f.Manager.ClosePage("mes");
  f.Manager.RecordPage(THistoryFixture::Shown("a.osb", 1));
  f.Manager.ClearHistories();
  f.Manager.ClosePage("mes");  // the pending record went with the entries
  EXPECT_EQ(f.Default().EntryCount(), 0);
  EXPECT_EQ(f.Default().HistorySize(), 0);
  EXPECT_EQ(f.Default().MaxCount, 4);
}

TEST(HistoryEntries, OnlyTheWindowThatRecordedLastCommits) {
  THistoryFixture f;
  f.Manager.RecordPage(THistoryFixture::Shown("a.osb", 0, 0, "one"));
  f.Manager.RecordPage(THistoryFixture::Shown("b.osb", 1, 0, "two"));
  f.Manager.ClosePage("one");
  EXPECT_EQ(f.Default().EntryCount(), 0);
  f.Manager.ClosePage("Two");  // names of windows are exact
  EXPECT_EQ(f.Default().EntryCount(), 0);
  f.Manager.ClosePage("two");
  EXPECT_EQ(Names(f.Default()), std::vector<std::string>{"b.osb"});
  f.Manager.ClosePage("two");  // nothing pending any more
  EXPECT_EQ(f.Default().EntryCount(), 1);
}

// What CallHist does with its numbers before it asks the history to show.
TOpalShowResult CallHist(const TOpalNewHistory& h, int64_t first, int64_t count, TOpalNewMesData& data) {
  first = std::max<int64_t>(first, 0);
  if (first + count > h.HistorySize()) count = h.HistorySize() - first;
  if (count <= 0) return {};
  return h.Show(first, count, data);
}

TEST(HistoryEntries, CallHistFiveFromEightOfTenShowsEightAndNine) {
  THistoryFixture f;
  for (int32_t c = 0; c < 10; ++c) f.Show(THistoryFixture::Shown(c < 5 ? "a.osb" : "b.osb", c));
  TOpalNewMesData data;
  data.Pieces.Add("kept.osb", 1, 0, -1, 0, "");
  const TOpalShowResult r = CallHist(f.Default(), 8, 5, data);
  ASSERT_TRUE(r.Shown);
  EXPECT_FALSE(r.PageMode);
  EXPECT_EQ(data.EntryCommands, (std::vector<int32_t>{8, 9}));
  EXPECT_EQ(data.EntryNames, (std::vector<std::string>{"b.osb", "b.osb"}));
  // The message a TextIns left would be built instead of the entries.
  EXPECT_EQ(data.Pieces.Count(), 0u);
  TOpalNewMesData none;
  EXPECT_FALSE(CallHist(f.Default(), 10, 5, none).Shown);
  EXPECT_FALSE(f.Default().Show(3, 0, none).Shown);
  EXPECT_FALSE(f.Default().Show(-1, 2, none).Shown);
}

struct TPageModeFixture : THistoryFixture {
  // Five messages of one 150-pixel row each (cells of 150 pixels) in a
  // format of ViewHeight 400.
  TOpalNewHistory& Log() {
    TOpalHistoryFormat& log = Manager.ObtainFormat("log");
    log.Settings = PageSettings(150, 600, 400);
    return log.History();
  }
  void Five() {
    Page("a.osb", {"あ", "い", "う"});
    Page("b.osb", {std::nullopt, "え", "お"});
    Log();
    for (int32_t c = 0; c < 3; ++c) Show(Shown("a.osb", c));
    Show(Shown("b.osb", 1));
    Show(Shown("b.osb", 2));
  }
};

TEST(HistoryPages, PiecesOf150PackTwoToAPageOf400) {
  TPageModeFixture f;
  f.Five();
  const TOpalNewHistory& log = f.Log();
  ASSERT_TRUE(log.PageMode());
  ASSERT_EQ(log.HistPages().size(), 3u);
  const TOpalHistData& p0 = log.HistPages()[0];
  EXPECT_EQ(p0.Heights, (std::vector<int32_t>{150, 150}));
  EXPECT_EQ(p0.TotalHeight, 300);
  EXPECT_EQ(p0.Names, (std::vector<std::string>{"a.osb", ""}));
  EXPECT_EQ(p0.Commands, (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(p0.Firsts, (std::vector<int32_t>{0, 0}));
  EXPECT_EQ(p0.Lasts, (std::vector<int32_t>{0, 0}));
  // The first piece of a page always names its page.
  EXPECT_EQ(log.HistPages()[1].Names, (std::vector<std::string>{"a.osb", "b.osb"}));
  EXPECT_EQ(log.HistPages()[2].Names, (std::vector<std::string>{"b.osb"}));
  EXPECT_EQ(log.EntryCount(), 3);
  EXPECT_EQ(log.HistorySize(), 750);
  // The default format stays in entry mode and recorded the same pages.
  EXPECT_FALSE(f.Default().PageMode());
  EXPECT_EQ(f.Default().EntryCount(), 5);
}

TEST(HistoryPages, MaxCountDropsTheOldestHistoryPages) {
  TPageModeFixture f;
  f.Log().MaxCount = 2;
  f.Five();
  EXPECT_EQ(f.Log().HistPages().size(), 2u);
  EXPECT_EQ(f.Log().HistorySize(), 450);
  EXPECT_EQ(f.Log().HistPages()[0].Commands, (std::vector<int32_t>{2, 1}));
}

TEST(HistoryPages, AMessageOfSeveralPagesGivesOnePiecePerPage) {
  THistoryFixture f;
  f.Page("m.osb", {"あい<CLEAR>うえ<CLEAR>お"});
  TOpalHistoryFormat& log = f.Manager.ObtainFormat("log");
  log.Settings = PageSettings(100, 600, 250, 20);
  f.Show(THistoryFixture::Shown("m.osb", 0));
  const auto& pages = log.History().HistPages();
  ASSERT_EQ(pages.size(), 2u);
  // Each laid-out page is its row plus the line spacing: 120, two to a page.
  EXPECT_EQ(pages[0].Heights, (std::vector<int32_t>{120, 120}));
  EXPECT_EQ(pages[0].Firsts, (std::vector<int32_t>{0, 3}));
  EXPECT_EQ(pages[0].Lasts, (std::vector<int32_t>{2, 5}));
  EXPECT_EQ(pages[1].Firsts, (std::vector<int32_t>{6}));
  EXPECT_EQ(pages[1].Lasts, (std::vector<int32_t>{6}));
  // Only the seen part of a message is laid out.
  log.History().Clear();
  f.Show(THistoryFixture::Shown("m.osb", 0, 1, "mes", 3, 5));
  ASSERT_EQ(log.History().HistPages().size(), 1u);
  EXPECT_EQ(log.History().HistPages()[0].Firsts, std::vector<int32_t>{3});
}

TEST(HistoryPages, FormatHistSwitchesOnlyItsOwnHistoryAtTheNextRecord) {
  THistoryFixture f;
  f.Page("a.osb", {"あ"});
  TOpalHistoryFormat& wide = f.Manager.ObtainFormat("wide");
  f.Show(THistoryFixture::Shown("a.osb", 0));
  EXPECT_FALSE(wide.History().PageMode());
  EXPECT_EQ(wide.History().EntryCount(), 1);
  wide.Settings = PageSettings(12, 300, 400);
  EXPECT_FALSE(wide.History().PageMode());  // not before it records
  f.Show(THistoryFixture::Shown("a.osb", 0));
  EXPECT_TRUE(wide.History().PageMode());
  EXPECT_EQ(wide.History().EntryCount(), 1);  // one history page
  EXPECT_EQ(wide.History().HistorySize(), 12);
  EXPECT_FALSE(f.Default().PageMode());
  EXPECT_EQ(f.Default().EntryCount(), 2);
  // Once it has history pages it keeps its settings until it is cleared.
  wide.Settings = TOpalHistorySettings{};
  f.Show(THistoryFixture::Shown("a.osb", 0));
  EXPECT_TRUE(wide.History().PageMode());
  f.Manager.ClearHistories();
  f.Show(THistoryFixture::Shown("a.osb", 0));
  EXPECT_FALSE(wide.History().PageMode());
  EXPECT_EQ(f.Default().EntryCount(), 1);
}

TEST(HistoryPages, ANegativeWidthIsPageModeForRecordingSizeAndShow) {
  THistoryFixture f;
  f.Page("a.osb", {"あい"});
  TOpalHistoryFormat& odd = f.Manager.ObtainFormat("odd");
  odd.Settings = PageSettings(10, -40, 400);
  f.Show(THistoryFixture::Shown("a.osb", 0));
  const TOpalNewHistory& h = odd.History();
  ASSERT_TRUE(h.PageMode());
  // Laid out one pixel wide: a character to a row.
  EXPECT_EQ(h.HistorySize(), 20);
  TOpalNewMesData data;
  const TOpalShowResult r = h.Show(0, h.HistorySize(), data);
  EXPECT_TRUE(r.PageMode);
  EXPECT_EQ(data.Pieces.Count(), 1u);
  EXPECT_TRUE(data.EntryNames.empty());
}

struct TShowCase {
  int64_t First, Count;
  std::vector<int32_t> Commands;  // of the pieces shown, in order
  int32_t HistoryNumber;
};

class ShowPixels : public ::testing::TestWithParam<TShowCase> {};

// Pages [a0 a1] [a2 b1] [b2], each piece 150 high: 750 pixels in all.
TEST_P(ShowPixels, CoversTheRange) {
  TPageModeFixture f;
  f.Five();
  const TShowCase& c = GetParam();
  TOpalNewMesData data;
  data.AddEntry("kept.osb", 0, 0, 1, 1);
  const TOpalShowResult r = f.Log().Show(c.First, c.Count, data);
  EXPECT_EQ(r.Shown, !c.Commands.empty());
  EXPECT_EQ(data.Pieces.Commands, c.Commands);
  if (!r.Shown) return;
  EXPECT_TRUE(r.PageMode);
  EXPECT_EQ(r.HistoryNumber, c.HistoryNumber);
  EXPECT_EQ(data.EntryCount(), 1u);  // page mode leaves the entries alone
  for (const std::string& name : data.Pieces.Names) EXPECT_FALSE(name.empty());
  int64_t total = 0;
  for (int32_t h : data.Pieces.Heights) total += h;
  EXPECT_EQ(data.Pieces.TotalHeight, total);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, ShowPixels,
    ::testing::Values(TShowCase{0, 1, {0}, 0}, TShowCase{0, 150, {0}, 0}, TShowCase{0, 151, {0, 1}, 0},
                      TShowCase{100, 100, {0, 1}, -100}, TShowCase{299, 2, {1, 2}, -149},
                      TShowCase{300, 150, {2}, 0}, TShowCase{450, 300, {1, 2}, 0},
                      TShowCase{700, 50, {2}, -100}, TShowCase{749, 1, {2}, -149},
                      TShowCase{0, 750, {0, 1, 2, 1, 2}, 0}, TShowCase{0, INT64_MAX / 4, {0, 1, 2, 1, 2}, 0},
                      TShowCase{750, 1, {}, 0}, TShowCase{INT64_MAX / 4, 10, {}, 0}));

TEST(HistoryPages, ShowResolvesNamesAcrossPages) {
  TPageModeFixture f;
  f.Five();
  TOpalNewMesData data;
  ASSERT_TRUE(f.Log().Show(0, 750, data).Shown);
  EXPECT_EQ(data.Pieces.Names, (std::vector<std::string>{"a.osb", "a.osb", "a.osb", "b.osb", "b.osb"}));
}

TEST(HistoryPages, MissingPagesAndCommandsRecordNothing) {
  THistoryFixture f;
  f.Page("a.osb", {std::nullopt, "あ"});
  TOpalHistoryFormat& log = f.Manager.ObtainFormat("log");
  log.Settings = PageSettings(12, 300, 400);
  f.Show(THistoryFixture::Shown("gone.osb", 1));
  f.Show(THistoryFixture::Shown("a.osb", 0));  // not a TextIns
  f.Show(THistoryFixture::Shown("a.osb", 7));  // outside the page
  f.Show(THistoryFixture::Shown("a.osb", -1));
  f.Show(THistoryFixture::Shown("a.osb", 1, 0, "mes", 5, 9));  // past the message
  EXPECT_EQ(log.History().HistorySize(), 0);
  EXPECT_TRUE(log.History().Pending().Page.empty());
  f.Show(THistoryFixture::Shown("A.osb", 1));
  EXPECT_EQ(log.History().HistorySize(), 12);
}

// A page the interpreter frees and loads again is another load: the history
// lays out the new message, not the one it held for the old load.
TEST(HistoryPages, TheCachedMessageIsKeyedByItsPagesLoad) {
  THistoryFixture f;
  f.Page("a.osb", {"あ"}, true);
  TOpalHistoryFormat& log = f.Manager.ObtainFormat("log");
  log.Settings = PageSettings(10, 300, 1000);
  f.Show(THistoryFixture::Shown("a.osb", 0));
  f.Show(THistoryFixture::Shown("a.osb", 0));
  EXPECT_EQ(f.Store.Loads, 0);  // the interpreter's page served both
  f.Page("a.osb", {"あ<BR>い<BR>う"}, true);
  f.Show(THistoryFixture::Shown("a.osb", 0));
  EXPECT_EQ(log.History().HistPages()[0].Heights, (std::vector<int32_t>{10, 10, 30}));
  // A page not held by the interpreter is loaded for every commit.
  f.Store.SetCached("a.osb", false);
  f.Show(THistoryFixture::Shown("a.osb", 0));
  f.Show(THistoryFixture::Shown("a.osb", 0));
  EXPECT_EQ(f.Store.Loads, 2);
}

TEST(HistoryPages, ADamagedMessageIsReportedAndTheOtherFormatsStillCommit) {
  THistoryFixture f;
  f.Store.AddPage("bad.osb", {std::string("not a glyph stream")});
  TOpalHistoryFormat& log = f.Manager.ObtainFormat("log");
  log.Settings = PageSettings(12, 300, 400);
  f.Manager.RecordPage(THistoryFixture::Shown("bad.osb", 0));
  EXPECT_THROW(f.Manager.ClosePage("mes"), EFormatError);
  EXPECT_EQ(f.Default().EntryCount(), 1);  // entry mode does not read the message
  EXPECT_EQ(log.History().HistorySize(), 0);
  EXPECT_TRUE(log.History().Pending().Page.empty());
}

TEST(HistorySources, APageKnowsItsSourceRangeAndTheValuesItShows) {
  TFakeFontBackend backend;
  TFontPixelManager fonts(backend);
  TSkWord w(fonts);
  w.DefaultFace = "Fake";
  w.TextWidth = 1000;
  w.ViewHeight = 1000;
  w.Parse(cp932::FromUtf8("あ<VAR NAME=\"$a\">い<VAR NAME=\"$a\"><CLEAR><VAR NAME=\"$b\">"));
  w.FixedValues = {"$a=xy", std::string("$b=p\1q")};
  w.ExpandVars(0, -1);
  TWdPageList pages;
  w.Layout(pages, 0, -1);
  ASSERT_EQ(pages.size(), 2u);
  const TOpalSourceMap map(w);
  EXPECT_EQ(map.Span(*pages[0]).First, 0);
  EXPECT_EQ(map.Span(*pages[0]).Last, 4);  // あ $a い $a and the clear
  EXPECT_EQ(map.Values(*pages[0]), "$a=xy");
  EXPECT_EQ(map.Span(*pages[1]).First, 5);
  EXPECT_EQ(map.Values(*pages[1]), std::string("$b=p\1q"));
  int32_t first, last;
  ASSERT_TRUE(GlyphRange(w, 5, 5, first, last));
  EXPECT_EQ(last, static_cast<int32_t>(w.GlyphCount()) - 1);  // with the variable's glyphs
  EXPECT_FALSE(GlyphRange(w, 6, -1, first, last));
}

}  // namespace
}  // namespace opal

// A window's pages built from message data through the message cache: the
// TextIns form, pieces shown from page mode, entries, the cache's limits and
// the data that shows nothing.
#include <gtest/gtest.h>

#include "history/mes_data_cache.h"
#include "history_fixture.h"

namespace opal {
namespace {

using testing::THistoryFixture;

struct TBuildFixture : THistoryFixture {
  TSkWord Engine{Fonts};
  TMesDataCacheList Cache{&Store, Fonts, nullptr};
  TWdPageList Pages;
  TBuildFixture() {
    Engine.DefaultFace = "Fake";
    Engine.TextWidth = 600;
    Engine.ViewHeight = 400;
  }
  void Build(const TOpalNewMesData& data, bool flag = false, int32_t offset = 0) {
    BuildPages(Cache, Engine, Pages, data, flag, offset);
  }
  // "y:text" per row of page p, text in UTF-8 without line breaks.
  std::vector<std::string> Rows(size_t p = 0) const {
    std::vector<std::string> rows;
    for (size_t r = 0; r < Pages[p]->Count(); ++r) {
      const TWdRow& row = *Pages[p]->Row(r);
      std::string text;
      for (size_t i = 0; i < row.Count(); ++i)
        if (row.Item(i)->Kind() == wkChar) text += cp932::ToUtf8(row.Item(i)->CharText());
      rows.push_back(std::to_string(row.Y) + ":" + text);
    }
    return rows;
  }
};

TEST(BuildPages, EmptyMessageDataGivesOneEmptyPage) {
  TBuildFixture f;
  f.Build(TOpalNewMesData{});
  ASSERT_EQ(f.Pages.size(), 1u);
  EXPECT_EQ(f.Pages[0]->Count(), 0u);
}

TEST(BuildPages, TheTextInsFormLaysTheMessageOutWithItsValues) {
  TBuildFixture f;
  f.Page("a.osb", {std::nullopt, "あ<VAR NAME=$v><CLEAR>う"});
  TOpalNewMesData data;
  data.SetMessage("A.OSB", 1);
  data.Pieces.Values[0] = "$v=xy";
  f.Build(data);
  ASSERT_EQ(f.Pages.size(), 2u);
  EXPECT_EQ(f.Rows(0), std::vector<std::string>{"0:あxy"});
  EXPECT_EQ(f.Rows(1), std::vector<std::string>{"0:う"});
  EXPECT_EQ(f.Engine.TextWidth, 600);  // the window keeps its size
  // Saved values are the save's: control characters show nothing.
  data.Pieces.Values[0] = "$v=\x02\x03z";
  f.Build(data);
  EXPECT_EQ(f.Rows(0), std::vector<std::string>{"0:あz"});
}

TEST(BuildPages, PiecesShownFromPageModeStartAtTheHistoryNumber) {
  TBuildFixture f;
  f.Page("a.osb", {"あ", "い", "う"});
  TOpalHistoryFormat& log = f.Manager.ObtainFormat("log");
  log.Settings.DefaultSize = 150;
  log.Settings.TextWidth = 600;
  log.Settings.ViewHeight = 400;
  for (int32_t c = 0; c < 3; ++c) f.Show(THistoryFixture::Shown("a.osb", c));
  TOpalNewMesData data;
  const TOpalShowResult r = log.History().Show(100, 300, data);
  ASSERT_TRUE(r.Shown);
  EXPECT_EQ(r.HistoryNumber, -100);
  f.Engine.DefaultSize = 150;
  f.Engine.LineSpacing = 10;
  f.Build(data, false, r.HistoryNumber);
  ASSERT_EQ(f.Pages.size(), 1u);
  EXPECT_EQ(f.Rows(), (std::vector<std::string>{"-100:あ", "60:い", "220:う"}));
}

TEST(BuildPages, EntriesTakeTheirPageAndStackByHeightOrByRows) {
  TBuildFixture f;
  f.Page("a.osb", {"あ<CLEAR>い", "う"});
  TOpalNewMesData data;
  data.AddEntry("a.osb", 0, 1, 100, 40);
  data.AddEntry("a.osb", 1, 0, 100, 40);
  data.AddEntry("a.osb", 1, 3, 100, 40);  // no such page: shows nothing
  f.Build(data, false);
  EXPECT_EQ(f.Rows(), (std::vector<std::string>{"0:い", "40:う"}));
  f.Engine.LineSpacing = 5;
  f.Build(data, true);
  EXPECT_EQ(f.Rows(), (std::vector<std::string>{"0:い", "17:う"}));
  EXPECT_EQ(f.Engine.TextWidth, 600);
  EXPECT_EQ(f.Engine.ViewHeight, 400);
}

TEST(BuildPages, EntriesShownFromAHistoryReplaceTheMessageOfATextIns) {
  TBuildFixture f;
  f.Page("a.osb", {"あ", "い", "う<CLEAR>え"});
  for (int32_t c = 0; c < 3; ++c) f.Show(THistoryFixture::Shown("a.osb", c, c == 2 ? 1 : 0));
  TOpalNewMesData data;
  data.SetMessage("a.osb", 0);
  ASSERT_TRUE(f.Default().Show(1, 2, data).Shown);
  f.Engine.LineSpacing = 3;
  f.Build(data, true);
  ASSERT_EQ(f.Pages.size(), 1u);
  EXPECT_EQ(f.Rows(), (std::vector<std::string>{"0:い", "15:え"}));
}

TEST(BuildPages, OneEntryOfNoPageIndexIsTheWholeMessage) {
  TBuildFixture f;
  f.Page("a.osb", {"あ<CLEAR>い"});
  TOpalNewMesData data;
  data.AddEntry("a.osb", 0, -1, 100, 40);
  f.Build(data);
  ASSERT_EQ(f.Pages.size(), 2u);
  EXPECT_EQ(f.Rows(1), std::vector<std::string>{"0:い"});
}

TEST(BuildPages, AMissingFileStopsAndAMissingMessageOrNameShowsNothing) {
  TBuildFixture f;
  f.Page("a.osb", {"あ", std::nullopt, "う"});
  TOpalNewMesData data;
  data.Pieces.Add("", 0, 0, -1, 12, "");  // no page names it
  data.Pieces.Add("a.osb", 0, 0, -1, 12, "");
  data.Pieces.Add("", 1, 0, -1, 12, "");  // a.osb, not a TextIns
  data.Pieces.Add("", 9, 0, -1, 12, "");  // outside the page
  data.Pieces.Add("", 2, 0, -1, 12, "");
  data.Pieces.Add("gone.osb", 0, 0, -1, 12, "");
  data.Pieces.Add("a.osb", 0, 0, -1, 12, "");
  f.Build(data);
  EXPECT_EQ(f.Rows(), (std::vector<std::string>{"0:あ", "12:う"}));
}

TEST(MessageCache, KeepsFourPagesAndSixteenMessagesMostRecentFirst) {
  TBuildFixture f;
  std::vector<std::optional<std::string>> many(20, std::optional<std::string>("あ"));
  for (const char* name : {"p1", "p2", "p3", "p4", "p5"}) f.Page(name, many);
  for (const char* name : {"p1", "p2", "p3", "p4", "p5"}) ASSERT_NE(f.Cache.Message(name, 0), nullptr);
  ASSERT_EQ(f.Cache.Pages().size(), 4u);
  EXPECT_EQ(f.Cache.Pages()[0].Name, "p5");
  EXPECT_EQ(f.Cache.Pages()[3].Name, "p2");
  ASSERT_NE(f.Cache.Message("P3", 0), nullptr);  // a hit moves to the front
  EXPECT_EQ(f.Cache.Pages()[0].Name, "p3");
  EXPECT_EQ(f.Store.Loads, 5);
  for (int32_t c = 0; c < 17; ++c) ASSERT_NE(f.Cache.Message("p3", c), nullptr);
  EXPECT_EQ(f.Cache.Pages()[0].Words.size(), 16u);
  EXPECT_EQ(f.Cache.Pages()[0].Words.front().Command, 16);
  EXPECT_EQ(f.Cache.Pages()[0].Words.back().Command, 1);
  EXPECT_EQ(f.Store.Loads, 5);
}

TEST(MessageCache, RebuildingFromTheSameDataLoadsNothingAgain) {
  TBuildFixture f;
  f.Page("a.osb", {"あ", "い"});
  f.Page("b.osb", {"う"});
  TOpalNewMesData data;
  for (int32_t k = 0; k < 10; ++k) data.AddEntry(k % 2 ? "b.osb" : "a.osb", k % 2 ? 0 : k % 4 / 2, 0, 100, 20);
  f.Build(data);
  const int32_t loads = f.Store.Loads;
  EXPECT_EQ(loads, 2);
  f.Build(data);
  EXPECT_EQ(f.Store.Loads, loads);
  EXPECT_EQ(f.Rows().size(), 10u);
}

TEST(MessageCache, ADamagedMessageIsReportedOnce) {
  TBuildFixture f;
  f.Store.AddPage("bad.osb", {std::string("OPAL")});
  TOpalNewMesData data;
  data.SetMessage("bad.osb", 0);
  f.Build(data);
  f.Build(data);
  EXPECT_TRUE(f.Pages.empty());
  const std::vector<std::string> errors = f.Cache.TakeErrors();
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].find("bad.osb(0)"), std::string::npos);
  EXPECT_TRUE(f.Cache.TakeErrors().empty());
}

}  // namespace
}  // namespace opal

// The history commands run by the interpreter over a stage with a history
// and read marks: CallHist clips its range to the history's size and puts
// the entries into the window's message data, FormatHist takes an object's
// six settings or resets them, ClrHist, ClrRead and Reset clear what they
// name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/cp932.h"
#include "components/opal_mes.h"
#include "history/history_format.h"
#include "history/read_list.h"
#include "scenario_host.h"

namespace opal {
namespace {

class HistoryCommand : public ::testing::Test, public testing::TScenarioHost {
 protected:
  HistoryCommand() : TScenarioHost(320, 240) {}
  void Run(const std::string& utf8) {
    Page("main.osb", utf8);
    Start("main.osb");
    Frames(2);
  }
  TOpalMes* Window() { return dynamic_cast<TOpalMes*>(Stage.FindControl("msg")); }
  // `n` entries of the default history naming command 1 of main.osb, page
  // indices 0 .. n-1.
  void Entries(int n) {
    TOpalNewHistory& h = History.DefaultFormat().History();
    for (int i = 0; i < n; ++i) {
      h.Record({"other", 200, 40, "main.osb", 1, i, 0, -1, ""});
      h.Close("other");
    }
  }
};

constexpr const char* kWindow = "+MesNew PR_NAME: \"msg\" ; PR_WIDTH: 200 ; PR_HEIGHT: 40 ; PR_FONTNAME: \"Fake\"\n";

TEST_F(HistoryCommand, CallHistClipsItsRangeToTheHistory) {
  struct Case {
    const char* what;
    const char* args;
    std::vector<int32_t> pages;  // the entries' page indices the window holds
  };
  const Case cases[] = {
      {"5 from 8 of 10", "first: 8 ; count: 5", {8, 9}},
      {"a negative first", "first: -3 ; count: 2", {0, 1}},
      {"no count", "first: 4", {4}},
      {"past the end", "first: 10 ; count: 2", {}},
      {"a count near the limit", "first: 9 ; count: 2147483647", {9}},
      {"an unknown format", "first: 0 ; count: 2 ; format: \"none\"", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Stage.Reset();
    History.ResetFormats();
    Entries(10);
    Run(std::string(kWindow) + "CallHist \"msg\" ; " + c.args + "\n");
    TOpalMes* mes = Window();
    ASSERT_NE(mes, nullptr);
    EXPECT_EQ(mes->MesData.EntryPageIndices, c.pages);
    EXPECT_EQ(mes->ReadMode, c.pages.empty() ? 0 : 2);
  }
}

TEST_F(HistoryCommand, FormatHistTakesAnObjectsSettingsOrResetsThem) {
  Run(std::string(kWindow) +
      "+MesNew PR_NAME: \"shape\" ; PR_WIDTH: 210 ; PR_HEIGHT: 300 ; PR_FONTHEIGHT: 20 ; PR_FONTBORDER: 2 ; "
      "PR_FONTSHADOW: 3 ; PR_LINESPACE: 4\n"
      "FormatHist \"shape\" ; format: \"wide\"\n");
  const TOpalHistoryFormat* wide = History.FindFormat("wide");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->Settings, (TOpalHistorySettings{20, 2, 3, 210, 300, 4}));
  EXPECT_EQ(History.DefaultFormat().Settings, TOpalHistorySettings{});

  Run("FormatHist \"\" ; format: \"wide\"\nFormatHist \"nobody\" ; format: \"other\"\n");
  EXPECT_EQ(History.FindFormat("wide")->Settings, TOpalHistorySettings{});
  ASSERT_NE(History.FindFormat("other"), nullptr);
  EXPECT_EQ(History.Count(), 3u);
}

TEST_F(HistoryCommand, ClrHistClrReadAndResetClearWhatTheyName) {
  Entries(3);
  ReadMarks.NotePage("msg", "main.osb", 0, 1);
  ReadMarks.MarkRead("msg");
  History.ObtainFormat("wide");
  Run("ClrHist\nClrRead\n");
  EXPECT_EQ(History.DefaultFormat().History().HistorySize(), 0);
  EXPECT_EQ(ReadMarks.Count(), 0);
  EXPECT_EQ(History.Count(), 2u) << "ClrHist keeps the formats";
  Page("main2.osb", "Wait 100000\n");
  Run("Reset main2.osb\n");
  EXPECT_EQ(History.Count(), 1u) << "Reset leaves only the default format";
}

// @HistoryCount and @HistoryMaxCount are the default history's size and
// MaxCount; writing the second sets it.
TEST_F(HistoryCommand, TheSystemVariablesAnswerTheDefaultHistory) {
  Entries(4);
  Run("+Calc @HistoryMaxCount = 3\n"
      "+VarNew size ; type: int ; value: @HistoryCount\n"
      "+VarNew most ; type: int ; value: @HistoryMaxCount\n");
  EXPECT_EQ(History.DefaultFormat().History().MaxCount, 3);
  EXPECT_EQ(Var("size"), "int [] 4");
  EXPECT_EQ(Var("most"), "int [] 3");
}

// FormatHist gives the default history a width: the pages a window shows
// are laid out into history pages at once, from the interpreter's page, and
// CallHist addresses pixels: the window gets the pieces and shows them.
TEST_F(HistoryCommand, APageModeHistoryShowsItsPiecesInAWindow) {
  Run(std::string(kWindow) +
      "+MesNew PR_NAME: \"back\" ; PR_WIDTH: 200 ; PR_HEIGHT: 200 ; PR_FONTNAME: \"Fake\"\n"
      "+MesNew PR_NAME: \"shape\" ; PR_WIDTH: 200 ; PR_HEIGHT: 400 ; PR_FONTHEIGHT: 16\n"
      "FormatHist \"shape\"\n"
      "TextIns あい<CLEAR>うえ ; window: \"msg\" ; read: TRUE\n"
      "+SetProp \"msg\" ; prop: PR_INDEX ; value: 1\n"
      "+TextClr \"msg\"\n"
      "CallHist \"back\" ; first: 0 ; count: @HistoryCount\n"
      "Wait 100000\n");
  Frames(5);
  const TOpalNewHistory& h = History.DefaultFormat().History();
  ASSERT_TRUE(h.PageMode());
  ASSERT_EQ(h.HistPages().size(), 1u);
  EXPECT_EQ(h.HistPages()[0].Count(), 2u) << "both pages of the message, one piece each";
  EXPECT_GT(h.HistorySize(), 0);
  auto* back = dynamic_cast<TOpalMes*>(Stage.FindControl("back"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->MesData.Pieces.Count(), 2u);
  EXPECT_EQ(back->MesData.Pieces.Names, (std::vector<std::string>{"main.osb", "main.osb"}));
  EXPECT_EQ(back->ReadMode, 2);
  ASSERT_EQ(back->Pages().size(), 1u);
  EXPECT_EQ(back->PageIndex, 0);
  EXPECT_EQ(back->CurrentPage()->CharText(), cp932::FromUtf8("あいうえ"));
}

// The history finds messages by page name, command index and the page's
// load: every load has a number of its own, so a page loaded again is not
// taken for the one before even at the same address.
TEST_F(HistoryCommand, EveryPageLoadIsToldApart) {
  TPageMessageStore none;
  EXPECT_FALSE(none.Exists("main.osb"));
  EXPECT_EQ(none.CachedPage("main.osb"), nullptr);
  EXPECT_EQ(none.LoadPage("main.osb"), nullptr);

  Run("+VarNew x ; type: int ; value: 1\nTextIns あい ; window: \"nobody\"\nWait 100000\n");
  EXPECT_TRUE(Messages.Exists("MAIN.OSB"));
  EXPECT_FALSE(Messages.Exists("gone.osb"));
  const TOpalMessagePagePtr cached = Messages.CachedPage("Main.osb");
  ASSERT_NE(cached, nullptr);
  EXPECT_EQ(Messages.CachedPage("main.osb")->Generation(), cached->Generation());
  EXPECT_FALSE(cached->Message(0).has_value()) << "a VarNew holds no message";
  ASSERT_TRUE(cached->Message(1).has_value());
  EXPECT_FALSE(cached->Message(5).has_value());
  EXPECT_FALSE(cached->Message(-1).has_value());
  const TOpalMessagePagePtr a = Messages.LoadPage("main.osb"), b = Messages.LoadPage("main.osb");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a->Generation(), cached->Generation());
  EXPECT_NE(a->Generation(), b->Generation());
  EXPECT_EQ(*a->Message(1), *cached->Message(1));
  // A new interpreter loads the page anew.
  Start("main.osb");
  EXPECT_NE(Messages.CachedPage("main.osb")->Generation(), cached->Generation());
}

}  // namespace
}  // namespace opal

// MesNew, TextIns and TextClr run by the interpreter: the message reaches
// the window, TextIns holds the interpreter while the window has pages, and
// a saved window finds its message again on the scenario page.
#include <gtest/gtest.h>

#include <string>

#include "common/cp932.h"
#include "components/opal_mes.h"
#include "scenario_host.h"
#include "stage/base_list.h"
#include "storage/stream.h"

namespace opal {
namespace {

class TextCommand : public ::testing::Test, public testing::TScenarioHost {
 protected:
  TextCommand() : TScenarioHost(320, 240) {}
  void Start(const std::string& utf8) {
    Page("main.osb", utf8);
    TScenarioHost::Start("main.osb");
  }
  TOpalMes* Window() { return dynamic_cast<TOpalMes*>(Stage.FindControl("msg")); }
  // Whether the command after the text ran within a few frames.
  bool Reached() {
    Frames(3);
    return Var("after") != "missing";
  }
};

constexpr const char* kStory =
    "+MesNew PR_NAME: \"msg\" ; PR_WIDTH: 200 ; PR_HEIGHT: 40 ; PR_FONTNAME: \"Fake\" ; PR_DELAY: 0\n"
    "TextIns あい<CLEAR>うえ ; window: \"msg\" ; read: TRUE ; wait: TRUE\n"
    "VarNew after ; type: int ; value: 1\n";

TEST_F(TextCommand, TextInsFillsTheWindowAndWaitsUntilItIsCleared) {
  Start(kStory);
  Frames(1);
  TOpalMes* mes = Window();
  ASSERT_NE(mes, nullptr);
  EXPECT_EQ(mes->Pages().size(), 2u);
  EXPECT_EQ(mes->PageIndex, 0);
  EXPECT_EQ(mes->ReadMode, 1);
  EXPECT_EQ(mes->SourcePage, "main.osb");
  EXPECT_EQ(mes->SourceCommand, 1);
  EXPECT_FALSE(Reached());
  mes->ClearText();
  EXPECT_EQ(mes->ReadMode, 0);
  EXPECT_TRUE(Reached());
}

TEST_F(TextCommand, DeletingTheWindowEndsTheWait) {
  Start(kStory);
  Frames(1);
  ASSERT_NE(Window(), nullptr);
  Stage.DeleteObject(Window());
  Stage.Update(kFrameMs);
  EXPECT_TRUE(Reached());
}

TEST_F(TextCommand, TextClrEmptiesTheWindow) {
  Start("+MesNew PR_NAME: \"msg\" ; PR_WIDTH: 200 ; PR_HEIGHT: 40 ; PR_FONTNAME: \"Fake\"\n"
        "+TextIns あい ; window: \"msg\"\n"
        "+TextIns ; window: \"msg\"\n"
        "TextClr \"msg\"\n"
        "VarNew after ; type: int ; value: 1\n");
  EXPECT_TRUE(Reached());
  EXPECT_TRUE(Window()->Pages().empty());
}

// TextIns passes at once, touching no window, when its message is empty or
// its window expression names no message window; TextClr of such a name
// leaves the window as it is.
TEST_F(TextCommand, TextCommandsWithoutAWindowLeaveTheStageAlone) {
  struct Case {
    const char* what;
    const char* line;
    size_t pages;  // of the window "msg" afterwards
  };
  const Case cases[] = {
      {"empty message", "TextIns ; window: \"msg\" ; wait: TRUE ; read: TRUE", 1},
      {"a box", "TextIns あい ; window: \"box\" ; wait: TRUE", 1},
      {"nobody", "TextIns あい ; window: \"nobody\" ; wait: TRUE", 1},
      {"no name", "TextIns あい ; window: \"\" ; wait: TRUE", 1},
      {"clear a box", "TextClr \"box\"", 1},
      {"clear the window", "TextClr \"msg\"", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Stage.Reset();
    Vars.ResetVars();
    Start(std::string("+MesNew PR_NAME: \"msg\" ; PR_WIDTH: 200 ; PR_HEIGHT: 40 ; PR_FONTNAME: \"Fake\"\n"
                      "+BoxNew PR_NAME: \"box\"\n"
                      "+TextIns うえ ; window: \"msg\" ; read: TRUE\n") +
          c.line + "\nVarNew after ; type: int ; value: 1\n");
    EXPECT_TRUE(Reached());
    TOpalMes* mes = Window();
    ASSERT_NE(mes, nullptr);
    EXPECT_EQ(mes->Pages().size(), c.pages);
    if (c.pages == 1) {
      EXPECT_EQ(mes->SourceCommand, 2) << "the window keeps the message of the first TextIns";
      EXPECT_EQ(mes->CurrentPage()->CharText(), cp932::FromUtf8("うえ") + "");
    }
  }
}

// A window holds its message by the TextIns that gave it, whether that
// records read marks or not; a second stage over the same services (and so
// the same message store) lays it out again from the page.
TEST_F(TextCommand, ASavedWindowLaysItsMessageOutAgain) {
  struct Case {
    const char* read;
    uint8_t readMode;
    const char* sourcePage;
  };
  const Case cases[] = {{"TRUE", 1, "main.osb"}, {"FALSE", 0, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.read);
    Stage.Reset();
    Start(std::string("+MesNew PR_NAME: \"msg\" ; PR_WIDTH: 200 ; PR_HEIGHT: 40 ; PR_FONTNAME: \"Fake\" ; "
                      "PR_DELAY: 0\n"
                      "TextIns あい<CLEAR>うえ ; window: \"msg\" ; wait: TRUE ; read: ") +
          c.read + "\n");
    Frames(5);
    TMemoryStream saved;
    Stage.SaveToStream(saved);
    saved.SetPosition(0);

    TOpalBaseList stage(Services);
    Equip(stage);
    stage.LoadFromStream(saved, kSaveVersion);
    auto* back = dynamic_cast<TOpalMes*>(stage.FindControl("msg"));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Pages().size(), 2u);
    EXPECT_EQ(back->PageIndex, 0);
    EXPECT_EQ(back->CurrentPage()->CharText(), cp932::FromUtf8("あい") + "");
    EXPECT_EQ(back->ReadMode, c.readMode);
    EXPECT_EQ(back->SourcePage, c.sourcePage);
  }
}

}  // namespace
}  // namespace opal

// MesNew, TextIns and TextClr run by the interpreter: the message reaches
// the window, TextIns holds the interpreter while the window has pages, and
// a saved window finds its message again on the scenario page.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/cp932.h"
#include "components/opal_mes.h"
#include "expr/param_collection.h"
#include "expr/sys_funcs.h"
#include "platform/font_backend.h"
#include "scenario/call_man.h"
#include "scenario/commands_text.h"
#include "scenario/page.h"
#include "scenario/scenario_text.h"
#include "stage/base_list.h"
#include "storage/vr_file_manager.h"
#include "stage_host.h"
#include "test_util.h"
#include "text/font_pixel.h"

namespace opal {
namespace {

using testing::TStageHost;

class TextCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    Vars.SysFuncs = &Funcs;
    Vars.CreateSystemVars();
    Files.SetDataFolder(Dir.Path() + "/");
    Prepare(Host.Stage_);
  }
  void Prepare(TOpalBaseList& stage) {
    stage.SetSize(320, 240);
    stage.Fonts = &Fonts;
    RegisterMessageComponents(stage);
  }
  void Start(const std::string& utf8) {
    TPage page;
    page.Name = "main.osb";
    ReadPageText(cp932::FromUtf8(utf8), page);
    TMemoryStream s;
    page.SaveToStream(s);
    testing::WriteFile(Dir / "main.osb", std::string(s.Bytes().begin(), s.Bytes().end()));
    Calls = std::make_unique<TCallMan>(Files, Vars, RunState, Host);
    Calls->StartPage("main.osb");
    RunState.FrameDeltaMs = 15;
  }
  TOpalMes* Window() { return dynamic_cast<TOpalMes*>(Host.Stage_.FindControl("msg")); }
  // Whether the command after the text ran within a few frames.
  bool Reached() {
    for (int i = 0; i < 3; ++i) Calls->RunStep();
    return Vars.FindVar("after") != nullptr;
  }

  testing::TempDir Dir;
  TVrFileManager Files;
  TParamCollection Vars;
  TSysFuncMan Funcs;
  TRunState RunState;
  TFakeFontBackend Backend;
  TFontPixelManager Fonts{Backend};
  TStageHost Host;
  std::unique_ptr<TCallMan> Calls;
};

constexpr const char* kStory =
    "+MesNew PR_NAME: \"msg\" ; PR_WIDTH: 200 ; PR_HEIGHT: 40 ; PR_FONTNAME: \"Fake\" ; PR_DELAY: 0\n"
    "TextIns あい<CLEAR>うえ ; window: \"msg\" ; read: TRUE ; wait: TRUE\n"
    "VarNew after ; type: int ; value: 1\n";

TEST_F(TextCommand, TextInsFillsTheWindowAndWaitsUntilItIsCleared) {
  Start(kStory);
  Calls->RunStep();
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
  Calls->RunStep();
  ASSERT_NE(Window(), nullptr);
  Host.Stage_.DeleteObject(Window());
  Host.Stage_.Update();
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

TEST_F(TextCommand, ASavedWindowLaysItsMessageOutAgain) {
  Start(kStory);
  Calls->RunStep();
  for (int i = 0; i < 4; ++i) Host.Stage_.Update();
  TMemoryStream saved;
  Host.Stage_.SaveToStream(saved);
  saved.SetPosition(0);

  TOpalBaseList stage;
  Prepare(stage);
  stage.MessageSource = [this](const std::string& page, int32_t command) -> std::string {
    TPage* p = Calls->FindPage(page, false);
    if (p == nullptr || command < 0 || static_cast<size_t>(command) >= p->Commands.size()) return {};
    auto* ins = dynamic_cast<TComTextIns*>(p->Commands[static_cast<size_t>(command)].get());
    return ins != nullptr ? ins->MessageData : std::string();
  };
  stage.LoadFromStream(saved, kSaveVersion);
  auto* back = dynamic_cast<TOpalMes*>(stage.FindControl("msg"));
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Pages().size(), 2u);
  EXPECT_EQ(back->PageIndex, 0);
  EXPECT_EQ(back->CurrentPage()->CharText(), cp932::FromUtf8("あい") + "");
}

}  // namespace
}  // namespace opal

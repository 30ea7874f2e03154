#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "common/trace.h"
#include "platform/window.h"
#include "shell/form_view.h"
#include "shell/screen_manager.h"

namespace opal {
namespace {

std::vector<DisplayMode> ReportedModes() {
  return {{640, 480, 16, 60}, {640, 480, 32, 75}, {640, 480, 32, 60}, {800, 600, 32, 60},
          {320, 240, 32, 60}, {1024, 768, 8, 60}};
}

TEST(ScreenManager, ListsUsableModesAndChoosesByTheRule) {
  struct Case {
    int32_t want_w, want_h, desktop_bits, chosen;
  };
  const Case cases[] = {
      {640, 480, 32, 2},  // exact size, desktop depth, lowest refresh
      {640, 480, 16, 0},  // the desktop's depth wins over more bits
      {0, 0, 32, 0},      // no mode of the wanted size: the first usable one
      {800, 600, 32, 3},
  };
  for (const Case& c : cases) {
    TFakeDisplay display;
    display.ReportedModes = ReportedModes();
    display.Desktop.BitCount = c.desktop_bits;
    TScreenManager sm(display, 640, 480, c.want_w, c.want_h);
    EXPECT_EQ(sm.ModeCount(), 4);  // smaller than the stage and 8-bit modes are left out
    EXPECT_EQ(sm.ChosenModeIndex, c.chosen) << c.want_w << "x" << c.want_h << "@" << c.desktop_bits;
    EXPECT_EQ(sm.ModeIndex, -1);
    EXPECT_EQ(sm.GetMode(99).Width, 0u);
  }
}

TEST(ScreenManager, WindowedBufferDepthFollowsTheDesktop) {
  struct Case {
    TDisplayFormat desktop;
    int32_t bits;
  };
  const Case cases[] = {
      {{16, 0x7C00, 0x03E0, 0x001F}, 15},
      {{16, 0xF800, 0x07E0, 0x001F}, 16},
      {{24, 0xFF0000, 0xFF00, 0xFF}, 32},
      {{32, 0xFF0000, 0xFF00, 0xFF}, 32},
  };
  for (const Case& c : cases) {
    TFakeDisplay display;
    display.Desktop = c.desktop;
    TScreenManager sm(display, 64, 48, 64, 48);
    ASSERT_NE(sm.ScreenBuffer, nullptr);
    EXPECT_EQ(sm.ScreenBitCount, c.bits);
    EXPECT_EQ(sm.ScreenBuffer->Width(), 64);
  }
}

TEST(ScreenManager, WithoutADisplayThereIsA16BitBufferAndNoFullScreen) {
  TFakeDisplay display;
  display.IsAvailable = false;
  TScreenManager sm(display, 64, 48, 64, 48);
  EXPECT_EQ(sm.ModeCount(), 0);
  EXPECT_EQ(sm.ChosenModeIndex, -1);
  EXPECT_EQ(sm.ScreenBitCount, 16);
  sm.SetModeIndex(0);  // an index past the list is never used
  EXPECT_EQ(sm.ModeIndex, -1);
  EXPECT_FALSE(sm.FullScreenActive);
}

TEST(ScreenManager, ADisplayThatCannotBeOpenedFailsCreation) {
  TFakeDisplay display;
  display.FailOpen = true;
  EXPECT_THROW(TScreenManager(display, 64, 48, 64, 48), EOpalError);
}

TEST(ScreenManager, PresentSendsTheDirtyRectanglesOrTheTransition) {
  TFakeDisplay display;
  TScreenManager sm(display, 64, 48, 64, 48);
  sm.Present({{0, 0, 10, 10}, {5, 5, 5, 9}, {60, 40, 100, 100}}, {});
  EXPECT_EQ(display.Presents, 2);  // the empty one is skipped, the last is cut to the buffer
  sm.Present({{0, 0, 10, 10}, {20, 20, 30, 30}}, {0, 0, 64, 48});
  EXPECT_EQ(display.Presents, 3);
}

class TStepTrace : public TTraceSink {
 public:
  void Step(std::string_view name) override { Steps.emplace_back(name); }
  void Line(std::string_view) override {}
  std::vector<std::string> Steps;
};

class TPixelParts : public TRuntimeParts {
 public:
  void ReleasePixels() override { ++Released; }
  void RecreatePixels() override { ++Recreated; }
  int Released = 0, Recreated = 0;
};

class FullScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RunState() = TRunState();
    SetTrace(&Trace);
    Display.ReportedModes = ReportedModes();
    Screen = std::make_unique<TScreenManager>(Display, 640, 480, 640, 480);
    Form.ScreenMan = Screen.get();
    Form.MainWindow = &Win;
    Win.Width = 640;
    Win.Height = 480 + Win.Dock;
  }
  void TearDown() override { SetTrace(nullptr); }

  TStepTrace Trace;
  TFakeDisplay Display;
  TFakeWindow Win;
  std::unique_ptr<TScreenManager> Screen;
  TVrFileManager Files;
  TScriptedMessageBoxes Boxes{nullptr};
  TPixelParts Parts;
  TFormView Form{RunState(), Files, Boxes, Parts};
};

TEST_F(FullScreenTest, ToFullScreenAndBackWithEveryStep) {
  Form.SetFullScreen(true);
  EXPECT_TRUE(Screen->FullScreenActive);
  EXPECT_EQ(Screen->ModeIndex, 2);
  EXPECT_EQ(Display.Current.RefreshRate, 60u);
  EXPECT_EQ(Screen->ScreenBitCount, 32);
  EXPECT_FALSE(RunState().InFullScreenSwitch);
  EXPECT_FALSE(Win.ToolbarShown);
  EXPECT_EQ(Form.PanelTop, 0);
  EXPECT_EQ(Trace.Steps,
            (std::vector<std::string>{"SetFullScreen", "SetFullScreen.Full", "SetFullScreen.Full.Bases.FreeDX",
                                      "SetFullScreen.Full.MediaSuspend", "SetFullScreen.Full.ScreenMan.FreeDX",
                                      "SetFullScreen.Full.StoreWindow", "SetFullScreen.Full.SetScreenManIndex",
                                      "SetFullScreen.SetBounds", "SetFullScreen.Bases.Reload",
                                      "SetFullScreen.MediaResume"}));
  Trace.Steps.clear();
  Form.SetFullScreen(true);  // already there: nothing happens to the buffers
  EXPECT_EQ(Trace.Steps, std::vector<std::string>{"SetFullScreen"});
  EXPECT_EQ(Parts.Released, 1);

  Trace.Steps.clear();
  Form.SetFullScreen(false);
  EXPECT_FALSE(Screen->FullScreenActive);
  EXPECT_EQ(Screen->ModeIndex, -1);
  EXPECT_TRUE(Win.ToolbarShown);
  EXPECT_EQ(Form.PanelTop, Win.Dock);
  EXPECT_EQ(Trace.Steps,
            (std::vector<std::string>{"SetFullScreen", "SetFullScreen.Normal", "SetFullScreen.Normal.Bases.FreeDX",
                                      "SetFullScreen.Normal.MediaSuspend", "SetFullScreen.Normal.ScreenMan.FreeDX",
                                      "SetFullScreen.Normal.RestoreWindow", "SetFullScreen.SetBounds",
                                      "SetFullScreen.Bases.Reload", "SetFullScreen.MediaResume"}));
  EXPECT_EQ(Parts.Recreated, 2);
}

TEST_F(FullScreenTest, AFailedSwitchRunsWindowedWithoutTheToolbarAndMayTryAgain) {
  Display.FailSetMode = true;
  Form.SetFullScreen(true);
  EXPECT_FALSE(Screen->FullScreenActive);
  EXPECT_EQ(Screen->ModeIndex, -1);
  EXPECT_FALSE(Win.ToolbarShown);
  EXPECT_FALSE(RunState().InFullScreenSwitch);
  EXPECT_NE(std::find(Trace.Steps.begin(), Trace.Steps.end(), "SetFullScreen.Full.SetScreenManIndexFail"),
            Trace.Steps.end());
  EXPECT_EQ(Win.Height, 480 + Win.Dock);
  Display.FailSetMode = false;
  Form.SetFullScreen(true);
  EXPECT_TRUE(Screen->FullScreenActive);
}

TEST_F(FullScreenTest, ThePanelIsCentredInAWiderWindow) {
  Form.SetFullScreen(true);
  Win.Width = 801;
  Form.SetFullScreen(false);
  Win.Width = 801;  // the restored window happens to be wider than the stage
  Screen->ChosenModeIndex = 1;
  Form.SetFullScreen(true);
  Win.Width = 801;
  Screen->ChosenModeIndex = 2;
  Form.ApplyScreenMode();  // another mode while full screen keeps the display
  EXPECT_EQ(Screen->ModeIndex, 2);
  EXPECT_EQ(Form.PanelLeft, 80);
}

}  // namespace
}  // namespace opal

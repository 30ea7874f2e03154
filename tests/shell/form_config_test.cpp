#include <gtest/gtest.h>

#include <string>

#include "shell/form_config.h"
#include "test_util.h"

namespace opal {
namespace {

struct TDialog {
  explicit TDialog(const std::string& path) : Form(path, Boxes) { Form.FormCreate(); }
  TScriptedMessageBoxes Boxes{nullptr};
  TFormConfig Form;
};

TEST(FormConfig, DelayTimeOnTheSliderAndWhatOkStores) {
  struct Case {
    const char* stored;
    int32_t position;
    const char* label;
    const char* after_ok;
  };
  const Case cases[] = {
      {"1234", 5, "500ms", "500"}, {"250", 2, "200ms", "200"}, {"40", 1, "100ms", "100"},
      {"0", 1, "100ms", "100"},    {"0x12C", 3, "300ms", "300"}, {"abc", 5, "500ms", "500"},
  };
  for (const Case& c : cases) {
    testing::TempDir dir;
    const std::string path = dir / "game.ini";
    testing::WriteFile(path, std::string("[Sound]\r\nDirectSound=0\r\nDelayTime=") + c.stored + "\r\n");
    TDialog d(path);
    EXPECT_EQ(d.Form.TrackBuff, c.position) << c.stored;
    EXPECT_EQ(d.Form.LabelBuffInfo, c.label) << c.stored;
    EXPECT_TRUE(d.Form.DelayControlsEnabled);
    d.Form.btnOKClick();
    EXPECT_FALSE(d.Form.IsOpen);
    EXPECT_EQ(testing::ReadFile(path), std::string("[Sound]\r\nDirectSound=0\r\nDelayTime=") + c.after_ok + "\r\n");
  }
}

TEST(FormConfig, OkWithoutAFileCreatesTheSoundSection) {
  testing::TempDir dir;
  const std::string path = dir / "game.ini";
  TDialog d(path);
  EXPECT_TRUE(d.Form.CheckSound);
  EXPECT_FALSE(d.Form.DelayControlsEnabled);  // DirectSound on: the delay does not matter
  d.Form.CheckSound = false;
  d.Form.CheckSoundClick();
  EXPECT_TRUE(d.Form.DelayControlsEnabled);
  d.Form.SetTrackBuff(9);
  d.Form.btnOKClick();
  EXPECT_EQ(testing::ReadFile(path), "[Sound]\r\nDirectSound=0\r\nDelayTime=500\r\n");
}

TEST(FormConfig, OkKeepsEveryOtherLineAndCancelTouchesNothing) {
  testing::TempDir dir;
  const std::string path = dir / "game.ini";
  const std::string before = "; player settings\n[Video]\nUseWMP=1\n\n[Sound]\nDelayTime = 300\nOther=x\n\n[Tail]\nk=v";
  testing::WriteFile(path, before);
  {
    TDialog d(path);
    d.Form.SetTrackBuff(2);
    d.Form.btnCancelClick();
    EXPECT_FALSE(d.Form.IsOpen);
    EXPECT_EQ(testing::ReadFile(path), before);
  }
  TDialog d(path);
  d.Form.SetTrackBuff(4);
  d.Form.btnOKClick();
  EXPECT_EQ(testing::ReadFile(path),
            "; player settings\n[Video]\nUseWMP=1\n\n[Sound]\nDelayTime=400\nOther=x\nDirectSound=1\n\n[Tail]\nk=v");
}

TEST(FormConfig, AFailedWriteKeepsTheDialogOpenAndTheOldFile) {
  testing::TempDir dir;
  const std::string path = dir / "game.ini";
  testing::WriteFile(path, "[Sound]\nDelayTime=200\n");
  TDialog d(path);
  d.Form.SetTrackBuff(5);
  {
    testing::FileSizeLimit full_disk(0);  // no byte of the new file can be written
    d.Form.btnOKClick();
  }
  EXPECT_TRUE(d.Form.IsOpen);
  EXPECT_EQ(d.Boxes.Shown, 1);
  EXPECT_EQ(testing::ReadFile(path), "[Sound]\nDelayTime=200\n");
}

}  // namespace
}  // namespace opal

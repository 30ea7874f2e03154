#include <gtest/gtest.h>

#include "shell/game_ini.h"
#include "test_util.h"

namespace opal {
namespace {

TEST(GameIni, DelayTimeIsTruncatedThenClamped) {
  struct Case {
    const char* text;
    int32_t want;
  };
  const Case cases[] = {
      {"1234", 500}, {"250", 200}, {"150", 100}, {"40", 100}, {"0", 100},
      {"0x12C", 300}, {"-700", 100}, {"300ms", 500}, {"", 500}, {"99999999999", 500},
  };
  for (const Case& c : cases) {
    TIniFile ini;
    ini.Parse(std::string("[Sound]\nDelayTime=") + c.text + "\n");
    EXPECT_EQ(NormalizeDelayTime(ini.ReadInteger("Sound", "DelayTime", 500)), c.want) << c.text;
  }
}

TEST(GameIni, ReadsTheThreeSettingsWithDefaults) {
  testing::TempDir dir;
  const std::string path = dir.Path() + "/game.ini";
  EXPECT_EQ(ReadGameIni(path).DelayTime, 500);  // no file: the defaults
  EXPECT_TRUE(ReadGameIni(path).DirectSound);
  EXPECT_FALSE(ReadGameIni(path).UseWMP);

  testing::WriteFile(path, "; settings\r\n[sound]\r\n directsound = 0 \r\nDelayTime=250\r\n[Other]\r\nUseWMP=1\r\n"
                        "[VIDEO]\r\nUseWMP=7\r\n");
  const TPlayerSettings s = ReadGameIni(path);
  EXPECT_FALSE(s.DirectSound);
  EXPECT_EQ(s.DelayTime, 200);
  EXPECT_TRUE(s.UseWMP);  // any non-zero integer, found in its own section only
}

TEST(GameIni, NotAnIntegerReadsAsTheDefault) {
  TIniFile ini;
  ini.Parse("[Sound]\nDirectSound=yes\n[Video]\nUseWMP=0x\n");
  EXPECT_TRUE(ini.ReadBool("Sound", "DirectSound", true));
  EXPECT_FALSE(ini.ReadBool("Video", "UseWMP", false));
  EXPECT_EQ(ini.ReadInteger("Video", "Missing", -3), -3);
}

}  // namespace
}  // namespace opal

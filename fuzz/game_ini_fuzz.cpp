// game.ini as the player and the settings dialog read and rewrite it: any
// bytes parse, the three settings read within their ranges, and a rewrite
// keeps every line it does not set.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/game_ini.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  opal::TIniFile ini;
  ini.Parse(text);
  if (ini.Text() != text) std::abort();  // parsing alone changes nothing
  const int32_t delay = opal::NormalizeDelayTime(ini.ReadInteger("Sound", "DelayTime", 500));
  if (delay < 100 || delay > 500 || delay % 100 != 0) std::abort();
  ini.ReadBool("Sound", "DirectSound", true);
  ini.WriteInteger("Sound", "DirectSound", 1);
  ini.WriteInteger("Sound", "DelayTime", delay);
  opal::TIniFile again;
  again.Parse(ini.Text());
  if (again.ReadInteger("Sound", "DelayTime", -1) != delay) std::abort();
  if (again.Text() != ini.Text()) std::abort();
  return 0;
}

#include "shell/form_config.h"

#include <algorithm>

namespace opal {

namespace {
constexpr const char* kCaption = "\x93\xAE\x8D\xEC\x90\xDD\x92\xE8";  // 動作設定
}  // namespace

void TFormConfig::FormCreate() {
  IsOpen = true;
  Ini_.Load(Path_);
  CheckSound = Ini_.ReadBool("Sound", "DirectSound", true);
  CheckSoundClick();
  SetTrackBuff(Ini_.ReadInteger("Sound", "DelayTime", 500) / 100);
}

void TFormConfig::CheckSoundClick() { DelayControlsEnabled = !CheckSound; }

void TFormConfig::SetTrackBuff(int32_t position) {
  TrackBuff = std::clamp(position, 1, 5);
  TrackBuffChange();
}

void TFormConfig::TrackBuffChange() { LabelBuffInfo = std::to_string(TrackBuff * 100) + "ms"; }

void TFormConfig::btnOKClick() {
  TIniFile ini;
  ini.Load(Path_);
  ini.WriteInteger("Sound", "DirectSound", CheckSound ? 1 : 0);
  ini.WriteInteger("Sound", "DelayTime", TrackBuff * 100);
  std::string error;
  if (!ini.Save(Path_, &error)) {
    Boxes_.Show(error, kCaption, TMsgButtons::Ok, TMsgIcon::Warning);
    return;
  }
  FormClose();
}

}  // namespace opal

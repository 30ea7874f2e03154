// TFormConfig: the settings dialog the player shows when started with
// /config: DirectSound on or off, and the delay of the player's own wave
// output in hundreds of milliseconds. This class is the dialog's state and
// behaviour; a window backend draws it and feeds it clicks and keys.
#pragma once

#include <cstdint>
#include <string>

#include "platform/message_boxes.h"
#include "shell/game_ini.h"

namespace opal {

class TFormConfig {
 public:
  TFormConfig(std::string ini_path, MessageBoxes& boxes) : Path_(std::move(ini_path)), Boxes_(boxes) {}

  void FormCreate();
  // The delay controls are enabled exactly when DirectSound is off.
  void CheckSoundClick();
  void TrackBuffChange();
  // Writes the file (kept as it was but for the two values) and closes;
  // a failed write is shown in a box and the dialog stays open.
  void btnOKClick();
  void btnCancelClick() { FormClose(); }
  void FormClose() { IsOpen = false; }
  // The slider clamps its position to its range.
  void SetTrackBuff(int32_t position);

  bool IsOpen = false;
  bool CheckSound = true;
  int32_t TrackBuff = 5;  // 1..5 hundreds of milliseconds
  bool DelayControlsEnabled = false;
  std::string LabelBuffInfo;  // "300ms"

 private:
  std::string Path_;
  MessageBoxes& Boxes_;
  TIniFile Ini_;
};

}  // namespace opal

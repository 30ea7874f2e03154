// TConfigDialog: the settings dialog as a window shows it: its controls at
// their fixed places, the keyboard focus, mouse and keys acting on the
// dialog's state (TFormConfig), and the painting of the classic controls
// into a pixel buffer.
#pragma once

#include <cstdint>
#include <string>

#include "platform/input_event.h"
#include "raster/rect.h"
#include "shell/form_config.h"

namespace opal {

class TCustomDIBX;
class TUiFont;

class TConfigDialog {
 public:
  static constexpr int32_t kWidth = 270, kHeight = 179;
  // Controls in tab order.
  enum TControl : int { CheckSoundBox, OkButton, CancelButton, TrackBar, kControlCount };

  explicit TConfigDialog(TFormConfig& form) : Form_(form) {}

  static std::string Caption();
  static TRect Bounds(TControl c);

  void HandleInput(const TInputEvent& e);
  // Paints the whole dialog; `font` may be null (no captions).
  void Paint(TCustomDIBX& canvas, const TUiFont* font) const;

  TControl Focus = CheckSoundBox;
  bool Dirty = true;  // needs painting

 private:
  bool Enabled(TControl c) const;
  void MoveFocus(int step);
  void Activate(TControl c);
  void KeyDown(int32_t key);

  TFormConfig& Form_;
  bool Shift_ = false, Alt_ = false;
};

}  // namespace opal

// The main window's toolbar strip: two buttons of 67 × 18 pixels, "終了"
// (exit) and "画面切替" (switch screen), on a strip 4 pixels taller than
// them, painted by our own code.
#pragma once

#include <cstdint>

#include "platform/input_event.h"

namespace opal {

class TCustomDIBX;
class TUiFont;

struct TToolbar {
  static constexpr int32_t kButtonWidth = 67, kButtonHeight = 18;
  static constexpr int32_t kHeight = kButtonHeight + 4;
  static constexpr int32_t kLeft = 2, kTop = 2;

  // Paints the strip over the buffer's width; `font` may be null (the
  // buttons then carry no captions).
  static void Paint(TCustomDIBX& strip, const TUiFont* font);
  // The button at a point of the strip, if any.
  static bool Hit(int32_t x, int32_t y, TInputKind& kind);
};

}  // namespace opal
